#include "PixelChecks.h"
#include "codecs/metafile/MetafileImage.h"
#include "tests/support/MetafileWriter.h"

#include <QtTest>

using metafile::Kind;

namespace {

U_RECTL rect(int l, int t, int r, int b) {
    return U_RECTL{l, t, r, b};
}

// A 100 × 100 picture with a red brush and no pen, ready for filled shapes.
EmfWriter& redFill(EmfWriter& emf) {
    return emf.stock(U_NULL_PEN).brush(red);
}

QImage draw(EmfWriter& emf, QSize corner = {}) {
    const QImage image = metafile::render(emf.finish(), Kind::Emf, corner);
    if (image.isNull())
        qWarning("the EMF did not render");
    return image;
}

} // namespace

class TestMetafileEmf : public QObject {
    Q_OBJECT

private slots:
    void filledRectangleIsInsideOnly() {
        EmfWriter emf(100, 100);
        redFill(emf).rectangle(10, 10, 50, 50);
        const QImage image = draw(emf);
        QCOMPARE(image.size(), QSize(100, 100));
        QCOMPARE_PIXEL(image, 10, 10, red);
        QCOMPARE_PIXEL(image, 49, 49, red);
        QCOMPARE_PIXEL(image, 9, 30, white);
        QCOMPARE_PIXEL(image, 50, 30, white);
    }

