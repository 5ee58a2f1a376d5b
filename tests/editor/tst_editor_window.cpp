// The editor window itself: its controls as they start, where it appears, what every way of closing
// it leaves in the main window, and the names assistive technology finds its inputs by.
#include "tests/editor/EditorFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace fixture;

namespace {

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace

class EditorWindowTest : public QObject {
    Q_OBJECT

private slots:
    void constructionLeavesTheStoreAlone() {
        // The start-up instance is made before anything may be read: no bank is open here at all.
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        TTianjia editor(&main);
        QVERIFY(os.errors.isEmpty());
        QVERIFY(os.messages.isEmpty());
        QCOMPARE(editor.mainForm, &main);
        QCOMPARE(editor.isXiuGai, 0);
        QCOMPARE(editor.benTiID, QString());
        QCOMPARE(editor.daanLeiXing, 1);
        QCOMPARE(editor.imgName, QString());
        QVERIFY(!editor.htmlPending);
    }

    void controlsStartAsDesigned() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        TTianjia editor(&main);
        const Ui::TTianjia& ui = *editor.form();
        editor.ensurePolished();

        QCOMPARE(editor.windowTitle(), u"添加"_s);
        QCOMPARE(editor.size(), QSize(719, 430));
        QVERIFY(editor.minimumSize() != editor.maximumSize());
        QVERIFY(editor.acceptDrops());

        const QList<std::pair<const char*, QString>> captions = {
            {"lblID", u"本题ID:"_s},
            {"lbl1", u"题内容："_s},
            {"lbl2", u"答案："_s},
            {"lbl3", u"解析:"_s},
            {"Label2", u"图片："_s},
            {"BitBtn1", u"插入HTML元素"_s},
            {"Label1", u"可以使用这个办法插入上下标，各种公式等"_s},
            {"Button3", u"浏览……"_s},
            {"btnsave", u"保存并退出"_s},
            {"btn1", u"保存"_s},
            {"btnUp", u"上一条"_s},
            {"btnNe", u"下一条"_s},
            {"lbl4", u"保存成功！"_s},
            {"chkjiantieban", u"是否监视剪贴板，提高添加题库的效率"_s},
            {"Button1", u"确定"_s},
            {"Button2", u"取消"_s},
            {"rb1", u"A"_s},
            {"rb2", u"B"_s},
            {"rb3", u"C"_s},
            {"rb4", u"D"_s},
            {"rb5", u"对"_s},
            {"rb6", u"错"_s},
            {"chkA", u"A"_s},
            {"chkH", u"H"_s},
            {"mage1tufangimg", u"拖入图片"_s}};
        for (const auto& [name, caption] : captions) {
            QWidget* control = editor.findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY2(control, name);
            QCOMPARE(control->property("text").toString(), caption);
        }
        QStringList types;
        for (int i = 0; i < ui.cbb1->count(); ++i)
            types << ui.cbb1->itemText(i);
        QCOMPARE(types, (QStringList{u"选择题"_s, u"判断题"_s, u"多选题"_s}));
        QCOMPARE(ui.cbb1->currentIndex(), 0);
        QVERIFY(!ui.cbb1->isEditable());

        QCOMPARE(visiblePanel(editor), u"pnlxuanze"_s);
        QCOMPARE(ui.pnlxuanze->geometry(), ui.pnlpnpanduan->geometry());
        QCOMPARE(ui.pnlxuanze->geometry(), ui.pnlduoxuan->geometry());
        QCOMPARE(selectedChoice(ui), u"rb1"_s);
        QCOMPARE(selectedTrueFalse(ui), u"rb5"_s);
        QCOMPARE(tickedLetters(ui), QString());
        QVERIFY(ui.chkjiantieban->isChecked());
        QVERIFY(ui.edtTupian_Edit->text().isEmpty());
        QVERIFY(!ui.lbl4->isVisibleTo(&editor));
        auto* tmr1 = editor.findChild<QTimer*>(u"tmr1"_s);
        QVERIFY(tmr1);
        QCOMPARE(tmr1->interval(), 1000);
        QVERIFY(!tmr1->isActive());
        QCOMPARE(ui.mmo_ti->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        // The picture display lies over its placeholder, 3 pixels up and to the left.
        QCOMPARE(ui.Image1->size(), QSize(337, 180));
        QCOMPARE(ui.mage1tufangimg->geometry(), ui.Image1->geometry().translated(3, 3));
        QVERIFY(!ui.Image1->isVisibleTo(&editor));
        const QList<QWidget*> stacking = editor.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QVERIFY(stacking.indexOf(ui.Image1) > stacking.indexOf(ui.mage1tufangimg));
        // The HTML panel waits hidden in the corner, over everything else once shown.
        QVERIFY(!ui.Panel1->isVisibleTo(&editor));
        QCOMPARE(ui.Panel1->pos(), QPoint(0, 0));
        QCOMPARE(stacking.last(), ui.Panel1);

        for (QWidget* box : QList<QWidget*>{ui.mmo_ti, ui.mmojiexi, ui.edtTupian_Edit})
            QCOMPARE(box->palette().color(QPalette::Base), QColor(204, 232, 207));
        QCOMPARE(ui.btn1->palette().color(QPalette::ButtonText), QColor(Qt::blue));
        QCOMPARE(ui.lbl4->palette().color(QPalette::WindowText), QColor(Qt::red));
        QVERIFY(ui.lbl4->font().pointSizeF() > editor.font().pointSizeF());
        QCOMPARE(ui.Label1->palette().color(QPalette::WindowText), QColor(128, 0, 128));
    }

