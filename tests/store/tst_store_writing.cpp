#include "platform/Error.h"
#include "store/m_sql.h"
#include "tests/store/RawBank.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/WorkDir.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString twoQuestions = uR"(
INSERT INTO tiku (ID, ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES
  (10, 'first', 1, 2, 'a.jpg', 'one'),
  (20, 'second', 2, 6, '', 'two');
)"_s;

} // namespace

class TestStoreWriting : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addQuestionReturnsTheLargestId();
    void newIdsNeverReuseDeletedOnes();
    void textsRoundTrip_data();
    void textsRoundTrip();
    void answerCodeIsUnsigned32Bit_data();
    void answerCodeIsUnsigned32Bit();
    void saveQuestionRewritesOneRow();
    void writesToUnknownIdsChangeNothing();
    void deleteRemovesOneRow();
    void settersKnowTheirColumnsOnly_data();
    void settersKnowTheirColumnsOnly();
    void writesAreOnDiskInOneFile();

    void settingsReadAndWrite_data();
    void settingsReadAndWrite();
    void settingWithoutRowIsNotAdded();
    void settingWithSeveralRows();
    void lockFlag_data();
    void lockFlag();
    void lockFlagIsWrittenAsOneOrZero();
    void emptyFolderSettingFallsBackEveryTime_data();
    void emptyFolderSettingFallsBackEveryTime();
    void keyWithQuoteIsReadAsItself();

    void badIdsAreRefused_data();
    void badIdsAreRefused();
    void edgeIdsAreAccepted();
    void storeThatIsNotOpenRefuses_data();
    void storeThatIsNotOpenRefuses();

private:
    std::unique_ptr<FakePlatformScope> platform_;
    std::unique_ptr<WorkDir> dir_;
    std::unique_ptr<m_sql> store_;
    std::unique_ptr<RawBank> raw_;
    void openBank(const QString& sql);
    int rowCount() { return raw_->value(u"SELECT count(*) FROM tiku"_s).toInt(); }
};

void TestStoreWriting::init() {
    platform_ = std::make_unique<FakePlatformScope>();
    dir_ = std::make_unique<WorkDir>();
    store_ = std::make_unique<m_sql>();
}

void TestStoreWriting::cleanup() {
    raw_.reset();
    store_.reset();
    dir_.reset();
    platform_.reset();
}

void TestStoreWriting::openBank(const QString& sql) {
    dir_->makeBank(u"bank.stk"_s, sql);
    QVERIFY(store_->Open(u"bank.stk"_s));
    QCOMPARE(platform_->messages, QStringList());
    raw_ = std::make_unique<RawBank>(u"bank.stk"_s);
}

void TestStoreWriting::addQuestionReturnsTheLargestId() {
    openBank(twoQuestions);
    m_sql& store = *store_;
    store.ID = 5;

    const QString id = store.AddQuestion(3, u"new"_s, 2 + 8, u"n.jpg"_s, u"why"_s);
    QCOMPARE(id, raw_->value(u"SELECT MAX(ID) FROM tiku"_s).toString());
    QVERIFY(id.toInt() > 20);
    QCOMPARE(store.ID, 5);
    QCOMPARE(store.ti_neirong, u"new"_s);
    QCOMPARE(store.daanleixing, 3);
    QCOMPARE(store.ti_daan, 10u);
    // Columns this program never writes take the table's defaults.
    QCOMPARE(raw_->value(u"SELECT ti_neirong || daanleixing || ti_daan || img || jiexi || dui || cuo || gong "
                         u"FROM tiku WHERE ID="_s +
                         id)
                 .toString(),
             u"new310n.jpgwhy000"_s);
    // The query holds the one-row result of the ID read.
    QVERIFY(!store.Eof());
}

void TestStoreWriting::newIdsNeverReuseDeletedOnes() {
    openBank(twoQuestions);
    store_->DeleteById(u"20"_s);
    QCOMPARE(store_->AddQuestion(1, u"x"_s, 1, QString(), QString()), u"21"_s);
}

