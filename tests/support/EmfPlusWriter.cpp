#include "tests/support/EmfPlusWriter.h"

#include <QtEndian>
#include <vector>

namespace {

// libuemf's builders return nothing when they cannot make an object; a test cannot go on then.
U_PSEUDO_OBJ* made(U_PSEUDO_OBJ* object) {
    if (!object)
        qFatal("EmfPlusWriter: libuemf could not make an EMF+ object");
    return object;
}

uint32_t version() {
    return U_PMF_GRAPHICSVERSIONOBJ_set(U_GV_1_1);
}

QByteArray bytesOf(const U_PSEUDO_OBJ* object) {
    return QByteArray(object->Data, qsizetype(object->Used));
}

void appendU32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

U_PMF_ARGB argbOf(QRgb argb) {
    return U_PMF_ARGBOBJ_set(uint8_t(qAlpha(argb)), uint8_t(qRed(argb)), uint8_t(qGreen(argb)),
                             uint8_t(qBlue(argb)));
}

U_PSEUDO_OBJ* argbBrush(QRgb argb) {
    return made(U_PMF_ARGB_set(uint8_t(qAlpha(argb)), uint8_t(qRed(argb)), uint8_t(qGreen(argb)),
                               uint8_t(qBlue(argb))));
}

U_PSEUDO_OBJ* brushSlot(quint32 id) {
    return made(U_PMF_4NUM_set(id));
}

U_PSEUDO_OBJ* rectF(const QRectF& rect) {
    return made(U_PMF_RECTF4_set(U_FLOAT(rect.x()), U_FLOAT(rect.y()), U_FLOAT(rect.width()),
                                 U_FLOAT(rect.height())));
}

U_PSEUDO_OBJ* pointsF(const QPolygonF& points) {
    std::vector<U_PMF_POINTF> out;
    for (const QPointF& p : points)
        out.push_back(U_PMF_POINTF{U_FLOAT(p.x()), U_FLOAT(p.y())});
    return made(U_PMF_POINTF_set(uint32_t(out.size()), out.data()));
}

U_PSEUDO_OBJ* solidBrushObject(QRgb argb) {
    U_PSEUDO_OBJ* colour = argbBrush(argb);
    U_PSEUDO_OBJ* data = made(U_PMF_SOLIDBRUSHDATA_set(colour));
    U_PSEUDO_OBJ* brush = made(U_PMF_BRUSH_set(version(), data));
    U_PO_free(&colour);
    U_PO_free(&data);
    return brush;
}

// Point types: start 0, line 1, Bézier 3; 0x80 closes a figure at its last point.
U_PSEUDO_OBJ* pathObject(const QPainterPath& path) {
    std::vector<U_PMF_POINTF> points;
    std::vector<uint8_t> types;
    std::size_t figure = 0;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo())
            figure = points.size();
        points.push_back(U_PMF_POINTF{U_FLOAT(e.x), U_FLOAT(e.y)});
        types.push_back(e.isMoveTo() ? 0 : e.isLineTo() ? 1 : 3);
        const bool last = i + 1 == path.elementCount() || path.elementAt(i + 1).isMoveTo();
        if (last && points.size() > figure + 2 && points.back().X == points[figure].X &&
            points.back().Y == points[figure].Y)
            types.back() |= 0x80;
    }
    U_PSEUDO_OBJ* pointsObject = made(U_PMF_POINTF_set(uint32_t(points.size()), points.data()));
    U_PSEUDO_OBJ* typesObject = made(U_PMF_PATHPOINTTYPE_set(uint32_t(types.size()), types.data()));
    U_PSEUDO_OBJ* object = made(U_PMF_PATH_set(version(), pointsObject, typesObject));
    U_PO_free(&pointsObject);
    U_PO_free(&typesObject);
    return object;
}

EmfPlusWriter::EmfPlusWriter(EmfWriter& emf, bool dual) : emf_(emf) {
    U_PSEUDO_OBJ* graphicsVersion = made(U_PMF_GRAPHICSVERSION_set(U_GV_1_1));
    add(U_PMR_HEADER_set(dual, 1, graphicsVersion, 96, 96));
    U_PO_free(&graphicsVersion);
}

EmfPlusWriter& EmfPlusWriter::add(U_PSEUDO_OBJ* record) {
    const QByteArray records = bytesOf(made(record));
    U_PO_free(&record);
    return comment(records);
}

