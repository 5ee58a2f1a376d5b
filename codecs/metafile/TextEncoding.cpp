#include "codecs/metafile/TextEncoding.h"

#include "codecs/metafile/GdiObjects.h"

#include <QStringDecoder>

namespace metafile {

namespace {

enum Charset : quint8 {
    AnsiCharset = 0,
    DefaultCharset = 1,
    SymbolCharset = 2,
    MacCharset = 77,
    ShiftJisCharset = 128,
    HangulCharset = 129,
    JohabCharset = 130,
    Gb2312Charset = 134,
    Big5Charset = 136,
    GreekCharset = 161,
    TurkishCharset = 162,
    VietnameseCharset = 163,
    HebrewCharset = 177,
    ArabicCharset = 178,
    BalticCharset = 186,
    RussianCharset = 204,
    ThaiCharset = 222,
    EastEuropeCharset = 238,
    OemCharset = 255,
};

// The Windows code page of a charset. DEFAULT_CHARSET means the system's own code page, GBK on the
// systems these pictures come from; an unknown charset is read as western text.
const char* codePageOf(quint8 charset) {
    switch (charset) {
    case DefaultCharset:
    case Gb2312Charset:
        return "GBK";
    case ShiftJisCharset:
        return "windows-31j";
    case HangulCharset:
    case JohabCharset: // no decoder of its own; Hangul's is the nearest
        return "windows-949";
    case Big5Charset:
        return "windows-950";
    case GreekCharset:
        return "windows-1253";
    case TurkishCharset:
        return "windows-1254";
    case VietnameseCharset:
        return "windows-1258";
    case HebrewCharset:
        return "windows-1255";
    case ArabicCharset:
        return "windows-1256";
    case BalticCharset:
        return "windows-1257";
    case RussianCharset:
        return "windows-1251";
    case ThaiCharset:
        return "windows-874";
    case EastEuropeCharset:
        return "windows-1250";
    case MacCharset:
        return "macintosh";
    case OemCharset:
        return "IBM437";
    default:
        return "windows-1252";
    }
}

// Whether `byte` opens a character of two bytes in the code page of `charset`.
bool isLeadByte(quint8 charset, quint8 byte) {
    switch (charset) {
    case DefaultCharset:
    case Gb2312Charset:
    case Big5Charset:
    case HangulCharset:
    case JohabCharset:
        return byte >= 0x81 && byte <= 0xFE;
    case ShiftJisCharset:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    default:
        return false;
    }
}

} // namespace

SymbolSet symbolSetOf(const QString& face) {
    const QString name = face.trimmed();
    const auto is = [&](QLatin1StringView other) { return name.compare(other, Qt::CaseInsensitive) == 0; };
    if (is(QLatin1StringView("Symbol")) || is(QLatin1StringView("Euclid Symbol")))
        return SymbolSet::Symbol;
    if (is(QLatin1StringView("MT Extra")))
        return SymbolSet::MtExtra;
    if (is(QLatin1StringView("Wingdings")))
        return SymbolSet::Wingdings;
    if (is(QLatin1StringView("Wingdings 2")))
        return SymbolSet::Wingdings2;
    return SymbolSet::None;
}

QString decodeAnsi(QByteArrayView bytes, quint8 charset) {
    QStringDecoder decoder(codePageOf(charset));
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

TextRun decodeAnsiRun(QByteArrayView bytes, const std::vector<double>& byteAdvances,
                      const LogicalFont& font) {
    TextRun run;
    const bool advances = byteAdvances.size() >= std::size_t(bytes.size()) && !bytes.isEmpty();
    const auto advanceOf = [&](qsizetype from, qsizetype to) {
        double sum = 0;
        for (qsizetype i = from; i < to; ++i)
            sum += byteAdvances[std::size_t(i)];
        return sum;
    };
    if (font.symbols != SymbolSet::None) {
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char16_t c = symbolCharacter(font.symbols, quint8(bytes[i]));
            run.text.append(QChar(c ? c : char16_t(0x20)));
            if (advances)
                run.advances.push_back(byteAdvances[std::size_t(i)]);
        }
        return run;
    }
    QStringDecoder decoder(codePageOf(font.charset));
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Latin1);
    // One character at a time, so that each keeps the advances of its own bytes.
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = isLeadByte(font.charset, quint8(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        decoder.resetState();
        const QString character = decoder.decode(bytes.sliced(i, length));
        for (qsizetype unit = 0; unit < character.size(); ++unit) {
            run.text.append(character[unit]);
            if (advances)
                run.advances.push_back(unit == 0 ? advanceOf(i, i + length) : 0);
        }
        i += length;
    }
    return run;
}

QString mapSymbols(const QString& text, SymbolSet set) {
    if (set == SymbolSet::None)
        return text;
    QString out = text;
    for (QChar& c : out) {
        const char16_t unit = c.unicode();
        if (unit <= 0xFF || (unit >= 0xF020 && unit <= 0xF0FF)) {
            const char16_t mapped = symbolCharacter(set, quint8(unit & 0xFF));
            c = QChar(mapped ? mapped : char16_t(0x20));
        }
    }
    return out;
}

} // namespace metafile
