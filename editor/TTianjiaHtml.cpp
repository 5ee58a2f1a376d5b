// The editor's HTML panel: a fragment composed on the helper page in the embedded browser is
// appended to the question text.
#include "editor/TTianjia.h"

#include "ui_TTianjia.h"

#include <QResizeEvent>

void TTianjia::connectHtmlPanel() {}

void TTianjia::BitBtn1Click() {}

void TTianjia::Button1Click() {}

void TTianjia::WebBrowser1ProgressChange() {}

void TTianjia::Button2Click() {}

void TTianjia::FormResize() {}

QWebEngineView* TTianjia::WebBrowser1() const {
    return webBrowser_;
}

void TTianjia::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}
