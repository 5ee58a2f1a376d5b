#pragma once

#include "codecs/metafile/TextEncoding.h"

#include <QBrush>
#include <QPen>
#include <QRectF>
#include <QString>
#include <optional>
#include <variant>
#include <vector>

namespace metafile {

// A logical font as the metafile describes it; sizes are in logical units and turned into pixels
// only when text is drawn, under the transform of that moment.
struct LogicalFont {
    QString face;
    double height = 12; // character height, the internal leading excluded
    double width = 0;   // average character width; 0: the font's own for its height
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    quint8 charset = 0;
    double escapementDegrees = 0; // counter-clockwise, as the file has it
    SymbolSet symbols = SymbolSet::None;
};

// The character height of a LOGFONT's height field: a negative height is the character height; a
// positive one the cell height, whose internal leading typical fonts make about an eighth; 0 asks
// for the default size.
inline double characterHeight(qint32 logicalHeight) {
    if (logicalHeight < 0)
        return -double(logicalHeight);
    return logicalHeight > 0 ? logicalHeight * 0.87 : 12;
}

// Palettes and colour spaces take a slot in the table like any object but are not drawn with.
struct OtherObject {};

// A WMF region: rectangles in logical units, clipped to or filled.
struct Region {
    std::vector<QRectF> rects;
};

using GdiObject = std::variant<OtherObject, QPen, QBrush, LogicalFont, Region>;

// The metafile's object table. EMF files name the slot of each new object; WMF files take the lowest
// free one, so both kinds of insertion exist. The table never grows past `limits::maxObjects`.
class ObjectTable {
public:
    explicit ObjectTable(quint32 capacity);

    // False when `index` is outside the table.
    bool put(quint32 index, GdiObject object);
    // The slot taken, or nothing when the table is full.
    std::optional<quint32> putLowest(GdiObject object);
    // Null when the slot is empty or outside the table.
    const GdiObject* get(quint32 index) const;
    void remove(quint32 index);

private:
    quint32 capacity_;
    std::vector<std::optional<GdiObject>> slots_;
};

// GDI's stock objects, which EMF files select with the high bit of the index set.
std::optional<GdiObject> stockObject(quint32 index);

// A pen from GDI's pen style bits (style, end cap, join), its width in logical units and its colour.
QPen makePen(quint32 style, double width, const QColor& colour);
// A brush from a LOGBRUSH's style, colour and hatch. Pattern brushes come through `brushFromImage`.
QBrush makeBrush(quint32 style, const QColor& colour, quint32 hatch);
// A COLORREF (0x00BBGGRR).
QColor colorRef(quint32 value);

} // namespace metafile
