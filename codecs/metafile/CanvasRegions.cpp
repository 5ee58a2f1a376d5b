#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/PageTransform.h"

namespace metafile {

namespace {

// Regions beyond this many rectangles are not combined with others (path operations on them grow
// with the square of the count); real regions hold a few dozen.
constexpr std::size_t maxCombinedRects = 1024;
// What one region operation costs against the budget besides its rectangles.
constexpr qint64 regionCost = 10'000;

// The region as one path; its rectangles may overlap, which the winding rule fills once.
QPainterPath areaOf(const std::vector<QRectF>& rects) {
    QPainterPath area;
    area.setFillRule(Qt::WindingFill);
    for (const QRectF& rect : rects)
        area.addRect(rect.normalized());
    return area;
}

} // namespace

void Canvas::fillRects(const std::vector<QRectF>& rects, const QBrush& brush) {
    const QPainterPath area = areaOf(rects);
    if (!prepare(area.boundingRect(), qint64(rects.size()) * 4))
        return;
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(brush);
    painter_.drawPath(area);
}

void Canvas::frameRects(const std::vector<QRectF>& rects, const QBrush& brush, QSizeF thickness) {
    if (rects.empty() || rects.size() > maxCombinedRects)
        return;
    spend(regionCost + qint64(rects.size()) * qint64(rects.size()));
    // The inside that stays clear: the region eroded by the strokes, which is where the region and
    // its four copies moved by the strokes' width and height all overlap.
    const QPainterPath area = areaOf(rects).simplified();
    const double w = std::abs(thickness.width());
    const double h = std::abs(thickness.height());
    QPainterPath inside = area;
    for (const QPointF by : {QPointF(w, h), QPointF(-w, h), QPointF(w, -h), QPointF(-w, -h)})
        inside = inside.intersected(area.translated(by));
    const QPainterPath frame = area.subtracted(inside);
    if (!prepare(frame.boundingRect(), frame.elementCount()))
        return;
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(brush);
    painter_.drawPath(frame);
}

void Canvas::invertRects(const std::vector<QRectF>& rects) {
    const QPainterPath area = areaOf(rects);
    if (!prepare(area.boundingRect(), qint64(rects.size()) * 4))
        return;
    painter_.save();
    painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(Qt::black);
    painter_.drawPath(area);
    painter_.restore();
}

void Canvas::clipToRects(const std::vector<QRectF>& rects, quint32 mode) {
    const QTransform t = logicalToImage();
    if (rects.size() > maxCombinedRects || !saneTransform(t))
        return;
    spend(qint64(rects.size()) * 16);
    combineClip(t.map(areaOf(rects).simplified()), mode);
}

void Canvas::offsetClip(QPointF offset) {
    const QTransform t = logicalToImage();
    if (!dc_.clip || !saneTransform(t) || !saneCoordinate(offset.x()) || !saneCoordinate(offset.y()))
        return;
    spend(regionCost);
    dc_.clip = dc_.clip->translated(t.map(offset) - t.map(QPointF()));
    applyClip();
}

} // namespace metafile
