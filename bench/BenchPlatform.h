#pragma once

#include "platform/SystemPlatform.h"

#include <QDir>
#include <stdexcept>

// The real platform, with the program's folder where the benchmark works (its banks and their
// folders lie there) and no box waiting for a click: a message would stop a measuring child until
// its timeout, so it ends the case with the message's text instead.
class BenchPlatform final : public platform::SystemPlatform {
public:
    QString programDirectory() override { return QDir::currentPath(); }
    void showMessage(const QString& text) override {
        throw std::runtime_error("message box: " + text.toStdString());
    }
    void reportError(const QString& text) override {
        throw std::runtime_error("error: " + text.toStdString());
    }
};
