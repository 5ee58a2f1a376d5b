#include "codecs/metafile/WmfPlayer.h"

namespace metafile {

namespace {

// A Region object of CREATEREGION at `at`: its header (the bounding rectangle at +14, the count of
// scans at +10), then each scan: a count of x values, its top and bottom, the left and right of each
// of its spans, the count again. A region of no scans is its bounding rectangle.
std::optional<std::vector<QRectF>> readRegion(const Bytes& r, qint64 at) {
    const qint64 scans = r.u16(at + 10);
    const QRectF bounds(QPointF(r.i16(at + 14), r.i16(at + 16)), QPointF(r.i16(at + 18), r.i16(at + 20)));
    if (!r.ok())
        return std::nullopt;
    std::vector<QRectF> rects;
    if (scans == 0) {
        if (!bounds.normalized().isEmpty())
            rects.push_back(bounds.normalized());
        return rects;
    }
    qint64 scan = at + 22;
    for (qint64 i = 0; i < scans; ++i) {
        const qint64 values = r.u16(scan);
        const double top = r.i16(scan + 2);
        const double bottom = r.i16(scan + 4);
        if (!r.ok() || values % 2 != 0 || !r.has(scan + 6, values * 2 + 2))
            return std::nullopt;
        for (qint64 v = 0; v < values; v += 2)
            rects.emplace_back(QPointF(r.i16(scan + 6 + 2 * v), top),
                               QPointF(r.i16(scan + 8 + 2 * v), bottom));
        scan += 6 + values * 2 + 2;
    }
    return rects;
}

} // namespace

bool WmfPlayer::regionRecord(quint16 function, const Bytes& r, bool& handled) {
    handled = true;
    const auto regionAt = [&](qint64 at) -> const Region* {
        const GdiObject* object = objects_.get(r.u16(at));
        return object ? std::get_if<Region>(object) : nullptr;
    };
    const auto brushAt = [&](qint64 at) -> const QBrush* {
        const GdiObject* object = objects_.get(r.u16(at));
        return object ? std::get_if<QBrush>(object) : nullptr;
    };
    switch (function) {
    case 0x06FF: { // CREATEREGION
        std::optional<std::vector<QRectF>> rects = readRegion(r, 6);
        if (!rects)
            return false;
        canvas_.spend(qint64(rects->size()));
        objects_.putLowest(Region{std::move(*rects)});
        break;
    }
    case 0x012C: // SELECTCLIPREGION: the region becomes the clip
        if (const Region* region = regionAt(6))
            canvas_.clipToRects(region->rects, 5);
        break;
    case 0x0228: // FILLREGION: region, brush
        if (const Region* region = regionAt(6); region && brushAt(8))
            canvas_.fillRects(region->rects, *brushAt(8));
        break;
    case 0x0429: // FRAMEREGION: region, brush, height, width
        if (const Region* region = regionAt(6); region && brushAt(8))
            canvas_.frameRects(region->rects, *brushAt(8), QSizeF(r.i16(12), r.i16(10)));
        break;
    case 0x012B: // PAINTREGION
        if (const Region* region = regionAt(6))
            canvas_.fillRects(region->rects, canvas_.dc().brush);
        break;
    case 0x012A: // INVERTREGION
        if (const Region* region = regionAt(6))
            canvas_.invertRects(region->rects);
        break;
    case 0x0220: // OFFSETCLIPRGN: y, x
        canvas_.offsetClip(QPointF(r.i16(8), r.i16(6)));
        break;
    default:
        handled = false;
        break;
    }
    return r.ok();
}

} // namespace metafile