    void penDrawsLines() {
        EmfWriter emf(100, 100);
        emf.pen(U_PS_SOLID, 1, blue);
        emf.add(U_EMRMOVETOEX_set(point32_set(10, 20))).add(U_EMRLINETO_set(point32_set(90, 20)));
        // A polyline continues in another colour; a null pen then draws nothing.
        emf.pen(U_PS_SOLID, 1, green);
        const U_POINTL points[] = {point32_set(10, 60), point32_set(90, 60)};
        emf.add(U_EMRPOLYLINE_set(rect(10, 60, 90, 60), 2, points));
        emf.stock(U_NULL_PEN)
            .add(U_EMRMOVETOEX_set(point32_set(10, 80)))
            .add(U_EMRLINETO_set(point32_set(90, 80)));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 50, 20, blue);
        QCOMPARE_PIXEL(image, 50, 22, white);
        QCOMPARE_PIXEL(image, 50, 60, green);
        QCOMPARE_PIXEL(image, 50, 80, white);
    }

    // A one-pixel (cosmetic) line leaves out its last pixel, as GDI draws it: charts draw dotted
    // grids as one-pixel segments a pixel apart, which must not join into a solid line.
    void cosmeticLinesLeaveOutTheirLastPixel() {
        EmfWriter emf(100, 100);
        emf.pen(U_PS_SOLID, 0, blue);
        emf.add(U_EMRMOVETOEX_set(point32_set(10, 20))).add(U_EMRLINETO_set(point32_set(20, 20)));
        for (int x = 10; x < 30; x += 2)
            emf.add(U_EMRMOVETOEX_set(point32_set(x, 40))).add(U_EMRLINETO_set(point32_set(x + 1, 40)));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 10, 20, blue);
        QCOMPARE_PIXEL(image, 19, 20, blue);
        QCOMPARE_PIXEL(image, 20, 20, white);
        for (int x = 10; x < 30; x += 2) {
            QCOMPARE_PIXEL(image, x, 40, blue);
            QCOMPARE_PIXEL(image, x + 1, 40, white);
        }
    }

    // A dotted pen that scales with the picture, on a line the mapping squeezes a thousandfold:
    // Qt alone would dash it in the file's units, thousands of dots on each pixel that merge into a
    // solid line and take seconds; GDI dots it in pixels.
    void dottedPenSqueezedByTheMappingDotsInPixels() {
        EmfWriter emf(100, 100);
        emf.add(U_EMRSETWORLDTRANSFORM_set(xform_set(1, 0, 0, 0.001f, 0, 0)));
        emf.pen(U_PS_DOT, 2, blue);
        const U_POINTL points[] = {point32_set(50, 0), point32_set(50, 90000)};
        emf.add(U_EMRPOLYLINE_set(rect(50, 0, 50, 90000), 2, points));
        const QImage image = draw(emf);
        int drawn = 0;
        for (int y = 5; y < 85; ++y)
            drawn += image.pixel(50, y) == (0xFF000000 | blue) ? 1 : 0;
        QVERIFY2(drawn > 10 && drawn < 70, (QByteArray::number(drawn) + " of 80 pixels drawn").constData());
    }

    // A dotted line running millions of pixels past the picture is drawn only near it, its dots where
    // the whole line puts them: the part inside matches the same line ending inside the picture.
    void dottedLineFarOutsideKeepsItsDots() {
        auto line = [](int end) {
            EmfWriter emf(100, 100);
            emf.pen(U_PS_DOT, 0, blue);
            const U_POINTL points[] = {point32_set(10, 50), point32_set(end, 50)};
            emf.add(U_EMRPOLYLINE_set(rect(10, 50, end, 50), 2, points));
            return draw(emf);
        };
        const QImage near = line(99);
        const QImage far = line(50'000'000);
        int drawn = 0;
        for (int x = 10; x < 95; ++x) {
            QCOMPARE(far.pixel(x, 50), near.pixel(x, 50));
            drawn += far.pixel(x, 50) == (0xFF000000 | blue) ? 1 : 0;
        }
        QVERIFY(drawn > 10 && drawn < 80);
    }

    void wideGeometricPen() {
        EmfWriter emf(100, 100);
        emf.pen(U_PS_SOLID, 10, blue).stock(U_NULL_BRUSH).rectangle(20, 20, 80, 80);
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 20, 50, blue);
        QCOMPARE_PIXEL(image, 24, 50, blue);
        QCOMPARE_PIXEL(image, 50, 50, white); // the null brush leaves the inside
    }

    void ellipseFillsItsCentreNotItsCorners() {
        EmfWriter emf(100, 100);
        redFill(emf).add(U_EMRELLIPSE_set(rect(10, 10, 90, 90)));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 50, 50, red);
        QCOMPARE_PIXEL(image, 14, 14, white);
        QCOMPARE_PIXEL(image, 86, 86, white);
    }

    void pieFillsItsQuarter() {
        EmfWriter emf(100, 100);
        // Counter-clockwise from the right (east) to the top (north): the upper right quarter.
        redFill(emf).add(U_EMRPIE_set(rect(10, 10, 90, 90), point32_set(90, 50), point32_set(50, 10)));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 65, 35, red);
        QCOMPARE_PIXEL(image, 35, 35, white);
        QCOMPARE_PIXEL(image, 65, 65, white);
    }

    void polygonsIn16And32Bits_data() {
        QTest::addColumn<bool>("wide");
        QTest::newRow("32-bit") << true;
        QTest::newRow("16-bit") << false;
    }
    void polygonsIn16And32Bits() {
        QFETCH(bool, wide);
        EmfWriter emf(100, 100);
        redFill(emf);
        if (wide) {
            const U_POINTL points[] = {point32_set(10, 90), point32_set(50, 10), point32_set(90, 90)};
            emf.add(U_EMRPOLYGON_set(rect(10, 10, 90, 90), 3, points));
        } else {
            const U_POINT16 points[] = {point16_set(10, 90), point16_set(50, 10), point16_set(90, 90)};
            emf.add(U_EMRPOLYGON16_set(rect(10, 10, 90, 90), 3, points));
        }
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 50, 70, red);
        QCOMPARE_PIXEL(image, 15, 20, white);
        QCOMPARE_PIXEL(image, 85, 20, white);
    }

    void polyPolygonLeavesItsHole() {
        EmfWriter emf(100, 100);
        redFill(emf);
        const U_POINT16 points[] = {point16_set(10, 10), point16_set(90, 10), point16_set(90, 90),
                                    point16_set(10, 90), point16_set(30, 30), point16_set(70, 30),
                                    point16_set(70, 70), point16_set(30, 70)};
        const uint32_t counts[] = {4, 4};
        emf.add(U_EMRPOLYPOLYGON16_set(rect(10, 10, 90, 90), 2, counts, 8, points));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 20, 20, red);
        QCOMPARE_PIXEL(image, 80, 50, red);
        QCOMPARE_PIXEL(image, 50, 50, white);
    }

    void pathIsFilled() {
        EmfWriter emf(100, 100);
        redFill(emf).add(U_EMRBEGINPATH_set());
        emf.add(U_EMRMOVETOEX_set(point32_set(10, 90)));
        emf.add(U_EMRLINETO_set(point32_set(50, 10))).add(U_EMRLINETO_set(point32_set(90, 90)));
        emf.add(U_EMRCLOSEFIGURE_set()).add(U_EMRENDPATH_set());
        // Nothing shows before the path is filled.
        emf.add(U_EMRFILLPATH_set(rect(10, 10, 90, 90)));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 50, 70, red);
        QCOMPARE_PIXEL(image, 15, 20, white);
    }

    void bezierCurvesThroughItsEnds() {
        EmfWriter emf(100, 100);
        emf.pen(U_PS_SOLID, 3, blue);
        const U_POINT16 points[] = {point16_set(10, 50), point16_set(40, 50), point16_set(60, 50),
                                    point16_set(90, 50)};
        emf.add(U_EMRPOLYBEZIER16_set(rect(10, 50, 90, 50), 4, points));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 50, 50, blue);
        QCOMPARE_PIXEL(image, 50, 40, white);
    }

    void worldTransformMovesShapes_data() {
        QTest::addColumn<int>("mode"); // 0: SETWORLDTRANSFORM, else MODIFYWORLDTRANSFORM's mode
        QTest::newRow("set") << 0;
        QTest::newRow("modify, left multiply") << int(U_MWT_LEFTMULTIPLY);
        QTest::newRow("modify, right multiply") << int(U_MWT_RIGHTMULTIPLY);
    }
    void worldTransformMovesShapes() {
        QFETCH(int, mode);
        EmfWriter emf(100, 100);
        const U_XFORM moveRight = xform_set(1, 0, 0, 1, 40, 0);
        redFill(emf).add(mode == 0 ? U_EMRSETWORLDTRANSFORM_set(moveRight)
                                   : U_EMRMODIFYWORLDTRANSFORM_set(moveRight, uint32_t(mode)));
        emf.rectangle(0, 0, 20, 20);
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 50, 10, red);
        QCOMPARE_PIXEL(image, 10, 10, white);
    }

    void garbageTransformIsIgnored() {
        EmfWriter emf(100, 100);
        redFill(emf).add(
            U_EMRSETWORLDTRANSFORM_set(xform_set(std::numeric_limits<float>::infinity(), 0, 0, 1, 0, 0)));
        emf.add(U_EMRSETWORLDTRANSFORM_set(xform_set(0, 0, 0, 0, 5, 5))); // singular
        emf.rectangle(0, 0, 20, 20);
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 10, 10, red);
    }

    void mapModesScale_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QSize>("viewport");
        QTest::addColumn<QRect>("logical"); // left, top, right, bottom as a QRect's corners
        QTest::addColumn<QPoint>("inside");
        QTest::addColumn<QPoint>("outside");
        QTest::newRow("text ignores extents")
            << int(U_MM_TEXT) << QSize(50, 50) << QSize(100, 100) << QRect(QPoint(10, 10), QPoint(20, 20))
            << QPoint(15, 15) << QPoint(25, 25);
        QTest::newRow("anisotropic doubles")
            << int(U_MM_ANISOTROPIC) << QSize(50, 100) << QSize(100, 100)
            << QRect(QPoint(10, 10), QPoint(20, 20)) << QPoint(30, 15) << QPoint(15, 25);
        QTest::newRow("isotropic keeps the aspect")
            << int(U_MM_ISOTROPIC) << QSize(50, 100) << QSize(100, 100)
            << QRect(QPoint(10, 10), QPoint(20, 20)) << QPoint(15, 15) << QPoint(25, 15);
        // 0.01 mm units, y growing upwards: 265 units make ten pixels at 96 DPI.
        QTest::newRow("himetric") << int(U_MM_HIMETRIC) << QSize() << QSize()
                                  << QRect(QPoint(265, -265), QPoint(529, -529)) << QPoint(15, 15)
                                  << QPoint(5, 5);
        QTest::newRow("twips") << int(U_MM_TWIPS) << QSize() << QSize()
                               << QRect(QPoint(150, -150), QPoint(300, -300)) << QPoint(15, 15)
                               << QPoint(25, 25);
    }
    void mapModesScale() {
        QFETCH(int, mode);
        QFETCH(QSize, window);
        QFETCH(QSize, viewport);
        QFETCH(QRect, logical);
        QFETCH(QPoint, inside);
        QFETCH(QPoint, outside);
        EmfWriter emf(100, 100);
        redFill(emf).add(U_EMRSETMAPMODE_set(uint32_t(mode)));
        if (window.isValid()) {
            emf.add(U_EMRSETWINDOWEXTEX_set(sizel_set(window.width(), window.height())));
            emf.add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(viewport.width(), viewport.height())));
        }
        emf.rectangle(logical.left(), logical.top(), logical.right(), logical.bottom());
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, inside.x(), inside.y(), red);
        QCOMPARE_PIXEL(image, outside.x(), outside.y(), white);
    }

    void originsShiftTheMapping() {
        EmfWriter emf(100, 100);
        redFill(emf).add(U_EMRSETWINDOWORGEX_set(point32_set(100, 100)));
        emf.add(U_EMRSETVIEWPORTORGEX_set(point32_set(10, 0)));
        emf.rectangle(100, 100, 120, 120); // (0, 0) after the window origin, moved 10 right
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 15, 5, red);
        QCOMPARE_PIXEL(image, 5, 5, white);
    }

    void restoreBringsBackThePen() {
        EmfWriter emf(100, 100);
        emf.pen(U_PS_SOLID, 3, red).add(U_EMRSAVEDC_set());
        emf.pen(U_PS_SOLID, 3, blue).add(U_EMRSAVEDC_set());
        emf.add(U_EMRSETWORLDTRANSFORM_set(xform_set(1, 0, 0, 1, 0, 50)));
        emf.add(U_EMRRESTOREDC_set(-2)); // past the blue pen's save to the red one
        emf.add(U_EMRMOVETOEX_set(point32_set(10, 20))).add(U_EMRLINETO_set(point32_set(90, 20)));
        emf.add(U_EMRRESTOREDC_set(-5)); // no such state: ignored
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 50, 20, red);
        QCOMPARE_PIXEL(image, 50, 70, white);
    }

    void stockObjectsAndDeletedObjects() {
        EmfWriter emf(100, 100);
        emf.stock(U_NULL_PEN).stock(U_BLACK_BRUSH).rectangle(0, 0, 10, 10);
        uint32_t brush = 0;
        emf.add(createbrushindirect_set(&brush, emf.handles(), logbrush_set(U_BS_SOLID, colorRefOf(red), 0)));
        emf.add(U_EMRDELETEOBJECT_set(brush)); // selecting a deleted object keeps the brush as it was
        emf.add(U_EMRSELECTOBJECT_set(brush)).rectangle(20, 0, 30, 10);
        emf.add(U_EMRSELECTOBJECT_set(60000)).rectangle(40, 0, 50, 10); // outside the table
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 5, 5, black);
        QCOMPARE_PIXEL(image, 25, 5, black);
        QCOMPARE_PIXEL(image, 45, 5, black);
    }

    void clipRectangleCutsDrawing() {
        EmfWriter emf(100, 100);
        redFill(emf).add(U_EMRINTERSECTCLIPRECT_set(rect(0, 0, 50, 100)));
        emf.rectangle(0, 0, 100, 100);
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 25, 50, red);
        QCOMPARE_PIXEL(image, 75, 50, white);
    }

    void dibIsDrawnInPlace_data() {
        QTest::addColumn<int>("bitCount");
        QTest::newRow("1-bit") << 1;
        QTest::newRow("4-bit") << 4;
        QTest::newRow("8-bit palette") << 8;
        QTest::newRow("24-bit") << 24;
        QTest::newRow("32-bit") << 32;
    }
    void dibIsDrawnInPlace() {
        QFETCH(int, bitCount);
        // Two rows of two pixels, stretched tenfold: rows prove the bottom-up order, columns the palette.
        QImage source(2, 2, QImage::Format_RGB32);
        const QRgb colours[] = {red, bitCount == 1 ? red : green, bitCount == 1 ? blue : blue,
                                bitCount == 1 ? blue : yellow};
        source.setPixel(0, 0, colours[0] | 0xFF000000u);
        source.setPixel(1, 0, colours[1] | 0xFF000000u);
        source.setPixel(0, 1, colours[2] | 0xFF000000u);
        source.setPixel(1, 1, colours[3] | 0xFF000000u);
        EmfWriter emf(100, 100);
        emf.stretchDib(QRect(30, 40, 20, 20), source, bitCount);
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 35, 45, colours[0]);
        QCOMPARE_PIXEL(image, 45, 45, colours[1]);
        QCOMPARE_PIXEL(image, 35, 55, colours[2]);
        QCOMPARE_PIXEL(image, 45, 55, colours[3]);
        QCOMPARE_PIXEL(image, 29, 45, white);
        QCOMPARE_PIXEL(image, 50, 55, white);
    }

    void bitBltWithoutSourceFillsWithTheBrush() {
        EmfWriter emf(100, 100);
        emf.brush(green);
        emf.add(U_EMRBITBLT_set(rect(10, 10, 29, 29), point32_set(10, 10), point32_set(20, 20),
                                point32_set(0, 0), xform_set(1, 0, 0, 1, 0, 0), colorRefOf(white),
                                U_DIB_RGB_COLORS, U_PATCOPY, nullptr, 0, nullptr));
        const QImage image = draw(emf);
        QCOMPARE_PIXEL(image, 20, 20, green);
        QCOMPARE_PIXEL(image, 35, 20, white);
    }

    void textMarksItsBox() {
        EmfWriter emf(200, 100);
        emf.font(-30).add(U_EMRSETTEXTCOLOR_set(colorRefOf(black))).add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        emf.text(10, 10, QStringLiteral("Hello"));
        const QImage image = draw(emf);
        QVERIFY(darkPixels(image, QRect(10, 10, 120, 35)) > 50);
        QCOMPARE(darkPixels(image, QRect(0, 50, 200, 50)), 0);
        QCOMPARE(darkPixels(image, QRect(140, 0, 60, 50)), 0);
    }

    void textAlignmentRight() {
        EmfWriter emf(200, 100);
        emf.font(-30).add(U_EMRSETBKMODE_set(U_TRANSPARENT)).add(U_EMRSETTEXTALIGN_set(U_TA_RIGHT));
        emf.text(190, 10, QStringLiteral("Hello"));
        const QImage image = draw(emf);
        QVERIFY(darkPixels(image, QRect(100, 10, 90, 35)) > 50);
        QCOMPARE(darkPixels(image, QRect(0, 0, 60, 100)), 0);
    }

    void cornerIsTheTopLeftOfTheWhole() {
        const QByteArray emf = largeEmf(40'000);
        const QImage whole = metafile::render(emf, Kind::Emf);
        const QImage corner = metafile::render(emf, Kind::Emf, QSize(337, 180));
        QCOMPARE(whole.size(), QSize(4000, 3000));
        QCOMPARE(corner.size(), QSize(337, 180));
        QCOMPARE(corner, whole.copy(0, 0, 337, 180));
        // A corner larger than the picture is the picture.
        EmfWriter small(50, 40);
        QCOMPARE(metafile::render(small.finish(), Kind::Emf, QSize(337, 180)).size(), QSize(50, 40));
    }

    void largeFileRenders() {
        const QByteArray emf = largeEmf(2'000'000);
        QVERIFY(emf.size() >= 2'000'000);
        const QImage corner = metafile::render(emf, Kind::Emf, QSize(337, 180));
        QCOMPARE(corner.size(), QSize(337, 180));
        QImage blank(corner.size(), corner.format());
        blank.fill(Qt::white);
        QVERIFY(corner != blank); // the shapes in the corner were drawn
    }
};

QTEST_MAIN(TestMetafileEmf)
#include "tst_metafile_emf.moc"
