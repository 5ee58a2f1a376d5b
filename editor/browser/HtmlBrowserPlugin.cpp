#include "editor/browser/HtmlBrowserPlugin.h"

#include "editor/browser/BrowserEnvironment.h"
#include "editor/browser/HtmlBrowser.h"

#include <QQuickWindow>

HtmlPanelBrowser* HtmlBrowserPlugin::create(QWidget* parent, std::function<void()> progressed) {
    if (!prepared_) {
        browserenvironment::prepare();
        // What the engine's library asks of Qt Quick when a program links it, before the application
        // object exists: its views draw through a hardware API, OpenGL unless another was chosen.
        // Loaded later, the library leaves it undone; it is done here, before the first view exists.
        const QSGRendererInterface::GraphicsApi api = QQuickWindow::graphicsApi();
        if (api != QSGRendererInterface::OpenGL && api != QSGRendererInterface::Vulkan &&
            api != QSGRendererInterface::Metal && api != QSGRendererInterface::Direct3D11)
            QQuickWindow::setGraphicsApi(QSGRendererInterface::OpenGL);
        prepared_ = true;
    }
    auto* browser = new HtmlBrowser(parent);
    QObject::connect(browser, &HtmlBrowser::progressed, browser, std::move(progressed));
    return browser;
}
