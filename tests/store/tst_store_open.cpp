#include "store/m_sql.h"
#include "tests/store/RawBank.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/Files.h"
#include "tests/support/WorkDir.h"

#include <QFile>
#include <QSqlDatabase>
#include <QtTest>

using namespace Qt::StringLiterals;
using testfiles::readFile;
using testfiles::writeFile;

namespace {

const QString openError = u"错误代码:30,或者请以管理员身份运行；\r\n"
                          u"如果问题仍然存在，请联系 Qelbrin 的支持：support@qelbrin.example"_s;
const QString fallbackPath = u"tavrindata/小车.stk"_s;
// The first question of the shipped fallback bank.
const QString fallbackFirstQuestion = u"机动车在道路上行驶，遇到前方红灯时应当怎样做？"_s;

} // namespace

class TestStoreOpen : public QObject {
    Q_OBJECT

private slots:
    void opensBank();
    void emptyPathIsRefusedSilently();
    void pathNames_data();
    void pathNames();

    void badBankFallsBack_data();
    void badBankFallsBack();
    void missingFallbackEndsProcessAfterThreeErrors();
    void errorsCountOverTheStoresLife();
    void storeWithTooManyErrorsEndsProcessAtOnce();
    void lockedBankFallsBack();

    void storesHaveConnectionsOfTheirOwn();
    void closeAndDestroyReleaseTheConnection();
    void secondOpenReplacesTheFirst();
};

void TestStoreOpen::opensBank() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"bank.stk"_s, u"INSERT INTO tiku (ti_neirong) VALUES ('only');"_s);
    m_sql store;
    QVERIFY(!store.isOpen());

    QVERIFY(store.Open(u"bank.stk"_s));
    QVERIFY(store.isOpen());
    QCOMPARE(store.openPath(), u"bank.stk"_s);
    QCOMPARE(store.errCount, 0);
    QVERIFY(platform.messages.isEmpty());
    store.SelectAll();
    QCOMPARE(store.ti_neirong, u"only"_s);
}

void TestStoreOpen::emptyPathIsRefusedSilently() {
    FakePlatformScope platform;
    WorkDir dir;
    m_sql store;
    QVERIFY(!store.Open(QString()));
    QVERIFY(!store.isOpen());
    QCOMPARE(store.errCount, 0);
    QVERIFY(platform.messages.isEmpty());
}

// Bank names reach the engine as a URI: every character that means something there must survive.
void TestStoreOpen::pathNames_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("chinese") << u"小车测试.stk"_s;
    QTest::newRow("blank, hash, percent") << u"a b #1 %20.stk"_s;
    QTest::newRow("question mark, ampersand") << u"mode=ro?&x.stk"_s;
    QTest::newRow("in a folder") << u"目录 一/题库.stk"_s;
}

void TestStoreOpen::pathNames() {
    QFETCH(QString, path);
    FakePlatformScope platform;
    WorkDir dir;
    QDir().mkpath(QFileInfo(path).path());
    dir.makeBank(path);
    m_sql store;

    QVERIFY(store.Open(path));
    QVERIFY2(platform.messages.isEmpty(), qPrintable(platform.messages.join(u'|')));
    QCOMPARE(store.openPath(), path);
    const QString id = store.AddQuestion(1, u"写进这个题库"_s, 2, QString(), QString());
    RawBank raw(path);
    QCOMPARE(raw.value(u"SELECT ti_neirong FROM tiku WHERE ID="_s + id).toString(), u"写进这个题库"_s);
}

void TestStoreOpen::badBankFallsBack_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("sql");

    QTest::newRow("missing file") << u"missing"_s << QString();
    QTest::newRow("directory named like a bank") << u"directory"_s << QString();
    QTest::newRow("zero-byte file") << u"empty"_s << QString();
    QTest::newRow("not a database") << u"text"_s << QString();
    QTest::newRow("database cut short") << u"truncated"_s << QString();
    QTest::newRow("no table tiku") << u"bank"_s << u"DROP TABLE tiku;"_s;
    QTest::newRow("no table jiegou") << u"bank"_s << u"DROP TABLE jiegou;"_s;
    for (const char* column :
         {"ID", "ti_neirong", "daanleixing", "ti_daan", "img", "jiexi", "dui", "cuo", "gong"})
        QTest::newRow(qPrintable(u"tiku without "_s + QLatin1StringView(column)))
            << u"bank"_s << u"ALTER TABLE tiku RENAME COLUMN %1 TO %1_old;"_s.arg(QLatin1StringView(column));
    for (const char* column : {"str_name", "str_value"})
        QTest::newRow(qPrintable(u"jiegou without "_s + QLatin1StringView(column)))
            << u"bank"_s
            << u"ALTER TABLE jiegou RENAME COLUMN %1 TO %1_old;"_s.arg(QLatin1StringView(column));
}

