// The shipped helper page tavrindata/h.html, driven through the panel's browser as an author uses
// it: each tool writes the fragment it claims into the source box, symbols go in at the caret, the
// preview shows the fragment, gettext() hands it over in cun1, and the page fits the browser.
#include "tests/editor/EditorFixture.h"
#include "tests/editor/html/HtmlTestSupport.h"
#include "tests/support/Files.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;
using namespace fixture;
using namespace htmltest;

namespace {

// A JavaScript string literal of `text`.
QString literal(const QString& text) {
    QString escaped = text;
    escaped.replace(u"\\"_s, u"\\\\"_s).replace(u"'"_s, u"\\'"_s).replace(u"\n"_s, u"\\n"_s);
    return u"'"_s + escaped + u"'"_s;
}

const QString symbols = u"αβγδεθλμπσφωΔΣΩ≤≥≠≈±×÷√∞∑∫°→←⇒∈∉⊂∪∩∠⊥∥′″‰…"_s;

} // namespace

class HtmlHelperPageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<OpenWindow> window_;
    std::unique_ptr<TTianjia> editor_;

    QWebEnginePage* page() { return editor_->WebBrowser1()->page(); }
    QVariant run(const QString& script) { return runScript(page(), script); }

    // Puts `text` in the source box with the selection from `start` to `end`.
    void setSource(const QString& text, int start, int end) {
        QCOMPARE(
            run(u"var s = document.getElementById('source'); s.value = %1; s.setSelectionRange(%2, %3); 'ok'"_s
                    .arg(literal(text))
                    .arg(start)
                    .arg(end))
                .toString(),
            u"ok"_s);
    }
    void click(const QString& id) {
        QCOMPARE(run(u"document.getElementById(%1).click(); 'ok'"_s.arg(literal(id))).toString(), u"ok"_s);
    }
    void setField(const QString& id, const QString& value) {
        QCOMPARE(run(u"document.getElementById(%1).value = %2; 'ok'"_s.arg(literal(id), literal(value)))
                     .toString(),
                 u"ok"_s);
    }
    // What the editor would read: gettext() run, then cun1's value.
    QString fragment() { return run(u"gettext(); document.all['cun1'].value"_s).toString(); }
    int caret() { return run(u"document.getElementById('source').selectionStart"_s).toInt(); }

