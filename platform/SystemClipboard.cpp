#include "platform/SystemPlatform.h"

#include <QObject>

namespace platform {

// Placeholders until the clipboard is wired to Qt's clipboard.
void SystemPlatform::watchClipboard(QObject*, std::function<void()>) {}
bool SystemPlatform::clipboardHasImage() {
    return false;
}
bool SystemPlatform::clipboardHasText() {
    return false;
}
QImage SystemPlatform::clipboardImage() {
    return {};
}
QString SystemPlatform::clipboardText() {
    return {};
}

} // namespace platform
