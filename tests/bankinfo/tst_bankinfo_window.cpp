// The dialog as designed: its size, controls, captions, keyboard order and the names assistive
// technology reads.
#include "bankinfo/TFormTikuxinxisezhi.h"
#include "tests/support/FakePlatform.h"
#include "ui_TFormTikuxinxisezhi.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace

class BankInfoWindowTest : public QObject {
    Q_OBJECT

private slots:
    void opensAsDesigned() {
        FakePlatformScope os;
        TFormTikuxinxisezhi dialog;
        Ui::TFormTikuxinxisezhi* ui = dialog.form();
        dialog.show();
        QCOMPARE(dialog.windowTitle(), u"FormTikuxinxisezhi"_s);
        QCOMPARE(dialog.size(), QSize(472, 509));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QCOMPARE(ui->img1->size(), QSize(144, 129));
        QVERIFY(!dialog.picture().isNull());
        QCOMPARE(dialog.picture().size(), QSize(80, 80));
        QVERIFY(!ui->chk1->isChecked());
        QVERIFY(!ui->pnl1->isVisible());
        for (QWidget* inPanel : QList<QWidget*>{ui->lbl2, ui->edtmima, ui->lbl3})
            QCOMPARE(inPanel->parentWidget(), ui->pnl1);
        // The password is meant to be read by whoever sets it.
        QCOMPARE(ui->edtmima->echoMode(), QLineEdit::Normal);
        QCOMPARE(ui->lbl4->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(os.messages.isEmpty());
    }

    void captions_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");
        QTest::newRow("author") << u"lbltkzuozhe"_s << u"题库作者："_s;
        QTest::newRow("address") << u"lbl1"_s << u"作者网址："_s;
        QTest::newRow("lock") << u"chk1"_s << u"加密"_s;
        QTest::newRow("password") << u"lbl2"_s << u"密码："_s;
        QTest::newRow("explanation") << u"lbl3"_s
                                     << u"加密可以保证你的题库不被别的用户修改；\n比如把答案A修改为答案B"_s;
        QTest::newRow("folder") << u"Label1"_s << u"目录："_s;
        QTest::newRow("hint") << u"lbl4"_s << u"点击“浏览”设置LOGO"_s;
        QTest::newRow("browse") << u"btn2"_s << u"浏览……"_s;
        QTest::newRow("confirm") << u"btn1"_s << u"确定"_s;
    }
    void captions() {
        QFETCH(QString, control);
        QFETCH(QString, caption);
        TFormTikuxinxisezhi dialog;
        QWidget* widget = dialog.findChild<QWidget*>(control);
        QVERIFY(widget);
        QCOMPARE(widget->property("text").toString(), caption);
    }

    void lockBoxShowsThePasswordPanelWhileTicked() {
        FakePlatformScope os;
        TFormTikuxinxisezhi dialog;
        dialog.show();
        QCheckBox* lock = dialog.form()->chk1;
        lock->click();
        QVERIFY(lock->isChecked());
        QVERIFY(dialog.form()->pnl1->isVisible());
        lock->click();
        QVERIFY(!dialog.form()->pnl1->isVisible());
    }

    void tabOrder() {
        FakePlatformScope os;
        TFormTikuxinxisezhi dialog;
        dialog.form()->chk1->setChecked(true);
        dialog.show();
        QStringList order;
        QWidget* first = dialog.form()->edtzuozhe;
        QWidget* widget = first;
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget != &dialog)
                order << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != first);
        QCOMPARE(order, (QStringList{u"edtzuozhe"_s, u"edtrul"_s, u"chk1"_s, u"edtmima"_s, u"btn1"_s,
                                     u"btn2"_s, u"edt1"_s, u"edtmulu"_s}));
    }

    void controlsAreNamedForAssistiveTechnology_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label"); // the label that names the edit, if any
        QTest::newRow("edtzuozhe") << u"edtzuozhe"_s << u"题库作者："_s << u"lbltkzuozhe"_s;
        QTest::newRow("edtrul") << u"edtrul"_s << u"作者网址："_s << u"lbl1"_s;
        QTest::newRow("edtmima") << u"edtmima"_s << u"密码："_s << u"lbl2"_s;
        QTest::newRow("edtmulu") << u"edtmulu"_s << u"目录："_s << u"Label1"_s;
        QTest::newRow("edt1") << u"edt1"_s << u"LOGO"_s << QString();
        QTest::newRow("chk1") << u"chk1"_s << u"加密"_s << QString();
        QTest::newRow("btn1") << u"btn1"_s << u"确定"_s << QString();
        QTest::newRow("btn2") << u"btn2"_s << u"浏览……"_s << QString();
    }
    void controlsAreNamedForAssistiveTechnology() {
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(QString, label);
        FakePlatformScope os;
        TFormTikuxinxisezhi dialog;
        dialog.form()->chk1->setChecked(true);
        dialog.show();
        QWidget* widget = dialog.findChild<QWidget*>(control);
        QVERIFY(widget);
        QCOMPARE(accessibleName(widget), name);
        if (!label.isEmpty()) {
            auto* labelWidget = dialog.findChild<QLabel*>(label);
            QVERIFY(labelWidget);
            QCOMPARE(labelWidget->buddy(), widget);
            QCOMPARE(labelWidget->text(), name);
        }
    }
};

QTEST_MAIN(BankInfoWindowTest)
#include "tst_bankinfo_window.moc"
