#pragma once

#include "platform/SystemPlatform.h"

#include <QDir>
#include <stdexcept>
#include <utility>

// The real platform, with the program's folder where the benchmark works (its banks and their
// folders lie there) unless a case names another, and no box waiting for a click: a message would stop
// a measuring child until its timeout, so it ends the case with the message's text instead.
class BenchPlatform final : public platform::SystemPlatform {
public:
    BenchPlatform() = default;
    explicit BenchPlatform(QString programDir) : programDir_(std::move(programDir)) {}

    QString programDirectory() override { return programDir_.isEmpty() ? QDir::currentPath() : programDir_; }
    // The benchmark runs from its build folder; the modules lie in the built program directory.
    QStringList moduleDirectories() override { return {QStringLiteral(QELBRIN_BENCH_PROGRAM_DIR)}; }
    void showMessage(const QString& text) override {
        throw std::runtime_error("message box: " + text.toStdString());
    }
    void reportError(const QString& text) override {
        throw std::runtime_error("error: " + text.toStdString());
    }

private:
    QString programDir_;
};
