#include "PixelChecks.h"
#include "codecs/metafile/MetafileImage.h"
#include "tests/support/EmfPlusWriter.h"

#include <QBuffer>
#include <QtEndian>
#include <QtTest>
#include <bit>
#include <functional>
#include <limits>

using metafile::Kind;

namespace {

// Record types and flags of the records libuemf has no builder for, or that the tests break.
constexpr quint16 fillRects = 0x400A;
constexpr quint16 recordObject = 0x4008;
constexpr quint16 flagColour = 0x8000;
constexpr quint16 objectBrush = 0x0100;

struct Probe {
    int x, y;
    QRgb colour;
};

// One EMF+ feature: the records that draw it into a 100 × 100 picture, and what the image shows.
struct Case {
    const char* name;
    std::function<void(EmfPlusWriter&)> draw;
    std::vector<Probe> probes;
    std::function<void(const QImage&)> check = {};
};

QImage draw(EmfWriter& emf) {
    const QImage image = metafile::render(emf.finish(), Kind::Emf);
    if (image.isNull())
        qWarning("the EMF did not render");
    return image;
}

// Frees the libuemf objects a record builder was given.
template <typename... Objects> void release(Objects*... objects) {
    (U_PO_free(&objects), ...);
}

void fillWith(EmfPlusWriter& plus, U_PSEUDO_OBJ* brushObject, const QRectF& rect = QRectF(0, 0, 100, 100)) {
    plus.object(1, brushObject).fillRectWithBrush(rect, 1);
}

U_PSEUDO_OBJ* hatchBrush(quint32 style, QRgb fore, QRgb back) {
    U_PSEUDO_OBJ* foreground = argbBrush(fore);
    U_PSEUDO_OBJ* background = argbBrush(back);
    U_PSEUDO_OBJ* data = U_PMF_HATCHBRUSHDATA_set(style, foreground, background);
    U_PSEUDO_OBJ* brush = U_PMF_BRUSH_set(U_PMF_GRAPHICSVERSIONOBJ_set(U_GV_1_1), data);
    release(foreground, background, data);
    return brush;
}

// A bitmap image object of `image`.
U_PSEUDO_OBJ* imageObject(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    QByteArray pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            char bytes[4];
            qToLittleEndian(quint32(image.pixel(x, y)), bytes);
            pixels.append(bytes, 4);
        }
    U_PMF_BITMAP header{image.width(), image.height(), image.width() * 4, U_PF_32bppARGB, U_BDT_Pixel};
    U_PSEUDO_OBJ* data = U_PMF_BITMAPDATA_set(nullptr, int(pixels.size()), pixels.constData());
    U_PSEUDO_OBJ* bitmap = U_PMF_BITMAP_set(&header, data);
    U_PSEUDO_OBJ* object = U_PMF_IMAGE_set(U_PMF_GRAPHICSVERSIONOBJ_set(U_GV_1_1), bitmap);
    release(data, bitmap);
    return object;
}

U_PSEUDO_OBJ* textureBrush(const QImage& image) {
    U_PSEUDO_OBJ* picture = imageObject(image);
    U_PSEUDO_OBJ* optional = U_PMF_TEXTUREBRUSHOPTIONALDATA_set(nullptr, picture);
    U_PSEUDO_OBJ* data = U_PMF_TEXTUREBRUSHDATA_set(0, U_WM_Tile, optional);
    U_PSEUDO_OBJ* brush = U_PMF_BRUSH_set(U_PMF_GRAPHICSVERSIONOBJ_set(U_GV_1_1), data);
    release(picture, optional, data);
    return brush;
}

// A 2 × 2 bitmap: red, green on top; blue, yellow below.
QImage quadrants() {
    QImage image(2, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, opaque(red));
    image.setPixel(1, 0, opaque(green));
    image.setPixel(0, 1, opaque(blue));
    image.setPixel(1, 1, opaque(yellow));
    return image;
}

// A pen with optional data: a line style or the caps at its ends.
U_PSEUDO_OBJ* styledPen(float width, QRgb colour, quint32 flags, int32_t style, int32_t startCap,
                        int32_t endCap) {
    U_PSEUDO_OBJ* optional = U_PMF_PENOPTIONALDATA_set(flags, nullptr, startCap, endCap, 0, 0, style, 0, 0,
                                                       nullptr, 0, nullptr, nullptr, nullptr);
    U_PSEUDO_OBJ* data = U_PMF_PENDATA_set(U_UT_World, width, optional);
    U_PSEUDO_OBJ* brush = solidBrushObject(colour);
    U_PSEUDO_OBJ* pen = U_PMF_PEN_set(U_PMF_GRAPHICSVERSIONOBJ_set(U_GV_1_1), data, brush);
    release(optional, data, brush);
    return pen;
}

// A region node of two rectangles combined by `mode`.
U_PSEUDO_OBJ* twoRectRegion(int mode, const QRectF& a, const QRectF& b) {
    U_PSEUDO_OBJ* ra = rectF(a);
    U_PSEUDO_OBJ* rb = rectF(b);
    U_PSEUDO_OBJ* left = U_PMF_REGIONNODE_set(U_RNDT_Rect, ra);
    U_PSEUDO_OBJ* right = U_PMF_REGIONNODE_set(U_RNDT_Rect, rb);
    U_PSEUDO_OBJ* children = U_PMF_REGIONNODECHILDNODES_set(left, right);
    U_PSEUDO_OBJ* node = U_PMF_REGIONNODE_set(mode, children);
    U_PSEUDO_OBJ* region = U_PMF_REGION_set(U_PMF_GRAPHICSVERSIONOBJ_set(U_GV_1_1), 2, node);
    release(ra, rb, left, right, children, node);
    return region;
}

QPolygonF square(double left, double top, double side) {
    return QPolygonF{{left, top}, {left + side, top}, {left + side, top + side}, {left, top + side}};
}

// A five-pointed star whose centre pentagon is inside twice: winding fills it, alternate does not.
QPolygonF star() {
    QPolygonF points;
    for (int i = 0; i < 5; ++i) {
        const double a = (-90 + i * 144) * M_PI / 180;
        points.append(QPointF(50 + 45 * std::cos(a), 50 + 45 * std::sin(a)));
    }
    return points;
}

void drawString(EmfPlusWriter& plus, const QString& text, const QRectF& layout, quint32 format = 0xFFFFFFFF) {
    std::vector<uint16_t> chars(text.utf16(), text.utf16() + text.size());
    U_PSEUDO_OBJ* colour = argbBrush(opaque(black));
    U_PSEUDO_OBJ* rect = rectF(layout);
    plus.add(U_PMR_DRAWSTRING_set(2, colour, format, uint32_t(chars.size()), rect, chars.data()));
    release(colour, rect);
}

