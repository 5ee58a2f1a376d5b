#include "PixelChecks.h"
#include "codecs/metafile/MetafileImage.h"
#include "codecs/metafile/TextEncoding.h"
#include "tests/support/MetafileWriter.h"

#include <QtTest>
#include <cstdlib>
#include <cstring>

using metafile::Kind;

namespace {

U_RECT16 rect16(int l, int t, int r, int b) {
    return U_RECT16_set(point16_set(int16_t(l), int16_t(t)), point16_set(int16_t(r), int16_t(b)));
}

QImage draw(WmfWriter& wmf, QSize corner = {}) {
    const QImage image = metafile::render(wmf.finish(), Kind::Wmf, corner);
    if (image.isNull())
        qWarning("the WMF did not render");
    return image;
}

WmfWriter& redFill(WmfWriter& wmf) {
    return wmf.pen(U_PS_NULL, 0, black).brush(red);
}

// One band of a region: its top and bottom and the left and right of each span in it.
struct Band {
    qint16 top, bottom;
    std::vector<std::pair<qint16, qint16>> spans;
};

// CREATEREGION as Windows writes it: the Region object's 22-byte header (nextInChain, the object type
// 6, an object count of 4 bytes, its size, the count of scans, the largest scan, the bounds), then
// each scan: its count of x values, top, bottom, the spans, the count again.
char* createRegion(const std::vector<Band>& bands) {
    QByteArray scans;
    const auto put = [](QByteArray& bytes, quint16 value) {
        bytes.append(char(value & 0xFF)).append(char(value >> 8));
    };
    for (const Band& band : bands) {
        put(scans, quint16(band.spans.size() * 2));
        put(scans, quint16(band.top));
        put(scans, quint16(band.bottom));
        for (const auto& [left, right] : band.spans) {
            put(scans, quint16(left));
            put(scans, quint16(right));
        }
        put(scans, quint16(band.spans.size() * 2));
    }
    QByteArray record(4, '\0');
    put(record, 0x06FF);
    for (const quint16 word :
         {quint16(0), quint16(6), quint16(0), quint16(0), quint16(22 + scans.size()), quint16(bands.size()),
          quint16(2), quint16(0), quint16(0), quint16(100), quint16(100)})
        put(record, word);
    record.append(scans);
    const quint32 words = quint32(record.size() / 2);
    for (int i = 0; i < 4; ++i)
        record[i] = char((words >> (8 * i)) & 0xFF);
    char* copy = static_cast<char*>(std::malloc(std::size_t(record.size())));
    std::memcpy(copy, record.constData(), std::size_t(record.size()));
    return copy;
}

// A record of one function and its 16-bit parameters.
char* wordsRecord(quint16 function, std::initializer_list<quint16> parameters) {
    const std::size_t bytes = 6 + 2 * parameters.size();
    auto* record = static_cast<quint16*>(std::malloc(bytes));
    const quint32 words = quint32(bytes / 2);
    record[0] = quint16(words & 0xFFFF);
    record[1] = quint16(words >> 16);
    record[2] = function;
    std::size_t i = 3;
    for (const quint16 parameter : parameters)
        record[i++] = parameter;
    return reinterpret_cast<char*>(record);
}

} // namespace

class TestMetafileWmf : public QObject {
    Q_OBJECT

private slots:
    void placeableUnitsMapToPixels_data() {
        QTest::addColumn<int>("unitsPerInch");
        QTest::newRow("96 units an inch") << 96;
        QTest::newRow("1440 units an inch") << 1440;
    }
    void placeableUnitsMapToPixels() {
        QFETCH(int, unitsPerInch);
        const int unit = unitsPerInch / 96; // logical units per pixel
        WmfWriter wmf(96, 96, unitsPerInch);
        redFill(wmf).rectangle(10 * unit, 10 * unit, 50 * unit, 50 * unit);
        const QImage image = draw(wmf);
        QCOMPARE(image.size(), QSize(96, 96));
        QCOMPARE_PIXEL(image, 11, 11, red);
        QCOMPARE_PIXEL(image, 48, 48, red);
        QCOMPARE_PIXEL(image, 8, 30, white);
        QCOMPARE_PIXEL(image, 52, 30, white);
    }

    void shapesAndLines() {
        WmfWriter wmf(96, 96);
        redFill(wmf).add(U_WMRELLIPSE_set(rect16(10, 10, 50, 50)));
        const U_POINT16 triangle[] = {point16_set(60, 50), point16_set(75, 10), point16_set(90, 50)};
        wmf.add(U_WMRPOLYGON_set(3, triangle));
        wmf.pen(U_PS_SOLID, 1, blue);
        wmf.add(U_WMRMOVETO_set(point16_set(10, 80))).add(U_WMRLINETO_set(point16_set(90, 80)));
        const QImage image = draw(wmf);
        QCOMPARE_PIXEL(image, 30, 30, red);
        QCOMPARE_PIXEL(image, 12, 12, white);
        QCOMPARE_PIXEL(image, 75, 40, red);
        QCOMPARE_PIXEL(image, 62, 15, white);
        QCOMPARE_PIXEL(image, 50, 80, blue);
        QCOMPARE_PIXEL(image, 50, 83, white);
    }

