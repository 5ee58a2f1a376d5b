#pragma once

#include "codecs/metafile/Bytes.h"

#include <QBrush>
#include <QByteArray>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

// The objects of EMF+ records: brushes, pens, paths, regions, images, fonts, string formats and image
// attributes, read from EmfPlusObject records into a table of 64 capacity. Geometry stays in the world
// coordinates of the file; the player maps it when it draws.
namespace metafile::emfplus {

// EMF+ unit types.
enum Unit : quint32 { UnitWorld, UnitDisplay, UnitPixel, UnitPoint, UnitInch, UnitDocument, UnitMillimeter };

struct Brush {
    // Gradients and textures are in world coordinates; hatch patterns in device pixels.
    QBrush brush;
    // Hatch brushes paint their background first.
    std::optional<QColor> background;
    // The colour standing for the brush where only one colour can be used.
    QColor colour;
};

struct Pen {
    double width = 1; // in `unit`; 0 is the thinnest line the device draws
    quint32 unit = UnitWorld;
    Qt::PenStyle style = Qt::SolidLine;
    QList<qreal> dashes; // in pen widths
    double dashOffset = 0;
    Qt::PenCapStyle cap = Qt::FlatCap;
    Qt::PenJoinStyle join = Qt::MiterJoin;
    double miterLimit = 10;
    // Arrow heads and other shapes at the ends of an open line, in pen widths; empty for none.
    QPainterPath startAnchor, endAnchor;
    bool startAnchorFilled = true, endAnchorFilled = true;
    Brush brush;
};

// A region: a tree of rectangles and paths combined by the region operations. Nodes refer to their
// children by index; the root is node 0.
struct Region {
    // The combining kinds are the combine modes they stand for.
    enum Kind : quint32 { And = 1, Or, Xor, Exclude, Complement, Rect = 0x10000000, Path, Empty, Infinite };
    struct Node {
        quint32 kind = Empty;
        QPainterPath path; // for Rect and Path
        int left = -1, right = -1;
    };
    std::vector<Node> nodes;
};

struct Image {
    QImage bitmap;       // a bitmap image, decoded
    QByteArray metafile; // or an embedded WMF or EMF, drawn when it is used
    bool metafileIsWmf = false;
    QSize size; // its size in pixels
};

struct Font {
    double emSize = 0;
    quint32 unit = UnitWorld;
    quint32 style = 0; // bold 1, italic 2, underline 4, strikeout 8
    QString family;
};

struct StringFormat {
    quint32 flags = 0;
    quint32 alignment = 0;     // near, centre, far
    quint32 lineAlignment = 0; // near, centre, far
    quint32 hotkeyPrefix = 0;
    double leadingMargin = 1.0 / 6; // in ems
    double trailingMargin = 1.0 / 6;
};

struct ImageAttributes {
    quint32 wrapMode = 0;
    QColor clampColour;
};

using Object = std::variant<Brush, Pen, QPainterPath, Region, Image, Font, StringFormat, ImageAttributes>;

// The object table, and the assembly of objects too large for one record.
class ObjectTable {
public:
    static constexpr quint32 capacity = 64;

    // Takes an EmfPlusObject record: its flags and its data.
    void record(quint16 flags, const Bytes& data);
    // Any other record ends an object that was still coming in pieces: what arrived of it is read.
    void interrupt();

    // The work of decoding the objects read since the last call, in the units of the canvas's budget.
    qint64 takeWork() { return std::exchange(work_, 0); }

    template <typename T> const T* get(quint32 id) const {
        if (id >= capacity || !table_[id])
            return nullptr;
        return std::get_if<T>(&*table_[id]);
    }

private:
    struct Partial {
        quint16 flags;
        quint32 total;
        QByteArray data;
    };
    void define(quint16 flags, const Bytes& data);

    std::array<std::optional<Object>, capacity> table_;
    std::optional<Partial> partial_;
    qint64 work_ = 0;
};

// The object decoders; nothing when the data is not such an object.
std::optional<Brush> readBrush(const Bytes& data);
std::optional<Pen> readPen(const Bytes& data);
std::optional<QPainterPath> readPath(const Bytes& data);
std::optional<Region> readRegion(const Bytes& data);
std::optional<Image> readImage(const Bytes& data);

// A solid brush of one colour.
Brush solidBrush(const QColor& colour);

} // namespace metafile::emfplus