U_PSEUDO_OBJ* stringFormat(quint32 flags, quint32 alignment, quint32 lineAlignment) {
    U_PMF_STRINGFORMAT format{};
    format.Version = U_PMF_GRAPHICSVERSIONOBJ_set(U_GV_1_1);
    format.Flags = flags;
    format.StringAlignment = alignment;
    format.LineAlign = lineAlignment;
    return U_PMF_STRINGFORMAT_set(&format, nullptr);
}

// An EMF of `size` pixels filled with `colour`, for pictures inside pictures.
QByteArray filledEmf(int size, QRgb colour) {
    EmfWriter inner(size, size);
    inner.stock(U_NULL_PEN).brush(colour).rectangle(0, 0, size, size);
    return inner.finish();
}

QByteArray u32(quint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray u16(quint16 value) {
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray f32(float value) {
    return u32(std::bit_cast<quint32>(value));
}

QByteArray rectBytes(float x, float y, float w, float h) {
    return f32(x) + f32(y) + f32(w) + f32(h);
}

QByteArray version() {
    return u32(U_PMF_GRAPHICSVERSIONOBJ_set(U_GV_1_1));
}

// A linear gradient brush object (libuemf makes none without optional data): from `from` at the
// rectangle's left side to `to` at its right.
QByteArray linearGradient(const QRectF& rect, QRgb from, QRgb to) {
    return version() + u32(U_BT_LinearGradient) + u32(0) + u32(U_WM_Clamp) +
           rectBytes(float(rect.x()), float(rect.y()), float(rect.width()), float(rect.height())) +
           u32(from) + u32(to) + u32(0) + u32(0);
}

// A path gradient brush object over a boundary of points, from `centre` at its centre to `surround`.
QByteArray pathGradient(const QPolygonF& boundary, QRgb centre, QRgb surround) {
    const QPointF middle = boundary.boundingRect().center();
    QByteArray points;
    for (const QPointF& p : boundary)
        points += f32(float(p.x())) + f32(float(p.y()));
    return version() + u32(U_BT_PathGradient) + u32(0) + u32(U_WM_Clamp) + u32(centre) +
           f32(float(middle.x())) + f32(float(middle.y())) + u32(1) + u32(surround) +
           u32(quint32(boundary.size())) + points;
}

// An image object holding an EMF.
QByteArray metafileImage(const QByteArray& emf) {
    return version() + u32(U_IDT_Metafile) + u32(U_MDT_Emf) + u32(quint32(emf.size())) + emf;
}

void drawImage(EmfPlusWriter& plus, quint32 id, const QRectF& source, const QRectF& target) {
    U_PSEUDO_OBJ* from = rectF(source);
    U_PSEUDO_OBJ* to = rectF(target);
    plus.add(U_PMR_DRAWIMAGE_set(id, -1, U_UT_Pixel, from, to));
    release(from, to);
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"FillRects with a colour",
         [](EmfPlusWriter& plus) { plus.fillRect(QRectF(10, 10, 40, 40), opaque(red)); },
         {{10, 10, red}, {49, 49, red}, {50, 30, white}, {9, 30, white}}},
        {"FillRects with a solid brush object",
         [](EmfPlusWriter& plus) {
             plus.solidBrush(5, opaque(green)).fillRectWithBrush(QRectF(10, 10, 40, 40), 5);
         },
         {{30, 30, green}, {60, 60, white}}},
        {"semi-transparent colours blend",
         [](EmfPlusWriter& plus) { plus.fillRect(QRectF(0, 0, 50, 50), 0x800000FFu); },
         {{60, 60, white}},
         [](const QImage& image) {
             const QRgb c = image.pixel(20, 20);
             QVERIFY(qBlue(c) == 255 && qRed(c) > 100 && qRed(c) < 160);
         }},
        {"hatch brush: pattern over its background",
         [](EmfPlusWriter& plus) {
             fillWith(plus, hatchBrush(U_HSP_LargeGrid, opaque(blue), opaque(yellow)));
         },
         {},
         [](const QImage& image) {
             int blues = 0, yellows = 0;
             for (int x = 0; x < 16; ++x) {
                 blues += rgbAt(image, x, 20) == blue;
                 yellows += rgbAt(image, x, 20) == yellow;
             }
             QVERIFY(blues > 0 && yellows > 0 && blues + yellows == 16);
         }},
        {"linear gradient runs across its rectangle",
         [](EmfPlusWriter& plus) {
             plus.raw(recordObject, objectBrush | 1,
                      linearGradient(QRectF(0, 0, 100, 100), opaque(red), opaque(blue)));
             plus.fillRectWithBrush(QRectF(0, 0, 100, 100), 1);
         },
         {},
         [](const QImage& image) {
             QVERIFY(qRed(image.pixel(2, 50)) > 240 && qBlue(image.pixel(2, 50)) < 15);
             QVERIFY(qBlue(image.pixel(97, 50)) > 240 && qRed(image.pixel(97, 50)) < 15);
             QVERIFY(qRed(image.pixel(50, 50)) > 100 && qBlue(image.pixel(50, 50)) > 100);
             QCOMPARE(image.pixel(50, 10), image.pixel(50, 90)); // constant along the other axis
         }},
        {"path gradient: centre colour to the boundary's",
         [](EmfPlusWriter& plus) {
             plus.raw(recordObject, objectBrush | 1,
                      pathGradient(square(0, 0, 100), opaque(white), opaque(black)));
             plus.fillRectWithBrush(QRectF(0, 0, 100, 100), 1);
         },
         {},
         [](const QImage& image) {
             QVERIFY(qGray(image.pixel(50, 50)) > 240);
             QVERIFY(qGray(image.pixel(2, 50)) < 30);
             QVERIFY(qGray(image.pixel(25, 50)) > 60 && qGray(image.pixel(25, 50)) < 200);
         }},
        {"texture brush tiles its image",
         [](EmfPlusWriter& plus) { fillWith(plus, textureBrush(quadrants())); },
         {{0, 0, red}, {1, 0, green}, {0, 1, blue}, {1, 1, yellow}, {2, 2, red}, {43, 41, yellow}}},
        {"DrawRects with a pen",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* rects = rectF(QRectF(20, 20, 60, 60));
             plus.pen(3, 1, opaque(red)).add(U_PMR_DRAWRECTS_set(3, rects));
             release(rects);
         },
         {{20, 50, red}, {80, 50, red}, {50, 20, red}, {50, 50, white}, {15, 50, white}}},
        {"pen width in world units",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* points = pointsF({{10, 50}, {90, 50}});
             plus.pen(3, 10, opaque(blue)).add(U_PMR_DRAWLINES_set(3, 0, points));
             release(points);
         },
         {{50, 46, blue}, {50, 54, blue}, {50, 40, white}, {50, 60, white}}},
        {"dashed pen leaves gaps",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* points = pointsF({{0, 50}, {100, 50}});
             plus.object(3, styledPen(2, opaque(red), U_PD_LineStyle, U_LS_Dash, 0, 0))
                 .add(U_PMR_DRAWLINES_set(3, 0, points));
             release(points);
         },
         {},
         [](const QImage& image) {
             int reds = 0;
             for (int x = 0; x < 100; ++x)
                 reds += rgbAt(image, x, 50) == red;
             QVERIFY(reds > 40 && reds < 95);
         }},
        {"arrow anchor at a line's end",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* points = pointsF({{10, 50}, {80, 50}});
             plus.object(3, styledPen(10, opaque(red), U_PD_EndCap, 0, 0, U_LCT_ArrowAnchor))
                 .add(U_PMR_DRAWLINES_set(3, 0, points));
             release(points);
         },
         // The arrow: its tip at the line's end, its base two widths back and wider than the line.
         {{78, 50, red}, {61, 58, red}, {61, 42, red}, {50, 58, white}, {82, 50, white}}},
        {"DrawLines open leaves the figure open",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* points = pointsF({{10, 10}, {90, 10}, {90, 90}});
             plus.pen(3, 1, opaque(red)).add(U_PMR_DRAWLINES_set(3, 0, points));
             release(points);
         },
         {{50, 10, red}, {90, 50, red}, {50, 50, white}}},
        {"DrawLines closed adds the closing line",
         [](EmfPlusWriter& plus) {
             plus.pen(3, 1, opaque(red));
             QByteArray data = u32(3);
             for (const QPointF& p : QPolygonF{{10, 10}, {90, 10}, {90, 90}})
                 data += f32(float(p.x())) + f32(float(p.y()));
             plus.raw(0x400D, 0x2000 | 3, data);
         },
         {{50, 50, red}, {50, 10, red}}},
        {"FillPolygon",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* colour = argbBrush(opaque(red));
             U_PSEUDO_OBJ* points = pointsF({{10, 90}, {50, 10}, {90, 90}});
             plus.add(U_PMR_FILLPOLYGON_set(colour, points));
             release(colour, points);
         },
         {{50, 70, red}, {15, 20, white}, {85, 20, white}}},
        {"FillEllipse fills its centre, not its corners",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* colour = argbBrush(opaque(red));
             U_PSEUDO_OBJ* rect = rectF(QRectF(10, 10, 80, 80));
             plus.add(U_PMR_FILLELLIPSE_set(colour, rect));
             release(colour, rect);
         },
         {{50, 50, red}, {14, 14, white}, {86, 86, white}}},
        {"DrawEllipse draws its outline",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* rect = rectF(QRectF(10, 10, 80, 80));
             plus.pen(3, 2, opaque(blue)).add(U_PMR_DRAWELLIPSE_set(3, rect));
             release(rect);
         },
         {{50, 10, blue}, {10, 50, blue}, {50, 50, white}}},
        {"FillPie: angles run clockwise from the x axis",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* colour = argbBrush(opaque(red));
             U_PSEUDO_OBJ* rect = rectF(QRectF(10, 10, 80, 80));
             plus.add(U_PMR_FILLPIE_set(0, 90, colour, rect));
             release(colour, rect);
         },
         {{65, 65, red}, {35, 35, white}, {65, 35, white}, {35, 65, white}}},
        {"DrawPie",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* rect = rectF(QRectF(10, 10, 80, 80));
             plus.pen(3, 1, opaque(blue)).add(U_PMR_DRAWPIE_set(3, 180, 90, rect));
             release(rect);
         },
         {{30, 50, blue}, {50, 30, blue}, {70, 50, white}, {50, 70, white}}},
        {"DrawArc: the upper half",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* rect = rectF(QRectF(10, 10, 80, 80));
             plus.pen(3, 2, opaque(blue)).add(U_PMR_DRAWARC_set(3, 180, 180, rect));
             release(rect);
         },
         {{50, 10, blue}, {50, 90, white}, {50, 50, white}}},
        {"FillPath with a path object",
         [](EmfPlusWriter& plus) {
             QPainterPath path;
             path.addRect(10, 10, 30, 30);
             path.addRect(60, 60, 30, 30);
             U_PSEUDO_OBJ* colour = argbBrush(opaque(green));
             plus.path(7, path).add(U_PMR_FILLPATH_set(7, colour));
             release(colour);
         },
         {{20, 20, green}, {70, 70, green}, {50, 50, white}}},
        {"DrawPath of lines and Béziers",
         [](EmfPlusWriter& plus) {
             QPainterPath path(QPointF(10, 50));
             path.cubicTo(30, 50, 70, 50, 90, 50);
             path.lineTo(90, 90);
             plus.path(7, path).pen(3, 2, opaque(red)).add(U_PMR_DRAWPATH_set(7, 3));
         },
         {{50, 50, red}, {90, 70, red}, {50, 70, white}}},
        {"FillRegion of two rectangles combined by XOR",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* colour = argbBrush(opaque(red));
             plus.object(9, twoRectRegion(U_RNDT_Xor, QRectF(10, 10, 50, 50), QRectF(40, 40, 50, 50)))
                 .add(U_PMR_FILLREGION_set(9, colour));
             release(colour);
         },
         {{20, 20, red}, {80, 80, red}, {50, 50, white}}},
        {"FillClosedCurve, alternate: the star's centre stays empty",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* colour = argbBrush(opaque(red));
             U_PSEUDO_OBJ* points = pointsF(star());
             plus.add(U_PMR_FILLCLOSEDCURVE_set(U_ALTERNATE, 0, colour, points));
             release(colour, points);
         },
         {{50, 50, white}, {50, 12, red}}},
        {"FillClosedCurve, winding: the star's centre is filled",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* colour = argbBrush(opaque(red));
             U_PSEUDO_OBJ* points = pointsF(star());
             plus.add(U_PMR_FILLCLOSEDCURVE_set(U_WINDING, 0, colour, points));
             release(colour, points);
         },
         {{50, 50, red}, {50, 12, red}}},
        {"DrawCurve passes through its points",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* points = pointsF({{10, 80}, {50, 20}, {90, 80}});
             plus.pen(3, 3, opaque(blue)).add(U_PMR_DRAWCURVE_set(3, 0.5f, 0, 2, points));
             release(points);
         },
         {{50, 20, blue}, {50, 50, white}},
         [](const QImage& image) {
             // Curved, not a polyline: above the straight line at a quarter of the way.
             QVERIFY(darkPixels(image, QRect(25, 30, 8, 14)) > 0 || rgbAt(image, 30, 40) == blue ||
                     rgbAt(image, 30, 45) == blue);
         }},
        {"DrawClosedCurve closes the curve",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* points = pointsF({{50, 10}, {90, 50}, {50, 90}, {10, 50}});
             plus.pen(3, 3, opaque(blue)).add(U_PMR_DRAWCLOSEDCURVE_set(3, 0.5f, points));
             release(points);
         },
         {{50, 10, blue}, {10, 50, blue}, {50, 50, white}}},
        {"DrawBeziers",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* points = pointsF({{10, 50}, {40, 50}, {60, 50}, {90, 50}});
             plus.pen(3, 3, opaque(blue)).add(U_PMR_DRAWBEZIERS_set(3, points));
             release(points);
         },
         {{50, 50, blue}, {50, 40, white}}},
        {"DrawImage stretches the bitmap",
         [](EmfPlusWriter& plus) {
             plus.bitmap(4, quadrants());
             drawImage(plus, 4, QRectF(0, 0, 2, 2), QRectF(10, 10, 80, 80));
         },
         {{20, 20, red}, {80, 20, green}, {20, 80, blue}, {80, 80, yellow}, {5, 5, white}}},
        {"DrawImage of part of the bitmap",
         [](EmfPlusWriter& plus) {
             plus.bitmap(4, quadrants());
             drawImage(plus, 4, QRectF(1, 0, 1, 2), QRectF(10, 10, 80, 80));
         },
         {{20, 20, green}, {80, 20, green}, {20, 80, yellow}}},
        {"DrawImage leaves out what the source has beyond the bitmap",
         [](EmfPlusWriter& plus) {
             plus.bitmap(4, quadrants());
             drawImage(plus, 4, QRectF(0, 0, 4, 2), QRectF(0, 0, 80, 80));
         },
         {{5, 10, red}, {35, 10, green}, {60, 10, white}}},
        {"DrawImagePoints mirrors onto its parallelogram",
         [](EmfPlusWriter& plus) {
             plus.bitmap(4, quadrants());
             U_PSEUDO_OBJ* from = rectF(QRectF(0, 0, 2, 2));
             U_PSEUDO_OBJ* corners = pointsF({{90, 10}, {10, 10}, {90, 90}});
             plus.add(U_PMR_DRAWIMAGEPOINTS_set(4, 0, -1, U_UT_Pixel, from, corners));
             release(from, corners);
         },
         {{80, 20, red}, {20, 20, green}, {80, 80, blue}}},
        {"DrawImage of a compressed PNG",
         [](EmfPlusWriter& plus) {
             QByteArray png;
             QBuffer buffer(&png);
             buffer.open(QIODevice::WriteOnly);
             quadrants().save(&buffer, "PNG");
             U_PMF_BITMAP header{2, 2, 0, 0, U_BDT_Compressed};
             U_PSEUDO_OBJ* data = U_PMF_COMPRESSEDIMAGE_set(int32_t(png.size()), png.constData());
             U_PSEUDO_OBJ* bitmap = U_PMF_BITMAP_set(&header, data);
             plus.object(4, U_PMF_IMAGE_set(U_PMF_GRAPHICSVERSIONOBJ_set(U_GV_1_1), bitmap));
             release(data, bitmap);
             drawImage(plus, 4, QRectF(0, 0, 2, 2), QRectF(10, 10, 80, 80));
         },
         {{20, 20, red}, {80, 80, yellow}}},
        {"DrawImage of an EMF picture",
         [](EmfPlusWriter& plus) {
             plus.raw(recordObject, 0x0500 | 4, metafileImage(filledEmf(20, green)));
             drawImage(plus, 4, QRectF(0, 0, 20, 20), QRectF(30, 30, 40, 40));
         },
         {{35, 35, green}, {65, 65, green}, {25, 25, white}, {75, 75, white}}},
        {"DrawString draws inside its layout rectangle",
         [](EmfPlusWriter& plus) {
             plus.font(2, 20);
             drawString(plus, QStringLiteral("Hi"), QRectF(10, 10, 80, 40));
         },
         {},
         [](const QImage& image) {
             QVERIFY(darkPixels(image, QRect(10, 10, 60, 30)) > 20);
             QCOMPARE(darkPixels(image, QRect(0, 50, 100, 50)), 0);
         }},
        {"DrawString wraps at its rectangle's width",
         [](EmfPlusWriter& plus) {
             plus.font(2, 16);
             drawString(plus, QStringLiteral("Hello world again"), QRectF(0, 0, 60, 100));
         },
         {},
         [](const QImage& image) {
             QVERIFY(darkPixels(image, QRect(0, 20, 60, 20)) > 10); // the second line
             QCOMPARE(darkPixels(image, QRect(62, 0, 38, 100)), 0);
         }},
        {"DrawString is clipped to its rectangle",
         [](EmfPlusWriter& plus) {
             plus.font(2, 40);
             drawString(plus, QStringLiteral("Hi"), QRectF(0, 0, 100, 20));
         },
         {},
         [](const QImage& image) {
             QVERIFY(darkPixels(image, QRect(0, 0, 100, 20)) > 10);
             QCOMPARE(darkPixels(image, QRect(0, 21, 100, 79)), 0);
         }},
        {"DrawString centred by its format",
         [](EmfPlusWriter& plus) {
             plus.font(2, 20).object(6, stringFormat(0, U_SA_Center, U_SA_Center));
             drawString(plus, QStringLiteral("I"), QRectF(0, 0, 100, 100), 6);
         },
         {},
         [](const QImage& image) {
             QVERIFY(darkPixels(image, QRect(40, 35, 20, 30)) > 5);
             QCOMPARE(darkPixels(image, QRect(0, 0, 35, 100)), 0);
             QCOMPARE(darkPixels(image, QRect(0, 0, 100, 30)), 0);
         }},
        {"DrawDriverString places each glyph",
         [](EmfPlusWriter& plus) {
             plus.font(2, 20);
             // Two glyphs, then their positions.
             plus.raw(0x4036, 0x8000 | 2,
                      u32(opaque(black)) + u32(U_DSO_CmapLookup) + u32(0) + u32(2) + QByteArray("I\0I\0", 4) +
                          f32(10) + f32(30) + f32(80) + f32(90));
         },
         {},
         [](const QImage& image) {
             QVERIFY(darkPixels(image, QRect(8, 10, 12, 22)) > 5);
             QVERIFY(darkPixels(image, QRect(78, 70, 12, 22)) > 5);
             QCOMPARE(darkPixels(image, QRect(30, 0, 40, 100)), 0);
         }},
        {"Clear fills everything",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* colour = argbBrush(opaque(green));
             plus.add(U_PMR_CLEAR_set(colour));
             release(colour);
         },
         {{0, 0, green}, {99, 99, green}}},
        {"SetWorldTransform moves what follows",
         [](EmfPlusWriter& plus) {
             U_PMF_TRANSFORMMATRIX matrix{1, 0, 0, 1, 50, 0};
             U_PSEUDO_OBJ* m = U_PMF_TRANSFORMMATRIX_set(&matrix);
             plus.add(U_PMR_SETWORLDTRANSFORM_set(m)).fillRect(QRectF(0, 0, 20, 20), opaque(red));
             release(m);
         },
         {{60, 10, red}, {10, 10, white}}},
        {"ResetWorldTransform",
         [](EmfPlusWriter& plus) {
             plus.add(U_PMR_TRANSLATEWORLDTRANSFORM_set(0, 50, 0)).add(U_PMR_RESETWORLDTRANSFORM_set());
             plus.fillRect(QRectF(0, 0, 20, 20), opaque(red));
         },
         {{10, 10, red}, {60, 10, white}}},
        {"scale then translate, prepended: the translation is scaled",
         [](EmfPlusWriter& plus) {
             plus.add(U_PMR_SCALEWORLDTRANSFORM_set(0, 2, 2))
                 .add(U_PMR_TRANSLATEWORLDTRANSFORM_set(0, 20, 0));
             plus.fillRect(QRectF(0, 0, 10, 10), opaque(red)); // (40, 0) to (60, 20)
         },
         {{50, 10, red}, {30, 10, white}, {65, 10, white}}},
        {"scale then translate, appended: the translation is not scaled",
         [](EmfPlusWriter& plus) {
             plus.add(U_PMR_SCALEWORLDTRANSFORM_set(0, 2, 2))
                 .add(U_PMR_TRANSLATEWORLDTRANSFORM_set(1, 20, 0));
             plus.fillRect(QRectF(0, 0, 10, 10), opaque(red)); // (20, 0) to (40, 20)
         },
         {{30, 10, red}, {45, 10, white}}},
        {"MultiplyWorldTransform",
         [](EmfPlusWriter& plus) {
             U_PMF_TRANSFORMMATRIX matrix{1, 0, 0, 1, 0, 50};
             U_PSEUDO_OBJ* m = U_PMF_TRANSFORMMATRIX_set(&matrix);
             plus.add(U_PMR_MULTIPLYWORLDTRANSFORM_set(0, m)).fillRect(QRectF(0, 0, 20, 20), opaque(red));
             release(m);
         },
         {{10, 60, red}, {10, 10, white}}},
        {"RotateWorldTransform turns clockwise",
         [](EmfPlusWriter& plus) {
             plus.add(U_PMR_TRANSLATEWORLDTRANSFORM_set(0, 50, 50))
                 .add(U_PMR_ROTATEWORLDTRANSFORM_set(0, 90));
             plus.fillRect(QRectF(0, 0, 40, 10), opaque(red)); // the bar now hangs down from the centre
         },
         {{45, 80, red}, {80, 55, white}}},
        {"Save and Restore bring back the transform",
         [](EmfPlusWriter& plus) {
             plus.add(U_PMR_SAVE_set(7)).add(U_PMR_TRANSLATEWORLDTRANSFORM_set(0, 50, 0));
             plus.add(U_PMR_RESTORE_set(7)).fillRect(QRectF(0, 0, 20, 20), opaque(red));
         },
         {{10, 10, red}, {60, 10, white}}},
        {"BeginContainer maps its source onto its destination",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* target = rectF(QRectF(50, 50, 50, 50));
             U_PSEUDO_OBJ* source = rectF(QRectF(0, 0, 100, 100));
             plus.add(U_PMR_BEGINCONTAINER_set(U_UT_Pixel, target, source, 3));
             plus.fillRect(QRectF(0, 0, 40, 40), opaque(red)); // (50, 50) to (70, 70)
             plus.add(U_PMR_ENDCONTAINER_set(3)).fillRect(QRectF(0, 0, 10, 10), opaque(blue));
             release(target, source);
         },
         {{60, 60, red}, {75, 75, white}, {20, 20, white}, {5, 5, blue}}},
        {"BeginContainerNoParams and EndContainer bring back the transform",
         [](EmfPlusWriter& plus) {
             plus.add(U_PMR_BEGINCONTAINERNOPARAMS_set(4)).add(U_PMR_TRANSLATEWORLDTRANSFORM_set(0, 50, 0));
             plus.fillRect(QRectF(0, 0, 20, 20), opaque(red)).add(U_PMR_ENDCONTAINER_set(4));
             plus.fillRect(QRectF(0, 50, 20, 20), opaque(blue));
         },
         {{60, 10, red}, {10, 60, blue}, {60, 60, white}}},
        {"SetInterpolationMode nearest neighbour keeps a bitmap's pixels sharp",
         [](EmfPlusWriter& plus) {
             plus.add(U_PMR_SETINTERPOLATIONMODE_set(U_IM_NearestNeighbor)).bitmap(4, quadrants());
             drawImage(plus, 4, QRectF(0, 0, 2, 2), QRectF(0, 0, 80, 80));
         },
         {{39, 39, red}, {40, 39, green}, {39, 40, blue}, {40, 40, yellow}}},
        {"SetTextRenderingHint single bit per pixel draws text without grey",
         [](EmfPlusWriter& plus) {
             plus.add(U_PMR_SETTEXTRENDERINGHINT_set(U_TRH_SingleBitPerPixel)).font(2, 30);
             drawString(plus, QStringLiteral("Wo"), QRectF(0, 0, 100, 100));
         },
         {},
         [](const QImage& image) {
             int grey = 0;
             for (int y = 0; y < 40; ++y)
                 for (int x = 0; x < 100; ++x)
                     grey += qGray(image.pixel(x, y)) > 0 && qGray(image.pixel(x, y)) < 255;
             QCOMPARE(grey, 0);
             QVERIFY(darkPixels(image, QRect(0, 0, 100, 40)) > 30);
         }},
        {"SetPageTransform: millimetres",
         [](EmfPlusWriter& plus) {
             plus.add(U_PMR_SETPAGETRANSFORM_set(U_UT_Millimeter, 1));
             plus.fillRect(QRectF(0, 0, 10, 10), opaque(red)); // 10 mm: 37.8 pixels at 96 DPI
         },
         {{36, 36, red}, {40, 40, white}}},
        {"SetPageTransform: scale",
         [](EmfPlusWriter& plus) {
             plus.add(U_PMR_SETPAGETRANSFORM_set(U_UT_Pixel, 4));
             plus.fillRect(QRectF(0, 0, 10, 10), opaque(red));
         },
         {{38, 38, red}, {42, 42, white}}},
        {"SetAntiAliasMode smooths edges",
         [](EmfPlusWriter& plus) {
             U_PSEUDO_OBJ* colour = argbBrush(opaque(black));
             U_PSEUDO_OBJ* points = pointsF({{0, 0}, {100, 0}, {0, 100}});
             plus.add(U_PMR_SETANTIALIASMODE_set(U_SM_AntiAlias8x4, 1))
                 .add(U_PMR_FILLPOLYGON_set(colour, points));
             release(colour, points);
         },
         {},
         [](const QImage& image) {
             int grey = 0;
             for (int x = 0; x < 100; ++x)
                 grey += qGray(image.pixel(x, 99 - x)) > 20 && qGray(image.pixel(x, 99 - x)) < 235;
             QVERIFY(grey > 50);
         }},
    };
    return all;
}