    void polyPolygonLeavesItsHole() {
        WmfWriter wmf(96, 96);
        redFill(wmf);
        const U_POINT16 points[] = {point16_set(10, 10), point16_set(90, 10), point16_set(90, 90),
                                    point16_set(10, 90), point16_set(30, 30), point16_set(70, 30),
                                    point16_set(70, 70), point16_set(30, 70)};
        const uint16_t counts[] = {4, 4};
        wmf.add(U_WMRPOLYPOLYGON_set(2, counts, points));
        const QImage image = draw(wmf);
        QCOMPARE_PIXEL(image, 20, 20, red);
        QCOMPARE_PIXEL(image, 50, 50, white);
    }

    void windowOriginAndExtentMapOntoThePicture() {
        WmfWriter wmf(96, 96);
        redFill(wmf).add(U_WMRSETWINDOWORG_set(point16_set(100, 100)));
        wmf.add(U_WMRSETWINDOWEXT_set(point16_set(192, 192))); // two units a pixel
        wmf.rectangle(148, 148, 196, 196);                     // pixels 24 to 48
        const QImage image = draw(wmf);
        QCOMPARE_PIXEL(image, 30, 30, red);
        QCOMPARE_PIXEL(image, 20, 30, white);
        QCOMPARE_PIXEL(image, 52, 30, white);
    }

