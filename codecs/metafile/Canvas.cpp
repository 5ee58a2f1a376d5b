#include "codecs/metafile/Canvas.h"

#include "codecs/metafile/Limits.h"
#include "codecs/metafile/PageTransform.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <cmath>

namespace metafile {

namespace {

// What one change of the clip costs against the budget: path intersections are not cheap.
constexpr qint64 clipCost = 10'000;

QPainterPath polygonPath(const QPolygonF& polygon) {
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    return path;
}

} // namespace

Canvas::Canvas(QImage& image, const Mapping& mapping)
    : image_(image), painter_(&image), mapping_(mapping), budget_(limits::drawingBudget),
      textUsable_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    // GDI draws without anti-aliasing; so does this, which also keeps colours exact.
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (mapping_.wmf)
        dc_.windowOrigin = mapping_.wmfWindow.topLeft();
}

Canvas::~Canvas() = default;

QTransform Canvas::logicalToImage() const {
    return dc_.world * pageTransform(dc_, mapping_) * mapping_.deviceToImage;
}

void Canvas::setMapMode(int mode) {
    if (mode >= MmText && mode <= MmAnisotropic)
        dc_.mapMode = mode;
}

void Canvas::setWindowOrigin(QPointF origin) {
    if (saneCoordinate(origin.x()) && saneCoordinate(origin.y()))
        dc_.windowOrigin = origin;
}

void Canvas::setViewportOrigin(QPointF origin) {
    if (saneCoordinate(origin.x()) && saneCoordinate(origin.y()))
        dc_.viewportOrigin = origin;
}

void Canvas::setWindowExtent(QSizeF extent) {
    if (saneExtent(extent))
        dc_.windowExtent = extent;
}

void Canvas::setViewportExtent(QSizeF extent) {
    if (saneExtent(extent))
        dc_.viewportExtent = extent;
}

void Canvas::scaleWindowExtent(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0)
        return;
    const QSizeF now = dc_.windowExtent.value_or(mapping_.wmf ? mapping_.wmfWindow.size() : QSizeF(1, 1));
    setWindowExtent(QSizeF(now.width() * xNum / xDenom, now.height() * yNum / yDenom));
}

void Canvas::scaleViewportExtent(double xNum, double xDenom, double yNum, double yDenom) {
    if (xDenom == 0 || yDenom == 0)
        return;
    const QSizeF now = dc_.viewportExtent.value_or(mapping_.wmf ? mapping_.imageSize : QSizeF(1, 1));
    setViewportExtent(QSizeF(now.width() * xNum / xDenom, now.height() * yNum / yDenom));
}

void Canvas::setWorldTransform(const QTransform& transform) {
    if (saneTransform(transform))
        dc_.world = transform;
}

void Canvas::modifyWorldTransform(const QTransform& transform, quint32 mode) {
    switch (mode) {
    case 1:
        dc_.world = QTransform();
        break;
    case 2:
        setWorldTransform(transform * dc_.world);
        break; // the new one applies first
    case 3:
        setWorldTransform(dc_.world * transform);
        break;
    case 4:
        setWorldTransform(transform);
        break;
    default:
        break;
    }
}

void Canvas::save() {
    if (saved_.size() < std::size_t(limits::maxSaveDepth))
        saved_.push_back(dc_);
}

bool Canvas::restore(int which) {
    const qint64 count = qint64(saved_.size());
    const qint64 index = which < 0 ? count + which : qint64(which) - 1;
    if (which == 0 || index < 0 || index >= count)
        return false;
    dc_ = saved_[std::size_t(index)];
    saved_.resize(std::size_t(index));
    applyClip();
    return true;
}

void Canvas::intersectClip(const QRectF& logical) {
    const QTransform t = logicalToImage();
    spend(clipCost);
    if (!saneTransform(t))
        return;
    const QPainterPath area = polygonPath(t.map(QPolygonF(logical.normalized())));
    dc_.clip = dc_.clip ? dc_.clip->intersected(area) : area;
    applyClip();
}

void Canvas::excludeClip(const QRectF& logical) {
    const QTransform t = logicalToImage();
    spend(clipCost);
    if (!saneTransform(t))
        return;
    QPainterPath whole;
    whole.addRect(QRectF(image_.rect()));
    dc_.clip = dc_.clip.value_or(whole).subtracted(polygonPath(t.map(QPolygonF(logical.normalized()))));
    applyClip();
}

