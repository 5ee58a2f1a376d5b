// What each column of the main window's list shows, for texts of every kind, and which row the list
// reports as the user adds, modifies and deletes questions: the rows are held compactly, and every
// row must still show what was last written to it, next to rows that were rewritten or removed.
#include "app/QuestionListModel.h"
#include "app/TForm1.h"
#include "editor/TTianjia.h"
#include "tests/app/EditorWatch.h"
#include "tests/app/RowClicks.h"
#include "tests/support/MainWindowFixture.h"
#include "ui_TForm1.h"
#include "ui_TTianjia.h"

#include <QApplication>
#include <QInputMethodEvent>
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

// A question row's five cells as the bank holds them: id, text, answer, explanation, picture.
using Cells = QStringList;

QList<Cells> allRows(const TForm1& form) {
    QList<Cells> rows;
    for (int i = 0; i < form.questionList()->rowCount(); ++i)
        rows << rowCells(form, i);
    return rows;
}

// What the view is given to paint in each cell of row `row`, and what a tool tip shows.
QStringList shown(const TForm1& form, int row, int role) {
    QStringList cells;
    const QuestionListModel* list = form.questionList();
    for (int c = 0; c < QuestionListModel::ColumnCount; ++c)
        cells << list->data(list->index(row, c), role).toString();
    return cells;
}

// Replaces the question text of the editor with `text`, typed into it: ASCII as key presses, Enter
// for "\n", every other character as an input method commits it; then "保存并退出".
void typeQuestionAndSave(TTianjia& editor, const QString& text) {
    QPlainTextEdit* memo = editor.form()->mmo_ti;
    memo->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(memo, Qt::Key_Delete);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n') {
            QTest::keyClick(memo, Qt::Key_Return);
        } else if (c.unicode() < 0x80) {
            QTest::keyClick(memo, c.toLatin1());
        } else {
            // A character outside the first plane is committed whole, both its halves.
            const qsizetype length = c.isHighSurrogate() ? 2 : 1;
            QInputMethodEvent commit;
            commit.setCommitString(text.mid(i, length));
            QApplication::sendEvent(memo, &commit);
            i += length - 1;
        }
    }
    QTest::mouseClick(editor.form()->btnsave, Qt::LeftButton);
}

const QString longText = QString(200000, QChar(u'题'));
// Characters outside the first plane: a CJK ideograph of extension B, a musical symbol, an emoji.
const QString otherPlanes = u"𠀀𝄞😀"_s;

} // namespace

