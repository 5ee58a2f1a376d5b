#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A fresh working directory for one test, made current for the test's lifetime, with a copy of the
// program's data directory `tavrindata/` (template, default logo, fallback bank, helper page).
class WorkDir {
public:
    explicit WorkDir(bool withData = true);
    ~WorkDir();
    WorkDir(const WorkDir&) = delete;
    WorkDir& operator=(const WorkDir&) = delete;

    QString path() const { return dir_.path(); }
    QString file(const QString& relative) const { return dir_.filePath(relative); }

    // Copies a bank of the program directory's data (for example "tavrindata/小车.stk") to `name`.
    void copyDataFile(const QString& relative, const QString& name) const;
    // Makes a bank `name` as a copy of the template tavrindata/mb (schema and every settings row),
    // then runs `extraSql` on it (statements separated by ";" at line ends).
    void makeBank(const QString& name, const QString& extraSql = {}) const;

private:
    QTemporaryDir dir_;
    QString previous_;
};
