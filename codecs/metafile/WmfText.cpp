#include "codecs/metafile/TextEncoding.h"
#include "codecs/metafile/WmfPlayer.h"

namespace metafile {

bool WmfPlayer::textRecord(quint16 function, const Bytes& r, bool& handled) {
    handled = true;
    const LogicalFont& font = canvas_.dc().font;
    switch (function) {
    case 0x0521: { // TEXTOUT: length, string (padded to a word), y, x
        const qint64 length = r.i16(6);
        const qint64 padded = (length + 1) / 2 * 2;
        if (length < 0 || !r.has(8, padded + 4))
            return false;
        const QPointF at(r.i16(8 + padded + 2), r.i16(8 + padded));
        canvas_.text(at, decodeAnsiRun(QByteArrayView(r.data() + 8, length), {}, font), {}, 0);
        break;
    }
    case 0x0A32: { // EXTTEXTOUT: y, x, length, options, [rectangle], string (padded to a word), [dx]
        const QPointF at(r.i16(8), r.i16(6));
        const qint64 length = r.i16(10);
        const quint16 options = r.u16(12);
        qint64 stringAt = 14;
        std::optional<QRectF> box;
        if (options & (0x2 | 0x4)) { // ETO_OPAQUE, ETO_CLIPPED
            box = QRectF(QPointF(r.i16(14), r.i16(16)), QPointF(r.i16(18), r.i16(20)));
            stringAt += 8;
        }
        if (length < 0 || !r.has(stringAt, length))
            return false;
        // The advances, one a byte, follow the string when the writer gave them.
        std::vector<double> advances;
        const qint64 dxAt = stringAt + (length + 1) / 2 * 2;
        if (r.has(dxAt, length * 2)) {
            advances.reserve(std::size_t(length));
            for (qint64 i = 0; i < length; ++i)
                advances.push_back(r.i16(dxAt + 2 * i));
        }
        canvas_.text(at, decodeAnsiRun(QByteArrayView(r.data() + stringAt, length), advances, font), box,
                     options);
        break;
    }
    default:
        handled = false;
        break;
    }
    return true;
}

} // namespace metafile
