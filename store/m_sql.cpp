#include "store/m_sql.h"

#include "platform/Error.h"
#include "platform/Platform.h"
#include "store/Dialect.h"
#include "store/Statements.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QVariant>
#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

using platform::Error;

const QString fallbackBank = u"tavrindata/小车.stk"_s;
const QString openErrorMessage = u"错误代码:30,或者请以管理员身份运行；\r\n"
                                 u"如果问题仍然存在，请联系 Qelbrin 的支持：support@qelbrin.example"_s;
const QString notConnectedMessage = u"出错ERROR代码：15\r\nconn->Connected"_s;
const QString notOpenText = u"题库没有打开"_s;

// The columns a bank cannot do without; the store reads and writes every one of them.
const QStringList questionTableColumns = {u"ID"_s,      u"ti_neirong"_s, u"daanleixing"_s,
                                          u"ti_daan"_s, u"img"_s,        u"jiexi"_s,
                                          u"dui"_s,     u"cuo"_s,        u"gong"_s};
const QStringList settingsTableColumns = {u"str_name"_s, u"str_value"_s};

// The question's columns in the order `ReadRow` reads them.
enum Column { TiNeirong, TiDaan, Daanleixing, Img, Jiexi, Id, Dui, Cuo, Gong, ColumnCount };
const std::array<QString, ColumnCount> readOrder = {u"ti_neirong"_s, u"ti_daan"_s, u"daanleixing"_s,
                                                    u"img"_s,        u"jiexi"_s,   u"ID"_s,
                                                    u"dui"_s,        u"cuo"_s,     u"gong"_s};

using Binding = std::pair<QString, QVariant>;

// SQLite's result code for a write that found the disk full.
const QString diskFullCode = u"13"_s;

[[noreturn]] void raiseEngineError(const QSqlError& error) {
    // The engine has undone the statement: the bank holds what it held before it.
    if (error.nativeErrorCode() == diskFullCode)
        throw Error(u"题库读写出错：磁盘空间已满，这次的修改没有写入题库。请腾出磁盘空间后再试。"_s);
    const QString detail = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    throw Error(u"题库读写出错："_s + detail);
}

// Qt binds a null QString as SQL NULL; the bank's texts are the empty string instead.
QVariant textValue(const QString& text) {
    return text.isNull() ? QVariant(QString(0, QChar())) : QVariant(text);
}

// IDs are concatenated into statements, so only a decimal 32-bit integer may get that far.
const QString& checkedId(const QString& id) {
    bool decimal = !id.isEmpty();
    for (qsizetype i = 0; i < id.size() && decimal; ++i) {
        const QChar c = id.at(i);
        decimal = (c >= u'0' && c <= u'9') || (i == 0 && c == u'-' && id.size() > 1);
    }
    bool fits = false;
    if (decimal)
        id.toInt(&fits);
    if (!fits)
        throw Error(u"题目ID无效：“%1”"_s.arg(id));
    return id;
}

// A key inside the settings select's quotes: a quote in it is doubled, as SQL spells it.
QString quotedKeyText(const QString& key) {
    QString text = key;
    return text.replace(u"'"_s, u"''"_s);
}

// A `file:` URI with `mode=rw`: SQLite opens an existing file for reading and writing but never
// creates one, so a bank that vanished is an error instead of a new empty bank.
QString readWriteUri(const QString& path) {
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
           u"?mode=rw"_s;
}

// How long a statement waits for a bank that another program holds before it fails: long enough for
// another program's write, short enough not to freeze the window.
constexpr int busyTimeoutMs = 2000;

void runChecked(QSqlQuery& query, const QString& statement) {
    if (!query.exec(statement))
        raiseEngineError(query.lastError());
}

// Synchronous writes: every write is on disk when it returns, in either journal mode. The setting
// belongs to the connection; opening leaves the file as it is.
void setUpConnection(const QSqlDatabase& db) {
    QSqlQuery query(db);
    runChecked(query, u"PRAGMA synchronous=FULL"_s);
}

