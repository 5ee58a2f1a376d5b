#pragma once

#include <QByteArrayView>
#include <QString>
#include <vector>

namespace metafile {

struct LogicalFont;

// Fonts whose file encodes pictures and signs in the places of letters: their bytes stand for other
// characters than any code page says.
enum class SymbolSet { None, Symbol, MtExtra, Wingdings, Wingdings2 };

// By the font's face name, compared without case: "Symbol" (and the equation editors' "Euclid
// Symbol"), "MT Extra", "Wingdings" and "Wingdings 2".
SymbolSet symbolSetOf(const QString& face);

// The Unicode character that the byte `code` of a symbol font stands for; 0 when it stands for none.
char16_t symbolCharacter(SymbolSet set, quint8 code);

// A run of text ready to draw: each UTF-16 unit with its advance in logical units (the second unit of
// a surrogate pair, and every unit of a run without advances, has none of its own).
struct TextRun {
    QString text;
    std::vector<double> advances; // empty: the font's own spacing
    // GM_ADVANCED (an EMF text record's graphics mode): the text follows every turn of the mapping.
    bool advancedGraphics = false;
};

// Text that a metafile stores in the code page of its font's charset: the Windows code page of each
// ANSI charset, GBK (the target systems' code page) for DEFAULT_CHARSET, and the symbol fonts' own
// tables. `byteAdvances` holds one advance per byte, or nothing; a character of two bytes takes the
// advances of both.
TextRun decodeAnsiRun(QByteArrayView bytes, const std::vector<double>& byteAdvances, const LogicalFont& font);

// Only the text, for names and for callers without advances.
QString decodeAnsi(QByteArrayView bytes, quint8 charset);

// UTF-16 text in a symbol font: files write its bytes as they are or in the private range U+F020 to
// U+F0FF; both become the characters they stand for. Other fonts' text is left as it is.
QString mapSymbols(const QString& text, SymbolSet set);

} // namespace metafile
