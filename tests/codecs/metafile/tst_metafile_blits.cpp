#include "PixelChecks.h"
#include "codecs/metafile/MetafileImage.h"
#include "tests/support/MetafileWriter.h"

#include <QtTest>

using metafile::Kind;

namespace {

U_RECTL rect(int l, int t, int r, int b) {
    return U_RECTL{l, t, r, b};
}

const U_XFORM identity = xform_set(1, 0, 0, 1, 0, 0);

// A 2 × 2 bitmap: red, green over blue, yellow.
QImage quad() {
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, 0xFF000000u | red);
    image.setPixel(1, 0, 0xFF000000u | green);
    image.setPixel(0, 1, 0xFF000000u | blue);
    image.setPixel(1, 1, 0xFF000000u | yellow);
    return image;
}

QImage filled(QRgb colour) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(0xFF000000u | colour);
    return image;
}

// STRETCHBLT of `image` onto (20, 20, 40 × 40) with `rop`, over a picture half red (left) and half
// white.
QImage blitOverRed(const QImage& image, int bitCount, quint32 rop, QRgb brush = black) {
    EmfWriter emf(100, 100);
    emf.stock(U_NULL_PEN).brush(red).rectangle(0, 0, 50, 100);
    emf.brush(brush);
    const DibParts dib = makeDib(image, bitCount);
    emf.add(U_EMRSTRETCHBLT_set(rect(20, 20, 59, 59), point32_set(20, 20), point32_set(40, 40),
                                point32_set(0, 0), point32_set(image.width(), image.height()), identity,
                                colorRefOf(white), U_DIB_RGB_COLORS, rop,
                                const_cast<PU_BITMAPINFO>(dib.bitmapInfo()), uint32_t(dib.bits.size()),
                                const_cast<char*>(dib.bits.constData())));
    return metafile::render(emf.finish(), Kind::Emf);
}

PU_RGNDATA region(const std::vector<U_RECTL>& rects) {
    std::vector<U_RECTL> copy = rects;
    return rgndata_set(rgndataheader_set(uint32_t(copy.size()), rect(0, 0, 100, 100)), copy.data());
}

} // namespace

class TestMetafileBlits : public QObject {
    Q_OBJECT

private slots:
    // Raster operations combine the bitmap (S) with what is drawn (D) and the brush (P).
    void rasterOperations_data() {
        QTest::addColumn<quint32>("rop");
        QTest::addColumn<QRgb>("source");
        QTest::addColumn<QRgb>("overRed");
        QTest::addColumn<QRgb>("overWhite");
        QTest::newRow("SRCCOPY") << quint32(U_SRCCOPY) << blue << blue << blue;
        QTest::newRow("SRCAND: a white mask keeps") << quint32(U_SRCAND) << white << red << white;
        QTest::newRow("SRCAND: black clears") << quint32(U_SRCAND) << black << black << black;
        QTest::newRow("SRCPAINT: black keeps") << quint32(U_SRCPAINT) << black << red << white;
        QTest::newRow("SRCPAINT: adds") << quint32(U_SRCPAINT) << blue << QRgb(0xFF00FF) << white;
        QTest::newRow("SRCINVERT") << quint32(U_SRCINVERT) << white << QRgb(0x00FFFF) << black;
        QTest::newRow("NOTSRCCOPY") << quint32(U_NOTSRCCOPY) << blue << yellow << yellow;
        // DSPDxax: the brush where the source is white, the destination where it is black.
        QTest::newRow("DSPDxax, white") << quint32(0x00E20746) << white << green << green;
        QTest::newRow("DSPDxax, black") << quint32(0x00E20746) << black << red << white;
    }
    void rasterOperations() {
        QFETCH(quint32, rop);
        QFETCH(QRgb, source);
        QFETCH(QRgb, overRed);
        QFETCH(QRgb, overWhite);
        const QImage image = blitOverRed(filled(source), 24, rop, green);
        QCOMPARE_PIXEL(image, 30, 40, overRed);
        QCOMPARE_PIXEL(image, 55, 40, overWhite);
        QCOMPARE_PIXEL(image, 10, 10, red); // outside the blit
    }

