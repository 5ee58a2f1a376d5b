// The import dialog: choosing the text, the checks of "开始", the record file it writes and what it
// does when the text cannot be read or the record file cannot be written.
#include "app/TForm1.h"
#include "import/TFormDaoru.h"
#include "tests/import/ImportCases.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/Files.h"
#include "tests/support/WorkDir.h"
#include "tests/support/WriteProtection.h"
#include "ui_TFormDaoru.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using testfiles::readFile;
using testfiles::writeFile;

namespace {

const QString done = u"已经完成导入，批量导入不能保证正确性，请谨慎检查！"_s;

// What the record file of `questions` questions holds: 44-byte records 0 to questions + 1, zero
// everywhere but the ID words of records 1 to questions, little-endian.
QByteArray tikuFile(qint64 questions) {
    QByteArray out(44 * (questions + 2), '\0');
    for (qint64 k = 1; k <= questions; ++k)
        qToLittleEndian<qint32>(qint32(k), out.data() + 44 * k);
    return out;
}

QStringList entriesOf(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// An import dialog on a main window, as the chooser opens it.
struct Import {
    TForm1 main;
    TFormDaoru dialog;

    Import() {
        dialog.mainForm = &main;
        dialog.show();
    }
    Ui::TFormDaoru* ui() const { return dialog.form(); }

    void choose(FakePlatform& os, const QString& name) {
        os.nextFileNames << name;
        ui()->BitBtn1->click();
    }
};

} // namespace

class ImportDialogTest : public QObject {
    Q_OBJECT

private slots:
    void startsAsDesigned() {
        FakePlatformScope os;
        WorkDir dir;
        TFormDaoru dialog;
        Ui::TFormDaoru* ui = dialog.form();
        dialog.show();
        QCOMPARE(dialog.windowTitle(), u"导入题库"_s);
        QCOMPARE(dialog.size(), QSize(472, 243));
        QVERIFY(!dialog.fileChosen);
        QCOMPARE(ui->lbl2->text(), u"选择文本题库"_s);
        QCOMPARE(ui->BitBtn1->text(), u"浏览……"_s);
        QCOMPARE(ui->chk1->text(), u"忽略第一行"_s);
        QVERIFY(ui->chk1->isChecked());
        QCOMPARE(ui->chk2->text(), u"单选题"_s);
        QVERIFY(ui->chk2->isChecked());
        QCOMPARE(ui->btn1->text(), u"开始"_s);
        QCOMPARE(ui->lbl3->text(), u"批量导入不能保证正确性"_s);
        QCOMPARE(ui->lbl2->font().pixelSize(), 15);
        QCOMPARE(ui->lbl3->font().pixelSize(), 15);
        QCOMPARE(ui->lbl3->palette().color(QPalette::WindowText), QColor(Qt::red));
        QVERIFY(ui->lbl3->isVisible() && ui->btn1->isVisible() && ui->BitBtn1->isVisible());
        // Kept from the form description, but no part of the import.
        QCOMPARE(ui->lbl1->text(), u"题的结尾字符"_s);
        QCOMPARE(ui->edtEndTx->text(), u"；；"_s);
        QCOMPARE(ui->Button1->text(), u"Button1"_s);
        QVERIFY(!ui->lbl1->isVisible() && !ui->edtEndTx->isVisible() && !ui->Button1->isVisible());
    }

    void aConfirmedChoiceShowsTheAbsolutePath() {
        FakePlatformScope os;
        WorkDir dir;
        Import in;
        in.choose(os, QString());
        QVERIFY(!in.dialog.fileChosen);
        QCOMPARE(in.ui()->lbl2->text(), u"选择文本题库"_s);
        // Both letter cases: the names are compared with their case here.
        QCOMPARE(os.fileFilters, QStringList{u"*.txt (*.txt *.TXT)"_s});

        in.choose(os, u"题库.txt"_s);
        const QString first = QDir(dir.path()).absoluteFilePath(u"题库.txt"_s);
        QVERIFY(in.dialog.fileChosen);
        QCOMPARE(in.ui()->lbl2->text(), first);
        QCOMPARE(in.dialog.textPath, first);

        // A later cancel changes nothing; a later choice replaces the path.
        in.choose(os, QString());
        QVERIFY(in.dialog.fileChosen);
        QCOMPARE(in.ui()->lbl2->text(), first);
        in.choose(os, u"/elsewhere/b.txt"_s);
        QCOMPARE(in.ui()->lbl2->text(), u"/elsewhere/b.txt"_s);
    }

