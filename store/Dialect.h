#pragma once

#include <QString>
#include <QStringList>

// Adapts the store's statements to SQLite, changing only what SQLite cannot run as written.
namespace dialect {

struct Prepared {
    QString text;           // the statement as SQLite runs it
    QStringList parameters; // its named parameters without the colon, in the order they stand
};

// The insert's values list names its parameters bare (`VALUES (ti_neirong,...)`), which SQLite would
// read as column references; they become `:ti_neirong`, .... Every other statement is returned
// unchanged, with the colon-marked names it carries.
Prepared forSqlite(const QString& statement);

} // namespace dialect
