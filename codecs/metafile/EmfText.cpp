#include "codecs/metafile/AnsiText.h"
#include "codecs/metafile/EmfPlayer.h"

#include <uemf.h>

namespace metafile {

bool EmfPlayer::textRecord(quint32 type, const Bytes& r, bool& handled) {
    if (type != U_EMR_EXTTEXTOUTW && type != U_EMR_EXTTEXTOUTA) {
        handled = false;
        return true;
    }
    handled = true;
    // EMRTEXT follows the bounds, the graphics mode and the two scales.
    constexpr qint64 text = 36;
    const QPointF reference(r.i32(text), r.i32(text + 4));
    const qint64 chars = r.u32(text + 8);
    const qint64 offString = r.u32(text + 12);
    const quint32 options = r.u32(text + 16);
    std::optional<QRectF> box;
    if (!(options & U_ETO_NO_RECT))
        box = readRectL(r, text + 20);
    const qint64 charSize = type == U_EMR_EXTTEXTOUTW ? 2 : 1;
    if (!r.ok() || !r.has(offString, chars * charSize))
        return false;
    QString string;
    if (type == U_EMR_EXTTEXTOUTW) {
        string.reserve(chars);
        for (qint64 i = 0; i < chars; ++i)
            string.append(QChar(char16_t(r.u16(offString + 2 * i))));
    } else {
        string = decodeAnsi(QByteArrayView(r.data() + offString, chars), canvas_.dc().font.charset);
    }
    if (!(options & (U_ETO_OPAQUE | U_ETO_CLIPPED)))
        box.reset();
    canvas_.text(reference, string, box, options);
    return r.ok();
}

} // namespace metafile
