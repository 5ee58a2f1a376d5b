#pragma once

#include "editor/HtmlPanelBrowser.h"

#include <QObject>

// The module's entry point, found by the program's loader: it settles the browser's environment once,
// before the first browser starts the engine, and makes the browsers.
class HtmlBrowserPlugin final : public QObject, public HtmlBrowserFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QELBRIN_HTML_BROWSER_FACTORY_IID)
    Q_INTERFACES(HtmlBrowserFactory)

public:
    HtmlPanelBrowser* create(QWidget* parent, std::function<void()> progressed) override;

private:
    bool prepared_ = false;
};
