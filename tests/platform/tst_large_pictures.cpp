// Very large JPEG and PNG pictures whose top-left corner alone is decoded: shown whatever their size,
// within the memory a few rows take (each measured in a process of its own). Pictures decoded whole,
// and those a decoder buffers whole, keep the 100-million-pixel limit.
#include "platform/SystemPlatform.h"
#include "tests/support/RowPng.h"
#include "tests/support/SyntheticJpeg.h"

#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A PNG of `width` x `height` one-bit grey pixels, all black.
bool writeMonoPng(const QString& path, quint32 width, quint32 height, bool interlaced = false) {
    return rowpng::write(path, {width, height, 1, PNG_COLOR_TYPE_GRAY, interlaced});
}

struct CornerRun {
    QSize size;
    int grey = -1;
    qint64 grownKib = -1;
};

CornerRun loadCornerInOwnProcess(const QString& path) {
    QProcess helper;
    helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    helper.start(QStringLiteral(CORNER_MEMORY_HELPER), {path});
    CornerRun run;
    if (!helper.waitForFinished(120000) || helper.exitCode() != 0)
        return run;
    const QList<QByteArray> fields = helper.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 4)
        return run;
    run.size = QSize(fields[0].toInt(), fields[1].toInt());
    run.grey = fields[2].toInt();
    run.grownKib = fields[3].toLongLong();
    return run;
}

// Well below what any of these pictures takes whole (a 12000 x 9000 grey JPEG: 103 MiB of pixels and
// twice that of coefficients when buffered; the others gigabytes), well above a few rows.
constexpr qint64 boundedKib = 48 * 1024;

} // namespace

class TestLargePictures : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void cornerOfAHugePictureInBoundedMemory_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("grey");
        const QString jpegPhoto = dir_.filePath(u"photo.jpg"_s);
        QVERIFY(syntheticjpeg::write(jpegPhoto, 12000, 9000));
        // The largest a JPEG decoder takes.
        QVERIFY(syntheticjpeg::write(dir_.filePath(u"largest.JPG"_s), 65500, 65500));
        QVERIFY(writeMonoPng(dir_.filePath(u"scan.png"_s), 20000, 20000));
        QVERIFY(writeMonoPng(dir_.filePath(u"wide.png"_s), 1000000, 200));
        QTest::newRow("jpeg 12000 x 9000") << u"photo.jpg"_s << 128;
        QTest::newRow("jpeg 65500 x 65500") << u"largest.JPG"_s << 128;
        QTest::newRow("png 20000 x 20000") << u"scan.png"_s << 0;
        QTest::newRow("png 1000000 x 200") << u"wide.png"_s << 0;
    }

    void cornerOfAHugePictureInBoundedMemory() {
        QFETCH(QString, name);
        QFETCH(int, grey);
        const QString path = dir_.filePath(name);

        const CornerRun run = loadCornerInOwnProcess(path);

        QCOMPARE(run.size, QSize(337, 180));
        QVERIFY2(qAbs(run.grey - grey) <= 2, qPrintable(QString::number(run.grey)));
        QVERIFY2(run.grownKib >= 0 && run.grownKib < boundedKib,
                 qPrintable(u"the peak resident set grew by %1 KiB"_s.arg(run.grownKib)));
        // Decoded whole, the same picture is refused from its header.
        QVERIFY(system_.loadPicture(path).isNull());
    }

    // A progressive or interlaced picture is decoded whole even for its corner: the limit holds.
    void picturesDecodedWholeKeepTheLimit() {
        const QString progressive = dir_.filePath(u"progressive.jpg"_s);
        QVERIFY(syntheticjpeg::write(progressive, 12000, 9000, 0xC2));
        QVERIFY(system_.loadPictureCorner(progressive, QSize(337, 180)).isNull());
        const QString interlaced = dir_.filePath(u"interlaced.png"_s);
        QVERIFY(writeMonoPng(interlaced, 10001, 10000, true));
        QVERIFY(system_.loadPictureCorner(interlaced, QSize(337, 180)).isNull());
        // Within the limit they show.
        const QString smallProgressive = dir_.filePath(u"small-progressive.jpg"_s);
        QImage picture(800, 600, QImage::Format_RGB32);
        picture.fill(qRgb(200, 30, 40));
        QImageWriter writer(smallProgressive, "jpeg");
        writer.setProgressiveScanWrite(true);
        QVERIFY(writer.write(picture));
        QCOMPARE(system_.loadPictureCorner(smallProgressive, QSize(337, 180)).size(), QSize(337, 180));
        const QString smallInterlaced = dir_.filePath(u"small-interlaced.png"_s);
        QVERIFY(writeMonoPng(smallInterlaced, 500, 400, true));
        QCOMPARE(system_.loadPictureCorner(smallInterlaced, QSize(337, 180)).size(), QSize(337, 180));
    }

    // A row is held whole while it is inflated: a PNG wider than the corner reader's limit is refused.
    void aPngWiderThanTheRowLimitIsRefused() {
        const QString path = dir_.filePath(u"too-wide.png"_s);
        QVERIFY(writeMonoPng(path, 1000001, 1));
        QVERIFY(system_.loadPictureCorner(path, QSize(337, 180)).isNull());
    }

private:
    QTemporaryDir dir_;
    platform::SystemPlatform system_;
};

QTEST_GUILESS_MAIN(TestLargePictures)
#include "tst_large_pictures.moc"
