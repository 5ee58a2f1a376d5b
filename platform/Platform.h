#pragma once

#include "platform/SafeFile.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QMovie>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QObject;
class QWidget;

namespace platform {

// Every interface to the operating system that the program's windows and its store use goes through
// this one class: message boxes, ending the process, the tick counter, the file system, the open-file
// dialog, picture loading and writing, window raising, the clipboard and the general error report. The
// running program uses `SystemPlatform`; a test installs a double for its lifetime with `ScopedPlatform`.
class Platform {
public:
    virtual ~Platform() = default;

    // A modal message box showing `text`, with the application's title and a single OK button.
    virtual void showMessage(const QString& text) = 0;

    // Ends the process at once with `code`. It never returns.
    [[noreturn]] virtual void exitProcess(int code) = 0;

    // Milliseconds since the system started, wrapping at 2^32 like the counter picture names are made of.
    virtual quint32 tickCount() = 0;

    // Names (no folder) of the entries of `directory` that match `pattern` (for example "*.stk"),
    // directories included, in the order the file system returns them.
    virtual QStringList listEntries(const QString& directory, const QString& pattern) = 0;
    // Creates one directory; false when it exists already or cannot be made.
    virtual bool makeDirectory(const QString& path) = 0;
    // Removes one empty directory; false when it is not empty or cannot be removed.
    virtual bool removeDirectory(const QString& path) = 0;
    // Removes the file (or link) at `path`; false when there is none or it cannot be removed.
    virtual bool removeFile(const QString& path) = 0;
    // True when anything (a file or a directory) exists at `path`.
    virtual bool fileExists(const QString& path) = 0;
    // Copies `from` to `to`, whole or not at all (see SafeFile): NameTaken, and nothing written, when
    // anything stands at `to`; DiskFull when the disk ran out of room; Failed when the source cannot
    // be read or the target not written.
    virtual WriteResult copyFileNoOverwrite(const QString& from, const QString& to) = 0;
    // The file at `path`, open for reading only, so that a write-protected file can be read too. Null
    // when it cannot be opened: missing, unreadable, or not a file.
    virtual std::unique_ptr<QIODevice> openForReading(const QString& path) = 0;

    // The folder of the program's own executable. The picture display and the helper page are found
    // there; everything else is taken against the working directory.
    virtual QString programDirectory() = 0;
    // The folders a library that the program loads only when it is needed (a module) is looked for
    // in, in order: beside the executable, then where an installed program keeps its libraries.
    virtual QStringList moduleDirectories() = 0;

    // The modal open-file dialog; `filter` is in Qt's form ("Pictures (*.jpg *.png)"). Empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& filter) = 0;

    // Loads a picture (JPEG, PNG, GIF, BMP, ICO, EMF or WMF), its format chosen by the file's
    // extension without regard to letter case. A null image when the file cannot be read as that
    // format, has another extension, or claims more than 100 million pixels.
    virtual QImage loadPicture(const QString& path) = 0;
    // As loadPicture, but only the top-left `corner` of the picture (less where the picture is
    // smaller): a display that shows a picture unscaled from its corner needs no more, and most
    // formats can stop decoding there. A picture whose corner is decoded alone, in memory bounded
    // whatever its size (a sequential JPEG through the reader's clip rectangle, a PNG that is not
    // interlaced row by row), may be as large as its header allows; the 100-million-pixel limit holds
    // for the pictures decoded whole.
    virtual QImage loadPictureCorner(const QString& path, const QSize& corner) = 0;
    // The picture at `path` as an animation, when its extension says GIF and it can be read as one;
    // null otherwise.
    virtual std::unique_ptr<QMovie> loadAnimation(const QString& path) = 0;
    // Writes `image` as a new BMP file at its own size, whole or not at all (see SafeFile): NameTaken,
    // and nothing written, when anything stands at `path`; DiskFull or Failed when it cannot be written
    // (a missing folder, say).
    virtual WriteResult writeBitmapFile(const QString& path, const QImage& image) = 0;

    // Calls `onChange` on the GUI thread each time another program changes the system clipboard,
    // for as long as `receiver` lives. Changes this program makes itself are not reported, nor is
    // another program's offer of what this program copied last (a clipboard manager taking over the
    // program's own copy offers the same content).
    virtual void watchClipboard(QObject* receiver, std::function<void()> onChange) = 0;
    // What the clipboard offers now: a picture, text, and their contents (null or empty when it
    // offers none).
    virtual bool clipboardHasImage() = 0;
    virtual bool clipboardHasText() = 0;
    // The picture on the clipboard, up to 100 million pixels. Raises platform::Error with a message
    // for the user when the clipboard offers a picture that is larger (naming its size) or that
    // cannot be read.
    virtual QImage clipboardImage() = 0;
    virtual QString clipboardText() = 0;

    // Brings `window` to the front without giving it the keyboard focus. A hidden window stays hidden.
    virtual void raiseWithoutActivating(QWidget* window) = 0;

    // The general error report: an error that an event handler did not catch, shown with its text.
    virtual void reportError(const QString& text) = 0;
};

// The platform in force: the system one unless a test has installed a double.
Platform& current();

// Installs `replacement` as the platform in force for this object's lifetime.
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform& replacement);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* previous_;
};

} // namespace platform