// Clip rectangles combined by each mode with a first one, (0, 0) to (60, 60); the second is (40, 40)
// to (100, 100). Probes: only the first, both, only the second, neither.
struct ClipCase {
    const char* name;
    quint32 mode;
    bool first, both, second, neither;
};

const ClipCase clipCases[] = {
    {"replace", U_CM_Replace, false, true, true, false},
    {"intersect", U_CM_Intersect, false, true, false, false},
    {"union", U_CM_Union, true, true, true, false},
    {"xor", U_CM_XOR, true, false, true, false},
    {"exclude", U_CM_Exclude, true, false, false, false},
    {"complement", U_CM_Complement, false, false, true, false},
};

} // namespace

class TestMetafileEmfPlus : public QObject {
    Q_OBJECT

private slots:
    void records_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < cases().size(); ++i)
            QTest::newRow(cases()[i].name) << int(i);
    }
    void records() {
        QFETCH(int, index);
        const Case& feature = cases()[std::size_t(index)];
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf, false);
        feature.draw(plus);
        const QImage image = draw(emf);
        QCOMPARE(image.size(), QSize(100, 100));
        for (const Probe& probe : feature.probes) {
            const QByteArray where = QByteArray::number(probe.x) + ", " + QByteArray::number(probe.y);
            QVERIFY2(rgbAt(image, probe.x, probe.y) == (probe.colour & 0xFFFFFF),
                     where + ": " + QColor(image.pixel(probe.x, probe.y)).name().toLatin1());
        }
        if (feature.check)
            feature.check(image);
    }

    void clipCombines_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < std::size(clipCases); ++i)
            QTest::newRow(clipCases[i].name) << int(i);
    }
    void clipCombines() {
        QFETCH(int, index);
        const ClipCase& clip = clipCases[index];
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf, false);
        U_PSEUDO_OBJ* first = rectF(QRectF(0, 0, 60, 60));
        U_PSEUDO_OBJ* second = rectF(QRectF(40, 40, 60, 60));
        plus.add(U_PMR_SETCLIPRECT_set(U_CM_Replace, first)).add(U_PMR_SETCLIPRECT_set(clip.mode, second));
        release(first, second);
        plus.fillRect(QRectF(0, 0, 100, 100), opaque(red));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 20, 20, clip.first ? red : white);
        QCOMPARE_PIXEL(image, 50, 50, clip.both ? red : white);
        QCOMPARE_PIXEL(image, 80, 80, clip.second ? red : white);
        QCOMPARE_PIXEL(image, 80, 20, clip.neither ? red : white);
    }

    void clipByPathRegionResetAndOffset() {
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf, false);
        QPainterPath triangle;
        triangle.addPolygon(QPolygonF{{0, 0}, {50, 0}, {0, 50}});
        triangle.closeSubpath();
        plus.path(7, triangle).add(U_PMR_SETCLIPPATH_set(7, U_CM_Replace));
        plus.fillRect(QRectF(0, 0, 50, 50), opaque(red));
        // A region (two rectangles' union), moved 50 right by OffsetClip.
        plus.object(9, twoRectRegion(U_RNDT_Or, QRectF(0, 60, 10, 10), QRectF(0, 80, 10, 10)));
        plus.add(U_PMR_SETCLIPREGION_set(9, U_CM_Replace)).add(U_PMR_OFFSETCLIP_set(50, 0));
        plus.fillRect(QRectF(0, 50, 100, 50), opaque(blue));
        plus.add(U_PMR_RESETCLIP_set()).fillRect(QRectF(90, 0, 10, 10), opaque(green));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 10, 10, red);
        QCOMPARE_PIXEL(image, 40, 40, white); // beyond the triangle's diagonal
        QCOMPARE_PIXEL(image, 55, 65, blue);
        QCOMPARE_PIXEL(image, 55, 85, blue);
        QCOMPARE_PIXEL(image, 55, 75, white);
        QCOMPARE_PIXEL(image, 5, 65, white);
        QCOMPARE_PIXEL(image, 95, 5, green);
    }

    void restoreBringsBackTheClip() {
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf, false);
        U_PSEUDO_OBJ* small = rectF(QRectF(0, 0, 10, 10));
        plus.add(U_PMR_SAVE_set(1)).add(U_PMR_SETCLIPRECT_set(U_CM_Replace, small)).add(U_PMR_RESTORE_set(1));
        release(small);
        plus.fillRect(QRectF(0, 0, 100, 100), opaque(red));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 50, 50, red);
    }

    // A dual file repeats its drawing in GDI records; where EMF+ draws, those records are left out,
    // and only what follows a GetDC record is drawn with GDI.
    void gdiRecordsOfDualFiles_data() {
        QTest::addColumn<bool>("dual");
        QTest::newRow("dual") << true;
        QTest::newRow("EMF+ only") << false;
    }
    void gdiRecordsOfDualFiles() {
        QFETCH(bool, dual);
        EmfWriter emf(100, 100);
        emf.stock(U_NULL_PEN).brush(green).rectangle(0, 0, 20, 20); // before any EMF+ record: drawn
        EmfPlusWriter plus(emf, dual);
        plus.fillRect(QRectF(0, 40, 50, 20), opaque(red));
        emf.brush(blue).rectangle(50, 40, 100, 60); // the dual part: not drawn
        plus.add(U_PMR_GETDC_set());
        emf.brush(blue).rectangle(0, 80, 100, 100); // handed to GDI: drawn
        plus.fillRect(QRectF(80, 0, 20, 20), opaque(red));
        emf.brush(blue).rectangle(50, 0, 70, 20); // EMF+ has taken over again: not drawn
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 10, 10, green);
        QCOMPARE_PIXEL(image, 25, 50, red);
        QCOMPARE_PIXEL(image, 75, 50, white);
        QCOMPARE_PIXEL(image, 50, 90, blue);
        QCOMPARE_PIXEL(image, 90, 10, red);
        QCOMPARE_PIXEL(image, 60, 10, white);
    }

    void getDcLendsTheClipUntilEmfPlusResumes() {
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf);
        U_PSEUDO_OBJ* left = rectF(QRectF(0, 0, 50, 100));
        plus.add(U_PMR_SETCLIPRECT_set(U_CM_Replace, left)).add(U_PMR_GETDC_set());
        release(left);
        emf.stock(U_NULL_PEN).brush(blue).rectangle(0, 0, 100, 50);
        plus.add(U_PMR_RESETCLIP_set()).add(U_PMR_GETDC_set());
        emf.rectangle(0, 60, 100, 100);
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 20, 20, blue);
        QCOMPARE_PIXEL(image, 80, 20, white); // outside the EMF+ clip
        QCOMPARE_PIXEL(image, 80, 80, blue);  // the GDI clip is whole again
    }

    // GDI drawing happens after the whole comment: a clip set after the GetDC record in the same
    // comment is the one the GDI records get.
    void gdiGetsTheClipItsCommentEndsWith() {
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf);
        plus.comment(EmfPlusWriter::record(0x4004, 0, {}) +
                     EmfPlusWriter::record(0x4032, U_CM_Replace << 8, rectBytes(0, 0, 50, 100)));
        emf.stock(U_NULL_PEN).brush(blue).rectangle(0, 0, 100, 100);
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 20, 20, blue);
        QCOMPARE_PIXEL(image, 80, 20, white);
    }

    void streamWithoutHeaderIsPlainEmf() {
        EmfWriter emf(100, 100);
        // No header: the EMF+ comment alone, which a reader must not take for the picture.
        QByteArray comment = QByteArrayLiteral("EMF+") +
                             EmfPlusWriter::record(fillRects, flagColour,
                                                   u32(opaque(red)) + u32(1) + rectBytes(0, 0, 100, 100));
        emf.add(U_EMRCOMMENT_set(U_CBDATA(comment.size()), comment.constData()));
        emf.stock(U_NULL_PEN).brush(blue).rectangle(0, 0, 50, 50);
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 20, 20, blue);
        QCOMPARE_PIXEL(image, 80, 80, white);
    }

    void objectInPieces_data() {
        QTest::addColumn<bool>("lastPieceFlagged");
        QTest::newRow("every piece flagged") << true;
        QTest::newRow("last piece without the flag") << false;
    }
    void objectInPieces() {
        QFETCH(bool, lastPieceFlagged);
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf, false);
        const QByteArray brush = EmfPlusWriter::objectData(solidBrushObject(opaque(green)));
        const QByteArray total = u32(quint32(brush.size()));
        const quint16 flags = objectBrush | 5;
        plus.raw(recordObject, 0x8000 | flags, total + brush.left(8));
        plus.raw(recordObject, lastPieceFlagged ? 0x8000 | flags : flags,
                 (lastPieceFlagged ? total : QByteArray()) + brush.mid(8));
        plus.fillRectWithBrush(QRectF(0, 0, 50, 50), 5);
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 20, 20, green);
    }

    // Each broken record draws nothing; the records after it still draw.
    void brokenRecordsDrawNothing_data() {
        QTest::addColumn<QByteArray>("records");
        const QByteArray rect = rectBytes(0, 0, 100, 100);
        const QByteArray redFill = u32(opaque(red)) + u32(1) + rect;
        QTest::newRow("count beyond the record")
            << EmfPlusWriter::record(fillRects, flagColour, u32(opaque(red)) + u32(1'000'000'000) + rect);
        QTest::newRow("count that overflows")
            << EmfPlusWriter::record(fillRects, flagColour, u32(opaque(red)) + u32(0xFFFFFFFF) + rect);
        QTest::newRow("brush slot out of the table")
            << EmfPlusWriter::record(fillRects, 0, u32(200) + u32(1) + rect);
        QTest::newRow("empty brush slot") << EmfPlusWriter::record(fillRects, 0, u32(12) + u32(1) + rect);
        QTest::newRow("infinite coordinate") << EmfPlusWriter::record(
            fillRects, flagColour,
            u32(opaque(red)) + u32(1) + rectBytes(0, 0, std::numeric_limits<float>::infinity(), 100));
        QTest::newRow("not a number") << EmfPlusWriter::record(
            fillRects, flagColour, u32(opaque(red)) + u32(1) + rectBytes(std::nanf(""), 0, 100, 100));
        QTest::newRow("path of a billion points")
            << EmfPlusWriter::record(recordObject, 0x0300 | 7, version() + u32(1'000'000'000) + u32(0)) +
                   EmfPlusWriter::record(0x4014, 7 | flagColour, u32(opaque(red)));
        QTest::newRow("object of four gigabytes in pieces")
            << EmfPlusWriter::record(recordObject, 0x8000 | objectBrush | 1, u32(0xFFFFFFF0) + version());
        QTest::newRow("bitmap larger than its data")
            << EmfPlusWriter::record(recordObject, 0x0500 | 4,
                                     version() + u32(1) + u32(30000) + u32(30000) + u32(120000) +
                                         u32(U_PF_32bppARGB) + u32(0) + QByteArray(64, '\0')) +
                   EmfPlusWriter::record(0x401A, 4,
                                         u32(0xFFFFFFFF) + u32(2) + rectBytes(0, 0, 10, 10) + rect);
        QTest::newRow("bitmap rows shorter than its width")
            << EmfPlusWriter::record(recordObject, 0x0500 | 4,
                                     version() + u32(1) + u32(4) + u32(2) + u32(4) + u32(U_PF_32bppARGB) +
                                         u32(0) + QByteArray(64, '\0')) +
                   EmfPlusWriter::record(0x401A, 4, u32(0xFFFFFFFF) + u32(2) + rectBytes(0, 0, 4, 2) + rect);
        QTest::newRow("DrawImagePoints with four points") << EmfPlusWriter::record(
            0x401B, 4, u32(0xFFFFFFFF) + u32(2) + rectBytes(0, 0, 4, 2) + u32(4) + QByteArray(32, '\0'));
        QTest::newRow("region of unknown nodes")
            << EmfPlusWriter::record(recordObject, 0x0400 | 9, version() + u32(0) + u32(0x77)) +
                   EmfPlusWriter::record(0x4013, 9 | flagColour, u32(opaque(red)));
        QTest::newRow("string longer than its record") << EmfPlusWriter::record(
            0x401C, 2 | flagColour, u32(opaque(red)) + u32(0) + u32(0x7FFFFFFF) + rect);
        QTest::newRow("driver string glyphs beyond the record") << EmfPlusWriter::record(
            0x4036, 2 | flagColour, u32(opaque(red)) + u32(1) + u32(0) + u32(100000));
        // Underlined, and no character the font has: an empty run of glyphs, which Qt must not get.
        QTest::newRow("underlined driver string without glyphs")
            << EmfPlusWriter::record(recordObject, 0x0600 | 2,
                                     version() + f32(20) + u32(U_UT_World) + u32(U_FS_Underline) + u32(0) +
                                         u32(0)) +
                   EmfPlusWriter::record(0x4036, 2 | flagColour,
                                         u32(opaque(red)) + u32(U_DSO_CmapLookup) + u32(0) + u32(2) +
                                             QByteArray("\x0c\0\0\0", 4) + f32(10) + f32(30) + f32(50) +
                                             f32(30));
        QTest::newRow("clip of a missing path") << EmfPlusWriter::record(0x4033, 33, {});
        QTest::newRow("restore of nothing saved") << EmfPlusWriter::record(0x4026, 0, u32(99));
        QTest::newRow("singular transform")
            << EmfPlusWriter::record(0x402A, 0, f32(0) + f32(0) + f32(0) + f32(0) + f32(5) + f32(5));
        QTest::newRow("data size beyond the record")
            << EmfPlusWriter::record(fillRects, flagColour, redFill).replace(8, 4, u32(1000));
        QTest::newRow("record size below its header")
            << EmfPlusWriter::record(fillRects, flagColour, redFill).replace(4, 4, u32(4));
        QTest::newRow("record size beyond the comment")
            << EmfPlusWriter::record(fillRects, flagColour, redFill).replace(4, 4, u32(0xFFFFFFF0));
    }
    void brokenRecordsDrawNothing() {
        QFETCH(QByteArray, records);
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf, false);
        plus.comment(records);
        plus.fillRect(QRectF(0, 0, 10, 10), opaque(blue));
        const QImage image = draw(emf);
        QCOMPARE(image.size(), QSize(100, 100));
        QCOMPARE_PIXEL(image, 5, 5, blue);
        QCOMPARE_PIXEL(image, 50, 50, white);
    }

    // A picture in a picture in a picture...: drawn to a bounded depth, in bounded time.
    void nestedPicturesStop() {
        QByteArray inner = filledEmf(20, green);
        for (int depth = 0; depth < 6; ++depth) {
            EmfWriter emf(20, 20);
            EmfPlusWriter plus(emf, false);
            plus.raw(recordObject, 0x0500 | 4, metafileImage(inner));
            for (int i = 0; i < 8; ++i)
                drawImage(plus, 4, QRectF(0, 0, 20, 20), QRectF(0, 0, 20, 20));
            inner = emf.finish();
        }
        const QImage image = metafile::render(inner, Kind::Emf);
        QCOMPARE(image.size(), QSize(20, 20));
    }

    // A path of long crossing edges costs Qt far more than its few points suggest; drawn again and
    // again by records of a few bytes each, it spends the picture's work budget, and drawing stops
    // there instead of taking minutes.
    void costlyDrawingsStopAtTheBudget() {
        QPolygonF zigzag;
        quint32 seed = 7;
        for (int i = 0; i < 1000; ++i) {
            seed = seed * 1103515245u + 12345u;
            zigzag.append(QPointF((seed >> 8) % 100, (seed >> 16) % 100));
        }
        QPainterPath path;
        path.addPolygon(zigzag);
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf, false);
        plus.add(U_PMR_SETANTIALIASMODE_set(U_SM_AntiAlias8x4, 1)).path(7, path).pen(3, 5, opaque(red));
        QByteArray draws;
        for (int i = 0; i < 5000; ++i)
            draws += EmfPlusWriter::record(0x4015, 7, u32(3));
        plus.comment(draws).fillRect(QRectF(0, 0, 10, 10), opaque(blue));
        const QImage image = draw(emf);
        QCOMPARE(image.size(), QSize(100, 100));
        QVERIFY(rgbAt(image, 5, 5) != blue);
    }

    // Clips of a few hundred crossing edges each: combined by pixels, not by Qt's path operations,
    // which would take minutes over them.
    void crossingClipsCombineQuickly() {
        quint32 seed = 11;
        const auto scribble = [&seed] {
            QPolygonF points;
            for (int i = 0; i < 400; ++i) {
                seed = seed * 1103515245u + 12345u;
                points.append(QPointF((seed >> 8) % 100, (seed >> 16) % 100));
            }
            QPainterPath path;
            path.addPolygon(points);
            return path;
        };
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf, false);
        plus.path(7, scribble()).path(8, scribble());
        plus.add(U_PMR_SETCLIPPATH_set(7, U_CM_Replace)).add(U_PMR_SETCLIPPATH_set(8, U_CM_Intersect));
        plus.add(U_PMR_SETCLIPPATH_set(7, U_CM_XOR)).fillRect(QRectF(0, 0, 100, 100), opaque(red));
        plus.add(U_PMR_RESETCLIP_set()).fillRect(QRectF(0, 0, 10, 10), opaque(blue));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 5, 5, blue);
    }

    void deepRegionCostsNoStack() {
        // A chain of 50 000 unions, each node a combination whose right child is a rectangle.
        QByteArray nodes;
        const int depth = 50'000;
        for (int i = 0; i < depth; ++i)
            nodes += u32(U_RNDT_Or);
        nodes += u32(U_RNDT_Rect) + rectBytes(0, 0, 10, 10);
        for (int i = 0; i < depth; ++i)
            nodes += u32(U_RNDT_Rect) + rectBytes(float(i % 90), 20, 10, 10);
        EmfWriter emf(100, 100);
        EmfPlusWriter plus(emf, false);
        plus.raw(recordObject, 0x0400 | 9, version() + u32(2 * depth) + nodes);
        plus.raw(0x4013, 9 | flagColour, u32(opaque(red)));
        plus.fillRect(QRectF(90, 90, 10, 10), opaque(blue));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 95, 95, blue);
    }

    // GDI+ text is Unicode, yet a Symbol font still shows Greek for Latin letters and for the codes
    // U+F020 to U+F0FF: each draws as the Greek letter written as Unicode does.
    void symbolFontTextDrawsWhatItStandsFor_data() {
        QTest::addColumn<bool>("driverString");
        QTest::addColumn<QString>("text");
        QTest::newRow("DrawString, a Latin letter") << false << QStringLiteral("p");
        QTest::newRow("DrawString, the private range") << false << QString(QChar(0xF070));
        QTest::newRow("DrawDriverString, a Latin letter") << true << QStringLiteral("p");
    }
    void symbolFontTextDrawsWhatItStandsFor() {
        QFETCH(bool, driverString);
        QFETCH(QString, text);
        const auto picture = [&](const QString& characters) {
            EmfWriter emf(100, 100);
            EmfPlusWriter plus(emf, false);
            plus.font(2, 60, QStringLiteral("Symbol"));
            if (driverString)
                plus.raw(0x4036, 0x8000 | 2,
                         u32(opaque(black)) + u32(U_DSO_CmapLookup) + u32(0) + u32(1) +
                             u16(characters[0].unicode()) + f32(20) + f32(80));
            else
                drawString(plus, characters, QRectF(10, 10, 80, 80));
            return draw(emf);
        };
        const QImage symbol = picture(text);
        QVERIFY(darkPixels(symbol, symbol.rect()) > 50);
        QCOMPARE(symbol, picture(QString(QChar(0x03C0)))); // π
    }
};

QTEST_MAIN(TestMetafileEmfPlus)
#include "tst_metafile_emfplus.moc"
