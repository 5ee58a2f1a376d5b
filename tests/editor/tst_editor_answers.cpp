// The answer controls and the answer codes of the bank: how a stored code is shown, how the shown
// answer is encoded at a save, and the answer type switch between the three panels.
#include "tests/editor/EditorFixture.h"

#include <QComboBox>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace fixture;

namespace {

// Two extra questions: a true/false answer stored under the single-choice type, and a multiple
// choice code with bits beside the letters A to H (1, 0x200, 0x400, 0x80000000 around B and D).
const QString oddCodes = threeQuestions + uR"(
INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('单选里的判断', 1, 6, '', '');
INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('怪码', 3, 2147485205, '', '');
INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('未知类型', 7, 2, '', '');
)"_s;

} // namespace

class EditorAnswersTest : public QObject {
    Q_OBJECT

private slots:
    void storedCodeIsShown_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<uint>("code");
        QTest::addColumn<int>("indexBefore");
        QTest::addColumn<QString>("trueFalseBefore");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("trueFalse");
        QTest::addColumn<QString>("letters");

        // Before each row: choice B, the box D ticked, and the index and true/false answer given.
        QTest::newRow("single A") << 1 << 1u << 2 << "rb5" << 0 << "rb1"
                                  << "rb5"
                                  << "D";
        QTest::newRow("single D") << 1 << 4u << 2 << "rb5" << 0 << "rb4"
                                  << "rb5"
                                  << "D";
        QTest::newRow("single, no answer") << 1 << 0u << 2 << "rb5" << 0 << "rb2"
                                           << "rb5"
                                           << "D";
        QTest::newRow("single, unknown code") << 1 << 7u << 2 << "rb6" << 0 << "rb2"
                                              << "rb6"
                                              << "D";
        QTest::newRow("true under single") << 1 << 6u << 0 << "rb6" << 1 << "rb2"
                                           << "rb5"
                                           << "D";
        QTest::newRow("false under single") << 1 << 5u << 0 << "rb5" << 1 << "rb2"
                                            << "rb6"
                                            << "D";
        QTest::newRow("true") << 2 << 6u << 0 << "rb6" << 1 << "rb2"
                              << "rb5"
                              << "D";
        QTest::newRow("false") << 2 << 5u << 2 << "rb5" << 1 << "rb2"
                               << "rb6"
                               << "D";
        QTest::newRow("true/false, choice code") << 2 << 3u << 0 << "rb6" << 1 << "rb2"
                                                 << "rb6"
                                                 << "D";
        QTest::newRow("multiple A C, D kept") << 3 << 10u << 0 << "rb5" << 2 << "rb2"
                                              << "rb5"
                                              << "ACD";
        QTest::newRow("multiple A to H") << 3 << 0x1FEu << 1 << "rb5" << 2 << "rb2"
                                         << "rb5"
                                         << "ABCDEFGH";
        QTest::newRow("multiple, bits beside A-H")
            << 3 << (0x80000000u | 0x601u | 0x4u) << 0 << "rb5" << 2 << "rb2"
            << "rb5"
            << "BD";
        QTest::newRow("multiple, none") << 3 << 0u << 1 << "rb5" << 2 << "rb2"
                                        << "rb5"
                                        << "D";
        QTest::newRow("type 0 keeps all") << 0 << 1u << 2 << "rb6" << 2 << "rb2"
                                          << "rb6"
                                          << "D";
        QTest::newRow("type 4 keeps all") << 4 << 6u << 1 << "rb6" << 1 << "rb2"
                                          << "rb6"
                                          << "D";
        QTest::newRow("type -1 keeps all") << -1 << 2u << 0 << "rb6" << 0 << "rb2"
                                           << "rb6"
                                           << "D";
    }

    void storedCodeIsShown() {
        QFETCH(int, type);
        QFETCH(uint, code);
        QFETCH(int, indexBefore);
        QFETCH(QString, trueFalseBefore);
        OpenWindow w;
        auto editor = openEditor(w.form);
        Ui::TTianjia& ui = *editor->form();
        ui.cbb1->setCurrentIndex(indexBefore);
        editor->cbb1Change();
        ui.rb2->setChecked(true);
        (trueFalseBefore == u"rb5"_s ? ui.rb5 : ui.rb6)->setChecked(true);
        tickLetters(ui, u"D"_s);

        w.form.tikuSql->daanleixing = type;
        w.form.tikuSql->ti_daan = code;
        editor->LoadDaan();

        QTEST(ui.cbb1->currentIndex(), "index");
        QTEST(selectedChoice(ui), "choice");
        QTEST(selectedTrueFalse(ui), "trueFalse");
        QTEST(tickedLetters(ui), "letters");
        // The panels switch only afterwards, when LoadTi runs the type switch.
        QCOMPARE(w.form.lastLeiXing, indexBefore);
    }

    void visibleAnswerIsSaved_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("trueFalse");
        QTest::addColumn<QString>("letters");
        QTest::addColumn<int>("type");
        QTest::addColumn<uint>("code");

        // The hidden panels hold answers too; only the visible one counts.
        QTest::newRow("single A") << 0 << "rb1"
                                  << "rb6"
                                  << "AB" << 1 << 1u;
        QTest::newRow("single C") << 0 << "rb3"
                                  << "rb5"
                                  << "" << 1 << 3u;
        QTest::newRow("single D") << 0 << "rb4"
                                  << "rb6"
                                  << "H" << 1 << 4u;
        QTest::newRow("true") << 1 << "rb2"
                              << "rb5"
                              << "ABC" << 2 << 6u;
        QTest::newRow("false") << 1 << "rb4"
                               << "rb6"
                               << "" << 2 << 5u;
        QTest::newRow("multiple A C") << 2 << "rb3"
                                      << "rb6"
                                      << "AC" << 3 << 10u;
        QTest::newRow("multiple none") << 2 << "rb2"
                                       << "rb5"
                                       << "" << 3 << 0u;
        QTest::newRow("multiple A to H") << 2 << "rb1"
                                         << "rb5"
                                         << "ABCDEFGH" << 3 << 510u;
    }

    void visibleAnswerIsSaved() {
        QFETCH(int, index);
        QFETCH(QString, choice);
        QFETCH(QString, trueFalse);
        QFETCH(QString, letters);
        OpenWindow w;
        auto editor = openEditor(w.form);
        Ui::TTianjia& ui = *editor->form();
        ui.cbb1->setCurrentIndex(index);
        editor->cbb1Change();
        editor->findChild<QRadioButton*>(choice)->setChecked(true);
        editor->findChild<QRadioButton*>(trueFalse)->setChecked(true);
        tickLetters(ui, letters);

        ui.btn1->click();

        const QStringList stored = storedQuestion(u"b.stk"_s, u"4"_s);
        QTEST(stored[2].toInt(), "type");
        QTEST(stored[3].toUInt(), "code");
        QVERIFY(w.os.errors.isEmpty());
    }

    void trueFalseUnderSingleChoiceIsSavedAsTrueFalse() {
        OpenWindow w(oddCodes);
        w.form.selectedIndex = 3;
        auto editor = openEditor(w.form, u"4"_s);
        Ui::TTianjia& ui = *editor->form();
        QCOMPARE(ui.cbb1->currentIndex(), 1);
        QCOMPARE(visiblePanel(*editor), u"pnlpnpanduan"_s);
        QCOMPARE(selectedTrueFalse(ui), u"rb5"_s);

        ui.btn1->click();
        QCOMPARE(storedQuestion(u"b.stk"_s, u"4"_s),
                 (QStringList{u"4"_s, u"单选里的判断"_s, u"2"_s, u"6"_s, u""_s, u""_s}));
        QCOMPARE(rowCells(w.form, 3)[2], u"对"_s);
    }

    void onlyLettersAToHAreShownAndSaved() {
        OpenWindow w(oddCodes);
        auto editor = openEditor(w.form, u"5"_s);
        Ui::TTianjia& ui = *editor->form();
        QCOMPARE(visiblePanel(*editor), u"pnlduoxuan"_s);
        QCOMPARE(tickedLetters(ui), u"BD"_s);

        ui.btn1->click();
        QCOMPARE(storedQuestion(u"b.stk"_s, u"5"_s)[3], u"20"_s);
    }

    void unknownStoredTypeKeepsTheShownAnswer() {
        OpenWindow w(oddCodes);
        // Question 5 shows B and D; question 6 has a type this program never writes.
        auto editor = openEditor(w.form, u"5"_s);
        Ui::TTianjia& ui = *editor->form();
        ui.btnNe->click();

        QCOMPARE(ui.mmo_ti->toPlainText(), u"未知类型"_s);
        QCOMPARE(ui.cbb1->currentIndex(), 2);
        QCOMPARE(visiblePanel(*editor), u"pnlduoxuan"_s);
        QCOMPARE(tickedLetters(ui), u"BD"_s);
        QVERIFY(w.os.errors.isEmpty());

        // Saved as the form shows it.
        ui.btn1->click();
        const QStringList stored = storedQuestion(u"b.stk"_s, u"6"_s);
        QCOMPARE(stored[2], u"3"_s);
        QCOMPARE(stored[3], u"20"_s);
    }

    void theUsersTypeChoiceSwitchesThePanel() {
        OpenWindow w;
        auto editor = openEditor(w.form);
        Ui::TTianjia& ui = *editor->form();
        ui.rb3->setChecked(true);
        QCOMPARE(visiblePanel(*editor), u"pnlxuanze"_s);

        ui.cbb1->setFocus();
        QTest::keyClick(ui.cbb1, Qt::Key_Down);
        QCOMPARE(visiblePanel(*editor), u"pnlpnpanduan"_s);
        QCOMPARE(editor->daanLeiXing, 2);
        QCOMPARE(w.form.lastLeiXing, 1);

        QTest::keyClick(ui.cbb1, Qt::Key_Down);
        QCOMPARE(visiblePanel(*editor), u"pnlduoxuan"_s);
        QCOMPARE(editor->daanLeiXing, 3);
        QCOMPARE(w.form.lastLeiXing, 2);

        // A hidden panel keeps its answer.
        QTest::keyClick(ui.cbb1, Qt::Key_Home);
        QCOMPARE(visiblePanel(*editor), u"pnlxuanze"_s);
        QCOMPARE(editor->daanLeiXing, 1);
        QCOMPARE(selectedChoice(ui), u"rb3"_s);
    }
};

QTEST_MAIN(EditorAnswersTest)
#include "tst_editor_answers.moc"
