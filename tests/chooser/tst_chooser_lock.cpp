// The chooser's lock, driven as a user drives it: key presses into the focused control, the window
// system's close, a bank held busy by another program while its lock is read, and a bank locked after
// the list was read. No way through opens a locked bank without its password.
#include "app/TForm1.h"
#include "chooser/TForm2.h"
#include "store/m_sql.h"
#include "tests/support/BankLock.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/LockedBank.h"
#include "tests/support/WorkDir.h"
#include "ui_TForm2.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QWindow>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using lockedbank::lockSql;

namespace {

const QString openError = u"错误代码:30,或者请以管理员身份运行；"_s;
const QString wrongPassword = u"密码错误"_s;

// Locks a bank from a connection of its own, as another copy of the program would.
void lockFromOutside(const QString& path, const QString& password) {
    const QString name = u"outside-"_s + path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        for (const QString& statement : lockSql(password).split(u'\n'))
            QVERIFY(QSqlQuery(db).exec(statement));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The bank files made for a test, then the main window and its chooser, shown and active as the
// program shows it, with the keyboard focus where the chooser puts it.
struct ShownChooser {
    explicit ShownChooser(const std::function<void(const WorkDir&)>& makeBanks) {
        makeBanks(dir);
        main = std::make_unique<TForm1>();
        chooser = std::make_unique<TForm2>(main.get());
        chooser->show();
        chooser->activateWindow();
        ready = QTest::qWaitForWindowActive(chooser.get());
    }

    Ui::TForm2& ui() const { return *chooser->form(); }
    QWidget* focus() const { return QApplication::focusWidget(); }
    QString focusName() const { return focus() ? focus()->objectName() : QString(); }

    // Keys go where the user's keys go: into the control that has the focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        QTest::keyClick(focus(), key, modifiers);
    }
    void type(const QString& text) const { QTest::keyClicks(focus(), text); }
    // A click into an edit, which gives it the focus.
    void clickInto(QWidget* edit) const { QTest::mouseClick(edit, Qt::LeftButton); }
    // The bank `name` picked in the drop-down with the keyboard, as each step reports it.
    void pickWithKeys(const QString& name) const {
        ui().cbb1->setFocus();
        press(Qt::Key_Home);
        while (ui().cbb1->currentText() != name && ui().cbb1->currentIndex() + 1 < ui().cbb1->count())
            press(Qt::Key_Down);
    }
    bool shown() const { return chooser->isVisible(); }

    FakePlatformScope os;
    WorkDir dir;
    std::unique_ptr<TForm1> main;
    std::unique_ptr<TForm2> chooser;
    bool ready = false;
};

} // namespace

class ChooserLockTest : public QObject {
    Q_OBJECT

private slots:
    void returnPressesTheFocusedControlsOwnButton_data() {
        QTest::addColumn<bool>("locked");       // the one bank, bank.stk, is locked with "Secret"
        QTest::addColumn<QString>("clickInto"); // the edit clicked into first; empty: the chooser's own focus
        QTest::addColumn<QString>("typed");     // typed there
        QTest::addColumn<int>("key");           // then pressed
        QTest::addColumn<QString>("tikuPath");  // what the main window is handed
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("stillShown");
        QTest::addColumn<QString>("focusAfter"); // where the focus is when the chooser stays

        const int enter = Qt::Key_Return;
        QTest::newRow("wrong password") << true << u"edtmima"_s << u"nope"_s << enter << QString()
                                        << QStringList{wrongPassword} << true << u"edtmima"_s;
        QTest::newRow("password in the wrong letter case")
            << true << u"edtmima"_s << u"secret"_s << enter << QString() << QStringList{wrongPassword} << true
            << u"edtmima"_s;
        QTest::newRow("right password") << true << u"edtmima"_s << u"Secret"_s << enter << u"bank.stk"_s
                                        << QStringList() << false << QString();
        QTest::newRow("right password, keypad Enter")
            << true << u"edtmima"_s << u"Secret"_s << int(Qt::Key_Enter) << u"bank.stk"_s << QStringList()
            << false << QString();
        QTest::newRow("new bank name beside a locked bank")
            << true << u"edt1"_s << u"newbank"_s << enter << u"newbank.stk"_s << QStringList() << false
            << QString();
        QTest::newRow("empty new bank name beside a locked bank")
            << true << u"edt1"_s << QString() << enter << QString() << QStringList{u"请输入新建的单元名"_s}
            << true << u"edt1"_s;
        QTest::newRow("the locked bank's own name as a new bank")
            << true << u"edt1"_s << u"bank"_s << enter << u"bank.stk"_s
            << QStringList{u"单元名已经存在，请输入新建的单元名"_s} << true << u"edt1"_s;
        QTest::newRow("drop-down of a locked bank")
            << true << QString() << QString() << enter << QString() << QStringList() << true << u"edtmima"_s;
        QTest::newRow("drop-down of an unlocked bank")
            << false << QString() << QString() << enter << u"bank.stk"_s << QStringList() << false
            << QString();
        QTest::newRow("new bank name beside an unlocked bank")
            << false << u"edt1"_s << u"newbank"_s << enter << u"newbank.stk"_s << QStringList() << false
            << QString();
    }
    void returnPressesTheFocusedControlsOwnButton() {
        QFETCH(bool, locked);
        QFETCH(QString, clickInto);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, tikuPath);
        QFETCH(QStringList, messages);
        QFETCH(bool, stillShown);
        QFETCH(QString, focusAfter);
        ShownChooser c([&](const WorkDir& dir) {
            dir.makeBank(u"bank.stk"_s, locked ? lockSql(u"Secret"_s) : QString());
        });
        QVERIFY(c.ready);
        QCOMPARE(c.focusName(), u"cbb1"_s);
        QCOMPARE(c.ui().pnl1->isVisible(), locked);

