#include "codecs/metafile/MetafileImage.h"
#include "tests/support/MetafileWriter.h"

#include <QtEndian>
#include <QtTest>
#include <cstddef>

using metafile::Kind;

namespace {

// Where the first record of `type` starts, walking the records by their sizes.
qsizetype emfRecord(const QByteArray& emf, quint32 type) {
    for (qsizetype at = 0; at + 8 <= emf.size();) {
        if (qFromLittleEndian<quint32>(emf.constData() + at) == type)
            return at;
        at += qFromLittleEndian<quint32>(emf.constData() + at + 4);
    }
    qFatal("no record of type %u", type);
}

qsizetype wmfRecord(const QByteArray& wmf, quint8 type) {
    for (qsizetype at = 22 + 18; at + 6 <= wmf.size();) {
        if (quint8(wmf[at + 4]) == type)
            return at;
        at += 2 * qsizetype(qFromLittleEndian<quint32>(wmf.constData() + at));
    }
    qFatal("no record of type %u", type);
}

QByteArray patched(QByteArray bytes, qsizetype at, quint32 value) {
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
}

QByteArray patched16(QByteArray bytes, qsizetype at, quint16 value) {
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
}

QByteArray sampleEmf() {
    EmfWriter emf(100, 100);
    emf.stock(U_NULL_PEN).brush(0xFF0000).rectangle(10, 10, 50, 50);
    const U_POINT16 points[] = {point16_set(10, 90), point16_set(50, 10), point16_set(90, 90)};
    emf.add(U_EMRPOLYGON16_set(U_RECTL{10, 10, 90, 90}, 3, points));
    QImage source(4, 4, QImage::Format_RGB32);
    source.fill(Qt::blue);
    emf.stretchDib(QRect(0, 0, 8, 8), source, 24);
    return emf.finish();
}

QByteArray sampleWmf() {
    WmfWriter wmf(96, 96);
    wmf.pen(U_PS_SOLID, 1, 0).brush(0xFF0000).rectangle(10, 10, 50, 50);
    const U_POINT16 points[] = {point16_set(10, 90), point16_set(50, 10), point16_set(90, 90)};
    wmf.add(U_WMRPOLYGON_set(3, points));
    return wmf.finish();
}

QByteArray randomBytes(int size, quint32 seed) {
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = char((seed = seed * 1103515245u + 12345u) >> 16);
    return bytes;
}

} // namespace

class TestMetafileMalformed : public QObject {
    Q_OBJECT

private slots:
    void samplesAreSound() {
        QVERIFY(!metafile::render(sampleEmf(), Kind::Emf).isNull());
        QVERIFY(!metafile::render(sampleWmf(), Kind::Wmf).isNull());
    }

