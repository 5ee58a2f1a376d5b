#include "codecs/metafile/FontChoice.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QMutex>
#include <fontconfig/fontconfig.h>

namespace metafile {

namespace {

// Whether `family` is installed under that name, not only reached through fontconfig's aliases.
bool installed(const QString& family) {
    static const QStringList families = QFontDatabase::families();
    return families.contains(family, Qt::CaseInsensitive);
}

// The language of an East Asian charset: one Han character is drawn in the forms of the land it is
// written in (a comma centred in Taiwan, low at the left in mainland China). DEFAULT_CHARSET names
// none: its text takes the fonts of the system's own language, as everywhere else in the program.
const char* languageOf(quint8 charset) {
    switch (charset) {
    case 134: // GB2312
        return "zh-cn";
    case 136: // Big5
        return "zh-tw";
    case 128: // Shift-JIS
        return "ja";
    case 129: // Hangul
    case 130: // Johab
        return "ko";
    default:
        return nullptr;
    }
}

// The family fontconfig chooses for `face` written in `language`: the face itself or its metric
// twin when there is one, else the best font for that language of its kind (a serif Song face for
// SimSun, the sans-serif default for a face fontconfig does not know, or for no face).
QString familyFor(const QString& face, const char* language) {
    static QMutex mutex;
    static QHash<QString, QString> known;
    const QMutexLocker lock(&mutex);
    const QString key = face + u'\n' + QLatin1StringView(language);
    if (const auto found = known.constFind(key); found != known.cend())
        return *found;
    QString family;
    if (FcPattern* pattern = FcPatternCreate()) {
        if (!face.isEmpty())
            FcPatternAddString(pattern, FC_FAMILY,
                               reinterpret_cast<const FcChar8*>(face.toUtf8().constData()));
        FcLangSet* languages = FcLangSetCreate();
        FcLangSetAdd(languages, reinterpret_cast<const FcChar8*>(language));
        FcPatternAddLangSet(pattern, FC_LANG, languages);
        FcLangSetDestroy(languages);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
            FcChar8* name = nullptr;
            if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
                family = QString::fromUtf8(reinterpret_cast<const char*>(name));
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    known.insert(key, family);
    return family;
}

} // namespace

// The family list for a face: the metafile's name first (fontconfig finds its metric twin, such as
// Liberation Serif for Times New Roman), then for text in an East Asian charset the font fontconfig
// gives that face in the charset's language. The symbol fonts' characters are mapped to Unicode,
// so their stand-ins are the fonts that have those characters nearest the original design: for
// Symbol and MT Extra OpenSymbol, made to stand in for Symbol, then Times New Roman and DejaVu Serif;
// for the Wingdings' pictographs DejaVu Sans. A symbol font's own name counts only when it is
// installed: fontconfig would otherwise put its alias first, whatever the character.
QStringList fontFamilies(const LogicalFont& logical) {
    QString face = logical.face.trimmed();
    if (face.startsWith(u'@')) // a vertical CJK font: the same glyphs, set upright here
        face.remove(0, 1);
    QStringList families;
    if (!face.isEmpty() && (logical.symbols == SymbolSet::None || installed(face)))
        families.append(face);
    switch (logical.symbols) {
    case SymbolSet::Symbol:
    case SymbolSet::MtExtra:
        families << QStringLiteral("OpenSymbol") << QStringLiteral("Times New Roman")
                 << QStringLiteral("DejaVu Serif") << QStringLiteral("DejaVu Sans");
        break;
    case SymbolSet::Wingdings:
    case SymbolSet::Wingdings2:
        families << QStringLiteral("DejaVu Sans") << QStringLiteral("OpenSymbol");
        break;
    case SymbolSet::None:
        if (const char* language = languageOf(logical.charset)) {
            // The face's own stand-in, then the language's default for the characters it lacks.
            for (const QString& family : {familyFor(face, language), familyFor(QString(), language)}) {
                if (!family.isEmpty() && !families.contains(family, Qt::CaseInsensitive))
                    families.append(family);
            }
        }
        break;
    }
    return families;
}

namespace {

// The Symbol font's bracket, brace and integral pieces (U+239B to U+23AE) at Adobe's code points for
// the Symbol font's own shapes of them, U+F8EB to U+F8FE.
char16_t adobePiece(char16_t c) {
    static constexpr char16_t pieces[] = {
        0xF8EB, 0xF8EC, 0xF8ED, 0xF8F6, 0xF8F7, 0xF8F8, // ⎛ ⎜ ⎝ ⎞ ⎟ ⎠
        0xF8EE, 0xF8EF, 0xF8F0, 0xF8F9, 0xF8FA, 0xF8FB, // ⎡ ⎢ ⎣ ⎤ ⎥ ⎦
        0xF8F1, 0xF8F2, 0xF8F3, 0xF8F4, 0xF8FC, 0xF8FD, // ⎧ ⎨ ⎩ ⎪ ⎫ ⎬
        0xF8FE, 0xF8F5,                                 // ⎭ ⎮
    };
    return c >= 0x239B && c <= 0x23AE ? pieces[c - 0x239B] : 0;
}

bool openSymbolHasPieces() {
    static const bool has = installed(QStringLiteral("OpenSymbol")) &&
                            QFontMetricsF(QFont(QStringLiteral("OpenSymbol"))).inFont(QChar(0xF8F1));
    return has;
}

} // namespace

QFont qtFont(const LogicalFont& logical, double pixels, const QImage& image) {
    QFont font;
    const QStringList families = fontFamilies(logical);
    if (!families.isEmpty())
        font.setFamilies(families);
    // In points of the image's resolution, which keeps a fraction of a pixel that a pixel size would
    // round away: formulas set at 14.7 pixels are not 15.
    font.setPointSizeF(pixels * 72 / image.logicalDpiY());
    font.setWeight(QFont::Weight(std::clamp(logical.weight == 0 ? 400 : logical.weight, 100, 900)));
    font.setItalic(logical.italic);
    font.setUnderline(logical.underline);
    font.setStrikeOut(logical.strikeOut);
    // GDI places every glyph on whole device pixels and neither kerns nor forms ligatures.
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}

QString withSymbolShapes(const QString& text, SymbolSet set) {
    if (set != SymbolSet::Symbol || !openSymbolHasPieces())
        return text;
    QString out = text;
    for (QChar& c : out) {
        if (const char16_t piece = adobePiece(c.unicode()))
            c = QChar(piece);
    }
    return out;
}

bool drawnInSerif(QChar character, SymbolSet set) {
    return set == SymbolSet::Symbol && character.unicode() == 0x00B0;
}

QFont serifFont(const QFont& font) {
    QFont serif = font;
    serif.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("DejaVu Serif")});
    return serif;
}

} // namespace metafile
