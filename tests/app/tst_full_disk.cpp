// A full disk during every write the program makes: a question saved, a setting, a picture copied or
// dropped, the clipboard's picture, the import's record file and a new bank made from the template.
// Each time the user is told, and what was on disk stays whole: the bank passes its integrity check
// and holds every question saved before, and no half-written file stands under a final name. The
// disk is a small tmpfs the test mounts and fills.
#include "app/TForm1.h"
#include "bankinfo/TFormTikuxinxisezhi.h"
#include "chooser/TForm2.h"
#include "editor/TTianjia.h"
#include "import/TFormDaoru.h"
#include "platform/Guard.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/Files.h"
#include "tests/support/SmallDisk.h"
#include "ui_TForm2.h"
#include "ui_TFormDaoru.h"
#include "ui_TFormTikuxinxisezhi.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using namespace fixture;

namespace {

constexpr int diskKib = 2048;
// A question text that no disk filled up to a few pages can take: 600 KB in UTF-8.
const QString longText = QString(200'000, QChar(0x9898));

const QString storeDiskFull = u"题库读写出错：磁盘空间已满，这次的修改没有写入题库。请腾出磁盘空间后再试。"_s;

// Every entry of `folder`, hidden ones included: a temporary file left behind shows here.
QStringList entriesOf(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// What the bank file holds, read through a connection of its own: its integrity check's verdict, then
// each question as "ID:text:answer type:code:picture:explanation", then the settings.
QStringList bankContent(const QString& path) {
    QStringList content;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
        db.setDatabaseName(path);
        if (!db.open())
            return {u"cannot open"_s};
        QSqlQuery query(db);
        query.exec(u"PRAGMA integrity_check"_s);
        content << (query.next() ? query.value(0).toString() : u"no verdict"_s);
        query.exec(u"SELECT ID, ti_neirong, daanleixing, ti_daan, img, jiexi FROM tiku ORDER BY ID"_s);
        while (query.next()) {
            QStringList cells;
            for (int c = 0; c < 6; ++c)
                cells << query.value(c).toString();
            content << cells.join(u':');
        }
        query.exec(u"SELECT str_name, str_value FROM jiegou ORDER BY str_name"_s);
        while (query.next())
            content << query.value(0).toString() + u'=' + query.value(1).toString();
    }
    QSqlDatabase::removeDatabase(u"check"_s);
    return content;
}

// A working directory on a small disk of its own, with the program's data directory beside it, and
// the bank "b.stk" (folder b) of the main-window fixture on it.
struct DiskDir {
    FakePlatformScope os;
    WorkDir dir;
    std::unique_ptr<SmallDisk> disk;

    DiskDir() {
        QDir().mkdir(u"disk"_s);
        disk = std::make_unique<SmallDisk>(dir.file(u"disk"_s), diskKib);
        if (!disk->mounted())
            return;
        dir.makeBank(u"disk/b.stk"_s, threeQuestions);
        QDir().mkdir(u"disk/b"_s);
        QFile::link(dir.file(u"tavrindata"_s), dir.file(u"disk/tavrindata"_s));
        QDir::setCurrent(dir.file(u"disk"_s));
    }
    ~DiskDir() { QDir::setCurrent(dir.path()); }
    DiskDir(const DiskDir&) = delete;
    DiskDir& operator=(const DiskDir&) = delete;

    QString skipMessage() const {
        return u"the test cannot mount a small file system to fill (%1); it needs root with CAP_SYS_ADMIN, "
               u"as ./test has in CI"_s.arg(disk->whyNot());
    }
};

#define REQUIRE_SMALL_DISK(d)                                                                                \
    if (!(d).disk->mounted())                                                                                \
    QSKIP(qPrintable((d).skipMessage()))

// The main window on the disk's bank, as the program opens it.
struct DiskWindow : DiskDir {
    TForm1 form;

    bool open() {
        if (!disk->mounted())
            return false;
        form.tikuPath = u"b.stk"_s;
        Form1 = &form;
        form.OpenChosenBank();
        return true;
    }
    ~DiskWindow() {
        form.FormClose();
        if (Form1 == &form)
            Form1 = nullptr;
    }
};

// A picture file of `kib` KiB outside the small disk, whose bytes do not compress.
QString pictureOutside(const WorkDir& dir, const QString& name, int kib) {
    QByteArray bytes(kib * 1024, Qt::Uninitialized);
    quint32 seed = 7;
    for (char& b : bytes)
        b = char((seed = seed * 1103515245u + 12345u) >> 24);
    const QString path = dir.file(name);
    testfiles::writeFile(path, bytes);
    return path;
}

void dropFiles(QWidget* target, const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    delete data;
}

} // namespace

class FullDiskTest : public QObject {
    Q_OBJECT

private slots:
    void questionSaveIsRefusedWhole_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<qint64>("freeBytes");
        QTest::addColumn<bool>("longQuestion");
        for (const qint64 free : {0, 4096, 16384, 65536}) {
            QTest::addRow("new question, %lld bytes free", free) << QString() << free << true;
            QTest::addRow("stored question, %lld bytes free", free) << u"2"_s << free << true;
        }
        QTest::newRow("new short question, nothing free") << QString() << qint64(0) << false;
        QTest::newRow("stored short question, nothing free") << u"2"_s << qint64(0) << false;
    }

