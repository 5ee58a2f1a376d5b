#include "platform/Error.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "tests/support/FakePlatform.h"

#include <QPushButton>
#include <QtTest>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// A report that fails in turn, as a real message box could when memory runs out.
class FailingReportPlatform : public FakePlatform {
public:
    void reportError(const QString&) override { throw std::runtime_error("the report failed"); }
};

} // namespace

class TestPlatformGuard : public QObject {
    Q_OBJECT

private slots:
    void scopedPlatformsNestAndRestore();

    void uncaughtExceptionIsReported_data();
    void uncaughtExceptionIsReported();
    void exitRequestIsNotReported();
    void failingReportIsSwallowed();
    void reportOutsideCatchDoesNothing();
    void signalArgumentsReachHandler();
};

void TestPlatformGuard::scopedPlatformsNestAndRestore() {
    platform::Platform& system = platform::current();
    QVERIFY(dynamic_cast<platform::SystemPlatform*>(&system));
    QVERIFY(!dynamic_cast<FakePlatform*>(&system));
    QCOMPARE(&platform::current(), &system);

    FakePlatform outer;
    FakePlatform inner;
    {
        platform::ScopedPlatform outerScope(outer);
        QCOMPARE(&platform::current(), &outer);
        {
            platform::ScopedPlatform innerScope(inner);
            QCOMPARE(&platform::current(), &inner);
        }
        QCOMPARE(&platform::current(), &outer);
    }
    QCOMPARE(&platform::current(), &system);
}

void TestPlatformGuard::uncaughtExceptionIsReported_data() {
    QTest::addColumn<std::function<void()>>("thrower");
    QTest::addColumn<QString>("text");

    QTest::newRow("platform error") << std::function<void()>([] {
        throw platform::Error(u"题库 <a.stk> 打不开"_s);
    }) << u"题库 <a.stk> 打不开"_s;
    QTest::newRow("empty platform error")
        << std::function<void()>([] { throw platform::Error(QString()); }) << QString();
    QTest::newRow("standard exception in UTF-8")
        << std::function<void()>([] { throw std::runtime_error("数据库错误: 42"); }) << u"数据库错误: 42"_s;
    QTest::newRow("bad_alloc") << std::function<void()>([] { throw std::bad_alloc(); })
                               << QString::fromUtf8(std::bad_alloc().what());
    QTest::newRow("unknown type") << std::function<void()>([] { throw 42; }) << QString();
}

void TestPlatformGuard::uncaughtExceptionIsReported() {
    QFETCH(std::function<void()>, thrower);
    QFETCH(QString, text);
    FakePlatformScope fake;
    QPushButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, &button, platform::guarded([&] {
        ++clicks;
        thrower();
    }));

    button.click();
    QCOMPARE(clicks, 1);
    QCOMPARE(fake.errors, QStringList{text});

    // The program goes on: the same handler runs and fails again on the next click.
    button.click();
    QCOMPARE(clicks, 2);
    QCOMPARE(fake.errors, QStringList({text, text}));
    QVERIFY(fake.messages.isEmpty());
    QVERIFY(!fake.exitCode);
}

void TestPlatformGuard::exitRequestIsNotReported() {
    FakePlatformScope fake;
    QPushButton button;
    bool ranPastExit = false;
    QObject::connect(&button, &QPushButton::clicked, &button, platform::guarded([&] {
        platform::current().exitProcess(3);
        ranPastExit = true;
    }));

    button.click();
    QCOMPARE(fake.exitCode, 3);
    QVERIFY(!ranPastExit);
    QVERIFY(fake.errors.isEmpty());
}

void TestPlatformGuard::failingReportIsSwallowed() {
    FailingReportPlatform failing;
    platform::ScopedPlatform scope(failing);
    QPushButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, &button, platform::guarded([&] {
        ++clicks;
        throw platform::Error(u"x"_s);
    }));

    button.click();
    button.click();
    QCOMPARE(clicks, 2);
}

void TestPlatformGuard::reportOutsideCatchDoesNothing() {
    FakePlatformScope fake;
    platform::reportCurrentException();
    QVERIFY(fake.errors.isEmpty());
}

void TestPlatformGuard::signalArgumentsReachHandler() {
    FakePlatformScope fake;
    QPushButton button;
    button.setCheckable(true);
    QList<bool> states;
    int bareCalls = 0;
    QObject::connect(&button, &QPushButton::toggled, &button,
                     platform::guarded([&](bool checked) { states << checked; }));
    QObject::connect(&button, &QPushButton::toggled, &button, platform::guarded([&] { ++bareCalls; }));

    button.click();
    button.click();
    QCOMPARE(states, QList<bool>({true, false}));
    QCOMPARE(bareCalls, 2);
    QVERIFY(fake.errors.isEmpty());
}

QTEST_MAIN(TestPlatformGuard)
#include "tst_platform_guard.moc"
