// The PNG corner reader: the rows it decodes are the picture's own in every colour type, an
// interlaced file is left to the whole decoder, and a file that is not whole is refused.
#include "codecs/PngCorner.h"
#include "tests/support/RowPng.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <png.h>

using namespace Qt::StringLiterals;

namespace {

const QSize corner(337, 180);

// A picture with detail everywhere, so that a row or column out of place shows.
QImage pattern(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba((x * 7) & 0xff, (y * 5) & 0xff, ((x ^ y) * 3) & 0xff, 128 + (x & 127)));
    return image.convertToFormat(format);
}

// An Adam7-interlaced RGB PNG (Qt writes none) of `width` x `height`.
bool writeInterlaced(const QString& path, int width, int height) {
    FILE* out = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!out)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> pixels(size_t(width) * height * 3, 0x80);
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[size_t(y)] = pixels.data() + size_t(y) * width * 3;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

// A PNG of `size` in one grey, 8 bits a pixel.
bool writeGrey(const QString& path, QSize size) {
    return rowpng::write(
        path, {quint32(size.width()), quint32(size.height())},
        [](quint32, std::vector<png_byte>& row) { std::fill(row.begin(), row.end(), 0x40); });
}

} // namespace

class TestPngCorner : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void rowsAreThePicturesOwn_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QSize>("size");
        QTest::newRow("rgb") << int(QImage::Format_RGB32) << QSize(500, 400);
        QTest::newRow("rgba") << int(QImage::Format_ARGB32) << QSize(500, 400);
        QTest::newRow("palette") << int(QImage::Format_Indexed8) << QSize(500, 400);
        QTest::newRow("grey") << int(QImage::Format_Grayscale8) << QSize(500, 400);
        QTest::newRow("16-bit grey") << int(QImage::Format_Grayscale16) << QSize(500, 400);
        QTest::newRow("16-bit rgba") << int(QImage::Format_RGBA64) << QSize(500, 400);
        QTest::newRow("one bit") << int(QImage::Format_Mono) << QSize(500, 400);
        QTest::newRow("smaller than the corner") << int(QImage::Format_RGB32) << QSize(50, 20);
        QTest::newRow("narrow and tall") << int(QImage::Format_RGB32) << QSize(20, 3000);
    }

    void rowsAreThePicturesOwn() {
        QFETCH(int, format);
        QFETCH(QSize, size);
        const QString path = dir_.filePath(u"p.png"_s);
        QVERIFY(pattern(size.width(), size.height(), QImage::Format(format)).save(path, "png"));

        const std::optional<QImage> shown = codecs::readPngCorner(path, corner);

        QVERIFY(shown.has_value());
        const QImage whole(path, "png");
        const QRect visible = QRect(QPoint(0, 0), corner).intersected(whole.rect());
        QCOMPARE(shown->size(), visible.size());
        QCOMPARE(shown->convertToFormat(QImage::Format_ARGB32),
                 whole.copy(visible).convertToFormat(QImage::Format_ARGB32));
    }

    void interlacedIsLeftToTheWholeDecoder() {
        const QString path = dir_.filePath(u"interlaced.png"_s);
        QVERIFY(writeInterlaced(path, 400, 300));
        QVERIFY(!codecs::readPngCorner(path, corner).has_value());
    }

    void onlyWholeFilesAreShown_data() {
        QTest::addColumn<QByteArray>("content");
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(pattern(800, 600, QImage::Format_RGB32).save(&buffer, "png"));
        // Cut well below the corner's rows: a decoder of the corner alone would not notice.
        QTest::newRow("cut at nine tenths") << png.left(png.size() * 9 / 10);
        QTest::newRow("without its end chunk") << png.left(png.size() - 12);
        QTest::newRow("signature only") << png.left(8);
        QTest::newRow("text") << QByteArray("not a picture");
        QTest::newRow("empty") << QByteArray();
        QByteArray badLength = png;
        badLength[8] = '\x7f'; // the header chunk's length now reaches far past the file's end
        QTest::newRow("chunk longer than the file") << badLength;
    }

    void onlyWholeFilesAreShown() {
        QFETCH(QByteArray, content);
        const QString path = dir_.filePath(u"bad.png"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        const std::optional<QImage> shown = codecs::readPngCorner(path, corner);
        QVERIFY(shown.has_value());
        QVERIFY(shown->isNull());
    }

    // Only the rows shown are read: a picture far over any pixel count shows its corner. Its rows
    // are held whole while inflated, so the width has a limit of its own.
    void sizeIsLimitedByTheRowWidthOnly_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("shown");
        QTest::newRow("tall") << QSize(400, 1'000'000) << true;
        QTest::newRow("widest") << QSize(int(codecs::maxPngCornerWidth), 200) << true;
        QTest::newRow("wider") << QSize(int(codecs::maxPngCornerWidth) + 1, 200) << false;
    }
    void sizeIsLimitedByTheRowWidthOnly() {
        QFETCH(QSize, size);
        QFETCH(bool, shown);
        const QString path = dir_.filePath(u"large.png"_s);
        QVERIFY(writeGrey(path, size));
        const std::optional<QImage> corner = codecs::readPngCorner(path, ::corner);
        QVERIFY(corner.has_value());
        if (!shown) {
            QVERIFY(corner->isNull());
            return;
        }
        QCOMPARE(corner->size(), ::corner);
        QCOMPARE(corner->pixel(336, 179), qRgb(0x40, 0x40, 0x40));
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TestPngCorner)
#include "tst_png_corner.moc"
