#pragma once

// What the HTML panel's suites share: a main(), scripts run in a page and waited for, and the panel
// opened and its page loaded.
#include "editor/TTianjia.h"
#include "ui_TTianjia.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <memory>

// As QTEST_MAIN. Like the program's main, it prepares nothing of the browser: the panel's module
// settles the browser's environment when it makes its first browser.
#define QELBRIN_HTML_TEST_MAIN(TestObject)                                                                   \
    int main(int argc, char** argv) {                                                                        \
        QApplication app(argc, argv);                                                                        \
        TestObject test;                                                                                     \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&test, argc, argv);                                                              \
    }

namespace htmltest {

// Generous: the browser's first start takes seconds on a loaded machine.
constexpr int waitMs = 30000;

// The result of `script` run in `page`; invalid when it gave none in time. The callback may come
// after this returns, so what it writes lives beside it.
inline QVariant runScript(QWebEnginePage* page, const QString& script) {
    struct Reply {
        bool done = false;
        QVariant value;
    };
    auto reply = std::make_shared<Reply>();
    page->runJavaScript(script, [reply](const QVariant& value) {
        reply->value = value;
        reply->done = true;
    });
    return QTest::qWaitFor([&] { return reply->done; }, waitMs) ? reply->value : QVariant();
}

// Returns once the page has answered every script run before: answers come back in order.
inline bool settle(QWebEnginePage* page) {
    return runScript(page, QStringLiteral("'settled'")).toString() == QStringLiteral("settled");
}

// Presses "插入HTML元素" and waits until the page has loaded (successfully or not).
inline bool openPanel(TTianjia& editor) {
    editor.form()->BitBtn1->click();
    if (!editor.WebBrowser1())
        return false;
    // The load is asynchronous: nothing of it can have finished before the click returned.
    QSignalSpy loaded(editor.WebBrowser1(), &QWebEngineView::loadFinished);
    return loaded.wait(waitMs) || loaded.count() > 0;
}

} // namespace htmltest