    void firstShownAtTheDesignedPlace() {
        OpenWindow w;
        // A left edge of 0 means no place is remembered, whatever the top.
        w.form.editorTop = 77;
        auto editor = openEditor(w.form);
        QCOMPARE(editor->pos(), QPoint(286, 129));
    }

    void shownWhereTheLastEditorClosed() {
        OpenWindow w;
        w.form.editorLeft = 40;
        w.form.editorTop = 50;
        auto editor = openEditor(w.form);
        QCOMPARE(editor->pos(), QPoint(40, 50));
    }

    void everyWayOfClosingRemembersThePlace_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("close box") << "close";
        QTest::newRow("保存并退出") << "btnsave";
    }

    void everyWayOfClosingRemembersThePlace() {
        QFETCH(QString, way);
        OpenWindow w;
        w.form.acceptClipText = true;
        TTianjia editor(&w.form);
        editor.mainForm = &w.form;
        editor.isXiuGai = 1;
        editor.benTiID = u"2"_s;

        bool shown = false;
        bool acceptedWhileOpen = true;
        QTimer::singleShot(0, &editor, [&] {
            shown = editor.isVisible() && editor.isModal();
            acceptedWhileOpen = w.form.acceptClipText;
            editor.move(300, 200);
            if (way == u"close"_s)
                editor.close();
            else
                editor.form()->btnsave->click();
        });
        editor.exec();

        QVERIFY(shown);
        QVERIFY(!acceptedWhileOpen);
        QVERIFY(!editor.isVisible());
        QCOMPARE(w.form.editorLeft, 300);
        QCOMPARE(w.form.editorTop, 200);
        QVERIFY(w.form.acceptClipText);
        QVERIFY(w.os.errors.isEmpty());
    }

    void closedAtTheLeftEdgeReopensAtTheDesignedPlace() {
        OpenWindow w;
        {
            auto editor = openEditor(w.form);
            editor->move(0, 300);
            editor->close();
        }
        QCOMPARE(w.form.editorLeft, 0);
        auto editor = openEditor(w.form);
        QCOMPARE(editor->pos(), QPoint(286, 129));
    }

    // The writer starts in the question text, and Enter in the picture name presses no button.
    void typingStartsInTheQuestionText() {
        OpenWindow w;
        const auto editor = openEditor(w.form, u"1"_s);
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        QCOMPARE(QApplication::focusWidget(), editor->form()->mmo_ti);

        editor->form()->edtTupian_Edit->setFocus();
        QTest::keyClick(editor->form()->edtTupian_Edit, Qt::Key_Return);
        QVERIFY(editor->isVisible());
        QVERIFY(editor->form()->lbl4->isHidden());
        QCOMPARE(w.form.questionList()->rowCount(), 3);
    }

    void inputsAreNamedAfterTheirLabels() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        TTianjia editor(&main);
        const Ui::TTianjia& ui = *editor.form();
        const QList<std::pair<QLabel*, QWidget*>> pairs = {
            {ui.lbl1, ui.mmo_ti}, {ui.lbl2, ui.cbb1}, {ui.lbl3, ui.mmojiexi}, {ui.Label2, ui.edtTupian_Edit}};
        for (const auto& [label, input] : pairs) {
            QCOMPARE(label->buddy(), input);
            // On Linux a combo box speaks its current item as its name and points to its label
            // through the buddy relation; the name set is what other platforms read.
            QCOMPARE(input->accessibleName(), label->text());
            if (input != ui.cbb1)
                QCOMPARE(accessibleName(input), label->text());
        }
        for (QAbstractButton* button : editor.findChildren<QAbstractButton*>())
            QCOMPARE(accessibleName(button), button->text());
    }
};

QTEST_MAIN(EditorWindowTest)
#include "tst_editor_window.moc"
