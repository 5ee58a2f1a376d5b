#include "platform/SystemPlatform.h"

#include <QApplication>
#include <QWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

// A window brought forward while the user works in another one (files dragged over it) must not take
// the keyboard from that other window.
class TestRaiseWindow : public QObject {
    Q_OBJECT

private slots:
    void raisesWithoutTakingActivation();
    void hiddenWindowStaysHidden();
    void nullWindowIsIgnored();

private:
    platform::SystemPlatform system_;
};

void TestRaiseWindow::raisesWithoutTakingActivation() {
    QWidget raised;
    raised.setWindowTitle(u"raised"_s);
    raised.show();
    QVERIFY(QTest::qWaitForWindowExposed(&raised));

    QWidget working;
    working.setWindowTitle(u"working"_s);
    working.show();
    working.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&working));

    system_.raiseWithoutActivating(&raised);

    QVERIFY(raised.isVisible());
    QVERIFY(raised.testAttribute(Qt::WA_ShowWithoutActivating));
    if (QGuiApplication::platformName() == "offscreen"_L1)
        QSKIP("the offscreen platform makes every window it shows the active one");
    // Give a window manager's activation, had one been asked for, the time to arrive.
    QTest::qWait(100);
    QCOMPARE(QApplication::activeWindow(), &working);
    QVERIFY(!raised.isActiveWindow());
}

void TestRaiseWindow::hiddenWindowStaysHidden() {
    // The clipboard watcher raises an editor it has prepared before showing it modally.
    QWidget prepared;
    system_.raiseWithoutActivating(&prepared);
    QVERIFY(!prepared.isVisible());
}

void TestRaiseWindow::nullWindowIsIgnored() {
    system_.raiseWithoutActivating(nullptr);
}

QTEST_MAIN(TestRaiseWindow)
#include "tst_raise_window.moc"
