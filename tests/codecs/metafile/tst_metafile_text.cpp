#include "PixelChecks.h"
#include "codecs/metafile/FontChoice.h"
#include "codecs/metafile/GdiObjects.h"
#include "codecs/metafile/MetafileImage.h"
#include "codecs/metafile/TextEncoding.h"
#include "tests/support/MetafileWriter.h"

#include <QRawFont>
#include <QtTest>

using metafile::Kind;
using namespace Qt::StringLiterals;

namespace {

U_RECT16 rect16(int l, int t, int r, int b) {
    return U_RECT16_set(point16_set(int16_t(l), int16_t(t)), point16_set(int16_t(r), int16_t(b)));
}

// A WMF font with every field the text tests vary.
WmfWriter& wmfFont(WmfWriter& wmf, int height, const QByteArray& face, quint8 charset, int escapement = 0) {
    QByteArray name = face;
    U_FONT* font = U_FONT_set(int16_t(height), 0, int16_t(escapement), int16_t(escapement), 400, 0, 0, 0,
                              charset, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY,
                              U_DEFAULT_PITCH, name.data());
    wmf.add(U_WMRCREATEFONTINDIRECT_set(font));
    std::free(font);
    return wmf.add(U_WMRSELECTOBJECT_set(0));
}

// EXTTEXTOUT of `bytes` at (x, y), with one advance a byte when `dx` is given.
WmfWriter& wmfText(WmfWriter& wmf, int x, int y, QByteArray bytes, std::vector<int16_t> dx = {}) {
    return wmf.add(U_WMREXTTEXTOUT_set(point16_set(int16_t(x), int16_t(y)), int16_t(bytes.size()), 0,
                                       bytes.data(), dx.empty() ? nullptr : dx.data(), rect16(0, 0, 0, 0)));
}

EmfWriter& emfFont(EmfWriter& emf, int height, const QString& face, int escapement = 0, int width = 0) {
    std::vector<uint16_t> name(face.utf16(), face.utf16() + face.size());
    name.push_back(0);
    const U_LOGFONT logFont =
        logfont_set(height, width, escapement, escapement, 400, 0, 0, 0, U_ANSI_CHARSET, U_OUT_DEFAULT_PRECIS,
                    U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH, name.data());
    uint32_t handle = 0;
    emf.add(
        extcreatefontindirectw_set(&handle, emf.handles(), reinterpret_cast<const char*>(&logFont), nullptr));
    return emf.add(selectobject_set(handle, emf.handles()));
}

// EXTTEXTOUTW of `text` at (x, y), each character `advance` logical units after the one before.
EmfWriter& emfText(EmfWriter& emf, int x, int y, const QString& text, int advance) {
    std::vector<uint16_t> chars(text.utf16(), text.utf16() + text.size());
    chars.push_back(0);
    std::vector<uint32_t> dx(std::size_t(text.size()), uint32_t(advance));
    char* record = emrtext_set(point32_set(x, y), uint32_t(text.size()), 2, chars.data(), U_ETO_NONE,
                               U_RECTL{0, 0, -1, -1}, dx.data());
    emf.add(U_EMREXTTEXTOUTW_set(U_RECTL{0, 0, -1, -1}, U_GM_COMPATIBLE, 1, 1,
                                 reinterpret_cast<PU_EMRTEXT>(record)));
    std::free(record);
    return emf;
}

// The bounding box of the dark pixels, the marks of the text.
QRect inked(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestMetafileText : public QObject {
    Q_OBJECT

private slots:
    // Formula pictures put every character of one font into one run and place each by its advance.
    void advancesPlaceEachCharacter() {
        WmfWriter wmf(400, 96);
        wmf.add(U_WMRSETBKMODE_set(U_TRANSPARENT)).add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE));
        wmfFont(wmf, -40, "DejaVu Sans", U_ANSI_CHARSET);
        wmfText(wmf, 10, 60, "ll", {300, 20});
        const QImage image = metafile::render(wmf.finish(), Kind::Wmf);
        QVERIFY(darkPixels(image, QRect(5, 20, 30, 45)) > 20);   // the first l at 10
        QVERIFY(darkPixels(image, QRect(305, 20, 30, 45)) > 20); // the second 300 further
        QCOMPARE(darkPixels(image, QRect(40, 0, 260, 96)), 0);   // nothing in between
    }

