// The main window's commands on its list: which question add, modify and delete act on, the popup
// menu, the bank information button, and the flags the clipboard watcher reads meanwhile.
#include "app/QuestionListModel.h"
#include "app/TForm1.h"
#include "bankinfo/TFormTikuxinxisezhi.h"
#include "editor/TTianjia.h"
#include "tests/app/EditorWatch.h"
#include "tests/app/RowClicks.h"
#include "tests/support/MainWindowFixture.h"
#include "ui_TForm1.h"
#include "ui_TTianjia.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace Qt::StringLiterals;
using namespace fixture;
using namespace rowclicks;

namespace {

// What the main window's state and the new editor looked like while the editor was showing.
struct SeenWhileOpen {
    bool shown = false;
    bool modal = false;
    int isXiuGai = -1;
    QString benTiID;
    TForm1* mainForm = nullptr;
    bool acceptClipText = false;
    bool editorOpen = false;
};

// Runs `command`, which opens an editor modally; notes what the editor showed and closes it.
SeenWhileOpen whileEditorOpen(TForm1& form, const std::function<void()>& command) {
    SeenWhileOpen seen;
    editorwatch::withEditor(command, [&](TTianjia& editor) {
        seen = {true,           editor.isModal(), editor.isXiuGai,
                editor.benTiID, editor.mainForm,  form.acceptClipText,
                form.editorOpen};
        editor.close();
    });
    return seen;
}

// The list's menu opened with a right click beside the rows (naming none of them), and its first item,
// "修改", chosen with the keyboard.
void modifyThroughTheMenu(TForm1& form) {
    QTableView* list = form.form()->lv1;
    const QPoint besideTheRows(list->viewport()->width() / 2, list->viewport()->height() - 5);
    QVERIFY(!list->indexAt(besideTheRows).isValid());
    const QPoint at = list->viewport()->mapTo(&form, besideTheRows);
    QTest::mouseClick(form.windowHandle(), Qt::RightButton, {}, at);
    auto* menu = form.findChild<QMenu*>(u"pm2"_s);
    QVERIFY(menu);
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::keyClick(menu, Qt::Key_Down);
    QCOMPARE(menu->activeAction(), form.form()->N3);
    QTest::keyClick(menu, Qt::Key_Return);
}

} // namespace

class ListCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void addOpensAnEditorForANewQuestion() {
        OpenWindow w;
        w.form.acceptClipText = true;
        w.form.editorOpen = true; // left over from an editor the watcher opened meanwhile
        const SeenWhileOpen seen = whileEditorOpen(w.form, [&] { w.form.form()->btntianjia->click(); });
        QVERIFY(seen.shown);
        QVERIFY(seen.modal);
        QCOMPARE(seen.isXiuGai, 0);
        QCOMPARE(seen.benTiID, QString());
        QCOMPARE(seen.mainForm, &w.form);
        QVERIFY(!w.form.editorOpen);
        QVERIFY(w.os.errors.isEmpty());
        // A closed editor is of no further use: it is released.
        QTRY_VERIFY(Tianjia.isNull());
    }

    void doubleClickOpensTheQuestionOfTheRow() {
        OpenWindow w;
        TForm1& form = w.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.acceptClipText = true;
        const SeenWhileOpen seen = whileEditorOpen(form, [&] { doubleClickRow(form, 2); });
        QVERIFY(seen.shown);
        QCOMPARE(seen.isXiuGai, 1);
        QCOMPARE(seen.benTiID, u"3"_s);
        QCOMPARE(seen.mainForm, &form);
        // Copied text must not open a second editor over this one; a copied picture goes to it.
        QVERIFY(!seen.acceptClipText);
        QVERIFY(seen.editorOpen);
        QVERIFY(form.acceptClipText);
        QVERIFY(!form.editorOpen);
        QCOMPARE(form.selectedIndex, 2);
    }

    void popupMenuModifiesAndDeletes() {
        OpenWindow w;
        TForm1& form = w.form;
        auto* menu = form.findChild<QMenu*>(u"pm2"_s);
        QVERIFY(menu);
        QCOMPARE(menu->actions(), (QList<QAction*>{form.form()->N3, form.form()->N4}));
        QCOMPARE(form.form()->N3->text(), u"修改"_s);
        QCOMPARE(form.form()->N4->text(), u"删除"_s);

        form.show();
        clickRow(form, 1);
        const SeenWhileOpen seen = whileEditorOpen(form, [&] { form.form()->N3->trigger(); });
        QCOMPARE(seen.benTiID, u"2"_s);
        QCOMPARE(seen.isXiuGai, 1);

        form.form()->N4->trigger();
        QCOMPARE(form.questionList()->rowCount(), 2);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"2"_s)[0], u"0"_s);
        QCOMPARE(form.selectedIndex, -1);
        // Nothing looks selected that the commands would not act on.
        QVERIFY(!form.form()->lv1->selectionModel()->hasSelection());
        form.form()->N3->trigger();
        QCOMPARE(w.os.messages, QStringList{u"请选择一道题"_s});

        clickRow(form, 1);
        form.form()->N4->trigger();
        QCOMPARE(form.questionList()->rowCount(), 1);
        QCOMPARE(form.questionList()->row(0).id, u"1"_s);
    }

    void modifyWithoutAReportedRowOpensNothing() {
        OpenWindow w(u"UPDATE jiegou SET str_value='b' WHERE str_name='mulu';"_s);
        bool editorShown = false;
        QTimer::singleShot(0, [&] {
            if (Tianjia && Tianjia->isVisible()) {
                editorShown = true;
                Tianjia->close();
            }
        });
        w.form.form()->N3->trigger();
        QVERIFY(!editorShown);
        QCOMPARE(w.os.messages, QStringList{u"请选择一道题"_s});
    }

    void theRowGoneToIsTheOneReported() {
        OpenWindow w;
        TForm1& form = w.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        clickRow(form, 0);
        QCOMPARE(form.selectedId, u"1"_s);
        clickRow(form, 2);
        QCOMPARE(form.selectedId, u"3"_s);
        QCOMPARE(form.selectedIndex, 2);
        QTest::keyClick(form.form()->lv1, Qt::Key_Up);
        QCOMPARE(form.selectedId, u"2"_s);
        QCOMPARE(form.selectedIndex, 1);
    }

    void aColumnCaptionNeverStandsForAQuestion() {
        OpenWindow w;
        TForm1& form = w.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        clickRow(form, 1);
        QHeaderView* header = form.form()->lv1->horizontalHeader();
        const int textColumnX = header->sectionViewportPosition(QuestionListModel::TextColumn) + 10;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(textColumnX, header->height() / 2));
        QCOMPARE(form.selectedId, u"2"_s);
        QCOMPARE(form.selectedIndex, 1);
        // Nor is the list sorted by it: rows keep their places.
        QCOMPARE(form.questionList()->row(0).id, u"1"_s);
    }

    // Every row whose cells are written is reported changed, the rows the list is filled with and
    // those an add appends included: right after start-up "修改" opens the last question listed,
    // after an add the new one. The keyboard focus entering the list does not change that.
    void addedRowsAreTheOnesAModifyOpens() {
        OpenWindow w;
        TForm1& form = w.form;
        QCOMPARE(form.selectedId, u"3"_s);
        QCOMPARE(form.selectedIndex, 0);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        // The list, first in the tab order, has the focus.
        QTRY_COMPARE(QApplication::focusWidget(), form.form()->lv1);
        QCOMPARE(whileEditorOpen(form, [&] { modifyThroughTheMenu(form); }).benTiID, u"3"_s);

        editorwatch::withEditor([&] { QTest::mouseClick(form.form()->btntianjia, Qt::LeftButton); },
                                [&](TTianjia& shown) {
                                    QPlainTextEdit* text = shown.form()->mmo_ti;
                                    QTRY_COMPARE(QApplication::focusWidget(), text);
                                    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
                                    QTest::keyClicks(text, u"new question"_s);
                                    QTest::mouseClick(shown.form()->btnsave, Qt::LeftButton);
                                });
        QCOMPARE(form.questionList()->row(3).text, u"new question"_s);
        QCOMPARE(form.selectedId, u"4"_s);
        QCOMPARE(whileEditorOpen(form, [&] { modifyThroughTheMenu(form); }).benTiID, u"4"_s);
        // Delete still acts on the row that counts as selected, the first.
        QTest::mouseClick(form.form()->dele_butt, Qt::LeftButton);
        QCOMPARE(form.questionList()->row(0).id, u"2"_s);
    }

    void aRewrittenRowIsTheOneAModifyOpens() {
        OpenWindow w;
        TForm1& form = w.form;
        form.show();
        clickRow(form, 0);
        // An editor moved on to question 3 and saved it into the selected row.
        form.UpdateTi(u"3"_s, 1, u"改"_s, 1, {}, {});
        QCOMPARE(form.selectedId, u"3"_s);
    }

    // The whole road of a question: "添加", the editor filled in, "保存并退出", the row at the end.
    void anAddedQuestionIsListedAndStored() {
        OpenWindow w;
        TForm1& form = w.form;
        editorwatch::withEditor([&] { form.form()->btntianjia->click(); },
                                [&](TTianjia& shown) {
                                    Ui::TTianjia* editor = shown.form();
                                    editor->mmo_ti->setPlainText(u"新题\nA. 甲\nB. 乙"_s);
                                    editor->cbb1->setCurrentIndex(2);
                                    Q_EMIT editor->cbb1->activated(2);
                                    editor->chkA->setChecked(true);
                                    editor->chkC->setChecked(true);
                                    editor->mmojiexi->setPlainText(u"因为"_s);
                                    editor->btnsave->click();
                                });

        QVERIFY(w.os.errors.isEmpty());
        QCOMPARE(form.questionList()->rowCount(), 4);
        QCOMPARE(rowCells(form, 3),
                 (QStringList{u"4"_s, u"新题\r\nA. 甲\r\nB. 乙"_s, u"AC"_s, u"因为"_s, u""_s}));
        QCOMPARE(storedQuestion(u"b.stk"_s, u"4"_s),
                 (QStringList{u"4"_s, u"新题\r\nA. 甲\r\nB. 乙"_s, u"3"_s, u"10"_s, u""_s, u"因为"_s}));
        // The next new question starts as the editor left the last one: its text and its type.
        QCOMPARE(form.lastLeiXing, 2);
    }

    // An editor opened on a row saves into that row, also after stepping to another question.
    void aModifyingEditorSavesIntoItsRow() {
        OpenWindow w;
        TForm1& form = w.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        editorwatch::withEditor([&] { doubleClickRow(form, 0); },
                                [&](TTianjia& shown) {
                                    Ui::TTianjia* editor = shown.form();
                                    editor->mmo_ti->setPlainText(u"第一题改"_s);
                                    editor->btn1->click();
                                    editor->btnNe->click();
                                    editor->mmo_ti->setPlainText(u"第二题改"_s);
                                    editor->btnsave->click();
                                });

        QVERIFY(w.os.errors.isEmpty());
        QCOMPARE(storedQuestion(u"b.stk"_s, u"1"_s)[1], u"第一题改"_s);
        QCOMPARE(storedQuestion(u"b.stk"_s, u"2"_s)[1], u"第二题改"_s);
        QCOMPARE(rowCells(form, 0)[0], u"2"_s);
        QCOMPARE(rowCells(form, 0)[1], u"第二题改"_s);
        QCOMPARE(form.questionList()->rowCount(), 3);
    }

    void bankInformationOpensOnTheOpenBank() {
        OpenWindow w;
        m_sql* shownWith = nullptr;
        bool modal = false;
        QTimer::singleShot(0, [&] {
            if (!FormTikuxinxisezhi)
                return;
            shownWith = FormTikuxinxisezhi->sql;
            modal = FormTikuxinxisezhi->isModal() && FormTikuxinxisezhi->isVisible();
            FormTikuxinxisezhi->close();
        });
        w.form.form()->btnButttikuxinxi->click();
        QCOMPARE(shownWith, w.form.tikuSql.get());
        QVERIFY(modal);
        QVERIFY(w.os.errors.isEmpty());
    }
};

QTEST_MAIN(ListCommandsTest)
#include "tst_listcommands.moc"