    void questionSaveIsRefusedWhole() {
        QFETCH(QString, id);
        QFETCH(qint64, freeBytes);
        QFETCH(bool, longQuestion);
        DiskWindow w;
        REQUIRE_SMALL_DISK(w);
        QVERIFY(w.open());
        // A question saved before the disk fills.
        w.form.AddTi(1, u"先保存的题"_s, 3, {}, u"先保存的解析"_s);
        const QStringList before = bankContent(u"b.stk"_s);
        QCOMPARE(before.first(), u"ok"_s);
        const QStringList rowsBefore = {rowCells(w.form, 1).join(u':'), rowCells(w.form, 3).join(u':')};

        auto editor = openEditor(w.form, id);
        Ui::TTianjia& ui = *editor->form();
        ui.mmo_ti->setPlainText(longQuestion ? longText : u"短题"_s);
        w.form.selectedIndex = 1;
        QVERIFY(w.disk->fill(freeBytes));
        QTest::mouseClick(ui.btn1, Qt::LeftButton);

        QCOMPARE(w.os.errors, QStringList{storeDiskFull});
        QVERIFY(!ui.lbl4->isVisible());
        QCOMPARE(w.form.questionList()->rowCount(), 4);
        QCOMPARE((QStringList{rowCells(w.form, 1).join(u':'), rowCells(w.form, 3).join(u':')}), rowsBefore);
        w.disk->release();
        QCOMPARE(bankContent(u"b.stk"_s), before);

        // Nothing typed is lost: with room again, the same "保存" stores it.
        QCOMPARE(TTianjia::memoText(*ui.mmo_ti), longQuestion ? longText : u"短题"_s);
        QTest::mouseClick(ui.btn1, Qt::LeftButton);
        QCOMPARE(w.os.errors.size(), 1);
        QCOMPARE(storedQuestion(u"b.stk"_s, id.isEmpty() ? u"5"_s : id)[1],
                 longQuestion ? longText : u"短题"_s);
    }

    void settingsAreRefusedWhole() {
        DiskWindow w;
        REQUIRE_SMALL_DISK(w);
        QVERIFY(w.open());
        const QStringList before = bankContent(u"b.stk"_s);
        // As long as an edit takes: 90 KB in UTF-8.
        const QString author(30000, QChar(0x5f20));
        whileBankInfoShows(w.form, [&] {
            Ui::TFormTikuxinxisezhi& ui = *FormTikuxinxisezhi->form();
            ui.edtzuozhe->setText(author);
            QVERIFY(w.disk->fill(0));
            QTest::mouseClick(ui.btn1, Qt::LeftButton);
            // The dialog stays open with what was typed.
            QVERIFY(FormTikuxinxisezhi->isVisible());
            QCOMPARE(ui.edtzuozhe->text(), author);
        });

        QCOMPARE(w.os.errors, QStringList{storeDiskFull});
        w.disk->release();
        QCOMPARE(bankContent(u"b.stk"_s), before);
    }