void TestStoreWriting::textsRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("line breaks") << u"line one\r\nline two\nline three\r"_s;
    QTest::newRow("html") << u"<p style=\"color:red\">A &amp; B</p><img src='x.png'><br/>"_s;
    QTest::newRow("quotes and sql") << u"it's \"quoted\"; DROP TABLE tiku; -- :img ?"_s;
    QTest::newRow("chinese and beyond") << u"选择题：𠀋 émoji 😀"_s;
    QTest::newRow("100 000 characters") << QString(100000, u'题');
    QTest::newRow("empty") << u""_s;
    QTest::newRow("null") << QString();
}

void TestStoreWriting::textsRoundTrip() {
    QFETCH(QString, text);
    openBank(twoQuestions);
    m_sql& store = *store_;

    const QString id = store.AddQuestion(1, text, 1, text, text);
    store.SelectById(id);
    QCOMPARE(store.ti_neirong, text);
    QCOMPARE(store.img, text);
    QCOMPARE(store.jiexi, text);
    // An empty text is stored as the empty string, never as NULL.
    QCOMPARE(
        raw_->value(u"SELECT typeof(ti_neirong) || typeof(img) || typeof(jiexi) FROM tiku WHERE ID="_s + id)
            .toString(),
        u"texttexttext"_s);

    store.SaveQuestion(u"10"_s, 2, text, 5, text, text);
    store.SelectById(u"10"_s);
    QCOMPARE(store.ti_neirong, text);
    QCOMPARE(store.jiexi, text);
    QCOMPARE(raw_->value(u"SELECT typeof(ti_neirong) || typeof(img) || typeof(jiexi) FROM tiku WHERE ID=10"_s)
                 .toString(),
             u"texttexttext"_s);
}

void TestStoreWriting::answerCodeIsUnsigned32Bit_data() {
    QTest::addColumn<quint32>("code");
    QTest::newRow("zero") << 0u;
    QTest::newRow("H") << 256u;
    QTest::newRow("every letter") << 2u + 4 + 8 + 16 + 32 + 64 + 128 + 256;
    QTest::newRow("top bit") << 0x80000000u;
    QTest::newRow("all bits") << 0xFFFFFFFFu;
}

void TestStoreWriting::answerCodeIsUnsigned32Bit() {
    QFETCH(quint32, code);
    openBank(QString());
    const QString id = store_->AddQuestion(3, u"q"_s, code, QString(), QString());
    QCOMPARE(raw_->value(u"SELECT ti_daan FROM tiku WHERE ID="_s + id).toLongLong(), qint64(code));
    store_->ti_daan = 1;
    store_->SelectById(id);
    QCOMPARE(store_->ti_daan, code);

    store_->SaveQuestion(id, 3, u"q"_s, code, QString(), QString());
    QCOMPARE(raw_->value(u"SELECT ti_daan FROM tiku WHERE ID="_s + id).toLongLong(), qint64(code));
}

void TestStoreWriting::saveQuestionRewritesOneRow() {
    openBank(twoQuestions);
    m_sql& store = *store_;
    store.ID = 77;
    store.SaveQuestion(u"10"_s, 3, u"changed"_s, 4 + 16, u"b.png"_s, u"because"_s);
    QCOMPARE(store.ID, 77);

    store.SelectById(u"10"_s);
    QCOMPARE(store.daanleixing, 3);
    QCOMPARE(store.ti_neirong, u"changed"_s);
    QCOMPARE(store.ti_daan, 20u);
    QCOMPARE(store.img, u"b.png"_s);
    QCOMPARE(store.jiexi, u"because"_s);
    store.SelectById(u"20"_s);
    QCOMPARE(store.ti_neirong, u"second"_s);
    QCOMPARE(store.img, QString());
}