class ListRowsTest : public QObject {
    Q_OBJECT

private slots:
    // Each kind of text in the text, the explanation and the picture name, as the bank holds it.
    void eachColumnShowsItsText_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("oneLine");
        QTest::newRow("empty") << u"''"_s << QString() << QString();
        QTest::newRow("very long") << u"replace(hex(zeroblob(200000)), '00', '题')"_s << longText << longText;
        QTest::newRow("CR LF") << u"'甲' || char(13, 10) || '乙' || char(13, 10)"_s << u"甲\r\n乙\r\n"_s
                               << u"甲 乙 "_s;
        QTest::newRow("lone CR and LF")
            << u"char(13) || 'a' || char(10) || char(10) || 'b'"_s << u"\ra\n\nb"_s << u" a  b"_s;
        QTest::newRow("other planes") << u"'𠀀𝄞😀'"_s << otherPlanes << otherPlanes;
        QTest::newRow("other planes and line breaks")
            << u"'😀' || char(13, 10) || '𠀀'"_s << u"😀\r\n𠀀"_s << u"😀 𠀀"_s;
    }

    void eachColumnShowsItsText() {
        QFETCH(QString, sql);
        QFETCH(QString, stored);
        QFETCH(QString, oneLine);
        // The odd text in every text column of the middle row, plain rows around it.
        OpenWindow w(
            u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('前', 1, 1, 'a.jpg', '前解');\n"_s +
            u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES (%1, 3, 22, %1, %1);\n"_s
                .arg(sql) +
            u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('后', 2, 5, '', '后解');"_s);
        const TForm1& form = w.form;
        QCOMPARE(allRows(form), (QList<Cells>{{u"1"_s, u"前"_s, u"A"_s, u"前解"_s, u"a.jpg"_s},
                                              {u"2"_s, stored, u"ABD"_s, stored, stored},
                                              {u"3"_s, u"后"_s, u"错"_s, u"后解"_s, QString()}}));
        QCOMPARE(shown(form, 1, Qt::DisplayRole), (QStringList{u"2"_s, oneLine, u"ABD"_s, oneLine, oneLine}));
        QCOMPARE(shown(form, 1, Qt::ToolTipRole), (QStringList{u"2"_s, stored, u"ABD"_s, stored, stored}));
        QCOMPARE(shown(form, 2, Qt::DisplayRole),
                 (QStringList{u"3"_s, u"后"_s, u"错"_s, u"后解"_s, QString()}));
        // The view paints it.
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        QVERIFY(!w.form.form()->lv1->viewport()->grab().isNull());
    }

    // Rows added, rewritten longer and shorter, and deleted, through the editor and the buttons: every
    // row shows what was last written to it, and the list reports the row the user is on.
    void rowsStayWholeThroughAddModifyDelete() {
        OpenWindow w(
            u"UPDATE jiegou SET str_value='b' WHERE str_name='mulu';\n"_s
            u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('一', 1, 1, '', '解一');\n"_s
            u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('二', 1, 2, '', '解二');\n"_s
            u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('三', 1, 3, '', '解三');\n"_s
            u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('四', 1, 4, '', '解四');\n"_s
            u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('五', 2, 6, '', '解五');"_s);
        TForm1& form = w.form;
        QList<Cells> rows = allRows(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));

        clickRow(form, 2);
        QCOMPARE(form.selectedId, u"3"_s);
        QCOMPARE(form.selectedIndex, 2);

        // Rewritten longer: the row's texts move, its neighbours stay.
        const QString longer = u"第三题 😀 written again\nline two 𠀀"_s;
        editorwatch::withEditor([&] { doubleClickRow(form, 2); },
                                [&](TTianjia& editor) { typeQuestionAndSave(editor, longer); });
        rows[2][1] = u"第三题 😀 written again\r\nline two 𠀀"_s;
        QCOMPARE(allRows(form), rows);
        QCOMPARE(shown(form, 2, Qt::DisplayRole).value(1), u"第三题 😀 written again line two 𠀀"_s);
        QCOMPARE(form.selectedId, u"3"_s);
        QCOMPARE(form.selectedIndex, 2);

        // Added at the end, and the row a modify opens.
        editorwatch::withEditor([&] { QTest::mouseClick(form.form()->btntianjia, Qt::LeftButton); },
                                [&](TTianjia& editor) { typeQuestionAndSave(editor, u"new 😀"_s); });
        QCOMPARE(form.questionList()->rowCount(), 6);
        QCOMPARE(rowCells(form, 5).mid(0, 2), (QStringList{u"6"_s, u"new 😀"_s}));
        rows << rowCells(form, 5);
        QCOMPARE(form.selectedId, u"6"_s);
        QCOMPARE(form.selectedIndex, 2);

        // Deleted: the selected row goes, the rest close up.
        QTest::mouseClick(form.form()->dele_butt, Qt::LeftButton);
        rows.removeAt(2);
        QCOMPARE(allRows(form), rows);
        QCOMPARE(form.selectedIndex, -1);

        // The row the user clicks next, rewritten shorter, in its place.
        clickRow(form, 4);
        QCOMPARE(form.selectedId, u"6"_s);
        QCOMPARE(form.selectedIndex, 4);
        editorwatch::withEditor([&] { doubleClickRow(form, 4); },
                                [&](TTianjia& editor) { typeQuestionAndSave(editor, u"x"_s); });
        rows[4][1] = u"x"_s;
        QCOMPARE(allRows(form), rows);

        // The keyboard moves through the rows left.
        QTest::keyClick(form.form()->lv1, Qt::Key_Up);
        QCOMPARE(form.selectedId, u"5"_s);
        QCOMPARE(form.selectedIndex, 3);
        QTest::keyClick(form.form()->lv1, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(form.selectedId, u"1"_s);
        QCOMPARE(form.selectedIndex, 0);
        QCOMPARE(allRows(form), rows);
        QVERIFY(w.os.errors.isEmpty());
    }
};

QTEST_MAIN(ListRowsTest)
#include "tst_list_rows.moc"
