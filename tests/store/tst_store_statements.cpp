#include "store/Dialect.h"
#include "store/Statements.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The statements are the bank files' contract with the engine: every tab, doubled blank, back-quote
// and ";" is pinned here, written out independently of the header.
class TestStoreStatements : public QObject {
    Q_OBJECT

private slots:
    void statementTexts_data();
    void statementTexts();
    void forSqlite_data();
    void forSqlite();
};

void TestStoreStatements::statementTexts_data() {
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");

    QTest::newRow("select all") << statements::selectAll << u"SELECT tiku.* FROM tiku;"_s;
    QTest::newRow("select by id") << statements::selectByIdPrefix << u"SELECT tiku.* FROM tiku WHERE ID="_s;
    QTest::newRow("insert") << statements::insertQuestion
                            << u"INSERT INTO `tiku`(`ti_neirong`,`ti_daan`,`daanleixing`,`img`,`jiexi`)"
                               u"\t VALUES (ti_neirong,ti_daan,daanleixing,img,jiexi) "_s;
    QTest::newRow("new id") << statements::selectNewId
                            << u"SELECT ID  FROM tiku WHERE (ID = (SELECT MAX(ID)\t FROM tiku))"_s;
    QTest::newRow("update") << statements::updateQuestionPrefix
                            << u"update `tiku` set `ti_neirong`=:ti_neirong,  \t\t  `ti_daan`=:ti_daan,"
                               u"\t\t  `daanleixing`=:daanleixing,\t\t  `img`=:img,`jiexi`=:jiexi  "
                               u"where ID="_s;
    QTest::newRow("delete") << statements::deleteByIdPrefix << u"delete from tiku where ID="_s;
    QTest::newRow("setting read") << statements::selectSettingPrefix + u"mulu"_s +
                                         statements::selectSettingSuffix
                                  << u"SELECT jiegou.str_value FROM jiegou WHERE jiegou.str_name='mulu';"_s;
    QTest::newRow("setting write")
        << statements::updateSetting
        << u"update `jiegou` set `str_value`=:str_value  where str_name=:str_name"_s;
}

void TestStoreStatements::statementTexts() {
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestStoreStatements::forSqlite_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("parameters");

    const QStringList question = {u"ti_neirong"_s, u"ti_daan"_s, u"daanleixing"_s, u"img"_s, u"jiexi"_s};

    QTest::newRow("the insert") << statements::insertQuestion
                                << u"INSERT INTO `tiku`(`ti_neirong`,`ti_daan`,`daanleixing`,`img`,`jiexi`)"
                                   u"\t VALUES (:ti_neirong,:ti_daan,:daanleixing,:img,:jiexi) "_s
                                << question;
    QTest::newRow("the update") << statements::updateQuestionPrefix + u"12"_s
                                << statements::updateQuestionPrefix + u"12"_s << question;
    QTest::newRow("the setting write") << statements::updateSetting << statements::updateSetting
                                       << QStringList{u"str_value"_s, u"str_name"_s};
    for (const QString& select : {statements::selectAll, statements::selectByIdPrefix + u"7"_s,
                                  statements::selectNewId, statements::deleteByIdPrefix + u"7"_s})
        QTest::newRow(qPrintable(select)) << select << select << QStringList{};
    QTest::newRow("colon inside a key")
        << u"SELECT jiegou.str_value FROM jiegou WHERE jiegou.str_name='a:b';"_s
        << u"SELECT jiegou.str_value FROM jiegou WHERE jiegou.str_name='a:b';"_s << QStringList{};

    QTest::newRow("literals and keywords stay values")
        << u"INSERT INTO t(a,b,c,d,e) VALUES ( a , 'x:y', NULL, 3, current_timestamp)"_s
        << u"INSERT INTO t(a,b,c,d,e) VALUES ( :a , 'x:y', NULL, 3, current_timestamp)"_s
        << QStringList{u"a"_s};
    QTest::newRow("marked names stay")
        << u"INSERT INTO t(a) VALUES (:a)"_s << u"INSERT INTO t(a) VALUES (:a)"_s << QStringList{u"a"_s};
    QTest::newRow("lower case, no blank")
        << u"insert into t(a,b) values(a,b)"_s << u"insert into t(a,b) values(:a,:b)"_s
        << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("quoted column named values")
        << u"INSERT INTO t(`values`) VALUES (v)"_s << u"INSERT INTO t(`values`) VALUES (:v)"_s
        << QStringList{u"v"_s};
    QTest::newRow("several rows") << u"INSERT INTO t(a) VALUES (a), (b)"_s
                                  << u"INSERT INTO t(a) VALUES (:a), (:b)"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("expressions stay") << u"INSERT INTO t(a,b) VALUES (lower(a), b)"_s
                                      << u"INSERT INTO t(a,b) VALUES (lower(a), :b)"_s << QStringList{u"b"_s};
    QTest::newRow("not an insert") << u"SELECT a FROM t WHERE b IN (VALUES (c))"_s
                                   << u"SELECT a FROM t WHERE b IN (VALUES (c))"_s << QStringList{};
    QTest::newRow("a name used twice is one parameter")
        << u"update t set a=:x, b=:y, c=:x"_s << u"update t set a=:x, b=:y, c=:x"_s
        << QStringList{u"x"_s, u"y"_s};
    QTest::newRow("colons in quotes and comments")
        << u"update t set a='a:b', \"c:d\"=:e -- :f\n /* :g */"_s
        << u"update t set a='a:b', \"c:d\"=:e -- :f\n /* :g */"_s << QStringList{u"e"_s};
}

void TestStoreStatements::forSqlite() {
    QFETCH(QString, statement);
    QFETCH(QString, text);
    QFETCH(QStringList, parameters);

    const dialect::Prepared prepared = dialect::forSqlite(statement);
    QCOMPARE(prepared.text, text);
    QCOMPARE(prepared.parameters, parameters);
}

QTEST_GUILESS_MAIN(TestStoreStatements)
#include "tst_store_statements.moc"
