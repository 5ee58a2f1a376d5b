#include "codecs/metafile/EmfPlayer.h"
#include "codecs/metafile/MetafileImage.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <uemf.h>

namespace metafile {

namespace {

std::atomic<bool> skipOutside = true;

// The bounds of `count` points at `offset` (pairs of 16- or 32-bit coordinates), read in place;
// nothing when they leave the record.
std::optional<QRectF> pointBounds(const Bytes& r, qint64 offset, qint64 count, bool wide) {
    const qint64 pointSize = wide ? 8 : 4;
    if (count <= 0 || !r.has(offset, count * pointSize))
        return std::nullopt;
    double left = std::numeric_limits<double>::max();
    double top = left;
    double right = std::numeric_limits<double>::lowest();
    double bottom = right;
    for (qint64 at = offset, end = offset + count * pointSize; at < end; at += pointSize) {
        const double x = wide ? r.i32(at) : r.i16(at);
        const double y = wide ? r.i32(at + 4) : r.i16(at + 2);
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

// The points of a POLYPOLYGON or POLYPOLYLINE: after the bounds, the count of figures and of points,
// then the figures' counts, then the points.
std::optional<QRectF> polyPolyBounds(const Bytes& r, bool wide) {
    const qint64 figures = r.u32(24);
    const qint64 points = r.u32(28);
    if (!r.ok() || figures < 0 || !r.has(32, figures * 4))
        return std::nullopt;
    return pointBounds(r, 32 + figures * 4, points, wide);
}

} // namespace

void skipRecordsOutside(bool skip) {
    skipOutside = skip;
}

bool skippingRecordsOutside() {
    return skipOutside;
}

// Only records that draw and change nothing else are left out, and only when what they draw falls
// wholly outside the image: a picture's corner then costs its own records, not the whole file's.
// Records that move the current position (LINETO aside, which is replayed as a move), that change
// the state, or that add to a path being recorded always run.
bool EmfPlayer::missesImage(quint32 type, const Bytes& r) {
    const auto pointAt = [&](qint64 at) { return QPointF(r.i32(at), r.i32(at + 4)); };
    const auto rectAt = [&](qint64 at) {
        return r.has(at, 16) ? std::optional(readRectL(r, at)) : std::nullopt;
    };
    std::optional<QRectF> bounds;
    switch (type) {
    case U_EMR_RECTANGLE:
    case U_EMR_ELLIPSE:
    case U_EMR_ROUNDRECT:
    case U_EMR_ARC:
    case U_EMR_CHORD:
    case U_EMR_PIE:
        // Each draws inside its box.
        bounds = rectAt(8);
        break;
    case U_EMR_LINETO: {
        if (!r.has(8, 8))
            return false;
        const QPointF to = pointAt(8);
        if (!canvas_.missesImage(QRectF(canvas_.dc().currentPosition, to)))
            return false;
        canvas_.moveTo(to);
        return true;
    }
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
        bounds = pointBounds(r, 28, r.u32(24), type == U_EMR_POLYGON || type == U_EMR_POLYLINE);
        break;
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON16:
    case U_EMR_POLYPOLYLINE16:
        bounds = polyPolyBounds(r, type == U_EMR_POLYPOLYGON || type == U_EMR_POLYPOLYLINE);
        break;
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
        if (r.has(24, 16))
            bounds =
                QRectF(pointAt(offsetof(U_EMRBITBLT, Dest)),
                       QSizeF(r.i32(offsetof(U_EMRBITBLT, cDest)), r.i32(offsetof(U_EMRBITBLT, cDest) + 4)));
        break;
    case U_EMR_STRETCHDIBITS:
        if (r.has(offsetof(U_EMRSTRETCHDIBITS, cDest), 8))
            bounds = QRectF(pointAt(offsetof(U_EMRSTRETCHDIBITS, Dest)),
                            QSizeF(r.i32(offsetof(U_EMRSTRETCHDIBITS, cDest)),
                                   r.i32(offsetof(U_EMRSTRETCHDIBITS, cDest) + 4)));
        break;
    case U_EMR_EXTTEXTOUTW:
    case U_EMR_EXTTEXTOUTA:
        return textMissesImage(r, type == U_EMR_EXTTEXTOUTW);
    default:
        return false;
    }
    return bounds && canvas_.missesImage(*bounds);
}

// The run of an EXTTEXTOUT, from its reference point, its count of characters and their advances
// when the file gives them; an opaque box must miss the image too.
bool EmfPlayer::textMissesImage(const Bytes& r, bool wide) {
    constexpr qint64 at = 36; // the EMRTEXT
    if (!r.has(at, 40))
        return false;
    const QPointF reference(r.i32(at), r.i32(at + 4));
    const qint64 chars = r.u32(at + 8);
    const quint32 options = r.u32(at + 16);
    const qint64 offDx = r.u32(at + ((options & U_ETO_NO_RECT) ? 20 : 36));
    if (chars <= 0 || !r.has(r.u32(at + 12), chars * (wide ? 2 : 1)))
        return false;
    if ((options & U_ETO_OPAQUE) && !(options & U_ETO_NO_RECT) && !canvas_.missesImage(readRectL(r, at + 20)))
        return false;
    std::optional<double> advance;
    const qint64 perChar = (options & 0x2000) ? 2 : 1; // ETO_PDY: x and y advances
    if (offDx > 0 && r.has(offDx, chars * 4 * perChar)) {
        double sum = 0;
        for (qint64 i = 0; i < chars * perChar; ++i)
            sum += std::abs(double(r.i32(offDx + 4 * i)));
        advance = sum;
    }
    return canvas_.textMissesImage(reference, chars, advance);
}

} // namespace metafile
