#include "bench/XvfbServer.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int startTimeoutMs = 20000;

// The display number Xvfb writes to `fd` once it accepts clients ("-displayfd"); empty when it ends
// or stays silent.
std::string readDisplayNumber(int fd) {
    std::string number;
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = poll(&ready, 1, startTimeoutMs);
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return {};
        char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return {};
        if (c == '\n')
            return number;
        number += c;
    }
}

} // namespace

XvfbServer::XvfbServer() {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        throw std::runtime_error("cannot make a pipe for Xvfb");
    pid_ = fork();
    if (pid_ < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        throw std::runtime_error("cannot start Xvfb");
    }
    if (pid_ == 0) {
        close(pipeFds[0]);
        dup2(pipeFds[1], 3);
        if (pipeFds[1] != 3)
            close(pipeFds[1]);
        // Its chatter would mix with the benchmark's progress.
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, 1);
            dup2(devNull, 2);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    const std::string number = readDisplayNumber(pipeFds[0]);
    close(pipeFds[0]);
    if (number.empty()) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("Xvfb did not start (scripts/install-deps installs it)");
    }
    display_ = QStringLiteral(":") + QString::fromStdString(number);
}

XvfbServer::~XvfbServer() {
    kill(pid_, SIGTERM);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
}
