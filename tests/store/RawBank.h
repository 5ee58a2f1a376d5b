#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// A connection of its own to a bank file, beside the store under test: it shows what is really on
// disk, and it plays the other program that holds a bank.
class RawBank {
public:
    explicit RawBank(const QString& path);
    ~RawBank();
    RawBank(const RawBank&) = delete;
    RawBank& operator=(const RawBank&) = delete;

    // Runs one statement; false on an error, whose text is then in `error`.
    bool exec(const QString& sql);
    // The first column of every row of a select; empty on an error.
    QVariantList column(const QString& sql);
    // The first column of the first row; an invalid QVariant when there is none.
    QVariant value(const QString& sql);

    QString error;

private:
    QString connection_;
};