private slots:
    void initTestCase() {
        window_ = std::make_unique<OpenWindow>();
        window_->os.programDir = QStringLiteral(QELBRIN_PROGRAM_DIR);
        editor_ = openEditor(window_->form);
    }

    void cleanupTestCase() {
        editor_.reset();
        window_.reset();
    }

    // A fresh page for every test.
    void init() {
        ui().Button2->click();
        ui().mmo_ti->setPlainText(u"H"_s);
        QVERIFY(openPanel(*editor_));
        QCOMPARE(editor_->WebBrowser1()->url(),
                 QUrl::fromLocalFile(QStringLiteral(QELBRIN_PROGRAM_DIR "/tavrindata/h.html")));
    }

    void cleanup() { QVERIFY(window_->os.errors.isEmpty()); }

    void freshPageGivesAnEmptyFragment() {
        QCOMPARE(fragment(), QString());
        ui().Button1->click();
        QTRY_VERIFY_WITH_TIMEOUT(!ui().Panel1->isVisible(), waitMs);
        QCOMPARE(TTianjia::memoText(*ui().mmo_ti), u"H"_s);
    }

    void composedFragmentReachesTheQuestion() {
        setSource(u"2+"_s, 1, 2);
        click(u"sup"_s);
        ui().Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(TTianjia::memoText(*ui().mmo_ti), u"H2<sup>+</sup>"_s, waitMs);
    }

    void formattingToolsWrapTheSelection_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caret");
        QTest::newRow("superscript") << u"sup"_s << u"H2+"_s << 2 << 3 << u"H2<sup>+</sup>"_s << 14;
        QTest::newRow("subscript") << u"sub"_s << u"H2O"_s << 1 << 2 << u"H<sub>2</sub>O"_s << 13;
        QTest::newRow("bold") << u"bold"_s << u"重点"_s << 0 << 2 << u"<b>重点</b>"_s << 9;
        QTest::newRow("italic") << u"italic"_s << u"设x为"_s << 1 << 2 << u"设<i>x</i>为"_s << 9;
        QTest::newRow("underline") << u"underline"_s << u"下划线"_s << 0 << 3 << u"<u>下划线</u>"_s << 10;
        QTest::newRow("markup in the selection stays markup")
            << u"sup"_s << u"a<b>2</b>"_s << 1 << 9 << u"a<sup><b>2</b></sup>"_s << 20;
        // Nothing selected: an empty pair, the caret inside it for typing.
        QTest::newRow("superscript at the caret") << u"sup"_s << u"x"_s << 1 << 1 << u"x<sup></sup>"_s << 6;
        QTest::newRow("subscript in an empty box") << u"sub"_s << u""_s << 0 << 0 << u"<sub></sub>"_s << 5;
    }
    void formattingToolsWrapTheSelection() {
        QFETCH(QString, tool);
        QFETCH(QString, source);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, result);
        QFETCH(int, caret);
        setSource(source, start, end);
        click(tool);
        QCOMPARE(fragment(), result);
        QCOMPARE(this->caret(), caret);
    }

    void everySymbolGoesInAtTheCaret() {
        const QStringList offered =
            run(u"Array.prototype.map.call(document.querySelectorAll('#symbols button'), "
                "function (b) { return b.getAttribute('data-symbol'); })"_s)
                .toStringList();
        for (const QChar symbol : symbols) {
            QVERIFY2(offered.contains(QString(symbol)), qPrintable(QString(symbol)));
            setSource(u"ab"_s, 1, 1);
            QCOMPARE(run(u"document.querySelector('#symbols button[data-symbol=\"%1\"]').click(); 'ok'"_s.arg(
                             symbol))
                         .toString(),
                     u"ok"_s);
            QCOMPARE(fragment(), u"a"_s + symbol + u"b"_s);
            QCOMPARE(caret(), 2);
        }
        // A selection is replaced by the symbol.
        setSource(u"a<=b"_s, 1, 3);
        QVERIFY(
            run(u"document.querySelector('#symbols button[data-symbol=\"≤\"]').click(); 'ok'"_s).isValid());
        QCOMPARE(fragment(), u"a≤b"_s);
    }

    void fractionGoesInAtTheCaret_data() {
        QTest::addColumn<QString>("numerator");
        QTest::addColumn<QString>("denominator");
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("html");
        QTest::newRow("stacked")
            << u"1"_s << u"2"_s << u"stacked"_s
            << u"<span style=\"display:inline-block;vertical-align:middle;text-align:center;margin:0 2px\">"
               "<span style=\"display:block;border-bottom:1px solid;padding:0 2px;line-height:1.2\">1</span>"
               "<span style=\"display:block;padding:0 2px;line-height:1.2\">2</span></span>"_s;
        QTest::newRow("slanted") << u"a"_s << u"b"_s << u"inline"_s << u"<sup>a</sup>/<sub>b</sub>"_s;
        QTest::newRow("typed text is text") << u"x<y"_s << u"\"a\"&b"_s << u"inline"_s
                                            << u"<sup>x&lt;y</sup>/<sub>&quot;a&quot;&amp;b</sub>"_s;
    }
    void fractionGoesInAtTheCaret() {
        QFETCH(QString, numerator);
        QFETCH(QString, denominator);
        QFETCH(QString, style);
        QFETCH(QString, html);
        setSource(u"x=。"_s, 2, 2);
        setField(u"numerator"_s, numerator);
        setField(u"denominator"_s, denominator);
        setField(u"fraction-style"_s, style);
        click(u"insert-fraction"_s);
        QCOMPARE(fragment(), u"x="_s + html + u"。"_s);
        QCOMPARE(caret(), 2 + html.size());
    }

    void stackedFractionShowsNumeratorOverDenominator() {
        setSource(QString(), 0, 0);
        setField(u"numerator"_s, u"a<b"_s);
        setField(u"denominator"_s, u"c"_s);
        click(u"insert-fraction"_s);
        // Drawn in the preview: the numerator's text as typed, above the denominator, with the line.
        const QVariantList parts =
            run(u"var p = document.querySelectorAll('#preview > span > span');"
                "[p.length, p[0].textContent, p[1].textContent, p[0].getBoundingClientRect().bottom <= "
                "p[1].getBoundingClientRect().top, getComputedStyle(p[0]).borderBottomStyle]"_s)
                .toList();
        QCOMPARE(parts, (QVariantList{2, u"a<b"_s, u"c"_s, true, u"solid"_s}));
    }

    void rootGoesInAtTheCaret_data() {
        QTest::addColumn<QString>("radicand");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("html");
        QTest::newRow("square root") << u"x+1"_s << u""_s
                                     << u"<span style=\"white-space:nowrap\">√<span style=\"border-top:1px "
                                        "solid;padding:0 2px\">x+1</span></span>"_s;
        QTest::newRow("with an index, typed text is text")
            << u"a<b"_s << u"3"_s
            << u"<span style=\"white-space:nowrap\"><sup style=\"margin-right:-4px\">3</sup>√<span "
               "style=\"border-top:1px solid;padding:0 2px\">a&lt;b</span></span>"_s;
    }
    void rootGoesInAtTheCaret() {
        QFETCH(QString, radicand);
        QFETCH(QString, index);
        QFETCH(QString, html);
        setSource(u"=2"_s, 0, 0);
        setField(u"radicand"_s, radicand);
        setField(u"root-index"_s, index);
        click(u"insert-root"_s);
        QCOMPARE(fragment(), html + u"=2"_s);
    }

    void previewShowsTheSourceAsItIsEdited() {
        setSource(u"H2O"_s, 1, 2);
        click(u"sub"_s);
        QCOMPARE(run(u"document.querySelector('#preview sub').textContent"_s).toString(), u"2"_s);
        // Typed straight into the source box.
        QCOMPARE(run(u"var s = document.getElementById('source'); s.value = 'E=mc<sup>2</sup>';"
                     "s.dispatchEvent(new Event('input')); document.getElementById('preview').innerHTML"_s)
                     .toString(),
                 u"E=mc<sup>2</sup>"_s);
        click(u"clear"_s);
        QCOMPARE(fragment(), QString());
        QCOMPARE(run(u"document.getElementById('preview').innerHTML"_s).toString(), QString());
    }

    void pageFitsTheBrowserWidth() {
        QCOMPARE(editor_->WebBrowser1()->size(), QSize(681, 338));
        const QVariantList sizes = run(u"[document.documentElement.scrollWidth, window.innerWidth, "
                                       u"document.documentElement.scrollHeight,"
                                       " window.innerHeight]"_s)
                                       .toList();
        QCOMPARE(sizes.size(), 4);
        QCOMPARE(sizes[1].toInt(), 681);
        QVERIFY2(sizes[0].toInt() <= sizes[1].toInt(), qPrintable(sizes[0].toString()));
        QVERIFY2(sizes[2].toInt() <= sizes[3].toInt(), qPrintable(sizes[2].toString()));
    }

    void pageRefersToNothingOutsideItself() {
        const QString page =
            QString::fromUtf8(testfiles::readFile(QStringLiteral(QELBRIN_PROGRAM_DIR "/tavrindata/h.html")));
        QVERIFY(page.contains(u"function gettext()"_s));
        for (const QString& reference : {u"http:"_s, u"https:"_s, u"//"_s + u"cdn"_s, u"src="_s, u"href="_s,
                                         u"url("_s, u"@import"_s, u"@font-face"_s})
            QVERIFY2(!page.contains(reference, Qt::CaseInsensitive), qPrintable(reference));
    }

private:
    Ui::TTianjia& ui() { return *editor_->form(); }
};

QELBRIN_HTML_TEST_MAIN(HtmlHelperPageTest)
#include "tst_html_helper_page.moc"
