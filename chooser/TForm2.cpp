#include "chooser/TForm2.h"

#include "app/TForm1.h"
#include "import/TFormDaoru.h"
#include "platform/Error.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "store/m_sql.h"
#include "ui_TForm2.h"

#include <QKeyEvent>
#include <QPushButton>
#include <utility>

using namespace Qt::StringLiterals;

TForm2* Form2 = nullptr;

namespace {

const QString templateBank = u"tavrindata/mb"_s;
const QString defaultLogo = u"tavrindata/torvesk.jpg"_s;
const QString logoName = u"torvesk.jpg"_s;

QString unreadableLock(const QString& bank) {
    return u"题库“%1”现在无法读取，不能确认它是否加密，所以没有打开。请稍后再试，或选择别的题库。"_s.arg(
        bank);
}

// A unit name becomes a directory and a file of the working directory; a name that would reach
// elsewhere (a separator, "." or "..") is refused like a directory that cannot be made.
bool namesOneEntry(const QString& unitName) {
    return !unitName.contains(u'/') && !unitName.contains(u'\\') && unitName != u"."_s && unitName != u".."_s;
}

// What a bank creation that the disk could not hold had made goes again: the chooser is left as it
// was before, and the same name can be tried once there is room.
void takeBackNewBank(const QString& unitName) {
    platform::Platform& os = platform::current();
    os.removeFile(unitName + u"/"_s + logoName);
    os.removeFile(unitName + u".stk"_s);
    os.removeDirectory(unitName);
}

} // namespace

TForm2::~TForm2() {
    if (Form2 == this)
        Form2 = nullptr;
}

TForm2::TForm2(TForm1* owner) : QDialog(owner), mainForm(owner), ui_(std::make_unique<Ui::TForm2>()) {
    ui_->setupUi(this);
    // A title bar without buttons: the chooser is left through its own buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    connect(ui_->cbb1, &QComboBox::activated, this, platform::guarded([this] { cbb1Change(); }));
    connect(ui_->Button1, &QPushButton::clicked, this, platform::guarded([this] { Button1Click(); }));
    connect(ui_->btn1, &QPushButton::clicked, this, platform::guarded([this] { btn1Click(); }));
    connect(ui_->Button2, &QPushButton::clicked, this, platform::guarded([this] { Button2Click(); }));
    connect(ui_->Button3, &QPushButton::clicked, this, platform::guarded([this] { Button3Click(); }));
    connect(ui_->buttonDaoru, &QPushButton::clicked, this, platform::guarded([this] { buttonDaoruClick(); }));

    platform::runGuarded([this] { FormCreate(); });
}

void TForm2::FormCreate() {
    const QStringList banks = platform::current().listEntries(u"."_s, u"*.stk"_s);
    ui_->cbb1->addItems(banks);
    if (!banks.isEmpty())
        ui_->cbb1->setCurrentIndex(0);
    CheckLock();
}

void TForm2::cbb1Change() {
    CheckLock();
}

TForm2::Lock TForm2::CheckLock() {
    const QString path = ui_->cbb1->currentText();
    m_sql bank;
    if (!bank.Open(path))
        return path.isEmpty() ? Lock::None : Lock::Unknown;
    // A bank that could not be opened (held busy by another program, say) leaves the store on the
    // fallback bank, whose lock says nothing about this one.
    if (bank.openPath() != path)
        return Lock::Unknown;
    const bool locked = bank.GetIsJiaMi();
    charMima = bank.GetCharMima();
    bank.Close();
    ShowLockPanel(locked);
    return locked ? Lock::Locked : Lock::Open;
}

void TForm2::ShowLockPanel(bool locked) {
    ui_->pnl1->setVisible(locked);
    ui_->Button1->setVisible(!locked);
}

// Both ways in read the lock again as the bank is opened: the bank may have been locked since the
// list was read, or its last check may have found it unreadable.
void TForm2::Button1Click() {
    switch (CheckLock()) {
    case Lock::Locked:
        // The lock panel shows now; its "打开", with the password, is the way in.
        ui_->edtmima->setFocus();
        return;
    case Lock::Unknown:
        platform::current().showMessage(unreadableLock(ui_->cbb1->currentText()));
        return;
    case Lock::None:
    case Lock::Open:
        OpenChosen();
        return;
    }
}

