// A bank's picture folder (`mulu`) is used only when it lies inside the program directory. A bank
// from another machine may name an absolute path, climb out with "..", or name a folder that is a
// symbolic link to elsewhere: every picture writer (the clipboard's BMP, the editor's browse and drop,
// the bank information's logo browse) and the display refuse it, and nothing lands outside. Ordinary
// folder names work as before.
#include "app/TForm1.h"
#include "bankinfo/TFormTikuxinxisezhi.h"
#include "chooser/TForm2.h"
#include "editor/TTianjia.h"
#include "store/BankFolder.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/FileDrop.h"
#include "tests/support/MainWindowFixture.h"
#include "ui_TForm1.h"
#include "ui_TForm2.h"
#include "ui_TFormTikuxinxisezhi.h"
#include "ui_TTianjia.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace Qt::StringLiterals;
using namespace fixture;

namespace {

constexpr quint32 tick = 777;

// Where a row's folder setting leads.
enum class Kind { Absolute, ClimbsOut, LinkOut, WindowsAbsolute, ChineseName, NestedName, LinkInside };

} // namespace

Q_DECLARE_METATYPE(Kind)

namespace {

// Every entry below `path`, as paths relative to it, sorted.
QStringList filesBelow(const QString& path) {
    QStringList found;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(path).relativeFilePath(it.next());
    found.sort();
    return found;
}

// The editor or editors that show on top while `command` runs, each closed once seen.
int editorsShownBy(const std::function<void()>& command) {
    int shown = 0;
    QPointer<QWidget> seen;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* editor = qobject_cast<TTianjia*>(QApplication::activeModalWidget());
        if (!editor || !editor->isVisible() || editor == seen)
            return;
        seen = editor;
        ++shown;
        editor->close();
    });
    watch.start();
    command();
    return shown;
}

// A place outside the program directory, the program directory with a bank "b.stk" whose folder
// setting is of the row's kind, and the main window opened on it through the chooser, as the program
// opens it.
struct FolderCase {
    explicit FolderCase(Kind kind) {
        os.tick = tick;
        const QString outsideName = QFileInfo(outside.path()).fileName();
        switch (kind) {
        case Kind::Absolute:
            mulu = outside.path();
            break;
        case Kind::ClimbsOut:
            mulu = u"../"_s + outsideName;
            break;
        case Kind::LinkOut:
            mulu = u"pics"_s;
            QFile::link(outside.path(), u"pics"_s);
            break;
        case Kind::WindowsAbsolute:
            mulu = u"C:\\pics"_s;
            break;
        case Kind::ChineseName:
            mulu = u"图片 文件夹.v1.2"_s;
            QDir().mkdir(mulu);
            break;
        case Kind::NestedName:
            mulu = u"题库/图片"_s;
            QDir().mkpath(mulu);
            break;
        case Kind::LinkInside:
            mulu = u"pics"_s;
            QDir().mkdir(u"real"_s);
            QFile::link(dir.file(u"real"_s), u"pics"_s);
            break;
        }
        dir.makeBank(u"b.stk"_s, u"UPDATE jiegou SET str_value='%1' WHERE str_name='mulu';\n"_s.arg(mulu) +
                                     u"INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) "
                                     u"VALUES ('看图', 1, 1, 'shown.png', '');"_s);
        placePicture(u"source/cat.png"_s);
        startThroughChooser(form);
        form.show();
    }
    ~FolderCase() {
        if (Form1 == &form)
            Form1 = nullptr;
    }
    FolderCase(const FolderCase&) = delete;
    FolderCase& operator=(const FolderCase&) = delete;

    // The folder where the program would write, seen from the test.
    QString folder() const { return QDir(dir.path()).filePath(mulu); }
    QStringList written() const { return filesBelow(folder()); }
    QString refusal() const { return bankfolder::refusal(mulu); }

    QTemporaryDir outside;
    FakePlatformScope os;
    WorkDir dir;
    QString mulu;
    TForm1 form;
};

void folderRows() {
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("inside");
    QTest::newRow("absolute path") << Kind::Absolute << false;
    QTest::newRow("climbs out with ..") << Kind::ClimbsOut << false;
    QTest::newRow("symbolic link out") << Kind::LinkOut << false;
    QTest::newRow("absolute on Windows") << Kind::WindowsAbsolute << false;
    QTest::newRow("Chinese name with a blank and dots") << Kind::ChineseName << true;
    QTest::newRow("folder in a folder") << Kind::NestedName << true;
    QTest::newRow("symbolic link to a folder inside") << Kind::LinkInside << true;
}

} // namespace

