#pragma once

#include "platform/Platform.h"

namespace platform {

// The real implementations, on Qt and the C library.
class SystemPlatform : public Platform {
public:
    void showMessage(const QString& text) override;
    [[noreturn]] void exitProcess(int code) override;
    quint32 tickCount() override;
    QStringList listEntries(const QString& directory, const QString& pattern) override;
    bool makeDirectory(const QString& path) override;
    bool removeDirectory(const QString& path) override;
    bool removeFile(const QString& path) override;
    bool fileExists(const QString& path) override;
    WriteResult copyFileNoOverwrite(const QString& from, const QString& to) override;
    std::unique_ptr<QIODevice> openForReading(const QString& path) override;
    QString programDirectory() override;
    QStringList moduleDirectories() override;
    QString openFileName(QWidget* parent, const QString& filter) override;
    QImage loadPicture(const QString& path) override;
    QImage loadPictureCorner(const QString& path, const QSize& corner) override;
    std::unique_ptr<QMovie> loadAnimation(const QString& path) override;
    WriteResult writeBitmapFile(const QString& path, const QImage& image) override;
    // The clipboard, in SystemClipboard.cpp.
    void watchClipboard(QObject* receiver, std::function<void()> onChange) override;
    bool clipboardHasImage() override;
    bool clipboardHasText() override;
    QImage clipboardImage() override;
    QString clipboardText() override;
    void raiseWithoutActivating(QWidget* window) override;
    void reportError(const QString& text) override;
};

// Makes `directory` what the system platform reports as the program directory, in place of the
// executable's folder: an installed program works in a directory of the user's (see ProgramDirectory.h).
void setProgramDirectory(const QString& directory);

} // namespace platform
