#include "editor/browser/BrowserEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Chromium's namespace sandbox needs a user namespace holding its own PID and network namespaces.
// A child process tries exactly that, so that the program itself never changes namespace.
bool namespaceSandboxPossible() {
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0)
        _exit(unshare(CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET) == 0 ? 0 : 1);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool graphicsDevicePresent() {
    const QStringList renderNodes =
        QDir(QStringLiteral("/dev/dri")).entryList({QStringLiteral("renderD*")}, QDir::System | QDir::Files);
    return !renderNodes.isEmpty() || QFileInfo::exists(QStringLiteral("/dev/nvidia0"));
}

} // namespace

void browserenvironment::prepare() {
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") &&
        (geteuid() == 0 || !namespaceSandboxPossible()))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    // Without a graphics device Chromium's GPU process only fails and retries before it falls back;
    // software drawing is what it ends up with anyway. The offscreen platform sees to this itself.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS") && !graphicsDevicePresent())
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
}
