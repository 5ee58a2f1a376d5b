#pragma once

#include "codecs/metafile/DcState.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <functional>
#include <vector>

namespace metafile {

// How a bitmap meets what is drawn under it.
struct Blend {
    // GDI's ternary raster operation (the high word's low byte decides: bit P·4 + S·2 + D of it is the
    // result for those pattern, source and destination bits). SRCCOPY by default.
    quint32 rop = 0x00CC0020;
    // TRANSPARENTBLT: source pixels of this colour are left out.
    std::optional<QRgb> transparent;
    // ALPHABLEND: the constant opacity (0 to 255); the image carries its own alpha when it has one.
    int constantAlpha = 255;
    bool alphaBlend = false;
    // MASKBLT: where the mask (same size as the source, top-down) is black, `backgroundRop` applies.
    QImage mask;
    quint32 backgroundRop = 0x00AA0029;
};

// How logical coordinates reach the image.
struct Mapping {
    // EMF: device units to image pixels, from the header's frame, then scaled with the image when it
    // is drawn smaller than its natural size. WMF: that scale alone.
    QTransform deviceToImage;
    // EMF: reference device pixels per millimetre, for the metric map modes.
    QSizeF devicePerMm{96 / 25.4, 96 / 25.4};
    // WMF: the picture's logical rectangle, the default window; its viewport is the whole image.
    bool wmf = false;
    QRectF wmfWindow;
    QSizeF imageSize;
};

// The drawing surface both record players share: the device context with its save stack, path
// recording, and the GDI primitives drawn onto a QImage through QPainter. Records pass logical
// coordinates; the canvas maps them and keeps the total work within `limits::drawingBudget`.
class Canvas {
public:
    Canvas(QImage& image, const Mapping& mapping);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    DcState& dc() { return dc_; }
    // True once the work budget is spent: nothing more is drawn.
    bool exhausted() const { return budget_ <= 0; }
    // Charges work that is not drawing (a decoded bitmap, a long record).
    void spend(qint64 units) { budget_ -= units; }
    qint64 budgetLeft() const { return budget_; }
    QSize imageSize() const { return image_.size(); }
    // Drawing that keeps a state of its own (the EMF+ records) gets the painter without the canvas's
    // transform and clip; the canvas has its own back when `paint` returns.
    void paintDirect(const std::function<void(QPainter&)>& paint);

    // Selecting objects and changing the mapping go through here, which keeps the painter in step.
    void selectPen(const QPen& pen) { dc_.pen = pen; }
    void selectBrush(const QBrush& brush) { dc_.brush = brush; }
    void selectFont(const LogicalFont& font) { dc_.font = font; }
    void setMapMode(int mode);
    void setWindowOrigin(QPointF origin);
    void setWindowExtent(QSizeF extent);
    void setViewportOrigin(QPointF origin);
    void setViewportExtent(QSizeF extent);
    void offsetWindowOrigin(QPointF by) { setWindowOrigin(dc_.windowOrigin + by); }
    void offsetViewportOrigin(QPointF by) { setViewportOrigin(dc_.viewportOrigin + by); }
    void scaleWindowExtent(double xNum, double xDenom, double yNum, double yDenom);
    void scaleViewportExtent(double xNum, double xDenom, double yNum, double yDenom);
    // MWT_IDENTITY 1, MWT_LEFTMULTIPLY 2, MWT_RIGHTMULTIPLY 3, MWT_SET 4.
    void setWorldTransform(const QTransform& transform);
    void modifyWorldTransform(const QTransform& transform, quint32 mode);
    void save();
    // A negative `which` counts back from the newest saved state; a positive one names it from the
    // oldest (1). False when there is no such state.
    bool restore(int which);
    void intersectClip(const QRectF& logical);
    void excludeClip(const QRectF& logical);
    void resetClip();
    // RGN_AND 1, RGN_OR 2, RGN_XOR 3, RGN_DIFF 4, RGN_COPY 5 of `area` (in image pixels) with the
    // clip; RGN_COPY of nothing resets it.
    void combineClip(const std::optional<QPainterPath>& area, quint32 mode);
    // SELECTCLIPPATH: the recorded path, closed, combined with the clip; the path is used up.
    void selectClipPath(quint32 mode);
    // Device units (EMF regions of the clip) to image pixels.
    QTransform deviceToImage() const { return mapping_.deviceToImage; }
    // GRADIENTFILL: a rectangle shaded from one colour to the other, across or down; a triangle
    // shaded from its corners' colours.
    void gradientRect(const QRectF& r, const QColor& from, const QColor& to, bool vertical);
    void gradientTriangle(const QPolygonF& corners, const QColor colours[3]);
    // Regions, rectangles in logical units. FILLRGN and PAINTRGN fill them with `brush`; FRAMERGN
    // fills their outline, `thickness` logical units wide and high, inside them; INVERTRGN inverts
    // the pixels they cover; a WMF region selected as the clip is combined with it as `combineClip`.
    void fillRects(const std::vector<QRectF>& rects, const QBrush& brush);
    void frameRects(const std::vector<QRectF>& rects, const QBrush& brush, QSizeF thickness);
    void invertRects(const std::vector<QRectF>& rects);
    void clipToRects(const std::vector<QRectF>& rects, quint32 mode);
    // OFFSETCLIPRGN: the clip moves by `offset` logical units.
    void offsetClip(QPointF offset);
    // The clip as a whole, in image pixels (none: everywhere).
    void setClip(std::optional<QPainterPath> imageClip);

