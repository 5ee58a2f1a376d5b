#include "platform/SystemPlatform.h"
#include "tests/support/MetafileWriter.h"
#include "tests/support/WriteResults.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QRgb paint = qRgb(200, 30, 40);

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        qFatal("cannot encode the test picture as %s", format);
    return bytes;
}

QImage solid(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(paint);
    return image;
}

QImage noise(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, seed = seed * 1103515245u + 12345u);
    return image;
}

// A one-pixel GIF in the colour `paint` (Qt writes no GIFs): a two-colour table, then one LZW block
// holding the codes clear, 0, end.
QByteArray onePixelGif() {
    return QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00"
                      "\xc8\x1e\x28\xff\xff\xff"
                      "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00"
                      "\x02\x02\x44\x01\x00\x3b",
                      35);
}

quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= static_cast<quint8>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data) {
    QByteArray chunk(4, Qt::Uninitialized);
    qToBigEndian<quint32>(data.size(), chunk.data());
    const QByteArray body = type + data;
    QByteArray crc(4, Qt::Uninitialized);
    qToBigEndian<quint32>(crc32(body), crc.data());
    return chunk + body + crc;
}

// A PNG of `width` x `height` one-bit grey pixels, all black, holding the first `rowsStored` rows: with
// fewer rows than its height it claims a size that it does not hold.
QByteArray monoPng(quint32 width, quint32 height, quint32 rowsStored) {
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = 1;                                                              // bit depth
    header[9] = 0;                                                              // grey
    const QByteArray rows(qsizetype(rowsStored) * (1 + (width + 7) / 8), '\0'); // filter byte + bits per row
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
           pngChunk("IDAT", qCompress(rows).mid(4)) // a zlib stream, without Qt's length prefix
           + pngChunk("IEND", {});
}

// The headers of a 24-bit BMP claiming `width` x `height`, with no pixels after them.
QByteArray bmpHeaderOnly(qint32 width, qint32 height) {
    QByteArray bmp(54, '\0');
    char* p = bmp.data();
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(54u + quint32(width) * 3u * quint32(height), p + 2);
    qToLittleEndian<quint32>(54, p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(width, p + 18);
    qToLittleEndian<qint32>(height, p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(24, p + 28);
    return bmp;
}

} // namespace

// Pictures are loaded by extension, in any letter case; anything unreadable, mislabelled or too large
// gives a null image and nothing more.
class TestLoadPicture : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void loadsByExtension_data();
    void loadsByExtension();
    void cornerIsTheTopLeftOfThePicture_data();
    void cornerIsTheTopLeftOfThePicture();
    void cornerKeepsTheChecks();
    void animationOnlyForGifs();
    void bitmapFileRoundTrips();
    void bitmapFileThatCannotBeWritten();

private:
    QTemporaryDir dir_;
    platform::SystemPlatform system_;
};

