// The list's compact row storage: whatever is appended, rewritten and removed, each row gives back
// exactly the texts last written to it, in a list of many blocks' worth of rows, with rows longer than
// a block, rows rewritten longer and shorter, and rows removed at either end and in the middle. A plain
// list of strings kept beside it is the reference.
#include "app/RowTexts.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTest>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Reference = std::vector<QStringList>;

RowTexts::Cells viewsOf(const QStringList& texts) {
    RowTexts::Cells cells;
    for (int c = 0; c < RowTexts::CellCount; ++c)
        cells[static_cast<std::size_t>(c)] = texts.at(c);
    return cells;
}

// Five texts for row `n`: an ID, a text of `length` characters of every plane, and short cells.
QStringList textsOf(int n, int length) {
    QString text;
    static const QString pieces[] = {u"甲"_s, u"a"_s, u"\r\n"_s, u"😀"_s, u"𠀀"_s, QString(), u"\u2028"_s};
    for (int i = 0; text.size() < length; ++i)
        text += pieces[(n + i) % 7];
    text.truncate(length);
    return {QString::number(n), text, n % 3 ? u"ABD"_s : QString(), u"解析%1"_s.arg(n), QString()};
}

void append(RowTexts& rows, Reference& reference, const QStringList& texts) {
    rows.append(viewsOf(texts));
    reference.push_back(texts);
}

// Every cell of every row, compared with the reference; the first difference is named.
bool sameAs(const RowTexts& rows, const Reference& reference) {
    if (rows.size() != reference.size()) {
        qWarning("%zu rows, not %zu", rows.size(), reference.size());
        return false;
    }
    for (std::size_t r = 0; r < reference.size(); ++r)
        for (int c = 0; c < RowTexts::CellCount; ++c)
            if (rows.cell(r, c) != reference[r].at(c)) {
                qWarning("row %zu, cell %d differs", r, c);
                return false;
            }
    return true;
}

} // namespace

class RowTextsTest : public QObject {
    Q_OBJECT

private slots:
    void emptyTextsAndEmptyRows() {
        RowTexts rows;
        Reference reference;
        QCOMPARE(rows.size(), std::size_t(0));
        append(rows, reference, {QString(), QString(), QString(), QString(), QString()});
        append(rows, reference, {u"1"_s, QString(), u"A"_s, QString(), u"p.jpg"_s});
        QVERIFY(sameAs(rows, reference));
        QVERIFY(rows.cell(0, 1).isEmpty());
    }

    // Enough rows for many blocks, some longer than a block, in an order that leaves blocks part used.
    void manyRowsOverManyBlocks() {
        RowTexts rows;
        Reference reference;
        for (int n = 0; n < 20000; ++n)
            append(rows, reference, textsOf(n, n % 1000 == 7 ? 700000 : 40 + n % 300));
        QVERIFY(sameAs(rows, reference));
    }

    void rewrittenRowsKeepTheirNeighbours_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("length");
        QTest::newRow("first, shorter") << 0 << 3;
        QTest::newRow("middle, same length") << 500 << 40 + 500 % 300;
        QTest::newRow("middle, longer") << 500 << 5000;
        QTest::newRow("middle, longer than a block") << 500 << 1200000;
        QTest::newRow("last, emptied") << 999 << 0;
    }

    void rewrittenRowsKeepTheirNeighbours() {
        QFETCH(int, row);
        QFETCH(int, length);
        RowTexts rows;
        Reference reference;
        for (int n = 0; n < 1000; ++n)
            append(rows, reference, textsOf(n, 40 + n % 300));
        const QStringList texts = textsOf(row + 7, length);
        rows.replace(static_cast<std::size_t>(row), viewsOf(texts));
        reference[static_cast<std::size_t>(row)] = texts;
        QVERIFY(sameAs(rows, reference));
        // Written again, longer then shorter, as an editor's saves do.
        for (const int again : {length + 10, 1, length}) {
            const QStringList next = textsOf(row + again, again);
            rows.replace(static_cast<std::size_t>(row), viewsOf(next));
            reference[static_cast<std::size_t>(row)] = next;
            QVERIFY(sameAs(rows, reference));
        }
        append(rows, reference, textsOf(1000, 100));
        QVERIFY(sameAs(rows, reference));
    }

    // A row written again from its own texts, shifted (as a caller passing views into the list might).
    void aRowRewrittenFromItsOwnTexts() {
        RowTexts rows;
        Reference reference;
        for (int n = 0; n < 3; ++n)
            append(rows, reference, textsOf(n, 50));
        const QStringList texts = reference[1];
        rows.replace(1, {rows.cell(1, 1), rows.cell(1, 0), rows.cell(1, 2), QStringView(), rows.cell(1, 3)});
        reference[1] = QStringList{texts[1], texts[0], texts[2], QString(), texts[3]};
        QVERIFY(sameAs(rows, reference));
    }

    void removedRowsCloseTheGap() {
        RowTexts rows;
        Reference reference;
        for (int n = 0; n < 1000; ++n)
            append(rows, reference, textsOf(n, 40 + n % 300));
        for (const std::size_t row : {std::size_t(0), std::size_t(998), std::size_t(400), std::size_t(400)}) {
            rows.remove(row);
            reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(row));
            QVERIFY(sameAs(rows, reference));
        }
        append(rows, reference, textsOf(5, 77));
        QVERIFY(sameAs(rows, reference));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, rows.remove(rows.size()));
    }

    // Appends, rewrites and removes mixed at random, from a fixed seed.
    void mixedChanges() {
        QRandomGenerator random(1729);
        RowTexts rows;
        Reference reference;
        for (int step = 0; step < 5000; ++step) {
            const int what = random.bounded(10);
            const int length = random.bounded(20) == 0 ? random.bounded(300000) : random.bounded(200);
            const QStringList texts = textsOf(step, length);
            if (reference.empty() || what < 5) {
                append(rows, reference, texts);
            } else if (what < 8) {
                const auto row = static_cast<std::size_t>(random.bounded(int(reference.size())));
                rows.replace(row, viewsOf(texts));
                reference[row] = texts;
            } else {
                const auto row = static_cast<std::size_t>(random.bounded(int(reference.size())));
                rows.remove(row);
                reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(row));
            }
        }
        QVERIFY(sameAs(rows, reference));
    }
};

QTEST_MAIN(RowTextsTest)
#include "tst_row_texts.moc"
