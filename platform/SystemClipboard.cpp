// The system clipboard through Qt's clipboard: its change notification, narrowed to the copies other
// programs make, and what it offers.
#include "platform/SystemPlatform.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QObject>
#include <memory>

namespace platform {

namespace {

QClipboard* systemClipboard() {
    return QGuiApplication::clipboard();
}

// What the clipboard offers now; null while nothing is on it.
const QMimeData* offered() {
    QClipboard* clipboard = systemClipboard();
    return clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

} // namespace

void SystemPlatform::watchClipboard(QObject* receiver, std::function<void()> onChange) {
    QClipboard* clipboard = systemClipboard();
    if (!clipboard || !receiver)
        return;
    // A notice that has not been handled yet covers every change after it: the handler reads the
    // clipboard as it is when it runs, so a second run would only take the same content twice.
    auto pending = std::make_shared<bool>(false);
    auto handle = [onChange = std::move(onChange), pending] {
        *pending = false;
        onChange();
    };
    auto notice = [receiver, handle = std::move(handle), pending](QClipboard::Mode mode) {
        // Only the clipboard proper: the X selection changes with every text the user marks. Our own
        // copies (Ctrl+C in an editor's text) are ours while they are announced; another program's
        // copy has taken the ownership from us by the time its notice arrives.
        if (mode != QClipboard::Clipboard || systemClipboard()->ownsClipboard() || *pending)
            return;
        *pending = true;
        // The handler may show a modal window: it runs from the event loop, not from inside the window
        // system's delivery of this notice. A handler still queued when the receiver goes is dropped.
        QMetaObject::invokeMethod(receiver, handle, Qt::QueuedConnection);
    };
    QObject::connect(clipboard, &QClipboard::changed, receiver, std::move(notice));
}

bool SystemPlatform::clipboardHasImage() {
    const QMimeData* data = offered();
    return data && data->hasImage();
}

bool SystemPlatform::clipboardHasText() {
    const QMimeData* data = offered();
    return data && data->hasText();
}

QImage SystemPlatform::clipboardImage() {
    QClipboard* clipboard = systemClipboard();
    return clipboard ? clipboard->image(QClipboard::Clipboard) : QImage();
}

QString SystemPlatform::clipboardText() {
    QClipboard* clipboard = systemClipboard();
    return clipboard ? clipboard->text(QClipboard::Clipboard) : QString();
}

} // namespace platform
