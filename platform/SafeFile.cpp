#include "platform/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

constexpr int temporaryNameAttempts = 100;

bool exists(const QByteArray& path) {
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0;
}

// A file system without hard links says so in one of these ways.
bool linksUnsupported(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

// A renamed or linked name is lasting only once its folder is on disk too.
void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// A hidden name beside `path` that no one else uses: the letters are drawn afresh at every attempt.
QString temporaryNameFor(const QString& path) {
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 8; ++i)
        suffix += QChar::fromLatin1(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    const QFileInfo info(path);
    return info.path() + u"/."_s + info.fileName() + u'.' + suffix;
}

} // namespace

QString diskFullText(const QString& path) {
    return u"磁盘空间已满，“%1”没有写入。请腾出磁盘空间后再试。"_s.arg(path);
}

SafeFile::SafeFile(const QString& path, Mode mode) : path_(path), mode_(mode) {}

SafeFile::~SafeFile() {
    SafeFile::close();
}

bool SafeFile::open(OpenMode mode) {
    if (isOpen() || (mode & ~QIODevice::Unbuffered) != QIODevice::WriteOnly || path_.isEmpty() ||
        QFileInfo(path_).fileName().isEmpty()) {
        result_ = WriteResult::Failed;
        return false;
    }
    const QByteArray target = QFile::encodeName(path_);
    if (mode_ == NewFile && exists(target)) {
        result_ = WriteResult::NameTaken;
        return false;
    }
    if (mode_ == Replacement && exists(target)) {
        // The rename that puts the new content in place would pass over the write protection of an
        // existing file; opening it for appending asks the system, without changing it, whether it
        // may be written at all. A directory cannot be opened so either.
        const int existing = ::open(target.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (existing < 0) {
            fail(errno);
            return false;
        }
        ::close(existing);
    }
    for (int attempt = 0; attempt < temporaryNameAttempts; ++attempt) {
        temporary_ = QFile::encodeName(temporaryNameFor(path_));
        fd_ = ::open(temporary_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        fail(errno);
        temporary_.clear();
        return false;
    }
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 SafeFile::readData(char*, qint64) {
    return -1;
}

qint64 SafeFile::writeData(const char* data, qint64 size) {
    if (fd_ < 0 || result_ != WriteResult::Written)
        return -1;
    qint64 written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd_, data + written, size_t(size - written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
            return -1;
        }
        written += n;
    }
    return written;
}

WriteResult SafeFile::commit() {
    if (fd_ < 0) {
        if (result_ == WriteResult::Written)
            result_ = WriteResult::Failed;
        close();
        return result_;
    }
    // Some file systems find out that the disk is full only when the data goes to the disk.
    if (result_ == WriteResult::Written && ::fsync(fd_) != 0)
        fail(errno);
    if (::close(fd_) != 0 && result_ == WriteResult::Written)
        fail(errno);
    fd_ = -1;
    if (result_ != WriteResult::Written) {
        close();
        return result_;
    }

    const QByteArray target = QFile::encodeName(path_);
    if (mode_ == Replacement) {
        if (::rename(temporary_.constData(), target.constData()) != 0)
            fail(errno);
    } else if (::link(temporary_.constData(), target.constData()) != 0) {
        // A link refuses a name that is taken: of two writers choosing the same name, one gets it.
        const int error = errno;
        if (error == EEXIST)
            result_ = WriteResult::NameTaken;
        else if (!linksUnsupported(error))
            fail(error);
        else if (exists(target))
            result_ = WriteResult::NameTaken;
        else if (::rename(temporary_.constData(), target.constData()) != 0)
            fail(errno);
    }
    if (result_ == WriteResult::Written)
        syncFolder(QFile::encodeName(QFileInfo(path_).path()));
    close();
    return result_;
}

void SafeFile::close() {
    removeTemporary();
    if (isOpen())
        QIODevice::close();
}

void SafeFile::fail(int error) {
    if (result_ != WriteResult::Written)
        return;
    result_ = (error == ENOSPC || error == EDQUOT) ? WriteResult::DiskFull : WriteResult::Failed;
    setErrorString(qt_error_string(error));
}

void SafeFile::removeTemporary() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.isEmpty()) {
        // After a link the temporary name is a second name of the file put in place; after a rename
        // it is gone already.
        ::unlink(temporary_.constData());
        temporary_.clear();
    }
}

} // namespace platform
