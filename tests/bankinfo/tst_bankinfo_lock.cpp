// The lock and password written in the bank information dialog are what the chooser asks for.
#include "chooser/TForm2.h"
#include "tests/bankinfo/BankInfoFixture.h"
#include "ui_TForm2.h"
#include "ui_TFormTikuxinxisezhi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;
using bankinfo::OpenBank;

class BankInfoLockTest : public QObject {
    Q_OBJECT

private slots:
    void theChooserAsksForTheLockSetHere_data() {
        QTest::addColumn<QString>("isJiaMi");
        QTest::addColumn<bool>("asked");
        QTest::newRow("locked here") << u"0"_s << true;
        QTest::newRow("unlocked here") << u"1"_s << false;
    }
    void theChooserAsksForTheLockSetHere() {
        QFETCH(QString, isJiaMi);
        QFETCH(bool, asked);
        OpenBank open(bankinfo::filledBank + u"UPDATE jiegou SET str_value='"_s + isJiaMi +
                      u"' WHERE str_name='isJiaMi';"_s);
        Ui::TFormTikuxinxisezhi* ui = open.dialog.form();
        QVERIFY(open.show([&] {
            ui->chk1->click();
            ui->edtmima->setText(u"开门"_s);
            ui->btn1->click();
        }));
        open.bank.Close();

        TForm2 chooser(nullptr);
        QCOMPARE(chooser.form()->cbb1->currentText(), u"b.stk"_s);
        QCOMPARE(chooser.form()->pnl1->isVisibleTo(&chooser), asked);
        QCOMPARE(chooser.charMima, u"开门"_s);
        QVERIFY(open.os.messages.isEmpty());
    }
};

QTEST_MAIN(BankInfoLockTest)
#include "tst_bankinfo_lock.moc"