void TestLoadPicture::loadsByExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::addColumn<QSize>("size");         // invalid: a null image expected
    QTest::addColumn<bool>("exactColour");

    const QSize five(5, 3);
    const QImage picture = solid(5, 3);
    const QByteArray png = encoded(picture, "png");
    QTest::newRow("png") << u"PIC.PNG"_s << png << five << true;
    QTest::newRow("jpg") << u"photo.JPG"_s << encoded(picture, "jpeg") << five << false;
    QTest::newRow("jpeg") << u"photo.Jpeg"_s << encoded(picture, "jpeg") << five << false;
    QTest::newRow("bmp") << u"scan.BMP"_s << encoded(picture, "bmp") << five << true;
    QTest::newRow("ico") << u"logo.ICO"_s << encoded(picture, "ico") << five << true;
    QTest::newRow("gif") << u"anim.GIF"_s << onePixelGif() << QSize(1, 1) << true;
    EmfWriter emf(5, 3);
    emf.pen(U_PS_NULL, 0, paint).brush(paint).rectangle(-1, -1, 6, 4);
    const QByteArray emfBytes = emf.finish();
    QTest::newRow("emf") << u"drawing.EMF"_s << emfBytes << five << true;
    WmfWriter wmf(5, 3);
    wmf.pen(U_PS_NULL, 0, paint).brush(paint).rectangle(-1, -1, 6, 4);
    const QByteArray wmfBytes = wmf.finish();
    QTest::newRow("wmf") << u"drawing.Wmf"_s << wmfBytes << five << true;
    // A file cut short keeps what comes before the cut (here the header alone: a white picture); one
    // cut inside its header is refused.
    QTest::newRow("emf cut short") << u"cut.emf"_s << emfBytes.left(emfBytes.size() - 30) << five << false;
    QTest::newRow("emf cut in its header") << u"head.emf"_s << emfBytes.left(40) << QSize() << false;
    QTest::newRow("emf named wmf") << u"swapped.wmf"_s << emfBytes << QSize() << false;

    QTest::newRow("text named png") << u"notes.png"_s << QByteArray("not a picture\n") << QSize() << false;
    QTest::newRow("empty file") << u"empty.bmp"_s << QByteArray("") << QSize() << false;
    const QByteArray big = encoded(noise(64, 64), "png");
    QTest::newRow("truncated png") << u"cut.png"_s << big.left(big.size() * 3 / 5) << QSize() << false;
    QTest::newRow("png named jpg") << u"real.jpg"_s << png << QSize() << false;
    QTest::newRow("not a picture extension") << u"picture.txt"_s << png << QSize() << false;
    QTest::newRow("no extension") << u"picture"_s << png << QSize() << false;
    QTest::newRow("missing file") << u"missing.png"_s << QByteArray() << QSize() << false;

    QTest::newRow("png claiming 20000x20000")
        << u"huge.png"_s << monoPng(20000, 20000, 1) << QSize() << false;
    QTest::newRow("bmp claiming 20000x20000")
        << u"huge.bmp"_s << bmpHeaderOnly(20000, 20000) << QSize() << false;
    // One bit a pixel: small in memory, so only the pixel count can refuse it.
    QTest::newRow("just over 100 million pixels")
        << u"over.png"_s << monoPng(10000, 10001, 10001) << QSize() << false;
    QTest::newRow("100 million pixels")
        << u"limit.png"_s << monoPng(10000, 10000, 10000) << QSize(10000, 10000) << false;
}

void TestLoadPicture::loadsByExtension() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QSize, size);
    QFETCH(bool, exactColour);
    const QString path = dir_.filePath(name);
    if (!content.isNull()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(content), content.size());
    }

    const QImage image = system_.loadPicture(path);

    if (!size.isValid()) {
        QVERIFY(image.isNull());
        return;
    }
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);
    if (exactColour)
        QCOMPARE(image.pixel(0, 0), paint);
}

namespace {

// A picture whose top-left 337 x 180 pixels are `paint` and the rest blue: a corner taken from
// anywhere else, or scaled, shows blue.
QImage markedCorner(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < qMin(height, 180); ++y)
        for (int x = 0; x < qMin(width, 337); ++x)
            image.setPixel(x, y, paint);
    return image;
}

bool nearPaint(QRgb pixel) {
    return qAbs(qRed(pixel) - qRed(paint)) < 24 && qAbs(qGreen(pixel) - qGreen(paint)) < 24 &&
           qAbs(qBlue(pixel) - qBlue(paint)) < 24;
}

} // namespace

void TestLoadPicture::cornerIsTheTopLeftOfThePicture_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QSize>("expected");

    const QImage large = markedCorner(1200, 900);
    QTest::newRow("jpeg, clipped while decoding")
        << u"big.jpg"_s << encoded(large, "jpeg") << QSize(337, 180);
    QTest::newRow("png") << u"big.png"_s << encoded(large, "png") << QSize(337, 180);
    QTest::newRow("bmp") << u"big.bmp"_s << encoded(large, "bmp") << QSize(337, 180);
    QTest::newRow("smaller than the corner")
        << u"small.png"_s << encoded(markedCorner(40, 30), "png") << QSize(40, 30);
    QTest::newRow("wider, not as high")
        << u"wide.jpg"_s << encoded(markedCorner(2000, 100), "jpeg") << QSize(337, 100);
}

