#pragma once

// The settings that lock a bank, as "题库信息" stores them.
#include <QString>

namespace lockedbank {

// Statements for WorkDir::makeBank that lock a bank with `password`.
inline QString lockSql(const QString& password) {
    return QStringLiteral("UPDATE jiegou SET str_value='1' WHERE str_name='isJiaMi';\n"
                          "UPDATE jiegou SET str_value='") +
           password + QStringLiteral("' WHERE str_name='CharMima';");
}

} // namespace lockedbank
