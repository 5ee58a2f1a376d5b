#include "app/TForm1.h"
#include "chooser/TForm2.h"
#include "import/TFormDaoru.h"
#include "store/m_sql.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/LockedBank.h"
#include "tests/support/WorkDir.h"
#include "ui_TForm2.h"
#include "ui_TFormDaoru.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using lockedbank::lockSql;

namespace {

const QString openError = u"错误代码:30,或者请以管理员身份运行；"_s;

QString settingOf(const QString& bankPath, const QString& key) {
    m_sql bank;
    bank.Open(bankPath);
    const QString value = bank.GetJiegou(key);
    bank.Close();
    return value;
}

} // namespace

class ChooserTest : public QObject {
    Q_OBJECT

private slots:
    void listsEveryBankEntryFirstSelected() {
        FakePlatformScope os;
        WorkDir dir;
        dir.makeBank(u"甲.stk"_s);
        dir.makeBank(u"b.stk"_s);
        QVERIFY(QDir().mkdir(u"folder.stk"_s));
        QFile(u"notes.txt"_s).open(QIODevice::WriteOnly);
        TForm1 main;
        TForm2 chooser(&main);

        QStringList listed;
        for (int i = 0; i < chooser.form()->cbb1->count(); ++i)
            listed << chooser.form()->cbb1->itemText(i);
        QCOMPARE(listed, os.listEntries(u"."_s, u"*.stk"_s));
        QCOMPARE(QSet<QString>(listed.begin(), listed.end()),
                 (QSet<QString>{u"甲.stk"_s, u"b.stk"_s, u"folder.stk"_s}));
        QCOMPARE(chooser.form()->cbb1->currentIndex(), 0);
    }

    void openHandsTheChosenPathToTheMainWindow() {
        FakePlatformScope os;
        WorkDir dir;
        dir.makeBank(u"b.stk"_s);
        TForm1 main;
        TForm2 chooser(&main);
        chooser.show();
        chooser.form()->Button1->click();
        QCOMPARE(main.tikuPath, u"b.stk"_s);
        QCOMPARE(chooser.result(), int(QDialog::Accepted));
        QVERIFY(!chooser.isVisible());
    }

