#include "codecs/metafile/WmfPlayer.h"

namespace metafile {

namespace {

std::optional<QPolygonF> readPoints16(const Bytes& r, qint64 at, qint64 count) {
    if (!r.has(at, count * 4))
        return std::nullopt;
    QPolygonF points;
    points.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        points.append(QPointF(r.i16(at + 4 * i), r.i16(at + 4 * i + 2)));
    return points;
}

} // namespace

bool WmfPlayer::drawingRecord(quint16 function, const Bytes& r, bool& handled) {
    handled = true;
    const auto pointAt = [&](qint64 at) { return QPointF(r.i16(at + 2), r.i16(at)); };
    const auto rectAt = [&](qint64 at) { // bottom, right, top, left
        return QRectF(QPointF(r.i16(at + 6), r.i16(at + 4)), QPointF(r.i16(at + 2), r.i16(at)));
    };
    switch (function) {
    case 0x0213:
        canvas_.lineTo(pointAt(6));
        break;
    case 0x041B:
        canvas_.rectangle(rectAt(6));
        break;
    case 0x0418:
        canvas_.ellipse(rectAt(6));
        break;
    case 0x061C:
        canvas_.roundRect(rectAt(10), QSizeF(r.i16(8), r.i16(6)));
        break;
    case 0x0817:
        canvas_.arc(rectAt(14), pointAt(10), pointAt(6), Canvas::ArcKind::Arc);
        break;
    case 0x081A:
        canvas_.arc(rectAt(14), pointAt(10), pointAt(6), Canvas::ArcKind::Pie);
        break;
    case 0x0830:
        canvas_.arc(rectAt(14), pointAt(10), pointAt(6), Canvas::ArcKind::Chord);
        break;
    case 0x041F:
        canvas_.setPixel(pointAt(10), colorRef(r.u32(6)));
        break;
    case 0x0324:   // POLYGON
    case 0x0325: { // POLYLINE
        const std::optional<QPolygonF> points = readPoints16(r, 8, r.u16(6));
        if (!points)
            return false;
        if (function == 0x0324)
            canvas_.polygon(*points);
        else
            canvas_.polyline(*points);
        break;
    }
    case 0x0538: { // POLYPOLYGON
        const qint64 polygons = r.u16(6);
        if (!r.has(8, polygons * 2))
            return false;
        qint64 total = 0;
        for (qint64 i = 0; i < polygons; ++i)
            total += r.u16(8 + 2 * i);
        const std::optional<QPolygonF> points = readPoints16(r, 8 + polygons * 2, total);
        if (!points)
            return false;
        std::vector<QPolygonF> parts;
        qint64 used = 0;
        for (qint64 i = 0; i < polygons; ++i) {
            const qint64 count = r.u16(8 + 2 * i);
            if (count > 0)
                parts.push_back(points->mid(used, count));
            used += count;
        }
        canvas_.polyPolygon(parts);
        break;
    }
    default:
        handled = false;
        break;
    }
    return true;
}

} // namespace metafile
