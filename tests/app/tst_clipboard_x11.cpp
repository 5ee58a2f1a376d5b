// The clipboard watcher on a real X server, the clipboard owned by a second process as another program
// owns it: large pictures copied there are taken up to 100 million pixels and refused beyond with
// their size named; a picture that cannot be read is said to be so; and the program's own copy,
// taken over by a clipboard manager, opens no editor.
#include "tests/app/WatcherFixture.h"
#include "tests/platform/clipboard/ClipboardOwner.h"
#include "tests/support/Files.h"
#include "tests/support/RowPng.h"
#include "ui_TTianjia.h"

#include <QImageReader>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace watcher;

namespace {

// A PNG of `width` x `height`: RGB with a pattern when `colour`, otherwise one-bit black.
bool writePng(const QString& path, quint32 width, quint32 height, bool colour) {
    if (!colour)
        return rowpng::write(path, {width, height, 1, PNG_COLOR_TYPE_GRAY});
    return rowpng::write(path, {width, height, 8, PNG_COLOR_TYPE_RGB},
                         [width](quint32 y, std::vector<png_byte>& row) {
                             for (quint32 x = 0; x < width; ++x) {
                                 row[x * 3] = png_byte(x / 32);
                                 row[x * 3 + 1] = png_byte(y / 32);
                                 row[x * 3 + 2] = 0x80;
                             }
                         });
}

// What came of a copy: the editors it opened (their picture names) and the error reports.
struct Outcome {
    QStringList editorPictures;
    QStringList errors;
};

// Another program copies with `ownerArgs`; waits until the watcher has opened an editor or reported
// an error, or `quietMs` have passed without either.
Outcome copyInAnotherProgram(WatchedWindow& w, const QStringList& ownerArgs, int quietMs = 60000) {
    Outcome outcome;
    const qsizetype errorsBefore = w.os.errors.size();
    editorsShownBy(
        [&] {
            ClipboardOwner owner(ownerArgs);
            QVERIFY2(owner.ready(), qPrintable(ownerArgs.join(u' ')));
            // A quiet end is an outcome too: the checks below tell.
            (void)QTest::qWaitFor(
                [&] { return !outcome.editorPictures.isEmpty() || w.os.errors.size() > errorsBefore; },
                quietMs);
        },
        [&](TTianjia& editor) { outcome.editorPictures << editor.imgName; });
    outcome.errors = w.os.errors.mid(errorsBefore);
    return outcome;
}

} // namespace

class ClipboardX11Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
        QVERIFY(files_.isValid());
    }

    // Qt's own reading of a copied picture stops at 128 MB: a 7000 x 7000 picture (196 MB at four
    // bytes a pixel) was refused, and the user told that the file could not be written.
    void aPictureOf7000By7000IsTaken() {
        const QString png = files_.filePath(u"7000.png"_s);
        QVERIFY(writePng(png, 7000, 7000, true));
        WatchedWindow w(threeQuestions, true, {}, true);

        const Outcome outcome = copyInAnotherProgram(w, {u"--bytes"_s, u"image/png"_s, png});

        QCOMPARE(outcome.errors, QStringList());
        QCOMPARE(outcome.editorPictures, QStringList{bmpName});
        const QString bmp = u"b/"_s + bmpName;
        QImageReader written(bmp, "bmp");
        QCOMPARE(written.size(), QSize(7000, 7000));
        QVERIFY(testfiles::readFile(bmp).startsWith("BM"));
        QCOMPARE(QDir(u"b"_s).entryList(QDir::Files | QDir::Hidden), QStringList{bmpName});
    }

    void aPictureOverTheLimitIsRefusedWithItsSize() {
        const QString png = files_.filePath(u"20000.png"_s);
        QVERIFY(writePng(png, 20000, 20000, false));
        WatchedWindow w(threeQuestions, true, {}, true);

        const Outcome outcome = copyInAnotherProgram(w, {u"--bytes"_s, u"image/png"_s, png});

        QCOMPARE(outcome.editorPictures, QStringList());
        QCOMPARE(outcome.errors.size(), 1);
        QVERIFY2(outcome.errors[0].contains(u"20000 × 20000"_s) && outcome.errors[0].contains(u"1 亿像素"_s),
                 qPrintable(outcome.errors[0]));
        QCOMPARE(QDir(u"b"_s).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void aPictureThatCannotBeReadIsSaidToBeSo() {
        const QString garbage = files_.filePath(u"garbage.png"_s);
        testfiles::writeFile(garbage, "\x89PNG\r\n\x1a\n but nothing a reader can use");
        WatchedWindow w(threeQuestions, true, {}, true);

        const Outcome outcome = copyInAnotherProgram(w, {u"--bytes"_s, u"image/png"_s, garbage});

        QCOMPARE(outcome.editorPictures, QStringList());
        QCOMPARE(outcome.errors.size(), 1);
        QVERIFY2(outcome.errors[0].startsWith(u"无法读取剪贴板上的图片"_s), qPrintable(outcome.errors[0]));
        QCOMPARE(QDir(u"b"_s).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // The user copies text in the editor with Ctrl+C; a clipboard manager then takes the clipboard
    // over with the same content, as they do to keep a copy alive after its program ends. That is
    // still the program's own copy: no editor opens with it.
    void theOwnCopyTakenOverByAnotherProgramIsNotTaken() {
        WatchedWindow w(threeQuestions, true, {}, true);
        const QString typed = u"copied in the editor"_s;
        editorsShownBy([&] { w.form.btntianjiaClick(); },
                       [&](TTianjia& editor) {
                           QPlainTextEdit* text = editor.form()->mmo_ti;
                           text->setFocus();
                           QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
                           QTest::keyClicks(text, typed);
                           QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
                           QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
                           QTRY_VERIFY(QGuiApplication::clipboard()->ownsClipboard());
                       });
        QCOMPARE(QGuiApplication::clipboard()->text(), typed);

        QStringList openedWith;
        editorsShownBy(
            [&] {
                ClipboardOwner manager({u"--reown"_s});
                QVERIFY(manager.ready());
                // The clipboard is the manager's now, holding the same text.
                QVERIFY(!QGuiApplication::clipboard()->ownsClipboard());
                QCOMPARE(QGuiApplication::clipboard()->text(), typed);
                QTest::qWait(1500);
            },
            [&](TTianjia& editor) { openedWith << TTianjia::memoText(*editor.form()->mmo_ti); });
        QCOMPARE(openedWith, QStringList());
        QCOMPARE(w.os.errors, QStringList());

        // Another program's own copy is taken as ever.
        QString opened;
        editorsShownBy(
            [&] {
                ClipboardOwner owner({u"--text"_s, u"copied elsewhere"_s});
                QVERIFY(owner.ready());
                QVERIFY(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 20000));
            },
            [&](TTianjia& editor) { opened = TTianjia::memoText(*editor.form()->mmo_ti); });
        QCOMPARE(opened, u"copied elsewhere"_s);
    }

private:
    QTemporaryDir files_;
};

QTEST_MAIN(ClipboardX11Test)
#include "tst_clipboard_x11.moc"