    void mirroredAndStretchedBlit() {
        // A negative destination width mirrors the bitmap.
        EmfWriter emf(100, 100);
        const QImage image = quad();
        const DibParts dib = makeDib(image, 24);
        emf.add(U_EMRSTRETCHBLT_set(rect(20, 20, 59, 59), point32_set(60, 20), point32_set(-40, 40),
                                    point32_set(0, 0), point32_set(2, 2), identity, colorRefOf(white),
                                    U_DIB_RGB_COLORS, U_SRCCOPY, const_cast<PU_BITMAPINFO>(dib.bitmapInfo()),
                                    uint32_t(dib.bits.size()), const_cast<char*>(dib.bits.constData())));
        const QImage out = metafile::render(emf.finish(), Kind::Emf);
        QCOMPARE_PIXEL(out, 30, 30, green);
        QCOMPARE_PIXEL(out, 50, 30, red);
        QCOMPARE_PIXEL(out, 30, 50, yellow);
        QCOMPARE_PIXEL(out, 61, 30, white);
    }

    // A source rectangle reaching past the bitmap (a damaged record) draws only what it covers.
    void sourceOutsideTheBitmapIsNotRead_data() {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QSize>("size");
        QTest::newRow("past the right") << QPoint(1, 0) << QSize(4, 2);
        QTest::newRow("negative origin") << QPoint(-3, -3) << QSize(4, 4);
        QTest::newRow("huge") << QPoint(0, 0) << QSize(2'000'000'000, 2'000'000'000);
        QTest::newRow("wholly outside") << QPoint(100, 100) << QSize(2, 2);
    }
    void sourceOutsideTheBitmapIsNotRead() {
        QFETCH(QPoint, at);
        QFETCH(QSize, size);
        EmfWriter emf(100, 100);
        const DibParts dib = makeDib(quad(), 24);
        emf.add(U_EMRSTRETCHBLT_set(rect(0, 0, 99, 99), point32_set(0, 0), point32_set(100, 100),
                                    point32_set(at.x(), at.y()), point32_set(size.width(), size.height()),
                                    identity, colorRefOf(white), U_DIB_RGB_COLORS, U_SRCCOPY,
                                    const_cast<PU_BITMAPINFO>(dib.bitmapInfo()), uint32_t(dib.bits.size()),
                                    const_cast<char*>(dib.bits.constData())));
        emf.stock(U_NULL_PEN).brush(blue).rectangle(90, 90, 100, 100);
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        QVERIFY(!image.isNull());
        QCOMPARE_PIXEL(image, 95, 95, blue); // drawing went on after the blit
    }

    // The fuzzer's crasher: a bitmap mirrored by a negative destination size and shrunk by the world
    // transform to under a pixel made Qt's scaled drawImage read far outside the bitmap.
    void mirroredBitmapUnderAPixel_data() {
        QTest::addColumn<QSize>("destination");
        QTest::addColumn<quint32>("rop");
        QTest::newRow("upside down, DSPDxax") << QSize(21, -11) << quint32(0x00E20746);
        QTest::newRow("upside down, SRCCOPY") << QSize(21, -11) << quint32(U_SRCCOPY);
        QTest::newRow("right to left") << QSize(-21, 11) << quint32(U_SRCCOPY);
        QTest::newRow("both") << QSize(-21, -11) << quint32(U_SRCCOPY);
    }
    void mirroredBitmapUnderAPixel() {
        QFETCH(QSize, destination);
        QFETCH(quint32, rop);
        EmfWriter emf(100, 100);
        emf.add(U_EMRMODIFYWORLDTRANSFORM_set(xform_set(0.0625f, 0, 0, 0.0625f, 0, 0), U_MWT_LEFTMULTIPLY));
        QImage image(10, 4, QImage::Format_RGB32);
        image.fill(0xFF000000u | white);
        for (int i = 0; i < 4; ++i)
            image.setPixel(i * 2, i, 0xFF000000u | black);
        const DibParts dib = makeDib(image, 1);
        emf.add(U_EMRSTRETCHBLT_set(rect(0, 0, 99, 99), point32_set(366, 294),
                                    point32_set(destination.width(), destination.height()), point32_set(0, 0),
                                    point32_set(8, 4), identity, colorRefOf(white), U_DIB_RGB_COLORS, rop,
                                    const_cast<PU_BITMAPINFO>(dib.bitmapInfo()), uint32_t(dib.bits.size()),
                                    const_cast<char*>(dib.bits.constData())));
        emf.add(U_EMRMODIFYWORLDTRANSFORM_set(identity, U_MWT_IDENTITY));
        emf.stock(U_NULL_PEN).brush(blue).rectangle(90, 90, 100, 100);
        const QByteArray bytes = emf.finish();
        for (const QSize corner : {QSize(), QSize(50, 50)}) {
            const QImage out = metafile::render(bytes, Kind::Emf, corner);
            QVERIFY(!out.isNull());
            if (corner.isEmpty())
                QCOMPARE_PIXEL(out, 95, 95, blue); // drawing went on after the blit
        }
    }

