// The editor's HTML panel with the real embedded browser, on fixture helper pages: the fragment
// appended at the end of the question text, one answer read for each "确定", a fresh page at every
// opening, the pages that cannot answer, and the panel's size.
#include "tests/editor/EditorFixture.h"
#include "tests/editor/html/HtmlTestSupport.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTextCursor>

using namespace Qt::StringLiterals;
using namespace fixture;
using namespace htmltest;

namespace {

QString pages(const QString& name) {
    return QStringLiteral(QELBRIN_HTML_PAGES "/") + name;
}

} // namespace

class HtmlPanelTest : public QObject {
    Q_OBJECT

    // One window and one editor for the suite: the browser's start is the slow part. Every test
    // starts from a closed panel, nothing pending, and the question text "H".
    std::unique_ptr<OpenWindow> window_;
    std::unique_ptr<TTianjia> editor_;

    Ui::TTianjia& ui() { return *editor_->form(); }
    QString text() { return TTianjia::memoText(*ui().mmo_ti); }
    QWebEnginePage* page() { return editor_->WebBrowser1()->page(); }
    void usePages(const QString& name) { window_->os.programDir = pages(name); }

private slots:
    void initTestCase() {
        window_ = std::make_unique<OpenWindow>();
        editor_ = openEditor(window_->form);
    }

    void cleanupTestCase() {
        editor_.reset();
        window_.reset();
    }

    void init() {
        if (editor_->WebBrowser1())
            QVERIFY(settle(page()));
        ui().Button2->click();
        editor_->htmlPending = false;
        ui().mmo_ti->setPlainText(u"H"_s);
        window_->os.errors.clear();
        usePages(u"fixed"_s);
    }

    void cleanup() { QVERIFY(window_->os.errors.isEmpty()); }

    // First, while the suite's editor has never opened the panel.
    void browserIsMadeAtTheFirstOpeningOnly() {
        QVERIFY(!editor_->WebBrowser1());
        QVERIFY(editor_->findChildren<QWebEngineView*>().isEmpty());
        QVERIFY(openPanel(*editor_));
        QVERIFY(editor_->WebBrowser1());
        QVERIFY(ui().Panel1->isVisible());
        QCOMPARE(editor_->WebBrowser1()->size(), QSize(681, 338));
        QCOMPARE(editor_->WebBrowser1()->mapTo(ui().Panel1, QPoint(0, 0)), QPoint(0, 0));
        QCOMPARE(editor_->WebBrowser1()->url(),
                 QUrl::fromLocalFile(pages(u"fixed"_s) + u"/tavrindata/h.html"_s));

        QWebEngineView* browser = editor_->WebBrowser1();
        QVERIFY(openPanel(*editor_));
        QCOMPARE(editor_->WebBrowser1(), browser);
        QCOMPARE(editor_->findChildren<QWebEngineView*>().size(), 1);
    }

    void fragmentIsAppendedAtTheEnd_data() {
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("superscript") << u"fixed"_s << u"H"_s << u"H2<sup>+</sup>"_s;
        QTest::newRow("cun1 by name only") << u"by-name"_s << u"H"_s << u"Hx<sub>1</sub>"_s;
        QTest::newRow("after the last line")
            << u"fixed"_s << u"第一行\r\n第二行"_s << u"第一行\r\n第二行2<sup>+</sup>"_s;
        QTest::newRow("after a line break at the end") << u"fixed"_s << u"H\r\n"_s << u"H\r\n2<sup>+</sup>"_s;
        QTest::newRow("empty question") << u"fixed"_s << u""_s << u"2<sup>+</sup>"_s;
    }
    void fragmentIsAppendedAtTheEnd() {
        QFETCH(QString, pages);
        QFETCH(QString, before);
        QFETCH(QString, after);
        usePages(pages);
        ui().mmo_ti->setPlainText(QString(before).replace(u"\r\n"_s, u"\n"_s));
        // The caret at the start: the fragment still goes to the end.
        ui().mmo_ti->moveCursor(QTextCursor::Start);
        QVERIFY(openPanel(*editor_));
        QVERIFY(!editor_->htmlPending);

        ui().Button1->click();
        QVERIFY(editor_->htmlPending);
        QTRY_COMPARE_WITH_TIMEOUT(text(), after, waitMs);
        QVERIFY(!editor_->htmlPending);
        QVERIFY(!ui().Panel1->isVisible());
    }

    void confirmWhileThePageLoadsWaitsForIt() {
        // "确定" straight after the opening, before the page is there: it is asked once it is.
        ui().BitBtn1->click();
        ui().Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(text(), u"H2<sup>+</sup>"_s, waitMs);
        QVERIFY(!ui().Panel1->isVisible());
    }

    void everyOpeningLoadsThePageAfresh() {
        usePages(u"composer"_s);
        QVERIFY(openPanel(*editor_));
        QCOMPARE(runScript(page(), u"document.getElementById('box').value = 'old'; 'set'"_s).toString(),
                 u"set"_s);
        ui().Button2->click();
        QVERIFY(!ui().Panel1->isVisible());

        QVERIFY(openPanel(*editor_));
        QVERIFY(ui().Panel1->isVisible());
        ui().Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(text(), u"Hfresh"_s, waitMs);
    }