void TestStoreWriting::writesToUnknownIdsChangeNothing() {
    openBank(twoQuestions);
    const QString before =
        raw_->column(u"SELECT quote(ID) || ti_neirong || img FROM tiku"_s).constFirst().toString();
    store_->UpdateCurrent(u"15"_s);
    store_->DeleteById(u"15"_s);
    // A save the bank cannot take is said so: the editor's text would be lost without a word.
    QCOMPARE(errorOf([&] { store_->SaveQuestion(u"15"_s, 1, u"nobody"_s, 1, QString(), QString()); }),
             u"题库中没有ID为“15”的题目，没有保存"_s);
    QCOMPARE(rowCount(), 2);
    QCOMPARE(raw_->column(u"SELECT quote(ID) || ti_neirong || img FROM tiku"_s).constFirst().toString(),
             before);
}

void TestStoreWriting::deleteRemovesOneRow() {
    openBank(twoQuestions);
    QFile picture(u"a.jpg"_s);
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.close();
    store_->DeleteById(u"10"_s);
    QCOMPARE(raw_->column(u"SELECT ID FROM tiku"_s), QVariantList{20});
    // The picture stays: other banks may share the folder.
    QVERIFY(QFileInfo::exists(u"a.jpg"_s));
}

void TestStoreWriting::settersKnowTheirColumnsOnly_data() {
    QTest::addColumn<bool>("text");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("changed");
    QTest::newRow("text ti_neirong") << true << u"ti_neirong"_s << u"ti_neirong"_s;
    QTest::newRow("text img") << true << u"img"_s << u"img"_s;
    QTest::newRow("text jiexi") << true << u"jiexi"_s << u"jiexi"_s;
    QTest::newRow("text ID") << true << u"ID"_s << QString();
    QTest::newRow("text ti_daan") << true << u"ti_daan"_s << QString();
    QTest::newRow("text other case") << true << u"Ti_Neirong"_s << QString();
    QTest::newRow("int ti_daan") << false << u"ti_daan"_s << u"ti_daan"_s;
    QTest::newRow("int daanleixing") << false << u"daanleixing"_s << u"daanleixing"_s;
    QTest::newRow("int ID") << false << u"ID"_s << QString();
    QTest::newRow("int img") << false << u"img"_s << QString();
    QTest::newRow("int dui") << false << u"dui"_s << QString();
}

void TestStoreWriting::settersKnowTheirColumnsOnly() {
    QFETCH(bool, text);
    QFETCH(QString, column);
    QFETCH(QString, changed);
    openBank(QString());
    m_sql& s = *store_;
    s.ID = 1;
    s.daanleixing = 1;
    s.ti_neirong = s.img = s.jiexi = u"old"_s;
    s.ti_daan = 1;
    s.dui = s.cuo = s.gong = 1;

    if (text)
        s.SetTextField(column, u"new"_s);
    else
        s.SetIntField(column, 7);

    const auto expectText = [&](const QString& name, const QString& value) {
        return value == (changed == name ? u"new"_s : u"old"_s);
    };
    QVERIFY(expectText(u"ti_neirong"_s, s.ti_neirong));
    QVERIFY(expectText(u"img"_s, s.img));
    QVERIFY(expectText(u"jiexi"_s, s.jiexi));
    QCOMPARE(s.ti_daan, changed == u"ti_daan"_s ? 7u : 1u);
    QCOMPARE(s.daanleixing, changed == u"daanleixing"_s ? 7 : 1);
    QCOMPARE(s.ID + s.dui + s.cuo + s.gong, 4);
}

// Synchronous writes with a rollback journal: once a write returns, the bank is complete in its one
// file, without a journal or write-ahead log beside it.
void TestStoreWriting::writesAreOnDiskInOneFile() {
    openBank(twoQuestions);
    store_->AddQuestion(1, u"q"_s, 1, QString(), QString());
    store_->SaveQuestion(u"10"_s, 1, u"r"_s, 2, QString(), QString());
    store_->SetTikuZuoZhe(u"me"_s);
    QCOMPARE(QDir().entryList({u"bank.stk*"_s}), QStringList{u"bank.stk"_s});
    QCOMPARE(raw_->value(u"PRAGMA journal_mode"_s).toString(), u"delete"_s);
    QCOMPARE(rowCount(), 3);
}

