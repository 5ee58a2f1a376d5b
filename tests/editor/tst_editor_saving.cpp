// Saves through the main window's row operations: a new question inserted at every save, a stored
// one rewritten, the "保存成功！" notice, and saves that the bank refuses.
#include "tests/editor/EditorFixture.h"
#include "tests/support/WriteProtection.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace fixture;

class EditorSavingTest : public QObject {
    Q_OBJECT

private slots:
    void newQuestionIsInsertedAtEverySave() {
        OpenWindow w;
        auto editor = openEditor(w.form);
        Ui::TTianjia& ui = *editor->form();
        ui.mmo_ti->setPlainText(u"新题"_s);
        ui.cbb1->setCurrentIndex(2);
        editor->cbb1Change();
        tickLetters(ui, u"AC"_s);
        ui.mmojiexi->setPlainText(u"新解析"_s);
        ui.edtTupian_Edit->setText(u"n.png"_s);

        ui.btn1->click();
        ui.btn1->click();

        const QStringList question{u"新题"_s, u"3"_s, u"10"_s, u"n.png"_s, u"新解析"_s};
        QCOMPARE(storedQuestion(u"b.stk"_s, u"4"_s), QStringList{u"4"_s} + question);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"5"_s), QStringList{u"5"_s} + question);
        QCOMPARE(w.form.questionList()->rowCount(), 5);
        QCOMPARE(rowCells(w.form, 4), (QStringList{u"5"_s, u"新题"_s, u"AC"_s, u"新解析"_s, u"n.png"_s}));
        // Still a new question: the editor learns no ID.
        QCOMPARE(ui.lblID->text(), u"本题ID:"_s);
        QCOMPARE(editor->benTiID, QString());
        QCOMPARE(editor->isXiuGai, 0);
        QVERIFY(w.os.errors.isEmpty());
    }

    void storedQuestionIsRewrittenInItsRow() {
        OpenWindow w;
        w.form.selectedIndex = 0;
        auto editor = openEditor(w.form, u"1"_s);
        Ui::TTianjia& ui = *editor->form();
        ui.mmo_ti->setPlainText(u"改过的第一题"_s);
        ui.rb4->setChecked(true);
        ui.edtTupian_Edit->clear();

        ui.btn1->click();

        QCOMPARE(storedQuestion(u"b.stk"_s, u"1"_s),
                 (QStringList{u"1"_s, u"改过的第一题"_s, u"1"_s, u"4"_s, u""_s, u"解析一"_s}));
        QCOMPARE(rowCells(w.form, 0), (QStringList{u"1"_s, u"改过的第一题"_s, u"D"_s, u"解析一"_s, u""_s}));
        QCOMPARE(w.form.questionList()->rowCount(), 3);
    }

    void questionReachedByNextIsSavedUnderItsOwnId() {
        OpenWindow w;
        w.form.selectedIndex = 0;
        auto editor = openEditor(w.form, u"1"_s);
        Ui::TTianjia& ui = *editor->form();
        ui.btnNe->click();
        ui.mmo_ti->setPlainText(u"改过的第二题"_s);
        ui.rb6->setChecked(true);

        ui.btnsave->click();

        QCOMPARE(storedQuestion(u"b.stk"_s, u"2"_s),
                 (QStringList{u"2"_s, u"改过的第二题"_s, u"2"_s, u"5"_s, u""_s, u""_s}));
        QCOMPARE(storedQuestion(u"b.stk"_s, u"1"_s)[1], u"第一题\nA. 甲"_s);
        QVERIFY(!editor->isVisible());
    }

    void noticeShowsForOneSecondFromTheFirstSave() {
        OpenWindow w;
        auto editor = openEditor(w.form, u"2"_s);
        const Ui::TTianjia& ui = *editor->form();
        auto* tmr1 = editor->findChild<QTimer*>(u"tmr1"_s);
        QVERIFY(tmr1);
        QVERIFY(!ui.lbl4->isVisibleTo(editor.get()));
        QVERIFY(!tmr1->isActive());

        ui.btn1->click();
        QVERIFY(ui.lbl4->isVisible());
        QVERIFY(tmr1->isActive());
        QCOMPARE(tmr1->interval(), 1000);
        // A second save while the notice shows leaves the running second alone: 300 ms on, less
        // than 800 ms remain (a restarted timer would have about 1000 again).
        QTest::qWait(300);
        ui.btn1->click();
        QVERIFY(tmr1->isActive());
        QVERIFY2(tmr1->remainingTime() <= 800, qPrintable(QString::number(tmr1->remainingTime())));

        QTRY_VERIFY(!ui.lbl4->isVisible());
        QVERIFY(!tmr1->isActive());
        ui.btn1->click();
        QVERIFY(ui.lbl4->isVisible());
    }

    void refusedSaveIsReportedAndChangesNothing_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("button");

        QTest::newRow("保存, new question") << ""
                                            << "btn1";
        QTest::newRow("保存, stored question") << "1"
                                               << "btn1";
        QTest::newRow("保存并退出, new question") << ""
                                                  << "btnsave";
        QTest::newRow("保存并退出, stored question") << "1"
                                                     << "btnsave";
    }

    void refusedSaveIsReportedAndChangesNothing() {
        QFETCH(QString, id);
        QFETCH(QString, button);
        FakePlatformScope os;
        WorkDir dir;
        dir.makeBank(u"b.stk"_s, threeQuestions);
        WriteProtection readOnly(u"b.stk"_s);
        if (!readOnly.holds())
            QSKIP("the file system does not refuse writes here");
        TForm1 form;
        form.tikuPath = u"b.stk"_s;
        Form1 = &form;
        form.OpenChosenBank();
        const QStringList firstRow = rowCells(form, 0);
        const QStringList stored = storedQuestion(u"b.stk"_s, u"1"_s);

        auto editor = openEditor(form, id);
        const Ui::TTianjia& ui = *editor->form();
        ui.mmo_ti->setPlainText(u"不会保存"_s);
        editor->findChild<QPushButton*>(button)->click();

        QCOMPARE(os.errors.size(), 1);
        QVERIFY2(os.errors[0].startsWith(u"题库读写出错"_s), qPrintable(os.errors[0]));
        QVERIFY(!ui.lbl4->isVisible());
        QVERIFY(!editor->findChild<QTimer*>(u"tmr1"_s)->isActive());
        QVERIFY(editor->isVisible());
        QCOMPARE(ui.mmo_ti->toPlainText(), u"不会保存"_s);
        QCOMPARE(form.questionList()->rowCount(), 3);
        QCOMPARE(rowCells(form, 0), firstRow);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"1"_s), stored);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"4"_s)[0], u"0"_s);
    }
};

QTEST_MAIN(EditorSavingTest)
#include "tst_editor_saving.moc"
