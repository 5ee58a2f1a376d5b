#include "codecs/metafile/DibDecoder.h"
#include "codecs/metafile/TextEncoding.h"
#include "codecs/metafile/WmfPlayer.h"

namespace metafile {

namespace {

// A WMF LOGFONT at `at`: 16-bit fields, then the face name in the font's code page.
LogicalFont readFont(const Bytes& r, qint64 at) {
    LogicalFont font;
    font.height = characterHeight(r.i16(at));
    font.width = std::abs(r.i16(at + 2));
    font.escapementDegrees = r.i16(at + 4) / 10.0;
    font.weight = r.i16(at + 8);
    font.italic = r.u8(at + 10) != 0;
    font.underline = r.u8(at + 11) != 0;
    font.strikeOut = r.u8(at + 12) != 0;
    font.charset = r.u8(at + 13);
    if (!r.ok())
        return font;
    QByteArray face;
    // Writers often cut the record after the name's terminator, so the name may be shorter than 32.
    for (qint64 i = at + 18; i < at + 18 + 32 && r.has(i, 1) && r.u8(i) != 0; ++i)
        face.append(char(r.u8(i)));
    // The name is in the code page of the font's own charset (新細明體 in Big5).
    font.face = font.charset == 2 ? QString::fromLatin1(face) : decodeAnsi(face, font.charset);
    font.symbols = symbolSetOf(font.face);
    return font;
}

} // namespace

bool WmfPlayer::objectRecord(quint16 function, const Bytes& r, bool& handled) {
    handled = true;
    switch (function) {
    case 0x012D: { // SELECTOBJECT
        const GdiObject* object = objects_.get(r.u16(6));
        if (!object)
            break;
        if (const auto* pen = std::get_if<QPen>(object))
            canvas_.selectPen(*pen);
        else if (const auto* brush = std::get_if<QBrush>(object))
            canvas_.selectBrush(*brush);
        else if (const auto* font = std::get_if<LogicalFont>(object))
            canvas_.selectFont(*font);
        else if (const auto* region = std::get_if<Region>(object)) // as SELECTCLIPREGION
            canvas_.clipToRects(region->rects, 5);
        break;
    }
    case 0x01F0:
        objects_.remove(r.u16(6));
        break;
    case 0x02FA: // CREATEPENINDIRECT
        objects_.putLowest(makePen(r.u16(6), r.i16(8), colorRef(r.u32(12))));
        break;
    case 0x02FC: // CREATEBRUSHINDIRECT
        objects_.putLowest(makeBrush(r.u16(6), colorRef(r.u32(8)), r.u16(12)));
        break;
    case 0x02FB:
        objects_.putLowest(readFont(r, 6));
        break;
    case 0x0142: { // DIBCREATEPATTERNBRUSH
        const quint16 usage = r.u16(8);
        const Dib dib = decodePackedDib(r.sub(10, r.size() - 10), usage);
        if (dib.malformed)
            return false;
        canvas_.spend(qint64(dib.image.width()) * dib.image.height());
        objects_.putLowest(dib.image.isNull() ? QBrush(Qt::gray) : QBrush(dib.image));
        break;
    }
    case 0x01F9:
        objects_.putLowest(QBrush(Qt::gray));
        break;   // a device-dependent pattern, not decoded
    case 0x00F7: // CREATEPALETTE
        objects_.putLowest(OtherObject{});
        break;
    default:
        handled = false;
        break;
    }
    return true;
}

} // namespace metafile
