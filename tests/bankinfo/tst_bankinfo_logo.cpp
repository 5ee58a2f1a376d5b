// The logo: browsing copies a picture into the bank's folder under a tick-count name (the next free
// one) and stores that name at once; opening previews the stored name, found in the bank's folder or,
// for a name that is a path, against the working directory.
#include "bankinfo/PlaceholderLogo.h"
#include "tests/bankinfo/BankInfoFixture.h"
#include "ui_TFormTikuxinxisezhi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;
using bankinfo::OpenBank;
using bankinfo::writePicture;

namespace {

const QString expectedFilter = u"图片文件(*.jpg,*.bmp,*.png) (*.jpg *.bmp *.png *.JPG *.BMP *.PNG)"_s;

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("not a picture") < 0)
        qFatal("cannot write %s", qUtf8Printable(path));
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files);
}

// A picture outside the bank, as a user would choose it; its absolute path.
QString sourcePicture(const OpenBank& open, const QString& name, QSize size, QColor colour) {
    QDir().mkpath(u"src"_s);
    const QString path = open.dir.file(u"src/"_s + name);
    writePicture(path, size, colour);
    return path;
}

bool showsPicture(const TFormTikuxinxisezhi& dialog, QSize size, QColor colour) {
    return dialog.picture().size() == size && dialog.picture().pixelColor(0, 0) == colour;
}

} // namespace

class BankInfoLogoTest : public QObject {
    Q_OBJECT

private slots:
    void browseCopiesThePictureUnderATickName_data() {
        QTest::addColumn<bool>("byHint");
        QTest::newRow("browse button") << false;
        QTest::newRow("hint beside the preview") << true;
    }
    void browseCopiesThePictureUnderATickName() {
        QFETCH(bool, byHint);
        OpenBank open;
        const QString chosen = sourcePicture(open, u"logo.png"_s, QSize(30, 20), Qt::red);
        open.os.tick = 812;
        open.os.nextFileNames = QStringList{chosen};
        Ui::TFormTikuxinxisezhi* ui = open.dialog.form();
        QVERIFY(open.show([&] {
            ui->edtzuozhe->setText(u"not confirmed"_s);
            if (byHint)
                QTest::mouseClick(ui->lbl4, Qt::LeftButton);
            else
                ui->btn2->click();
            QCOMPARE(open.setting(u"tikuLOGO"_s), u"812logo.png"_s);
            QCOMPARE(ui->edt1->text(), u"812logo.png"_s);
            QVERIFY(showsPicture(open.dialog, QSize(30, 20), Qt::red));
        }));
        QCOMPARE(open.os.fileFilters, QStringList{expectedFilter});
        QCOMPARE(filesIn(u"bankA"_s), QStringList{u"812logo.png"_s});
        QCOMPARE(contentsOf(u"bankA/812logo.png"_s), contentsOf(chosen));
        // Left with the close button: the browsed name stays stored, the other edits do not.
        QCOMPARE(open.setting(u"tikuLOGO"_s), u"812logo.png"_s);
        QCOMPARE(open.setting(u"tikuZuoZhe"_s), u"张三"_s);
        QVERIFY(open.os.messages.isEmpty());
        QVERIFY(open.os.errors.isEmpty());
    }