void TestStoreWriting::settingsReadAndWrite_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("mulu") << u"mulu"_s;
    QTest::newRow("CharMima") << u"CharMima"_s;
    QTest::newRow("tikuZuoZhe") << u"tikuZuoZhe"_s;
    QTest::newRow("tikuRUL") << u"tikuRUL"_s;
    QTest::newRow("tikuLOGO") << u"tikuLOGO"_s;
}

void TestStoreWriting::settingsReadAndWrite() {
    QFETCH(QString, key);
    openBank(QString());
    m_sql& s = *store_;
    const QHash<QString, std::function<void(const QString&)>> setters = {
        {u"mulu"_s, [&](const QString& v) { s.SetMulu(v); }},
        {u"CharMima"_s, [&](const QString& v) { s.SetCharMima(v); }},
        {u"tikuZuoZhe"_s, [&](const QString& v) { s.SetTikuZuoZhe(v); }},
        {u"tikuRUL"_s, [&](const QString& v) { s.SetTikuRUL(v); }},
        {u"tikuLOGO"_s, [&](const QString& v) { s.SetTikuLOGO(v); }},
    };
    const QHash<QString, std::function<QString()>> getters = {
        {u"mulu"_s, [&] { return s.GetMulu(); }},
        {u"CharMima"_s, [&] { return s.GetCharMima(); }},
        {u"tikuZuoZhe"_s, [&] { return s.GetTikuZuoZhe(); }},
        {u"tikuRUL"_s, [&] { return s.GetTikuRUL(); }},
        {u"tikuLOGO"_s, [&] { return s.GetTikuLOGO(); }},
    };
    const QString value = u"值 'quoted' :str_name"_s;

    setters[key](value);
    QCOMPARE(raw_->value(u"SELECT str_value FROM jiegou WHERE str_name='%1'"_s.arg(key)).toString(), value);
    QCOMPARE(getters[key](), value);
    QCOMPARE(s.GetJiegou(key), value);
    // Only that key changed.
    QCOMPARE(
        raw_->value(u"SELECT count(*) FROM jiegou WHERE str_value = '值 ''quoted'' :str_name'"_s).toInt(), 1);
}

void TestStoreWriting::settingWithoutRowIsNotAdded() {
    openBank(u"DELETE FROM jiegou WHERE str_name = 'tikuRUL';"_s);
    const int rows = raw_->value(u"SELECT count(*) FROM jiegou"_s).toInt();
    store_->SetTikuRUL(u"https://example.org"_s);
    QCOMPARE(store_->GetTikuRUL(), QString());
    QCOMPARE(raw_->value(u"SELECT count(*) FROM jiegou"_s).toInt(), rows);
}

void TestStoreWriting::settingWithSeveralRows() {
    openBank(u"INSERT INTO jiegou (str_name, str_value) VALUES ('tikuZuoZhe', 'second');"_s
             u"\nUPDATE jiegou SET str_value = 'first' WHERE rowid = "
             u"(SELECT min(rowid) FROM jiegou WHERE str_name = 'tikuZuoZhe');"_s);
    QCOMPARE(store_->GetTikuZuoZhe(), u"first"_s);
    store_->SetTikuZuoZhe(u"both"_s);
    QCOMPARE(raw_->column(u"SELECT str_value FROM jiegou WHERE str_name = 'tikuZuoZhe'"_s),
             (QVariantList{u"both"_s, u"both"_s}));
}

