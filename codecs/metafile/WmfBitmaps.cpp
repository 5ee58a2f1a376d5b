#include "codecs/metafile/DibDecoder.h"
#include "codecs/metafile/WmfPlayer.h"

namespace metafile {

bool WmfPlayer::bitmapRecord(quint16 function, const Bytes& r, bool& handled) {
    handled = true;
    const auto pointAt = [&](qint64 at) { return QPointF(r.i16(at + 2), r.i16(at)); };
    const auto sizeAt = [&](qint64 at) { return QSizeF(r.i16(at + 2), r.i16(at)); };
    // A record of the blits without a bitmap is its fixed size, the number of parameter words that
    // the high byte of the function gives, plus three; it then holds one reserved word more.
    const bool noBitmap = r.size() == (qint64(function >> 8) + 3) * 2;
    switch (function) {
    case 0x061D: { // PATBLT: rop, height, width, y, x
        canvas_.patternBlit(QRectF(pointAt(14), sizeAt(10)), r.u32(6));
        break;
    }
    case 0x0940:   // DIBBITBLT: rop, ySrc, xSrc, [reserved], height, width, yDest, xDest, DIB
    case 0x0B41: { // DIBSTRETCHBLT: rop, srcHeight, srcWidth, ySrc, xSrc, [reserved], height, width, ...
        const bool stretch = function == 0x0B41;
        const quint32 rop = r.u32(6);
        const qint64 targetSizeAt = (stretch ? 18 : 14) + (noBitmap ? 2 : 0);
        const QRectF target(pointAt(targetSizeAt + 4), sizeAt(targetSizeAt));
        if (noBitmap) {
            canvas_.patternBlit(target, rop);
            break;
        }
        const qint64 dibAt = targetSizeAt + 8;
        const Dib dib = decodePackedDib(r.sub(dibAt, r.size() - dibAt));
        if (dib.malformed)
            return false;
        const QSizeF sourceSize = stretch ? sizeAt(10) : target.size();
        canvas_.bitmap(target, dib.image, dibSource(dib, pointAt(stretch ? 14 : 10), sourceSize));
        break;
    }
    case 0x0F43: { // STRETCHDIB: rop, usage, srcHeight, srcWidth, ySrc, xSrc, height, width, yDest, xDest,
                   // DIB
        const Dib dib = decodePackedDib(r.sub(28, r.size() - 28), r.u16(10));
        if (dib.malformed)
            return false;
        canvas_.bitmap(QRectF(pointAt(24), sizeAt(20)), dib.image, dibSource(dib, pointAt(16), sizeAt(12)));
        break;
    }
    case 0x0D33: { // SETDIBTODEV: usage, scans, start, ySrc, xSrc, height, width, yDest, xDest, DIB
        const Dib dib = decodePackedDib(r.sub(24, r.size() - 24), r.u16(6));
        if (dib.malformed)
            return false;
        const QSizeF size = sizeAt(16);
        canvas_.bitmap(QRectF(pointAt(20), size), dib.image, dibSource(dib, pointAt(12), size));
        break;
    }
    default:
        handled = false;
        break;
    }
    return true;
}

} // namespace metafile
