#include "platform/Error.h"
#include "store/m_sql.h"
#include "tests/store/RawBank.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/WorkDir.h"
#include "tests/support/WriteProtection.h"

#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString oneQuestion =
    u"INSERT INTO tiku (ID, ti_neirong, daanleixing, ti_daan) VALUES (10, 'first', 1, 2);"_s;

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStoreFailures : public QObject {
    Q_OBJECT

private slots:
    void writeProtectedBankFailsOnWrite();
    void lockedBankFailsAfterShortWait();
    void rejectedStatementRaisesEngineText();
    void parametersMustMatchTheirValues();
};

// A write-protected bank opens and reads; each write fails with the engine's reason and leaves the
// file exactly as it was.
void TestStoreFailures::writeProtectedBankFailsOnWrite() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"bank.stk"_s, oneQuestion);
    const QByteArray before = contentsOf(u"bank.stk"_s);
    WriteProtection protection(u"bank.stk"_s);
    if (!protection.holds())
        QSKIP("this system lets the test process write a read-only file");
    m_sql store;
    QVERIFY(store.Open(u"bank.stk"_s));
    QCOMPARE(platform.messages, QStringList());
    store.SelectAll();
    QCOMPARE(store.ti_neirong, u"first"_s);

    const QString readOnly = u"题库读写出错：attempt to write a readonly database"_s;
    QCOMPARE(errorOf([&] { store.AddQuestion(1, u"new"_s, 1, QString(), QString()); }), readOnly);
    QCOMPARE(errorOf([&] { store.SaveQuestion(u"10"_s, 1, u"new"_s, 1, QString(), QString()); }), readOnly);
    QCOMPARE(errorOf([&] { store.DeleteById(u"10"_s); }), readOnly);
    QCOMPARE(errorOf([&] { store.SetTikuZuoZhe(u"me"_s); }), readOnly);

    store.SelectAll();
    QCOMPARE(store.ti_neirong, u"first"_s);
    store.Close();
    QCOMPARE(contentsOf(u"bank.stk"_s), before);
    QCOMPARE(QDir().entryList({u"bank.stk*"_s}), QStringList{u"bank.stk"_s});
}

// Another program holds the bank in a write transaction: operations fail after the busy timeout
// instead of hanging, and work again once it lets go.
void TestStoreFailures::lockedBankFailsAfterShortWait() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"bank.stk"_s, oneQuestion);
    m_sql store;
    QVERIFY(store.Open(u"bank.stk"_s));
    RawBank other(u"bank.stk"_s);
    QVERIFY2(other.exec(u"BEGIN EXCLUSIVE"_s), qPrintable(other.error));

    const QString locked = u"题库读写出错：database is locked"_s;
    QCOMPARE(errorOf([&] { store.AddQuestion(1, u"new"_s, 1, QString(), QString()); }), locked);
    QCOMPARE(errorOf([&] { store.SelectAll(); }), locked);

    QVERIFY(other.exec(u"ROLLBACK"_s));
    const QString id = store.AddQuestion(1, u"new"_s, 1, QString(), QString());
    QCOMPARE(other.value(u"SELECT ti_neirong FROM tiku WHERE ID="_s + id).toString(), u"new"_s);
    QCOMPARE(other.value(u"SELECT count(*) FROM tiku"_s).toInt(), 2);
}

void TestStoreFailures::rejectedStatementRaisesEngineText() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"bank.stk"_s, oneQuestion);
    m_sql store;
    QVERIFY(store.Open(u"bank.stk"_s));
    QCOMPARE(errorOf([&] { store.RunSelect(u"SELECT tiku.* FROM nowhere"_s); }),
             u"题库读写出错：no such table: nowhere"_s);
    QVERIFY(store.Eof());
    QCOMPARE(platform.messages, QStringList());
}

// A parameter without a value would reach the bank as NULL: the statement is refused instead.
void TestStoreFailures::parametersMustMatchTheirValues() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"bank.stk"_s, oneQuestion);
    m_sql store;
    QVERIFY(store.Open(u"bank.stk"_s));
    QCOMPARE(errorOf([&] { store.RunSelect(u"SELECT tiku.* FROM tiku WHERE ID=:id"_s); }),
             u"题库语句的参数不符：语句有（id），给了（）"_s);
}

QTEST_GUILESS_MAIN(TestStoreFailures)
#include "tst_store_failures.moc"
