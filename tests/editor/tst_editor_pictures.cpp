// The editor's picture: chosen in the file dialog, dropped on the window, shown from the bank's
// folder (unscaled from its corner, GIFs animated by their name), and what each way saves.
#include "tests/editor/EditorFixture.h"
#include "tests/support/FileDrop.h"
#include "tests/support/Files.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;
using namespace fixture;
using filedrop::dropFiles;
using filedrop::dropUrls;

namespace {

// A GIF of one pixel in two frames (black, then white), looping: the smallest file that animates.
QByteArray twoFrameGif() {
    return QByteArray::fromHex("474946383961010001008000000000"         // header, 1x1, two-colour table
                               "00ffffff"                               // black, white
                               "21ff0b4e45545343415045322e300301000000" // loop for ever
                               "21f904000a000000"                       // 0.1 s a frame
                               "2c000000000100010000020244010000"       // frame 1: colour 0
                               "21f904000a000000"
                               "2c00000000010001000002024c010000" // frame 2: colour 1
                               "3b");
}

QColor shownColourAt(const Ui::TTianjia& ui, QPoint at) {
    return ui.Image1->pixmap().toImage().pixelColor(at);
}

} // namespace

class EditorPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void browseCopiesThePictureAndShowsIt() {
        OpenWindow w;
        QVERIFY(QDir().mkdir(u"b"_s)); // the bank's picture folder
        w.os.tick = 815;
        placePicture(u"source/cat.png"_s);
        w.os.nextFileNames = {w.dir.file(u"source/cat.png"_s)};
        auto editor = openEditor(w.form);
        const Ui::TTianjia& ui = *editor->form();

        ui.Button3->click();