void TestStoreOpen::badBankFallsBack() {
    QFETCH(QString, kind);
    QFETCH(QString, sql);
    FakePlatformScope platform;
    WorkDir dir;
    const QString path = u"坏的.stk"_s;
    if (kind == u"directory"_s) {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == u"empty"_s) {
        writeFile(path, {});
    } else if (kind == u"text"_s) {
        writeFile(path, QByteArray(4096, 'x'));
    } else if (kind == u"truncated"_s) {
        dir.makeBank(path, u"INSERT INTO tiku (ti_neirong) VALUES (printf('%.5000c', 'x'));"_s);
        QVERIFY(QFile::resize(path, 1024 + 100));
    } else if (kind == u"bank"_s) {
        dir.makeBank(path, sql);
    }
    const QByteArray before = readFile(path);
    m_sql store;

    QVERIFY(store.Open(path));
    QCOMPARE(platform.messages, QStringList{openError});
    QCOMPARE(store.errCount, 1);
    QCOMPARE(store.openPath(), fallbackPath);
    store.SelectAll();
    QCOMPARE(store.ti_neirong.section(u'\n', 0, 0), fallbackFirstQuestion);
    // Opening looks and never touches: a missing bank is not made, a bad one is left as it was.
    QCOMPARE(QFileInfo::exists(path), kind != u"missing"_s);
    QCOMPARE(readFile(path), before);
}

void TestStoreOpen::missingFallbackEndsProcessAfterThreeErrors() {
    FakePlatformScope platform;
    WorkDir dir(false);
    m_sql store;

    QCOMPARE(exitCodeOf([&] { store.Open(u"bank.stk"_s); }), std::optional<int>(0));
    QCOMPARE(platform.messages, QStringList(3, openError));
    QCOMPARE(store.errCount, 3);
    QVERIFY(!QFileInfo::exists(u"bank.stk"_s));
    QVERIFY(!QFileInfo::exists(fallbackPath));
}

void TestStoreOpen::errorsCountOverTheStoresLife() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"good.stk"_s);
    m_sql store;

    QVERIFY(store.Open(u"missing.stk"_s));
    QVERIFY(store.Open(u"good.stk"_s));
    QVERIFY(store.Open(u"missing.stk"_s));
    QCOMPARE(store.errCount, 2);
    QCOMPARE(platform.messages.size(), 2);
    QCOMPARE(exitCodeOf([&] { store.Open(u"missing.stk"_s); }), std::optional<int>(0));
    QCOMPARE(platform.messages.size(), 3);
}

void TestStoreOpen::storeWithTooManyErrorsEndsProcessAtOnce() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"good.stk"_s);
    m_sql store;
    store.errCount = 3;

    QCOMPARE(exitCodeOf([&] { store.Open(u"good.stk"_s); }), std::optional<int>(0));
    QVERIFY(platform.messages.isEmpty());
    QVERIFY(!store.isOpen());
}

// Another program in the middle of writing the bank: opening waits a little, then gives up.
void TestStoreOpen::lockedBankFallsBack() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"bank.stk"_s);
    RawBank other(u"bank.stk"_s);
    QVERIFY2(other.exec(u"BEGIN EXCLUSIVE"_s), qPrintable(other.error));
    m_sql store;

    QVERIFY(store.Open(u"bank.stk"_s));
    QCOMPARE(platform.messages, QStringList{openError});
    QCOMPARE(store.openPath(), fallbackPath);
    QVERIFY(other.exec(u"ROLLBACK"_s));
}

void TestStoreOpen::storesHaveConnectionsOfTheirOwn() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"a.stk"_s, u"UPDATE jiegou SET str_value='A' WHERE str_name='tikuZuoZhe';"_s);
    dir.makeBank(u"b.stk"_s, u"UPDATE jiegou SET str_value='B' WHERE str_name='tikuZuoZhe';"_s);
    m_sql a;
    m_sql b;
    QVERIFY(a.Open(u"a.stk"_s));
    QVERIFY(b.Open(u"b.stk"_s));

    QCOMPARE(a.GetTikuZuoZhe(), u"A"_s);
    QCOMPARE(b.GetTikuZuoZhe(), u"B"_s);
    b.Close();
    QCOMPARE(a.GetTikuZuoZhe(), u"A"_s);
}

void TestStoreOpen::closeAndDestroyReleaseTheConnection() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"bank.stk"_s);
    const QStringList before = QSqlDatabase::connectionNames();
    {
        m_sql closed;
        QVERIFY(closed.Open(u"bank.stk"_s));
        closed.Close();
        QVERIFY(!closed.isOpen());
        QCOMPARE(closed.openPath(), QString());
        QCOMPARE(QSqlDatabase::connectionNames(), before);

        auto destroyed = std::make_unique<m_sql>();
        QVERIFY(destroyed->Open(u"bank.stk"_s));
        destroyed->SelectAll();
        QCOMPARE(QSqlDatabase::connectionNames().size(), before.size() + 1);
        destroyed.reset();
        QCOMPARE(QSqlDatabase::connectionNames(), before);
    }
    // Closing a store that is not open is harmless.
    m_sql never;
    never.Close();
    never.Close();
}

void TestStoreOpen::secondOpenReplacesTheFirst() {
    FakePlatformScope platform;
    WorkDir dir;
    dir.makeBank(u"a.stk"_s, u"UPDATE jiegou SET str_value='A' WHERE str_name='tikuZuoZhe';"_s);
    dir.makeBank(u"b.stk"_s, u"UPDATE jiegou SET str_value='B' WHERE str_name='tikuZuoZhe';"_s);
    const QStringList before = QSqlDatabase::connectionNames();
    m_sql store;

    QVERIFY(store.Open(u"a.stk"_s));
    QVERIFY(store.Open(u"b.stk"_s));
    QCOMPARE(store.GetTikuZuoZhe(), u"B"_s);
    QCOMPARE(store.openPath(), u"b.stk"_s);
    QCOMPARE(QSqlDatabase::connectionNames().size(), before.size() + 1);
}

QTEST_GUILESS_MAIN(TestStoreOpen)
#include "tst_store_open.moc"
