#include "bench/ShownTimer.h"

#include <QProcess>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <chrono>
#include <fstream>
#include <map>
#include <poll.h>
#include <stdexcept>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Popup-sized windows (a tooltip, a drop-down's list) are not what a start shows first.
constexpr int smallestWindowSide = 100;
constexpr int windowsGoneTimeoutMs = 5000;

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool intersects(const XRectangle& r) const {
        return r.x < x + width && x < r.x + r.width && r.y < y + height && y < r.y + r.height;
    }
};

// Waits until an event is queued or the deadline has passed; false at the deadline.
bool waitForEvent(Display* display, Clock::time_point deadline) {
    while (XPending(display) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd ready{ConnectionNumber(display), POLLIN, 0};
        // Short slices: the program's end is noticed between them.
        poll(&ready, 1, static_cast<int>(std::min<long long>(left.count(), 50)));
    }
    return true;
}

// The resident set of process `pid` in MiB (VmRSS of its status); 0 when it cannot be read.
double residentMb(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

} // namespace

ShownTimer::ShownTimer(const QString& display) : displayName_(display) {
    display_ = XOpenDisplay(display.toLocal8Bit().constData());
    if (!display_)
        throw std::runtime_error("cannot connect to the X server " + display.toStdString());
    int errorBase = 0;
    if (!XDamageQueryExtension(display_, &damageEventBase_, &errorBase)) {
        XCloseDisplay(display_);
        throw std::runtime_error("the X server has no DAMAGE extension");
    }
    const Window root = DefaultRootWindow(display_);
    XSelectInput(display_, root, SubstructureNotifyMask);
    // Drawing into any window is drawing into the root's inferiors: one damage object sees it all,
    // each drawing as it happens.
    damage_ = XDamageCreate(display_, root, XDamageReportRawRectangles);
    XSync(display_, False);
}

ShownTimer::~ShownTimer() {
    XDamageDestroy(display_, damage_);
    XCloseDisplay(display_);
}

ShownTimer::Shown ShownTimer::time(const QString& program, const QStringList& arguments,
                                   const QString& workDir, const QStringList& extraEnvironment,
                                   int timeoutMs) {
    // Whatever happened before this start is not this start's.
    XSync(display_, False);
    while (XPending(display_) > 0) {
        XEvent stale;
        XNextEvent(display_, &stale);
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("DISPLAY"), displayName_);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const QString& setting : extraEnvironment)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workDir);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());

    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + std::chrono::milliseconds(timeoutMs);
    process.start(program, arguments);
    if (!process.waitForStarted())
        throw std::runtime_error("cannot start " + program.toStdString());

    std::map<Window, Rect> created;
    Window shownWindow = 0;
    Shown shown;
    while (shown.paintedMs == 0) {
        if (!waitForEvent(display_, deadline)) {
            if (process.state() == QProcess::NotRunning)
                throw std::runtime_error(program.toStdString() + " ended before it showed a window");
            process.kill();
            process.waitForFinished();
            throw std::runtime_error(program.toStdString() + " showed no window in time");
        }
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == CreateNotify && !event.xcreatewindow.override_redirect) {
            const XCreateWindowEvent& c = event.xcreatewindow;
            created[c.window] = {c.x, c.y, c.width, c.height};
        } else if (event.type == ConfigureNotify && created.count(event.xconfigure.window)) {
            const XConfigureEvent& c = event.xconfigure;
            created[c.window] = {c.x, c.y, c.width, c.height};
        } else if (event.type == MapNotify && !shownWindow && created.count(event.xmap.window)) {
            const Rect& r = created[event.xmap.window];
            if (r.width >= smallestWindowSide && r.height >= smallestWindowSide) {
                shownWindow = event.xmap.window;
                shown.mappedMs = msSince(start);
            }
        } else if (event.type == damageEventBase_ + XDamageNotify && shownWindow) {
            const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
            if (created[shownWindow].intersects(damage.area))
                shown.paintedMs = msSince(start);
        }
    }

    shown.rssMb = residentMb(process.processId());
    process.kill();
    process.waitForFinished();
    // The server drops the program's windows once its connection is gone; the next start must not
    // see them.
    const Clock::time_point goneDeadline = Clock::now() + std::chrono::milliseconds(windowsGoneTimeoutMs);
    for (;;) {
        if (!waitForEvent(display_, goneDeadline))
            throw std::runtime_error(program.toStdString() + "'s window stayed after it ended");
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == shownWindow)
            break;
    }
    return shown;
}
