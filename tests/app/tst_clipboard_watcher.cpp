// The clipboard watcher: which editor a copied picture or text goes to, whatever window is showing;
// when it does nothing; the BMP file a picture becomes; and a picture that cannot be written.
#include "app/TForm1.h"
#include "bankinfo/TFormTikuxinxisezhi.h"
#include "chooser/TForm2.h"
#include "editor/TTianjia.h"
#include "tests/app/WatcherFixture.h"
#include "tests/support/Files.h"
#include "ui_TForm1.h"
#include "ui_TTianjia.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace Qt::StringLiterals;
using namespace fixture;
using namespace watcher;

namespace {

// The question text as a save would store it.
QString questionText(const TTianjia& editor) {
    return TTianjia::memoText(*editor.form()->mmo_ti);
}

// The window showing when the copy is made.
enum class Showing { NoEditor, ModifyEditor, WatcherEditor, AddEditor, BankInfo };
// What the copy does.
enum class Outcome { NewEditor, AttachedToShowing, Ignored };

} // namespace

Q_DECLARE_METATYPE(Showing)
Q_DECLARE_METATYPE(Outcome)

class ClipboardWatcherTest : public QObject {
    Q_OBJECT

private slots:
    void copyGoesWhereTheShowingWindowSays_data() {
        QTest::addColumn<Showing>("showing");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("no editor, picture") << Showing::NoEditor << true << Outcome::NewEditor;
        QTest::newRow("no editor, text") << Showing::NoEditor << false << Outcome::NewEditor;
        QTest::newRow("modify editor, picture")
            << Showing::ModifyEditor << true << Outcome::AttachedToShowing;
        QTest::newRow("modify editor, text") << Showing::ModifyEditor << false << Outcome::Ignored;
        QTest::newRow("watcher editor, picture")
            << Showing::WatcherEditor << true << Outcome::AttachedToShowing;
        QTest::newRow("watcher editor, text") << Showing::WatcherEditor << false << Outcome::Ignored;
        // The add command does not raise editorOpen: a picture opens a further editor on top.
        QTest::newRow("add editor, picture") << Showing::AddEditor << true << Outcome::NewEditor;
        QTest::newRow("add editor, text") << Showing::AddEditor << false << Outcome::Ignored;
        QTest::newRow("bank information, picture") << Showing::BankInfo << true << Outcome::NewEditor;
        QTest::newRow("bank information, text") << Showing::BankInfo << false << Outcome::NewEditor;
    }