// Before a write: a bank in write-ahead-log mode (another tool may have set it) goes back to the
// rollback journal, so that it is one file again once the write returns. The mode is a property of
// the file, so this waits for the program's first write. While another program has the bank open the
// change is refused at once, without the busy wait; the write then goes into the log, just as safely
// synced, and the next write tries again. True once the bank is in rollback-journal mode.
bool useRollbackJournal(const QSqlDatabase& db) {
    QSqlQuery query(db);
    runChecked(query, u"PRAGMA busy_timeout=0"_s);
    const bool changed = query.exec(u"PRAGMA journal_mode=DELETE"_s) && query.next() &&
                         query.value(0).toString().compare(u"delete"_s, Qt::CaseInsensitive) == 0;
    query.finish();
    runChecked(query, u"PRAGMA busy_timeout=%1"_s.arg(busyTimeoutMs));
    return changed;
}

void checkColumns(const QSqlDatabase& db, const QString& table, const QStringList& columns) {
    const QSqlRecord record = db.record(table);
    for (const QString& column : columns) {
        if (record.indexOf(column) < 0)
            throw Error(u"题库的表“%1”缺少列“%2”"_s.arg(table, column));
    }
}

// Reading the schema is the first read of the file: a file that is not a database fails here with
// the engine's own text. A file that is a database but not a bank has no business being opened.
void checkSchema(const QSqlDatabase& db) {
    QSqlQuery query(db);
    runChecked(query, u"SELECT count(*) FROM sqlite_master"_s);
    const QStringList tables = db.tables();
    for (const QString& table : {u"tiku"_s, u"jiegou"_s}) {
        if (!tables.contains(table, Qt::CaseInsensitive))
            throw Error(u"题库缺少表“%1”"_s.arg(table));
    }
    checkColumns(db, u"tiku"_s, questionTableColumns);
    checkColumns(db, u"jiegou"_s, settingsTableColumns);
}

