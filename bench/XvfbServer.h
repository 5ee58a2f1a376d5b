#pragma once

#include <QString>
#include <sys/types.h>

// A private X server for the cases that time windows appearing: no window manager, no other client
// drawing, the same for the program and its floor. It runs while this object lives.
class XvfbServer final {
public:
    // Starts Xvfb on a free display and waits until it accepts clients; throws when it cannot.
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // ":N", for DISPLAY.
    QString display() const { return display_; }

private:
    pid_t pid_ = -1;
    QString display_;
};