    void copyGoesWhereTheShowingWindowSays() {
        QFETCH(Showing, showing);
        QFETCH(bool, picture);
        QFETCH(Outcome, outcome);
        WatchedWindow w;
        TForm1& form = w.form;
        const QImage copied = pictureOf(7, 5);
        const QString copiedText = u"复制的题目\r\n第二行"_s;

        // The copy, made while `showing` shows; `underneath` is the editor showing, if any.
        const auto copyAndCheck = [&](TTianjia* underneath) {
            const QString textBefore = underneath ? questionText(*underneath) : QString();
            const QString imgBefore = underneath ? underneath->imgName : QString();
            struct Seen {
                bool editorOpen = false;
                bool acceptClipText = true;
                QString imgName, pictureField, text;
                int isXiuGai = -1;
                bool pictureShown = false;
            } seen;
            const auto shown = editorsShownBy(
                [&] {
                    if (picture)
                        w.os.changeClipboard(copied, std::nullopt);
                    else
                        w.os.changeClipboard({}, copiedText);
                },
                [&](TTianjia& editor) {
                    seen = {form.editorOpen,
                            form.acceptClipText,
                            editor.imgName,
                            editor.form()->edtTupian_Edit->text(),
                            questionText(editor),
                            editor.isXiuGai,
                            editor.form()->Image1->isVisible()};
                    QCOMPARE(editor.mainForm, &form);
                    QCOMPARE(Tianjia.data(), &editor);
                });

            QVERIFY(w.os.errors.isEmpty());
            QVERIFY(!w.os.messages.contains(u"error404"_s));
            QCOMPARE(QFile::exists(u"b/"_s + bmpName), picture);
            switch (outcome) {
            case Outcome::NewEditor:
                QCOMPARE(shown.size(), 1);
                QCOMPARE(seen.isXiuGai, 0);
                QVERIFY(seen.editorOpen);
                // Every editor lowers it once it has loaded: further text goes nowhere.
                QVERIFY(!seen.acceptClipText);
                if (picture) {
                    QCOMPARE(seen.imgName, bmpName);
                    QCOMPARE(seen.pictureField, bmpName);
                    QVERIFY(seen.pictureShown);
                } else {
                    QCOMPARE(seen.text, copiedText);
                    QCOMPARE(seen.imgName, QString());
                }
                // The editor below gets nothing.
                if (underneath) {
                    QCOMPARE(questionText(*underneath), textBefore);
                    QCOMPARE(underneath->imgName, imgBefore);
                }
                break;
            case Outcome::AttachedToShowing:
                QVERIFY(underneath);
                QCOMPARE(shown.size(), 0);
                QCOMPARE(Tianjia.data(), underneath);
                QCOMPARE(underneath->imgName, bmpName);
                QCOMPARE(underneath->form()->edtTupian_Edit->text(), bmpName);
                QVERIFY(underneath->form()->Image1->isVisible());
                QCOMPARE(questionText(*underneath), textBefore);
                break;
            case Outcome::Ignored:
                QCOMPARE(shown.size(), 0);
                if (underneath) {
                    QCOMPARE(questionText(*underneath), textBefore);
                    QCOMPARE(underneath->imgName, imgBefore);
                }
                break;
            }
        };

        bool opened = false;
        const auto inEditor = [&](TTianjia& editor) {
            opened = true;
            copyAndCheck(&editor);
        };
        switch (showing) {
        case Showing::NoEditor:
            opened = true;
            copyAndCheck(nullptr);
            break;
        case Showing::ModifyEditor:
            form.selectedId = u"2"_s;
            editorsShownBy([&] { form.lv1DblClick(); }, inEditor);
            break;
        case Showing::WatcherEditor:
            editorsShownBy([&] { w.os.changeClipboard({}, u"先复制的"_s); }, inEditor);
            break;
        case Showing::AddEditor:
            editorsShownBy([&] { form.btntianjiaClick(); }, inEditor);
            break;
        case Showing::BankInfo:
            whileBankInfoShows(form, [&] {
                opened = true;
                copyAndCheck(nullptr);
            });
            break;
        }
        QVERIFY(opened);
        // Whatever showed has closed: the next copy starts afresh.
        QVERIFY(!form.editorOpen);
        QVERIFY(form.acceptClipText);
    }

    void uncheckedBoxTakesNothing_data() {
        QTest::addColumn<bool>("throughEditor");
        QTest::addColumn<bool>("picture");
        QTest::newRow("main window, picture") << false << true;
        QTest::newRow("main window, text") << false << false;
        QTest::newRow("editor's mirror, picture") << true << true;
        QTest::newRow("editor's mirror, text") << true << false;
    }

    void uncheckedBoxTakesNothing() {
        QFETCH(bool, throughEditor);
        QFETCH(bool, picture);
        WatchedWindow w;
        QVERIFY(w.form.form()->chkjiantieban->isChecked());
        if (throughEditor) {
            editorsShownBy([&] { w.form.btntianjiaClick(); },
                           [](TTianjia& editor) { editor.form()->chkjiantieban->setChecked(false); });
        } else {
            w.form.form()->chkjiantieban->setChecked(false);
        }
        QVERIFY(!w.form.form()->chkjiantieban->isChecked());

        const auto shown = editorsShownBy([&] {
            if (picture)
                w.os.changeClipboard(pictureOf(3, 3), std::nullopt);
            else
                w.os.changeClipboard({}, u"文字"_s);
        });
        QCOMPARE(shown.size(), 0);
        QCOMPARE(QDir(u"b"_s).entryList(QDir::Files), QStringList());
        QVERIFY(w.os.errors.isEmpty());
    }

