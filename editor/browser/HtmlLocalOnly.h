#pragma once

#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>

class QUrl;

// The helper page is a local file and works offline: the browser showing it reaches nothing beyond
// the local machine, whatever the page refers to.
namespace htmllocal {

// Addresses the helper page may load or navigate to: local files, inline data and Qt resources.
bool isLocal(const QUrl& url);

// Blocks every request of the profile whose address is not local: images, scripts, style sheets,
// frames, fetches and navigations alike.
class RequestGuard final : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};

// The helper page's page: it stays on local addresses and opens no further windows.
class Page final : public QWebEnginePage {
    Q_OBJECT

public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
};

} // namespace htmllocal
