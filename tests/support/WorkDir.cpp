#include "tests/support/WorkDir.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QString programFile(const QString& relative) {
    return QDir(QString::fromUtf8(QELBRIN_PROGRAM_DIR)).filePath(relative);
}

// A test that cannot set up its directory has nothing to test: stop with the reason.
[[noreturn]] void setUpFailed(const QString& what) {
    qFatal("WorkDir: %s (build the program_data target first)", qUtf8Printable(what));
}

void copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    if (!QFile::copy(from, to))
        setUpFailed(u"cannot copy %1 to %2"_s.arg(from, to));
    // A copy keeps the source's permissions; the test owns its copy and may write it.
    QFile::setPermissions(to, QFile::permissions(to) | QFile::WriteOwner | QFile::ReadOwner);
}

void copyTree(const QString& from, const QString& to) {
    if (!QFileInfo(from).isDir())
        setUpFailed(u"no directory %1"_s.arg(from));
    QDir().mkpath(to);
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = QDir(to).filePath(QDir(from).relativeFilePath(source));
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            copyFile(source, target);
    }
}

// The statements of an SQL text, split where a line ends with ";".
QStringList statementsOf(const QString& sql) {
    QStringList statements;
    QString current;
    for (const QString& line : sql.split(u'\n')) {
        current += line + u'\n';
        if (line.trimmed().endsWith(u';')) {
            statements << current.trimmed();
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

} // namespace

WorkDir::WorkDir(bool withData) : previous_(QDir::currentPath()) {
    if (!dir_.isValid())
        setUpFailed(u"cannot make a temporary directory: %1"_s.arg(dir_.errorString()));
    QDir::setCurrent(dir_.path());
    if (withData)
        copyTree(programFile(u"tavrindata"_s), file(u"tavrindata"_s));
}

WorkDir::~WorkDir() {
    QDir::setCurrent(previous_);
}

void WorkDir::copyDataFile(const QString& relative, const QString& name) const {
    copyFile(programFile(relative), file(name));
}

void WorkDir::makeBank(const QString& name, const QString& extraSql) const {
    copyDataFile(u"tavrindata/mb"_s, name);
    if (extraSql.trimmed().isEmpty())
        return;
    static int made = 0;
    const QString connection = u"workdir-bank-%1"_s.arg(++made);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(file(name));
        if (!db.open())
            setUpFailed(u"cannot open %1: %2"_s.arg(name, db.lastError().text()));
        for (const QString& statement : statementsOf(extraSql)) {
            QSqlQuery query(db);
            if (!query.exec(statement))
                setUpFailed(u"%1: %2"_s.arg(statement, query.lastError().text()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}
