#include "codecs/metafile/DibDecoder.h"
#include "codecs/metafile/EmfPlayer.h"
#include "codecs/metafile/TextEncoding.h"

#include <uemf.h>

namespace metafile {

namespace {

constexpr quint32 psGeometric = 0x00010000;

// A LOGFONTW at `at`.
LogicalFont readLogFont(const Bytes& r, qint64 at) {
    LogicalFont font;
    font.height = characterHeight(r.i32(at));
    font.width = std::abs(double(r.i32(at + 4)));
    font.escapementDegrees = r.i32(at + 8) / 10.0;
    font.weight = r.i32(at + 16);
    font.italic = r.u8(at + 20) != 0;
    font.underline = r.u8(at + 21) != 0;
    font.strikeOut = r.u8(at + 22) != 0;
    font.charset = r.u8(at + 23);
    for (int i = 0; i < U_LF_FACESIZE; ++i) {
        const char16_t c = r.u16(at + 28 + 2 * i);
        if (c == 0)
            break;
        font.face.append(QChar(c));
    }
    font.symbols = symbolSetOf(font.face);
    return font;
}

} // namespace

bool EmfPlayer::objectRecord(quint32 type, const Bytes& r, bool& handled) {
    handled = true;
    switch (type) {
    case U_EMR_SELECTOBJECT:
        select(r.u32(8));
        break;
    case U_EMR_DELETEOBJECT:
        objects_.remove(r.u32(8));
        break;
    case U_EMR_CREATEPEN: {
        // The width's x is the width; a cosmetic zero is one pixel.
        objects_.put(r.u32(8), makePen(r.u32(12), r.i32(16), colorRef(r.u32(24))));
        break;
    }
    case U_EMR_EXTCREATEPEN: {
        const quint32 style = r.u32(28);
        const quint32 width = r.u32(32);
        const quint32 brushStyle = r.u32(36);
        QPen pen = makePen(style, (style & psGeometric) ? double(width) : 0, colorRef(r.u32(40)));
        if (brushStyle == U_BS_NULL)
            pen.setStyle(Qt::NoPen);
        objects_.put(r.u32(8), pen);
        break;
    }
    case U_EMR_CREATEBRUSHINDIRECT:
        objects_.put(r.u32(8), makeBrush(r.u32(12), colorRef(r.u32(16)), r.u32(20)));
        break;
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEDIBPATTERNBRUSHPT: {
        const Dib dib = decodeRecordDib(r, r.u32(16), r.u32(20), r.u32(24), r.u32(28),
                                        type == U_EMR_CREATEMONOBRUSH ? 0 : r.u32(12));
        if (dib.malformed)
            return false;
        canvas_.spend(qint64(dib.image.width()) * dib.image.height());
        objects_.put(r.u32(8), dib.image.isNull() ? QBrush(Qt::gray) : QBrush(dib.image));
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW:
        objects_.put(r.u32(8), readLogFont(r, 12));
        break;
    case U_EMR_CREATEPALETTE:
    case U_EMR_CREATECOLORSPACE:
    case U_EMR_CREATECOLORSPACEW:
        objects_.put(r.u32(8), OtherObject{});
        break;
    default:
        handled = false;
        break;
    }
    return r.ok();
}

} // namespace metafile