class BankFolderTest : public QObject {
    Q_OBJECT

private slots:
    // The row's setting means what it says: the refused ones lead outside, the others inside.
    void rowsLeadWhereTheySay_data() { folderRows(); }
    void rowsLeadWhereTheySay() {
        QFETCH(Kind, kind);
        QFETCH(bool, inside);
        FolderCase c(kind);
        QCOMPARE(bankfolder::staysInside(c.mulu), inside);
        if (kind == Kind::Absolute || kind == Kind::ClimbsOut || kind == Kind::LinkOut)
            QCOMPARE(QFileInfo(c.folder()).canonicalFilePath(),
                     QFileInfo(c.outside.path()).canonicalFilePath());
        // The caption still names the folder as the bank has it.
        QVERIFY(c.form.windowTitle().startsWith(c.mulu));
    }

    void clipboardPicture_data() { folderRows(); }
    void clipboardPicture() {
        QFETCH(Kind, kind);
        QFETCH(bool, inside);
        FolderCase c(kind);
        c.form.form()->chkjiantieban->setChecked(true);
        QImage picture(5, 4, QImage::Format_RGB32);
        picture.fill(Qt::green);

        const int editors = editorsShownBy([&] { c.os.changeClipboard(picture, std::nullopt); });

        QVERIFY(filesBelow(c.outside.path()).isEmpty());
        if (inside) {
            QCOMPARE(c.written(), QStringList{u"777.bmp"_s});
            QCOMPARE(editors, 1);
            QVERIFY(c.os.errors.isEmpty());
        } else {
            QCOMPARE(editors, 0);
            QCOMPARE(c.os.errors, QStringList{c.refusal()});
        }
    }

    void editorBrowse_data() { folderRows(); }
    void editorBrowse() {
        QFETCH(Kind, kind);
        QFETCH(bool, inside);
        FolderCase c(kind);
        auto editor = openEditor(c.form);
        c.os.messages.clear();
        c.os.nextFileNames = {c.dir.file(u"source/cat.png"_s)};

        QTest::mouseClick(editor->form()->Button3, Qt::LeftButton);

        QVERIFY(filesBelow(c.outside.path()).isEmpty());
        if (inside) {
            QCOMPARE(c.written(), QStringList{u"777cat.png"_s});
            QCOMPARE(editor->form()->edtTupian_Edit->text(), u"777cat.png"_s);
            QVERIFY(editor->form()->Image1->isVisible());
            QVERIFY(c.os.errors.isEmpty());
            QVERIFY(c.os.messages.isEmpty());
        } else {
            QCOMPARE(c.os.errors, QStringList{c.refusal()});
            QVERIFY(c.os.messages.isEmpty());
            QVERIFY(editor->imgName.isEmpty());
            QVERIFY(editor->form()->edtTupian_Edit->text().isEmpty());
        }
    }

    // A refused drop stops before its first file: nothing is copied and no question is saved.
    void drop_data() { folderRows(); }
    void drop() {
        QFETCH(Kind, kind);
        QFETCH(bool, inside);
        FolderCase c(kind);
        placePicture(u"source/dog.png"_s);
        auto editor = openEditor(c.form);
        c.os.messages.clear();
        const int rowsBefore = c.form.questionList()->rowCount();

        filedrop::dropFiles(editor.get(), {u"source/cat.png"_s, u"source/dog.png"_s});

        QVERIFY(filesBelow(c.outside.path()).isEmpty());
        if (inside) {
            QCOMPARE(c.written(), (QStringList{u"777cat.png"_s, u"777dog.png"_s}));
            QCOMPARE(c.form.questionList()->rowCount(), rowsBefore + 2);
            QVERIFY(c.os.errors.isEmpty());
        } else {
            QCOMPARE(c.os.errors, QStringList{c.refusal()});
            QCOMPARE(c.form.questionList()->rowCount(), rowsBefore);
        }
    }