EmfPlusWriter& EmfPlusWriter::comment(const QByteArray& records) {
    const QByteArray data = QByteArrayLiteral("EMF+") + records;
    emf_.add(U_EMRCOMMENT_set(U_CBDATA(data.size()), data.constData()));
    return *this;
}

QByteArray EmfPlusWriter::record(quint16 type, quint16 flags, const QByteArray& data) {
    QByteArray padded = data;
    padded.append(QByteArray((4 - padded.size() % 4) % 4, '\0'));
    QByteArray out;
    char head[4];
    qToLittleEndian(type, head);
    qToLittleEndian(flags, head + 2);
    out.append(head, 4);
    appendU32(out, quint32(12 + padded.size()));
    appendU32(out, quint32(padded.size()));
    return out + padded;
}

EmfPlusWriter& EmfPlusWriter::raw(quint16 type, quint16 flags, const QByteArray& data, qint64 size) {
    QByteArray bytes = record(type, flags, data);
    if (size >= 0)
        qToLittleEndian(quint32(size), bytes.data() + 4);
    return comment(bytes);
}

QByteArray EmfPlusWriter::objectData(U_PSEUDO_OBJ* object) {
    const QByteArray bytes = bytesOf(made(object));
    U_PO_free(&object);
    return bytes;
}

EmfPlusWriter& EmfPlusWriter::object(quint32 id, U_PSEUDO_OBJ* object) {
    U_PSEUDO_OBJ* record = U_PMR_OBJECT_PO_set(id, made(object));
    U_PO_free(&object);
    return add(record);
}

EmfPlusWriter& EmfPlusWriter::solidBrush(quint32 id, QRgb argb) {
    return object(id, solidBrushObject(argb));
}

EmfPlusWriter& EmfPlusWriter::pen(quint32 id, float width, QRgb argb, quint32 unit) {
    U_PSEUDO_OBJ* data = made(U_PMF_PENDATA_set(unit, width, nullptr));
    U_PSEUDO_OBJ* brush = solidBrushObject(argb);
    U_PSEUDO_OBJ* pen = made(U_PMF_PEN_set(version(), data, brush));
    U_PO_free(&data);
    U_PO_free(&brush);
    return object(id, pen);
}

EmfPlusWriter& EmfPlusWriter::path(quint32 id, const QPainterPath& path) {
    return object(id, pathObject(path));
}

EmfPlusWriter& EmfPlusWriter::font(quint32 id, float emSize, const QString& family, quint32 style) {
    std::vector<uint16_t> name(family.utf16(), family.utf16() + family.size());
    return object(id, U_PMF_FONT_set(version(), emSize, U_UT_World, int32_t(style), uint32_t(name.size()),
                                     name.data()));
}

EmfPlusWriter& EmfPlusWriter::bitmap(quint32 id, const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    QByteArray pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            appendU32(pixels, image.pixel(x, y)); // B, G, R, A in the file
    U_PMF_BITMAP header{image.width(), image.height(), image.width() * 4, U_PF_32bppARGB, U_BDT_Pixel};
    U_PSEUDO_OBJ* data = made(U_PMF_BITMAPDATA_set(nullptr, int(pixels.size()), pixels.constData()));
    U_PSEUDO_OBJ* bitmap = made(U_PMF_BITMAP_set(&header, data));
    U_PSEUDO_OBJ* object = made(U_PMF_IMAGE_set(version(), bitmap));
    U_PO_free(&data);
    U_PO_free(&bitmap);
    return this->object(id, object);
}

EmfPlusWriter& EmfPlusWriter::fillRect(const QRectF& rect, QRgb argb) {
    return fillRects(rect, argbBrush(argb));
}

EmfPlusWriter& EmfPlusWriter::fillRectWithBrush(const QRectF& rect, quint32 id) {
    return fillRects(rect, brushSlot(id));
}

EmfPlusWriter& EmfPlusWriter::fillRects(const QRectF& rect, U_PSEUDO_OBJ* brush) {
    U_PSEUDO_OBJ* rects = rectF(rect);
    add(U_PMR_FILLRECTS_set(brush, rects));
    U_PO_free(&brush);
    U_PO_free(&rects);
    return *this;
}
