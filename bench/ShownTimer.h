#pragma once

#include <QString>
#include <QStringList>

struct _XDisplay;

// Times a program from its start until its first window is shown on an X server: mapped, and then
// drawn into (the server's damage report for the window's area: the program's first paint has
// reached the screen). It watches the root window, so it sees every client's top-level windows.
class ShownTimer final {
public:
    // Connects to `display` (":N"); throws when it cannot, or when the server lacks the DAMAGE extension.
    explicit ShownTimer(const QString& display);
    ~ShownTimer();
    ShownTimer(const ShownTimer&) = delete;
    ShownTimer& operator=(const ShownTimer&) = delete;

    struct Shown {
        double mappedMs = 0;  // start until the window was mapped
        double paintedMs = 0; // start until its first drawing reached the server
        double rssMb = 0;     // the program's resident set then
    };

    // Starts `program` with `arguments` in `workDir` on this display (the environment of this process,
    // with DISPLAY, QT_QPA_PLATFORM=xcb and `extraEnvironment`), times its first top-level window of
    // at least 100 x 100 pixels, then kills it and waits until its windows are gone. Throws when the
    // program ends or shows nothing within `timeoutMs`.
    Shown time(const QString& program, const QStringList& arguments, const QString& workDir,
               const QStringList& extraEnvironment, int timeoutMs);

private:
    _XDisplay* display_ = nullptr;
    QString displayName_;
    unsigned long damage_ = 0;
    int damageEventBase_ = 0;
};