    void logoBrowse_data() { folderRows(); }
    void logoBrowse() {
        QFETCH(Kind, kind);
        QFETCH(bool, inside);
        FolderCase c(kind);
        const QString logoBefore = c.form.tikuSql->GetTikuLOGO();
        c.os.nextFileNames = {c.dir.file(u"source/cat.png"_s)};

        whileBankInfoShows(c.form,
                           [&] { QTest::mouseClick(FormTikuxinxisezhi->form()->btn2, Qt::LeftButton); });

        QVERIFY(filesBelow(c.outside.path()).isEmpty());
        if (inside) {
            QCOMPARE(c.written(), QStringList{u"777cat.png"_s});
            QCOMPARE(c.form.tikuSql->GetTikuLOGO(), u"777cat.png"_s);
            QVERIFY(c.os.errors.isEmpty());
        } else {
            QCOMPARE(c.os.errors, QStringList{c.refusal()});
            QCOMPARE(c.form.tikuSql->GetTikuLOGO(), logoBefore);
        }
    }

    // A stored question's picture: shown from a folder inside, never read from one outside.
    void display_data() { folderRows(); }
    void display() {
        QFETCH(Kind, kind);
        QFETCH(bool, inside);
        FolderCase c(kind);
        // The picture the folder leads to, wherever that is (Windows paths lead nowhere here).
        if (kind != Kind::WindowsAbsolute)
            placePicture(inside ? c.folder() + u"/shown.png"_s : c.outside.path() + u"/shown.png"_s);
        c.os.messages.clear();

        auto editor = openEditor(c.form, u"1"_s);

        QCOMPARE(editor->imgName, u"shown.png"_s);
        QCOMPARE(editor->form()->Image1->isVisible(), inside);
        QCOMPARE(c.os.messages, inside ? QStringList() : QStringList{u"error404"_s});
        QVERIFY(c.os.errors.isEmpty());
    }

    // The bank information dialog stores nothing while its folder would lead outside; the user's
    // folder name is stored as typed otherwise.
    void bankInformationStoresOnlyAFolderInside_data() { folderRows(); }
    void bankInformationStoresOnlyAFolderInside() {
        QFETCH(Kind, kind);
        QFETCH(bool, inside);
        FolderCase c(kind);
        const QString authorBefore = c.form.tikuSql->GetTikuZuoZhe();
        bool stillShown = false;

        whileBankInfoShows(c.form, [&] {
            Ui::TFormTikuxinxisezhi& ui = *FormTikuxinxisezhi->form();
            QCOMPARE(ui.edtmulu->text(), c.mulu);
            ui.edtzuozhe->setText(u"新作者"_s);
            QTest::mouseClick(ui.btn1, Qt::LeftButton);
            stillShown = FormTikuxinxisezhi->isVisible();
        });

        QCOMPARE(stillShown, !inside);
        QCOMPARE(c.form.tikuSql->GetJiegou(u"mulu"_s), c.mulu);
        QCOMPARE(c.form.tikuSql->GetTikuZuoZhe(), inside ? u"新作者"_s : authorBefore);
        if (inside) {
            QVERIFY(c.os.messages.isEmpty());
        } else {
            QCOMPARE(c.os.messages.size(), 1);
            QVERIFY(c.os.messages[0].contains(u"“"_s + c.mulu + u"”"_s));
        }
    }

    // Typing a folder that leads outside is refused the same way, for a bank whose folder was fine.
    void bankInformationRefusesATypedFolderOutside_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("stored");
        QTest::newRow("absolute") << u"/tmp"_s << false;
        QTest::newRow("climbs out") << u"../x"_s << false;
        QTest::newRow("climbs out inside a name") << u"a/../../x"_s << false;
        QTest::newRow("Windows absolute") << u"D:\\pics"_s << false;
        QTest::newRow("Windows climbs out") << u"..\\pics"_s << false;
        QTest::newRow("new folder name") << u"新图片"_s << true;
        QTest::newRow("dots inside a name") << u"a..b"_s << true;
        // An empty folder reads as the data directory, as before.
        QTest::newRow("empty") << QString() << true;
    }
    void bankInformationRefusesATypedFolderOutside() {
        QFETCH(QString, typed);
        QFETCH(bool, stored);
        FolderCase c(Kind::ChineseName);
        whileBankInfoShows(c.form, [&] {
            Ui::TFormTikuxinxisezhi& ui = *FormTikuxinxisezhi->form();
            ui.edtmulu->setText(typed);
            QTest::mouseClick(ui.btn1, Qt::LeftButton);
        });
        QCOMPARE(c.form.tikuSql->GetJiegou(u"mulu"_s), stored ? typed : c.mulu);
        QCOMPARE(c.os.messages.isEmpty(), stored);
    }
};

QTEST_MAIN(BankFolderTest)
#include "tst_bank_folder.moc"
