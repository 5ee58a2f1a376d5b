#include "editor/browser/HtmlBrowser.h"

#include "editor/browser/HtmlFragmentQuery.h"
#include "editor/browser/HtmlLocalOnly.h"

#include <QPointer>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

HtmlBrowser::HtmlBrowser(QWidget* parent)
    : QWidget(parent), profile_(new QWebEngineProfile(this)), // no storage name: off the record
      view_(new QWebEngineView(this)) {
    profile_->setUrlRequestInterceptor(new htmllocal::RequestGuard(profile_));
    profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile_->setSpellCheckEnabled(false);
    connect(profile_, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });

    auto* page = new htmllocal::Page(profile_, view_);
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    view_->setPage(page);
    view_->setObjectName(QStringLiteral("WebBrowser1"));
    connect(page, &QWebEnginePage::loadingChanged, this, &HtmlBrowser::loadingChanged);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFocusProxy(view_);
}

HtmlBrowser::~HtmlBrowser() {
    // Nothing of a page being torn down reaches the editor, which is itself going; and every page of
    // a profile must be gone before the profile is.
    blockSignals(true);
    delete view_;
}

void HtmlBrowser::open(const QUrl& page) {
    page_ = page;
    ++loadNumber_;
    load_ = Load::Loading;
    askWhenLoaded_ = false;
    answer_.reset();
    view_->load(page);
}

void HtmlBrowser::askFragment() {
    switch (load_) {
    case Load::Loading:
        askWhenLoaded_ = true;
        return;
    case Load::Failed: {
        // Answered from the event loop like any page answer, so the caller's state is settled first.
        const quint64 asked = loadNumber_;
        QMetaObject::invokeMethod(
            this,
            [this, asked] {
                if (asked == loadNumber_)
                    answer(htmlfragment::pageNotLoaded(page_));
            },
            Qt::QueuedConnection);
        return;
    }
    case Load::Loaded:
        break;
    }
    const quint64 asked = loadNumber_;
    QPointer<HtmlBrowser> self(this);
    view_->page()->runJavaScript(htmlfragment::askScript(), QWebEngineScript::MainWorld,
                                 [self, asked](const QVariant& result) {
                                     if (self && asked == self->loadNumber_)
                                         self->answer(htmlfragment::fromScriptResult(result));
                                 });
}

std::optional<htmlfragment::Answer> HtmlBrowser::takeAnswer() {
    return std::exchange(answer_, std::nullopt);
}

void HtmlBrowser::loadingChanged(const QWebEngineLoadingInfo& info) {
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        load_ = Load::Loading;
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        // A navigation refused or stopped: the document in place stays and is the one to ask. A load
        // given up for the next one is followed by that one's start.
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        load_ = Load::Loaded;
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        load_ = Load::Failed;
        break;
    }
    if (std::exchange(askWhenLoaded_, false))
        askFragment();
}

void HtmlBrowser::answer(const htmlfragment::Answer& answer) {
    answer_ = answer;
    emit progressed();
}