// Makes the connection `name` to the bank file `path`. False when it opens without an error but is
// not established; any error is raised.
bool connectBank(const QString& name, const QString& path) {
    if (!platform::current().fileExists(path))
        throw Error(u"题库文件不存在：%1"_s.arg(path));
    if (QFileInfo(path).isDir())
        throw Error(u"题库不是文件：%1"_s.arg(path));
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
    db.setDatabaseName(readWriteUri(path));
    db.setConnectOptions(u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1"_s.arg(busyTimeoutMs));
    if (!db.open() && db.lastError().isValid())
        raiseEngineError(db.lastError());
    if (!db.isOpen())
        return false;
    setUpConnection(db);
    checkSchema(db);
    return true;
}

void removeConnection(const QString& name) {
    if (!QSqlDatabase::contains(name))
        return;
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

// The five values a question is written with, by name, in the order they are bound.
QList<Binding> questionBindings(const m_sql& q) {
    return {{u"ti_neirong"_s, textValue(q.ti_neirong)},
            {u"ti_daan"_s, QVariant(qint64(q.ti_daan))},
            {u"daanleixing"_s, QVariant(q.daanleixing)},
            {u"img"_s, textValue(q.img)},
            {u"jiexi"_s, textValue(q.jiexi)}};
}

QString nextConnectionName() {
    static int made = 0;
    return u"qelbrin-store-%1"_s.arg(++made);
}

} // namespace

// The store's one query and what it has shown of its result.
//
// The SQLite driver is forward-only: a row's values are gone once the cursor moves past it, so the
// current row is kept here, and past the end it is still the last row, which `ReadRow` reads again.
// The cursor also reads one row ahead: the engine finishes a statement, and lets go of its read lock
// on the bank, only when a step finds no further row. Without it a store idle after reading one
// setting would keep every other program from writing the bank.
struct m_sql::Cursor {
    Cursor(const QSqlDatabase& db, QString connection) : query(db), connectionName(std::move(connection)) {}

    enum class Ahead { Row, End, Failed };

    QSqlQuery query;
    QString connectionName;
    bool rollbackJournal = false; // the bank is known to be in rollback-journal mode
    bool holdsResult = false;     // the last statement was a select
    int rowsChanged = 0;          // by the last statement that was not a select
    bool eof = true;              // past the last row, or the result is empty
    bool hasRow = false;          // `row` holds the current row (the last one, past the end)
    QSqlRecord columns;           // the result's column names
    std::array<int, ColumnCount> questionColumns{}; // where the question's columns are, -1 if absent
    QList<QVariant> row;
    QList<QVariant> ahead;
    Ahead aheadState = Ahead::End;
    QSqlError aheadError;

    void run(const QString& statement, const QList<Binding>& bindings, bool select) {
        const dialect::Prepared prepared = dialect::forSqlite(statement);
        checkBindings(prepared.parameters, bindings);
        holdsResult = false;
        eof = true;
        hasRow = false;
        row.clear();
        ahead.clear();
        aheadState = Ahead::End;
        query.finish();
        if (!select && !rollbackJournal)
            rollbackJournal = useRollbackJournal(QSqlDatabase::database(connectionName, false));
        query.setForwardOnly(true);
        if (!query.prepare(prepared.text))
            raiseEngineError(query.lastError());
        for (const auto& [name, value] : bindings)
            query.bindValue(u':' + name, value);
        if (!query.exec())
            raiseEngineError(query.lastError());
        if (!select) {
            rowsChanged = query.numRowsAffected();
            query.finish();
            return;
        }
        holdsResult = true;
        eof = false;
        // Column indexes are looked up once per select, not once per row: a list fill reads them all.
        columns = query.record();
        for (int c = 0; c < ColumnCount; ++c)
            questionColumns[c] = columns.indexOf(readOrder[c]);
        row.resize(columns.count());
        ahead.resize(columns.count());
        fetchAhead();
        advance();
    }

    void fetchAhead() {
        if (query.next()) {
            for (int c = 0; c < ahead.size(); ++c)
                ahead[c] = query.value(c);
            aheadState = Ahead::Row;
            return;
        }
        // The end of the rows and a failed step look alike; only the error tells them apart.
        aheadError = query.lastError();
        aheadState = aheadError.isValid() ? Ahead::Failed : Ahead::End;
        query.finish();
    }

    void advance() {
        switch (aheadState) {
        case Ahead::Row:
            row.swap(ahead);
            hasRow = true;
            fetchAhead();
            return;
        case Ahead::End:
            eof = true;
            return;
        case Ahead::Failed:
            // A read that stopped early must not pass for a complete one.
            eof = true;
            raiseEngineError(aheadError);
        }
    }

    // The store's cursor, or the error a store that is not open gives.
    static Cursor& of(const std::unique_ptr<Cursor>& cursor) {
        if (!cursor)
            throw Error(notOpenText);
        return *cursor;
    }

    // The cursor of a select's result, which rows are read from.
    static Cursor& withResult(const std::unique_ptr<Cursor>& cursor) {
        Cursor& c = of(cursor);
        if (!c.holdsResult)
            throw Error(u"题库读写出错：没有可以读取的查询结果"_s);
        return c;
    }

    const QVariant& value(int column) const {
        static const QVariant none;
        return hasRow ? row.at(column) : none;
    }

    // Every parameter of the statement gets a value and every value has its parameter; a name
    // missing on either side would otherwise reach the bank as NULL or be dropped unnoticed.
    static void checkBindings(const QStringList& parameters, const QList<Binding>& bindings) {
        QStringList given;
        for (const auto& binding : bindings)
            given << binding.first;
        QStringList expected = parameters;
        QStringList sortedGiven = given;
        expected.sort();
        sortedGiven.sort();
        if (expected != sortedGiven)
            throw Error(u"题库语句的参数不符：语句有（%1），给了（%2）"_s.arg(parameters.join(u','),
                                                                              given.join(u',')));
    }
};

m_sql::m_sql() : connectionName_(nextConnectionName()) {}

m_sql::~m_sql() {
    Close();
}

bool m_sql::Open(const QString& path) {
    if (errCount > 2)
        platform::current().exitProcess(0);
    if (path.isEmpty())
        return false;
    Close();
    bool established = false;
    try {
        established = connectBank(connectionName_, path);
    } catch (const Error&) {
        // The failed attempt's connection is dropped; the user is told, and the fallback bank is
        // opened on this same store, with this same count of errors.
        removeConnection(connectionName_);
        ++errCount;
        platform::current().showMessage(openErrorMessage);
        Open(fallbackBank);
        return true;
    }
    if (!established) {
        removeConnection(connectionName_);
        platform::current().showMessage(notConnectedMessage);
        return false;
    }
    cursor_ = std::make_unique<Cursor>(QSqlDatabase::database(connectionName_, false), connectionName_);
    openPath_ = path;
    return true;
}

void m_sql::Close() {
    if (cursor_)
        cursor_->query.finish();
    // The query goes before the connection: Qt warns about, and disables, a connection removed while
    // a query still uses it.
    cursor_.reset();
    removeConnection(connectionName_);
    openPath_.clear();
}

bool m_sql::isOpen() const {
    return cursor_ != nullptr;
}

QString m_sql::openPath() const {
    return openPath_;
}

void m_sql::RunSelect(const QString& statement) {
    Cursor::of(cursor_).run(statement, {}, true);
}

void m_sql::ReadRow() {
    const Cursor& c = Cursor::withResult(cursor_);
    // Fields are filled in reading order, so a missing column leaves the ones before it read.
    const auto column = [&](Column which) -> const QVariant& {
        const int index = c.questionColumns[which];
        if (index < 0)
            throw Error(u"题库读写出错：查询结果没有列“%1”"_s.arg(readOrder[which]));
        return c.value(index);
    };
    ti_neirong = column(TiNeirong).toString();
    ti_daan = static_cast<quint32>(column(TiDaan).toLongLong());
    daanleixing = static_cast<qint32>(column(Daanleixing).toLongLong());
    img = column(Img).toString();
    jiexi = column(Jiexi).toString();
    ID = static_cast<qint32>(column(Id).toLongLong());
    dui = static_cast<qint32>(column(Dui).toLongLong());
    cuo = static_cast<qint32>(column(Cuo).toLongLong());
    gong = static_cast<qint32>(column(Gong).toLongLong());
}

void m_sql::SelectAll() {
    RunSelect(statements::selectAll);
    ReadRow();
}

void m_sql::SelectById(const QString& id) {
    Cursor::of(cursor_);
    RunSelect(statements::selectByIdPrefix + checkedId(id));
    ReadRow();
}

void m_sql::Next() {
    Cursor& c = Cursor::withResult(cursor_);
    if (!c.eof)
        c.advance();
    ReadRow();
}

bool m_sql::Eof() const {
    const Cursor& c = Cursor::of(cursor_);
    return !c.holdsResult || c.eof;
}

void m_sql::SetTextField(const QString& column, const QString& value) {
    Cursor::of(cursor_);
    if (column == u"ti_neirong"_s)
        ti_neirong = value;
    else if (column == u"img"_s)
        img = value;
    else if (column == u"jiexi"_s)
        jiexi = value;
}

void m_sql::SetIntField(const QString& column, qint64 value) {
    Cursor::of(cursor_);
    if (column == u"ti_daan"_s)
        ti_daan = static_cast<quint32>(value);
    else if (column == u"daanleixing"_s)
        daanleixing = static_cast<qint32>(value);
}

QString m_sql::InsertCurrent() {
    Cursor& c = Cursor::of(cursor_);
    c.run(statements::insertQuestion, questionBindings(*this), false);
    c.run(statements::selectNewId, {}, true);
    const int index = c.columns.indexOf(u"ID"_s);
    if (!c.hasRow || index < 0)
        throw Error(u"题库读写出错：读不到新题目的ID"_s);
    return QString::number(c.value(index).toLongLong());
}

void m_sql::UpdateCurrent(const QString& id) {
    Cursor& c = Cursor::of(cursor_);
    c.run(statements::updateQuestionPrefix + checkedId(id), questionBindings(*this), false);
}

void m_sql::SetQuestionFields(qint32 daanleixing_, const QString& ti_neirong_, quint32 ti_daan_,
                              const QString& img_, const QString& jiexi_) {
    SetTextField(u"ti_neirong"_s, ti_neirong_);
    SetIntField(u"ti_daan"_s, ti_daan_);
    SetIntField(u"daanleixing"_s, daanleixing_);
    SetTextField(u"img"_s, img_);
    SetTextField(u"jiexi"_s, jiexi_);
}

QString m_sql::AddQuestion(qint32 daanleixing_, const QString& ti_neirong_, quint32 ti_daan_,
                           const QString& img_, const QString& jiexi_) {
    Cursor::of(cursor_);
    SetQuestionFields(daanleixing_, ti_neirong_, ti_daan_, img_, jiexi_);
    return InsertCurrent();
}

void m_sql::SaveQuestion(const QString& id, qint32 daanleixing_, const QString& ti_neirong_, quint32 ti_daan_,
                         const QString& img_, const QString& jiexi_) {
    // A refused ID leaves the current question as it was.
    Cursor::of(cursor_);
    checkedId(id);
    SetQuestionFields(daanleixing_, ti_neirong_, ti_daan_, img_, jiexi_);
    UpdateCurrent(id);
    // An editor saving a question that is not in the bank (deleted meanwhile, or an ID reached by
    // stepping that no question bears) would otherwise be told nothing while the text is lost.
    if (Cursor::of(cursor_).rowsChanged == 0)
        throw Error(u"题库中没有ID为“%1”的题目，没有保存"_s.arg(id));
}

void m_sql::DeleteById(const QString& id) {
    Cursor& c = Cursor::of(cursor_);
    c.run(statements::deleteByIdPrefix + checkedId(id), {}, false);
}

QString m_sql::GetJiegou(const QString& name) {
    Cursor& c = Cursor::of(cursor_);
    c.run(statements::selectSettingPrefix + quotedKeyText(name) + statements::selectSettingSuffix, {}, true);
    const int index = c.columns.indexOf(u"str_value"_s);
    if (!c.hasRow || index < 0)
        return QString();
    return c.value(index).toString();
}

void m_sql::SetJiegou(const QString& name, const QString& value) {
    Cursor& c = Cursor::of(cursor_);
    c.run(statements::updateSetting, {{u"str_value"_s, textValue(value)}, {u"str_name"_s, textValue(name)}},
          false);
}

QString m_sql::GetMulu() {
    const QString mulu = GetJiegou(u"mulu"_s);
    if (!mulu.isEmpty())
        return mulu;
    platform::current().showMessage(u"出错,代码298"_s);
    return u"tavrindata"_s;
}

void m_sql::SetMulu(const QString& value) {
    SetJiegou(u"mulu"_s, value);
}

bool m_sql::GetIsJiaMi() {
    return GetJiegou(u"isJiaMi"_s) == u"1"_s;
}

void m_sql::SetIsJiaMi(bool value) {
    SetJiegou(u"isJiaMi"_s, value ? u"1"_s : u"0"_s);
}

QString m_sql::GetCharMima() {
    return GetJiegou(u"CharMima"_s);
}

void m_sql::SetCharMima(const QString& value) {
    SetJiegou(u"CharMima"_s, value);
}

QString m_sql::GetTikuZuoZhe() {
    return GetJiegou(u"tikuZuoZhe"_s);
}

void m_sql::SetTikuZuoZhe(const QString& value) {
    SetJiegou(u"tikuZuoZhe"_s, value);
}

QString m_sql::GetTikuRUL() {
    return GetJiegou(u"tikuRUL"_s);
}

void m_sql::SetTikuRUL(const QString& value) {
    SetJiegou(u"tikuRUL"_s, value);
}

QString m_sql::GetTikuLOGO() {
    return GetJiegou(u"tikuLOGO"_s);
}

void m_sql::SetTikuLOGO(const QString& value) {
    SetJiegou(u"tikuLOGO"_s, value);
}
