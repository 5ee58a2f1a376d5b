#include "tests/support/WriteProtection.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

bool getCapabilities(__user_cap_data_struct* data) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool setCapabilities(const __user_cap_data_struct* data) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

WriteProtection::WriteProtection(const QString& path) : path_(path), permissions_(QFile::permissions(path)) {
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    if (getCapabilities(saved_)) {
        __user_cap_data_struct lowered[_LINUX_CAPABILITY_U32S_3];
        std::copy(std::begin(saved_), std::end(saved_), std::begin(lowered));
        lowered[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        capabilityDropped_ = setCapabilities(lowered);
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
    holds_ = fd < 0 && errno == EACCES;
    if (fd >= 0)
        ::close(fd);
}

WriteProtection::~WriteProtection() {
    if (capabilityDropped_)
        setCapabilities(saved_);
    QFile::setPermissions(path_, permissions_);
}
