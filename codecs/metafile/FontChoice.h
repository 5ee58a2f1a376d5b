#pragma once

#include "codecs/metafile/GdiObjects.h"

#include <QFont>
#include <QImage>
#include <QString>

namespace metafile {

// The families to try in order for a metafile's logical font: the font the file names, then the
// stand-ins for its characters.
QStringList fontFamilies(const LogicalFont& logical);

// The Qt font that draws a metafile's logical font `pixels` image pixels high: the families to try
// in order (the font the file names, then the stand-ins for its characters), its weight and style,
// and no kerning, as GDI sets text.
QFont qtFont(const LogicalFont& logical, double pixels, const QImage& image);

// Symbol text as it is best drawn with the stand-ins: the bracket and brace pieces become the Symbol
// font's own shapes of them, which OpenSymbol keeps at Adobe's code points for them, when it is
// installed. Other text is left as it is.
QString withSymbolShapes(const QString& text, SymbolSet set);

// Whether a character of a symbol font's run is drawn with `serifFont` instead: OpenSymbol, Symbol's
// stand-in, draws the degree sign as a ring on the baseline, where the Symbol font has a degree sign.
bool drawnInSerif(QChar character, SymbolSet set);
QFont serifFont(const QFont& font);

} // namespace metafile
