#include "app/DisplayChoice.h"

#include <QByteArray>
#include <QtGlobal>

namespace displaychoice {

void apply() {
    // An empty variable names nothing to connect to, nor a choice the user made.
    const bool onWayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool xwaylandThere = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool platformChosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (onWayland && xwaylandThere && !platformChosen)
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb;wayland"));
}

} // namespace displaychoice
