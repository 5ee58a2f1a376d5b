#include "codecs/metafile/EmfPlusGeometry.h"

#include <cmath>

namespace metafile::emfplus {

namespace {

// GDI+ draws cardinal splines as Béziers whose control points lie this share of the tension along the
// neighbours' chord.
constexpr double tensionScale = 0.3;

} // namespace

qint64 rasterWork(const QPainterPath& path, const QTransform& toImage, QSizeF image, Raster raster,
                  bool antialias) {
    // Nanoseconds per element, and per scan line an edge crosses, of Qt 6's raster engine.
    const double n = path.elementCount();
    double crossings = 0;
    double length = 0;
    QPointF previous;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPointF p = toImage.map(QPointF(path.elementAt(i)));
        const QPointF at(std::clamp(p.x(), -1.0, image.width() + 1),
                         std::clamp(p.y(), -1.0, image.height() + 1));
        if (i > 0 && !path.elementAt(i).isMoveTo()) {
            crossings += std::abs(at.y() - previous.y());
            length += std::abs(at.x() - previous.x()) + std::abs(at.y() - previous.y());
        }
        previous = at;
    }
    const double log = std::log2(n + 2);
    double work = 0;
    switch (raster) {
    case Raster::Fill:
        work = antialias ? n * 400 + crossings * n * 20 : n * 50 + crossings * log * 25;
        break;
    case Raster::Stroke:
        work = antialias ? n * 6000 + crossings * n * 80 : n * 1000 + crossings * log * 25;
        break;
    case Raster::Hairline:
        work = n * 100 + length * (antialias ? 20 : 5);
        break;
    }
    return qint64(std::min(work, 1e15));
}

QPainterPath cardinalSpline(const QPolygonF& points, double tension, bool closed, qint64 offset,
                            qint64 segments) {
    QPainterPath path;
    const qint64 n = points.size();
    if (n < 2)
        return path;
    const double a = tension * tensionScale;
    const auto at = [&](qint64 i) {
        if (closed)
            return points[((i % n) + n) % n];
        return points[std::clamp<qint64>(i, 0, n - 1)];
    };
    const qint64 total = closed ? n : n - 1;
    const qint64 first = std::clamp<qint64>(offset, 0, total);
    const qint64 last = segments < 0 ? total : std::min(total, first + segments);
    path.moveTo(at(first));
    for (qint64 i = first; i < last; ++i) {
        // At an open curve's ends the missing neighbour is the end point itself.
        const QPointF c1 = at(i) + a * (at(i + 1) - at(i - 1));
        const QPointF c2 = at(i + 1) - a * (at(i + 2) - at(i));
        path.cubicTo(c1, c2, at(i + 1));
    }
    if (closed)
        path.closeSubpath();
    return path;
}

QPainterPath ellipseArc(const QRectF& rawBox, double startDegrees, double sweepDegrees, bool pie) {
    const QRectF box = rawBox.normalized();
    const double rx = box.width() / 2;
    const double ry = box.height() / 2;
    // The parameter of the point seen at `degrees` from the centre, in Qt's counter-clockwise sense.
    const auto parameter = [&](double degrees) {
        const double radians = degrees * M_PI / 180;
        return -std::atan2(rx * std::sin(radians), ry * std::cos(radians)) * 180 / M_PI;
    };
    const double from = parameter(startDegrees);
    double sweep = 0;
    if (std::abs(sweepDegrees) >= 360) {
        sweep = sweepDegrees > 0 ? -360 : 360;
    } else if (sweepDegrees != 0) {
        sweep = parameter(startDegrees + sweepDegrees) - from;
        while (sweepDegrees > 0 && sweep >= 0)
            sweep -= 360;
        while (sweepDegrees < 0 && sweep <= 0)
            sweep += 360;
    }
    QPainterPath path;
    if (pie)
        path.moveTo(box.center());
    else
        path.arcMoveTo(box, from);
    path.arcTo(box, from, sweep);
    if (pie)
        path.closeSubpath();
    return path;
}

} // namespace metafile::emfplus
