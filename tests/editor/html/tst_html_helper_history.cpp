// Undo and redo on the helper page, with Ctrl+Z / Ctrl+Y and with the buttons: every tool undone
// to the state before it (the selection it acted on selected again), typing undone word by word,
// "清空" undone, the source box's edits undone, and more than a hundred steps kept.
#include "tests/editor/html/HelperPage.h"
#include "tests/editor/html/RenderedFragment.h"

using namespace Qt::StringLiterals;
using namespace helperpage;

namespace {

struct Snapshot {
    QString fragment;
    QString source;
    bool operator==(const Snapshot&) const = default;
};

} // namespace

class HtmlHelperHistoryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<HelperPage> page_;
    HelperPage& page() { return *page_; }
    Snapshot now() { return {page().fragment(), page().source()}; }
    QString selectedText() {
        return page().run(u"getSelection().toString().replace(/\\u200B/g, '')"_s).toString();
    }
    bool undoKey() { return page().key(Qt::Key_Z, Qt::ControlModifier); }
    bool redoKey() { return page().key(Qt::Key_Y, Qt::ControlModifier); }

private slots:
    void initTestCase() { page_ = std::make_unique<HelperPage>(); }
    void cleanupTestCase() { page_.reset(); }
    void init() { QVERIFY(page().open()); }
    void cleanup() { QVERIFY(page().window().os.errors.isEmpty()); }

    void nothingToUndoOnAFreshPage() {
        QCOMPARE(
            page().run(
                u"[document.getElementById('undo').disabled, document.getElementById('redo').disabled]"_s),
            QVariant(QVariantList{true, true}));
        QVERIFY(undoKey());
        QCOMPARE(page().fragment(), QString());
    }

    // Every tool on the text "ab cd" with "cd" selected (the fields filled where the tool reads one).
    void everyToolIsUndone_data() {
        QTest::addColumn<QString>("tool");
        for (const char* tool : {"bold", "italic", "underline", "sup", "sub", "fraction", "slanted-fraction",
                                 "root", "vector", "overline", "line-break", "table", "chemistry", "clear"})
            QTest::newRow(tool) << QString::fromLatin1(tool);
        QTest::newRow("symbol") << u"#symbols button"_s;
        QTest::newRow("root with an index") << u"root-index"_s;
        QTest::newRow("chemistry field") << u"chem-input"_s;
    }
    void everyToolIsUndone() {
        QFETCH(QString, tool);
        QVERIFY(page().focusEditingArea());
        QVERIFY(page().type(u"ab cd"_s));
        QVERIFY(page().setField(u"chem-input"_s, u"SO4^2-"_s) && page().setField(u"root-index"_s, u"3"_s));
        QVERIFY(page().select(u"cd"_s));
        const Snapshot before = now();

        QVERIFY(tool.startsWith(u'#') ? page().pressWhere(tool) : page().press(tool));
        const Snapshot after = now();
        QVERIFY2(after != before, qPrintable(after.fragment));

        QVERIFY(undoKey());
        QCOMPARE(now(), before);
        QCOMPARE(selectedText(), u"cd"_s);
        QVERIFY(redoKey());
        QCOMPARE(now(), after);
        // The same with the buttons.
        QVERIFY(page().press(u"undo"_s, Qt::Key_Space));
        QCOMPARE(now(), before);
        QVERIFY(page().press(u"redo"_s));
        QCOMPARE(now(), after);
    }

    void typingIsUndoneWordByWord() {
        QVERIFY(page().type(u"one two three"_s));
        QVERIFY(undoKey());
        QCOMPARE(page().fragment(), u"one two"_s);
        QVERIFY(undoKey());
        QCOMPARE(page().fragment(), u"one"_s);
        QVERIFY(page().key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier)); // redo, too
        QCOMPARE(page().fragment(), u"one two"_s);
        QVERIFY(undoKey() && undoKey());
        QCOMPARE(page().fragment(), QString());
        QVERIFY(redoKey() && redoKey() && redoKey());
        QCOMPARE(page().fragment(), u"one two three"_s);
        // Deleting is a step of its own.
        QVERIFY(page().key(Qt::Key_Backspace) && page().key(Qt::Key_Backspace));
        QCOMPARE(page().fragment(), u"one two thr"_s);
        QVERIFY(undoKey());
        QCOMPARE(page().fragment(), u"one two three"_s);
    }

    void typingAfterAToolIsAStepOfItsOwn() {
        QVERIFY(page().type(u"x"_s));
        QVERIFY(page().press(u"sup"_s)); // nothing selected: what is typed next is raised
        QVERIFY(page().type(u"2"_s));
        QCOMPARE(page().fragment(), u"x<sup>2</sup>"_s);
        QVERIFY(undoKey());
        QCOMPARE(page().fragment(), u"x"_s);
    }

    void aNewEditDropsWhatCouldBeRedone() {
        QVERIFY(page().type(u"a b"_s));
        QVERIFY(undoKey());
        QVERIFY(page().type(u"c"_s));
        QVERIFY(redoKey());
        QCOMPARE(page().fragment(), u"ac"_s);
        QCOMPARE(page().run(u"document.getElementById('redo').disabled"_s), QVariant(true));
    }

    void clearingIsUndone() {
        QVERIFY(page().type(u"E=mc2"_s));
        QVERIFY(page().select(u"2"_s) && page().press(u"sup"_s));
        const Snapshot before = now();
        QVERIFY(page().press(u"clear"_s));
        QCOMPARE(now(), (Snapshot{QString(), QString()}));
        QVERIFY(undoKey());
        QCOMPARE(now(), before);
        // And it no longer sits beside the underline button.
        const QVariantList gap =
            page()
                .run(u"[document.getElementById('underline').getBoundingClientRect().right,"
                     " document.getElementById('clear').getBoundingClientRect().left]"_s)
                .toList();
        QVERIFY(gap[1].toDouble() - gap[0].toDouble() > 200);
    }

    void sourceEditsAreUndone() {
        QVERIFY(page().type(u"x"_s));
        QVERIFY(page().typeSource(u"<b>bold</b>"_s));
        QCOMPARE(page().fragment(), u"<b>bold</b>"_s);
        QVERIFY(undoKey()); // in the source box
        QCOMPARE(page().focused(), u"source"_s);
        QCOMPARE(now(), (Snapshot{u"x"_s, u"x"_s}));
        QVERIFY(redoKey());
        QCOMPARE(now(), (Snapshot{u"<b>bold</b>"_s, u"<b>bold</b>"_s}));
    }

    void faultySourceComesBackWithItsNotice() {
        QVERIFY(page().typeSource(u"<b>x"_s));
        const QString notice = page().notice();
        QVERIFY(!notice.isEmpty());
        QVERIFY(page().focusEditingArea() && page().caretAtEnd() && page().type(u"y"_s));
        QCOMPARE(page().source(), u"y"_s);
        QVERIFY(page().notice().isEmpty());
        QVERIFY(undoKey());
        QCOMPARE(page().source(), u"<b>x"_s);
        QCOMPARE(page().notice(), notice);
    }

    void moreThanAHundredStepsAreKept() {
        constexpr int steps = 120;
        QVERIFY(page().focusEditingArea());
        for (int i = 0; i < steps; ++i)
            QVERIFY(
                page().ok(u"document.querySelectorAll('#symbols button')[%1].click(); true"_s.arg(i % 20)));
        const QString full = page().fragment();
        QCOMPARE(rendered::Fragment(full).plainText().size(), steps);
        for (int i = 0; i < steps; ++i)
            QVERIFY(undoKey());
        QCOMPARE(page().fragment(), QString());
        QCOMPARE(page().run(u"document.getElementById('undo').disabled"_s), QVariant(true));
        for (int i = 0; i < steps; ++i)
            QVERIFY(redoKey());
        QCOMPARE(page().fragment(), full);
    }
};

QELBRIN_HTML_TEST_MAIN(HtmlHelperHistoryTest)
#include "tst_html_helper_history.moc"
