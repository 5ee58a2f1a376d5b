// What the user types reaches the bank as typed: every line break they can type is stored as CR LF,
// and Esc, wherever the focus is, neither closes the editor nor loses what was typed. The editor is
// shown modally, as the main window shows it, and driven by key presses into the focused widget.
#include "tests/editor/EditorFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace Qt::StringLiterals;
using namespace fixture;

namespace {

// Shows a new editor of `form` modally, for a stored question when `id` is given, and runs `inside`
// once it shows; a check that fails inside closes the editor, so that the test goes on.
void withModalEditor(TForm1& form, const QString& id, const std::function<void(TTianjia&)>& inside) {
    TTianjia editor(&form);
    editor.mainForm = &form;
    if (!id.isEmpty()) {
        editor.isXiuGai = 1;
        editor.benTiID = id;
    }
    QTimer::singleShot(0, &editor, [&] {
        if (QTest::qWaitForWindowActive(&editor))
            inside(editor);
        else
            QFAIL("the editor did not become the active window");
        if (editor.isVisible())
            editor.close();
    });
    editor.exec();
}

// Types `text` into the widget that has the keyboard focus: ASCII as key presses, every other
// character as an input method commits it.
void typeIntoFocus(const QString& text) {
    QWidget* widget = QApplication::focusWidget();
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(widget, &commit);
        }
    }
}

// Moves the focus to `widget` as a click would, and checks it took it.
bool focus(QWidget* widget) {
    widget->setFocus(Qt::MouseFocusReason);
    return QApplication::focusWidget() == widget;
}

} // namespace

class EditorTypingTest : public QObject {
    Q_OBJECT

private slots:
    void everyTypedLineBreakIsSavedAsCrLf_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Shift+keypad Enter")
            << int(Qt::Key_Enter) << int(Qt::ShiftModifier | Qt::KeypadModifier);
    }

    void everyTypedLineBreakIsSavedAsCrLf() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        OpenWindow w;
        w.form.selectedIndex = 1;
        bool typed = false;
        withModalEditor(w.form, u"2"_s, [&](TTianjia& editor) {
            Ui::TTianjia& ui = *editor.form();
            // The editor starts in the question text.
            QCOMPARE(QApplication::focusWidget(), ui.mmo_ti);
            QTest::keyClick(ui.mmo_ti, Qt::Key_A, Qt::ControlModifier);
            typeIntoFocus(u"第一行"_s);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            typeIntoFocus(u"第二行"_s);
            QVERIFY(focus(ui.mmojiexi));
            typeIntoFocus(u"解析"_s);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            typeIntoFocus(u"末行"_s);
            QTest::mouseClick(ui.btnsave, Qt::LeftButton);
            typed = true;
        });

        QVERIFY(typed);
        QVERIFY(w.os.errors.isEmpty());
        const QStringList stored = storedQuestion(u"b.stk"_s, u"2"_s);
        QCOMPARE(stored.value(1), u"第一行\r\n第二行"_s);
        QCOMPARE(stored.value(5), u"解析\r\n\r\n末行"_s);
        QCOMPARE(rowCells(w.form, 1).value(1), u"第一行\r\n第二行"_s);
    }

    // Text pasted with Ctrl+V, its line breaks written in any of the ways programs write them.
    void pastedLineBreaksAreSavedAsCrLf_data() {
        QTest::addColumn<QString>("copied");
        QTest::newRow("LF") << u"甲\n乙"_s;
        QTest::newRow("CR LF") << u"甲\r\n乙"_s;
        QTest::newRow("CR") << u"甲\r乙"_s;
        QTest::newRow("line separator") << u"甲\u2028乙"_s;
        QTest::newRow("paragraph separator") << u"甲\u2029乙"_s;
    }

    void pastedLineBreaksAreSavedAsCrLf() {
        QFETCH(QString, copied);
        OpenWindow w;
        withModalEditor(w.form, {}, [&](TTianjia& editor) {
            QPlainTextEdit* text = editor.form()->mmo_ti;
            QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
            QGuiApplication::clipboard()->setText(copied);
            QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
            QTest::mouseClick(editor.form()->btn1, Qt::LeftButton);
        });
        QCOMPARE(storedQuestion(u"b.stk"_s, u"4"_s).value(1), u"甲\r\n乙"_s);
    }

    // Esc, pressed wherever the writer is, leaves the editor open with what was typed; only the close
    // box and "保存并退出" close it.
    void escapeDoesNothing_data() {
        QTest::addColumn<QString>("focused");
        QTest::newRow("question text") << u"mmo_ti"_s;
        QTest::newRow("explanation") << u"mmojiexi"_s;
        QTest::newRow("picture name") << u"edtTupian_Edit"_s;
        QTest::newRow("answer type") << u"cbb1"_s;
        QTest::newRow("a button") << u"btnUp"_s;
    }

    void escapeDoesNothing() {
        QFETCH(QString, focused);
        OpenWindow w;
        bool stillOpen = false;
        QString kept;
        withModalEditor(w.form, {}, [&](TTianjia& editor) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            typeIntoFocus(u"刚写的题"_s);
            QVERIFY(focus(editor.findChild<QWidget*>(focused)));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QApplication::processEvents();
            stillOpen = editor.isVisible() && QApplication::activeModalWidget() == &editor;
            kept = TTianjia::memoText(*editor.form()->mmo_ti);
        });
        QVERIFY(stillOpen);
        QCOMPARE(kept, u"刚写的题"_s);
        QVERIFY(w.os.errors.isEmpty());
        QCOMPARE(w.form.questionList()->rowCount(), 3);
    }

    // With the answer type's list open, Esc closes that list, as lists do, and nothing else.
    void escapeClosesAnOpenListOnly() {
        OpenWindow w;
        bool stillOpen = false;
        withModalEditor(w.form, {}, [&](TTianjia& editor) {
            QComboBox* types = editor.form()->cbb1;
            QVERIFY(focus(types));
            types->showPopup();
            QTRY_VERIFY(types->view()->isVisible());
            QTest::keyClick(types->view(), Qt::Key_Escape);
            QTRY_VERIFY(!types->view()->isVisible());
            QApplication::processEvents();
            stillOpen = editor.isVisible();
        });
        QVERIFY(stillOpen);
    }
};

QTEST_MAIN(EditorTypingTest)
#include "tst_editor_typing.moc"
