#include "codecs/metafile/DibDecoder.h"
#include "codecs/metafile/EmfPlayer.h"

#include <cstddef>
#include <uemf.h>

namespace metafile {

namespace {

struct DibPlace {
    quint32 offBmi, cbBmi, offBits, cbBits, usage;
};

// The record's bitmap; `malformed` when its offsets or rows leave the record.
Dib dibOf(const Bytes& r, const DibPlace& p) {
    return decodeRecordDib(r, p.offBmi, p.cbBmi, p.offBits, p.cbBits, p.usage);
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
        const quint32 rop = r.u32(offsetof(U_EMRBITBLT, dwRop));
        const DibPlace place{r.u32(offsetof(U_EMRBITBLT, offBmiSrc)), r.u32(offsetof(U_EMRBITBLT, cbBmiSrc)),
                             r.u32(offsetof(U_EMRBITBLT, offBitsSrc)),
                             r.u32(offsetof(U_EMRBITBLT, cbBitsSrc)),
                             r.u32(offsetof(U_EMRBITBLT, iUsageSrc))};
        if (place.cbBmi == 0) {
            canvas_.patternBlit(target, rop);
            break;
        }
        const QSizeF sourceSize =
            type == U_EMR_STRETCHBLT ? sizeAt(offsetof(U_EMRSTRETCHBLT, cSrc)) : target.size();
        const Dib dib = dibOf(r, place);
        if (dib.malformed)
            return false;
        canvas_.bitmap(target, dib.image, QRectF(pointAt(offsetof(U_EMRBITBLT, Src)), sourceSize));
        break;
    }
    case U_EMR_STRETCHDIBITS: {
        const DibPlace place{
            r.u32(offsetof(U_EMRSTRETCHDIBITS, offBmiSrc)), r.u32(offsetof(U_EMRSTRETCHDIBITS, cbBmiSrc)),
            r.u32(offsetof(U_EMRSTRETCHDIBITS, offBitsSrc)), r.u32(offsetof(U_EMRSTRETCHDIBITS, cbBitsSrc)),
            r.u32(offsetof(U_EMRSTRETCHDIBITS, iUsageSrc))};
        const Dib dib = dibOf(r, place);
        if (dib.malformed)
            return false;
        canvas_.bitmap(
            QRectF(pointAt(offsetof(U_EMRSTRETCHDIBITS, Dest)), sizeAt(offsetof(U_EMRSTRETCHDIBITS, cDest))),
            dib.image,
            dibSource(dib, pointAt(offsetof(U_EMRSTRETCHDIBITS, Src)),
                      sizeAt(offsetof(U_EMRSTRETCHDIBITS, cSrc))));
        break;
    }
    case U_EMR_SETDIBITSTODEVICE: {
        const DibPlace place{r.u32(offsetof(U_EMRSETDIBITSTODEVICE, offBmiSrc)),
                             r.u32(offsetof(U_EMRSETDIBITSTODEVICE, cbBmiSrc)),
                             r.u32(offsetof(U_EMRSETDIBITSTODEVICE, offBitsSrc)),
                             r.u32(offsetof(U_EMRSETDIBITSTODEVICE, cbBitsSrc)),
                             r.u32(offsetof(U_EMRSETDIBITSTODEVICE, iUsageSrc))};
        const Dib dib = dibOf(r, place);
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
