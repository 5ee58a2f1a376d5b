#include "editor/TTianjia.h"

#include "app/TForm1.h"
#include "editor/AnswerCode.h"
#include "platform/Error.h"
#include "platform/Guard.h"
#include "store/m_sql.h"
#include "ui_TForm1.h"
#include "ui_TTianjia.h"

#include <QKeyEvent>
#include <QMovie>
#include <QPushButton>
#include <QShowEvent>
#include <QTextDocument>
#include <QTimer>
#include <array>
#include <limits>

using namespace Qt::StringLiterals;

QPointer<TTianjia> Tianjia;

namespace {

// Where the window first appears, until an editor has closed somewhere else.
constexpr QPoint designedPosition(286, 129);
constexpr int noticeMilliseconds = 1000;

// The answer type that each entry of the type list stands for, by index.
constexpr std::array<qint32, 3> typeOfIndex = {answercode::SingleChoice, answercode::TrueFalse,
                                               answercode::MultipleChoice};
constexpr int indexOf(answercode::Type type) {
    return type - answercode::SingleChoice;
}

std::array<QRadioButton*, answercode::choiceCount> choiceButtons(const Ui::TTianjia& ui) {
    return {ui.rb1, ui.rb2, ui.rb3, ui.rb4};
}

std::array<QCheckBox*, answercode::letterCount> letterBoxes(const Ui::TTianjia& ui) {
    return {ui.chkA, ui.chkB, ui.chkC, ui.chkD, ui.chkE, ui.chkF, ui.chkG, ui.chkH};
}

} // namespace

TTianjia::TTianjia(TForm1* owner)
    : QDialog(owner), mainForm(owner), ui_(std::make_unique<Ui::TTianjia>()), tmr1_(new QTimer(this)) {
    ui_->setupUi(this);
    move(designedPosition);
    acceptFileDrops();
    // Enter in the picture name must not press a button: a dialog's buttons default to doing so.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);

    tmr1_->setObjectName(u"tmr1"_s);
    tmr1_->setInterval(noticeMilliseconds);

    // Only the user's choice of a type switches the panels here; LoadTi switches them itself.
    connect(ui_->cbb1, &QComboBox::activated, this, platform::guarded([this] { cbb1Change(); }));
    connect(ui_->btn1, &QPushButton::clicked, this, platform::guarded([this] { btn1Click(); }));
    connect(ui_->btnsave, &QPushButton::clicked, this, platform::guarded([this] { btnsaveClick(); }));
    connect(ui_->btnUp, &QPushButton::clicked, this, platform::guarded([this] { btnUpClick(); }));
    connect(ui_->btnNe, &QPushButton::clicked, this, platform::guarded([this] { btnNeClick(); }));
    connect(ui_->chkjiantieban, &QCheckBox::toggled, this,
            platform::guarded([this] { chkjiantiebanClick(); }));
    connect(tmr1_, &QTimer::timeout, this, platform::guarded([this] { tmr1Timer(); }));
    connect(ui_->Button3, &QPushButton::clicked, this, platform::guarded([this] { edtTupian_EditClick(); }));
    connectHtmlPanel();

    // One hidden editor is made at start-up and never shown: nothing here may reach the store.
    platform::runGuarded([this] { FormCreate(); });
}

TTianjia::~TTianjia() = default;

void TTianjia::FormCreate() {
    daanLeiXing = answercode::SingleChoice;
    ui_->Panel1->move(0, 0);
}

void TTianjia::FormShow() {
    if (mainForm->editorLeft != 0)
        move(mainForm->editorLeft, mainForm->editorTop);
    LoadTi();
    // The writer starts in the question text.
    ui_->mmo_ti->setFocus();
}

void TTianjia::FormClose() {
    mainForm->acceptClipText = true;
    mainForm->editorLeft = x();
    mainForm->editorTop = y();
}

void TTianjia::LoadTi() {
    ui_->chkjiantieban->setChecked(mainForm->form()->chkjiantieban->isChecked());
    ui_->lblID->setText(u"本题ID:"_s + benTiID);
    mainForm->acceptClipText = false;
    m_sql& bank = store();
    if (isXiuGai == 1) {
        bank.SelectById(benTiID);
        ui_->mmo_ti->setPlainText(bank.ti_neirong);
        ui_->mmojiexi->setPlainText(bank.jiexi);
        ui_->edtTupian_Edit->setText(bank.img);
        imgName = bank.img;
        LoadDaan();
        ShowPicture();
    } else {
        ui_->mmo_ti->clear();
        ui_->mmojiexi->clear();
        ui_->cbb1->setCurrentIndex(mainForm->lastLeiXing);
    }
    // A new question starts with whatever the store holds as its current text: the text copied to
    // the clipboard when the clipboard watcher opened this editor, otherwise the question read or
    // written last.
    ui_->mmo_ti->setPlainText(bank.ti_neirong);
    cbb1Change();
}

