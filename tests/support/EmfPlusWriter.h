#pragma once

#include "tests/support/MetafileWriter.h"

#include <QByteArray>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <upmf.h>

// EMF+ records for the pictures of the tests, each in an EMF comment of its own, written into an
// EmfWriter's file with libuemf's U_PMR_* / U_PMF_* builders. Colours are ARGB (0xAARRGGBB). The
// EmfWriter of the tests makes a 96-DPI picture in which a device pixel is an image pixel; the
// EMF+ header says 96 DPI too, so EMF+ pixel units are image pixels.
class EmfPlusWriter {
public:
    // Writes the EMF+ header: a dual file (its GDI records repeat the drawing) or an EMF+ only one.
    explicit EmfPlusWriter(EmfWriter& emf, bool dual = true);
    EmfPlusWriter(const EmfPlusWriter&) = delete;
    EmfPlusWriter& operator=(const EmfPlusWriter&) = delete;

    // Appends the record libuemf made, and frees it.
    EmfPlusWriter& add(U_PSEUDO_OBJ* record);
    // A record from its parts; `size` overrides the size the record declares.
    EmfPlusWriter& raw(quint16 type, quint16 flags, const QByteArray& data, qint64 size = -1);
    // Records whose bytes stand together in one comment.
    EmfPlusWriter& comment(const QByteArray& records);
    static QByteArray record(quint16 type, quint16 flags, const QByteArray& data);

    // Objects, each into slot `id` of the table.
    EmfPlusWriter& object(quint32 id, U_PSEUDO_OBJ* object);
    EmfPlusWriter& solidBrush(quint32 id, QRgb argb);
    EmfPlusWriter& pen(quint32 id, float width, QRgb argb, quint32 unit = U_UT_World);
    // Lines and cubic Béziers of `path`, its closed figures closed.
    EmfPlusWriter& path(quint32 id, const QPainterPath& path);
    // `style`: bold 1, italic 2, underline 4, strikeout 8.
    EmfPlusWriter& font(quint32 id, float emSize, const QString& family = QStringLiteral("DejaVu Sans"),
                        quint32 style = 0);
    // A bitmap of 32-bit ARGB pixels.
    EmfPlusWriter& bitmap(quint32 id, const QImage& image);

    // Drawing records used again and again.
    EmfPlusWriter& fillRect(const QRectF& rect, QRgb argb);
    EmfPlusWriter& fillRectWithBrush(const QRectF& rect, quint32 brush);

    // The data of an object as it stands in an EmfPlusObject record, made by libuemf.
    static QByteArray objectData(U_PSEUDO_OBJ* object);

private:
    EmfPlusWriter& fillRects(const QRectF& rect, U_PSEUDO_OBJ* brush);

    EmfWriter& emf_;
};

// Brush ids for drawing records: a colour or a table slot.
U_PSEUDO_OBJ* argbBrush(QRgb argb);
U_PSEUDO_OBJ* brushSlot(quint32 id);
U_PMF_ARGB argbOf(QRgb argb);
U_PSEUDO_OBJ* rectF(const QRectF& rect);
U_PSEUDO_OBJ* pointsF(const QPolygonF& points);
// A solid brush object's data.
U_PSEUDO_OBJ* solidBrushObject(QRgb argb);
// An EmfPlusPath of `path`, ready for objects and region nodes.
U_PSEUDO_OBJ* pathObject(const QPainterPath& path);

inline constexpr QRgb opaque(QRgb rgb) {
    return rgb | 0xFF000000u;
}
