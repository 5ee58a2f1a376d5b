#include "ModalBoxCloser.h"
#include "platform/SystemPlatform.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The real message boxes: the general error report and the plain message, each shown modally with
// the application's title and the text exactly as given.
class TestMessageBoxes : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setApplicationName(u"Qelbrin 题库"_s); }

    void boxShowsTextAsGiven_data();
    void boxShowsTextAsGiven();
    void boxIsInFrontOfActiveWindow();
    void windowClosedUnderBoxIsSurvived();

private:
    platform::SystemPlatform system_;
};

void TestMessageBoxes::boxShowsTextAsGiven_data() {
    QTest::addColumn<bool>("isError");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QMessageBox::Icon>("icon");

    const QString markup = u"选项 <b>A</b> & a<b; <img src=x>"_s;
    const QString lines = u"题库打不开:\nC:\\题库\\小车.stk"_s;
    QTest::newRow("message, markup literal") << false << markup << QMessageBox::NoIcon;
    QTest::newRow("message, several lines") << false << lines << QMessageBox::NoIcon;
    QTest::newRow("error, markup literal") << true << markup << QMessageBox::Critical;
    QTest::newRow("error, empty text") << true << QString() << QMessageBox::Critical;
}

void TestMessageBoxes::boxShowsTextAsGiven() {
    QFETCH(bool, isError);
    QFETCH(QString, text);
    QFETCH(QMessageBox::Icon, icon);

    SeenBox seen;
    ModalBoxCloser closer(seen);
    if (isError)
        system_.reportError(text);
    else
        system_.showMessage(text);

    QVERIFY(seen.found);
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.textFormat, Qt::PlainText);
    QCOMPARE(seen.title, QApplication::applicationName());
    QCOMPARE(seen.icon, icon);
    QVERIFY(seen.modal);
    QVERIFY(seen.isActiveModal);
    QCOMPARE(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    // The box is gone once the call returns.
    QVERIFY(!QApplication::activeModalWidget());
}

void TestMessageBoxes::boxIsInFrontOfActiveWindow() {
    QWidget window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    SeenBox seen;
    ModalBoxCloser closer(seen);
    system_.showMessage(u"保存成功"_s);

    QVERIFY(seen.found);
    QCOMPARE(seen.parent.data(), &window);
    QCOMPARE(window.findChildren<QMessageBox*>().size(), 0);
}

void TestMessageBoxes::windowClosedUnderBoxIsSurvived() {
    auto* window = new QWidget;
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));

    // The window goes, and takes the box with it, while the box's loop still runs.
    QPointer<QWidget> watched = window;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (watched && !watched->findChildren<QMessageBox*>().isEmpty())
            delete watched.data();
    });
    poll.start(10);
    system_.reportError(u"x"_s);

    QVERIFY(!watched);
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestMessageBoxes)
#include "tst_message_boxes.moc"