    // Only a header that is not one refuses the picture.
    void badHeaderGivesNoImage_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Kind>("kind");
        const QByteArray emf = sampleEmf();
        const QByteArray wmf = sampleWmf();
        QTest::newRow("emf: empty") << QByteArray() << Kind::Emf;
        QTest::newRow("emf: truncated header") << emf.left(60) << Kind::Emf;
        QTest::newRow("emf: bad signature") << patched(emf, 40, 0x12345678) << Kind::Emf;
        QTest::newRow("emf: size over the pixel cap")
            << EmfWriter(U_RECTL{0, 0, 0, 0}, U_RECTL{0, 0, 2'000'000, 2'000'000}, sizel_set(960, 960),
                         sizel_set(254, 254))
                   .finish()
            << Kind::Emf;
        QTest::newRow("emf: random bytes") << randomBytes(4096, 7) << Kind::Emf;
        QTest::newRow("emf: header size and description past the end")
            << patched(patched(emf, 4, 0x10000), offsetof(U_EMRHEADER, nDescription), 0xFFFF) << Kind::Emf;
        QTest::newRow("emf named as wmf") << emf << Kind::Wmf;
        QTest::newRow("wmf named as emf") << wmf << Kind::Emf;
        QTest::newRow("wmf: truncated header") << wmf.left(30) << Kind::Wmf;
        QTest::newRow("wmf: bad header version") << patched16(wmf, 22 + 4, 0x0200) << Kind::Wmf;
        QTest::newRow("wmf: random bytes") << randomBytes(4096, 11) << Kind::Wmf;
    }
    void badHeaderGivesNoImage() {
        QFETCH(QByteArray, bytes);
        QFETCH(Kind, kind);
        QVERIFY(metafile::render(bytes, kind).isNull());
    }

    // A damaged record is left out and the rest drawn; a record size that leaves the file ends the
    // picture with what came before. `first`: the rectangle before the damage is drawn; `after`:
    // the polygon after it is too.
    void damagedRecordsAreLeftOut_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("after");
        const QByteArray emf = sampleEmf();
        const QByteArray wmf = sampleWmf();
        const qsizetype polygon = emfRecord(emf, U_EMR_POLYGON16);
        const qsizetype dib = emfRecord(emf, U_EMR_STRETCHDIBITS);
        const qsizetype dibInfo = dib + qFromLittleEndian<quint32>(emf.constData() + dib + 48); // offBmiSrc
        QTest::newRow("emf: truncated in a record") << emf.left(dib + 40) << Kind::Emf << true;
        QTest::newRow("emf: record size 0 after") << patched(emf, polygon + 4, 0) << Kind::Emf << false;
        QTest::newRow("emf: record size past the end")
            << patched(emf, polygon + 4, 0x7FFFFFF0) << Kind::Emf << false;
        QTest::newRow("emf: huge point count")
            << patched(emf, polygon + 24, 0x40000000) << Kind::Emf << false;
        QTest::newRow("emf: DIB offset outside") << patched(emf, dib + 48, 0xFFFFFFF0) << Kind::Emf << true;
        QTest::newRow("emf: huge DIB")
            << patched(patched(emf, dibInfo + 4, 100000), dibInfo + 8, 100000) << Kind::Emf << true;
        QTest::newRow("emf: DIB rows past the record") << patched(emf, dibInfo + 8, 64) << Kind::Emf << true;
        QTest::newRow("emf: random after the records")
            << emf.left(dib) + randomBytes(4096, 9) << Kind::Emf << true;

        const qsizetype wmfPolygon = wmfRecord(wmf, U_WMR_POLYGON);
        QTest::newRow("wmf: truncated in a record") << wmf.left(wmfPolygon + 8) << Kind::Wmf << false;
        QTest::newRow("wmf: record size past the end")
            << patched(wmf, wmfPolygon, 0x40000000) << Kind::Wmf << false;
        QTest::newRow("wmf: huge point count")
            << patched16(wmf, wmfPolygon + 6, 0xFFFF) << Kind::Wmf << false;
    }
    void damagedRecordsAreLeftOut() {
        QFETCH(QByteArray, bytes);
        QFETCH(Kind, kind);
        QFETCH(bool, after);
        const QImage image = metafile::render(bytes, kind);
        QVERIFY(!image.isNull());
        QCOMPARE(image.pixel(20, 20) & 0xFFFFFF, 0xFF0000u); // the rectangle before the damage
        QCOMPARE((image.pixel(50, 80) & 0xFFFFFF) == 0xFF0000u, after);
    }

    // A damaged record between two sound ones: the one after it is drawn.
    void recordAfterADamagedOneIsDrawn() {
        QByteArray emf = sampleEmf();
        const qsizetype rectangle = emfRecord(emf, U_EMR_RECTANGLE);
        emf = patched(emf, rectangle + 4 + 4, 0); // a rectangle whose fields stay sound: kept
        const qsizetype polygon = emfRecord(emf, U_EMR_POLYGON16);
        emf = patched(emf, polygon + 24, 4); // one point more than the record holds: left out
        const QImage image = metafile::render(emf, Kind::Emf);
        QVERIFY(!image.isNull());
        QCOMPARE(image.pixel(50, 80) & 0xFFFFFF, 0xFFFFFFu);
        QCOMPARE(image.pixel(2, 2) & 0xFFFFFF, 0x0000FFu); // the bitmap after it
    }

    // A header whose own size leaves the file keeps its fields: the records are found after its
    // description, and drawn.
    void headerSizeLeavingTheFileIsRepaired() {
        const QImage image = metafile::render(patched(sampleEmf(), 4, 0x10000), Kind::Emf);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(100, 100));
        QCOMPARE(image.pixel(20, 20) & 0xFFFFFF, 0xFF0000u);
        QCOMPARE(image.pixel(2, 2) & 0xFFFFFF, 0x0000FFu);
    }

    // The cap counts the pixels drawn: a corner of a picture of any size is drawn.
    void pixelCapCountsThePixelsDrawn() {
        const QByteArray emf = sampleEmf(); // 100 × 100
        QVERIFY(metafile::render(emf, Kind::Emf, {}, 9'999).isNull());
        QVERIFY(!metafile::render(emf, Kind::Emf, {}, 10'000).isNull());
        QVERIFY(!metafile::render(emf, Kind::Emf, QSize(50, 50), 2'500).isNull());
        const QByteArray huge = EmfWriter(U_RECTL{0, 0, 0, 0}, U_RECTL{0, 0, 500'000, 500'000},
                                          sizel_set(960, 960), sizel_set(254, 254))
                                    .finish(); // about 18900 × 18900
        QVERIFY(metafile::render(huge, Kind::Emf, {}, 100'000'000).isNull());
        QCOMPARE(metafile::render(huge, Kind::Emf, QSize(337, 180), 100'000'000).size(), QSize(337, 180));
    }

    // Drawn to fit, a picture over the limit comes whole and scaled down, its drawing with it; one
    // within the limit comes at its natural size.
    void renderToFitScalesThePictureDown() {
        EmfWriter emf(U_RECTL{0, 0, 0, 0}, U_RECTL{0, 0, 50'000, 25'000}, sizel_set(960, 960),
                      sizel_set(254, 254)); // 1890 × 945 pixels, a device unit each
        emf.stock(U_NULL_PEN).brush(0xFF0000).rectangle(945, 472, 1891, 946); // the bottom-right quarter
        const QByteArray bytes = emf.finish();
        const QSize natural = *metafile::pictureSize(bytes, Kind::Emf);
        const QImage fitted = metafile::renderToFit(bytes, Kind::Emf, 100'000);
        QVERIFY(!fitted.isNull());
        QVERIFY(qint64(fitted.width()) * fitted.height() <= 100'000);
        QVERIFY(fitted.width() > 440 && fitted.height() > 220); // as large as the limit lets it be
        QVERIFY(std::abs(fitted.width() - 2 * fitted.height()) <= 2);
        QCOMPARE(fitted.pixel(fitted.width() * 3 / 4, fitted.height() * 3 / 4) & 0xFFFFFF, 0xFF0000u);
        QCOMPARE(fitted.pixel(fitted.width() / 4, fitted.height() / 4) & 0xFFFFFF, 0xFFFFFFu);
        QCOMPARE(metafile::renderToFit(bytes, Kind::Emf).size(), natural);
        QVERIFY(metafile::renderToFit(randomBytes(4096, 7), Kind::Emf).isNull());

        WmfWriter wmf(1024, 512);
        wmf.pen(U_PS_NULL, 0, 0).brush(0xFF0000).rectangle(512, 256, 1025, 513);
        const QImage wmfFitted = metafile::renderToFit(wmf.finish(), Kind::Wmf, 100'000);
        QVERIFY(wmfFitted.width() > 440 && wmfFitted.height() > 220);
        QCOMPARE(wmfFitted.pixel(wmfFitted.width() * 3 / 4, wmfFitted.height() * 3 / 4) & 0xFFFFFF,
                 0xFF0000u);
        QCOMPARE(wmfFitted.pixel(wmfFitted.width() / 4, wmfFitted.height() / 4) & 0xFFFFFF, 0xFFFFFFu);
    }

    void unknownRecordsAreSkipped() {
        QByteArray emf = sampleEmf();
        const qsizetype rectangle = emfRecord(emf, U_EMR_RECTANGLE);
        emf = patched(emf, rectangle, 0x7777); // an unknown type of the same size
        const QImage image = metafile::render(emf, Kind::Emf);
        QVERIFY(!image.isNull());
        QCOMPARE(image.pixel(20, 45) & 0xFFFFFF, 0xFFFFFFu); // the rectangle is gone, the rest is drawn
        QCOMPARE(image.pixel(50, 80) & 0xFFFFFF, 0xFF0000u);
    }

    void deepSavesAndManyObjectsAreBounded() {
        EmfWriter emf(50, 50);
        for (int i = 0; i < 5000; ++i)
            emf.add(U_EMRSAVEDC_set());
        emf.add(U_EMRCREATEBRUSHINDIRECT_set(0xFFFFFFF0, logbrush_set(U_BS_SOLID, colorRefOf(0xFF0000), 0)));
        emf.add(U_EMRSELECTOBJECT_set(0xFFFFFFF0));
        emf.rectangle(0, 0, 50, 50);
        for (int i = 0; i < 5000; ++i)
            emf.add(U_EMRRESTOREDC_set(-1));
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        QVERIFY(!image.isNull());
        QCOMPARE(image.pixel(25, 25) & 0xFFFFFF, 0xFFFFFFu); // the object outside the table was not made
    }
};

QTEST_MAIN(TestMetafileMalformed)
#include "tst_metafile_malformed.moc"