        QCOMPARE(editor->imgName, u"815cat.png"_s);
        QCOMPARE(ui.edtTupian_Edit->text(), u"815cat.png"_s);
        QVERIFY(QFileInfo::exists(u"b/815cat.png"_s));
        QVERIFY(ui.Image1->isVisibleTo(editor.get()));
        QCOMPARE(ui.Image1->pixmap().size(), QSize(40, 30));
        QVERIFY(w.os.messages.isEmpty());
        QVERIFY(w.os.fileFilters.value(0).startsWith(u"图片文件(*.jpg,*.bmp,*.png)"_s));
        // The name reaches the bank with the next save only.
        QCOMPARE(w.form.questionList()->rowCount(), 3);
    }

    void browseCancelledChangesNothing() {
        OpenWindow w;
        w.os.nextFileNames = {QString()};
        auto editor = openEditor(w.form);
        editor->form()->Button3->click();
        QVERIFY(editor->imgName.isEmpty());
        QVERIFY(editor->form()->edtTupian_Edit->text().isEmpty());
        QVERIFY(!editor->form()->Image1->isVisibleTo(editor.get()));
    }

    // The tick count restarts at every boot: its name may be a saved question's picture. The copy
    // takes the next free number instead.
    void aCopyNeverOverwritesAPictureOfTheSameName() {
        OpenWindow w;
        placePicture(u"b/1000cat.png"_s, {40, 30}, Qt::blue);
        placePicture(u"source/cat.png"_s, {40, 30}, Qt::red);
        w.os.nextFileNames = {w.dir.file(u"source/cat.png"_s)};
        auto editor = openEditor(w.form);

        editor->form()->Button3->click();

        QCOMPARE(QImage(u"b/1000cat.png"_s).pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(editor->imgName, u"1001cat.png"_s);
        QCOMPARE(editor->form()->edtTupian_Edit->text(), u"1001cat.png"_s);
        QCOMPARE(QImage(u"b/1001cat.png"_s).pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(shownColourAt(*editor->form(), {0, 0}), QColor(Qt::red));
    }

    // The folder already holds the names this tick count gives: each dropped file, all of one name
    // and in one tick, gets a number of its own, and the files there are left as they were.
    void droppedFilesTakeTheNextFreeNumbers() {
        OpenWindow w;
        placePicture(u"b/1000a.png"_s, {40, 30}, Qt::blue);
        placePicture(u"b/1002a.png"_s, {40, 30}, Qt::green);
        placePicture(u"source/a.png"_s, {40, 30}, Qt::red);
        auto editor = openEditor(w.form);

        dropFiles(editor.get(), {u"source/a.png"_s, u"source/a.png"_s});

        QCOMPARE(storedQuestion(u"b.stk"_s, u"4"_s).value(4), u"1001a.png"_s);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"5"_s).value(4), u"1003a.png"_s);
        QCOMPARE(QImage(u"b/1000a.png"_s).pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(QImage(u"b/1002a.png"_s).pixelColor(0, 0), QColor(Qt::green));
        for (const QString& name : {u"b/1001a.png"_s, u"b/1003a.png"_s})
            QCOMPARE(QImage(name).pixelColor(0, 0), QColor(Qt::red));
        QVERIFY(w.os.messages.isEmpty());
    }

    void eachDroppedFileIsSavedAsAFurtherNewQuestion() {
        OpenWindow w;
        QVERIFY(QDir().mkdir(u"b"_s)); // the bank's picture folder
        for (const QString& name : {u"a.png"_s, u"b.jpg"_s, u"c.bmp"_s})
            placePicture(u"source/"_s + name);
        auto editor = openEditor(w.form);
        editor->form()->mmo_ti->setPlainText(u"看图"_s);

        dropFiles(editor.get(), {u"source/a.png"_s, u"source/b.jpg"_s, u"source/c.bmp"_s});

        QCOMPARE(w.form.questionList()->rowCount(), 6);
        const QStringList names = {u"1000a.png"_s, u"1000b.jpg"_s, u"1000c.bmp"_s};
        for (int id = 4; id <= 6; ++id) {
            const QStringList stored = storedQuestion(u"b.stk"_s, QString::number(id));
            QCOMPARE(stored.value(1), u"看图"_s);
            QCOMPARE(stored.value(4), names[id - 4]);
        }
        QVERIFY(w.os.messages.isEmpty());
        QVERIFY(editor->form()->lbl4->isVisibleTo(editor.get()));
    }

    void aStoredQuestionKeepsTheLastDroppedName() {
        OpenWindow w;
        QVERIFY(QDir().mkdir(u"b"_s)); // the bank's picture folder
        placePicture(u"source/one.png"_s);
        placePicture(u"source/two.png"_s);
        auto editor = openEditor(w.form, u"1"_s);

        dropFiles(editor.get(), {u"source/one.png"_s, u"source/two.png"_s});

        QCOMPARE(w.form.questionList()->rowCount(), 3);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"1"_s).value(4), u"1000two.png"_s);
    }

    void aDroppedTextFileIsCopiedButNotShown() {
        OpenWindow w;
        QVERIFY(QDir().mkdir(u"b"_s)); // the bank's picture folder
        testfiles::writeFile(u"notes.txt"_s, "not a picture");
        auto editor = openEditor(w.form);
        editor->form()->edtTupian_Edit->setText(u"p.jpg"_s);

        dropFiles(editor.get(), {u"notes.txt"_s});

        QVERIFY(QFileInfo::exists(u"b/1000notes.txt"_s));
        QCOMPARE(w.os.messages, QStringList{u"error404"_s});
        QVERIFY(!editor->form()->Image1->isVisibleTo(editor.get()));
        // The name box is set only by a picture that showed: the save keeps the name it held.
        QCOMPARE(storedQuestion(u"b.stk"_s, u"4"_s).value(4), u"p.jpg"_s);
    }

    void filesDroppedOnATextBoxAreTheWindows() {
        OpenWindow w;
        QVERIFY(QDir().mkdir(u"b"_s)); // the bank's picture folder
        placePicture(u"source/a.png"_s);
        auto editor = openEditor(w.form);
        editor->form()->mmo_ti->setPlainText(u"题"_s);

        dropFiles(editor->form()->mmo_ti->viewport(), {u"source/a.png"_s});

        QCOMPARE(editor->form()->mmo_ti->toPlainText(), u"题"_s);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"4"_s).value(4), u"1000a.png"_s);
    }

    void aDropOfAnythingButLocalFilesIsIgnored() {
        OpenWindow w;
        auto editor = openEditor(w.form);
        dropUrls(editor.get(), {QUrl(u"https://example.org/a.png"_s)});
        QCOMPARE(w.form.questionList()->rowCount(), 3);
        QVERIFY(w.os.messages.isEmpty());
    }

    void aDroppedPathIsCutAt254Characters() {
        OpenWindow w;
        QVERIFY(QDir().mkdir(u"b"_s)); // the bank's picture folder
        // A picture whose absolute path is longer than 254 characters: its cut path names nothing.
        QString folder = w.dir.path();
        while (folder.size() < 260)
            folder += u"/abcdefghijklmnopqrstuvwxyz"_s;
        const QString path = folder + u"/long.png"_s;
        placePicture(path);
        auto editor = openEditor(w.form);

        dropFiles(editor.get(), {path});

        const QString cut = path.left(254);
        QCOMPARE(editor->imgName, u"1000"_s + QFileInfo(cut).fileName());
        QCOMPARE(w.os.messages, QStringList{u"error404"_s});
        QCOMPARE(w.form.questionList()->rowCount(), 4);
    }

    void showPicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // empty: a picture made by placePicture
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("animated");

        QTest::newRow("no picture") << QString() << QByteArray() << false << false;
        QTest::newRow("png") << u"a.png"_s << QByteArray() << true << false;
        QTest::newRow("upper-case extension") << u"a.JPG"_s << QByteArray() << true << false;
        QTest::newRow("gif animates") << u"a.gif"_s << twoFrameGif() << true << true;
        QTest::newRow("GIF animates") << u"a.GIF"_s << twoFrameGif() << true << true;
        QTest::newRow("Gif shows its first frame") << u"a.Gif"_s << twoFrameGif() << true << false;
        QTest::newRow("missing file") << u"gone.png"_s << QByteArray("-") << false << false;
        QTest::newRow("text named png") << u"t.png"_s << QByteArray("hello") << false << false;
        QTest::newRow("truncated png")
            << u"t.png"_s << QByteArray::fromHex("89504e470d0a1a0a0000000d4948") << false << false;
        QTest::newRow("unknown extension") << u"a.tif"_s << QByteArray("II*") << false << false;
    }

    void showPicture() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, shown);
        QFETCH(bool, animated);
        OpenWindow w;
        if (content.isEmpty() && !name.isEmpty())
            placePicture(u"b/"_s + name);
        else if (content != "-" && !name.isEmpty()) {
            QDir().mkpath(u"b"_s);
            testfiles::writeFile(u"b/"_s + name, content);
        }
        auto editor = openEditor(w.form);
        const Ui::TTianjia& ui = *editor->form();
        ui.edtTupian_Edit->setText(u"before"_s);

        editor->imgName = name;
        editor->ShowPicture();

        QCOMPARE(ui.Image1->isVisibleTo(editor.get()), shown);
        const bool failed = !shown && !name.isEmpty();
        QCOMPARE(w.os.messages, failed ? QStringList{u"error404"_s} : QStringList());
        QCOMPARE(ui.edtTupian_Edit->text(), shown ? name : u"before"_s);
        QCOMPARE(ui.Image1->movie() != nullptr, animated);
        if (animated)
            QCOMPARE(ui.Image1->movie()->state(), QMovie::Running);
        // A shown picture brings the editor to the front.
        QCOMPARE(w.os.raised.contains(editor.get()), shown);
    }

    void aLargePictureShowsItsTopLeftCornerUnscaled() {
        OpenWindow w;
        QDir().mkpath(u"b"_s);
        QImage big(800, 600, QImage::Format_RGB32);
        big.fill(Qt::blue);
        for (int y = 0; y < 180; ++y)
            for (int x = 0; x < 337; ++x)
                big.setPixelColor(x, y, Qt::red);
        QVERIFY(big.save(u"b/big.png"_s));
        auto editor = openEditor(w.form);

        editor->imgName = u"big.png"_s;
        editor->ShowPicture();

        const Ui::TTianjia& ui = *editor->form();
        QCOMPARE(ui.Image1->size(), QSize(337, 180));
        QCOMPARE(ui.Image1->pixmap().size(), QSize(337, 180));
        QCOMPARE(shownColourAt(ui, {0, 0}), QColor(Qt::red));
        QCOMPARE(shownColourAt(ui, {336, 179}), QColor(Qt::red));
    }

    void theDisplayFindsPicturesBesideTheProgram() {
        OpenWindow w;
        placePicture(u"program/b/p.png"_s);
        w.os.programDir = w.dir.file(u"program"_s);
        auto editor = openEditor(w.form);

        editor->imgName = u"p.png"_s;
        editor->ShowPicture();
        QVERIFY(editor->form()->Image1->isVisibleTo(editor.get()));

        // The working directory's copy alone is not what the display shows.
        placePicture(u"b/q.png"_s);
        editor->imgName = u"q.png"_s;
        editor->ShowPicture();
        QCOMPARE(w.os.messages, QStringList{u"error404"_s});
    }

    void copiedTextIsHandedOverWithoutTouchingTheForm() {
        OpenWindow w;
        auto editor = openEditor(w.form);
        editor->form()->mmo_ti->setPlainText(u"typed"_s);

        editor->TakeClipboardText(u"abc\r\ndef"_s);

        QCOMPARE(w.form.tikuSql->ti_neirong, u"abc\r\ndef"_s);
        QCOMPARE(editor->form()->mmo_ti->toPlainText(), u"typed"_s);
        QVERIFY(w.os.raised.contains(editor.get()));
    }
};

QTEST_MAIN(EditorPicturesTest)
#include "tst_editor_pictures.moc"
