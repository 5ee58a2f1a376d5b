#include "codecs/metafile/MetafileImage.h"
#include "tests/support/MetafileWriter.h"

#include <QtTest>

using metafile::Kind;

Q_DECLARE_METATYPE(std::optional<QSize>)

class TestMetafileHeader : public QObject {
    Q_OBJECT

private slots:
    void emfSize_data() {
        QTest::addColumn<QRect>("bounds"); // GDI corners: left, top, right, bottom
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QSize>("device");
        QTest::addColumn<QSize>("millimetres");
        QTest::addColumn<std::optional<QSize>>("size");
        const QSize screen96(960, 960), mm96(254, 254);
        QTest::newRow("frame at 96 DPI") << QRect() << QRect(QPoint(0, 0), QPoint(6350, 3175)) << screen96
                                         << mm96 << std::optional(QSize(240, 120));
        QTest::newRow("frame not at the origin") << QRect() << QRect(QPoint(1000, 1000), QPoint(3540, 3540))
                                                 << screen96 << mm96 << std::optional(QSize(96, 96));
        QTest::newRow("frame, another device")
            << QRect() << QRect(QPoint(0, 0), QPoint(2540, 5080)) << QSize(1200, 1200) << QSize(100, 100)
            << std::optional(QSize(96, 192));
        // Without a frame the bounds (inclusive device pixels) count, through the device's ratio.
        QTest::newRow("empty frame, bounds") << QRect(QPoint(0, 0), QPoint(99, 49)) << QRect() << screen96
                                             << mm96 << std::optional(QSize(100, 50));
        QTest::newRow("bounds on a 192-DPI device")
            << QRect(QPoint(0, 0), QPoint(199, 99)) << QRect() << QSize(1920, 1920) << mm96
            << std::optional(QSize(100, 50));
        QTest::newRow("no device sizes: 96 DPI")
            << QRect(QPoint(0, 0), QPoint(99, 49)) << QRect() << QSize(0, 0) << QSize(0, 0)
            << std::optional(QSize(100, 50));
        QTest::newRow("neither frame nor bounds")
            << QRect(QPoint(10, 10), QPoint(0, 0)) << QRect() << screen96 << mm96 << std::optional<QSize>();
        QTest::newRow("absurd frame") << QRect() << QRect(QPoint(0, 0), QPoint(2'000'000'000, 100))
                                      << screen96 << mm96 << std::optional<QSize>();
    }
    void emfSize() {
        QFETCH(QRect, bounds);
        QFETCH(QRect, frame);
        QFETCH(QSize, device);
        QFETCH(QSize, millimetres);
        QFETCH(std::optional<QSize>, size);
        const auto rectL = [](const QRect& r) {
            return r.isNull() ? U_RECTL{0, 0, 0, 0} : U_RECTL{r.left(), r.top(), r.right(), r.bottom()};
        };
        EmfWriter emf(rectL(bounds), rectL(frame), sizel_set(device.width(), device.height()),
                      sizel_set(millimetres.width(), millimetres.height()));
        const QByteArray bytes = emf.finish();
        QCOMPARE(metafile::pictureSize(bytes, Kind::Emf), size);
        if (size) // the image rendered is the natural size
            QCOMPARE(metafile::render(bytes, Kind::Emf).size(), *size);
    }

    void wmfSize_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<QSize>>("size");
        QTest::newRow("placeable, 96 a inch") << WmfWriter(240, 96).finish() << std::optional(QSize(240, 96));
        QTest::newRow("placeable, 1440 an inch")
            << WmfWriter(192, 96, 1440).finish() << std::optional(QSize(192, 96));
        QByteArray zeroInch = WmfWriter(96, 48, 1440).finish();
        zeroInch[14] = 0, zeroInch[15] = 0; // read as the usual 1440
        QTest::newRow("placeable, units left at 0") << zeroInch << std::optional(QSize(96, 48));
        {
            WmfWriter wmf;
            wmf.add(U_WMRSETWINDOWORG_set(point16_set(-20, -10)))
                .add(U_WMRSETWINDOWEXT_set(point16_set(300, 200)));
            QTest::newRow("no placeable, window") << wmf.finish() << std::optional(QSize(300, 200));
        }
        QTest::newRow("no placeable, no window") << WmfWriter().finish() << std::optional<QSize>();
        EmfWriter emf(100, 100);
        QTest::newRow("an EMF") << emf.finish() << std::optional<QSize>();
        QTest::newRow("nothing") << QByteArray() << std::optional<QSize>();
    }
    void wmfSize() {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<QSize>, size);
        QCOMPARE(metafile::pictureSize(bytes, Kind::Wmf), size);
    }

    void wmfAsEmfIsNoPicture() {
        QCOMPARE(metafile::pictureSize(WmfWriter(96, 96).finish(), Kind::Emf), std::optional<QSize>());
    }
};

QTEST_MAIN(TestMetafileHeader)
#include "tst_metafile_header.moc"