void TestStoreWriting::lockFlag_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("locked");
    const QString set = u"UPDATE jiegou SET str_value = %1 WHERE str_name = 'isJiaMi';"_s;
    QTest::newRow("1") << set.arg(u"'1'"_s) << true;
    QTest::newRow("0") << set.arg(u"'0'"_s) << false;
    QTest::newRow("01") << set.arg(u"'01'"_s) << false;
    QTest::newRow("blank before") << set.arg(u"' 1'"_s) << false;
    QTest::newRow("blank after") << set.arg(u"'1 '"_s) << false;
    QTest::newRow("word") << set.arg(u"'yes'"_s) << false;
    QTest::newRow("empty") << set.arg(u"''"_s) << false;
    QTest::newRow("null") << set.arg(u"NULL"_s) << false;
    QTest::newRow("no row") << u"DELETE FROM jiegou WHERE str_name = 'isJiaMi';"_s << false;
}

void TestStoreWriting::lockFlag() {
    QFETCH(QString, sql);
    QFETCH(bool, locked);
    openBank(sql);
    QCOMPARE(store_->GetIsJiaMi(), locked);
}

void TestStoreWriting::lockFlagIsWrittenAsOneOrZero() {
    openBank(QString());
    const QString stored = u"SELECT str_value FROM jiegou WHERE str_name = 'isJiaMi'"_s;
    store_->SetIsJiaMi(true);
    QCOMPARE(raw_->value(stored).toString(), u"1"_s);
    QVERIFY(store_->GetIsJiaMi());
    store_->SetIsJiaMi(false);
    QCOMPARE(raw_->value(stored).toString(), u"0"_s);
    QVERIFY(!store_->GetIsJiaMi());
}

void TestStoreWriting::emptyFolderSettingFallsBackEveryTime_data() {
    QTest::addColumn<QString>("sql");
    QTest::newRow("empty") << u"UPDATE jiegou SET str_value = '' WHERE str_name = 'mulu';"_s;
    QTest::newRow("null") << u"UPDATE jiegou SET str_value = NULL WHERE str_name = 'mulu';"_s;
    QTest::newRow("no row") << u"DELETE FROM jiegou WHERE str_name = 'mulu';"_s;
}

void TestStoreWriting::emptyFolderSettingFallsBackEveryTime() {
    QFETCH(QString, sql);
    openBank(sql);
    QCOMPARE(store_->GetMulu(), u"tavrindata"_s);
    QCOMPARE(store_->GetMulu(), u"tavrindata"_s);
    QCOMPARE(platform_->messages, QStringList(2, u"出错,代码298"_s));
}

void TestStoreWriting::keyWithQuoteIsReadAsItself() {
    openBank(u"INSERT INTO jiegou (str_name, str_value) VALUES ('it''s', 'quoted key');"_s);
    QCOMPARE(store_->GetJiegou(u"it's"_s), u"quoted key"_s);
    QCOMPARE(store_->GetJiegou(u"x' OR '1'='1"_s), QString());
}

void TestStoreWriting::badIdsAreRefused_data() {
    QTest::addColumn<QString>("id");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank before") << u" 10"_s;
    QTest::newRow("blank after") << u"10 "_s;
    QTest::newRow("line break after") << u"10\n"_s;
    QTest::newRow("plus") << u"+10"_s;
    QTest::newRow("minus alone") << u"-"_s;
    QTest::newRow("decimal point") << u"10.0"_s;
    QTest::newRow("hex") << u"0x0A"_s;
    QTest::newRow("word") << u"abc"_s;
    QTest::newRow("statement") << u"10 OR 1=1"_s;
    QTest::newRow("two statements") << u"10;DELETE FROM tiku"_s;
    QTest::newRow("wide digits") << u"１０"_s;
    QTest::newRow("arabic-indic digits") << u"١٠"_s;
    QTest::newRow("above 32 bits") << u"2147483648"_s;
    QTest::newRow("below 32 bits") << u"-2147483649"_s;
}