        if (!clickInto.isEmpty()) {
            c.clickInto(c.chooser->findChild<QLineEdit*>(clickInto));
            QCOMPARE(c.focusName(), clickInto);
        }
        c.type(typed);
        c.press(Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);

        QCOMPARE(c.main->tikuPath, tikuPath);
        QCOMPARE(c.os.messages, messages);
        QCOMPARE(c.shown(), stillShown);
        if (stillShown)
            QCOMPARE(c.focusName(), focusAfter);
        QVERIFY(c.os.errors.isEmpty());
        QVERIFY(!c.os.exitCode);
        if (tikuPath == u"newbank.stk"_s) {
            QVERIFY(QFileInfo(u"newbank.stk"_s).isFile());
            QVERIFY(QFileInfo(u"newbank"_s).isDir());
        }
    }

    // Tab walks only the controls the user sees: the plain "打开" under the lock panel is not one of
    // them, so Space cannot press it.
    void tabAndSpaceReachOnlyWhatShows_data() {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("afterTab");
        QTest::addColumn<QString>("tikuPath");
        QTest::newRow("locked") << true << u"edtmima"_s << QString();
        QTest::newRow("not locked") << false << u"Button1"_s << u"bank.stk"_s;
    }
    void tabAndSpaceReachOnlyWhatShows() {
        QFETCH(bool, locked);
        QFETCH(QString, afterTab);
        QFETCH(QString, tikuPath);
        ShownChooser c([&](const WorkDir& dir) {
            dir.makeBank(u"bank.stk"_s, locked ? lockSql(u"Secret"_s) : QString());
        });
        QVERIFY(c.ready);
        QCOMPARE(c.focusName(), u"cbb1"_s);

        QStringList chain;
        for (int i = 0; i < 8; ++i) {
            c.press(Qt::Key_Tab);
            chain << c.focusName();
        }
        QCOMPARE(chain.contains(u"Button1"_s), !locked);
        QCOMPARE(chain.contains(u"btn1"_s), locked);

        c.ui().cbb1->setFocus();
        c.press(Qt::Key_Tab);
        QCOMPARE(c.focusName(), afterTab);
        c.press(Qt::Key_Space);
        QCOMPARE(c.main->tikuPath, tikuPath);
        QCOMPARE(c.shown(), locked);
        QVERIFY(c.os.messages.isEmpty());
    }

    // Alt+F4 or a desktop's close request: the window system asks the window to close. Even after a
    // failed creation has left the path of an existing, locked bank behind, nothing is opened: the
    // program ends as with "退出".
    void theWindowSystemsCloseEndsTheProgram() {
        ShownChooser c([](const WorkDir& dir) { dir.makeBank(u"bank.stk"_s, lockSql(u"Secret"_s)); });
        QVERIFY(c.ready);
        c.clickInto(c.ui().edt1);
        c.type(u"bank"_s);
        c.press(Qt::Key_Return);
        QCOMPARE(c.os.messages, QStringList{u"单元名已经存在，请输入新建的单元名"_s});

        c.chooser->windowHandle()->close();

        QCOMPARE(c.os.exitCode, 0);
        QVERIFY(c.os.errors.isEmpty());
    }

    void choosingABankDoesNotEndTheProgram() {
        ShownChooser c([](const WorkDir& dir) { dir.makeBank(u"bank.stk"_s); });
        QVERIFY(c.ready);
        c.press(Qt::Key_Return);
        QCOMPARE(c.main->tikuPath, u"bank.stk"_s);
        QCOMPARE(c.chooser->result(), int(QDialog::Accepted));
        QVERIFY(!c.os.exitCode);
    }

    // Another program holds the locked bank while its lock is read: the store falls back to the
    // fallback bank, whose lock says nothing about this one. The bank is then opened neither past
    // its lock nor at all until its lock can be read.
    void aBankHeldBusyDuringTheLockCheckStaysClosed() {
        ShownChooser c([](const WorkDir& dir) {
            dir.makeBank(u"free.stk"_s);
            dir.makeBank(u"locked.stk"_s, lockSql(u"Secret"_s));
        });
        QVERIFY(c.ready);
        c.pickWithKeys(u"free.stk"_s);
        QVERIFY(!c.ui().pnl1->isVisible());
        const QString unreadable =
            u"题库“locked.stk”现在无法读取，不能确认它是否加密，所以没有打开。请稍后再试，或选择别的题库。"_s;
        {
            BankLock busy(u"locked.stk"_s);
            c.pickWithKeys(u"locked.stk"_s);
            QCOMPARE(c.ui().cbb1->currentText(), u"locked.stk"_s);
            QCOMPARE(c.os.messages.size(), 1);
            QVERIFY(c.os.messages[0].startsWith(openError));

            // Return in the drop-down presses the plain "打开", which reads the lock again.
            c.os.messages.clear();
            c.press(Qt::Key_Return);
            QCOMPARE(c.main->tikuPath, QString());
            QVERIFY(c.shown());
            QCOMPARE(c.os.messages.size(), 2);
            QVERIFY(c.os.messages[0].startsWith(openError));
            QCOMPARE(c.os.messages[1], unreadable);
        }
        // Free again: the lock is read and asks for the password.
        c.os.messages.clear();
        c.ui().cbb1->setFocus();
        c.press(Qt::Key_Return);
        QCOMPARE(c.main->tikuPath, QString());
        QVERIFY(c.ui().pnl1->isVisible());
        QCOMPARE(c.focusName(), u"edtmima"_s);
        QVERIFY(c.os.messages.isEmpty());
        c.type(u"Secret"_s);
        c.press(Qt::Key_Return);
        QCOMPARE(c.main->tikuPath, u"locked.stk"_s);
        QVERIFY(!c.shown());
    }

    // The lock panel's "打开" reads the lock again too: a bank that cannot be read is not opened,
    // whatever password was typed for it.
    void thePasswordOpensNothingWhileTheLockCannotBeRead() {
        ShownChooser c([](const WorkDir& dir) { dir.makeBank(u"locked.stk"_s, lockSql(u"Secret"_s)); });
        QVERIFY(c.ready);
        QVERIFY(c.ui().pnl1->isVisible());
        c.clickInto(c.ui().edtmima);
        c.type(u"Secret"_s);
        {
            BankLock busy(u"locked.stk"_s);
            c.press(Qt::Key_Return);
            QCOMPARE(c.main->tikuPath, QString());
            QVERIFY(c.shown());
            QVERIFY(c.os.messages.value(0).startsWith(openError));
            QVERIFY(c.os.messages.value(1).startsWith(u"题库“locked.stk”现在无法读取"_s));
        }
        c.press(Qt::Key_Return);
        QCOMPARE(c.main->tikuPath, u"locked.stk"_s);
    }

    // The list and the first lock check were read before another program locked the bank: opening it
    // asks for the new password.
    void aBankLockedAfterTheListWasReadAsksForItsPassword_data() {
        QTest::addColumn<bool>("byKey"); // Return in the drop-down, else a click on "打开"
        QTest::newRow("Return") << true;
        QTest::newRow("click") << false;
    }
    void aBankLockedAfterTheListWasReadAsksForItsPassword() {
        QFETCH(bool, byKey);
        ShownChooser c([](const WorkDir& dir) { dir.makeBank(u"bank.stk"_s); });
        QVERIFY(c.ready);
        QVERIFY(!c.ui().pnl1->isVisible());
        lockFromOutside(u"bank.stk"_s, u"Later"_s);

        if (byKey)
            c.press(Qt::Key_Return);
        else
            QTest::mouseClick(c.ui().Button1, Qt::LeftButton);

        QCOMPARE(c.main->tikuPath, QString());
        QVERIFY(c.shown());
        QVERIFY(c.ui().pnl1->isVisible());
        QVERIFY(!c.ui().Button1->isVisible());
        QCOMPARE(c.focusName(), u"edtmima"_s);
        c.type(u"wrong"_s);
        c.press(Qt::Key_Return);
        QCOMPARE(c.os.messages, QStringList{wrongPassword});
        QCOMPARE(c.main->tikuPath, QString());
        c.ui().edtmima->selectAll();
        c.type(u"Later"_s);
        c.press(Qt::Key_Return);
        QCOMPARE(c.main->tikuPath, u"bank.stk"_s);
        QVERIFY(!c.shown());
    }
};

QTEST_MAIN(ChooserLockTest)
#include "tst_chooser_lock.moc"
