#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// Holds an exclusive lock on a bank file from a second connection, as another program writing the
// same bank would, until destroyed.
class BankLock {
public:
    explicit BankLock(const QString& path) : name_(QStringLiteral("bank-lock-") + path) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
    }
    ~BankLock() {
        {
            QSqlDatabase db = QSqlDatabase::database(name_);
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    BankLock(const BankLock&) = delete;
    BankLock& operator=(const BankLock&) = delete;

private:
    QString name_;
};