void TForm2::btn1Click() {
    const Lock lock = CheckLock();
    if (lock == Lock::Unknown) {
        platform::current().showMessage(unreadableLock(ui_->cbb1->currentText()));
        return;
    }
    if (lock == Lock::Locked && ui_->edtmima->text() != charMima) {
        platform::current().showMessage(u"密码错误"_s);
        return;
    }
    OpenChosen();
}

void TForm2::OpenChosen() {
    mainForm->tikuPath = ui_->cbb1->currentText();
    accept();
}

void TForm2::Button2Click() {
    platform::Platform& os = platform::current();
    const QString unitName = ui_->edt1->text();
    if (unitName.isEmpty()) {
        os.showMessage(u"请输入新建的单元名"_s);
        return;
    }
    if (!namesOneEntry(unitName) || !os.makeDirectory(unitName)) {
        os.showMessage(unitName + u"文件夹创建失败,修改单元名重试"_s);
        return;
    }
    mainForm->tikuPath = unitName + u".stk"_s;
    if (os.fileExists(mainForm->tikuPath)) {
        os.showMessage(u"单元名已经存在，请输入新建的单元名"_s);
        return;
    }
    const QString logoPath = unitName + u"/"_s + logoName;
    for (const auto& [from, to] :
         {std::pair{templateBank, mainForm->tikuPath}, std::pair{defaultLogo, logoPath}}) {
        if (os.copyFileNoOverwrite(from, to) == platform::WriteResult::DiskFull) {
            takeBackNewBank(unitName);
            os.showMessage(platform::diskFullText(to));
            return;
        }
    }

    m_sql bank;
    if (!bank.Open(mainForm->tikuPath)) {
        os.showMessage(mainForm->tikuPath);
        os.exitProcess(0);
    }
    // When the new file could not be opened the store has fallen back to the shipped fallback bank;
    // its folder setting is not the new bank's to change.
    if (bank.openPath() == mainForm->tikuPath) {
        try {
            bank.SetMulu(unitName);
        } catch (const platform::Error&) {
            // A bank without its folder setting is no bank to keep (a full disk, say): the store's
            // message tells why.
            bank.Close();
            takeBackNewBank(unitName);
            throw;
        }
    }
    bank.Close();
    accept();
}

void TForm2::Button3Click() {
    platform::current().exitProcess(0);
}

void TForm2::reject() {
    // A chooser left without a choice has no bank for the main window: a path left behind by a failed
    // creation must not be opened, past its lock, by the main window.
    platform::runGuarded([this] { Button3Click(); });
}

void TForm2::buttonDaoruClick() {
    // A new dialog for every run, owned by the chooser and released with it.
    auto* dialog = new TFormDaoru(this);
    FormDaoru = dialog;
    dialog->mainForm = mainForm;
    dialog->exec();
    // The main window then opens whatever path the import left in its tikuPath.
    if (dialog->fileChosen)
        accept();
}

void TForm2::ReturnPressed() {
    QWidget* focus = focusWidget();
    if (focus == ui_->edtmima) {
        ui_->btn1->click();
    } else if (focus == ui_->edt1) {
        ui_->Button2->click();
    } else if (focus == ui_->cbb1) {
        // The bank's own way in: the plain "打开", or the password when the bank is locked.
        if (ui_->pnl1->isVisible())
            ui_->edtmima->setFocus();
        else
            ui_->Button1->click();
    } else if (auto* button = qobject_cast<QPushButton*>(focus); button && button->isVisible()) {
        button->click();
    }
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // Escape would close the dialog without a choice; like the title bar, the chooser has no such way out.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    // No button is the dialog's default: Return goes to the focused control's own button.
    const bool onlyKeypad = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onlyKeypad) {
        event->accept();
        ReturnPressed();
        return;
    }
    QDialog::keyPressEvent(event);
}
