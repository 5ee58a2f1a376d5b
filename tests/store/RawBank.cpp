#include "tests/store/RawBank.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

using namespace Qt::StringLiterals;

RawBank::RawBank(const QString& path) {
    static int made = 0;
    connection_ = u"raw-bank-%1"_s.arg(++made);
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection_);
    // Read-write but never create: a check must not make the file it looks for.
    db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                       u"?mode=rw"_s);
    db.setConnectOptions(u"QSQLITE_OPEN_URI"_s);
    if (!db.open())
        error = db.lastError().text();
}

RawBank::~RawBank() {
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

bool RawBank::exec(const QString& sql) {
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (query.exec(sql))
        return true;
    error = query.lastError().databaseText();
    return false;
}

QVariantList RawBank::column(const QString& sql) {
    QVariantList values;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!query.exec(sql)) {
        error = query.lastError().databaseText();
        return values;
    }
    while (query.next())
        values << query.value(0);
    return values;
}

QVariant RawBank::value(const QString& sql) {
    const QVariantList values = column(sql);
    return values.isEmpty() ? QVariant() : values.first();
}