    void nothingHappensWhileTheChooserShows() {
        QList<QPointer<TTianjia>> shown;
        bool chooserShowed = false;
        FakePlatform* os = nullptr;
        WatchedWindow w(threeQuestions, true, [&] {
            chooserShowed = Form2 && Form2->isVisible();
            os = &platformDouble();
            shown = editorsShownBy([&] {
                os->changeClipboard(pictureOf(4, 4), std::nullopt);
                os->changeClipboard({}, u"文字"_s);
                os->changeClipboard(pictureOf(4, 4), u"两者"_s);
            });
        });
        QVERIFY(chooserShowed);
        QCOMPARE(shown.size(), 0);
        QCOMPARE(QDir(u"b"_s).entryList(QDir::Files), QStringList());
        QVERIFY(w.os.errors.isEmpty());
        // Once the bank is open the same watcher takes copies.
        QCOMPARE(editorsShownBy([&] { w.os.changeClipboard({}, u"文字"_s); }).size(), 1);
    }

    void nothingHappensAfterTheBankIsClosed() {
        WatchedWindow w;
        w.form.FormClose();
        const auto shown = editorsShownBy([&] {
            w.os.changeClipboard(pictureOf(4, 4), std::nullopt);
            w.os.changeClipboard({}, u"文字"_s);
        });
        QCOMPARE(shown.size(), 0);
        QCOMPARE(QDir(u"b"_s).entryList(QDir::Files), QStringList());
        QVERIFY(w.os.errors.isEmpty());
    }

    void aCopyOfBothIsAPicture() {
        WatchedWindow w;
        QString imgName, text;
        const auto shown = editorsShownBy([&] { w.os.changeClipboard(pictureOf(6, 2), u"随图的文字"_s); },
                                          [&](TTianjia& editor) {
                                              imgName = editor.imgName;
                                              text = questionText(editor);
                                          });
        QCOMPARE(shown.size(), 1);
        QCOMPARE(imgName, bmpName);
        QVERIFY(text != u"随图的文字"_s);
        QVERIFY(QFile::exists(u"b/"_s + bmpName));
    }

    void thePictureIsABmpOfItsOwnSizeInTheBankFolder() {
        WatchedWindow w;
        const QImage copied = pictureOf(13, 7);
        editorsShownBy([&] { w.os.changeClipboard(copied, std::nullopt); });
        QCOMPARE(QDir(u"b"_s).entryList(QDir::Files), QStringList{bmpName});
        const QString path = u"b/"_s + bmpName;
        QVERIFY(testfiles::readFile(path).startsWith("BM"));
        const QImage written(path, "BMP");
        QCOMPARE(written.size(), copied.size());
        QCOMPARE(written.convertToFormat(QImage::Format_RGB32), copied);
    }

    void aSecondPictureInTheSameTickTakesTheNextNumber() {
        WatchedWindow w;
        const QImage first = pictureOf(5, 5);
        const QImage second = pictureOf(9, 4, 100);
        QString imgName;
        const auto shown = editorsShownBy([&] { w.os.changeClipboard(first, std::nullopt); },
                                          [&](TTianjia& editor) {
                                              // The watcher's own editor takes the second picture.
                                              w.os.changeClipboard(second, std::nullopt);
                                              imgName = editor.imgName;
                                          });
        QCOMPARE(shown.size(), 1);
        QCOMPARE(imgName, u"4000000001.bmp"_s);
        QCOMPARE(QDir(u"b"_s).entryList(QDir::Files), (QStringList{bmpName, u"4000000001.bmp"_s}));
        QCOMPARE(QImage(u"b/"_s + bmpName, "BMP").convertToFormat(QImage::Format_RGB32), first);
        QCOMPARE(QImage(u"b/4000000001.bmp"_s, "BMP").convertToFormat(QImage::Format_RGB32), second);
    }

