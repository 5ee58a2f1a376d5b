#pragma once

#include <QString>
#include <QtPlugin>
#include <functional>
#include <optional>

class QUrl;
class QWebEngineView;
class QWidget;

// What the editor and the module holding the HTML panel's browser say to each other. The browser
// (Qt WebEngine, with Chromium, Qt Quick and QML under it) lives in a library of its own that the
// program loads when the panel is first opened, so that a start that never opens the panel maps none
// of it. Only this header is shared: the program sees the browser through these interfaces alone.
namespace htmlfragment {

// The helper page's answer to the question for its fragment: the fragment, or the text for the
// general error report.
struct Answer {
    QString fragment;
    QString error;
    bool failed() const { return !error.isEmpty(); }
};

} // namespace htmlfragment

// The panel's embedded browser, showing the helper page. It reaches local addresses only and answers
// the question for the page's fragment asynchronously, calling its `progressed` callback when an
// answer has come. It is a widget that its parent owns.
class HtmlPanelBrowser {
public:
    virtual QWidget* widget() = 0;
    // The browser's view, named "WebBrowser1".
    virtual QWebEngineView* view() const = 0;

    // Loads `page` afresh; answers to questions asked of an earlier load are dropped.
    virtual void open(const QUrl& page) = 0;
    // Asks the page for its fragment. A page still loading is asked once it has loaded; several
    // questions before it has are asked once.
    virtual void askFragment() = 0;
    // The answer that came last, once; nothing when none has come since it was last taken.
    virtual std::optional<htmlfragment::Answer> takeAnswer() = 0;

protected:
    // Deleted as the widget it is, by its parent.
    ~HtmlPanelBrowser() = default;
};

// The module's entry: it makes the browsers.
class HtmlBrowserFactory {
public:
    virtual ~HtmlBrowserFactory() = default;
    // A new browser, a child of `parent`. `progressed` runs on the GUI thread each time an answer has
    // come; never while the browser is being destroyed.
    virtual HtmlPanelBrowser* create(QWidget* parent, std::function<void()> progressed) = 0;
};

// Raised whenever the interfaces above change, so that a module of another build is refused rather
// than called.
#define QELBRIN_HTML_BROWSER_FACTORY_IID "org.qelbrin.HtmlBrowserFactory/1"
Q_DECLARE_INTERFACE(HtmlBrowserFactory, QELBRIN_HTML_BROWSER_FACTORY_IID)
