#include "codecs/metafile/EmfPlayer.h"

#include <uemf.h>

namespace metafile {

QRectF readRectL(const Bytes& r, qint64 at) {
    const double left = r.i32(at);
    const double top = r.i32(at + 4);
    return QRectF(QPointF(left, top), QPointF(r.i32(at + 8), r.i32(at + 12)));
}

std::optional<QPolygonF> readPoints(const Bytes& r, qint64 offset, qint64 count, bool wide) {
    const qint64 pointSize = wide ? 8 : 4;
    if (count < 0 || !r.has(offset, count * pointSize))
        return std::nullopt;
    QPolygonF points;
    points.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        const qint64 at = offset + i * pointSize;
        if (wide)
            points.append(QPointF(r.i32(at), r.i32(at + 4)));
        else
            points.append(QPointF(r.i16(at), r.i16(at + 2)));
    }
    return points;
}

bool EmfPlayer::shapeRecord(quint32 type, const Bytes& r, bool& handled) {
    handled = true;
    const auto pointAt = [&](qint64 at) { return QPointF(r.i32(at), r.i32(at + 4)); };
    switch (type) {
    case U_EMR_RECTANGLE:
        canvas_.rectangle(readRectL(r, 8));
        break;
    case U_EMR_ELLIPSE:
        canvas_.ellipse(readRectL(r, 8));
        break;
    case U_EMR_ROUNDRECT:
        canvas_.roundRect(readRectL(r, 8), QSizeF(r.i32(24), r.i32(28)));
        break;
    case U_EMR_ARC:
        canvas_.arc(readRectL(r, 8), pointAt(24), pointAt(32), Canvas::ArcKind::Arc);
        break;
    case U_EMR_ARCTO:
        canvas_.arc(readRectL(r, 8), pointAt(24), pointAt(32), Canvas::ArcKind::ArcTo);
        break;
    case U_EMR_CHORD:
        canvas_.arc(readRectL(r, 8), pointAt(24), pointAt(32), Canvas::ArcKind::Chord);
        break;
    case U_EMR_PIE:
        canvas_.arc(readRectL(r, 8), pointAt(24), pointAt(32), Canvas::ArcKind::Pie);
        break;
    case U_EMR_LINETO:
        canvas_.lineTo(pointAt(8));
        break;
    case U_EMR_GRADIENTFILL: {
        // TRIVERTEX: x, y, then red, green, blue and alpha in 16 bits each; then the rectangles or
        // triangles as indices into them.
        const qint64 vertices = r.u32(24);
        const qint64 shapes = r.u32(28);
        const quint32 mode = r.u32(32);
        const qint64 indexSize = mode == 2 ? 12 : 8;
        if (!r.has(36, vertices * 16) || !r.has(36 + vertices * 16, shapes * indexSize))
            return false;
        const auto point = [&](qint64 v) { return QPointF(r.i32(36 + 16 * v), r.i32(40 + 16 * v)); };
        const auto colour = [&](qint64 v) {
            return QColor(r.u16(44 + 16 * v) >> 8, r.u16(46 + 16 * v) >> 8, r.u16(48 + 16 * v) >> 8);
        };
        const qint64 indices = 36 + vertices * 16;
        for (qint64 i = 0; i < shapes; ++i) {
            const qint64 a = r.u32(indices + indexSize * i);
            const qint64 b = r.u32(indices + indexSize * i + 4);
            if (a >= vertices || b >= vertices)
                continue;
            if (mode == 2) {
                const qint64 c = r.u32(indices + indexSize * i + 8);
                if (c >= vertices)
                    continue;
                const QColor colours[3] = {colour(a), colour(b), colour(c)};
                canvas_.gradientTriangle(QPolygonF{point(a), point(b), point(c)}, colours);
            } else {
                canvas_.gradientRect(QRectF(point(a), point(b)), colour(a), colour(b), mode == 1);
            }
        }
        break;
    }
    default:
        handled = false;
        break;
    }
    return r.ok();
}

bool EmfPlayer::pointsRecord(quint32 type, const Bytes& r, bool& handled) {
    handled = true;
    const bool wide = type < U_EMR_POLYBEZIER16;
    switch (type) {
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO:
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16: {
        const std::optional<QPolygonF> points = readPoints(r, 28, r.u32(24), wide);
        if (!points)
            return false;
        switch (type) {
        case U_EMR_POLYBEZIER:
        case U_EMR_POLYBEZIER16:
            canvas_.polyBezier(*points);
            break;
        case U_EMR_POLYGON:
        case U_EMR_POLYGON16:
            canvas_.polygon(*points);
            break;
        case U_EMR_POLYLINE:
        case U_EMR_POLYLINE16:
            canvas_.polyline(*points);
            break;
        case U_EMR_POLYBEZIERTO:
        case U_EMR_POLYBEZIERTO16:
            canvas_.polyBezierTo(*points);
            break;
        default:
            canvas_.polylineTo(*points);
            break;
        }
        break;
    }
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16: {
        const qint64 polygons = r.u32(24);
        const qint64 total = r.u32(28);
        if (!r.has(32, polygons * 4))
            return false;
        const std::optional<QPolygonF> points = readPoints(r, 32 + polygons * 4, total, wide);
        if (!points)
            return false;
        std::vector<QPolygonF> parts;
        qint64 used = 0;
        for (qint64 i = 0; i < polygons; ++i) {
            const qint64 count = r.u32(32 + i * 4);
            if (count > total - used)
                return false;
            if (count > 0)
                parts.push_back(points->mid(used, count));
            used += count;
        }
        if (type == U_EMR_POLYPOLYGON || type == U_EMR_POLYPOLYGON16)
            canvas_.polyPolygon(parts);
        else
            canvas_.polyPolyline(parts);
        break;
    }
    default:
        handled = false;
        break;
    }
    return r.ok();
}

} // namespace metafile
