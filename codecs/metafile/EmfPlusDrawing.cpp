#include "codecs/metafile/Canvas.h"
#include "codecs/metafile/EmfPlusAreas.h"
#include "codecs/metafile/EmfPlusGeometry.h"
#include "codecs/metafile/EmfPlusPlayer.h"
#include "codecs/metafile/EmfPlusReader.h"
#include "codecs/metafile/EmfPlusRecords.h"
#include "codecs/metafile/Limits.h"
#include "codecs/metafile/PageTransform.h"

#include <QPainter>
#include <cmath>

namespace metafile {

using namespace emfplus;

namespace {

// DrawLines closes its figure with this flag; some writers use the bit below it.
constexpr quint16 flagClosed = 0x2000 | 0x0400;
constexpr quint16 flagWinding = 0x2000;
// Anti-aliasing costs far more than plain drawing once outlines overlap; a drawing that would cost
// more than this (about a twentieth of a second) is drawn plainly.
constexpr qint64 maxAntialiasedWork = 50'000'000;
// Qt repeats a dash pattern at most this often along a line, and drawing a dash costs about a stroke's
// element.
constexpr double maxDashes = 10'000;
constexpr double dashWork = 2000;

// The end of the path's first figure (`atStart`) or of its last, and a point before it on the way
// there; false when the figure has no length.
bool figureEnd(const QPainterPath& path, bool atStart, QPointF& end, QPointF& from) {
    const int n = path.elementCount();
    if (n < 2)
        return false;
    if (atStart) {
        end = path.elementAt(0);
        for (int i = 1; i < n && !path.elementAt(i).isMoveTo(); ++i) {
            if (QPointF(path.elementAt(i)) != end) {
                from = path.elementAt(i);
                return true;
            }
        }
        return false;
    }
    end = path.elementAt(n - 1);
    for (int i = n - 1; i-- > 0;) {
        if (QPointF(path.elementAt(i)) != end) {
            from = path.elementAt(i);
            return true;
        }
        if (path.elementAt(i).isMoveTo())
            break;
    }
    return false;
}

QPainterPath rectsPath(Reader& in, quint16 flags) {
    const qint64 count = in.u32();
    QPainterPath path;
    if (!in.has(count, (flags & flagCompressed) ? 8 : 16))
        return path;
    for (qint64 i = 0; i < count && in.ok(); ++i)
        path.addRect(in.rect(flags & flagCompressed).normalized());
    return in.ok() ? path : QPainterPath();
}

QPainterPath polygonPath(const QPolygonF& points, bool closed) {
    QPainterPath path;
    path.addPolygon(points);
    if (closed)
        path.closeSubpath();
    return path;
}

} // namespace

bool EmfPlusPlayer::paint(const QRectF& imageBounds, qint64 work, const QTransform& toImage,
                          const std::function<void(QPainter&)>& draw, bool antialias, const QRegion* within) {
    if (canvas_.exhausted() || !saneTransform(toImage))
        return false;
    canvas_.spend(1 + work);
    const QRectF bounds = imageBounds.adjusted(-1, -1, 1, 1);
    QRectF visible = bounds.intersected(QRectF(QPointF(), canvas_.imageSize()));
    std::optional<QRegion> clip = state_.clip;
    if (within)
        clip = clip ? clip->intersected(*within) : *within;
    if (clip)
        visible = visible.intersected(QRectF(clip->boundingRect()));
    if (!std::isfinite(bounds.width()) || !std::isfinite(bounds.height()) || visible.isEmpty())
        return false;
    // Each drawing sets the clip afresh.
    canvas_.spend(qint64(visible.width() * visible.height()) + (clip ? clipWork(*clip) : 0));
    canvas_.paintDirect([&](QPainter& painter) {
        if (clip)
            painter.setClipRegion(*clip);
        painter.setRenderHint(QPainter::Antialiasing, antialias);
        painter.setRenderHint(QPainter::TextAntialiasing, state_.textAntialias);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, state_.smoothImages);
        if (state_.sourceCopy)
            painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setTransform(toImage);
        draw(painter);
    });
    return true;
}

EmfPlusPlayer::RasterPlan EmfPlusPlayer::rasterPlan(const QPainterPath& path, const QTransform& toImage,
                                                    Raster raster) const {
    const QSizeF image(canvas_.imageSize());
    if (state_.antialias) {
        const qint64 work = rasterWork(path, toImage, image, raster, true);
        if (work <= maxAntialiasedWork)
            return {true, work};
    }
    return {false, rasterWork(path, toImage, image, raster, false)};
}

std::optional<Brush> EmfPlusPlayer::brush(quint16 flags, quint32 brushOrColour) const {
    if (flags & flagColour)
        return solidBrush(argbColour(brushOrColour));
    if (const Brush* object = objects_.get<Brush>(brushOrColour))
        return *object;
    return std::nullopt;
}

