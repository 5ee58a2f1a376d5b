#include "editor/browser/HtmlLocalOnly.h"

#include <QUrl>
#include <QWebEngineUrlRequestInfo>

using namespace Qt::StringLiterals;

bool htmllocal::isLocal(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == u"file"_s || scheme == u"data"_s || scheme == u"qrc"_s;
}

void htmllocal::RequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (!isLocal(info.requestUrl()))
        info.block(true);
}

bool htmllocal::Page::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    // A link to the web in the page is refused here rather than blocked in flight, so the page stays.
    return isLocal(url) && QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

QWebEnginePage* htmllocal::Page::createWindow(WebWindowType) {
    return nullptr;
}
