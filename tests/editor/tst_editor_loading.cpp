// What the editor shows: a stored question, a new one, the questions before and after by ID, and
// the texts as they go to and from the bank.
#include "tests/editor/EditorFixture.h"
#include "ui_TForm1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>

using namespace Qt::StringLiterals;
using namespace fixture;

class EditorLoadingTest : public QObject {
    Q_OBJECT

private slots:
    void storedQuestionFillsTheForm() {
        OpenWindow w;
        w.form.acceptClipText = true;
        placePicture(u"b/p.jpg"_s);
        auto editor = openEditor(w.form, u"1"_s);
        const Ui::TTianjia& ui = *editor->form();

        QCOMPARE(ui.lblID->text(), u"本题ID:1"_s);
        QCOMPARE(ui.mmo_ti->toPlainText(), u"第一题\nA. 甲"_s);
        QCOMPARE(ui.mmojiexi->toPlainText(), u"解析一"_s);
        QCOMPARE(ui.edtTupian_Edit->text(), u"p.jpg"_s);
        QCOMPARE(editor->imgName, u"p.jpg"_s);
        QVERIFY(ui.Image1->isVisibleTo(editor.get()));
        QCOMPARE(ui.Image1->pixmap().size(), QSize(40, 30));
        QCOMPARE(ui.cbb1->currentIndex(), 0);
        QCOMPARE(visiblePanel(*editor), u"pnlxuanze"_s);
        QCOMPARE(selectedChoice(ui), u"rb2"_s);
        // Copied text must not open a second editor over this one.
        QVERIFY(!w.form.acceptClipText);
        QVERIFY(w.os.errors.isEmpty());
    }

    void newQuestionStartsWithTheLastSavedText() {
        OpenWindow w;
        {
            auto first = openEditor(w.form);
            Ui::TTianjia& ui = *first->form();
            ui.mmo_ti->setPlainText(u"刚保存的题"_s);
            ui.mmojiexi->setPlainText(u"刚保存的解析"_s);
            ui.edtTupian_Edit->setText(u"n.png"_s);
            ui.btnsave->click();
        }
        auto editor = openEditor(w.form);
        const Ui::TTianjia& ui = *editor->form();
        QCOMPARE(ui.lblID->text(), u"本题ID:"_s);
        QCOMPARE(ui.mmo_ti->toPlainText(), u"刚保存的题"_s);
        QCOMPARE(ui.mmojiexi->toPlainText(), QString());
        QCOMPARE(ui.edtTupian_Edit->text(), QString());
        QVERIFY(!ui.Image1->isVisibleTo(editor.get()));
    }

    void copiedTextBecomesTheNewQuestion() {
        OpenWindow w;
        // The clipboard watcher leaves the copied text as the store's current question.
        w.form.tikuSql->ti_neirong = u"abc"_s;
        auto editor = openEditor(w.form);
        QCOMPARE(editor->form()->mmo_ti->toPlainText(), u"abc"_s);
    }

    void newQuestionTakesTheTypeLastShown() {
        OpenWindow w;
        // An editor that only showed a stored multiple-choice question.
        openEditor(w.form, u"3"_s)->close();
        QCOMPARE(w.form.lastLeiXing, 2);

        auto editor = openEditor(w.form);
        QCOMPARE(editor->form()->cbb1->currentIndex(), 2);
        QCOMPARE(visiblePanel(*editor), u"pnlduoxuan"_s);
        QCOMPARE(editor->daanLeiXing, 3);
        // A fresh editor has no box ticked: ticks come only from a stored code.
        QCOMPARE(tickedLetters(*editor->form()), QString());
    }

    void previousAndNextFollowTheIds() {
        OpenWindow w;
        placePicture(u"b/p.jpg"_s);
        auto editor = openEditor(w.form, u"1"_s);
        const Ui::TTianjia& ui = *editor->form();

        // No question bears ID 0: an empty question under the requested number, answer as it was.
        ui.btnUp->click();
        QCOMPARE(editor->benTiID, u"0"_s);
        QCOMPARE(ui.lblID->text(), u"本题ID:0"_s);
        QCOMPARE(ui.mmo_ti->toPlainText(), QString());
        QCOMPARE(ui.mmojiexi->toPlainText(), QString());
        QCOMPARE(ui.edtTupian_Edit->text(), QString());
        QVERIFY(!ui.Image1->isVisibleTo(editor.get()));
        QCOMPARE(ui.cbb1->currentIndex(), 0);
        QCOMPARE(selectedChoice(ui), u"rb2"_s);
        QCOMPARE(editor->isXiuGai, 1);

        ui.btnNe->click();
        QCOMPARE(ui.lblID->text(), u"本题ID:1"_s);
        QCOMPARE(ui.mmo_ti->toPlainText(), u"第一题\nA. 甲"_s);
        QVERIFY(ui.Image1->isVisibleTo(editor.get()));

        ui.btnNe->click();
        QCOMPARE(ui.lblID->text(), u"本题ID:2"_s);
        QCOMPARE(ui.mmo_ti->toPlainText(), u"第二题"_s);
        QCOMPARE(visiblePanel(*editor), u"pnlpnpanduan"_s);
        QCOMPARE(selectedTrueFalse(ui), u"rb5"_s);
        QVERIFY(!ui.Image1->isVisibleTo(editor.get()));
        QVERIFY(w.os.errors.isEmpty());
    }