    void withoutPlaceableTheWindowIsThePicture() {
        WmfWriter wmf;
        wmf.add(U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        wmf.add(U_WMRSETWINDOWORG_set(point16_set(0, 0))).add(U_WMRSETWINDOWEXT_set(point16_set(80, 60)));
        redFill(wmf).rectangle(10, 10, 30, 30);
        const QImage image = draw(wmf);
        QCOMPARE(image.size(), QSize(80, 60));
        QCOMPARE_PIXEL(image, 20, 20, red);
        QCOMPARE_PIXEL(image, 40, 20, white);
    }

    void restoreBringsBackTheBrush() {
        WmfWriter wmf(96, 96);
        redFill(wmf).add(U_WMRSAVEDC_set());
        wmf.brush(blue).add(U_WMRRESTOREDC_set(-1));
        wmf.rectangle(10, 10, 50, 50);
        const QImage image = draw(wmf);
        QCOMPARE_PIXEL(image, 30, 30, red);
    }

    void deletedObjectSlotsAreReused() {
        WmfWriter wmf(96, 96);
        wmf.add(U_WMRCREATEPENINDIRECT_set(U_PEN_set(U_PS_NULL, 0, colorRefOf(black)))); // slot 0
        wmf.add(U_WMRSELECTOBJECT_set(0));
        wmf.add(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(U_BS_SOLID, colorRefOf(green), 0))); // slot 1
        wmf.add(U_WMRSELECTOBJECT_set(1)).add(U_WMRDELETEOBJECT_set(1));
        wmf.add(
            U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(U_BS_SOLID, colorRefOf(red), 0))); // slot 1 again
        wmf.add(U_WMRSELECTOBJECT_set(1)).rectangle(10, 10, 50, 50);
        const QImage image = draw(wmf);
        QCOMPARE_PIXEL(image, 30, 30, red);
    }

    // Regions: the objects take the lowest free slot like any other; selected, they are the clip;
    // FILLREGION and PAINTREGION fill them, FRAMEREGION their inner edge, INVERTREGION inverts what
    // is under them, OFFSETCLIPRGN moves the clip.
    void regions() {
        WmfWriter wmf(100, 100);
        wmf.pen(U_PS_NULL, 0, black).brush(red).brush(green);                // slots 0, 1, 2
        wmf.add(createRegion({{0, 20, {{0, 20}, {80, 100}}}}));              // slot 3: two squares
        wmf.add(createRegion({{30, 50, {{10, 50}}}}));                       // slot 4: for a frame
        wmf.add(createRegion({{30, 50, {{60, 90}}}}));                       // slot 5: to invert
        wmf.add(createRegion({{60, 100, {{0, 30}}}}));                       // slot 6: the clip
        wmf.add(wordsRecord(0x0228, {3, 1}));                                // FILLREGION red
        wmf.add(wordsRecord(0x0429, {4, 2, 4, 4}));                          // FRAMEREGION green, 4 × 4
        wmf.add(U_WMRRECTANGLE_set(rect16(60, 30, 91, 51)));                 // green
        wmf.add(wordsRecord(0x012A, {5}));                                   // INVERTREGION
        wmf.add(wordsRecord(0x012C, {6})).add(wordsRecord(0x0220, {0, 50})); // SELECTCLIPREGION, moved
        wmf.add(U_WMRRECTANGLE_set(rect16(0, 60, 101, 101)));
        const QImage image = draw(wmf);
        QCOMPARE_PIXEL(image, 10, 10, red);
        QCOMPARE_PIXEL(image, 50, 10, white);
        QCOMPARE_PIXEL(image, 90, 10, red);
        QCOMPARE_PIXEL(image, 12, 40, green); // the frame
        QCOMPARE_PIXEL(image, 30, 40, white);
        QCOMPARE_PIXEL(image, 75, 40, 0xFF00FF); // green inverted
        QCOMPARE_PIXEL(image, 15, 80, white);    // the clip, moved right by 50
        QCOMPARE_PIXEL(image, 65, 80, green);
        QCOMPARE_PIXEL(image, 90, 80, white);
    }

    void dibRecordsDrawTheirBitmap_data() {
        QTest::addColumn<int>("bitCount");
        QTest::addColumn<bool>("stretchDib"); // STRETCHDIB, else DIBSTRETCHBLT
        QTest::newRow("8-bit STRETCHDIB") << 8 << true;
        QTest::newRow("24-bit STRETCHDIB") << 24 << true;
        QTest::newRow("8-bit DIBSTRETCHBLT") << 8 << false;
        QTest::newRow("24-bit DIBSTRETCHBLT") << 24 << false;
    }
    void dibRecordsDrawTheirBitmap() {
        QFETCH(int, bitCount);
        QFETCH(bool, stretchDib);
        QImage source(2, 2, QImage::Format_RGB32);
        source.setPixel(0, 0, 0xFF000000u | red);
        source.setPixel(1, 0, 0xFF000000u | green);
        source.setPixel(0, 1, 0xFF000000u | blue);
        source.setPixel(1, 1, 0xFF000000u | yellow);
        const DibParts dib = makeDib(source, bitCount);
        WmfWriter wmf(96, 96);
        const U_POINT16 at = point16_set(30, 40), size = point16_set(20, 20), origin = point16_set(0, 0),
                        whole = point16_set(2, 2);
        if (stretchDib)
            wmf.add(U_WMRSTRETCHDIB_set(at, size, origin, whole, U_DIB_RGB_COLORS, U_SRCCOPY,
                                        dib.bitmapInfo(), uint32_t(dib.bits.size()), dib.bits.constData()));
        else
            wmf.add(U_WMRDIBSTRETCHBLT_set(at, size, origin, whole, U_SRCCOPY, dib.bitmapInfo(),
                                           uint32_t(dib.bits.size()), dib.bits.constData()));
        const QImage image = draw(wmf);
        QCOMPARE_PIXEL(image, 35, 45, red);
        QCOMPARE_PIXEL(image, 45, 45, green);
        QCOMPARE_PIXEL(image, 35, 55, blue);
        QCOMPARE_PIXEL(image, 45, 55, yellow);
        QCOMPARE_PIXEL(image, 52, 45, white);
    }

    void textOutMarksItsBox_data() {
        QTest::addColumn<bool>("extended");
        QTest::newRow("TEXTOUT") << false;
        QTest::newRow("EXTTEXTOUT") << true;
    }
    void textOutMarksItsBox() {
        QFETCH(bool, extended);
        WmfWriter wmf(192, 96);
        wmf.font(-30).add(U_WMRSETBKMODE_set(U_TRANSPARENT));
        char text[] = "Hello";
        if (extended)
            wmf.add(U_WMREXTTEXTOUT_set(point16_set(10, 10), 5, 0, text, nullptr, rect16(0, 0, 0, 0)));
        else
            wmf.add(U_WMRTEXTOUT_set(point16_set(10, 10), text));
        const QImage image = draw(wmf);
        QVERIFY(darkPixels(image, QRect(10, 10, 120, 35)) > 50);
        QCOMPARE(darkPixels(image, QRect(0, 50, 192, 46)), 0);
    }

    void ansiTextFollowsTheFontCharset() {
        QCOMPARE(metafile::decodeAnsi("\xD6\xD0\xCE\xC4", 134), QStringLiteral(u"中文"));
        QCOMPARE(metafile::decodeAnsi("caf\xE9", 0), QStringLiteral(u"café"));
    }
};

QTEST_MAIN(TestMetafileWmf)
#include "tst_metafile_wmf.moc"