    void cancelRightAfterConfirmStillAppends() {
        QVERIFY(openPanel(*editor_));
        ui().Button1->click();
        ui().Button2->click();
        QVERIFY(!ui().Panel1->isVisible());
        QVERIFY(editor_->htmlPending);
        QTRY_COMPARE_WITH_TIMEOUT(text(), u"H2<sup>+</sup>"_s, waitMs);
        QVERIFY(!editor_->htmlPending);
    }

    void twoConfirmsAppendOnce() {
        QVERIFY(openPanel(*editor_));
        ui().Button1->click();
        ui().Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(text(), u"H2<sup>+</sup>"_s, waitMs);
        // The second answer has come too once a later script has.
        QVERIFY(settle(page()));
        QCOMPARE(text(), u"H2<sup>+</sup>"_s);
        QVERIFY(!editor_->htmlPending);
    }

    void reopeningDropsTheAnswerOfTheEarlierPage() {
        usePages(u"composer"_s);
        QVERIFY(openPanel(*editor_));
        QCOMPARE(runScript(page(), u"document.getElementById('box').value = 'old'; 'set'"_s).toString(),
                 u"set"_s);
        ui().Button1->click();
        ui().Button2->click();
        // Reopened and confirmed before the old page answered: only the fresh page's answer counts.
        ui().BitBtn1->click();
        ui().Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(text(), u"Hfresh"_s, waitMs);
        QVERIFY(settle(page()));
        QCOMPARE(text(), u"Hfresh"_s);
    }

    void progressWithNothingAskedReadsNothing() {
        QVERIFY(openPanel(*editor_));
        editor_->WebBrowser1ProgressChange();
        editor_->htmlPending = true;
        // Nothing has answered yet: the read waits for the answer.
        editor_->WebBrowser1ProgressChange();
        QVERIFY(editor_->htmlPending);
        QCOMPARE(text(), u"H"_s);
        QVERIFY(ui().Panel1->isVisible());
    }

    void pageThatCannotAnswerIsReported_data() {
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing page") << u"missing"_s
                                      << u"无法打开HTML助手页面：%1"_s.arg(QDir::toNativeSeparators(
                                             pages(u"missing"_s) + u"/tavrindata/h.html"_s));
        QTest::newRow("no gettext") << u"no-gettext"_s << u"HTML助手页面中没有gettext()函数"_s;
        QTest::newRow("broken script") << u"broken-script"_s << u"HTML助手页面中没有gettext()函数"_s;
        QTest::newRow("gettext throws")
            << u"gettext-throws"_s << u"HTML助手页面的gettext()函数出错：Error: 坏了"_s;
        QTest::newRow("no cun1") << u"no-cun1"_s << u"HTML助手页面中没有cun1元素"_s;
        QTest::newRow("cun1 without a text value")
            << u"cun1-not-text"_s << u"HTML助手页面中cun1元素的value不是文本"_s;
        QTest::newRow("two elements named cun1")
            << u"two-cun1"_s << u"HTML助手页面中cun1元素的value不是文本"_s;
    }
    void pageThatCannotAnswerIsReported() {
        QFETCH(QString, pages);
        QFETCH(QString, error);
        usePages(pages);
        QVERIFY(openPanel(*editor_));

        ui().Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(window_->os.errors, QStringList{error}, waitMs);
        QCOMPARE(text(), u"H"_s);
        QVERIFY(ui().Panel1->isVisible());
        QVERIFY(!editor_->htmlPending);

        // "确定" may be pressed again, and is answered again.
        window_->os.errors.clear();
        ui().Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(window_->os.errors, QStringList{error}, waitMs);
        QCOMPARE(text(), u"H"_s);
        window_->os.errors.clear();
    }

    void panelFollowsTheWindowSize_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("heightFollows");
        QTest::newRow("larger") << QSize(900, 600) << true;
        QTest::newRow("narrower") << QSize(500, 450) << true;
        QTest::newRow("lower than 405") << QSize(800, 360) << false;
    }
    void panelFollowsTheWindowSize() {
        QFETCH(QSize, size);
        QFETCH(bool, heightFollows);
        QVERIFY(openPanel(*editor_));
        editor_->resize(719, 430);
        QTRY_COMPARE(editor_->size(), QSize(719, 430));
        const int heightBefore = ui().Panel1->height();
        // At the designed size, even where the window has no frame, "确定" and "取消" are whole.
        QVERIFY(ui().Panel1->rect().contains(ui().Button1->geometry()));
        QVERIFY(ui().Panel1->rect().contains(ui().Button2->geometry()));

        editor_->resize(size);
        QTRY_COMPARE(editor_->size(), size);
        const QRect outer = editor_->frameGeometry();
        QCOMPARE(ui().Panel1->pos(), QPoint(0, 0));
        QCOMPARE(ui().Panel1->width(), outer.width());
        QCOMPARE(ui().Panel1->height(), heightFollows ? outer.height() - 63 : heightBefore);
        QCOMPARE(editor_->WebBrowser1()->size(), QSize(681, 338));
        editor_->resize(719, 430);
    }
};

QELBRIN_HTML_TEST_MAIN(HtmlPanelTest)
#include "tst_html_panel.moc"