void Canvas::resetClip() {
    dc_.clip.reset();
    applyClip();
}

void Canvas::combineClip(const std::optional<QPainterPath>& area, quint32 mode) {
    spend(clipCost);
    QPainterPath whole;
    whole.addRect(QRectF(image_.rect()));
    const QPainterPath current = dc_.clip.value_or(whole);
    if (!area) {
        if (mode == 5)
            dc_.clip.reset();
        applyClip();
        return;
    }
    switch (mode) {
    case 1:
        dc_.clip = current.intersected(*area);
        break;
    case 2:
        dc_.clip = current.united(*area);
        break;
    case 3:
        dc_.clip = current.united(*area).subtracted(current.intersected(*area));
        break;
    case 4:
        dc_.clip = current.subtracted(*area);
        break;
    case 5:
        dc_.clip = *area;
        break;
    default:
        return;
    }
    applyClip();
}

void Canvas::selectClipPath(quint32 mode) {
    recording_ = false;
    const QTransform t = logicalToImage();
    if (saneTransform(t) && pathPoints() > 0) {
        QPainterPath area = t.map(path_);
        area.closeSubpath();
        area.setFillRule(dc_.fillRule);
        combineClip(area, mode);
    }
    path_ = QPainterPath();
}

void Canvas::gradientRect(const QRectF& r, const QColor& from, const QColor& to, bool vertical) {
    if (!prepare(r, 4))
        return;
    const QRectF box = r.normalized();
    QLinearGradient gradient(box.topLeft(), vertical ? box.bottomLeft() : box.topRight());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter_.fillRect(box, gradient);
}

void Canvas::gradientTriangle(const QPolygonF& corners, const QColor colours[3]) {
    QPainterPath path = polygonPath(corners);
    if (!prepare(path.boundingRect(), 3))
        return;
    // Gouraud shading across the triangle, approximated: a gradient from the first corner to the
    // middle of the opposite side, over the triangle filled with the mean of the other two.
    const QColor far((colours[1].red() + colours[2].red()) / 2, (colours[1].green() + colours[2].green()) / 2,
                     (colours[1].blue() + colours[2].blue()) / 2);
    QLinearGradient gradient(corners[0], (corners[1] + corners[2]) / 2);
    gradient.setColorAt(0, colours[0]);
    gradient.setColorAt(1, far);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(gradient);
    painter_.drawPath(path);
}

void Canvas::setClip(std::optional<QPainterPath> imageClip) {
    dc_.clip = std::move(imageClip);
    applyClip();
}

void Canvas::paintDirect(const std::function<void(QPainter&)>& paint) {
    painter_.save();
    painter_.resetTransform();
    painter_.setClipping(false);
    paint(painter_);
    painter_.restore();
}

void Canvas::applyClip() {
    painter_.setTransform(QTransform());
    if (dc_.clip)
        painter_.setClipPath(*dc_.clip);
    else
        painter_.setClipping(false);
}

bool Canvas::prepare(const QRectF& logicalBounds, qint64 points) {
    if (exhausted())
        return false;
    const QTransform t = logicalToImage();
    if (!saneTransform(t))
        return false;
    double margin = 2;
    if (dc_.pen.style() != Qt::NoPen && !dc_.pen.isCosmetic())
        margin += std::min(dc_.pen.widthF() * std::sqrt(std::abs(t.determinant())), limits::maxPenPixels);
    const QRectF bounds = t.mapRect(logicalBounds.normalized()).adjusted(-margin, -margin, margin, margin);
    const QRectF visible = bounds.intersected(QRectF(image_.rect()));
    budget_ -= 1 + points;
    if (!std::isfinite(bounds.width()) || !std::isfinite(bounds.height()) || visible.isEmpty())
        return false;
    budget_ -= qint64(visible.width() * visible.height());
    painter_.setTransform(t);
    return true;
}

// The margin `prepare` gives the pen, and a pixel more for the rounding of another transform's
// bounds: a shape this finds outside the image is one `prepare` would not draw.
bool Canvas::missesImage(const QRectF& logicalBounds) const {
    if (recording_)
        return false;
    const QTransform t = logicalToImage();
    if (!saneTransform(t))
        return false;
    double margin = 3;
    if (dc_.pen.style() != Qt::NoPen && !dc_.pen.isCosmetic())
        margin += std::min(dc_.pen.widthF() * std::sqrt(std::abs(t.determinant())), limits::maxPenPixels);
    const QRectF bounds = t.mapRect(logicalBounds.normalized()).adjusted(-margin, -margin, margin, margin);
    return std::isfinite(bounds.width()) && std::isfinite(bounds.height()) &&
           !bounds.intersects(QRectF(image_.rect()));
}

