// The display draws a picture's top-left corner only, and the player leaves out the records that
// draw wholly outside it. A corner must show exactly what it shows when every record is read.

#include "codecs/metafile/MetafileImage.h"
#include "tests/support/MetafileWriter.h"

#include <QtTest>
#include <cstring>
#include <functional>

using metafile::Kind;

namespace {

EmfWriter& font(EmfWriter& emf, int height, int escapement = 0, int width = 0) {
    const QString face = QStringLiteral("DejaVu Sans");
    std::vector<uint16_t> name(face.utf16(), face.utf16() + face.size());
    name.push_back(0);
    const U_LOGFONT logFont =
        logfont_set(height, width, escapement, escapement, 400, 0, 1, 0, U_ANSI_CHARSET, U_OUT_DEFAULT_PRECIS,
                    U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH, name.data());
    uint32_t handle = 0;
    emf.add(
        extcreatefontindirectw_set(&handle, emf.handles(), reinterpret_cast<const char*>(&logFont), nullptr));
    return emf.add(selectobject_set(handle, emf.handles()));
}

// EXTTEXTOUTW of `text` at (x, y): each character `advance` logical units after the one before, or
// at the font's own spacing when `advance` is 0 (the record then holds no advances).
EmfWriter& text(EmfWriter& emf, int x, int y, const QString& text, int advance, quint32 options = U_ETO_NONE,
                U_RECTL box = {0, 0, -1, -1}) {
    std::vector<uint16_t> chars(text.utf16(), text.utf16() + text.size());
    chars.push_back(0);
    std::vector<uint32_t> dx(std::size_t(text.size()), uint32_t(advance));
    char* emrtext =
        emrtext_set(point32_set(x, y), uint32_t(text.size()), 2, chars.data(), options, box, dx.data());
    char* record = U_EMREXTTEXTOUTW_set(U_RECTL{0, 0, -1, -1}, U_GM_COMPATIBLE, 1, 1,
                                        reinterpret_cast<PU_EMRTEXT>(emrtext));
    std::free(emrtext);
    if (advance == 0) {
        const quint32 none = 0;
        std::memcpy(record + 36 + 36, &none, 4); // the EMRTEXT's offDx
    }
    return emf.add(record);
}

U_POINT16 p16(int x, int y) {
    return point16_set(int16_t(x), int16_t(y));
}

// Shapes of every kind the player may leave out, each just outside a corner (right of it, below
// it, beyond its corner) and reaching into it only by its pen, its glyphs or its turn.
void shapesAroundCorners(EmfWriter& emf) {
    emf.add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    for (const int edge : {60, 100, 160}) {
        emf.pen(U_PS_SOLID, 13, 0xC03000).brush(0x2080F0);
        emf.rectangle(edge + 4, 10, edge + 30, 40); // a wide pen reaches in
        emf.add(U_EMRELLIPSE_set(rectl_set(pointl_set(10, edge + 5), pointl_set(50, edge + 30))));
        emf.add(U_EMRROUNDRECT_set(
            rectl_set(pointl_set(edge + 6, edge + 6), pointl_set(edge + 40, edge + 40)), sizel_set(8, 8)));
        emf.add(U_EMRPIE_set(rectl_set(pointl_set(edge - 20, 50), pointl_set(edge + 20, 90)),
                             pointl_set(edge, 50), pointl_set(edge - 20, 70)));
        U_POINT16 zigzag[] = {p16(edge + 5, 5), p16(edge + 20, 30), p16(edge + 8, 55), p16(edge + 30, 80)};
        emf.add(U_EMRPOLYLINE16_set(rectl_set(pointl_set(0, 0), pointl_set(0, 0)), 4, zigzag));
        U_POINTL triangle[] = {pointl_set(5, edge + 4), pointl_set(40, edge + 4), pointl_set(20, edge + 30)};
        emf.add(U_EMRPOLYGON_set(rectl_set(pointl_set(0, 0), pointl_set(0, 0)), 3, triangle));
        U_POINT16 figures[] = {p16(edge + 7, 100), p16(edge + 25, 120), p16(edge + 7, 140),
                               p16(70, edge + 7),  p16(90, edge + 25),  p16(110, edge + 7)};
        const uint32_t counts[] = {3, 3};
        emf.add(U_EMRPOLYPOLYGON16_set(rectl_set(pointl_set(0, 0), pointl_set(0, 0)), 2, counts, 6, figures));
        emf.add(U_EMRMOVETOEX_set(pointl_set(edge - 30, 20)));
        emf.add(U_EMRLINETO_set(pointl_set(edge + 40, 30))); // crosses the edge
        emf.add(U_EMRLINETO_set(pointl_set(edge + 60, 60))); // wholly outside, then back in from there
        emf.add(U_EMRLINETO_set(pointl_set(edge - 10, 70)));
        emf.pen(U_PS_SOLID, 1, 0x109010);
        emf.add(U_EMRLINETO_set(pointl_set(edge + 3, edge + 3)));
        // Text whose reference point lies outside, its glyphs reaching in: right-aligned, turned,
        // widened by the font's width, at the font's own spacing, with an opaque box.
        font(emf, -22);
        text(emf, edge + 2, 100, QStringLiteral("Wg"), 14);
        emf.add(U_EMRSETTEXTALIGN_set(U_TA_RIGHT));
        text(emf, edge + 70, 120, QStringLiteral("MMMM"), 0);
        emf.add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE));
        font(emf, -26, 900);
        text(emf, 30, edge + 30, QStringLiteral("Up"), 16);
        font(emf, -18, 0, 30);
        text(emf, edge + 3, 140, QStringLiteral("wide"), 0);
        emf.add(U_EMRSETBKMODE_set(U_OPAQUE));
        emf.add(U_EMRSETBKCOLOR_set(colorref3_set(250, 220, 0)));
        text(emf, edge + 200, edge + 200, QStringLiteral("box"), 12, U_ETO_OPAQUE,
             rectl_set(pointl_set(edge - 8, edge - 8), pointl_set(edge + 12, edge + 12)));
        emf.add(U_EMRSETBKMODE_set(U_TRANSPARENT));
        QImage dots(4, 4, QImage::Format_RGB32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                dots.setPixel(x, y, (x + y) % 2 ? qRgb(200, 0, 200) : qRgb(0, 160, 0));
        emf.stretchDib(QRect(edge + 1, edge + 50, 30, 30), dots, 24);
    }
}

