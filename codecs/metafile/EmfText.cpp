#include "codecs/metafile/EmfPlayer.h"
#include "codecs/metafile/TextEncoding.h"

#include <uemf.h>

namespace metafile {

namespace {

constexpr quint32 etoSmallChars = 0x200; // EMR_SMALLTEXTOUT: one byte a character
constexpr quint32 etoPdy = 0x2000;       // the advances come in pairs, x then y

// The text of a run in the record: UTF-16 units (symbol fonts mapped) or bytes in the font's code
// page, with the advances at `offDx` when they lie inside the record.
std::optional<TextRun> readRun(const Bytes& r, qint64 offString, qint64 chars, bool wide, qint64 offDx,
                               quint32 options, const LogicalFont& font) {
    const qint64 charSize = wide ? 2 : 1;
    if (chars < 0 || !r.has(offString, chars * charSize))
        return std::nullopt;
    const qint64 perChar = (options & etoPdy) ? 2 : 1;
    std::vector<double> advances;
    if (offDx > 0 && r.has(offDx, chars * 4 * perChar)) {
        advances.reserve(std::size_t(chars));
        for (qint64 i = 0; i < chars; ++i)
            advances.push_back(r.i32(offDx + 4 * perChar * i));
    }
    if (!wide)
        return decodeAnsiRun(QByteArrayView(r.data() + offString, chars), advances, font);
    TextRun run;
    run.text.reserve(chars);
    for (qint64 i = 0; i < chars; ++i)
        run.text.append(QChar(char16_t(r.u16(offString + 2 * i))));
    run.text = mapSymbols(run.text, font.symbols);
    run.advances = std::move(advances);
    return run;
}

} // namespace

// An EMRTEXT at `at`: the reference point, the string and its advances, the options and the
// rectangle, which ETO_NO_RECT leaves out (`hasRect` false: POLYTEXTOUT's always hold one).
bool EmfPlayer::emrText(const Bytes& r, qint64 at, bool wide, bool rectAlways) {
    const QPointF reference(r.i32(at), r.i32(at + 4));
    const qint64 chars = r.u32(at + 8);
    const qint64 offString = r.u32(at + 12);
    const quint32 options = r.u32(at + 16);
    const bool hasRect = rectAlways || !(options & U_ETO_NO_RECT);
    std::optional<QRectF> box;
    if (hasRect)
        box = readRectL(r, at + 20);
    const qint64 offDx = r.u32(at + (hasRect ? 36 : 20));
    if (!r.ok())
        return false;
    std::optional<TextRun> run = readRun(r, offString, chars, wide, offDx, options, canvas_.dc().font);
    if (!run)
        return false;
    // Every text record holds the graphics mode after its bounds.
    run->advancedGraphics = r.u32(24) == U_GM_ADVANCED;
    if (!(options & (U_ETO_OPAQUE | U_ETO_CLIPPED)))
        box.reset();
    canvas_.text(reference, *run, box, options);
    return true;
}

bool EmfPlayer::textRecord(quint32 type, const Bytes& r, bool& handled) {
    handled = true;
    switch (type) {
    case U_EMR_EXTTEXTOUTW:
    case U_EMR_EXTTEXTOUTA:
        // EMRTEXT follows the bounds, the graphics mode and the two scales.
        return emrText(r, 36, type == U_EMR_EXTTEXTOUTW, false);
    case U_EMR_POLYTEXTOUTW:
    case U_EMR_POLYTEXTOUTA: {
        const qint64 strings = r.u32(36);
        if (!r.has(40, strings * 40))
            return false;
        for (qint64 i = 0; i < strings; ++i) {
            if (!emrText(r, 40 + 40 * i, type == U_EMR_POLYTEXTOUTW, true))
                return false;
        }
        return true;
    }
    case U_EMR_SMALLTEXTOUT: {
        // The reference point, the count, the options, the graphics mode, the scales, the clip
        // rectangle unless ETO_NO_RECT, then the characters; no advances.
        const QPointF reference(r.i32(8), r.i32(12));
        const qint64 chars = r.u32(16);
        const quint32 options = r.u32(20);
        const bool hasRect = !(options & U_ETO_NO_RECT);
        std::optional<QRectF> box;
        if (hasRect && (options & (U_ETO_OPAQUE | U_ETO_CLIPPED)))
            box = readRectL(r, 36);
        std::optional<TextRun> run =
            readRun(r, hasRect ? 52 : 36, chars, !(options & etoSmallChars), 0, options, canvas_.dc().font);
        if (!r.ok() || !run)
            return false;
        run->advancedGraphics = r.u32(24) == U_GM_ADVANCED;
        canvas_.text(reference, *run, box, options);
        return true;
    }
    default:
        handled = false;
        return true;
    }
}

} // namespace metafile
