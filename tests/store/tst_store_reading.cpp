#include "platform/Error.h"
#include "store/m_sql.h"
#include "tests/store/RawBank.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/WorkDir.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString threeQuestions = uR"(
INSERT INTO tiku (ID, ti_neirong, daanleixing, ti_daan, img, jiexi, dui, cuo, gong) VALUES
  (10, 'first', 1, 2, 'a.jpg', 'one', 1, 2, 3),
  (20, 'second', 2, 6, '', 'two', 4, 5, 6),
  (30, 'third', 3, 24, 'c.png', 'three', 7, 8, 9);
)"_s;

// A current question full of values, to see that reading really overwrites every field.
void fill(m_sql& store) {
    store.ID = 99;
    store.daanleixing = 9;
    store.ti_neirong = u"left over"_s;
    store.ti_daan = 99;
    store.img = u"left.jpg"_s;
    store.jiexi = u"left over"_s;
    store.dui = store.cuo = store.gong = 9;
}

void verifyEmptied(const m_sql& store) {
    QCOMPARE(store.ID, 0);
    QCOMPARE(store.daanleixing, 0);
    QCOMPARE(store.ti_neirong, QString());
    QCOMPARE(store.ti_daan, 0u);
    QCOMPARE(store.img, QString());
    QCOMPARE(store.jiexi, QString());
    QCOMPARE(store.dui + store.cuo + store.gong, 0);
}

} // namespace

class TestStoreReading : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void iterationVisitsEveryRowAndKeepsTheLast();
    void selectAllOnEmptyTableEmptiesTheRecord();
    void selectByIdReadsEveryField();
    void selectByIdWithoutRowEmptiesTheRecord();
    void nullsReadAsEmptyAndZero();
    void columnsAreReadByName();
    void settingsReadTakesOverTheIteration();
    void readStoppedByEngineErrorRaises();
    void rowWithoutQuestionColumnsFailsPartway();
    void readingWithoutResultIsAnError();
    void idleStoreLeavesTheBankFree();

private:
    std::unique_ptr<FakePlatformScope> platform_;
    std::unique_ptr<WorkDir> dir_;
    std::unique_ptr<m_sql> store_;
    void openBank(const QString& sql);
};

void TestStoreReading::init() {
    platform_ = std::make_unique<FakePlatformScope>();
    dir_ = std::make_unique<WorkDir>();
    store_ = std::make_unique<m_sql>();
}

void TestStoreReading::cleanup() {
    store_.reset();
    dir_.reset();
    platform_.reset();
}

void TestStoreReading::openBank(const QString& sql) {
    dir_->makeBank(u"bank.stk"_s, sql);
    QVERIFY(store_->Open(u"bank.stk"_s));
    QCOMPARE(platform_->messages, QStringList());
}

void TestStoreReading::iterationVisitsEveryRowAndKeepsTheLast() {
    openBank(threeQuestions);
    m_sql& store = *store_;
    QList<int> ids;
    store.SelectAll();
    while (!store.Eof()) {
        ids << store.ID;
        store.Next();
    }
    QCOMPARE(ids, (QList<int>{10, 20, 30}));
    // Past the end the last row stays current, however often Next is called.
    QCOMPARE(store.ID, 30);
    store.ti_neirong = u"changed"_s;
    store.Next();
    QVERIFY(store.Eof());
    QCOMPARE(store.ID, 30);
    QCOMPARE(store.ti_neirong, u"third"_s);
    QCOMPARE(store.gong, 9);
}

void TestStoreReading::selectAllOnEmptyTableEmptiesTheRecord() {
    openBank(QString());
    fill(*store_);
    store_->SelectAll();
    QVERIFY(store_->Eof());
    verifyEmptied(*store_);
    fill(*store_);
    store_->Next();
    QVERIFY(store_->Eof());
    verifyEmptied(*store_);
}

void TestStoreReading::selectByIdReadsEveryField() {
    openBank(threeQuestions);
    m_sql& store = *store_;
    store.SelectById(u"20"_s);
    QVERIFY(!store.Eof());
    QCOMPARE(store.ID, 20);
    QCOMPARE(store.daanleixing, 2);
    QCOMPARE(store.ti_neirong, u"second"_s);
    QCOMPARE(store.ti_daan, 6u);
    QCOMPARE(store.img, QString());
    QCOMPARE(store.jiexi, u"two"_s);
    QCOMPARE(store.dui, 4);
    QCOMPARE(store.cuo, 5);
    QCOMPARE(store.gong, 6);
    store.Next();
    QVERIFY(store.Eof());
    QCOMPARE(store.ID, 20);
}

void TestStoreReading::selectByIdWithoutRowEmptiesTheRecord() {
    openBank(threeQuestions);
    fill(*store_);
    store_->SelectById(u"11"_s);
    QVERIFY(store_->Eof());
    verifyEmptied(*store_);
}

void TestStoreReading::nullsReadAsEmptyAndZero() {
    openBank(u"INSERT INTO tiku (ID, ti_neirong, daanleixing, ti_daan, img, jiexi, dui, cuo, gong) "
             u"VALUES (5, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"_s);
    fill(*store_);
    store_->SelectById(u"5"_s);
    QVERIFY(!store_->Eof());
    QCOMPARE(store_->ID, 5);
    store_->ID = 0;
    verifyEmptied(*store_);
}