void Canvas::paintPath(const QPainterPath& path, bool stroke, bool fill) {
    if (!prepare(path.controlPointRect(), path.elementCount()))
        return;
    QPen pen = stroke ? dc_.pen : QPen(Qt::NoPen);
    if (pen.style() != Qt::NoPen && !pen.isCosmetic()) {
        const double scale = std::sqrt(std::abs(painter_.transform().determinant()));
        if (pen.widthF() * scale > limits::maxPenPixels)
            pen.setWidthF(limits::maxPenPixels / scale);
        // Qt dashes such a pen in the path's own units. Where the mapping squeezes the path, its
        // dashes fall far below a pixel, thousands on every pixel drawn: dashed in pixels instead.
        if (dashesBelowPixel(path, pen)) {
            pen.setWidthF(0);
            pen.setCosmetic(true);
        }
    }
    painter_.setPen(pen);
    const Qt::BrushStyle style = dc_.brush.style();
    if (fill && dc_.opaqueBackground && style >= Qt::HorPattern && style <= Qt::DiagCrossPattern) {
        // A hatched brush's gaps take the background colour while the background mode is opaque.
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(dc_.backgroundColor);
        painter_.drawPath(path);
        painter_.setPen(pen);
    }
    painter_.setBrush(fill ? dc_.brush : QBrush(Qt::NoBrush));
    if (dashesReachFar(path, pen)) {
        painter_.setPen(Qt::NoPen);
        if (fill)
            painter_.drawPath(path);
        strokeDashesNearImage(path, pen);
        return;
    }
    painter_.drawPath(path);
}

void Canvas::moveTo(QPointF p) {
    dc_.currentPosition = p;
    if (recording_ && pathPoints() < limits::maxPathPoints)
        path_.moveTo(p);
}

void Canvas::lineTo(QPointF p) {
    addPolyline(QPolygonF{p}, true);
}

void Canvas::addPolyline(const QPolygonF& points, bool fromCurrent) {
    if (points.isEmpty())
        return;
    QPolygonF line = points;
    if (fromCurrent)
        line.prepend(dc_.currentPosition);
    if (recording_) {
        if (pathPoints() + line.size() > limits::maxPathPoints)
            return;
        if (!fromCurrent || path_.elementCount() == 0)
            path_.moveTo(line.first());
        for (qsizetype i = 1; i < line.size(); ++i)
            path_.lineTo(line[i]);
    } else {
        QPainterPath path;
        path.addPolygon(line);
        paintPath(path, true, false);
    }
    if (fromCurrent)
        dc_.currentPosition = line.last();
}

void Canvas::rectangle(const QRectF& r) {
    QPainterPath path;
    path.addRect(r.normalized());
    if (recording_)
        path_.addPath(path);
    else
        paintPath(path, true, true);
}

void Canvas::roundRect(const QRectF& r, QSizeF corner) {
    QPainterPath path;
    const QRectF box = r.normalized();
    path.addRoundedRect(box, std::min(std::abs(corner.width()) / 2, box.width() / 2),
                        std::min(std::abs(corner.height()) / 2, box.height() / 2));
    if (recording_)
        path_.addPath(path);
    else
        paintPath(path, true, true);
}

void Canvas::ellipse(const QRectF& r) {
    QPainterPath path;
    path.addEllipse(r.normalized());
    if (recording_)
        path_.addPath(path);
    else
        paintPath(path, true, true);
}

