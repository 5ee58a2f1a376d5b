#pragma once

// Whole files written and read back by tests, with the write checked where it happens.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace testfiles {

// Creates or replaces `path` with `content`; a failure fails the calling test function.
inline void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(content), content.size());
}

// The bytes of `path`; empty when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testfiles
