// The helper page's source box and editing area kept in step: each shows what is done in the other,
// a source that is not well-formed is said beside the preview and never taken, and no markup that
// comes in (typed into the source box, pasted, or anything a run of random editing makes) puts more
// than plain HTML into the fragment.
#include "tests/editor/html/HelperPage.h"
#include "tests/editor/html/RenderedFragment.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;
using namespace helperpage;

class HtmlHelperSourceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<HelperPage> page_;
    HelperPage& page() { return *page_; }
    QString visualText() {
        return page()
            .run(u"document.getElementById('visual').textContent.replace(/\\u200B/g, '')"_s)
            .toString();
    }
    QString noticeKind() {
        return page().run(u"document.getElementById('notice').getAttribute('data-kind') || ''"_s).toString();
    }

private slots:
    void initTestCase() { page_ = std::make_unique<HelperPage>(); }
    void cleanupTestCase() { page_.reset(); }
    void init() { QVERIFY(page().open()); }
    void cleanup() { QVERIFY(page().window().os.errors.isEmpty()); }

    void editingAreaShowsInTheSourceBox() {
        QVERIFY(page().type(u"a<b"_s));
        QCOMPARE(page().source(), u"a&lt;b"_s);
        QVERIFY(page().select(u"b"_s) && page().press(u"sub"_s));
        QCOMPARE(page().source(), u"a&lt;<sub>b</sub>"_s);
    }

    void sourceBoxShowsInTheEditingArea() {
        QVERIFY(page().typeSource(u"<b>x</b>y<sup>2</sup> &lt;&amp;"_s));
        QCOMPARE(visualText(), u"xy2 <&"_s);
        QCOMPARE(page().run(u"[document.querySelector('#visual b').textContent,"
                            " document.querySelector('#visual sup').textContent]"_s),
                 QVariant(QVariantList{u"x"_s, u"2"_s}));
        QCOMPARE(page().notice(), QString());
        QCOMPARE(page().fragment(), u"<b>x</b>y<sup>2</sup> &lt;&amp;"_s);
        // Typing goes on in the editing area from there.
        QVERIFY(page().focusEditingArea() && page().caretAtEnd() && page().type(u"z"_s));
        QCOMPARE(page().source(), u"<b>x</b>y<sup>2</sup> &lt;&amp;z"_s);
    }

    void leavingTheSourceBoxShowsTheFragment() {
        QVERIFY(page().typeSource(u"<B>x</B>  <strong>y</strong><em>z</em>"_s));
        QVERIFY(page().key(Qt::Key_Tab));
        QCOMPARE(page().source(), u"<b>x</b> <b>y</b><i>z</i>"_s);
        QCOMPARE(page().fragment(), page().source());
    }

    void faultySourceIsSaidBesideThePreview_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("unclosed tag") << u"<b>x"_s;
        QTest::newRow("tag without its >") << u"a<b"_s;
        QTest::newRow("a stray <") << u"x < y"_s;
        QTest::newRow("< at the end") << u"x<"_s;
        QTest::newRow("crossed tags") << u"<i><b>x</i></b>"_s;
        QTest::newRow("wrong end tag") << u"<sup>2</sub>"_s;
        QTest::newRow("end tag too many") << u"<sup>2</sup></sup>"_s;
        QTest::newRow("unknown entity") << u"a &nosuch; b"_s;
        QTest::newRow("open quote") << u"<span style=\"x>y</span>"_s;
        QTest::newRow("cell outside a row") << u"<td>x</td>"_s;
        QTest::newRow("text in a table row") << u"<table><tr>x</tr></table>"_s;
        QTest::newRow("self-closed span") << u"<span/>x"_s;
    }
    // Each put into the source box at once, as a paste would (typed, the well-formed start of some
    // of them would be taken: a<b is "a" while only the "a" is typed).
    void faultySourceIsSaidBesideThePreview() {
        QFETCH(QString, source);
        QVERIFY(page().typeSource(u"<i>good</i>"_s));
        QCOMPARE(page().notice(), QString());

        QVERIFY(page().focus(u"source"_s) && page().setSource(source));
        QCOMPARE(noticeKind(), u"error"_s);
        QVERIFY(!page().notice().isEmpty());
        // The editing area and the fragment keep the last well-formed source; the box keeps what was typed.
        QCOMPARE(visualText(), u"good"_s);
        QCOMPARE(page().fragment(), u"<i>good</i>"_s);
        QCOMPARE(page().source(), source);
        QVERIFY(page().key(Qt::Key_Tab));
        QCOMPARE(page().source(), source);
        // The notice stands under the editing area.
        const QVariantList boxes =
            page()
                .run(u"[document.getElementById('visual').getBoundingClientRect().bottom,"
                     " document.getElementById('notice').getBoundingClientRect().top,"
                     " document.getElementById('notice').getBoundingClientRect().bottom,"
                     " innerHeight]"_s)
                .toList();
        QVERIFY(boxes[0].toDouble() <= boxes[1].toDouble() && boxes[2].toDouble() <= boxes[3].toDouble());

        QVERIFY(page().typeSource(u"fixed"_s));
        QCOMPARE(page().notice(), QString());
        QCOMPARE(page().fragment(), u"fixed"_s);
    }

    // Well-formed, but more than a quiz program should get: the page keeps the text and says what went.
    void typingIntoTheSourceTakesEachWellFormedStep() {
        QVERIFY(page().typeSource(u"a<b>c</b>"_s));
        QCOMPARE(page().notice(), QString());
        QCOMPARE(page().fragment(), u"a<b>c</b>"_s);
        QVERIFY(page().key(Qt::Key_Backspace));
        QVERIFY(!page().notice().isEmpty());
        QCOMPARE(page().fragment(), u"a<b>c</b>"_s);
        QVERIFY(page().type(u">"_s) && page().key(Qt::Key_Left) && page().key(Qt::Key_Left) &&
                page().key(Qt::Key_Left) && page().key(Qt::Key_Left) && page().type(u"d"_s));
        QCOMPARE(page().source(), u"a<b>cd</b>"_s);
        QCOMPARE(page().notice(), QString());
        QCOMPARE(page().fragment(), u"a<b>cd</b>"_s);
    }

    void foreignMarkupNeverReachesTheFragment_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("text");
        QTest::newRow("script") << u"a<script>alert(1)</script>b"_s << u"ab"_s;
        QTest::newRow("style element") << u"<style>b { color: red }</style>x"_s << u"x"_s;
        QTest::newRow("class and events")
            << u"<b class=\"hot\" onclick=\"f()\" onmouseover='g()' id=\"k\">x</b>"_s << u"x"_s;
        QTest::newRow("foreign styles")
            << u"<span style=\"color:red; position:fixed; background:url(x.png)\">x</span>"_s << u"x"_s;
        QTest::newRow("image and link")
            << u"<img src=\"x.png\" onerror=\"f()\"><a href=\"http://e.x\">x</a>"_s << u"x"_s;
        QTest::newRow("frames and forms")
            << u"<iframe src=\"x\"></iframe><form><input value=\"v\"><button>b</button></form>x"_s << u"x"_s;
        QTest::newRow("blocks") << u"<div>x</div><p>y</p><font color=\"red\">z</font>"_s << u"x\ny\nz"_s;
        QTest::newRow("table with events")
            << u"<table onclick=\"f()\" class=\"t\"><tr><td class=\"c\" style=\"color:red\">x</td></tr></table>"_s
            << u"x"_s;
    }
    void foreignMarkupNeverReachesTheFragment() {
        QFETCH(QString, source);
        QFETCH(QString, text);
        QVERIFY(page().typeSource(source));
        const QString html = page().fragment();
        QCOMPARE(rendered::faults(html), QStringList());
        QCOMPARE(rendered::Fragment(html).plainText().trimmed(), text);
        QCOMPARE(noticeKind(), u"warning"_s);
    }

    void pastedMarkupIsCleaned() {
        auto* data = new QMimeData;
        data->setHtml(u"<meta charset=\"utf-8\"><div class=\"x\" style=\"color:red\" onclick=\"f()\">"
                      "<strong>bold</strong> <span style=\"vertical-align:super\">2</span>"
                      "<script>alert(1)</script><img src=\"x.png\"></div>"_s);
        data->setText(u"bold 2"_s);
        QApplication::clipboard()->setMimeData(data);
        QVERIFY(page().focusEditingArea());
        QVERIFY(page().type(u"a "_s));
        QVERIFY(page().key(Qt::Key_V, Qt::ControlModifier));
        QTRY_COMPARE_WITH_TIMEOUT(page().fragment(), u"a <b>bold</b> <sup>2</sup>"_s, htmltest::waitMs);
        // Plain text keeps its lines and spaces.
        QVERIFY(page().ok(u"probe.paste('', 'x  y\\nz')"_s));
        const QString html = page().fragment();
        QCOMPARE(rendered::faults(html), QStringList());
        QCOMPARE(rendered::Fragment(html).plainText(), u"a bold 2x  y\nz"_s);
    }

    // Random editing from a fixed seed: after every action the fragment is plain HTML, Qt shows no
    // markup as text, and the fragment read back through the source box is itself again.
    void randomEditingKeepsTheFragmentPlain() {
        QRandomGenerator random(19);
        const QStringList tools{u"bold"_s,      u"italic"_s,   u"underline"_s,        u"sup"_s,
                                u"sub"_s,       u"fraction"_s, u"slanted-fraction"_s, u"root"_s,
                                u"vector"_s,    u"overline"_s, u"line-break"_s,       u"table"_s,
                                u"chemistry"_s, u"clear"_s};
        const QStringList markups{
            u"<b onclick=\"f()\">x</b><script>alert(1)</script>"_s,
            u"<table class=\"t\"><tr><td style=\"border-top:1px solid;color:red\">x</td></tr></table>"_s,
            u"<span style=\"text-decoration:overline\">xy<table><tr><td>1</td></tr><tr><td "
            "style=\"border-top:1px solid\">2</td></tr></table></span>"_s,
            u"<sup>x<sub>y</sub></sup><br><br><div>z</div><style>*{}</style>"_s,
            u"<i>x<u>y</i>z</u>"_s,
            u"<table cellspacing=\"0\" cellpadding=\"0\"><tr><td valign=\"middle\">x</td><td "
            u"valign=\"middle\">"
            "<table><tr><td>→</td></tr><tr><td>y</td></tr></table></td></tr></table>"_s,
            u"&lt;x&gt; &amp;&quot; &nbsp;z"_s,
        };
        const QString letters = u"xyz <>&\"'=/;1"_s;
        QVERIFY(page().setField(u"chem-input"_s, QString()));
        for (int round = 0; round < 160; ++round) {
            const int action = random.bounded(10);
            QString did;
            if (action < 3) {
                QString typed;
                for (int n = random.bounded(1, 5); n > 0; --n)
                    typed += letters[random.bounded(letters.size())];
                did = u"typed "_s + typed;
                QVERIFY(page().focusEditingArea());
                QVERIFY(page().type(typed));
            } else if (action < 5) {
                const int count = page().run(u"probe.letterCount()"_s).toInt();
                const int from = random.bounded(count + 1), to = random.bounded(count + 1);
                did = u"selected %1..%2"_s.arg(from).arg(to);
                QVERIFY(page().ok(u"probe.selectLetters(%1, %2)"_s.arg(from).arg(to)));
            } else if (action < 8) {
                const QString tool = tools[random.bounded(tools.size())];
                did = u"pressed "_s + tool;
                if (tool == u"chemistry"_s)
                    QVERIFY(page().setField(u"chem-input"_s, u"SO4^2- <=> x"_s));
                QVERIFY(page().ok(u"document.getElementById(%1).click(); true"_s.arg(literal(tool))));
            } else if (action < 9) {
                did = u"undo or redo"_s;
                QVERIFY(page().key(random.bounded(2) ? Qt::Key_Z : Qt::Key_Y, Qt::ControlModifier));
            } else {
                const QString markup = markups[random.bounded(markups.size())];
                did = u"brought in "_s + markup;
                if (random.bounded(2))
                    QVERIFY(page().ok(u"probe.paste(%1, 'x')"_s.arg(literal(markup))));
                else
                    QVERIFY(page().setSource(markup));
            }
            const QString html = page().fragment();
            const QStringList faults = rendered::faults(html);
            QVERIFY2(faults.isEmpty(), qPrintable(did + u": "_s + faults.join(u", "_s) + u" in "_s + html));
            QVERIFY2(!rendered::showsLiteralTags(rendered::Fragment(html)), qPrintable(did + u": "_s + html));
            if (round % 10 == 9) {
                const QString area = page().run(u"document.getElementById('visual').innerHTML"_s).toString();
                QVERIFY(page().setSource(html));
                QVERIFY2(page().fragment() == html, qPrintable(did + u": "_s + html + u" read back as "_s +
                                                               page().fragment() + u" from "_s + area));
            }
        }
    }
};

QELBRIN_HTML_TEST_MAIN(HtmlHelperSourceTest)
#include "tst_html_helper_source.moc"