QPainterPath Canvas::arcPath(const QRectF& rawBox, QPointF start, QPointF end, ArcKind kind) const {
    const QRectF box = rawBox.normalized();
    const QPointF c = box.center();
    const double rx = std::max(box.width() / 2, 1e-9);
    const double ry = std::max(box.height() / 2, 1e-9);
    // Qt counts angles counter-clockwise as seen with y growing downwards, as GDI does.
    const auto angle = [&](QPointF p) {
        return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180 / M_PI;
    };
    const double from = angle(start);
    double sweep = angle(end) - from;
    if (dc_.clockwiseArcs) {
        while (sweep >= 0)
            sweep -= 360;
    } else {
        while (sweep <= 0)
            sweep += 360;
    }
    QPainterPath path;
    if (kind == ArcKind::Pie) {
        path.moveTo(c);
        path.arcTo(box, from, sweep);
        path.closeSubpath();
        return path;
    }
    if (kind == ArcKind::ArcTo) {
        path.moveTo(dc_.currentPosition);
        QPainterPath arc;
        arc.arcMoveTo(box, from);
        path.lineTo(arc.currentPosition());
    } else {
        path.arcMoveTo(box, from);
    }
    path.arcTo(box, from, sweep);
    if (kind == ArcKind::Chord)
        path.closeSubpath();
    return path;
}

void Canvas::arc(const QRectF& box, QPointF start, QPointF end, ArcKind kind) {
    const QPainterPath path = arcPath(box, start, end, kind);
    if (recording_)
        path_.addPath(path);
    else
        paintPath(path, true, kind == ArcKind::Chord || kind == ArcKind::Pie);
    if (kind == ArcKind::ArcTo)
        dc_.currentPosition = path.currentPosition();
}

void Canvas::polygon(const QPolygonF& points) {
    if (points.size() < 2)
        return;
    QPainterPath path = polygonPath(points);
    path.setFillRule(dc_.fillRule);
    if (recording_) {
        if (pathPoints() + points.size() <= limits::maxPathPoints)
            path_.addPath(path);
    } else {
        paintPath(path, true, true);
    }
}

void Canvas::polyline(const QPolygonF& points) {
    if (points.size() >= 2)
        addPolyline(points, false);
}

void Canvas::polylineTo(const QPolygonF& points) {
    addPolyline(points, true);
}

void Canvas::polyBezier(const QPolygonF& points) {
    if (points.size() < 4)
        return;
    dc_.currentPosition = points.first();
    if (recording_)
        path_.moveTo(points.first());
    polyBezierTo(points.mid(1));
}

void Canvas::polyBezierTo(const QPolygonF& points) {
    if (points.size() < 3 || (recording_ && pathPoints() + points.size() > limits::maxPathPoints))
        return;
    QPainterPath path;
    path.moveTo(dc_.currentPosition);
    for (qsizetype i = 0; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (recording_) {
        if (path_.elementCount() == 0)
            path_.moveTo(dc_.currentPosition);
        path_.connectPath(path);
    } else {
        paintPath(path, true, false);
    }
    dc_.currentPosition = path.currentPosition();
}

void Canvas::polyPolygon(const std::vector<QPolygonF>& polygons) {
    QPainterPath path;
    path.setFillRule(dc_.fillRule);
    for (const QPolygonF& polygon : polygons) {
        if (polygon.size() >= 2)
            path.addPath(polygonPath(polygon));
    }
    if (recording_) {
        if (pathPoints() + path.elementCount() <= limits::maxPathPoints)
            path_.addPath(path);
    } else {
        paintPath(path, true, true);
    }
}

void Canvas::polyPolyline(const std::vector<QPolygonF>& polylines) {
    for (const QPolygonF& line : polylines)
        polyline(line);
}

void Canvas::setPixel(QPointF p, const QColor& colour) {
    if (!prepare(QRectF(p, QSizeF(1, 1)), 1))
        return;
    const QPointF at = painter_.transform().map(p);
    painter_.resetTransform();
    painter_.fillRect(QRectF(std::floor(at.x()), std::floor(at.y()), 1, 1), colour);
}

void Canvas::beginPath() {
    recording_ = true;
    path_ = QPainterPath();
    path_.moveTo(dc_.currentPosition);
}

void Canvas::endPath() {
    recording_ = false;
}

void Canvas::abortPath() {
    recording_ = false;
    path_ = QPainterPath();
}

void Canvas::closeFigure() {
    if (recording_)
        path_.closeSubpath();
}

void Canvas::strokePath() {
    recording_ = false;
    paintPath(path_, true, false);
    path_ = QPainterPath();
}

void Canvas::fillPath() {
    recording_ = false;
    path_.setFillRule(dc_.fillRule);
    paintPath(path_, false, true);
    path_ = QPainterPath();
}

void Canvas::strokeAndFillPath() {
    recording_ = false;
    path_.setFillRule(dc_.fillRule);
    paintPath(path_, true, true);
    path_ = QPainterPath();
}

} // namespace metafile
