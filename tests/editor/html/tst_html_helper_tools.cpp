// Each tool of the helper page used as an author uses it (text typed into the editing area, some of
// it selected, the tool pressed from the keyboard), judged by the fragment it gives: plain HTML only,
// shown by Qt's rich text (and by the page's browser) with the structure the tool promises, written
// back unchanged when it is read in again through the source box.
#include "tests/editor/html/HelperPage.h"
#include "tests/editor/html/RenderedFragment.h"

#include <functional>

using namespace Qt::StringLiterals;
using namespace helperpage;
using rendered::Fragment;

namespace {

// How far two laid-out boxes may overlap and still be one above the other.
constexpr qreal slack = 2;

bool above(const QRectF& top, const QRectF& bottom) {
    return !top.isNull() && !bottom.isNull() && top.bottom() <= bottom.top() + slack &&
           top.left() < bottom.right() && bottom.left() < top.right();
}
// Only the heights: `top` ends before `bottom` begins.
bool higher(const QRectF& top, const QRectF& bottom) {
    return !top.isNull() && !bottom.isNull() && top.bottom() <= bottom.top() + slack;
}
bool leftOf(const QRectF& left, const QRectF& right) {
    return !left.isNull() && !right.isNull() && left.right() <= right.left() + slack;
}
// Whether `inner`'s middle lies within `outer`'s height: the two stand in one line.
bool sameLine(const QRectF& outer, const QRectF& inner) {
    return !outer.isNull() && !inner.isNull() && outer.top() <= inner.center().y() &&
           inner.center().y() <= outer.bottom();
}

struct ToolCase {
    const char* name;
    QString typed;    // typed into the editing area first
    QString selected; // then selected; the caret stays at the end when empty
    // The tool pressed, and whatever the author types with it.
    std::function<bool(HelperPage&)> use;
    // What the fragment must show; QVERIFY inside returns from it, and the test stops there.
    std::function<void(const Fragment&, HelperPage&, const QString&)> shows;
};

const QList<ToolCase>& toolCases() {
    static const QList<ToolCase> cases{
        {"bold", u"key word"_s, u"key"_s, [](HelperPage& p) { return p.press(u"bold"_s); },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(
                 f.every(u"key"_s, [](const QTextCharFormat& c) { return c.fontWeight() >= QFont::Bold; }));
             QVERIFY(
                 f.every(u"word"_s, [](const QTextCharFormat& c) { return c.fontWeight() < QFont::Bold; }));
         }},
        {"italic", u"let x be"_s, u"x"_s, [](HelperPage& p) { return p.press(u"italic"_s, Qt::Key_Space); },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(f.every(u"x"_s, [](const QTextCharFormat& c) { return c.fontItalic(); }));
             QVERIFY(!f.every(u"let"_s, [](const QTextCharFormat& c) { return c.fontItalic(); }));
         }},
        {"underline", u"under line"_s, u"under"_s, [](HelperPage& p) { return p.press(u"underline"_s); },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(f.every(u"under"_s, [](const QTextCharFormat& c) { return c.fontUnderline(); }));
             QVERIFY(!f.every(u"line"_s, [](const QTextCharFormat& c) { return c.fontUnderline(); }));
         }},
        {"superscript of a selection", u"E=mc2"_s, u"2"_s, [](HelperPage& p) { return p.press(u"sup"_s); },
         [](const Fragment& f, HelperPage&, const QString&) { QCOMPARE(f.notation(), u"E=mc^{2}"_s); }},
        {"subscript of a selection", u"H2O"_s, u"2"_s, [](HelperPage& p) { return p.press(u"sub"_s); },
         [](const Fragment& f, HelperPage&, const QString&) { QCOMPARE(f.notation(), u"H_{2}O"_s); }},
        {"superscript while typing",
         u"x"_s,
         {},
         [](HelperPage& p) {
             return p.press(u"sup"_s) && p.type(u"2"_s) && p.press(u"sup"_s) && p.type(u"+1"_s);
         },
         [](const Fragment& f, HelperPage&, const QString&) { QCOMPARE(f.notation(), u"x^{2}+1"_s); }},
        {"fraction of a selected a/b", u"y=1/2x"_s, u"1/2"_s,
         [](HelperPage& p) { return p.press(u"fraction"_s); },
         [](const Fragment& f, HelperPage& p, const QString& html) {
             QVERIFY(above(f.box(u"1"_s), f.box(u"2"_s)));
             QVERIFY(f.lineBetween(u"1"_s, u"2"_s));
             // The formula stays one line: y= before the fraction, x after it, at its height.
             QVERIFY(leftOf(f.box(u"y="_s), f.box(u"1"_s)) && leftOf(f.box(u"1"_s), f.box(u"x"_s)));
             QVERIFY(sameLine(f.box(u"1"_s).united(f.box(u"2"_s)), f.box(u"y="_s)));
             QVERIFY(sameLine(f.box(u"1"_s).united(f.box(u"2"_s)), f.box(u"x"_s)));
             const QList<QRectF> b = p.browserBoxes(html, {u"y="_s, u"1"_s, u"2"_s, u"x"_s});
             QVERIFY(above(b[1], b[2]));
             QVERIFY(leftOf(b[0], b[1]) && leftOf(b[1], b[3]));
             QVERIFY(sameLine(b[1].united(b[2]), b[0]) && sameLine(b[1].united(b[2]), b[3]));
         }},
        {"fraction of a selection, denominator typed", u"ab"_s, u"a"_s,
         [](HelperPage& p) { return p.press(u"fraction"_s) && p.type(u"c"_s); },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(above(f.box(u"a"_s), f.box(u"c"_s)));
             QVERIFY(f.lineBetween(u"a"_s, u"c"_s));
             QVERIFY(leftOf(f.box(u"a"_s), f.box(u"b"_s)));
         }},
        {"empty fraction filled from the keyboard",
         u"k="_s,
         {},
         [](HelperPage& p) {
             return p.press(u"fraction"_s) && p.type(u"1"_s) && p.key(Qt::Key_Down) && p.type(u"3"_s) &&
                    p.key(Qt::Key_Right) && p.type(u"m"_s);
         },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(above(f.box(u"1"_s), f.box(u"3"_s)));
             QVERIFY(leftOf(f.box(u"k="_s), f.box(u"1"_s)) && leftOf(f.box(u"3"_s), f.box(u"m"_s)));
         }},
        {"fraction in a numerator, with a superscript",
         {},
         {},
         [](HelperPage& p) {
             return p.press(u"fraction"_s) && p.type(u"x"_s) && p.press(u"sup"_s) && p.type(u"2"_s) &&
                    p.press(u"sup"_s) && p.type(u"+"_s) && p.press(u"fraction"_s) && p.type(u"a"_s) &&
                    p.key(Qt::Key_Down) && p.type(u"b"_s) &&
                    p.ok(u"probe.caretIn('#visual > table > tbody > tr:nth-child(2) > td', 0)"_s) &&
                    p.type(u"y"_s);
         },
         [](const Fragment& f, HelperPage& p, const QString& html) {
             QCOMPARE(f.tableCount() >= 2, true);
             QVERIFY(above(f.box(u"a"_s), f.box(u"b"_s)));
             // The whole numerator, the inner fraction with it, stands over the outer denominator.
             QVERIFY(higher(f.box(u"x"_s), f.box(u"y"_s)));
             QVERIFY(higher(f.box(u"b"_s), f.box(u"y"_s)));
             QVERIFY(f.lineBetween(u"b"_s, u"y"_s));
             QVERIFY(f.superscript(u"2"_s));
             QVERIFY(leftOf(f.box(u"x"_s), f.box(u"a"_s)));
             const QList<QRectF> b = p.browserBoxes(html, {u"x"_s, u"a"_s, u"b"_s, u"y"_s});
             QVERIFY(above(b[1], b[2]) && higher(b[0], b[3]) && higher(b[2], b[3]) && leftOf(b[0], b[1]));
         }},
        {"slanted fraction of a selected a/b", u"3/4"_s, u"3/4"_s,
         [](HelperPage& p) { return p.press(u"slanted-fraction"_s); },
         [](const Fragment& f, HelperPage&, const QString&) { QCOMPARE(f.notation(), u"^{3}⁄_{4}"_s); }},
        {"slanted fraction typed into",
         u"p="_s,
         {},
         [](HelperPage& p) {
             return p.press(u"slanted-fraction"_s) && p.type(u"1"_s) && p.key(Qt::Key_Right) &&
                    p.key(Qt::Key_Right) && p.type(u"2"_s) && p.key(Qt::Key_Right) && p.type(u"q"_s);
         },
         [](const Fragment& f, HelperPage&, const QString&) { QCOMPARE(f.notation(), u"p=^{1}⁄_{2}q"_s); }},
        {"square root of a selection", u"x+1>0"_s, u"x+1"_s, [](HelperPage& p) { return p.press(u"root"_s); },
         [](const Fragment& f, HelperPage& p, const QString& html) {
             QVERIFY(f.barred(u"x+1"_s));
             QVERIFY(!f.barred(u">0"_s));
             QVERIFY(leftOf(f.box(u"√"_s), f.box(u"x+1"_s)));
             const QList<QRectF> b = p.browserBoxes(html, {u"√"_s, u"x+1"_s});
             QVERIFY(leftOf(b[0], b[1]));
         }},
        {"cube root", u"8"_s, u"8"_s,
         [](HelperPage& p) { return p.setField(u"root-index"_s, u"3"_s) && p.press(u"root"_s); },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(f.superscript(u"3"_s));
             QVERIFY(f.barred(u"8"_s));
             QVERIFY(leftOf(f.box(u"3"_s), f.box(u"√"_s)) && leftOf(f.box(u"√"_s), f.box(u"8"_s)));
         }},
        {"empty root typed into",
         u"r="_s,
         {},
         [](HelperPage& p) {
             return p.press(u"root"_s) && p.type(u"ab"_s) && p.key(Qt::Key_Right) && p.type(u"c"_s);
         },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(f.barred(u"ab"_s));
             QVERIFY(!f.barred(u"c"_s));
             QVERIFY(!f.barred(u"r="_s));
         }},
        {"root over a fraction", u"1/2"_s, u"1/2"_s,
         [](HelperPage& p) {
             return p.press(u"fraction"_s) && p.ok(u"probe.selectElement('table', 0)"_s) &&
                    p.press(u"root"_s);
         },
         [](const Fragment& f, HelperPage& p, const QString& html) {
             QVERIFY(above(f.box(u"1"_s), f.box(u"2"_s)));
             QVERIFY(f.barred(u"1"_s));
             QVERIFY(leftOf(f.box(u"√"_s), f.box(u"1"_s)));
             const QList<QRectF> b = p.browserBoxes(html, {u"√"_s, u"1"_s, u"2"_s});
             QVERIFY(leftOf(b[0], b[1]) && above(b[1], b[2]));
         }},
        {"fraction typed into an empty root",
         u"r="_s,
         {},
         [](HelperPage& p) {
             return p.press(u"root"_s) && p.press(u"fraction"_s) && p.type(u"1"_s) && p.key(Qt::Key_Down) &&
                    p.type(u"2"_s);
         },
         [](const Fragment& f, HelperPage& p, const QString& html) {
             QVERIFY(above(f.box(u"1"_s), f.box(u"2"_s)));
             QVERIFY(f.barred(u"1"_s));
             QVERIFY(leftOf(f.box(u"√"_s), f.box(u"1"_s)));
             QVERIFY(!f.barred(u"r="_s));
             const QList<QRectF> b = p.browserBoxes(html, {u"√"_s, u"1"_s, u"2"_s});
             QVERIFY(leftOf(b[0], b[1]) && above(b[1], b[2]));
         }},
        {"vector arrow", u"F=ma"_s, u"F"_s, [](HelperPage& p) { return p.press(u"vector"_s); },
         [](const Fragment& f, HelperPage& p, const QString& html) {
             QVERIFY(above(f.box(u"→"_s), f.box(u"F"_s)));
             QVERIFY(sameLine(f.box(u"=ma"_s), f.box(u"F"_s)));
             QVERIFY(leftOf(f.box(u"F"_s), f.box(u"=ma"_s)));
             const QList<QRectF> b = p.browserBoxes(html, {u"→"_s, u"F"_s, u"=ma"_s});
             QVERIFY(above(b[0], b[1]) && leftOf(b[1], b[2]) && sameLine(b[2], b[1]));
         }},
        {"line after a vector that ends the line", u"x F"_s, u"F"_s,
         [](HelperPage& p) {
             return p.press(u"vector"_s) && p.key(Qt::Key_End) && p.key(Qt::Key_Return) && p.type(u"m"_s);
         },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(above(f.box(u"→"_s), f.box(u"F"_s)));
             QVERIFY(higher(f.box(u"F"_s), f.box(u"m"_s)));
             QVERIFY(leftOf(f.box(u"m"_s), f.box(u"F"_s)));
         }},
        {"fraction on the line after a fraction",
         {},
         {},
         [](HelperPage& p) {
             return p.press(u"fraction"_s) && p.type(u"1"_s) && p.key(Qt::Key_Down) && p.type(u"2"_s) &&
                    p.key(Qt::Key_End) && p.key(Qt::Key_Right) && p.key(Qt::Key_Return) &&
                    p.press(u"fraction"_s) && p.type(u"3"_s) && p.key(Qt::Key_Down) && p.type(u"4"_s);
         },
         [](const Fragment& f, HelperPage& p, const QString& html) {
             QVERIFY(above(f.box(u"1"_s), f.box(u"2"_s)) && above(f.box(u"3"_s), f.box(u"4"_s)));
             QVERIFY(higher(f.box(u"2"_s), f.box(u"3"_s)));
             const QList<QRectF> b = p.browserBoxes(html, {u"1"_s, u"2"_s, u"3"_s, u"4"_s});
             QVERIFY(above(b[0], b[1]) && above(b[2], b[3]) && higher(b[1], b[2]));
         }},
        {"overline", u"AB=CD"_s, u"AB"_s, [](HelperPage& p) { return p.press(u"overline"_s); },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(f.barred(u"AB"_s));
             QVERIFY(!f.barred(u"CD"_s));
         }},
        {"line break tool",
         u"ab"_s,
         {},
         [](HelperPage& p) { return p.caretAfter(u"a"_s) && p.press(u"line-break"_s); },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(above(f.box(u"a"_s), f.box(u"b"_s)));
         }},
        {"Enter in the editing area",
         u"ab"_s,
         {},
         [](HelperPage& p) { return p.caretAfter(u"a"_s) && p.key(Qt::Key_Return); },
         [](const Fragment& f, HelperPage&, const QString&) {
             QVERIFY(above(f.box(u"a"_s), f.box(u"b"_s)));
         }},
        {"table of 2 x 3",
         u"t:"_s,
         {},
         [](HelperPage& p) {
             return p.setField(u"table-rows"_s, u"2"_s) && p.setField(u"table-columns"_s, u"3"_s) &&
                    p.press(u"table"_s) && p.type(u"x"_s);
         },
         [](const Fragment& f, HelperPage&, const QString&) {
             QTextTable* table = f.tableAround(u"x"_s);
             QVERIFY(table);
             QCOMPARE(table->rows(), 2);
             QCOMPARE(table->columns(), 3);
             QCOMPARE(table->cellAt(f.find(u"x"_s)).row(), 0);
             QCOMPARE(table->cellAt(f.find(u"x"_s)).column(), 0);
             QVERIFY(above(f.box(u"t:"_s), f.box(u"x"_s)));
         }},
        {"chemistry from the field",
         u"c: "_s,
         {},
         [](HelperPage& p) { return p.setField(u"chem-input"_s, u"H2SO4"_s) && p.press(u"chemistry"_s); },
         [](const Fragment& f, HelperPage& p, const QString&) {
             QCOMPARE(f.notation(), u"c: H_{2}SO_{4}"_s);
             QCOMPARE(p.run(u"document.getElementById('chem-input').value"_s).toString(), QString());
         }},
        {"chemistry of a selection", u"is CO2"_s, u"CO2"_s,
         [](HelperPage& p) { return p.press(u"chemistry"_s); },
         [](const Fragment& f, HelperPage&, const QString&) { QCOMPARE(f.notation(), u"is CO_{2}"_s); }},
        {"symbol",
         u"ab"_s,
         {},
         [](HelperPage& p) {
             return p.caretAfter(u"a"_s) && p.pressSymbol(u"关系"_s, u"∝"_s, Qt::Key_Space);
         },
         [](const Fragment& f, HelperPage&, const QString&) { QCOMPARE(f.plainText(), u"a∝b"_s); }},
        {"clear",
         u"abc"_s,
         {},
         [](HelperPage& p) { return p.press(u"clear"_s); },
         [](const Fragment& f, HelperPage&, const QString& html) {
             QCOMPARE(html, QString());
             QCOMPARE(f.plainText(), QString());
         }},
    };
    return cases;
}

} // namespace

class HtmlHelperToolsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<HelperPage> page_;
    HelperPage& page() { return *page_; }

private slots:
    void initTestCase() { page_ = std::make_unique<HelperPage>(); }
    void cleanupTestCase() { page_.reset(); }
    void init() { QVERIFY(page().open()); }
    void cleanup() { QVERIFY(page().window().os.errors.isEmpty()); }

    void toolGivesWhatItPromises_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < toolCases().size(); ++i)
            QTest::newRow(toolCases()[i].name) << i;
    }
    void toolGivesWhatItPromises() {
        QFETCH(int, index);
        const ToolCase& c = toolCases()[index];
        QVERIFY(page().focusEditingArea());
        QVERIFY(page().type(c.typed));
        QVERIFY(c.selected.isEmpty() ? page().caretAtEnd() : page().select(c.selected));
        const QString before = page().fragment();

        QVERIFY(c.use(page()));
        const QString html = page().fragment();
        QVERIFY2(html != before, qPrintable(html));
        QCOMPARE(rendered::faults(html), QStringList());
        const Fragment shown(html);
        QVERIFY2(!rendered::showsLiteralTags(shown), qPrintable(shown.plainText()));
        c.shows(shown, page(), html);
        if (QTest::currentTestFailed()) {
            qInfo().noquote() << "fragment:" << html;
            return;
        }
        // The source box holds the fragment, and the fragment read back from it is the same.
        QCOMPARE(page().source(), html);
        QVERIFY(page().setSource(html));
        QCOMPARE(page().fragment(), html);
    }

    // The typed formula and what Qt's rich text shows of it, raised and lowered runs marked.
    void chemistry_data() {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("shown");
        QTest::newRow("sulfuric acid") << u"H2SO4"_s << u"H_{2}SO_{4}"_s;
        QTest::newRow("sulfate ion") << u"SO4^2-"_s << u"SO_{4}^{2−}"_s;
        QTest::newRow("iron(III) ion") << u"Fe^3+"_s << u"Fe^{3+}"_s;
        QTest::newRow("charge in braces") << u"Fe^{3+}"_s << u"Fe^{3+}"_s;
        QTest::newRow("count before a formula") << u"5H2O"_s << u"5H_{2}O"_s;
        QTest::newRow("hydrate") << u"CuSO4.5H2O"_s << u"CuSO_{4}·5H_{2}O"_s;
        QTest::newRow("brackets") << u"(NH4)2SO4"_s << u"(NH_{4})_{2}SO_{4}"_s;
        QTest::newRow("bare charges") << u"Na+ + Cl-"_s << u"Na^{+} + Cl^{−}"_s;
        QTest::newRow("equation") << u"2H2+O2=2H2O"_s << u"2H_{2}+O_{2}=2H_{2}O"_s;
        QTest::newRow("equilibrium") << u"N2+3H2<=>2NH3"_s << u"N_{2}+3H_{2}⇌2NH_{3}"_s;
        QTest::newRow("gas") << u"CaCO3=CaO+CO2^"_s << u"CaCO_{3}=CaO+CO_{2}↑"_s;
        QTest::newRow("precipitate") << u"Ba^2+ + SO4^2- = BaSO4v"_s
                                     << u"Ba^{2+} + SO_{4}^{2−} = BaSO_{4}↓"_s;
        QTest::newRow("arrow") << u"2KClO3 -> 2KCl + 3O2^"_s << u"2KClO_{3} → 2KCl + 3O_{2}↑"_s;
        QTest::newRow("text is text") << u"A<B & \"C\""_s << u"A<B & \"C\""_s;
    }
    void chemistry() {
        QFETCH(QString, formula);
        QFETCH(QString, shown);
        QVERIFY(page().setField(u"chem-input"_s, formula));
        QVERIFY(page().press(u"chem-input"_s)); // Enter in the field inserts
        const QString html = page().fragment();
        QCOMPARE(rendered::faults(html), QStringList());
        QCOMPARE(Fragment(html).notation(), shown);
    }

    void chemistryWithNothingToConvertSaysSo() {
        QVERIFY(page().press(u"chemistry"_s));
        QVERIFY(!page().notice().isEmpty());
        QCOMPARE(page().fragment(), QString());
    }

    void tableOfImpossibleSizeSaysSo_data() {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("columns");
        QTest::newRow("no rows") << u"0"_s << u"2"_s;
        QTest::newRow("empty") << u""_s << u"2"_s;
        QTest::newRow("too many columns") << u"2"_s << u"500"_s;
        QTest::newRow("a fraction of a row") << u"1.5"_s << u"2"_s;
    }
    void tableOfImpossibleSizeSaysSo() {
        QFETCH(QString, rows);
        QFETCH(QString, columns);
        QVERIFY(page().focusEditingArea());
        QVERIFY(page().type(u"x"_s));
        QVERIFY(page().setField(u"table-rows"_s, rows) && page().setField(u"table-columns"_s, columns));
        QVERIFY(page().press(u"table"_s));
        QVERIFY(!page().notice().isEmpty());
        QCOMPARE(page().fragment(), u"x"_s);
    }
};

QELBRIN_HTML_TEST_MAIN(HtmlHelperToolsTest)
#include "tst_html_helper_tools.moc"