    // The tick count starts again at every boot and wraps after 49.7 days: the names it gives may be
    // pictures that saved questions show. They stay as they are; the copy takes the next free number,
    // past the counter's wrap if need be.
    void namesTakenInTheFolderAreLeftAlone_data() {
        QTest::addColumn<quint32>("tick");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one taken") << tick << QStringList{bmpName} << u"4000000001.bmp"_s;
        QTest::newRow("a run taken") << tick << QStringList{bmpName, u"4000000001.bmp"_s, u"4000000002.bmp"_s}
                                     << u"4000000003.bmp"_s;
        QTest::newRow("taken by a folder") << tick << QStringList{bmpName + u"/"_s} << u"4000000001.bmp"_s;
        QTest::newRow("at the counter's end")
            << quint32(4294967295u) << QStringList{u"4294967295.bmp"_s} << u"0.bmp"_s;
    }

    void namesTakenInTheFolderAreLeftAlone() {
        QFETCH(quint32, tick);
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        WatchedWindow w;
        w.os.tick = tick;
        for (const QString& name : taken) {
            if (name.endsWith(u'/'))
                QVERIFY(QDir(u"b"_s).mkdir(name.chopped(1)));
            else
                testfiles::writeFile(u"b/"_s + name, "an earlier picture");
        }
        QString imgName;
        editorsShownBy([&] { w.os.changeClipboard(pictureOf(6, 3), std::nullopt); },
                       [&](TTianjia& editor) { imgName = editor.imgName; });
        QCOMPARE(imgName, expected);
        QCOMPARE(QImage(u"b/"_s + expected, "BMP").size(), QSize(6, 3));
        for (const QString& name : taken)
            if (!name.endsWith(u'/'))
                QCOMPARE(testfiles::readFile(u"b/"_s + name), QByteArray("an earlier picture"));
        QVERIFY(w.os.errors.isEmpty());
    }

    void aPictureWithoutFolderSettingGoesToTheFallbackFolder() {
        WatchedWindow w(u"UPDATE jiegou SET str_value='' WHERE str_name='mulu';"_s, false);
        w.os.messages.clear();
        QString imgName;
        editorsShownBy([&] { w.os.changeClipboard(pictureOf(3, 2), std::nullopt); },
                       [&](TTianjia& editor) { imgName = editor.imgName; });
        QCOMPARE(imgName, bmpName);
        QVERIFY(QFile::exists(u"tavrindata/"_s + bmpName));
        QVERIFY(w.os.messages.contains(u"出错,代码298"_s));
        QVERIFY(w.os.errors.isEmpty());
    }

    void anUnwritablePictureIsReportedAndFeedsNoEditor() {
        // The bank names folder b, which does not exist.
        WatchedWindow w(threeQuestions, false);
        const auto shown = editorsShownBy([&] { w.os.changeClipboard(pictureOf(4, 4), u"文字"_s); });
        QCOMPARE(shown.size(), 0);
        QCOMPARE(w.os.errors.size(), 1);
        QVERIFY2(w.os.errors[0].contains(u"b/"_s + bmpName), qPrintable(w.os.errors[0]));
        QVERIFY(!w.form.editorOpen);

        // Nor does the editor showing get the name of a file that is not there.
        w.form.selectedId = u"1"_s;
        QString imgName;
        editorsShownBy([&] { w.form.lv1DblClick(); },
                       [&](TTianjia& editor) {
                           editorsShownBy([&] { w.os.changeClipboard(pictureOf(4, 4), std::nullopt); });
                           imgName = editor.imgName;
                       });
        QCOMPARE(imgName, u"p.jpg"_s);
        QCOMPARE(w.os.errors.size(), 2);
    }
};

QTEST_MAIN(ClipboardWatcherTest)
#include "tst_clipboard_watcher.moc"
