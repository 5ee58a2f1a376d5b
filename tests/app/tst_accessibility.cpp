// Every control of every window can be found by assistive technology and UI automation: buttons and
// check boxes by their captions, edits, lists and drop-downs by a name taken from the label beside them.
#include "app/TForm1.h"
#include "bankinfo/TFormTikuxinxisezhi.h"
#include "chooser/TForm2.h"
#include "editor/TTianjia.h"
#include "import/TFormDaoru.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/WorkDir.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>

using namespace Qt::StringLiterals;

namespace {

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

bool isInput(QWidget* widget) {
    return qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
           qobject_cast<QAbstractItemView*>(widget) || qobject_cast<QTextEdit*>(widget) ||
           qobject_cast<QPlainTextEdit*>(widget);
}

// The checks for one window; returns the problems found, one line each.
QStringList problemsOf(QWidget* window) {
    QStringList problems;
    QHash<QWidget*, QString> labelFor;
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy() && label->window() == window)
            labelFor.insert(label->buddy(), label->text());

    for (QWidget* widget : window->findChildren<QWidget*>()) {
        // Parts of composite widgets (a combo box's line edit, a view's viewport) speak for their
        // owner; the controls of a window owned by this one are that window's.
        if (widget->objectName().isEmpty() || widget->objectName().startsWith(u"qt_"_s) ||
            widget->window() != window)
            continue;
        // On Linux a drop-down reports its current item as its name and its label through the
        // labelled-by relation (the buddy); the name it is given stands for it elsewhere.
        const QString name =
            qobject_cast<QComboBox*>(widget) ? widget->accessibleName() : accessibleName(widget);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (button->text().isEmpty() || name != button->text())
                problems << widget->objectName() + u": caption \""_s + button->text() + u"\", name \""_s +
                                name + u'"';
        } else if (isInput(widget)) {
            if (qobject_cast<QComboBox*>(widget) && !labelFor.contains(widget))
                problems << widget->objectName() + u": no label names it"_s;
            if (name.isEmpty())
                problems << widget->objectName() + u": no accessible name"_s;
            else if (labelFor.contains(widget) && labelFor.value(widget) != name)
                problems << widget->objectName() + u": name \""_s + name + u"\" is not its label's \""_s +
                                labelFor.value(widget) + u'"';
        }
    }
    return problems;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void everyControlHasAName() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        TForm2 chooser(&main);
        TTianjia editor(&main);
        TFormTikuxinxisezhi bankInformation(&main);
        TFormDaoru import(&main);
        for (QWidget* window : QList<QWidget*>{&main, &chooser, &editor, &bankInformation, &import}) {
            window->show();
            const QStringList problems = problemsOf(window);
            QVERIFY2(problems.isEmpty(), qPrintable(window->objectName() + u": "_s + problems.join(u"; "_s)));
        }
    }

    // Screen readers announce the main window as a window with its caption, not as a filler; what
    // lies inside it keeps its own roles.
    void theMainWindowIsAWindow() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        main.setWindowTitle(u"b题库作者是：张三----"_s);
        main.show();
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&main);
        QVERIFY(face);
        QCOMPARE(face->role(), QAccessible::Window);
        QCOMPARE(face->text(QAccessible::Name), main.windowTitle());
        QCOMPARE(QAccessible::queryAccessibleInterface(main.findChild<QAbstractItemView*>(u"lv1"_s))->role(),
                 QAccessible::Table);
        QCOMPARE(
            QAccessible::queryAccessibleInterface(main.findChild<QAbstractButton*>(u"btntianjia"_s))->role(),
            QAccessible::PushButton);
        QCOMPARE(QAccessible::queryAccessibleInterface(main.findChild<QAbstractButton*>(u"chkjiantieban"_s))
                     ->role(),
                 QAccessible::CheckBox);
        // Every control is reached from the window by walking its children, as a screen reader does.
        QSet<QObject*> reached;
        QList<QAccessibleInterface*> pending{face};
        while (!pending.isEmpty()) {
            QAccessibleInterface* next = pending.takeFirst();
            reached.insert(next->object());
            for (int i = 0; i < next->childCount(); ++i)
                if (QAccessibleInterface* child = next->child(i))
                    pending << child;
        }
        for (const QString& name : {u"lv1"_s, u"btntianjia"_s, u"dele_butt"_s, u"chkjiantieban"_s})
            QVERIFY2(reached.contains(main.findChild<QWidget*>(name)), qPrintable(name));
    }

    void newBankEditIsNamedAfterItsLabel() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        TForm2 chooser(&main);
        QCOMPARE(accessibleName(chooser.findChild<QLineEdit*>(u"edt1"_s)), u"创建新题库："_s);
        QCOMPARE(accessibleName(chooser.findChild<QComboBox*>(u"cbb1"_s)), u"选择题库："_s);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