void TTianjia::LoadDaan() {
    const m_sql& bank = store();
    const quint32 code = bank.ti_daan;
    switch (bank.daanleixing) {
    case answercode::MultipleChoice: {
        ui_->cbb1->setCurrentIndex(indexOf(answercode::MultipleChoice));
        // Letters whose bit is clear keep their boxes as they are.
        const auto boxes = letterBoxes(*ui_);
        for (int letter = 0; letter < answercode::letterCount; ++letter)
            if (code & answercode::letterBit(letter))
                boxes[letter]->setChecked(true);
        break;
    }
    case answercode::SingleChoice:
        ui_->cbb1->setCurrentIndex(indexOf(answercode::SingleChoice));
        if (code >= 1 && code <= answercode::choiceCount) {
            choiceButtons(*ui_)[code - 1]->setChecked(true);
        } else if (code == answercode::trueCode || code == answercode::falseCode) {
            // Single choice and true/false share one code space: a true/false code under the single
            // choice type opens, and is saved again, as a true/false question.
            ui_->cbb1->setCurrentIndex(indexOf(answercode::TrueFalse));
            (code == answercode::trueCode ? ui_->rb5 : ui_->rb6)->setChecked(true);
        }
        break;
    case answercode::TrueFalse:
        ui_->cbb1->setCurrentIndex(indexOf(answercode::TrueFalse));
        if (code == answercode::trueCode)
            ui_->rb5->setChecked(true);
        else if (code == answercode::falseCode)
            ui_->rb6->setChecked(true);
        break;
    default:
        // A type this program never writes: the form keeps the answer it shows.
        break;
    }
}

void TTianjia::cbb1Change() {
    ui_->pnlpnpanduan->hide();
    ui_->pnlxuanze->hide();
    ui_->pnlduoxuan->hide();
    const int index = ui_->cbb1->currentIndex();
    const std::array<QFrame*, 3> panels = {ui_->pnlxuanze, ui_->pnlpnpanduan, ui_->pnlduoxuan};
    if (index >= 0 && index < int(panels.size())) {
        panels[index]->show();
        daanLeiXing = typeOfIndex[index];
    }
    mainForm->lastLeiXing = index;
}

void TTianjia::SaveTi() {
    quint32 code = 0;
    switch (daanLeiXing) {
    case answercode::SingleChoice: {
        const auto buttons = choiceButtons(*ui_);
        for (int choice = 0; choice < answercode::choiceCount; ++choice)
            if (buttons[choice]->isChecked())
                code = quint32(choice + 1);
        break;
    }
    case answercode::TrueFalse:
        if (ui_->rb5->isChecked())
            code = answercode::trueCode;
        if (ui_->rb6->isChecked())
            code = answercode::falseCode;
        break;
    case answercode::MultipleChoice: {
        const auto boxes = letterBoxes(*ui_);
        for (int letter = 0; letter < answercode::letterCount; ++letter)
            if (boxes[letter]->isChecked())
                code += answercode::letterBit(letter);
        break;
    }
    default:
        break;
    }

    const QString text = memoText(*ui_->mmo_ti);
    const QString picture = ui_->edtTupian_Edit->text();
    const QString explanation = memoText(*ui_->mmojiexi);
    // The form stays what it was: a new question saved again is stored again as another one.
    if (isXiuGai == 0)
        mainForm->AddTi(daanLeiXing, text, code, picture, explanation);
    else
        mainForm->UpdateTi(benTiID, daanLeiXing, text, code, picture, explanation);
}

void TTianjia::btn1Click() {
    SaveTi();
    ui_->lbl4->show();
    // A save while the notice shows does not keep it longer: the first save's second counts.
    if (!tmr1_->isActive())
        tmr1_->start();
}

void TTianjia::tmr1Timer() {
    ui_->lbl4->hide();
    tmr1_->stop();
}

void TTianjia::btnsaveClick() {
    SaveTi();
    close();
}

void TTianjia::btnUpClick() {
    stepId(-1);
}

void TTianjia::btnNeClick() {
    stepId(+1);
}

void TTianjia::stepId(int delta) {
    bool isNumber = false;
    const qint32 id = benTiID.toInt(&isNumber);
    if (!isNumber)
        throw platform::Error(u"“%1”不是有效的题目ID"_s.arg(benTiID));
    const qint64 next = qint64(id) + delta;
    if (next < std::numeric_limits<qint32>::min() || next > std::numeric_limits<qint32>::max())
        throw platform::Error(u"题目ID“%1”超出范围"_s.arg(next));
    // IDs are followed as numbers: an ID no question bears shows an empty question.
    benTiID = QString::number(next);
    LoadTi();
}

void TTianjia::chkjiantiebanClick() {
    mainForm->form()->chkjiantieban->setChecked(ui_->chkjiantieban->isChecked());
}

void TTianjia::done(int result) {
    // reject() hides the window without a close event; the close box and close() come here too,
    // through QDialog's close event.
    if (isVisible())
        platform::runGuarded([this] { FormClose(); });
    QDialog::done(result);
}

QString TTianjia::memoText(const QPlainTextEdit& memo) {
    // The raw text, not toPlainText(): that one turns non-breaking spaces into plain ones. Enter ends
    // a paragraph; Shift+Enter puts a line separator into it: both are a line break to the writer.
    QString text = memo.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u"\r\n"_s);
    text.replace(QChar::LineSeparator, u"\r\n"_s);
    return text;
}

void TTianjia::keyPressEvent(QKeyEvent* event) {
    // QDialog closes on Esc (and on Ctrl+. where that is the custom): what a key that reaches the
    // window would close is swallowed here.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TTianjia::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window restored from the task bar is shown again by the system; it is not opened anew.
    if (!event->spontaneous())
        platform::runGuarded([this] { FormShow(); });
}

m_sql& TTianjia::store() const {
    if (!mainForm->tikuSql)
        throw platform::Error(u"没有打开的题库"_s);
    return *mainForm->tikuSql;
}