    void transparentBltLeavesItsColourOut() {
        EmfWriter emf(100, 100);
        emf.stock(U_NULL_PEN).brush(yellow).rectangle(0, 0, 100, 100);
        const DibParts dib = makeDib(quad(), 24);
        emf.add(U_EMRTRANSPARENTBLT_set(rect(0, 0, 99, 99), point32_set(0, 0), point32_set(100, 100),
                                        point32_set(0, 0), point32_set(2, 2), identity, colorRefOf(white),
                                        U_DIB_RGB_COLORS, 0x0000FFu,
                                        const_cast<PU_BITMAPINFO>(dib.bitmapInfo()),
                                        uint32_t(dib.bits.size()), const_cast<char*>(dib.bits.constData())));
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        QCOMPARE_PIXEL(image, 25, 25, yellow); // red was transparent
        QCOMPARE_PIXEL(image, 75, 25, green);
        QCOMPARE_PIXEL(image, 25, 75, blue);
    }

    void alphaBlendMixes() {
        EmfWriter emf(100, 100);
        emf.stock(U_NULL_PEN).brush(red).rectangle(0, 0, 100, 100);
        const DibParts dib = makeDib(filled(blue), 24);
        U_BLEND blend{0, 0, 128, 0};
        emf.add(U_EMRALPHABLEND_set(rect(0, 0, 99, 99), point32_set(0, 0), point32_set(100, 100),
                                    point32_set(0, 0), point32_set(2, 2), identity, colorRefOf(white),
                                    U_DIB_RGB_COLORS, blend, const_cast<PU_BITMAPINFO>(dib.bitmapInfo()),
                                    uint32_t(dib.bits.size()), const_cast<char*>(dib.bits.constData())));
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        const QColor mixed(image.pixel(50, 50));
        QVERIFY(qAbs(mixed.red() - 127) < 8);
        QVERIFY(qAbs(mixed.blue() - 128) < 8);
    }

    // An 8-bit run-length encoded bitmap: a run of red, then a literal red, blue, blue.
    void rle8Bitmap() {
        QByteArray info(40 + 8, '\0');
        const U_BITMAPINFOHEADER header = bitmapinfoheader_set(4, 1, 1, 8, U_BI_RLE8, 10, 0, 0, 2, 0);
        std::memcpy(info.data(), &header, 40);
        const U_RGBQUAD table[2] = {rgbquad_set(255, 0, 0, 0), rgbquad_set(0, 0, 255, 0)};
        std::memcpy(info.data() + 40, table, 8);
        QByteArray bits("\x01\x00\x00\x03\x00\x01\x01\x00\x00\x01", 10); // 1 × 0, literal 0 1 1, end
        EmfWriter emf(100, 100);
        emf.add(U_EMRSTRETCHDIBITS_set(rect(0, 0, 99, 99), point32_set(0, 0), point32_set(100, 100),
                                       point32_set(0, 0), point32_set(4, 1), U_DIB_RGB_COLORS, U_SRCCOPY,
                                       reinterpret_cast<PU_BITMAPINFO>(info.data()), uint32_t(bits.size()),
                                       bits.data()));
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        QCOMPARE_PIXEL(image, 10, 50, red);
        QCOMPARE_PIXEL(image, 35, 50, red);
        QCOMPARE_PIXEL(image, 60, 50, blue);
        QCOMPARE_PIXEL(image, 90, 50, blue);
    }

