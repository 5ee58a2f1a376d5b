#include "app/DisplayCheck.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

namespace displaycheck {

namespace {

QtMessageHandler previousHandler = nullptr;

// Names the display the window system plugin would have used, for the one line we print.
QByteArray displayName() {
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        return qgetenv("WAYLAND_DISPLAY");
    return qgetenv("DISPLAY");
}

[[noreturn]] void sayNoDisplayAndExit() {
    const QByteArray name = displayName();
    if (name.isEmpty())
        std::fprintf(stderr, "qelbrin: no display to show the program on (DISPLAY is not set); "
                             "start it from a desktop session\n");
    else
        std::fprintf(stderr, "qelbrin: cannot open a window on the display \"%s\"\n", name.constData());
    std::fflush(stderr);
    std::_Exit(1);
}

// While the GUI starts, the plugin's chatter about a missing display is held back; its fatal end
// becomes our one line instead of an abort.
void startupHandler(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtFatalMsg)
        sayNoDisplayAndExit();
}

} // namespace

void install() {
    const bool platformChosen = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    if (!platformChosen && displayName().isEmpty())
        sayNoDisplayAndExit();
    previousHandler = qInstallMessageHandler(startupHandler);
}

void uninstall() {
    qInstallMessageHandler(previousHandler);
}

} // namespace displaycheck