    void stepThatCannotBeTakenChangesNothing_data() {
        QTest::addColumn<int>("isXiuGai");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("error");

        QTest::newRow("previous, new question") << 0 << ""
                                                << "btnUp"
                                                << "“”不是有效的题目ID";
        QTest::newRow("next, new question") << 0 << ""
                                            << "btnNe"
                                            << "“”不是有效的题目ID";
        QTest::newRow("next after the largest ID") << 1 << "2147483647"
                                                   << "btnNe"
                                                   << "题目ID“2147483648”超出范围";
        QTest::newRow("previous before the smallest ID") << 1 << "-2147483648"
                                                         << "btnUp"
                                                         << "题目ID“-2147483649”超出范围";
    }

    void stepThatCannotBeTakenChangesNothing() {
        QFETCH(int, isXiuGai);
        QFETCH(QString, id);
        QFETCH(QString, button);
        OpenWindow w;
        auto editor = std::make_unique<TTianjia>(&w.form);
        editor->mainForm = &w.form;
        editor->isXiuGai = isXiuGai;
        editor->benTiID = id;
        editor->show();
        const Ui::TTianjia& ui = *editor->form();
        ui.mmo_ti->setPlainText(u"草稿"_s);
        const QString label = ui.lblID->text();

        editor->findChild<QPushButton*>(button)->click();

        QTEST(w.os.errors.value(0), "error");
        QCOMPARE(w.os.errors.size(), 1);
        QCOMPARE(editor->benTiID, id);
        QCOMPARE(ui.lblID->text(), label);
        QCOMPARE(ui.mmo_ti->toPlainText(), u"草稿"_s);
    }

    void checkBoxMirrorsTheMainWindows() {
        OpenWindow w;
        QCheckBox* mainBox = w.form.form()->chkjiantieban;
        mainBox->setChecked(false);
        auto editor = openEditor(w.form, u"1"_s);
        QCheckBox* box = editor->form()->chkjiantieban;
        QVERIFY(!box->isChecked());

        box->click();
        QVERIFY(mainBox->isChecked());
        box->click();
        QVERIFY(!mainBox->isChecked());

        // Every load takes the main window's state again.
        mainBox->setChecked(true);
        editor->form()->btnNe->click();
        QVERIFY(box->isChecked());
    }

    void textsGoBackAsTheyCame_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("saved");

        QTest::newRow("CR LF") << u"第一行\r\n第二行\r\n"_s << u"第一行\r\n第二行\r\n"_s;
        QTest::newRow("LF becomes CR LF") << u"a\nb\n\nc"_s << u"a\r\nb\r\n\r\nc"_s;
        QTest::newRow("spaces and tabs kept") << u"  前后  \r\n\r\n\t"_s << u"  前后  \r\n\r\n\t"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("HTML") << u"H2<sup>+</sup>\r\n<p class=\"x\">&nbsp;段</p>"_s
                              << u"H2<sup>+</sup>\r\n<p class=\"x\">&nbsp;段</p>"_s;
        QTest::newRow("non-breaking and wide spaces") << u"a\u00A0b\u3000c"_s << u"a\u00A0b\u3000c"_s;
        QString large;
        while (large.size() < 100'000)
            large += u"<b>题</b>内容，公式 x<sup>2</sup> 与文字。\r\n"_s;
        large.truncate(100'000);
        QTest::newRow("100 000 characters") << large << large;
    }

    void textsGoBackAsTheyCame() {
        QFETCH(QString, text);
        QFETCH(QString, saved);
        OpenWindow w;
        w.form.tikuSql->AddQuestion(1, text, 1, u" p q.png "_s, text);
        w.form.selectedIndex = -1;
        auto editor = openEditor(w.form, u"4"_s);
        const Ui::TTianjia& ui = *editor->form();
        // What the user sees: the lines, however the bank separated them.
        QCOMPARE(ui.mmo_ti->document()->blockCount(),
                 QString(text).replace(u"\r\n"_s, u"\n"_s).count(u'\n') + 1);

        ui.btn1->click();
        QCOMPARE(storedQuestion(u"b.stk"_s, u"4"_s),
                 (QStringList{u"4"_s, saved, u"1"_s, u"1"_s, u" p q.png "_s, saved}));
    }
};

QTEST_MAIN(EditorLoadingTest)
#include "tst_editor_loading.moc"