struct Picture {
    const char* name;
    std::function<void(EmfWriter&)> setUp; // the mapping the shapes are drawn under
};

const Picture pictures[] = {
    {"device units", [](EmfWriter&) {}},
    {"turned by the world transform",
     [](EmfWriter& emf) {
         emf.add(U_EMRSETWORLDTRANSFORM_set(xform_set(0.94f, 0.34f, -0.34f, 0.94f, 30, -20)));
     }},
    {"scaled by the mapping, y up",
     [](EmfWriter& emf) {
         emf.add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
         emf.add(U_EMRSETWINDOWEXTEX_set(sizel_set(200, 200)));
         emf.add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(260, -180)));
         emf.add(U_EMRSETVIEWPORTORGEX_set(pointl_set(0, 230)));
     }},
};

} // namespace

class TestMetafileCorner : public QObject {
    Q_OBJECT

private slots:
    void cornerShowsWhatTheWholePictureShowsThere_data() {
        QTest::addColumn<int>("picture");
        QTest::addColumn<QSize>("corner");
        for (int i = 0; i < int(std::size(pictures)); ++i) {
            for (const QSize corner : {QSize(60, 60), QSize(100, 160), QSize(160, 100), QSize(337, 180)})
                QTest::addRow("%s, %dx%d", pictures[i].name, corner.width(), corner.height()) << i << corner;
        }
    }
    void cornerShowsWhatTheWholePictureShowsThere() {
        QFETCH(int, picture);
        QFETCH(QSize, corner);
        EmfWriter emf(400, 300);
        pictures[picture].setUp(emf);
        shapesAroundCorners(emf);
        const QByteArray file = emf.finish();
        const QImage skipping = metafile::render(file, Kind::Emf, corner);
        metafile::skipRecordsOutside(false);
        const QImage reading = metafile::render(file, Kind::Emf, corner);
        metafile::skipRecordsOutside(true);
        QCOMPARE(skipping.size(), corner);
        QCOMPARE(skipping, reading);
        // The corner is not blank: what it holds came from records near its edges.
        int inked = 0;
        for (int y = 0; y < skipping.height(); ++y)
            for (int x = 0; x < skipping.width(); ++x)
                inked += skipping.pixel(x, y) != qRgb(255, 255, 255);
        QVERIFY(inked > corner.width() * corner.height() / 20);
        // Drawn without a turn, the corner is also the whole picture's top-left part.
        if (picture != 1)
            QCOMPARE(skipping, metafile::render(file, Kind::Emf).copy(QRect(QPoint(0, 0), corner)));
    }

    // A large picture of the common records, as charts hold them: its display corner.
    void largePictureCorner() {
        const QByteArray file = largeEmf(2 * 1024 * 1024);
        const QImage skipping = metafile::render(file, Kind::Emf, QSize(337, 180));
        metafile::skipRecordsOutside(false);
        const QImage reading = metafile::render(file, Kind::Emf, QSize(337, 180));
        metafile::skipRecordsOutside(true);
        QCOMPARE(skipping, reading);
    }
};

QTEST_MAIN(TestMetafileCorner)
#include "tst_metafile_corner.moc"