// A bank whose table has its columns in another order reads the same.
void TestStoreReading::columnsAreReadByName() {
    openBank(uR"(
DROP TABLE tiku;
CREATE TABLE tiku (gong INTEGER, jiexi TEXT, cuo INTEGER, img TEXT, dui INTEGER, ti_daan INTEGER,
                   daanleixing INTEGER, ti_neirong TEXT, ID INTEGER PRIMARY KEY AUTOINCREMENT);
INSERT INTO tiku (ID, ti_neirong, daanleixing, ti_daan, img, jiexi, dui, cuo, gong)
  VALUES (7, 'text', 3, 256, 'p.bmp', 'why', 11, 12, 13);
)"_s);
    m_sql& store = *store_;
    store.SelectAll();
    QCOMPARE(store.ID, 7);
    QCOMPARE(store.ti_neirong, u"text"_s);
    QCOMPARE(store.daanleixing, 3);
    QCOMPARE(store.ti_daan, 256u);
    QCOMPARE(store.img, u"p.bmp"_s);
    QCOMPARE(store.jiexi, u"why"_s);
    QCOMPARE(store.dui, 11);
    QCOMPARE(store.cuo, 12);
    QCOMPARE(store.gong, 13);
}

// The store has one query: a settings read in the middle of a list fill ends the fill's result.
void TestStoreReading::settingsReadTakesOverTheIteration() {
    openBank(threeQuestions);
    m_sql& store = *store_;

    store.SelectAll();
    QCOMPARE(store.GetJiegou(u"no such key"_s), QString());
    QVERIFY(store.Eof());

    store.SelectAll();
    store.Next();
    QCOMPARE(store.GetMulu(), u"tavrindata"_s);
    QVERIFY(!store.Eof());
    // The next row is the settings result's end; reading it again finds no question columns.
    QVERIFY(errorOf([&] { store.Next(); }).startsWith(u"题库读写出错："_s));
    QVERIFY(store.Eof());
    QCOMPARE(store.ID, 20);
}

// A step that fails half-way through the rows raises the engine's error instead of ending the list.
void TestStoreReading::readStoppedByEngineErrorRaises() {
    openBank(threeQuestions);
    m_sql& store = *store_;
    store.RunSelect(
        u"SELECT tiku.*, CASE WHEN ID = 30 THEN abs(-9223372036854775807 - 1) END AS x FROM tiku"_s);
    store.ReadRow();
    QCOMPARE(store.ID, 10);
    store.Next();
    QCOMPARE(store.ID, 20);
    QVERIFY(!store.Eof());
    QCOMPARE(errorOf([&] { store.Next(); }), u"题库读写出错：integer overflow"_s);
}

// A result without the question's columns stops at the first one missing, the fields before it read.
void TestStoreReading::rowWithoutQuestionColumnsFailsPartway() {
    openBank(threeQuestions);
    m_sql& store = *store_;
    fill(store);
    store.RunSelect(u"SELECT ti_neirong, ti_daan FROM tiku"_s);
    QCOMPARE(errorOf([&] { store.ReadRow(); }), u"题库读写出错：查询结果没有列“daanleixing”"_s);
    QCOMPARE(store.ti_neirong, u"first"_s);
    QCOMPARE(store.ti_daan, 2u);
    QCOMPARE(store.daanleixing, 9);
    QCOMPARE(store.ID, 99);
}

void TestStoreReading::readingWithoutResultIsAnError() {
    openBank(threeQuestions);
    m_sql& store = *store_;
    const QString noResult = u"题库读写出错：没有可以读取的查询结果"_s;
    QVERIFY(store.Eof());
    QCOMPARE(errorOf([&] { store.ReadRow(); }), noResult);
    store.SelectAll();
    store.DeleteById(u"10"_s);
    QVERIFY(store.Eof());
    QCOMPARE(errorOf([&] { store.Next(); }), noResult);
}

// Another program may write the bank while this one shows it: a store between operations holds no lock.
void TestStoreReading::idleStoreLeavesTheBankFree() {
    openBank(threeQuestions);
    m_sql& store = *store_;
    RawBank other(u"bank.stk"_s);
    const QString write = u"UPDATE jiegou SET str_value = 'x' WHERE str_name = 'tikuRUL'"_s;

    QCOMPARE(store.GetTikuZuoZhe(), QString());
    QVERIFY2(other.exec(write), qPrintable(other.error));
    store.AddQuestion(1, u"new"_s, 1, QString(), QString());
    QVERIFY2(other.exec(write), qPrintable(other.error));
    store.SelectById(u"10"_s);
    QVERIFY2(other.exec(write), qPrintable(other.error));
    store.SelectAll();
    while (!store.Eof())
        store.Next();
    QVERIFY2(other.exec(write), qPrintable(other.error));
}

QTEST_GUILESS_MAIN(TestStoreReading)
#include "tst_store_reading.moc"
