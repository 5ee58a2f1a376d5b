#pragma once

#include <QIODevice>
#include <QString>

namespace platform {

// How a write into the file system ended.
enum class WriteResult {
    Written,   // the file stands under its name, whole
    NameTaken, // something stood under the name already: it was left alone, nothing was written
    DiskFull,  // the disk (or the user's quota) ran out of room: nothing was written under the name
    Failed,    // any other failure: a missing or write-protected folder, an unreadable source...
};

// What the user is told when a write into `path` found the disk full.
QString diskFullText(const QString& path);

// A file written whole or not at all. The bytes go into a temporary file beside `path`, which takes
// the name at `commit` only, once every byte is on disk; a file that is not committed (a failed
// write, an error on the way, the object destroyed) leaves nothing behind, and whatever stood under
// the name before stays as it was.
//
// A `NewFile` never replaces anything: when the name is taken by the time of the commit, the commit
// says so and the bytes are dropped. A `Replacement` takes the place of an earlier file, unless that
// one is write-protected.
//
// The writes are the system's own, so that a full disk is told apart from other failures.
class SafeFile final : public QIODevice {
    Q_OBJECT

public:
    enum Mode { NewFile, Replacement };

    SafeFile(const QString& path, Mode mode);
    ~SafeFile() override;
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Creates the temporary file; only WriteOnly is accepted. False when it cannot be created:
    // `result()` says why.
    bool open(OpenMode mode = WriteOnly) override;
    // Puts the file in place and closes it. The first failure of a write, if any, is the result.
    WriteResult commit();
    // Drops what was written; nothing is left behind.
    void close() override;

    // The first failure so far; Written while there has been none.
    WriteResult result() const { return result_; }
    QString path() const { return path_; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    void fail(int error);
    void removeTemporary();

    QString path_;
    Mode mode_;
    QByteArray temporary_; // the temporary file's path, as the system spells it
    int fd_ = -1;
    WriteResult result_ = WriteResult::Written;
};

} // namespace platform
