#pragma once

#include "codecs/metafile/Bytes.h"
#include "codecs/metafile/EmfPlusGeometry.h"
#include "codecs/metafile/EmfPlusObjects.h"

#include <QImage>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>
#include <functional>
#include <optional>
#include <vector>

class QPainter;

namespace metafile {

class Canvas;
struct EmfHeader;

namespace emfplus {
class Reader;
}

// Plays the EMF+ records an EMF carries in its comment records, onto the same canvas as its GDI
// records. EMF+ keeps a drawing state of its own (world and page transform, clip, object table); its
// coordinates reach the image through the reference device of the EMF header.
//
// A file with EMF+ records may repeat the drawing in GDI records for readers without EMF+ (a dual
// file), so once EMF+ records are played, GDI records are drawn only where the EMF+ stream hands
// drawing over to GDI: after a comment holding a GetDC record, up to the next comment of EMF+ records
// (whether the header calls the file dual or not). GDI records before the first EMF+ record are drawn.
// A file whose first EMF+ record is not an EMF+ header is read as plain EMF.
// Every count, size and object index is checked against its record; a record that does not hold
// together draws nothing.
class EmfPlusPlayer {
public:
    EmfPlusPlayer(Canvas& canvas, const EmfHeader& header);
    ~EmfPlusPlayer();
    EmfPlusPlayer(const EmfPlusPlayer&) = delete;
    EmfPlusPlayer& operator=(const EmfPlusPlayer&) = delete;

    // An EMR_COMMENT record (the whole record); only comments holding EMF+ records are read.
    void comment(const Bytes& record);
    // Whether the GDI record coming now is to be drawn.
    bool drawsGdi() const { return !playing_ || handedToGdi_; }

private:
    struct State {
        QTransform world;
        quint32 pageUnit = emfplus::UnitDisplay;
        double pageScale = 1;
        std::optional<QRegion> clip; // in image pixels; none: everywhere
        qint64 clipWork = 0;         // of setting the clip for a drawing
        bool antialias = false;
        bool textAntialias = true;
        bool sourceCopy = false;
        bool smoothImages = true;
    };
    struct Saved {
        quint32 id;
        State state;
    };

    void play(const Bytes& records);
    void record(quint16 type, quint16 flags, const Bytes& data);
    bool stateRecord(quint16 type, quint16 flags, emfplus::Reader& in);
    bool transformRecord(quint16 type, quint16 flags, emfplus::Reader& in);
    bool clipRecord(quint16 type, quint16 flags, emfplus::Reader& in);
    bool shapeRecord(quint16 type, quint16 flags, emfplus::Reader& in);
    bool curveRecord(quint16 type, quint16 flags, emfplus::Reader& in);
    bool imageRecord(quint16 type, quint16 flags, emfplus::Reader& in);
    QImage drawnMetafile(const emfplus::Image& image, QSize onImage);
    bool textRecord(quint16 type, quint16 flags, emfplus::Reader& in);
    void drawString(quint16 flags, emfplus::Reader& in);
    void drawDriverString(quint16 flags, emfplus::Reader& in);

    void handToGdi();
    void takeBackFromGdi();
    void restore(quint32 id);

    // Mapping: world units to page units (the world transform), page units to device pixels, device
    // pixels to image pixels.
    double unitPixels(quint32 unit, bool vertical) const;
    QTransform pageToDevice() const;
    QTransform worldToImage() const;
    // A length in `unit` (pens, fonts) as world units.
    double worldLength(double length, quint32 unit) const;

    // Drawing with the EMF+ state: the painter gets the transform `toImage`, the clip and the hints;
    // `work` is charged to the budget, with the pixels the drawing may cover. False when nothing of
    // `imageBounds` is visible (nothing is then drawn) or the work budget is spent.
    // `within`, when given, restricts the drawing further.
    bool paint(const QRectF& imageBounds, qint64 work, const QTransform& toImage,
               const std::function<void(QPainter&)>& draw, bool antialias, const QRegion* within = nullptr);
    struct RasterPlan {
        bool antialias;
        qint64 work;
    };
    // Anti-aliased as the state asks, unless that would cost too much.
    RasterPlan rasterPlan(const QPainterPath& path, const QTransform& toImage, emfplus::Raster raster) const;
    std::optional<emfplus::Brush> brush(quint16 flags, quint32 brushOrColour) const;
    void fill(const QPainterPath& path, quint16 flags, quint32 brushOrColour);
    void stroke(const QPainterPath& path, quint32 penId);
    void drawAnchor(QPainter& painter, const emfplus::Pen& pen, const QPainterPath& shape, bool filled,
                    QPointF end, QPointF from, double width);

    Canvas& canvas_;
    QTransform deviceToImage_;
    QSizeF dpi_{96, 96};
    bool videoDevice_ = true;
    bool playing_ = false; // an EMF+ header has been read
    bool ignored_ = false; // the EMF+ records are not played (no header first)
    bool handedToGdi_ = false;
    std::optional<std::optional<QPainterPath>> gdiClip_; // the GDI clip before a GetDC section
    emfplus::ObjectTable objects_;
    State state_;
    std::vector<Saved> saved_;
    struct {
        QByteArray bytes;
        QSize size;
        QImage image;
    } lastMetafile_;
};

} // namespace metafile