    void writesOneRecordPerQuestion_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("skipFirstLine");
        QTest::addColumn<qint64>("questions");
        for (const ImportCase& c : importCases())
            QTest::newRow(c.name) << c.text << c.skipFirstLine << c.questions;
    }
    void writesOneRecordPerQuestion() {
        QFETCH(QByteArray, text);
        QFETCH(bool, skipFirstLine);
        QFETCH(qint64, questions);
        FakePlatformScope os;
        WorkDir dir;
        writeFile(u"q.txt"_s, text);
        Import in;
        in.choose(os, u"q.txt"_s);
        in.ui()->chk1->setChecked(skipFirstLine);
        in.ui()->btn1->click();

        const QString output = dir.file(u"q.txt.tiku"_s);
        QCOMPARE(os.messages, QStringList{done});
        QVERIFY(os.errors.isEmpty());
        QCOMPARE(readFile(output), tikuFile(questions));
        QCOMPARE(in.main.tikuPath, output);
        QCOMPARE(in.dialog.result(), int(QDialog::Accepted));
        QVERIFY(!in.dialog.isVisible());
        QCOMPARE(readFile(u"q.txt"_s), text);
    }

    void threeQuestionsGiveTwoHundredTwentyBytes() {
        FakePlatformScope os;
        WorkDir dir;
        writeFile(u"q.txt"_s, "a" + semicolon + "\nb" + semicolon + "\nc" + semicolon + '\n');
        Import in;
        in.choose(os, u"q.txt"_s);
        in.ui()->chk1->setChecked(false);
        in.ui()->btn1->click();
        const QByteArray file = readFile(u"q.txt.tiku"_s);
        QCOMPARE(file.size(), 220);
        for (const int k : {1, 2, 3})
            QCOMPARE(qFromLittleEndian<qint32>(file.constData() + 44 * k), k);
        QCOMPARE(file.count('\0'), 220 - 3);
    }

    void moreQuestionsThanTheFirstRecordsHold() {
        FakePlatformScope os;
        WorkDir dir;
        QByteArray text;
        for (int i = 0; i < 3500; ++i)
            text += "q" + semicolon + "\r\n";
        writeFile(u"q.txt"_s, text);
        Import in;
        in.choose(os, u"q.txt"_s);
        in.ui()->chk1->setChecked(false);
        in.ui()->btn1->click();
        QCOMPARE(os.messages, QStringList{done});
        QCOMPARE(readFile(u"q.txt.tiku"_s), tikuFile(3500));
    }

    // Several chunks of text and several blocks of records: the file written as the text is counted
    // is the file of the whole count.
    void aLongTextIsWrittenWhole() {
        FakePlatformScope os;
        WorkDir dir;
        QByteArray text = "title\r\n";
        for (int i = 0; i < 200000; ++i)
            text += (i % 7 == 0 ? "body line\r\n" : "") + QByteArray("q") + semicolon + "\r\n";
        writeFile(u"q.txt"_s, text);
        Import in;
        in.choose(os, u"q.txt"_s);
        in.ui()->btn1->click();
        QCOMPARE(os.messages, QStringList{done});
        QCOMPARE(readFile(u"q.txt.tiku"_s), tikuFile(200000));
    }

    void replacesAnEarlierRecordFile() {
        FakePlatformScope os;
        WorkDir dir;
        writeFile(u"q.txt"_s, "a" + semicolon + '\n');
        writeFile(u"q.txt.tiku"_s, QByteArray(1000, 'z'));
        Import in;
        in.choose(os, u"q.txt"_s);
        in.ui()->chk1->setChecked(false);
        in.ui()->btn1->click();
        QCOMPARE(readFile(u"q.txt.tiku"_s), tikuFile(1));
    }