void EmfPlusPlayer::fill(const QPainterPath& path, quint16 flags, quint32 brushOrColour) {
    const std::optional<Brush> paintWith = brush(flags, brushOrColour);
    if (!paintWith || path.isEmpty())
        return;
    const QTransform toImage = worldToImage();
    const RasterPlan plan = rasterPlan(path, toImage, Raster::Fill);
    paint(
        toImage.mapRect(path.controlPointRect()), plan.work * (paintWith->background ? 2 : 1), toImage,
        [&](QPainter& painter) {
            if (paintWith->background)
                painter.fillPath(path, *paintWith->background);
            painter.fillPath(path, paintWith->brush);
        },
        plan.antialias);
}

void EmfPlusPlayer::stroke(const QPainterPath& path, quint32 penId) {
    const Pen* pen = objects_.get<Pen>(penId);
    if (!pen || path.isEmpty())
        return;
    const QTransform toImage = worldToImage();
    const double scale = std::sqrt(std::abs(toImage.determinant()));
    double width = worldLength(pen->width, pen->unit);
    if (!std::isfinite(width) || !(scale > 0))
        return;
    // Lines thinner than a pixel are drawn a pixel wide, as GDI+ does.
    const bool thin = width * scale < 1;
    width = std::min(width, limits::maxPenPixels / scale);
    QPen qpen(pen->brush.brush, thin ? 0 : width, Qt::SolidLine, pen->cap, pen->join);
    qpen.setMiterLimit(pen->miterLimit);
    if (pen->style == Qt::CustomDashLine) {
        qpen.setDashPattern(pen->dashes);
        qpen.setDashOffset(pen->dashOffset);
    }
    const bool anchors = !pen->startAnchor.isEmpty() || !pen->endAnchor.isEmpty();
    const double anchorWidth = thin ? 1 / scale : width;
    const double margin = (thin ? 1 : width * scale) * (anchors ? 4 : 1);
    const QRectF bounds = toImage.mapRect(path.controlPointRect()).adjusted(-margin, -margin, margin, margin);
    RasterPlan plan = rasterPlan(path, toImage, thin ? Raster::Hairline : Raster::Stroke);
    if (pen->style == Qt::CustomDashLine) {
        double period = 0;
        for (const qreal dash : pen->dashes)
            period += dash * (thin ? 1 : width * scale);
        const double length = bounds.width() + bounds.height();
        plan.work += qint64(std::min(length / std::max(period, 1e-3), maxDashes) * dashWork);
    }
    paint(
        bounds, plan.work, toImage,
        [&](QPainter& painter) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(qpen);
            painter.drawPath(path);
            QPointF end, from;
            if (!pen->startAnchor.isEmpty() && figureEnd(path, true, end, from))
                drawAnchor(painter, *pen, pen->startAnchor, pen->startAnchorFilled, end, from, anchorWidth);
            if (!pen->endAnchor.isEmpty() && figureEnd(path, false, end, from))
                drawAnchor(painter, *pen, pen->endAnchor, pen->endAnchorFilled, end, from, anchorWidth);
        },
        plan.antialias);
}

// The anchor's frame: the line's end at the origin, the line arriving along +y, one pen width a unit.
void EmfPlusPlayer::drawAnchor(QPainter& painter, const Pen& pen, const QPainterPath& shape, bool filled,
                               QPointF end, QPointF from, double width) {
    const QPointF along = end - from;
    const double length = std::hypot(along.x(), along.y());
    if (!(length > 0))
        return;
    const QPointF dir = along / length;
    const QTransform frame(-dir.y() * width, dir.x() * width, dir.x() * width, dir.y() * width, end.x(),
                           end.y());
    const QPainterPath placed = frame.map(shape);
    painter.setPen(filled ? QPen(Qt::NoPen) : QPen(pen.brush.brush, 0));
    painter.setBrush(filled ? pen.brush.brush : QBrush(Qt::NoBrush));
    painter.drawPath(placed);
}