    void aPreviewThatCannotBeShownIsReported_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("target");
        QTest::newRow("missing folder") << u"nofolder"_s << true << u"nofolder/812logo.png"_s;
        QTest::newRow("not a picture") << u"bankA"_s << false << u"bankA/812logo.png"_s;
    }
    void aPreviewThatCannotBeShownIsReported() {
        QFETCH(QString, folder);
        QFETCH(bool, picture);
        QFETCH(QString, target);
        OpenBank open(bankinfo::filledBank + u"UPDATE jiegou SET str_value='"_s + folder +
                      u"' WHERE str_name='mulu';"_s);
        QString chosen = sourcePicture(open, u"logo.png"_s, QSize(30, 20), Qt::red);
        if (!picture)
            writeText(chosen);
        open.os.tick = 812;
        open.os.nextFileNames = QStringList{chosen};
        Ui::TFormTikuxinxisezhi* ui = open.dialog.form();
        QVERIFY(open.show([&] {
            ui->btn2->click();
            QCOMPARE(open.os.errors.size(), 1);
            QVERIFY2(open.os.errors.first().contains(target), qPrintable(open.os.errors.first()));
            QCOMPARE(ui->edt1->text(), u"old.jpg"_s);
            QCOMPARE(open.dialog.picture(), placeholderLogo());
        }));
        QCOMPARE(open.setting(u"tikuLOGO"_s), u"812logo.png"_s);
        QCOMPARE(QFile::exists(target), !picture);
    }

    void anEmptyFolderSettingIsReportedForTheCopyAndThePreview() {
        OpenBank open(bankinfo::filledBank + u"UPDATE jiegou SET str_value='' WHERE str_name='mulu';"_s);
        const QString chosen = sourcePicture(open, u"logo.png"_s, QSize(30, 20), Qt::red);
        open.os.tick = 812;
        open.os.nextFileNames = QStringList{chosen};
        QVERIFY(open.show([&] {
            QCOMPARE(open.os.messages.size(), 1);
            open.dialog.form()->btn2->click();
            QCOMPARE(open.os.messages, QStringList(3, bankinfo::folderMessage));
            QCOMPARE(open.dialog.form()->edt1->text(), u"812logo.png"_s);
        }));
        QVERIFY(QFile::exists(u"tavrindata/812logo.png"_s));
        QVERIFY(open.os.errors.isEmpty());
    }

    void cancellingTheFileDialogChangesNothing() {
        OpenBank open;
        open.os.nextFileNames = QStringList{QString()};
        QVERIFY(open.show([&] {
            open.dialog.form()->btn2->click();
            QCOMPARE(open.os.fileFilters.size(), 1);
            QCOMPARE(open.dialog.form()->edt1->text(), u"old.jpg"_s);
            QCOMPARE(open.dialog.picture(), placeholderLogo());
        }));
        QCOMPARE(open.setting(u"tikuLOGO"_s), u"old.jpg"_s);
        QVERIFY(filesIn(u"bankA"_s).isEmpty());
        QVERIFY(open.os.messages.isEmpty());
        QVERIFY(open.os.errors.isEmpty());
    }

    // The tick count's name is taken (a browse within the same tick, or a picture from before a
    // reboot): the copy takes the next free number and leaves the earlier file as it is.
    void aTakenNameMovesOnToTheNextNumber() {
        OpenBank open;
        const QString chosen = sourcePicture(open, u"logo.png"_s, QSize(30, 20), Qt::red);
        writePicture(u"bankA/813logo.png"_s, QSize(5, 5), Qt::yellow);
        open.os.tick = 812;
        open.os.nextFileNames = QStringList{chosen, chosen};
        QVERIFY(open.show([&] {
            open.dialog.form()->btn2->click();
            writePicture(chosen, QSize(40, 40), Qt::blue);
            open.dialog.form()->btn2->click();
            QVERIFY(showsPicture(open.dialog, QSize(40, 40), Qt::blue));
            QCOMPARE(open.dialog.form()->edt1->text(), u"814logo.png"_s);
        }));
        QCOMPARE(filesIn(u"bankA"_s), (QStringList{u"812logo.png"_s, u"813logo.png"_s, u"814logo.png"_s}));
        QCOMPARE(QImage(u"bankA/812logo.png"_s).size(), QSize(30, 20));
        QCOMPARE(QImage(u"bankA/813logo.png"_s).size(), QSize(5, 5));
        QCOMPARE(open.setting(u"tikuLOGO"_s), u"814logo.png"_s);
        QVERIFY(open.os.errors.isEmpty());
    }

    // A browsed logo is found again at the next opening, by a dialog that never showed it.
    void aBrowsedLogoIsPreviewedAtTheNextOpening() {
        OpenBank open;
        const QString chosen = sourcePicture(open, u"logo.png"_s, QSize(30, 20), Qt::red);
        open.os.tick = 812;
        open.os.nextFileNames = QStringList{chosen};
        QVERIFY(open.show([&] { open.dialog.form()->btn2->click(); }));
        TFormTikuxinxisezhi fresh;
        bool shown = false;
        QTimer::singleShot(0, &fresh, [&] {
            shown = showsPicture(fresh, QSize(30, 20), Qt::red);
            fresh.close();
        });
        fresh.ShowBankInfo(&open.bank);
        QVERIFY(shown);
    }

    void openingPreviewsTheStoredLogo_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("pictureAt"); // where a picture is put before opening
        QTest::addColumn<QString>("textAt");    // where a file that is no picture is put
        QTest::addColumn<bool>("shown");
        QTest::newRow("bare name in the picture folder")
            << u"9logo.png"_s << u"bankA/9logo.png"_s << QString() << true;
        QTest::newRow("bare name in the working directory")
            << u"9logo.png"_s << u"9logo.png"_s << QString() << true;
        // The picture folder's file comes first; one there that is no picture leaves the other.
        QTest::newRow("bare name in both, no picture in the folder")
            << u"9logo.png"_s << u"9logo.png"_s << u"bankA/9logo.png"_s << true;
        QTest::newRow("bare name in both, no picture in the working directory")
            << u"9logo.png"_s << u"bankA/9logo.png"_s << u"9logo.png"_s << true;
        QTest::newRow("name with its folder")
            << u"bankA/9logo.png"_s << u"bankA/9logo.png"_s << QString() << true;
        // A name that is a path is taken against the working directory only.
        QTest::newRow("path not under the picture folder")
            << u"src/9logo.png"_s << u"bankA/src/9logo.png"_s << QString() << false;
        QTest::newRow("missing") << u"9logo.png"_s << QString() << QString() << false;
        QTest::newRow("not a picture") << u"9logo.png"_s << QString() << u"bankA/9logo.png"_s << false;
        QTest::newRow("empty") << QString() << QString() << QString() << false;
    }
    void openingPreviewsTheStoredLogo() {
        QFETCH(QString, stored);
        QFETCH(QString, pictureAt);
        QFETCH(QString, textAt);
        QFETCH(bool, shown);
        OpenBank open(bankinfo::filledBank + u"UPDATE jiegou SET str_value='"_s + stored +
                      u"' WHERE str_name='tikuLOGO';"_s);
        if (!pictureAt.isEmpty()) {
            QDir().mkpath(QFileInfo(pictureAt).path());
            writePicture(pictureAt, QSize(12, 34), Qt::green);
        }
        if (!textAt.isEmpty())
            writeText(textAt);
        QVERIFY(open.show([&] { QCOMPARE(open.dialog.form()->edt1->text(), stored); }));
        if (shown)
            QVERIFY(showsPicture(open.dialog, QSize(12, 34), Qt::green));
        else
            QCOMPARE(open.dialog.picture(), placeholderLogo());
        QVERIFY(open.os.messages.isEmpty());
        QVERIFY(open.os.errors.isEmpty());
    }

    void aLogoLargerThanThePreviewIsShownWhole() {
        OpenBank open(bankinfo::filledBank +
                      u"UPDATE jiegou SET str_value='big.png' WHERE str_name='tikuLOGO';"_s);
        writePicture(u"big.png"_s, QSize(400, 200), Qt::green);
        QVERIFY(open.show([] {}));
        QVERIFY(showsPicture(open.dialog, QSize(400, 200), Qt::green));
        const QSize preview = open.dialog.form()->img1->pixmap().size();
        QCOMPARE(preview, QSize(144, 72));
    }

    void thePreviewIsKeptBetweenOpenings() {
        OpenBank open;
        const QString chosen = sourcePicture(open, u"logo.png"_s, QSize(30, 20), Qt::red);
        open.os.tick = 812;
        open.os.nextFileNames = QStringList{chosen};
        Ui::TFormTikuxinxisezhi* ui = open.dialog.form();
        QVERIFY(open.show([&] { ui->btn2->click(); }));
        QVERIFY(open.show([&] {
            QCOMPARE(ui->edt1->text(), u"812logo.png"_s);
            QVERIFY(showsPicture(open.dialog, QSize(30, 20), Qt::red));
            ui->edt1->clear();
            ui->btn1->click();
        }));
        QCOMPARE(open.setting(u"tikuLOGO"_s), QString());
        QVERIFY(open.show([] {}));
        QVERIFY(showsPicture(open.dialog, QSize(30, 20), Qt::red));
    }
};

QTEST_MAIN(BankInfoLogoTest)
#include "tst_bankinfo_logo.moc"
