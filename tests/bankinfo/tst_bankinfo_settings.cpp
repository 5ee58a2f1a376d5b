// The bank's settings in the dialog: read afresh at every opening, written back by "确定" only.
#include "tests/bankinfo/BankInfoFixture.h"
#include "ui_TFormTikuxinxisezhi.h"

#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;
using bankinfo::OpenBank;

namespace {

const QStringList settingKeys{u"tikuZuoZhe"_s, u"tikuRUL"_s, u"CharMima"_s,  u"isJiaMi"_s,
                              u"tikuLOGO"_s,   u"mulu"_s,    u"tikuBanBen"_s};

QStringList settingsOf(const OpenBank& open) {
    QStringList values;
    for (const QString& key : settingKeys)
        values << open.setting(key);
    return values;
}

QString withLock(const QString& value) {
    return bankinfo::filledBank + u"UPDATE jiegou SET str_value='"_s + value +
           u"' WHERE str_name='isJiaMi';"_s;
}

} // namespace

class BankInfoSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithTheStoredSettings_data() {
        QTest::addColumn<QString>("isJiaMi");
        QTest::addColumn<bool>("locked");
        QTest::newRow("locked") << u"1"_s << true;
        QTest::newRow("not locked") << u"0"_s << false;
    }
    void opensWithTheStoredSettings() {
        QFETCH(QString, isJiaMi);
        QFETCH(bool, locked);
        OpenBank open(withLock(isJiaMi));
        Ui::TFormTikuxinxisezhi* ui = open.dialog.form();
        QVERIFY(open.show([&] {
            QCOMPARE(ui->edtzuozhe->text(), u"张三"_s);
            QCOMPARE(ui->edtrul->text(), u"http://example.org/z"_s);
            QCOMPARE(ui->chk1->isChecked(), locked);
            QCOMPARE(ui->pnl1->isVisible(), locked);
            // Loaded even while the lock is off and the panel hidden.
            QCOMPARE(ui->edtmima->text(), u"Secret"_s);
            QCOMPARE(ui->edt1->text(), u"old.jpg"_s);
            QCOMPARE(ui->edtmulu->text(), u"bankA"_s);
        }));
        QVERIFY(open.os.messages.isEmpty());
        QVERIFY(open.os.errors.isEmpty());
    }

    void confirmStoresTheEditsAsTheyStand_data() {
        QTest::addColumn<QString>("isJiaMi");
        QTest::addColumn<QString>("stored");
        QTest::newRow("unlocking still stores the password") << u"1"_s << u"0"_s;
        QTest::newRow("locking") << u"0"_s << u"1"_s;
    }
    void confirmStoresTheEditsAsTheyStand() {
        QFETCH(QString, isJiaMi);
        QFETCH(QString, stored);
        OpenBank open(withLock(isJiaMi));
        Ui::TFormTikuxinxisezhi* ui = open.dialog.form();
        QVERIFY(open.show([&] {
            ui->chk1->click();
            ui->edtzuozhe->setText(u" 李四 "_s);
            ui->edtrul->clear();
            ui->edtmima->setText(u"新密码"_s);
            ui->edt1->clear();
            ui->edtmulu->setText(u"bankB"_s);
            ui->btn1->click();
            QVERIFY(!open.dialog.isVisible());
        }));
        QCOMPARE(open.dialog.result(), int(QDialog::Accepted));
        // Nothing is trimmed and an empty edit stores an empty value; the version key is not touched.
        QCOMPARE(settingsOf(open),
                 (QStringList{u" 李四 "_s, QString(), u"新密码"_s, stored, QString(), u"bankB"_s, u"1"_s}));
    }

    void closingTheWindowStoresNothing() {
        OpenBank open(withLock(u"1"_s));
        const QStringList before = settingsOf(open);
        Ui::TFormTikuxinxisezhi* ui = open.dialog.form();
        QVERIFY(open.show([&] {
            ui->chk1->click();
            for (QLineEdit* edit : {ui->edtzuozhe, ui->edtrul, ui->edtmima, ui->edt1, ui->edtmulu})
                edit->setText(u"changed"_s);
        }));
        QCOMPARE(open.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(settingsOf(open), before);
    }

    void everyOpeningReadsTheStoreAfresh() {
        OpenBank open(withLock(u"1"_s));
        Ui::TFormTikuxinxisezhi* ui = open.dialog.form();
        QVERIFY(open.show([&] { ui->edtrul->setText(u"typed, then closed"_s); }));
        open.bank.SetIsJiaMi(false);
        open.bank.SetTikuZuoZhe(u"王五"_s);
        QVERIFY(open.show([&] {
            QCOMPARE(ui->edtrul->text(), u"http://example.org/z"_s);
            QCOMPARE(ui->edtzuozhe->text(), u"王五"_s);
            QVERIFY(!ui->chk1->isChecked());
            QVERIFY(!ui->pnl1->isVisible());
        }));
    }

    void anEmptyFolderSettingReadsAsTheDataDirectory() {
        OpenBank open(bankinfo::filledBank + u"UPDATE jiegou SET str_value='' WHERE str_name='mulu';"_s);
        Ui::TFormTikuxinxisezhi* ui = open.dialog.form();
        QVERIFY(open.show([&] {
            QCOMPARE(open.os.messages, QStringList{bankinfo::folderMessage});
            QCOMPARE(ui->edtmulu->text(), u"tavrindata"_s);
            ui->btn1->click();
        }));
        QCOMPARE(open.setting(u"mulu"_s), u"tavrindata"_s);
        QCOMPARE(open.os.messages, QStringList{bankinfo::folderMessage});
    }

    void withoutAStoreTheDialogReportsAndStaysClosed() {
        FakePlatformScope os;
        TFormTikuxinxisezhi dialog;
        // Should the dialog open after all, it is closed again rather than waiting for a user.
        QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
        QVERIFY(!errorOf([&] { dialog.ShowBankInfo(nullptr); }).isEmpty());
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(BankInfoSettingsTest)
#include "tst_bankinfo_settings.moc"
