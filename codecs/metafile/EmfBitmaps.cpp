#include "codecs/metafile/DibDecoder.h"
#include "codecs/metafile/EmfPlayer.h"

#include <cstddef>
#include <uemf.h>

namespace metafile {

namespace {

// Where a record's bitmap lies: the offsets and sizes of its BITMAPINFO and bits, and its colour use.
template <typename Record> struct SourceFields {
    static constexpr qint64 offBmi = offsetof(Record, offBmiSrc);
    static constexpr qint64 cbBmi = offsetof(Record, cbBmiSrc);
    static constexpr qint64 offBits = offsetof(Record, offBitsSrc);
    static constexpr qint64 cbBits = offsetof(Record, cbBitsSrc);
    static constexpr qint64 usage = offsetof(Record, iUsageSrc);
};

template <typename Record> bool hasSource(const Bytes& r) {
    using F = SourceFields<Record>;
    return r.u32(F::cbBmi) != 0;
}

template <typename Record> Dib sourceOf(const Bytes& r, bool keepAlpha = false) {
    using F = SourceFields<Record>;
    return decodeRecordDib(r, r.u32(F::offBmi), r.u32(F::cbBmi), r.u32(F::offBits), r.u32(F::cbBits),
                           r.u32(F::usage), keepAlpha);
}

} // namespace

bool EmfPlayer::bitmapRecord(quint32 type, const Bytes& r, bool& handled) {
    handled = true;
    const auto pointAt = [&](qint64 at) { return QPointF(r.i32(at), r.i32(at + 4)); };
    const auto sizeAt = [&](qint64 at) { return QSizeF(r.i32(at), r.i32(at + 4)); };
    switch (type) {
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT: {
        const QRectF target(pointAt(offsetof(U_EMRBITBLT, Dest)), sizeAt(offsetof(U_EMRBITBLT, cDest)));
        Blend blend;
        blend.rop = r.u32(offsetof(U_EMRBITBLT, dwRop));
        if (!hasSource<U_EMRBITBLT>(r)) {
            canvas_.patternBlit(target, blend.rop);
            break;
        }
        const QSizeF sourceSize =
            type == U_EMR_STRETCHBLT ? sizeAt(offsetof(U_EMRSTRETCHBLT, cSrc)) : target.size();
        const Dib dib = sourceOf<U_EMRBITBLT>(r);
        if (dib.malformed)
            return false;
        canvas_.bitmap(target, dib.image, QRectF(pointAt(offsetof(U_EMRBITBLT, Src)), sourceSize), blend);
        break;
    }
    case U_EMR_MASKBLT: {
        const QRectF target(pointAt(offsetof(U_EMRMASKBLT, Dest)), sizeAt(offsetof(U_EMRMASKBLT, cDest)));
        // A ROP4: the foreground operation where the mask is set, the background one (the high
        // byte) where it is clear.
        const quint32 rop4 = r.u32(offsetof(U_EMRMASKBLT, dwRop));
        Blend blend;
        blend.rop = rop4 & 0x00FFFFFF;
        blend.backgroundRop = (rop4 >> 8) & 0x00FF0000;
        if (!hasSource<U_EMRMASKBLT>(r)) {
            canvas_.patternBlit(target, blend.rop);
            break;
        }
        const Dib dib = sourceOf<U_EMRMASKBLT>(r);
        if (dib.malformed)
            return false;
        const Dib mask = decodeRecordDib(
            r, r.u32(offsetof(U_EMRMASKBLT, offBmiMask)), r.u32(offsetof(U_EMRMASKBLT, cbBmiMask)),
            r.u32(offsetof(U_EMRMASKBLT, offBitsMask)), r.u32(offsetof(U_EMRMASKBLT, cbBitsMask)), 0);
        const QPointF source = pointAt(offsetof(U_EMRMASKBLT, Src));
        const QPointF maskAt = pointAt(offsetof(U_EMRMASKBLT, Mask));
        if (!mask.image.isNull()) // the mask, moved so that its pixels line up with the source's
            blend.mask = mask.image.copy(QRectF(maskAt - source, dib.image.size()).toRect());
        canvas_.bitmap(target, dib.image, QRectF(source, target.size()), blend);
        break;
    }
    case U_EMR_TRANSPARENTBLT: {
        const QRectF target(pointAt(offsetof(U_EMRTRANSPARENTBLT, Dest)),
                            sizeAt(offsetof(U_EMRTRANSPARENTBLT, cDest)));
        const Dib dib = sourceOf<U_EMRTRANSPARENTBLT>(r);
        if (dib.malformed)
            return false;
        Blend blend;
        const QColor key = colorRef(r.u32(offsetof(U_EMRTRANSPARENTBLT, TColor)));
        blend.transparent = key.rgb();
        canvas_.bitmap(
            target, dib.image,
            QRectF(pointAt(offsetof(U_EMRTRANSPARENTBLT, Src)), sizeAt(offsetof(U_EMRTRANSPARENTBLT, cSrc))),
            blend);
        break;
    }
    case U_EMR_ALPHABLEND: {
        const QRectF target(pointAt(offsetof(U_EMRALPHABLEND, Dest)),
                            sizeAt(offsetof(U_EMRALPHABLEND, cDest)));
        // BLENDFUNCTION: the constant alpha, and AC_SRC_ALPHA when the bitmap's own alpha counts.
        const qint64 blendAt = offsetof(U_EMRALPHABLEND, Blend);
        Blend blend;
        blend.alphaBlend = true;
        blend.constantAlpha = r.u8(blendAt + 2);
        const Dib dib = sourceOf<U_EMRALPHABLEND>(r, r.u8(blendAt + 3) & 0x01);
        if (dib.malformed)
            return false;
        canvas_.bitmap(
            target, dib.image,
            QRectF(pointAt(offsetof(U_EMRALPHABLEND, Src)), sizeAt(offsetof(U_EMRALPHABLEND, cSrc))), blend);
        break;
    }
    case U_EMR_STRETCHDIBITS: {
        const Dib dib = sourceOf<U_EMRSTRETCHDIBITS>(r);
        if (dib.malformed)
            return false;
        Blend blend;
        blend.rop = r.u32(offsetof(U_EMRSTRETCHDIBITS, dwRop));
        canvas_.bitmap(
            QRectF(pointAt(offsetof(U_EMRSTRETCHDIBITS, Dest)), sizeAt(offsetof(U_EMRSTRETCHDIBITS, cDest))),
            dib.image,
            dibSource(dib, pointAt(offsetof(U_EMRSTRETCHDIBITS, Src)),
                      sizeAt(offsetof(U_EMRSTRETCHDIBITS, cSrc))),
            blend);
        break;
    }
    case U_EMR_SETDIBITSTODEVICE: {
        const Dib dib = sourceOf<U_EMRSETDIBITSTODEVICE>(r);
        if (dib.malformed)
            return false;
        const QSizeF size = sizeAt(offsetof(U_EMRSETDIBITSTODEVICE, cSrc));
        canvas_.bitmap(QRectF(pointAt(offsetof(U_EMRSETDIBITSTODEVICE, Dest)), size), dib.image,
                       dibSource(dib, pointAt(offsetof(U_EMRSETDIBITSTODEVICE, Src)), size));
        break;
    }
    default:
        handled = false;
        break;
    }
    return r.ok();
}

} // namespace metafile