void TestStoreWriting::badIdsAreRefused() {
    QFETCH(QString, id);
    openBank(twoQuestions);
    m_sql& s = *store_;
    const QString refused = u"题目ID无效：“%1”"_s.arg(id);
    s.SelectAll();
    s.ti_neirong = u"kept"_s;

    QCOMPARE(errorOf([&] { s.SelectById(id); }), refused);
    QCOMPARE(errorOf([&] { s.UpdateCurrent(id); }), refused);
    QCOMPARE(errorOf([&] { s.SaveQuestion(id, 1, u"lost"_s, 1, QString(), QString()); }), refused);
    QCOMPARE(errorOf([&] { s.DeleteById(id); }), refused);
    // Refused before anything ran: the record, the iteration and the table are as they were.
    QCOMPARE(s.ti_neirong, u"kept"_s);
    QCOMPARE(s.ID, 10);
    QVERIFY(!s.Eof());
    QCOMPARE(rowCount(), 2);
    QCOMPARE(raw_->column(u"SELECT ti_neirong FROM tiku"_s), (QVariantList{u"first"_s, u"second"_s}));
}

void TestStoreWriting::edgeIdsAreAccepted() {
    openBank(twoQuestions);
    store_->SelectById(u"010"_s);
    QCOMPARE(store_->ID, 10);
    store_->SelectById(u"-2147483648"_s);
    QVERIFY(store_->Eof());
    store_->DeleteById(u"2147483647"_s);
    QCOMPARE(rowCount(), 2);
}

void TestStoreWriting::storeThatIsNotOpenRefuses_data() {
    QTest::addColumn<QString>("state");
    QTest::newRow("never opened") << u"new"_s;
    QTest::newRow("empty path") << u"empty path"_s;
    QTest::newRow("closed") << u"closed"_s;
}

void TestStoreWriting::storeThatIsNotOpenRefuses() {
    QFETCH(QString, state);
    dir_->makeBank(u"bank.stk"_s, twoQuestions);
    m_sql s;
    if (state == u"empty path"_s) {
        QVERIFY(!s.Open(QString()));
    } else if (state == u"closed"_s) {
        QVERIFY(s.Open(u"bank.stk"_s));
        s.SelectAll();
        s.Close();
    }
    s.ti_neirong = u"kept"_s;
    const QList<std::pair<const char*, std::function<void()>>> operations = {
        {"RunSelect", [&] { s.RunSelect(u"SELECT tiku.* FROM tiku;"_s); }},
        {"ReadRow", [&] { s.ReadRow(); }},
        {"SelectAll", [&] { s.SelectAll(); }},
        {"SelectById", [&] { s.SelectById(u"10"_s); }},
        {"Next", [&] { s.Next(); }},
        {"Eof", [&] { s.Eof(); }},
        {"SetTextField", [&] { s.SetTextField(u"ti_neirong"_s, u"lost"_s); }},
        {"SetIntField", [&] { s.SetIntField(u"ti_daan"_s, 3); }},
        {"InsertCurrent", [&] { s.InsertCurrent(); }},
        {"UpdateCurrent", [&] { s.UpdateCurrent(u"10"_s); }},
        {"AddQuestion", [&] { s.AddQuestion(1, u"lost"_s, 1, QString(), QString()); }},
        {"SaveQuestion", [&] { s.SaveQuestion(u"10"_s, 1, u"lost"_s, 1, QString(), QString()); }},
        {"DeleteById", [&] { s.DeleteById(u"10"_s); }},
        {"GetJiegou", [&] { s.GetJiegou(u"mulu"_s); }},
        {"SetJiegou", [&] { s.SetJiegou(u"mulu"_s, u"x"_s); }},
        {"GetMulu", [&] { s.GetMulu(); }},
        {"SetIsJiaMi", [&] { s.SetIsJiaMi(true); }},
        {"GetIsJiaMi", [&] { s.GetIsJiaMi(); }},
    };
    for (const auto& [name, operation] : operations)
        QVERIFY2(errorOf(operation) == u"题库没有打开"_s, name);
    QCOMPARE(s.ti_neirong, u"kept"_s);
    QCOMPARE(platform_->messages, QStringList());
    QVERIFY(!s.isOpen());
}

QTEST_GUILESS_MAIN(TestStoreWriting)
#include "tst_store_writing.moc"
