// The panel's browser reaches nothing beyond the local machine: a helper page that refers to a
// server on this machine, in every way a page can, leaves that server without a single connection.
// A plain browser given the same page connects, which shows the page would reach it.
#include "tests/editor/EditorFixture.h"
#include "tests/editor/html/HtmlTestSupport.h"
#include "tests/support/Files.h"

#include <QDir>
#include <QHostAddress>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace fixture;
using namespace htmltest;

namespace {

// The fixture page that asks the server at `port` for an image, a style sheet, a script, a frame, a
// fetch, a request, a web socket and a navigation. Its title becomes "done" once the fetch has ended.
QByteArray pageReaching(quint16 port) {
    QString page =
        QString::fromUtf8(testfiles::readFile(QStringLiteral(QELBRIN_HTML_PAGES "/remote-template.html")));
    return page.replace(u"PORT"_s, QString::number(port)).toUtf8();
}

} // namespace

class HtmlOfflineTest : public QObject {
    Q_OBJECT

    QTcpServer server_;
    QTemporaryDir programDir_;
    QString pagePath() const { return programDir_.filePath(u"tavrindata/h.html"_s); }

private slots:
    void initTestCase() {
        QVERIFY(server_.listen(QHostAddress::LocalHost));
        QVERIFY(QDir(programDir_.path()).mkdir(u"tavrindata"_s));
        testfiles::writeFile(pagePath(), pageReaching(server_.serverPort()));
    }

    void panelMakesNoNetworkRequest() {
        OpenWindow w;
        w.os.programDir = programDir_.path();
        auto editor = openEditor(w.form);
        QVERIFY(openPanel(*editor));
        QWebEnginePage* page = editor->WebBrowser1()->page();
        QTRY_COMPARE_WITH_TIMEOUT(page->title(), u"done"_s, waitMs);
        QVERIFY(settle(page));
        // Whatever was refused had been asked for by now; a moment more for a connection in flight.
        QTest::qWait(300);
        QVERIFY(!server_.hasPendingConnections());
        QCOMPARE(editor->WebBrowser1()->url(), QUrl::fromLocalFile(pagePath()));

        // The page still works.
        editor->form()->mmo_ti->setPlainText(u"H"_s);
        editor->form()->Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(TTianjia::memoText(*editor->form()->mmo_ti), u"Hlocal"_s, waitMs);
        QVERIFY(w.os.errors.isEmpty());
        QVERIFY(!server_.hasPendingConnections());
    }

    // Last: what a plain browser does with the same page.
    void plainBrowserWouldConnect() {
        QWebEngineView plain;
        plain.load(QUrl::fromLocalFile(pagePath()));
        QTRY_VERIFY_WITH_TIMEOUT(server_.hasPendingConnections(), waitMs);
    }
};

QELBRIN_HTML_TEST_MAIN(HtmlOfflineTest)
#include "tst_html_offline.moc"
