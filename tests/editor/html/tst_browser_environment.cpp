// The browser's environment before the application starts: the sandbox is switched off for root,
// and whatever the user set for the browser stays as it is.
#include "editor/browser/BrowserEnvironment.h"

#include <QTest>
#include <unistd.h>

class BrowserEnvironmentTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        qunsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    }

    void rootRunsWithoutTheSandbox() {
        if (geteuid() != 0)
            QSKIP("only root is sure to need it");
        browserenvironment::prepare();
        QCOMPARE(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), QByteArray("1"));
    }

    void usersOwnSettingsStay() {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "0");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--lang=zh-CN");
        browserenvironment::prepare();
        QCOMPARE(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), QByteArray("0"));
        QCOMPARE(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), QByteArray("--lang=zh-CN"));
    }
};

QTEST_APPLESS_MAIN(BrowserEnvironmentTest)
#include "tst_browser_environment.moc"
