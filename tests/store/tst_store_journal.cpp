// Opening a bank changes nothing on disk: a bank another tool put into write-ahead-log mode stays so,
// byte for byte, until the program writes. The first write brings it back to one file with a rollback
// journal; while another program holds it open the write goes into the log instead, as safely synced.
#include "store/m_sql.h"
#include "tests/store/RawBank.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/Files.h"
#include "tests/support/WorkDir.h"

#include <QDir>
#include <QtTest>
#include <memory>

using namespace Qt::StringLiterals;
using testfiles::readFile;

namespace {

const QString twoQuestions = u"UPDATE jiegou SET str_value='b' WHERE str_name='mulu';\n"
                             u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan) VALUES ('一', 1, 1);\n"
                             u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan) VALUES ('二', 2, 6);"_s;

// The bank and whatever lies beside it (journal, log, shared-memory index).
QStringList bankFiles() {
    return QDir().entryList({u"bank.stk*"_s}, QDir::Files, QDir::Name);
}

QString journalMode() {
    RawBank raw(u"bank.stk"_s);
    return raw.value(u"PRAGMA journal_mode"_s).toString();
}

// A bank "bank.stk" with two questions, in write-ahead-log mode when `wal`; no connection left open.
void makeBank(const WorkDir& dir, bool wal) {
    dir.makeBank(u"bank.stk"_s, twoQuestions);
    if (wal) {
        RawBank raw(u"bank.stk"_s);
        QVERIFY(raw.exec(u"PRAGMA journal_mode=WAL"_s));
    }
    QCOMPARE(bankFiles(), QStringList{u"bank.stk"_s});
}

// Everything the program reads from a bank it opens: the list, a question, each setting.
void readEverything(m_sql& store) {
    store.SelectAll();
    while (!store.Eof())
        store.Next();
    store.SelectById(u"1"_s);
    store.GetMulu();
    store.GetIsJiaMi();
    store.GetCharMima();
    store.GetTikuZuoZhe();
    store.GetTikuRUL();
    store.GetTikuLOGO();
}

} // namespace

class TestStoreJournal : public QObject {
    Q_OBJECT

private slots:
    void openingAndReadingLeaveTheFileAsItWas_data() {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback journal") << false;
        QTest::newRow("write-ahead log") << true;
    }
    void openingAndReadingLeaveTheFileAsItWas() {
        QFETCH(bool, wal);
        FakePlatformScope os;
        WorkDir dir;
        makeBank(dir, wal);
        const QByteArray before = readFile(u"bank.stk"_s);

        {
            m_sql store;
            QVERIFY(store.Open(u"bank.stk"_s));
            QCOMPARE(store.openPath(), u"bank.stk"_s);
            readEverything(store);
            QCOMPARE(readFile(u"bank.stk"_s), before);
            store.Close();
        }

        QVERIFY(os.messages.isEmpty());
        QCOMPARE(bankFiles(), QStringList{u"bank.stk"_s});
        QCOMPARE(readFile(u"bank.stk"_s), before);
        QCOMPARE(journalMode(), wal ? u"wal"_s : u"delete"_s);
    }

    void theFirstWriteMakesAWalBankOneFile() {
        FakePlatformScope os;
        WorkDir dir;
        makeBank(dir, true);
        m_sql store;
        QVERIFY(store.Open(u"bank.stk"_s));
        readEverything(store);

        store.SetTikuZuoZhe(u"作者"_s);

        // On disk, in the bank file alone, while the store is still open.
        QCOMPARE(bankFiles(), QStringList{u"bank.stk"_s});
        QCOMPARE(journalMode(), u"delete"_s);
        {
            RawBank raw(u"bank.stk"_s);
            QCOMPARE(raw.value(u"SELECT str_value FROM jiegou WHERE str_name='tikuZuoZhe'"_s).toString(),
                     u"作者"_s);
        }
        QCOMPARE(store.AddQuestion(1, u"三"_s, 2, QString(), QString()), u"3"_s);
        QCOMPARE(bankFiles(), QStringList{u"bank.stk"_s});
    }

    // Another program keeps the bank open in write-ahead-log mode, so it cannot go back to the
    // rollback journal: the save is not refused for that, and the other program sees it at once.
    void aWriteGoesThroughWhileAnotherProgramHoldsAWalBank() {
        FakePlatformScope os;
        WorkDir dir;
        makeBank(dir, true);
        auto other = std::make_unique<RawBank>(u"bank.stk"_s);
        QCOMPARE(other->value(u"SELECT count(*) FROM tiku"_s).toInt(), 2);
        m_sql store;
        QVERIFY(store.Open(u"bank.stk"_s));

        QCOMPARE(store.AddQuestion(1, u"三"_s, 2, QString(), QString()), u"3"_s);

        QCOMPARE(other->value(u"SELECT count(*) FROM tiku"_s).toInt(), 3);
        QCOMPARE(other->value(u"PRAGMA journal_mode"_s).toString(), u"wal"_s);
        other.reset();

        // Alone again: the next write brings the bank back to one file.
        store.SetTikuRUL(u"http://example.org"_s);
        QCOMPARE(journalMode(), u"delete"_s);
        QCOMPARE(bankFiles(), QStringList{u"bank.stk"_s});
        QVERIFY(os.messages.isEmpty());
        QVERIFY(os.errors.isEmpty());
    }
};

QTEST_MAIN(TestStoreJournal)
#include "tst_store_journal.moc"
