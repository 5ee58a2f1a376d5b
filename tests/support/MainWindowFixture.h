#pragma once

// A main window opened on a small bank, for the suites of the windows that work through it (the main
// window itself, the editor, the clipboard watcher). Tests that include it link qelbrin_app.
#include "app/QuestionListModel.h"
#include "app/TForm1.h"
#include "bankinfo/TFormTikuxinxisezhi.h"
#include "chooser/TForm2.h"
#include "store/m_sql.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/WorkDir.h"

#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace fixture {

using namespace Qt::StringLiterals;

// A bank "b.stk" with folder b, an author, an address and three questions of the three kinds.
inline const QString threeQuestions = uR"(
UPDATE jiegou SET str_value='b' WHERE str_name='mulu';
UPDATE jiegou SET str_value='张三' WHERE str_name='tikuZuoZhe';
UPDATE jiegou SET str_value='http://example.org/z' WHERE str_name='tikuRUL';
INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('第一题' || char(10) || 'A. 甲', 1, 2, 'p.jpg', '解析一');
INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('第二题', 2, 6, '', '');
INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES ('第三题', 3, 22, '', '多选');
)"_s;

// The five cells of a list row: id, text, answer, explanation, picture.
inline QStringList rowCells(const TForm1& form, int index) {
    const QuestionListModel::Row& row = form.questionList()->row(index);
    return {row.id, row.text, row.answer, row.explanation, row.picture};
}

// The question with `id` as the bank file holds it, read through a store of its own:
// id, text, answer type, answer code, picture, explanation.
inline QStringList storedQuestion(const QString& path, const QString& id) {
    m_sql bank;
    bank.Open(path);
    bank.SelectById(id);
    const QStringList cells{QString::number(bank.ID),      bank.ti_neirong, QString::number(bank.daanleixing),
                            QString::number(bank.ti_daan), bank.img,        bank.jiexi};
    bank.Close();
    return cells;
}

// Starts `form` as the program does: it becomes `Form1`, and FormCreate subscribes the clipboard
// watcher and runs the chooser, which is answered with "打开" on the bank it selected (after
// `whileChooserShows`, if given), then opens that bank.
inline void startThroughChooser(TForm1& form, const std::function<void()>& whileChooserShows = {}) {
    Form1 = &form;
    QTimer::singleShot(0, [whileChooserShows] {
        if (whileChooserShows)
            whileChooserShows();
        Form2->findChild<QPushButton*>(u"Button1"_s)->click();
    });
    form.FormCreate();
}

// Runs `inside` while the main window's bank information dialog shows, then closes the dialog if
// `inside` left it open.
inline void whileBankInfoShows(TForm1& form, const std::function<void()>& inside) {
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!FormTikuxinxisezhi || !FormTikuxinxisezhi->isVisible())
            return;
        watch.stop();
        inside();
        if (FormTikuxinxisezhi->isVisible())
            FormTikuxinxisezhi->close();
    });
    watch.start();
    form.btnButttikuxinxiClick();
}

// A main window opened on the bank "b.stk" made from `sql`, in a fresh working directory, with the
// platform double in force. It is `Form1` for its lifetime, as the program's one main window is.
struct OpenWindow {
    explicit OpenWindow(const QString& sql = threeQuestions) {
        dir.makeBank(u"b.stk"_s, sql);
        form.tikuPath = u"b.stk"_s;
        Form1 = &form;
        form.OpenChosenBank();
    }
    ~OpenWindow() {
        if (Form1 == &form)
            Form1 = nullptr;
    }
    OpenWindow(const OpenWindow&) = delete;
    OpenWindow& operator=(const OpenWindow&) = delete;

    FakePlatformScope os;
    WorkDir dir;
    TForm1 form;
};

} // namespace fixture
