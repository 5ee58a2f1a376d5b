#include "app/QuestionListModel.h"
#include "app/TForm1.h"
#include "chooser/TForm2.h"
#include "tests/support/BankLock.h"
#include "tests/support/Files.h"
#include "tests/support/MainWindowFixture.h"
#include "ui_TForm1.h"
#include "ui_TForm2.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace Qt::StringLiterals;

using namespace fixture;

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void listsEveryQuestionAndBuildsTheCaption() {
        OpenWindow w;
        TForm1& form = w.form;

        QCOMPARE(form.questionList()->rowCount(), 3);
        QCOMPARE(rowCells(form, 0),
                 (QStringList{u"1"_s, u"第一题\nA. 甲"_s, u"B"_s, u"解析一"_s, u"p.jpg"_s}));
        QCOMPARE(rowCells(form, 1), (QStringList{u"2"_s, u"第二题"_s, u"对"_s, u""_s, u""_s}));
        QCOMPARE(rowCells(form, 2), (QStringList{u"3"_s, u"第三题"_s, u"ABD"_s, u"多选"_s, u""_s}));
        // A cell shows its text on one line.
        QCOMPARE(form.questionList()->index(0, QuestionListModel::TextColumn).data().toString(),
                 u"第一题 A. 甲"_s);
        QCOMPARE(form.windowTitle(), u"b题库作者是：张三----http://example.org/z"_s);
        QCOMPARE(form.selectedIndex, 0);
        QVERIFY(w.os.messages.isEmpty());
    }

    // "[*]" in a window title is Qt's place for its modified-marker; the caption shows the bank's
    // settings exactly as stored, these characters included.
    void theCaptionShowsTheSettingsAsStored_data() {
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("address");
        QTest::newRow("marker in the author") << u"[*]张三"_s << u"http://example.org/z"_s;
        QTest::newRow("two markers") << u"张[*][*]三"_s << u"http://example.org/[*]"_s;
        QTest::newRow("three markers and brackets") << u"[*][*][*]"_s << u"[[*]]*"_s;
    }
    void theCaptionShowsTheSettingsAsStored() {
        QFETCH(QString, author);
        QFETCH(QString, address);
        OpenWindow w(u"UPDATE jiegou SET str_value='b' WHERE str_name='mulu';\n"_s +
                     u"UPDATE jiegou SET str_value='%1' WHERE str_name='tikuZuoZhe';\n"_s.arg(author) +
                     u"UPDATE jiegou SET str_value='%1' WHERE str_name='tikuRUL';"_s.arg(address));
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        // What the window system is given to show.
        QCOMPARE(w.form.windowHandle()->title(), u"b题库作者是："_s + author + u"----"_s + address);
        // The window counts as unmodified whatever the marker would say.
        w.form.setWindowModified(true);
        QCOMPARE(w.form.windowHandle()->title(), u"b题库作者是："_s + author + u"----"_s + address);
    }

    void emptyBankStillGetsItsCaption() {
        OpenWindow w(u"UPDATE jiegou SET str_value='e' WHERE str_name='mulu';"_s);
        QCOMPARE(w.form.questionList()->rowCount(), 0);
        QCOMPARE(w.form.windowTitle(), u"e题库作者是：----"_s);
    }

    void emptyFolderSettingFallsBackInTheCaption() {
        OpenWindow w(u"UPDATE jiegou SET str_value='' WHERE str_name='mulu';"_s);
        QCOMPARE(w.os.messages, QStringList{u"出错,代码298"_s});
        QVERIFY(w.form.windowTitle().startsWith(u"tavrindata题库作者是："_s));
    }

    void noChosenBankShowsTheEmptyPathAndEnds() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 form;
        QCOMPARE(exitCodeOf([&] { form.OpenChosenBank(); }), 0);
        QCOMPARE(os.messages, QStringList{QString()});
    }

    void startUpRunsTheChooserFirst() {
        FakePlatformScope os;
        WorkDir dir;
        dir.makeBank(u"b.stk"_s, threeQuestions);
        TForm1 form;
        QTimer::singleShot(0, [&] {
            QVERIFY(Form2 && Form2->isVisible());
            Form2->findChild<QPushButton*>(u"Button1"_s)->click();
        });
        form.FormCreate();
        QCOMPARE(form.tikuPath, u"b.stk"_s);
        QVERIFY(form.acceptClipText);
        QVERIFY(!Form2->isVisible());
        QCOMPARE(form.questionList()->rowCount(), 3);
    }

    // A bank another tool put into write-ahead-log mode: the chooser's lock check, the main window's
    // list and an editor that is closed unsaved read it, and the file is as it was, still in that mode.
    void aWalBankIsUnchangedUntilTheProgramWrites() {
        FakePlatformScope os;
        WorkDir dir;
        dir.makeBank(u"b.stk"_s, threeQuestions);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"wal-maker"_s);
            db.setDatabaseName(u"b.stk"_s);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(u"PRAGMA journal_mode=WAL"_s));
            db.close();
        }
        QSqlDatabase::removeDatabase(u"wal-maker"_s);
        const QByteArray before = testfiles::readFile(u"b.stk"_s);
        const auto journalMode = [] {
            QString mode;
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"wal-reader"_s);
                db.setDatabaseName(u"b.stk"_s);
                db.open();
                QSqlQuery query(u"PRAGMA journal_mode"_s, db);
                mode = query.next() ? query.value(0).toString() : QString();
            }
            QSqlDatabase::removeDatabase(u"wal-reader"_s);
            return mode;
        };

        {
            TForm1 form;
            Form1 = &form;
            // Return in the chooser's drop-down, where its focus starts, opens the bank.
            bool openedByKey = false;
            QTimer::singleShot(0, [&] {
                if (QTest::qWaitForWindowActive(Form2) && QApplication::focusWidget() == Form2->form()->cbb1)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                openedByKey = !Form2->isVisible();
                if (!openedByKey)
                    Form2->form()->Button1->click();
            });
            form.FormCreate();
            QVERIFY(openedByKey);
            QCOMPARE(form.questionList()->rowCount(), 3);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QTimer::singleShot(0, [] {
                if (auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    editor->close();
            });
            form.selectedId = u"2"_s;
            form.lv1DblClick();
            QCOMPARE(testfiles::readFile(u"b.stk"_s), before);
            form.close();
            Form1 = nullptr;
        }

        QCOMPARE(testfiles::readFile(u"b.stk"_s), before);
        QCOMPARE(QDir().entryList({u"b.stk*"_s}, QDir::Files), QStringList{u"b.stk"_s});
        QCOMPARE(journalMode(), u"wal"_s);
        QVERIFY(os.messages.isEmpty());
        QVERIFY(os.errors.isEmpty());
    }

    void onlyTheWidthFollowsAResize() {
        OpenWindow w;
        TForm1& form = w.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTableView* list = form.form()->lv1;
        const int listWidth = list->width();
        const int textWidth = list->horizontalHeader()->sectionSize(QuestionListModel::TextColumn);
        QCOMPARE(textWidth, 300);

        form.resize(form.width() + 100, form.height() + 120);
        QTRY_COMPARE(list->width(), listWidth + 100);
        QCOMPARE(list->horizontalHeader()->sectionSize(QuestionListModel::TextColumn), textWidth + 100);
        QCOMPARE(form.height(), 548);
        QCOMPARE(list->horizontalHeader()->sectionSize(QuestionListModel::IdColumn), 60);
    }

    void addedQuestionIsStoredAndAppended() {
        OpenWindow w;
        TForm1& form = w.form;

        form.AddTi(3, u"新题 <b>粗</b>"_s, 0x6, u"x.png"_s, u"新解析"_s);
        QCOMPARE(form.questionList()->rowCount(), 4);
        QCOMPARE(rowCells(form, 3),
                 (QStringList{u"4"_s, u"新题 <b>粗</b>"_s, u"AB"_s, u"新解析"_s, u"x.png"_s}));
        QCOMPARE(storedQuestion(u"b.stk"_s, u"4"_s),
                 (QStringList{u"4"_s, u"新题 <b>粗</b>"_s, u"3"_s, u"6"_s, u"x.png"_s, u"新解析"_s}));
    }

    void updateRewritesTheSelectedRow() {
        OpenWindow w;
        TForm1& form = w.form;

        // The row rewritten is the one last selected, whatever question the editor saved.
        form.selectedIndex = 2;
        form.UpdateTi(u"1"_s, 2, u"改过的题"_s, 5, QString(), u"改"_s);
        QCOMPARE(rowCells(form, 2), (QStringList{u"1"_s, u"改过的题"_s, u"错"_s, u"改"_s, u""_s}));
        QCOMPARE(rowCells(form, 0)[1], u"第一题\nA. 甲"_s);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"1"_s),
                 (QStringList{u"1"_s, u"改过的题"_s, u"2"_s, u"5"_s, u""_s, u"改"_s}));

        // With no row selected only the bank changes.
        form.selectedIndex = -1;
        form.UpdateTi(u"2"_s, 1, u"再改"_s, 4, QString(), QString());
        QCOMPARE(storedQuestion(u"b.stk"_s, u"2"_s)[1], u"再改"_s);
    }

    void aFailedSaveLeavesTheRowAsItIsOnDisk() {
        OpenWindow w;
        TForm1& form = w.form;
        const QStringList before = rowCells(form, 0);
        {
            BankLock otherProgram(w.dir.file(u"b.stk"_s));
            QVERIFY_THROWS_EXCEPTION(platform::Error, form.UpdateTi(u"1"_s, 1, u"不会保存"_s, 1, {}, {}));
        }
        QCOMPARE(rowCells(form, 0), before);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"1"_s)[1], before[1]);
    }

    void deleteRightAfterStartTakesTheFirstRow() {
        OpenWindow w;
        TForm1& form = w.form;

        form.form()->dele_butt->click();
        QCOMPARE(form.questionList()->rowCount(), 2);
        QCOMPARE(form.questionList()->row(0).id, u"2"_s);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"1"_s)[0], u"0"_s);
        QCOMPARE(form.selectedIndex, -1);

        form.form()->dele_butt->click();
        QCOMPARE(w.os.messages, QStringList{u"请选择一道题"_s});
        QCOMPARE(form.questionList()->rowCount(), 2);
    }

    void deleteTakesTheRowTheUserSelected() {
        OpenWindow w;
        TForm1& form = w.form;
        form.show();
        QTableView* list = form.form()->lv1;
        const QRect second = list->visualRect(form.questionList()->index(1, QuestionListModel::TextColumn));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(form.selectedIndex, 1);

        form.form()->dele_butt->click();
        QCOMPARE(form.questionList()->rowCount(), 2);
        QCOMPARE(form.questionList()->row(1).id, u"3"_s);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"2"_s)[0], u"0"_s);

        // After a delete a newly selected row can be deleted as well.
        const QRect first = list->visualRect(form.questionList()->index(0, QuestionListModel::TextColumn));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
        form.form()->dele_butt->click();
        QCOMPARE(form.questionList()->rowCount(), 1);
        QCOMPARE(form.questionList()->row(0).id, u"3"_s);
        QVERIFY(w.os.messages.isEmpty());
    }

    void aFailedDeleteKeepsTheRow() {
        OpenWindow w;
        TForm1& form = w.form;
        {
            BankLock otherProgram(w.dir.file(u"b.stk"_s));
            form.form()->dele_butt->click();
        }
        QCOMPARE(w.os.errors.size(), 1);
        QCOMPARE(form.questionList()->rowCount(), 3);
        QCOMPARE(form.selectedIndex, -1);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"1"_s)[0], u"1"_s);
    }

    void closingTheWindowClosesTheBank() {
        OpenWindow w;
        TForm1& form = w.form;
        form.show();
        QVERIFY(form.close());
        QVERIFY(!form.tikuSql->isOpen());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