    // An 8-bit bitmap whose colour table is shorter than its indices: the missing colours are black
    // and the picture is drawn.
    void shortColourTableIsMadeUp() {
        QImage source(2, 1, QImage::Format_RGB32);
        source.setPixel(0, 0, 0xFF000000u | red);
        source.setPixel(1, 0, 0xFF000000u | blue);
        DibParts dib = makeDib(source, 8);
        // Claim 200 colours while the table holds 2; the bits still index 0 and 1.
        reinterpret_cast<U_BITMAPINFOHEADER*>(dib.info.data())->biClrUsed = 200;
        EmfWriter emf(100, 100);
        emf.add(U_EMRSTRETCHDIBITS_set(rect(0, 0, 99, 99), point32_set(0, 0), point32_set(100, 100),
                                       point32_set(0, 0), point32_set(2, 1), U_DIB_RGB_COLORS, U_SRCCOPY,
                                       const_cast<PU_BITMAPINFO>(dib.bitmapInfo()), uint32_t(dib.bits.size()),
                                       dib.bits.data()));
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        QVERIFY(!image.isNull());
        QCOMPARE_PIXEL(image, 25, 50, red);
    }

    void clipRegions_data() {
        QTest::addColumn<quint32>("mode");
        QTest::addColumn<QRgb>("inRegion");
        QTest::addColumn<QRgb>("outside");
        QTest::newRow("RGN_COPY") << quint32(U_RGN_COPY) << red << white;
        QTest::newRow("RGN_AND") << quint32(U_RGN_AND) << red << white;
        QTest::newRow("RGN_DIFF") << quint32(U_RGN_DIFF) << white << red;
    }
    void clipRegions() {
        QFETCH(quint32, mode);
        QFETCH(QRgb, inRegion);
        QFETCH(QRgb, outside);
        EmfWriter emf(100, 100);
        PU_RGNDATA area = region({rect(0, 0, 50, 100)});
        emf.add(U_EMREXTSELECTCLIPRGN_set(mode, area));
        std::free(area);
        emf.stock(U_NULL_PEN).brush(red).rectangle(0, 0, 100, 100);
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        QCOMPARE_PIXEL(image, 25, 50, inRegion);
        QCOMPARE_PIXEL(image, 75, 50, outside);
    }

    void fillRegionAndClipPath() {
        EmfWriter emf(100, 100);
        uint32_t brush = 0;
        emf.add(
            createbrushindirect_set(&brush, emf.handles(), logbrush_set(U_BS_SOLID, colorRefOf(green), 0)));
        PU_RGNDATA area = region({rect(0, 0, 20, 20), rect(80, 0, 100, 20)});
        emf.add(U_EMRFILLRGN_set(rect(0, 0, 100, 20), brush, area));
        std::free(area);
        // A triangle path as the clip: the rectangle drawn after it shows only inside.
        emf.add(U_EMRBEGINPATH_set()).add(U_EMRMOVETOEX_set(point32_set(0, 100)));
        emf.add(U_EMRLINETO_set(point32_set(50, 30))).add(U_EMRLINETO_set(point32_set(100, 100)));
        emf.add(U_EMRCLOSEFIGURE_set()).add(U_EMRENDPATH_set()).add(U_EMRSELECTCLIPPATH_set(U_RGN_COPY));
        emf.stock(U_NULL_PEN).brush(red).rectangle(0, 30, 100, 100);
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        QCOMPARE_PIXEL(image, 10, 10, green);
        QCOMPARE_PIXEL(image, 50, 10, white);
        QCOMPARE_PIXEL(image, 90, 10, green);
        QCOMPARE_PIXEL(image, 50, 80, red);
        QCOMPARE_PIXEL(image, 10, 40, white);
    }

