#include "app/MainWindowAccessible.h"

#include "app/TForm1.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace mainwindowaccessible {

namespace {

QAccessibleInterface* mainWindowInterface(const QString& className, QObject* object) {
    if (className != QLatin1StringView(TForm1::staticMetaObject.className()) || !object ||
        !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

} // namespace

void install() {
    static const bool installed = [] {
        QAccessible::installFactory(mainWindowInterface);
        return true;
    }();
    (void)installed;
}

} // namespace mainwindowaccessible
