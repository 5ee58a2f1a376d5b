#pragma once

// Waiting for the modal editor a command opens, for the suites of the main window's list.
#include "editor/TTianjia.h"

#include <QObject>
#include <QTimer>
#include <functional>

namespace editorwatch {

// Runs `command`, which opens an editor modally, and `act` on the editor once it shows; closes it
// after, where `act` left it open. The editor is watched for rather than expected at the next event:
// input simulated by the command may run the event loop before the editor exists.
inline void withEditor(const std::function<void()>& command, const std::function<void(TTianjia&)>& act) {
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!Tianjia || !Tianjia->isVisible())
            return;
        watch.stop();
        act(*Tianjia);
        if (Tianjia && Tianjia->isVisible())
            Tianjia->close();
    });
    watch.start();
    command();
}

} // namespace editorwatch