    // FRAMERGN fills a band of the stroke's width and height inside the region, INVERTRGN inverts
    // what is drawn, OFFSETCLIPRGN moves the clip.
    void frameInvertAndOffsetRegions() {
        EmfWriter emf(100, 100);
        uint32_t brush = 0;
        emf.add(
            createbrushindirect_set(&brush, emf.handles(), logbrush_set(U_BS_SOLID, colorRefOf(green), 0)));
        PU_RGNDATA frame = region({rect(10, 10, 50, 50)});
        emf.add(U_EMRFRAMERGN_set(rect(10, 10, 50, 50), brush, sizel_set(5, 5), frame));
        std::free(frame);
        emf.stock(U_NULL_PEN).brush(red).rectangle(60, 10, 90, 50);
        PU_RGNDATA invert = region({rect(60, 10, 75, 50)});
        emf.add(U_EMRINVERTRGN_set(invert));
        std::free(invert);
        PU_RGNDATA clip = region({rect(0, 60, 30, 100)});
        emf.add(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, clip));
        std::free(clip);
        emf.add(U_EMROFFSETCLIPRGN_set(point32_set(50, 0)));
        emf.rectangle(0, 60, 100, 100);
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        QCOMPARE_PIXEL(image, 12, 30, green); // the frame, inside the region
        QCOMPARE_PIXEL(image, 8, 30, white);
        QCOMPARE_PIXEL(image, 30, 30, white); // its middle stays clear
        QCOMPARE_PIXEL(image, 47, 12, green);
        QCOMPARE_PIXEL(image, 65, 30, 0x00FFFF); // red inverted
        QCOMPARE_PIXEL(image, 85, 30, red);
        QCOMPARE_PIXEL(image, 15, 80, white); // the clip moved right by 50
        QCOMPARE_PIXEL(image, 65, 80, red);
        QCOMPARE_PIXEL(image, 85, 80, white);
    }

    void hatchedBrushBackground_data() {
        QTest::addColumn<quint32>("backgroundMode");
        QTest::addColumn<QRgb>("gap");
        QTest::newRow("opaque: the background colour") << quint32(U_OPAQUE) << yellow;
        QTest::newRow("transparent: what is under") << quint32(U_TRANSPARENT) << white;
    }
    void hatchedBrushBackground() {
        QFETCH(quint32, backgroundMode);
        QFETCH(QRgb, gap);
        EmfWriter emf(100, 100);
        emf.add(U_EMRSETBKCOLOR_set(colorRefOf(yellow))).add(U_EMRSETBKMODE_set(backgroundMode));
        emf.stock(U_NULL_PEN).brush(blue, U_BS_HATCHED, U_HS_HORIZONTAL).rectangle(0, 0, 100, 100);
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        int lines = 0;
        int gaps = 0;
        for (int y = 10; y < 30; ++y) {
            lines += rgbAt(image, 50, y) == blue;
            gaps += rgbAt(image, 50, y) == gap;
        }
        QVERIFY(lines > 0);
        QCOMPARE(lines + gaps, 20);
    }

    void gradientFillRectangle() {
        EmfWriter emf(100, 100);
        U_TRIVERTEX vertices[2] = {{0, 0, 0xFF00, 0, 0, 0}, {100, 100, 0, 0, 0xFF00, 0}};
        const uint32_t rectangle[2] = {0, 1};
        emf.add(
            U_EMRGRADIENTFILL_set(rect(0, 0, 100, 100), 2, 1, U_GRADIENT_FILL_RECT_H, vertices, rectangle));
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        const QColor left(image.pixel(2, 50));
        const QColor middle(image.pixel(50, 50));
        const QColor right(image.pixel(97, 50));
        QVERIFY(left.red() > 240 && left.blue() < 15);
        QVERIFY(right.blue() > 240 && right.red() < 15);
        QVERIFY(qAbs(middle.red() - 128) < 12 && qAbs(middle.blue() - 128) < 12);
    }
};

QTEST_MAIN(TestMetafileBlits)
#include "tst_metafile_blits.moc"
