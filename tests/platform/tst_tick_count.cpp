#include "platform/SystemPlatform.h"

#include <QtTest>
#include <ctime>

namespace {

// The system's own count of milliseconds since boot, cut to 32 bits the same way.
quint32 bootMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<quint32>(static_cast<quint64>(now.tv_sec) * 1000u +
                                static_cast<quint64>(now.tv_nsec) / 1'000'000u);
}

} // namespace

class TestTickCount : public QObject {
    Q_OBJECT

private slots:
    void followsSystemClock();
    void advancesWithTime();

private:
    platform::SystemPlatform system_;
};

void TestTickCount::followsSystemClock() {
    const quint32 before = bootMilliseconds();
    const quint32 tick = system_.tickCount();
    const quint32 after = bootMilliseconds();
    // Unsigned differences, so that the comparison holds across the wrap at 2^32.
    QVERIFY2(quint32(tick - before) <= quint32(after - before),
             qPrintable(QStringLiteral("%1 not within [%2, %3]").arg(tick).arg(before).arg(after)));
}

void TestTickCount::advancesWithTime() {
    const quint32 first = system_.tickCount();
    QTest::qSleep(20);
    const quint32 second = system_.tickCount();
    QVERIFY(second != first);
    QVERIFY(qint32(second - first) > 0);
}

QTEST_GUILESS_MAIN(TestTickCount)
#include "tst_tick_count.moc"
