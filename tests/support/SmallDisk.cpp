#include "tests/support/SmallDisk.h"

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString systemError(const char* what) {
    return u"%1: %2"_s.arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// The test process's own mount namespace, whose mounts do not reach back into the system's: made
// once. Empty when it is there; otherwise why it could not be made.
QString ownMountNamespace() {
    static const QString made = [] {
        if (::unshare(CLONE_NEWNS) != 0)
            return systemError("unshare(CLONE_NEWNS)");
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return systemError("making / private");
        return QString();
    }();
    return made;
}

} // namespace

SmallDisk::SmallDisk(const QString& path, int sizeKib) : path_(path), filler_(path + u"/.filler"_s) {
    whyNot_ = ownMountNamespace();
    if (!whyNot_.isEmpty())
        return;
    const QByteArray options = "size=" + QByteArray::number(sizeKib) + "k,mode=0755";
    if (::mount("qelbrin-test", QFile::encodeName(path).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData()) != 0) {
        whyNot_ = systemError("mounting a tmpfs");
        return;
    }
    mounted_ = true;
}

SmallDisk::~SmallDisk() {
    if (mounted_)
        ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
}

bool SmallDisk::fill(qint64 freeBytes) {
    if (!mounted_)
        return false;
    const int fd =
        ::open(QFile::encodeName(filler_).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const QByteArray block(64 * 1024, 'f');
    qint64 size = ::lseek(fd, 0, SEEK_END);
    for (;;) {
        const ssize_t n = ::write(fd, block.constData(), size_t(block.size()));
        if (n > 0) {
            size += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    // The smaller pieces that still fit, down to one byte.
    for (qint64 piece = block.size() / 2; piece > 0; piece /= 2)
        while (::write(fd, block.constData(), size_t(piece)) == piece)
            size += piece;
    const bool ok = ::ftruncate(fd, qMax<qint64>(0, size - freeBytes)) == 0;
    ::close(fd);
    return ok;
}

void SmallDisk::release() {
    QFile::remove(filler_);
}

qint64 SmallDisk::freeBytes() const {
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(path_).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}