    // The current position set by MOVETO places text drawn with TA_UPDATECP, and moves on by the
    // advances: two runs follow each other as the formula editor writes them.
    void updateCurrentPositionFollowsTheAdvances() {
        WmfWriter wmf(400, 96);
        wmf.add(U_WMRSETBKMODE_set(U_TRANSPARENT)).add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_UPDATECP));
        wmfFont(wmf, -40, "DejaVu Sans", U_ANSI_CHARSET);
        wmf.add(U_WMRMOVETO_set(point16_set(200, 60)));
        wmfText(wmf, 0, 0, "l", {100});
        wmfText(wmf, 0, 0, "l", {10});
        const QImage image = metafile::render(wmf.finish(), Kind::Wmf);
        QVERIFY(darkPixels(image, QRect(195, 20, 30, 45)) > 20);
        QVERIFY(darkPixels(image, QRect(295, 20, 30, 45)) > 20);
        QCOMPARE(darkPixels(image, QRect(0, 0, 190, 96)), 0);
    }

    void symbolFontsStandForTheirCharacters_data() {
        QTest::addColumn<QString>("face");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("Symbol: Greek") << u"Symbol"_s << QByteArray("pDa") << u"πΔα"_s;
        QTest::newRow("Symbol: relations") << u"Symbol"_s << QByteArray("\xb3\xb9\xae") << u"≥≠→"_s;
        QTest::newRow("Symbol: bracket pieces") << u"symbol"_s << QByteArray("\xe9\xea\xeb") << u"⎡⎢⎣"_s;
        QTest::newRow("MT Extra: ellipses") << u"MT Extra"_s << QByteArray("LKM") << u"⋯…⋮"_s;
        // The accents and arrows an equation editor sets over letters, at a size and height only
        // MT Extra's own metrics give them: they leave a space rather than a sign in the wrong place.
        QTest::newRow("MT Extra: embellishments") << u"MT Extra"_s << QByteArray("v#r") << u"   "_s;
        QTest::newRow("Wingdings 2: ballots") << u"Wingdings 2"_s << QByteArray("OPQR") << u"✗✓☒☑"_s;
        QTest::newRow("Wingdings 2: circled digits") << u"wingdings 2"_s << QByteArray("\x6a\x75") << u"①❶"_s;
        QTest::newRow("Wingdings: ticks and bullets")
            << u"Wingdings"_s << QByteArray("\xfc\x6c\x6e") << u"✔●■"_s;
        QTest::newRow("Times New Roman: as it is") << u"Times New Roman"_s << QByteArray("pDa") << u"pDa"_s;
    }
    void symbolFontsStandForTheirCharacters() {
        QFETCH(QString, face);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        metafile::LogicalFont font;
        font.face = face;
        font.symbols = metafile::symbolSetOf(face);
        QCOMPARE(metafile::decodeAnsiRun(bytes, {}, font).text, text);
        if (font.symbols == metafile::SymbolSet::None)
            return;
        // Wide text in a symbol font, as EMF writers store it in the private range.
        QString privateRange;
        for (const char c : bytes)
            privateRange.append(QChar(char16_t(0xF000 | quint8(c))));
        QCOMPARE(metafile::mapSymbols(privateRange, font.symbols), text);
    }

    // A Symbol run draws the Greek letter it stands for, like the letter written as Unicode does.
    void symbolTextDrawsTheMappedCharacter() {
        WmfWriter wmf(200, 96);
        wmf.add(U_WMRSETBKMODE_set(U_TRANSPARENT));
        wmfFont(wmf, -60, "Symbol", U_SYMBOL_CHARSET);
        wmfText(wmf, 10, 10, "p");
        const QImage pi = metafile::render(wmf.finish(), Kind::Wmf);
        EmfWriter emf(200, 96);
        emf.add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        emfFont(emf, -60, u"Symbol"_s);
        emf.text(10, 10, u"π"_s);
        const QImage unicode = metafile::render(emf.finish(), Kind::Emf);
        QVERIFY(darkPixels(pi, pi.rect()) > 50);
        QCOMPARE(inked(pi), inked(unicode));
    }

    void everyCharsetHasItsCodePage_data() {
        QTest::addColumn<int>("charset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ANSI (1252)") << 0 << QByteArray("caf\xe9 \x80") << u"café €"_s;
        QTest::newRow("DEFAULT as GBK") << 1 << QByteArray("\xd6\xd0\xce\xc4") << u"中文"_s;
        QTest::newRow("GB2312") << 134 << QByteArray("\xd6\xd0\xce\xc4") << u"中文"_s;
        QTest::newRow("Big5") << 136 << QByteArray("\xa4\xa4\xa4\xe5") << u"中文"_s;
        QTest::newRow("Shift-JIS") << 128 << QByteArray("\x93\xfa\x96\x7b") << u"日本"_s;
        QTest::newRow("Hangul") << 129 << QByteArray("\xc7\xd1\xb1\xdb") << u"한글"_s;
        QTest::newRow("Greek") << 161 << QByteArray("\xe1\xe2") << u"αβ"_s;
        QTest::newRow("Turkish") << 162 << QByteArray("\xfe\xf0") << u"şğ"_s;
        QTest::newRow("Hebrew") << 177 << QByteArray("\xf9\xec") << u"של"_s;
        QTest::newRow("Arabic") << 178 << QByteArray("\xd3\xe1") << u"سل"_s;
        QTest::newRow("Baltic") << 186 << QByteArray("\xe0\xe8") << u"ąč"_s;
        QTest::newRow("Russian") << 204 << QByteArray("\xc4\xe0") << u"Да"_s;
        QTest::newRow("Thai") << 222 << QByteArray("\xa1\xa2") << u"กข"_s;
        QTest::newRow("East Europe") << 238 << QByteArray("\xb9\xe8") << u"ąč"_s;
        QTest::newRow("Vietnamese") << 163 << QByteArray("\xe0\xf0") << u"àđ"_s;
    }
    void everyCharsetHasItsCodePage() {
        QFETCH(int, charset);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        metafile::LogicalFont font;
        font.charset = quint8(charset);
        // One advance a byte: a character of two bytes takes both.
        std::vector<double> advances(std::size_t(bytes.size()), 10);
        const metafile::TextRun run = metafile::decodeAnsiRun(bytes, advances, font);
        QCOMPARE(run.text, text);
        QCOMPARE(run.advances.size(), std::size_t(text.size()));
        double total = 0;
        for (const double advance : run.advances)
            total += advance;
        QCOMPARE(total, 10.0 * bytes.size());
    }

    // Symbol's degree sign stands high beside the digits, as in the Symbol font, not as the ring on
    // the baseline that OpenSymbol, Symbol's stand-in, has at that character.
    void symbolDegreeSignStandsHigh() {
        WmfWriter wmf(200, 96);
        wmf.add(U_WMRSETBKMODE_set(U_TRANSPARENT)).add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE));
        wmfFont(wmf, -60, "Symbol", U_SYMBOL_CHARSET);
        wmfText(wmf, 10, 70, "\xb0");
        const QRect degree = inked(metafile::render(wmf.finish(), Kind::Wmf));
        QVERIFY(!degree.isEmpty());
        QVERIFY2(degree.bottom() < 70 - 20, qPrintable(u"the sign ends at y = %1"_s.arg(degree.bottom())));
    }

    // Tall brackets and braces are built of Symbol's pieces, drawn in the Symbol font's own shapes
    // (OpenSymbol keeps them at Adobe's code points); other fonts' text is left alone.
    void symbolPiecesTakeTheSymbolFontsShapes() {
        QCOMPARE(metafile::withSymbolShapes(u"⎧⎨⎩⎪ ⎡⎢⎣ ⎛⎜⎝ ⎮"_s, metafile::SymbolSet::Symbol),
                 u"\uF8F1\uF8F2\uF8F3\uF8F4 \uF8EE\uF8EF\uF8F0 \uF8EB\uF8EC\uF8ED \uF8F5"_s);
        QCOMPARE(metafile::withSymbolShapes(u"⎧x"_s, metafile::SymbolSet::None), u"⎧x"_s);
    }

    // East Asian text takes the forms of its charset's land: Big5's full-width comma sits in the
    // middle of its square, GB2312's low at the left.
    void cjkTextTakesItsLandsForms() {
        const auto comma = [](quint8 charset, const QByteArray& bytes) {
            WmfWriter wmf(200, 96);
            wmf.add(U_WMRSETBKMODE_set(U_TRANSPARENT)).add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE));
            wmfFont(wmf, -80, "NoSuchFont", charset);
            wmfText(wmf, 20, 80, bytes);
            return inked(metafile::render(wmf.finish(), Kind::Wmf));
        };
        const QRect big5 = comma(136, "\xa1\x41");
        const QRect gb = comma(134, "\xa3\xac");
        QVERIFY(!big5.isEmpty() && !gb.isEmpty());
        QVERIFY2(big5.center().x() > gb.center().x() + 15,
                 qPrintable(u"Big5 comma at x = %1, GB2312 comma at x = %2"_s.arg(big5.center().x())
                                .arg(gb.center().x())));
    }

    // A Big5 face name is read in its charset, and the CJK text then drawn (by a fallback font).
    void cjkTextIsDrawn() {
        WmfWriter wmf(200, 96);
        wmf.add(U_WMRSETBKMODE_set(U_TRANSPARENT));
        wmfFont(wmf, -40, "\xb7s\xb2\xd3\xa9\xfa\xc5\xe9", 136);
        wmfText(wmf, 10, 10, "\xa4\xa4\xa4\xe5");
        const QImage image = metafile::render(wmf.finish(), Kind::Wmf);
        QVERIFY(darkPixels(image, QRect(10, 10, 90, 45)) > 50);
    }

    // Escapement turns the baseline in the file's logical space: under a mapping whose y axis
    // points up, 90 degrees runs down the picture. `up`: the text runs up from its reference point.
    void escapementFollowsTheMapping_data() {
        QTest::addColumn<int>("mapMode");
        QTest::addColumn<bool>("yUp");
        QTest::addColumn<int>("escapement");
        QTest::addColumn<bool>("up");
        QTest::newRow("text, 90") << int(U_MM_TEXT) << false << 900 << true;
        QTest::newRow("text, 270") << int(U_MM_TEXT) << false << 2700 << false;
        QTest::newRow("anisotropic y up, 90") << int(U_MM_ANISOTROPIC) << true << 900 << false;
        QTest::newRow("anisotropic y up, 270") << int(U_MM_ANISOTROPIC) << true << 2700 << true;
        QTest::newRow("anisotropic y down, 90") << int(U_MM_ANISOTROPIC) << false << 900 << true;
        QTest::newRow("himetric, 270") << int(U_MM_HIMETRIC) << true << 2700 << true;
    }
    void escapementFollowsTheMapping() {
        QFETCH(int, mapMode);
        QFETCH(bool, yUp);
        QFETCH(int, escapement);
        QFETCH(bool, up);
        EmfWriter emf(200, 400);
        emf.add(U_EMRSETMAPMODE_set(uint32_t(mapMode))).add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        emf.add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE));
        // The reference point lands on the picture's middle, (100, 200), in every mapping.
        QPoint at(100, 200);
        int height = -30;
        int advance = 10;
        if (mapMode == U_MM_ANISOTROPIC) {
            emf.add(U_EMRSETWINDOWEXTEX_set(sizel_set(200, yUp ? -400 : 400)));
            emf.add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(200, 400)));
            if (yUp)
                at = QPoint(100, -200);
        } else if (mapMode == U_MM_HIMETRIC) {
            at = QPoint(2646, -5292); // 0.01 mm at 96 DPI
            height = -794;
            advance = 265;
        }
        emfFont(emf, height, u"DejaVu Sans"_s, escapement);
        emfText(emf, at.x(), at.y(), u"HHHHHHHHHH"_s, advance); // ten pixels apart
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        const QRect box = inked(image);
        QVERIFY(box.height() > 90); // the run stands upright
        QVERIFY(box.width() < 40);
        QCOMPARE(box.bottom() < 210, up);
        QCOMPARE(box.top() > 190, !up);
    }

    // Outside the advanced graphics mode GDI writes text left to right and upright whatever the
    // mapping mirrors; the escapement turns the other way when one axis only is mirrored.
    void mirroredMappingsKeepTextUpright_data() {
        QTest::addColumn<bool>("mirrorX");
        QTest::addColumn<bool>("mirrorY");
        QTest::addColumn<int>("escapement");
        QTest::addColumn<QString>("runs"); // right, up or down from the reference point
        QTest::newRow("x mirrored") << true << false << 0 << u"right"_s;
        QTest::newRow("x mirrored, 90") << true << false << 900 << u"down"_s;
        QTest::newRow("both mirrored") << true << true << 0 << u"right"_s;
        QTest::newRow("both mirrored, 90") << true << true << 900 << u"up"_s;
    }
    void mirroredMappingsKeepTextUpright() {
        QFETCH(bool, mirrorX);
        QFETCH(bool, mirrorY);
        QFETCH(int, escapement);
        QFETCH(QString, runs);
        EmfWriter emf(400, 400);
        emf.add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC)).add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        emf.add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE));
        emf.add(U_EMRSETWINDOWEXTEX_set(sizel_set(mirrorX ? -400 : 400, mirrorY ? -400 : 400)));
        emf.add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(400, 400)));
        emfFont(emf, -30, u"DejaVu Sans"_s, escapement);
        // The reference point lands on the picture's middle, (200, 200).
        emfText(emf, mirrorX ? -200 : 200, mirrorY ? -200 : 200, u"HHHHHHHHHH"_s, 10);
        const QImage image = metafile::render(emf.finish(), Kind::Emf);
        const QRect box = inked(image);
        if (runs == u"right"_s) {
            QVERIFY(box.left() > 195 && box.width() > 90);
            QVERIFY(box.bottom() < 205); // above the baseline: not upside down
        } else {
            QVERIFY(box.height() > 90 && box.width() < 40);
            QCOMPARE(box.bottom() < 210, runs == u"up"_s);
            // The glyphs stand on the baseline's left going up, on its right going down.
            if (runs == u"up"_s)
                QVERIFY(box.right() < 205);
            else
                QVERIFY(box.left() > 195);
        }
    }

    // Under GM_ADVANCED the world transform scales and turns text like everything else.
    void worldTransformScalesAndTurnsText() {
        const auto box = [](const U_XFORM& world) {
            EmfWriter emf(400, 400);
            emf.add(U_EMRSETBKMODE_set(U_TRANSPARENT)).add(U_EMRSETWORLDTRANSFORM_set(world));
            emfFont(emf, -20, u"DejaVu Sans"_s);
            emf.text(0, 0, u"HHHH"_s);
            return inked(metafile::render(emf.finish(), Kind::Emf));
        };
        const QRect plain = box(xform_set(1, 0, 0, 1, 100, 100));
        const QRect wide = box(xform_set(3, 0, 0, 1, 100, 100));
        const QRect turned = box(xform_set(0, -1, 1, 0, 100, 300)); // a quarter turn, upwards
        QVERIFY(wide.width() > 2 * plain.width());
        QVERIFY(qAbs(wide.height() - plain.height()) <= 2);
        QVERIFY(turned.height() > 2 * turned.width());
    }

    // lfWidth narrows the glyphs as the file asks.
    void fontWidthNarrowsGlyphs() {
        const auto width = [](int logicalWidth) {
            EmfWriter emf(400, 100);
            emf.add(U_EMRSETBKMODE_set(U_TRANSPARENT));
            emfFont(emf, -40, u"DejaVu Sans"_s, 0, logicalWidth);
            emfText(emf, 10, 10, u"W"_s, 40); // one glyph: the ink is its width
            return inked(metafile::render(emf.finish(), Kind::Emf)).width();
        };
        QVERIFY(width(10) < width(0) * 3 / 4);
    }

    // ETO_GLYPH_INDEX: the units are the font's glyphs; drawn as characters they would be others.
    void glyphIndicesAreGlyphs() {
        QFont font;
        font.setFamilies({u"DejaVu Sans"_s});
        font.setPixelSize(40);
        const QRawFont raw = QRawFont::fromFont(font);
        const QList<quint32> glyphs = raw.glyphIndexesForString(u"H"_s);
        QCOMPARE(glyphs.size(), 1);
        const auto draw = [](const std::vector<uint16_t>& units, uint32_t options) {
            EmfWriter emf(200, 100);
            emf.add(U_EMRSETBKMODE_set(U_TRANSPARENT));
            emfFont(emf, -40, u"DejaVu Sans"_s);
            std::vector<uint16_t> chars = units;
            chars.push_back(0);
            std::vector<uint32_t> dx(units.size(), 30);
            char* text = emrtext_set(point32_set(10, 10), uint32_t(units.size()), 2, chars.data(), options,
                                     U_RECTL{0, 0, -1, -1}, dx.data());
            emf.add(U_EMREXTTEXTOUTW_set(U_RECTL{0, 0, -1, -1}, U_GM_COMPATIBLE, 1, 1,
                                         reinterpret_cast<PU_EMRTEXT>(text)));
            std::free(text);
            return metafile::render(emf.finish(), Kind::Emf);
        };
        const QImage byGlyph = draw({uint16_t(glyphs[0])}, U_ETO_GLYPH_INDEX);
        const QImage byCharacter = draw({uint16_t('H')}, U_ETO_NONE);
        QVERIFY(darkPixels(byGlyph, byGlyph.rect()) > 50);
        QCOMPARE(inked(byGlyph), inked(byCharacter));
    }
};

QTEST_MAIN(TestMetafileText)
#include "tst_metafile_text.moc"