    void readsAWriteProtectedText() {
        FakePlatformScope os;
        WorkDir dir;
        writeFile(u"q.txt"_s, "title\na" + semicolon + '\n');
        WriteProtection readOnly(u"q.txt"_s);
        QVERIFY(readOnly.holds());
        Import in;
        in.choose(os, u"q.txt"_s);
        in.ui()->btn1->click();
        QCOMPARE(os.messages, QStringList{done});
        QCOMPARE(readFile(u"q.txt.tiku"_s), tikuFile(1));
    }

    void aTextThatCannotBeOpenedWritesNothing_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("missing") << u"missing"_s;
        QTest::newRow("directory") << u"directory"_s;
    }
    void aTextThatCannotBeOpenedWritesNothing() {
        QFETCH(QString, what);
        FakePlatformScope os;
        WorkDir dir;
        if (what == u"directory"_s)
            QVERIFY(QDir().mkdir(u"q.txt"_s));
        const QStringList before = entriesOf(dir.path());
        Import in;
        in.main.tikuPath = u"earlier.stk"_s;
        in.choose(os, u"q.txt"_s);
        in.ui()->btn1->click();

        QCOMPARE(os.errors, QStringList{u"无法打开文本题库："_s + dir.file(u"q.txt"_s)});
        QVERIFY(os.messages.isEmpty());
        QCOMPARE(entriesOf(dir.path()), before);
        QCOMPARE(in.main.tikuPath, u"earlier.stk"_s);
        QVERIFY(in.dialog.isVisible());
    }

    // "错误", and nothing more: no path handed on, no completion message, the dialog open for another
    // try, and no file but those that were there.
    void aRecordFileThatCannotBeWritten_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("directory in the way") << u"directory"_s;
        QTest::newRow("write-protected record file") << u"protected"_s;
    }
    void aRecordFileThatCannotBeWritten() {
        QFETCH(QString, what);
        FakePlatformScope os;
        WorkDir dir;
        writeFile(u"q.txt"_s, "a" + semicolon + '\n');
        std::unique_ptr<WriteProtection> protection;
        if (what == u"directory"_s) {
            QVERIFY(QDir().mkdir(u"q.txt.tiku"_s));
        } else {
            writeFile(u"q.txt.tiku"_s, "earlier");
            protection = std::make_unique<WriteProtection>(u"q.txt.tiku"_s);
            QVERIFY(protection->holds());
        }
        const QStringList before = entriesOf(dir.path());
        Import in;
        in.main.tikuPath = u"earlier.stk"_s;
        in.choose(os, u"q.txt"_s);
        in.ui()->btn1->click();

        QCOMPARE(os.messages, QStringList{u"错误"_s});
        QVERIFY(os.errors.isEmpty());
        QCOMPARE(entriesOf(dir.path()), before);
        if (what == u"protected"_s)
            QCOMPARE(readFile(u"q.txt.tiku"_s), QByteArray("earlier"));
        QCOMPARE(in.main.tikuPath, u"earlier.stk"_s);
        QVERIFY(in.dialog.isVisible());
        QCOMPARE(in.dialog.result(), int(QDialog::Rejected));
    }

    void startWithoutAChosenText() {
        FakePlatformScope os;
        WorkDir dir;
        Import in;
        in.ui()->btn1->click();
        QCOMPARE(os.messages, QStringList{u"没有题库"_s});
        QVERIFY(in.dialog.isVisible());
    }

    void onlySingleChoiceIsImported() {
        FakePlatformScope os;
        WorkDir dir;
        writeFile(u"q.txt"_s, "a" + semicolon + '\n');
        Import in;
        in.choose(os, u"q.txt"_s);
        in.ui()->chk2->setChecked(false);
        in.ui()->btn1->click();
        QCOMPARE(os.messages, QStringList{u"仅支持单选题"_s});
        QVERIFY(!QFileInfo::exists(u"q.txt.tiku"_s));
        QVERIFY(in.main.tikuPath.isEmpty());
        QVERIFY(in.dialog.isVisible());
    }
};

QTEST_MAIN(ImportDialogTest)
#include "tst_import_dialog.moc"
