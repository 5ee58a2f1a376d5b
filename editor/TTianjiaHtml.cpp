// The editor's HTML panel: a fragment composed on the helper page in the embedded browser is
// appended to the question text. The browser comes from its module, loaded at the first opening.
#include "editor/HtmlBrowserModule.h"
#include "editor/HtmlPanelBrowser.h"
#include "editor/TTianjia.h"
#include "platform/Error.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "ui_TTianjia.h"

#include <QResizeEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Below this outer height the panel keeps its height; above it, it leaves room for the window's
// frame and the buttons beneath the browser.
constexpr int panelFollowsHeightFrom = 405;
constexpr int heightBesidePanel = 63;

QUrl helperPage() {
    return QUrl::fromLocalFile(platform::current().programDirectory() + u"/tavrindata/h.html"_s);
}

} // namespace

void TTianjia::connectHtmlPanel() {
    connect(ui_->BitBtn1, &QPushButton::clicked, this, platform::guarded([this] { BitBtn1Click(); }));
    connect(ui_->Button1, &QPushButton::clicked, this, platform::guarded([this] { Button1Click(); }));
    connect(ui_->Button2, &QPushButton::clicked, this, platform::guarded([this] { Button2Click(); }));
}

void TTianjia::BitBtn1Click() {
    // Made at the first opening only: most editors never show the panel, and one is made hidden at
    // start-up, so the browser's start costs nothing until it is wanted. Without its module the
    // panel stays closed and the error report says why.
    if (!htmlBrowser_) {
        htmlBrowser_ = htmlbrowsermodule::factory().create(
            ui_->WebBrowser1Host, platform::guarded([this] { WebBrowser1ProgressChange(); }));
        auto* layout = new QVBoxLayout(ui_->WebBrowser1Host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(htmlBrowser_->widget());
        webBrowser_ = htmlBrowser_->view();
    }
    // Over every other control of the window while composing.
    ui_->Panel1->raise();
    ui_->Panel1->show();
    htmlPending = false;
    htmlBrowser_->open(helperPage());
    htmlBrowser_->widget()->setFocus();
}

void TTianjia::Button1Click() {
    if (!htmlBrowser_)
        throw platform::Error(u"HTML助手页面还没有打开"_s);
    htmlBrowser_->askFragment();
    htmlPending = true;
}

void TTianjia::WebBrowser1ProgressChange() {
    // Each question to the page is answered once, and only the first answer after "确定" is read:
    // "取消" in between does not stop it, and a second "确定" finds nothing left to read.
    const std::optional<htmlfragment::Answer> answer =
        htmlBrowser_ ? htmlBrowser_->takeAnswer() : std::nullopt;
    if (!htmlPending || !answer)
        return;
    htmlPending = false;
    if (answer->failed())
        throw platform::Error(answer->error);

    // Appended at the very end, wherever the caret is; the caret follows so that writing goes on
    // after the fragment.
    QString fragment = answer->fragment;
    fragment.replace(u"\r\n"_s, u"\n"_s);
    fragment.replace(u'\r', u'\n');
    QTextCursor end(ui_->mmo_ti->document());
    end.movePosition(QTextCursor::End);
    end.insertText(fragment);
    ui_->mmo_ti->setTextCursor(end);
    ui_->Panel1->hide();
    ui_->mmo_ti->setFocus();
}

void TTianjia::Button2Click() {
    ui_->Panel1->hide();
}

void TTianjia::FormResize() {
    const QRect outer = frameGeometry();
    const int height =
        outer.height() >= panelFollowsHeightFrom ? outer.height() - heightBesidePanel : ui_->Panel1->height();
    ui_->Panel1->resize(outer.width(), height);
}

QWebEngineView* TTianjia::WebBrowser1() const {
    return webBrowser_;
}

void TTianjia::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}
