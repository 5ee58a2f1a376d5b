// The shipped helper page tavrindata/h.html as a whole, in the panel's browser: gettext() hands the
// editor the fragment in cun1, typed text arrives escaped, the symbol table offers every symbol by
// subject, every tool is reached with Tab and named, and the page fits the panel and uses nothing
// outside itself.
#include "tests/editor/html/HelperPage.h"
#include "tests/editor/html/RenderedFragment.h"
#include "tests/support/Files.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;
using namespace helperpage;

class HtmlHelperPageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<HelperPage> page_;
    HelperPage& page() { return *page_; }
    QString question() { return TTianjia::memoText(*page().ui().mmo_ti); }

private slots:
    void initTestCase() { page_ = std::make_unique<HelperPage>(); }
    void cleanupTestCase() { page_.reset(); }

    void init() {
        page().ui().mmo_ti->setPlainText(u"H"_s);
        QVERIFY(page().open());
    }

    void cleanup() { QVERIFY(page().window().os.errors.isEmpty()); }

    void pageOpensReadyForTyping() {
        QCOMPARE(page().focused(), u"visual"_s);
        QVERIFY(page().type(u"x"_s));
        QCOMPARE(page().fragment(), u"x"_s);
    }

    void freshPageGivesAnEmptyFragment() {
        QCOMPARE(page().fragment(), QString());
        page().ui().Button1->click();
        QTRY_VERIFY_WITH_TIMEOUT(!page().ui().Panel1->isVisible(), htmltest::waitMs);
        QCOMPARE(question(), u"H"_s);
    }

    void composedFragmentReachesTheQuestion() {
        QVERIFY(page().type(u"2+"_s));
        QVERIFY(page().select(u"+"_s));
        QVERIFY(page().press(u"sup"_s));
        page().ui().Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(question(), u"H2<sup>+</sup>"_s, htmltest::waitMs);
    }

    // cun1 holds exactly the fragment, as the source box shows it.
    void gettextPutsTheFragmentIntoCun1() {
        QVERIFY(page().type(u"x2 y"_s));
        QVERIFY(page().select(u"2"_s));
        QVERIFY(page().press(u"sub"_s));
        QCOMPARE(page().run(u"document.all['cun1'].value"_s).toString(), QString());
        QCOMPARE(page().run(
                     u"gettext(); document.all['cun1'].value === document.getElementById('source').value"_s),
                 QVariant(true));
        QCOMPARE(page().fragment(), u"x<sub>2</sub> y"_s);
    }

    void typedCharactersAreText() {
        const QString typed = u"a<b && c>\"d\" <i>e</i> &amp;"_s;
        QVERIFY(page().type(typed));
        const QString html = page().fragment();
        QCOMPARE(rendered::faults(html), QStringList());
        QCOMPARE(rendered::Fragment(html).plainText(), typed);
        for (const QString& escaped : {u"&lt;"_s, u"&amp;"_s, u"&quot;"_s})
            QVERIFY2(html.contains(escaped), qPrintable(html));
        // What the question gets is text too.
        page().ui().Button1->click();
        QTRY_COMPARE_WITH_TIMEOUT(question(), u"H"_s + html, htmltest::waitMs);
    }

    void formattingKeysOfTheEditingArea_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("tag");
        QTest::newRow("Ctrl+B") << int(Qt::Key_B) << u"b"_s;
        QTest::newRow("Ctrl+I") << int(Qt::Key_I) << u"i"_s;
        QTest::newRow("Ctrl+U") << int(Qt::Key_U) << u"u"_s;
    }
    void formattingKeysOfTheEditingArea() {
        QFETCH(int, key);
        QFETCH(QString, tag);
        QVERIFY(page().type(u"ab"_s));
        QVERIFY(page().select(u"b"_s));
        QVERIFY(page().key(Qt::Key(key), Qt::ControlModifier));
        QCOMPARE(page().fragment(), u"a<%1>b</%1>"_s.arg(tag));
    }

    void everySymbolIsOfferedBySubject() {
        // Those the authors asked for and those the page always had.
        const QString wanted = u"ρητνΦ℃∵∴△∅⊆⇔⇌↑↓·−≌∽∝αβγδεθλμπσφωΔΣΩ≤≥≠≈±×÷√∞∑∫°→←⇒∈∉⊂∪∩∠⊥∥′″‰…"_s;
        const QStringList groups =
            page()
                .run(u"Array.from(document.querySelectorAll('#symbol-groups button'), b => b.textContent)"_s)
                .toStringList();
        for (const QString& subject :
             {u"希腊字母"_s, u"关系"_s, u"箭头"_s, u"集合与逻辑"_s, u"几何"_s, u"单位"_s, u"化学"_s})
            QVERIFY2(groups.contains(subject), qPrintable(subject));

        QMap<QString, QStringList> offered; // symbol -> its groups
        for (const QString& group : groups) {
            QVERIFY(
                page().pressWhere(u"#symbol-groups button[data-group=\"%1\"]"_s.arg(group), Qt::Key_Space));
            QCOMPARE(page()
                         .run(u"document.querySelector('#symbol-groups [aria-pressed=true]').textContent"_s)
                         .toString(),
                     group);
            const QStringList shown =
                page()
                    .run(u"Array.from(document.querySelectorAll('#symbols button'), b => b.textContent)"_s)
                    .toStringList();
            QVERIFY(!shown.isEmpty());
            for (const QString& symbol : shown)
                offered[symbol] << group;
        }
        for (const QChar symbol : wanted)
            QVERIFY2(offered.contains(QString(symbol)), qPrintable(QString(symbol)));

        // Each goes in at the caret, in place of the selection, as text.
        for (auto it = offered.cbegin(); it != offered.cend(); ++it) {
            const QString html =
                page()
                    .run(u"var v = document.getElementById('visual'); v.textContent = 'a<>b';"
                         "v.dispatchEvent(new Event('input')); probe.select('<>', 0);"
                         "document.querySelector('#symbol-groups button[data-group=\"%1\"]').click();"
                         "document.querySelector('#symbols button[data-symbol=\"%2\"]').click();"
                         "gettext(); document.all['cun1'].value"_s.arg(it.value().first(), it.key()))
                    .toString();
            QCOMPARE(rendered::Fragment(html).plainText(), u"a"_s + it.key() + u"b"_s);
            QCOMPARE(rendered::faults(html), QStringList());
        }
    }

    // Tab from the first control to the source box passes every control of the page, and each has a
    // name a screen reader can say.
    void everyToolIsReachedWithTabAndNamed() {
        QVERIFY(page().type(u"one two"_s));
        QVERIFY(page().key(Qt::Key_Z, Qt::ControlModifier)); // both undo and redo can be used now
        const QStringList controls =
            page()
                .run(u"Array.from(document.querySelectorAll('button, input:not([type=hidden]), textarea, "
                     "[contenteditable=true]'), e => e.id || e.textContent)"_s)
                .toStringList();
        QVERIFY(controls.size() > 40);
        QVERIFY(page().ok(u"document.querySelector('button').focus(); true"_s));
        QStringList reached;
        QStringList unnamed;
        for (int presses = 0; presses < 2 * controls.size(); ++presses) {
            const QVariantList here =
                page()
                    .run(u"(function () { var e = document.activeElement;"
                         "var label = e.getAttribute('aria-label') || (e.labels && e.labels.length && "
                         "e.labels[0].textContent)"
                         " || (e.getAttribute('aria-labelledby') && "
                         "document.getElementById(e.getAttribute('aria-labelledby')).textContent)"
                         " || (e.localName === 'button' && e.textContent) || '';"
                         "return [e.id || e.textContent, label.trim()]; })()"_s)
                    .toList();
            QCOMPARE(here.size(), 2);
            reached << here[0].toString();
            if (here[1].toString().isEmpty())
                unnamed << here[0].toString();
            if (here[0].toString() == u"source"_s)
                break;
            QVERIFY(page().key(Qt::Key_Tab));
        }
        QCOMPARE(unnamed, QStringList());
        for (const QString& control : controls)
            QVERIFY2(reached.contains(control), qPrintable(control));
    }

    void buttonsAreActivatedWithEnterAndSpace_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Space") << int(Qt::Key_Space);
    }
    void buttonsAreActivatedWithEnterAndSpace() {
        QFETCH(int, key);
        QVERIFY(page().type(u"ab"_s));
        QVERIFY(page().select(u"b"_s));
        QVERIFY(page().press(u"bold"_s, Qt::Key(key)));
        QCOMPARE(page().fragment(), u"a<b>b</b>"_s);
        QVERIFY(page().press(u"undo"_s, Qt::Key(key)));
        QCOMPARE(page().fragment(), u"ab"_s);
        QVERIFY(page().press(u"redo"_s, Qt::Key(key)));
        QCOMPARE(page().fragment(), u"a<b>b</b>"_s);
    }

    void pageFitsThePanel() {
        QCOMPARE(page().view()->size(), QSize(681, 338));
        // Long content and a long notice scroll inside their boxes; the page itself never scrolls.
        QStringList lines;
        for (int line = 0; line < 30; ++line)
            lines << u"a long line of the formula, <b>again</b> and again and again and again and again"_s;
        QVERIFY(page().setSource(lines.join(u"<br>"_s)));
        QVERIFY(page().typeSource(u"<b>not well formed, and says so"_s));
        QVERIFY(!page().notice().isEmpty());
        const QVariantList sizes = page()
                                       .run(u"[document.documentElement.scrollWidth, window.innerWidth,"
                                            " document.documentElement.scrollHeight, window.innerHeight]"_s)
                                       .toList();
        QCOMPARE(sizes.size(), 4);
        QCOMPARE(sizes[1].toInt(), 681);
        QVERIFY2(sizes[0].toInt() <= sizes[1].toInt(), qPrintable(sizes[0].toString()));
        QVERIFY2(sizes[2].toInt() <= sizes[3].toInt(), qPrintable(sizes[2].toString()));
        // Every control is inside the panel.
        QCOMPARE(
            page()
                .run(u"Array.from(document.querySelectorAll('button, input:not([type=hidden]), textarea, "
                     u"#visual, #notice'))"
                     ".filter(e => { var r = e.getBoundingClientRect();"
                     " return r.left < 0 || r.top < 0 || r.right > innerWidth || r.bottom > innerHeight; })"
                     ".map(e => e.id || e.textContent)"_s)
                .toStringList(),
            QStringList());
    }

    // A file dropped on the page would take the browser away from it.
    void droppedFileIsRefused() {
        QCOMPARE(
            page().run(
                u"var d = new DataTransfer(); d.items.add(new File(['x'], 'x.html', {type: 'text/html'}));"
                "var e = new DragEvent('drop', {dataTransfer: d, bubbles: true, cancelable: true});"
                "document.getElementById('visual').dispatchEvent(e); e.defaultPrevented"_s),
            QVariant(true));
        QCOMPARE(page().fragment(), QString());
    }

    void pageRefersToNothingOutsideItself() {
        const QString html =
            QString::fromUtf8(testfiles::readFile(QStringLiteral(QELBRIN_PROGRAM_DIR "/tavrindata/h.html")));
        QVERIFY(html.contains(u"function gettext()"_s));
        for (const QString& reference : {u"http:"_s, u"https:"_s, u"//"_s + u"cdn"_s, u"src="_s, u"href="_s,
                                         u"url("_s, u"@import"_s, u"@font-face"_s})
            QVERIFY2(!html.contains(reference, Qt::CaseInsensitive), qPrintable(reference));
    }
};

QELBRIN_HTML_TEST_MAIN(HtmlHelperPageTest)
#include "tst_html_helper_page.moc"
