#include "app/TForm1.h"

#include <QTest>

using namespace Qt::StringLiterals;

class DaanTextTest : public QObject {
    Q_OBJECT

private slots:
    void rendersAnswers_data() {
        QTest::addColumn<int>("daanleixing");
        QTest::addColumn<uint>("ti_daan");
        QTest::addColumn<QString>("text");

        QTest::newRow("single choice A") << 1 << 1u << u"A"_s;
        QTest::newRow("single choice D") << 1 << 4u << u"D"_s;
        QTest::newRow("type 1 code 5 is false") << 1 << 5u << u"错"_s;
        QTest::newRow("type 1 code 6 is true") << 1 << 6u << u"对"_s;
        QTest::newRow("true/false true") << 2 << 6u << u"对"_s;
        QTest::newRow("true/false false") << 2 << 5u << u"错"_s;
        QTest::newRow("type 2 with a letter code") << 2 << 3u << u"C"_s;
        QTest::newRow("no answer") << 1 << 0u << QString();
        QTest::newRow("code beyond 6") << 2 << 7u << QString();
        QTest::newRow("unknown type reads the code") << 9 << 2u << u"B"_s;
        QTest::newRow("multiple ABD") << 3 << 0x16u << u"ABD"_s;
        QTest::newRow("multiple A to H") << 3 << 0x1FEu << u"ABCDEFGH"_s;
        QTest::newRow("multiple none") << 3 << 0u << QString();
        QTest::newRow("bit 1 has no letter") << 3 << 0x1u << QString();
        QTest::newRow("bit 0x200 has no letter") << 3 << 0x200u << QString();
        QTest::newRow("after H comes J") << 3 << 0x402u << u"AJ"_s;
        QTest::newRow("K, and nothing above it") << 3 << (0x800u | 0x1000u | 0x80000000u) << u"K"_s;
        QTest::newRow("multiple with code 6 is letters") << 3 << 6u << u"AB"_s;
    }
    void rendersAnswers() {
        QFETCH(int, daanleixing);
        QFETCH(uint, ti_daan);
        QFETCH(QString, text);
        QCOMPARE(TForm1::DaanText(daanleixing, ti_daan), text);
    }
};

QTEST_GUILESS_MAIN(DaanTextTest)
#include "tst_daantext.moc"