void TestLoadPicture::cornerIsTheTopLeftOfThePicture() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QSize, expected);
    const QString path = dir_.filePath(name);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();

    const QImage corner = system_.loadPictureCorner(path, QSize(337, 180));

    QCOMPARE(corner.size(), expected);
    // JPEG blurs the edge to the blue part by a few pixels: the inside and the far corner decide.
    for (const QPoint at : {QPoint(0, 0), QPoint(expected.width() / 2, expected.height() / 2),
                            QPoint(expected.width() - 4, expected.height() - 4)})
        QVERIFY2(nearPaint(corner.pixel(at)), qPrintable(u"at %1,%2"_s.arg(at.x()).arg(at.y())));
}

void TestLoadPicture::cornerKeepsTheChecks() {
    // Over the pixel limit, whose corner alone would be decoded: it holds too few rows for it.
    const QString huge = dir_.filePath(u"huge-corner.png"_s);
    QFile f(huge);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(monoPng(10000, 10001, 1));
    f.close();
    QVERIFY(system_.loadPictureCorner(huge, QSize(337, 180)).isNull());
    // Decoded whole, a BMP over the limit is refused from its header.
    const QString bmp = dir_.filePath(u"huge-corner.bmp"_s);
    QFile b(bmp);
    QVERIFY(b.open(QIODevice::WriteOnly));
    b.write(bmpHeaderOnly(20000, 20000));
    b.close();
    QVERIFY(system_.loadPictureCorner(bmp, QSize(337, 180)).isNull());

    const QString text = dir_.filePath(u"text-corner.jpg"_s);
    QFile t(text);
    QVERIFY(t.open(QIODevice::WriteOnly));
    t.write("hello");
    t.close();
    QVERIFY(system_.loadPictureCorner(text, QSize(337, 180)).isNull());
    QVERIFY(system_.loadPictureCorner(dir_.filePath(u"missing.png"_s), QSize(337, 180)).isNull());
}

void TestLoadPicture::animationOnlyForGifs() {
    const QString gif = dir_.filePath(u"anim-only.Gif"_s);
    QFile f(gif);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(onePixelGif());
    f.close();
    QVERIFY(system_.loadAnimation(gif) != nullptr);

    const QString png = dir_.filePath(u"still.png"_s);
    QVERIFY(solid(3, 3).save(png));
    QVERIFY(system_.loadAnimation(png) == nullptr);

    const QString fake = dir_.filePath(u"fake.gif"_s);
    QFile g(fake);
    QVERIFY(g.open(QIODevice::WriteOnly));
    g.write("GIF89a but nothing else");
    g.close();
    QVERIFY(system_.loadAnimation(fake) == nullptr);
}

void TestLoadPicture::bitmapFileRoundTrips() {
    const QString path = dir_.filePath(u"copied.bmp"_s);
    const QImage picture = noise(31, 17);
    QCOMPARE(system_.writeBitmapFile(path, picture), platform::WriteResult::Written);
    // Never written over: a second picture under the same name is refused.
    QCOMPARE(system_.writeBitmapFile(path, solid(1, 1)), platform::WriteResult::NameTaken);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(2), QByteArray("BM"));
    const QImage back(path, "bmp");
    QCOMPARE(back.size(), picture.size());
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32), picture.convertToFormat(QImage::Format_RGB32));
}

void TestLoadPicture::bitmapFileThatCannotBeWritten() {
    QCOMPARE(system_.writeBitmapFile(dir_.filePath(u"no-such-folder/x.bmp"_s), solid(2, 2)),
             platform::WriteResult::Failed);
    QCOMPARE(system_.writeBitmapFile(dir_.filePath(u"null.bmp"_s), QImage()), platform::WriteResult::Failed);
    QVERIFY(!QFile::exists(dir_.filePath(u"null.bmp"_s)));
}

QTEST_GUILESS_MAIN(TestLoadPicture)
#include "tst_load_picture.moc"
