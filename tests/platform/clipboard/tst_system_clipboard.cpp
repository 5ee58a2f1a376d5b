// The system clipboard on a real X server, filled by a second process as another program fills it:
// what it offers is read back, and the watcher hears of that program's copies but not of our own.
#include "platform/SystemPlatform.h"
#include "tests/platform/clipboard/ClipboardOwner.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Owner = ClipboardOwner;

// An opaque picture whose every pixel differs.
QImage pictureOf(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 30, y * 40, 200 - x * y));
    return image;
}

} // namespace

class SystemClipboardTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        QVERIFY(dir_.isValid());
        picturePath_ = dir_.filePath(u"copied.png"_s);
        QVERIFY(picture_.save(picturePath_, "PNG"));
    }

    void textOfAnotherProgramIsRead() {
        const QString text = u"别处复制的 text\nline 2"_s;
        Owner owner({u"--text"_s, text});
        QVERIFY(owner.ready());
        QCOMPARE(system_.clipboardText(), text);
        QVERIFY(system_.clipboardHasText());
        QVERIFY(!system_.clipboardHasImage());
        QVERIFY(system_.clipboardImage().isNull());
    }

    void pictureOfAnotherProgramIsRead() {
        Owner owner({u"--image"_s, picturePath_});
        QVERIFY(owner.ready());
        QVERIFY(system_.clipboardHasImage());
        QVERIFY(!system_.clipboardHasText());
        QCOMPARE(system_.clipboardText(), QString());
        const QImage read = system_.clipboardImage();
        QCOMPARE(read.size(), picture_.size());
        QCOMPARE(read.convertToFormat(QImage::Format_RGB32), picture_);
    }

    void aCopyOfBothOffersBoth() {
        Owner owner({u"--both"_s, u"图与文"_s, picturePath_});
        QVERIFY(owner.ready());
        QVERIFY(system_.clipboardHasImage());
        QVERIFY(system_.clipboardHasText());
        QCOMPARE(system_.clipboardText(), u"图与文"_s);
        QCOMPARE(system_.clipboardImage().convertToFormat(QImage::Format_RGB32), picture_);
    }

    void watcherHearsOtherProgramsOnly() {
        auto receiver = std::make_unique<QObject>();
        QStringList heard;
        system_.watchClipboard(receiver.get(), [&] { heard << system_.clipboardText(); });

        Owner first({u"--text"_s, u"one"_s});
        QVERIFY(first.ready());
        QTRY_COMPARE(heard, QStringList{u"one"_s});

        // Our own copy (the editor's Ctrl+C): it takes the clipboard from the other program, unheard.
        QGuiApplication::clipboard()->setText(u"ours"_s);
        QVERIFY(first.ends());
        QTest::qWait(300);
        QCOMPARE(heard, QStringList{u"one"_s});
        QCOMPARE(system_.clipboardText(), u"ours"_s);

        // Taken from us again: heard, with the new content.
        Owner second({u"--text"_s, u"two"_s});
        QVERIFY(second.ready());
        QTRY_COMPARE(heard, (QStringList{u"one"_s, u"two"_s}));

        // Nothing reaches a receiver that is gone.
        receiver.reset();
        Owner third({u"--text"_s, u"three"_s});
        QVERIFY(third.ready());
        QVERIFY(second.ends());
        QTest::qWait(300);
        QCOMPARE(heard, (QStringList{u"one"_s, u"two"_s}));
    }

private:
    platform::SystemPlatform system_;
    QTemporaryDir dir_;
    const QImage picture_ = pictureOf(6, 4);
    QString picturePath_;
};

QTEST_MAIN(SystemClipboardTest)
#include "tst_system_clipboard.moc"