    // Whether drawing inside `logicalBounds` with the selected pen would leave the image as it is, so
    // that the record need not be read at all. Never while a path is recorded, which keeps its shapes.
    bool missesImage(const QRectF& logicalBounds) const;
    // The same for a text run at `reference`: `characters` characters, their advances `advance`
    // logical units in all when the file gives them (else the font's own), in the selected font.
    // Never for a run that moves the current position (TA_UPDATECP).
    bool textMissesImage(QPointF reference, qint64 characters, std::optional<double> advance) const;

    // Drawing, or adding to the path while one is being recorded.
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void rectangle(const QRectF& r);
    void roundRect(const QRectF& r, QSizeF corner);
    void ellipse(const QRectF& r);
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    void arc(const QRectF& box, QPointF start, QPointF end, ArcKind kind);
    void polygon(const QPolygonF& points);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polyBezier(const QPolygonF& points);
    void polyBezierTo(const QPolygonF& points);
    void polyPolygon(const std::vector<QPolygonF>& polygons);
    void polyPolyline(const std::vector<QPolygonF>& polylines);
    void setPixel(QPointF p, const QColor& colour);

    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void strokePath();
    void fillPath();
    void strokeAndFillPath();

    // ExtTextOut's options: ETO_OPAQUE 0x2, ETO_CLIPPED 0x4, ETO_GLYPH_INDEX 0x10. Each unit of the
    // run goes where its advance puts it; a run without advances takes the font's own spacing.
    void text(QPointF reference, const TextRun& run, const std::optional<QRectF>& box, quint32 options);
    // `source` in the bitmap's pixels; the bitmap is stretched onto the logical `target` (a negative
    // width or height on either side mirrors it) through `blend`.
    void bitmap(const QRectF& target, const QImage& image, const QRectF& source, const Blend& blend = {});
    // A rectangle filled with a brush and no outline (PATBLT and friends).
    void fill(const QRectF& target, const QBrush& brush);
    // A blit without a source bitmap: its raster operation on the brush and what is drawn.
    void patternBlit(const QRectF& target, quint32 rop);

private:
    QTransform logicalToImage() const;
    void blitAligned(const QTransform& sourceToImage, const QImage& image, const QRect& sourcePixels,
                     const Blend& blend);
    quint32 patternAt(int x, int y) const;
    bool prepare(const QRectF& logicalBounds, qint64 points);
    void applyClip();
    void paintPath(const QPainterPath& path, bool stroke, bool fill);
    // Whether `pen` dashes and `path` runs so far outside the image that Qt would take long over it;
    // such a stroke is drawn piece by piece, only near the image.
    bool dashesReachFar(const QPainterPath& path, const QPen& pen) const;
    // Whether a dashed pen that scales with the picture would lay several dashes on each pixel.
    bool dashesBelowPixel(const QPainterPath& path, const QPen& pen) const;
    void strokeDashesNearImage(const QPainterPath& path, const QPen& pen);
    void addPolyline(const QPolygonF& points, bool fromCurrent);
    QPainterPath arcPath(const QRectF& box, QPointF start, QPointF end, ArcKind kind) const;
    qint64 pathPoints() const { return path_.elementCount(); }
    double averageWidthPerPixel(const QFont& font);
    void drawNatural(const QTransform& frame, QPointF at, const QString& text, double stretch);
    // `serif`, when given, draws the characters of a symbol font that its stand-in draws badly.
    void drawSpaced(const QTransform& frame, QPointF at, const QString& text,
                    const std::vector<double>& advances, double unitAlong, double stretch,
                    const QFont* serif = nullptr);
    void drawGlyphIndices(const QTransform& frame, QPointF at, const QString& text,
                          const std::vector<double>& advances, double unitAlong, double stretch,
                          const QFont& font);

    QImage& image_;
    QPainter painter_;
    Mapping mapping_;
    DcState dc_;
    std::vector<DcState> saved_;
    qint64 budget_;
    bool recording_ = false;
    QPainterPath path_;
    bool textUsable_;
    QHash<QString, double> averageWidths_;
};

} // namespace metafile
