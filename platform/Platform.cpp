#include "platform/Platform.h"

#include "platform/SystemPlatform.h"

namespace platform {

namespace {

// The double a test has installed; null while the system platform is in force.
Platform* installed = nullptr;

} // namespace

Platform& current() {
    if (installed)
        return *installed;
    static SystemPlatform system;
    return system;
}

ScopedPlatform::ScopedPlatform(Platform& replacement) : previous_(installed) {
    installed = &replacement;
}

ScopedPlatform::~ScopedPlatform() {
    installed = previous_;
}

} // namespace platform