    void noBankGivesAnEmptyPathWithoutMessages() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        TForm2 chooser(&main);
        QCOMPARE(chooser.form()->cbb1->count(), 0);
        QVERIFY(!chooser.form()->pnl1->isVisibleTo(&chooser));
        chooser.form()->Button1->click();
        QCOMPARE(main.tikuPath, QString());
        QVERIFY(os.messages.isEmpty());
    }

    void lockPanelFollowsTheSelectedBank() {
        FakePlatformScope os;
        WorkDir dir;
        dir.makeBank(u"locked.stk"_s, lockSql(u"Secret"_s));
        dir.makeBank(u"open.stk"_s);
        TForm1 main;
        TForm2 chooser(&main);
        QComboBox* banks = chooser.form()->cbb1;
        const int locked = banks->findText(u"locked.stk"_s);
        const int open = banks->findText(u"open.stk"_s);

        auto pick = [&](int index) {
            banks->setCurrentIndex(index);
            emit banks->activated(index);
        };
        pick(locked);
        QVERIFY(chooser.form()->pnl1->isVisibleTo(&chooser));
        QCOMPARE(chooser.charMima, u"Secret"_s);
        // The panel lies over the plain "打开" button.
        QCOMPARE(chooser.form()->pnl1->geometry().topLeft(), chooser.form()->Button1->geometry().topLeft());
        QCOMPARE(chooser.form()->pnl1->size(), QSize(177, 112));
        pick(open);
        QVERIFY(!chooser.form()->pnl1->isVisibleTo(&chooser));
        pick(locked);
        QVERIFY(chooser.form()->pnl1->isVisibleTo(&chooser));
    }

    void passwordIsComparedExactly_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("opens");
        QTest::newRow("right") << u"Secret"_s << u"Secret"_s << true;
        QTest::newRow("wrong") << u"Secret"_s << u"nope"_s << false;
        QTest::newRow("letter case differs") << u"Secret"_s << u"secret"_s << false;
        QTest::newRow("trailing blank") << u"Secret"_s << u"Secret "_s << false;
        QTest::newRow("empty stored, empty typed") << QString() << QString() << true;
        QTest::newRow("chinese") << u"密码一"_s << u"密码一"_s << true;
    }
    void passwordIsComparedExactly() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, opens);
        FakePlatformScope os;
        WorkDir dir;
        dir.makeBank(u"locked.stk"_s, lockSql(stored));
        TForm1 main;
        TForm2 chooser(&main);
        chooser.show();
        QVERIFY(chooser.form()->pnl1->isVisible());
        chooser.form()->edtmima->setText(typed);
        chooser.form()->btn1->click();
        if (opens) {
            QCOMPARE(main.tikuPath, u"locked.stk"_s);
            QVERIFY(!chooser.isVisible());
            QVERIFY(os.messages.isEmpty());
        } else {
            QCOMPARE(os.messages, QStringList{u"密码错误"_s});
            QCOMPARE(main.tikuPath, QString());
            QVERIFY(chooser.isVisible());
            QCOMPARE(chooser.form()->edtmima->text(), typed);
        }
    }

    void aBankThatCannotBeOpenedLeavesTheLockAlone() {
        FakePlatformScope os;
        WorkDir dir;
        QVERIFY(QDir().mkdir(u"broken.stk"_s));
        TForm1 main;
        TForm2 chooser(&main);
        QCOMPARE(chooser.form()->cbb1->currentText(), u"broken.stk"_s);
        // The store tells the user and works on the fallback bank, which is not locked.
        QCOMPARE(os.messages.size(), 1);
        QVERIFY(os.messages[0].startsWith(openError));
        QVERIFY(!chooser.form()->pnl1->isVisibleTo(&chooser));
    }

    void createsABankFromTheTemplate() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        TForm2 chooser(&main);
        chooser.show();
        chooser.form()->edt1->setText(u"abc"_s);
        chooser.form()->Button2->click();

        QVERIFY(os.messages.isEmpty());
        QCOMPARE(main.tikuPath, u"abc.stk"_s);
        QVERIFY(QFileInfo(u"abc"_s).isDir());
        QVERIFY(QFileInfo(u"abc/torvesk.jpg"_s).isFile());
        QCOMPARE(settingOf(u"abc.stk"_s, u"mulu"_s), u"abc"_s);
        QCOMPARE(settingOf(u"abc.stk"_s, u"isJiaMi"_s), settingOf(u"tavrindata/mb"_s, u"isJiaMi"_s));
        QVERIFY(!chooser.isVisible());
    }

    void refusesNamesItCannotUse_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("existing"); // "dir" or "file" made before the attempt, or ""
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("tikuPath");
        QTest::newRow("empty name") << QString() << QString() << u"请输入新建的单元名"_s << QString();
        QTest::newRow("folder exists")
            << u"abc"_s << u"dir"_s << u"abc文件夹创建失败,修改单元名重试"_s << QString();
        QTest::newRow("bank file exists")
            << u"abc"_s << u"file"_s << u"单元名已经存在，请输入新建的单元名"_s << u"abc.stk"_s;
        QTest::newRow("name with a separator")
            << u"../abc"_s << QString() << u"../abc文件夹创建失败,修改单元名重试"_s << QString();
        QTest::newRow("dot dot") << u".."_s << QString() << u"..文件夹创建失败,修改单元名重试"_s << QString();
    }
    void refusesNamesItCannotUse() {
        QFETCH(QString, name);
        QFETCH(QString, existing);
        QFETCH(QString, message);
        QFETCH(QString, tikuPath);
        FakePlatformScope os;
        WorkDir dir;
        if (existing == u"dir"_s)
            QVERIFY(QDir().mkdir(name));
        if (existing == u"file"_s)
            dir.makeBank(name + u".stk"_s, u"UPDATE jiegou SET str_value='keep' WHERE str_name='mulu';"_s);
        TForm1 main;
        TForm2 chooser(&main);
        chooser.show();
        chooser.form()->edt1->setText(name);
        chooser.form()->Button2->click();

        QCOMPARE(os.messages, QStringList{message});
        QCOMPARE(main.tikuPath, tikuPath);
        QVERIFY(chooser.isVisible());
        QVERIFY(!QFileInfo::exists(u"../abc"_s));
        if (existing == u"file"_s) {
            // The existing bank is left as it was; its folder now exists, so the same name fails next time.
            QCOMPARE(settingOf(name + u".stk"_s, u"mulu"_s), u"keep"_s);
            QVERIFY(QFileInfo(name).isDir());
            os.messages.clear();
            chooser.form()->Button2->click();
            QCOMPARE(os.messages, QStringList{name + u"文件夹创建失败,修改单元名重试"_s});
        }
    }

    void missingTemplateDoesNotTouchTheFallbackBank() {
        FakePlatformScope os;
        WorkDir dir;
        QVERIFY(QFile::remove(u"tavrindata/mb"_s));
        const QString fallbackFolder = settingOf(u"tavrindata/小车.stk"_s, u"mulu"_s);
        TForm1 main;
        TForm2 chooser(&main);
        os.messages.clear();
        chooser.form()->edt1->setText(u"abc"_s);
        chooser.form()->Button2->click();

        QCOMPARE(os.messages.size(), 1);
        QVERIFY(os.messages[0].startsWith(openError));
        QCOMPARE(settingOf(u"tavrindata/小车.stk"_s, u"mulu"_s), fallbackFolder);
        QVERIFY(!QFileInfo::exists(u"abc.stk"_s));
        QCOMPARE(main.tikuPath, u"abc.stk"_s);
    }

    void missingLogoStillMakesTheBank() {
        FakePlatformScope os;
        WorkDir dir;
        QVERIFY(QFile::remove(u"tavrindata/torvesk.jpg"_s));
        TForm1 main;
        TForm2 chooser(&main);
        chooser.form()->edt1->setText(u"abc"_s);
        chooser.form()->Button2->click();
        QVERIFY(os.messages.isEmpty());
        QCOMPARE(settingOf(u"abc.stk"_s, u"mulu"_s), u"abc"_s);
        QVERIFY(!QFileInfo::exists(u"abc/torvesk.jpg"_s));
    }

    void quitEndsTheProcessWithCodeZero() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        TForm2 chooser(&main);
        chooser.show();
        chooser.form()->Button3->click();
        QCOMPARE(os.exitCode, 0);
        QVERIFY(os.errors.isEmpty());
    }

    void escapeDoesNotCloseTheChooser() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        TForm2 chooser(&main);
        chooser.show();
        QTest::keyClick(&chooser, Qt::Key_Escape);
        QVERIFY(chooser.isVisible());
    }

    void importButtonIsHidden() {
        FakePlatformScope os;
        WorkDir dir;
        TForm1 main;
        TForm2 chooser(&main);
        chooser.show();
        QVERIFY(!chooser.form()->buttonDaoru->isVisible());
        QCOMPARE(chooser.form()->buttonDaoru->text(), u"导入题库"_s);
    }

    void importClosesTheChooserOnceATextWasChosen_data() {
        QTest::addColumn<QString>("chosen"); // the file dialog's answer; empty: cancelled
        QTest::addColumn<bool>("start");     // "开始" pressed, else the dialog closed without it
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("tikuPath");
        QTest::newRow("nothing chosen") << QString() << false << false << QString();
        QTest::newRow("nothing chosen, start pressed") << QString() << true << false << QString();
        QTest::newRow("chosen, closed without starting") << u"q.txt"_s << false << true << QString();
        QTest::newRow("imported") << u"q.txt"_s << true << true << u"q.txt.tiku"_s;
    }
    void importClosesTheChooserOnceATextWasChosen() {
        QFETCH(QString, chosen);
        QFETCH(bool, start);
        QFETCH(bool, closes);
        QFETCH(QString, tikuPath);
        FakePlatformScope os;
        WorkDir dir;
        QFile text(u"q.txt"_s);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("title\nq\xA3\xBB\n");
        text.close();
        TForm1 main;
        TForm2 chooser(&main);
        chooser.show();

        TFormDaoru* import = nullptr;
        bool wasModal = false;
        QTimer::singleShot(0, &chooser, [&] {
            import = FormDaoru;
            if (!import)
                return;
            wasModal = import->isModal() && import->isVisible();
            os.nextFileNames << chosen;
            import->form()->BitBtn1->click();
            if (start)
                import->form()->btn1->click();
            if (import->isVisible())
                import->reject();
        });
        chooser.form()->buttonDaoru->click();

        QVERIFY(import);
        QVERIFY(wasModal);
        QCOMPARE(import->parent(), &chooser);
        QCOMPARE(import->mainForm, &main);
        QCOMPARE(chooser.isVisible(), !closes);
        QCOMPARE(main.tikuPath, tikuPath.isEmpty() ? QString() : dir.file(tikuPath));
        if (tikuPath.isEmpty())
            QVERIFY(!QFileInfo::exists(u"q.txt.tiku"_s));
        QVERIFY(os.errors.isEmpty());
    }
};

QTEST_MAIN(ChooserTest)
#include "tst_chooser.moc"