    void pictureCopiesAreRefusedWhole_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<qint64>("freeBytes");
        for (const qint64 free : {0, 8192, 65536}) {
            QTest::addRow("浏览, %lld bytes free", free) << u"browse"_s << free;
            QTest::addRow("drop, %lld bytes free", free) << u"drop"_s << free;
            QTest::addRow("logo, %lld bytes free", free) << u"logo"_s << free;
            QTest::addRow("clipboard, %lld bytes free", free) << u"clipboard"_s << free;
        }
    }

    void pictureCopiesAreRefusedWhole() {
        QFETCH(QString, way);
        QFETCH(qint64, freeBytes);
        DiskWindow w;
        REQUIRE_SMALL_DISK(w);
        QVERIFY(w.open());
        const QString source = pictureOutside(w.dir, u"cat.png"_s, 300);
        const QStringList before = bankContent(u"b.stk"_s);
        QVERIFY(w.disk->fill(freeBytes));
        QString expected;

        if (way == u"logo"_s) {
            whileBankInfoShows(w.form, [&] {
                const QString logoBefore = FormTikuxinxisezhi->form()->edt1->text();
                w.os.nextFileNames << source;
                QTest::mouseClick(FormTikuxinxisezhi->form()->btn2, Qt::LeftButton);
                QCOMPARE(FormTikuxinxisezhi->form()->edt1->text(), logoBefore);
            });
            expected = u"b/1000cat.png"_s;
        } else if (way == u"clipboard"_s) {
            QImage picture(400, 400, QImage::Format_RGB32);
            picture.fill(Qt::darkCyan);
            bool editorShown = false;
            QTimer::singleShot(0, [&] {
                editorShown = Tianjia && Tianjia->isVisible();
                if (editorShown)
                    Tianjia->close();
            });
            w.form.acceptClipText = true;
            // The main window's watcher, as its FormCreate subscribes it.
            w.os.watchClipboard(&w.form, platform::guarded([&] { w.form.WMDrawClipboard(); }));
            w.os.changeClipboard(picture, std::nullopt);
            QVERIFY(!editorShown);
            expected = u"b/1000.bmp"_s;
        } else {
            auto editor = openEditor(w.form);
            editor->form()->edtTupian_Edit->setText(u"earlier.png"_s);
            if (way == u"browse"_s) {
                w.os.nextFileNames << source;
                QTest::mouseClick(editor->form()->Button3, Qt::LeftButton);
            } else {
                dropFiles(editor.get(), {source, source});
            }
            QCOMPARE(editor->form()->edtTupian_Edit->text(), u"earlier.png"_s);
            QCOMPARE(editor->imgName, QString());
            expected = u"b/1000cat.png"_s;
        }

        QCOMPARE(w.os.errors, QStringList{platform::diskFullText(expected)});
        QVERIFY(!w.os.messages.contains(u"error404"_s));
        // No picture, not even part of one or a temporary file, and nothing saved.
        QCOMPARE(entriesOf(u"b"_s), QStringList());
        QCOMPARE(w.form.questionList()->rowCount(), 3);
        w.disk->release();
        QCOMPARE(bankContent(u"b.stk"_s), before);
    }

    void importOutputIsRefusedWhole() {
        DiskDir d;
        REQUIRE_SMALL_DISK(d);
        // 20000 questions give a record file of 880 KB; the text itself is small.
        QByteArray text;
        for (int i = 0; i < 20000; ++i)
            text += "q\xA3\xBB\n";
        testfiles::writeFile(u"q.txt"_s, text);
        testfiles::writeFile(u"q.txt.tiku"_s, "earlier");
        TForm1 main;
        main.tikuPath = u"earlier.stk"_s;
        TFormDaoru dialog;
        dialog.mainForm = &main;
        dialog.show();
        d.os.nextFileNames << u"q.txt"_s;
        QTest::mouseClick(dialog.form()->BitBtn1, Qt::LeftButton);
        dialog.form()->chk1->setChecked(false);
        QVERIFY(d.disk->fill(65536));
        const QStringList before = entriesOf(u"."_s);
        QTest::mouseClick(dialog.form()->btn1, Qt::LeftButton);

        const QString output = QDir::current().absoluteFilePath(u"q.txt.tiku"_s);
        QCOMPARE(d.os.messages, QStringList{platform::diskFullText(output)});
        QVERIFY(dialog.isVisible());
        QCOMPARE(main.tikuPath, u"earlier.stk"_s);
        QCOMPARE(testfiles::readFile(u"q.txt.tiku"_s), QByteArray("earlier"));
        QCOMPARE(entriesOf(u"."_s), before);
    }

    void newBankIsTakenBackWhole_data() {
        QTest::addColumn<qint64>("freeBytes");
        // Nothing at all; room for the directory and part of the bank; the bank but not the logo.
        QTest::newRow("nothing free") << qint64(0);
        QTest::newRow("8 KiB free") << qint64(8192);
        QTest::newRow("20 KiB free") << qint64(20480);
    }

    void newBankIsTakenBackWhole() {
        QFETCH(qint64, freeBytes);
        DiskDir d;
        REQUIRE_SMALL_DISK(d);
        TForm1 main;
        TForm2 chooser(&main);
        chooser.show();
        QVERIFY(d.disk->fill(freeBytes));
        const QStringList before = entriesOf(u"."_s);
        QTest::keyClicks(chooser.form()->edt1, u"xinku"_s);
        QTest::mouseClick(chooser.form()->Button2, Qt::LeftButton);

        QStringList told = d.os.messages + d.os.errors;
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains(u"磁盘空间已满"_s) || told[0].contains(u"文件夹创建失败"_s),
                 qPrintable(told[0]));
        QVERIFY(chooser.isVisible());
        QCOMPARE(entriesOf(u"."_s), before);

        // With room again the same name makes the bank.
        d.disk->release();
        d.os.messages.clear();
        d.os.errors.clear();
        QTest::mouseClick(chooser.form()->Button2, Qt::LeftButton);
        QVERIFY2(d.os.messages.isEmpty() && d.os.errors.isEmpty(),
                 qPrintable((d.os.messages + d.os.errors).join(u'|')));
        QCOMPARE(main.tikuPath, u"xinku.stk"_s);
        QCOMPARE(bankContent(u"xinku.stk"_s).first(), u"ok"_s);
        QVERIFY(bankContent(u"xinku.stk"_s).contains(u"mulu=xinku"_s));
        QVERIFY(QFileInfo::exists(u"xinku/torvesk.jpg"_s));
    }
};

QTEST_MAIN(FullDiskTest)
#include "tst_full_disk.moc"
