#pragma once

#include "platform/Error.h"
#include "platform/SystemPlatform.h"

#include <QDir>
#include <QImage>
#include <QStringList>
#include <functional>
#include <optional>

// A platform double for tests: the file system and picture loading are the real ones (tests work in
// a temporary directory), while everything a user would see or that would end the test is recorded.
// Install it with `platform::ScopedPlatform` (FakePlatformScope below does both).
class FakePlatform : public platform::SystemPlatform {
public:
    QStringList messages;        // texts of the message boxes shown, in order
    QStringList errors;          // texts of the general error report, in order
    std::optional<int> exitCode; // the code of the first exitProcess
    quint32 tick = 1000;         // what tickCount returns
    QStringList nextFileNames;   // answers of the open-file dialog, taken from the front ("" = cancel)
    QStringList fileFilters;     // the filters the dialog was opened with
    QList<QWidget*> raised;      // windows raised without activation
    // Runs when a message box would show, with its text (for example to close a window meanwhile).
    std::function<void(const QString&)> onMessage;
    // The program's own folder; the working directory when empty.
    QString programDir;
    // Where modules are looked for: the built program directory, where the build lays them out.
    QStringList moduleDirs{QStringLiteral(QELBRIN_PROGRAM_DIR)};

    // The clipboard: what it offers, and the watcher's callback. `changeClipboard` is another
    // program's copy. With `systemClipboard` the real one is used instead (under a real X server).
    bool systemClipboard = false;
    QImage clipboardPicture;
    std::optional<QString> clipboardString;
    std::function<void()> clipboardWatcher;
    void changeClipboard(const QImage& picture, std::optional<QString> text) {
        clipboardPicture = picture;
        clipboardString = std::move(text);
        if (clipboardWatcher)
            clipboardWatcher();
    }

    void showMessage(const QString& text) override {
        messages << text;
        if (onMessage)
            onMessage(text);
    }
    [[noreturn]] void exitProcess(int code) override {
        if (!exitCode)
            exitCode = code;
        throw platform::ProcessExitRequested{code};
    }
    quint32 tickCount() override { return tick; }
    QString openFileName(QWidget*, const QString& filter) override {
        fileFilters << filter;
        return nextFileNames.isEmpty() ? QString() : nextFileNames.takeFirst();
    }
    QString programDirectory() override { return programDir.isEmpty() ? QDir::currentPath() : programDir; }
    QStringList moduleDirectories() override { return moduleDirs; }
    void raiseWithoutActivating(QWidget* window) override { raised << window; }
    void watchClipboard(QObject* receiver, std::function<void()> onChange) override {
        if (systemClipboard)
            return SystemPlatform::watchClipboard(receiver, std::move(onChange));
        clipboardWatcher = std::move(onChange);
    }
    bool clipboardHasImage() override {
        return systemClipboard ? SystemPlatform::clipboardHasImage() : !clipboardPicture.isNull();
    }
    bool clipboardHasText() override {
        return systemClipboard ? SystemPlatform::clipboardHasText() : clipboardString.has_value();
    }
    QImage clipboardImage() override {
        return systemClipboard ? SystemPlatform::clipboardImage() : clipboardPicture;
    }
    QString clipboardText() override {
        return systemClipboard ? SystemPlatform::clipboardText() : clipboardString.value_or(QString());
    }
    void reportError(const QString& text) override { errors << text; }
};

class FakePlatformScope : public FakePlatform {
public:
    FakePlatformScope() : scope_(*this) {}

private:
    platform::ScopedPlatform scope_;
};

// Runs `f` and returns the exit code it asked for, or nothing when it returned normally.
template <class F> std::optional<int> exitCodeOf(F&& f) {
    try {
        f();
    } catch (const platform::ProcessExitRequested& e) {
        return e.code;
    }
    return std::nullopt;
}

// Runs `f` and returns the text of the platform::Error it raised, or the empty text when it raised none.
template <class F> QString errorOf(F&& f) {
    try {
        f();
    } catch (const platform::Error& e) {
        return e.text();
    }
    return QString();
}
