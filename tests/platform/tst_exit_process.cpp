#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

// The real exit runs in a child process: it must end with the code asked for, at once (no destructors
// or exit handlers), yet with everything written before it pushed out.
class TestExitProcess : public QObject {
    Q_OBJECT

private slots:
    void endsWithCodeAfterFlushing_data();
    void endsWithCodeAfterFlushing();
};

void TestExitProcess::endsWithCodeAfterFlushing_data() {
    QTest::addColumn<int>("code");
    QTest::newRow("0") << 0;
    QTest::newRow("7") << 7;
}

void TestExitProcess::endsWithCodeAfterFlushing() {
    QFETCH(int, code);
    QProcess child;
    child.start(QStringLiteral(EXIT_PROCESS_HELPER), {QString::number(code)});
    QVERIFY2(child.waitForFinished(30000), qPrintable(child.errorString()));

    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), code);
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()),
             u"written before exit\nstreamed before exit\n"_s);
    QCOMPARE(QString::fromUtf8(child.readAllStandardError()), u"error written before exit\n"_s);
}

QTEST_GUILESS_MAIN(TestExitProcess)
#include "tst_exit_process.moc"