bool EmfPlusPlayer::shapeRecord(quint16 type, quint16 flags, Reader& in) {
    const bool compressed = flags & flagCompressed;
    const quint8 object = flags & 0xFF;
    switch (type) {
    case RecordClear: {
        const QColor colour = in.argb();
        const QRectF image(QPointF(), canvas_.imageSize());
        if (in.ok())
            paint(
                image, 0, QTransform(), [&](QPainter& painter) { painter.fillRect(image, colour); }, false);
        return true;
    }
    case RecordFillRects: {
        const quint32 brushOrColour = in.u32();
        const QPainterPath rects = rectsPath(in, flags);
        if (in.ok())
            fill(rects, flags, brushOrColour);
        return true;
    }
    case RecordDrawRects: {
        const QPainterPath rects = rectsPath(in, flags);
        if (in.ok())
            stroke(rects, object);
        return true;
    }
    case RecordFillPolygon: {
        const quint32 brushOrColour = in.u32();
        const QPolygonF points = in.points(in.u32(), flags);
        if (in.ok())
            fill(polygonPath(points, true), flags, brushOrColour);
        return true;
    }
    case RecordDrawLines: {
        const QPolygonF points = in.points(in.u32(), flags);
        if (in.ok())
            stroke(polygonPath(points, flags & flagClosed), object);
        return true;
    }
    case RecordFillEllipse:
    case RecordDrawEllipse: {
        const quint32 brushOrColour = type == RecordFillEllipse ? in.u32() : 0;
        QPainterPath ellipse;
        ellipse.addEllipse(in.rect(compressed).normalized());
        if (in.ok() && type == RecordFillEllipse)
            fill(ellipse, flags, brushOrColour);
        else if (in.ok())
            stroke(ellipse, object);
        return true;
    }
    case RecordFillPie:
    case RecordDrawPie:
    case RecordDrawArc: {
        const quint32 brushOrColour = type == RecordFillPie ? in.u32() : 0;
        const double start = in.coordinate();
        const double sweep = in.coordinate();
        const QRectF box = in.rect(compressed);
        if (!in.ok())
            return true;
        const QPainterPath arc = ellipseArc(box, start, sweep, type != RecordDrawArc);
        if (type == RecordFillPie)
            fill(arc, flags, brushOrColour);
        else
            stroke(arc, object);
        return true;
    }
    case RecordFillRegion: {
        const quint32 brushOrColour = in.u32();
        const emfplus::Region* region = objects_.get<emfplus::Region>(object);
        const std::optional<Brush> paintWith = brush(flags, brushOrColour);
        const QTransform toImage = worldToImage();
        if (!in.ok() || !region || !paintWith || !saneTransform(toImage))
            return true;
        qint64 work = 0;
        const QRegion area = regionArea(*region, toImage, canvas_.imageSize(), work, canvas_.budgetLeft());
        // The brush fills the region's bounds in world coordinates, where gradients and textures lie.
        const QRectF bounds = toImage.inverted().mapRect(QRectF(area.boundingRect()));
        paint(
            QRectF(area.boundingRect()), work, toImage,
            [&](QPainter& painter) {
                if (paintWith->background)
                    painter.fillRect(bounds, *paintWith->background);
                painter.fillRect(bounds, paintWith->brush);
            },
            false, &area);
        return true;
    }
    case RecordFillPath:
    case RecordDrawPath: {
        const quint32 brushOrPen = in.u32();
        const QPainterPath* path = objects_.get<QPainterPath>(object);
        if (in.ok() && path && type == RecordFillPath)
            fill(*path, flags, brushOrPen);
        else if (in.ok() && path)
            stroke(*path, brushOrPen);
        return true;
    }
    default:
        return false;
    }
}

bool EmfPlusPlayer::curveRecord(quint16 type, quint16 flags, Reader& in) {
    const quint8 object = flags & 0xFF;
    switch (type) {
    case RecordFillClosedCurve: {
        const quint32 brushOrColour = in.u32();
        const double tension = in.coordinate();
        const QPolygonF points = in.points(in.u32(), flags);
        if (!in.ok())
            return true;
        QPainterPath curve = cardinalSpline(points, tension, true);
        curve.setFillRule((flags & flagWinding) ? Qt::WindingFill : Qt::OddEvenFill);
        fill(curve, flags, brushOrColour);
        return true;
    }
    case RecordDrawClosedCurve: {
        const double tension = in.coordinate();
        const QPolygonF points = in.points(in.u32(), flags);
        if (in.ok())
            stroke(cardinalSpline(points, tension, true), object);
        return true;
    }
    case RecordDrawCurve: {
        const double tension = in.coordinate();
        const qint64 offset = in.u32();
        const qint64 segments = in.u32();
        const QPolygonF points = in.points(in.u32(), flags);
        if (in.ok())
            stroke(cardinalSpline(points, tension, false, offset, segments), object);
        return true;
    }
    case RecordDrawBeziers: {
        const QPolygonF points = in.points(in.u32(), flags);
        if (!in.ok() || points.size() < 4)
            return true;
        QPainterPath curve(points.first());
        for (qsizetype i = 1; i + 2 < points.size(); i += 3)
            curve.cubicTo(points[i], points[i + 1], points[i + 2]);
        stroke(curve, object);
        return true;
    }
    default:
        return false;
    }
}

} // namespace metafile
