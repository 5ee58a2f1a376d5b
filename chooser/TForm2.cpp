#include "chooser/TForm2.h"

#include "app/TForm1.h"
#include "import/TFormDaoru.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "store/m_sql.h"
#include "ui_TForm2.h"

#include <QKeyEvent>

using namespace Qt::StringLiterals;

TForm2* Form2 = nullptr;

namespace {

const QString templateBank = u"tavrindata/mb"_s;
const QString defaultLogo = u"tavrindata/torvesk.jpg"_s;
const QString logoName = u"torvesk.jpg"_s;

// A unit name becomes a directory and a file of the working directory; a name that would reach
// elsewhere (a separator, "." or "..") is refused like a directory that cannot be made.
bool namesOneEntry(const QString& unitName) {
    return !unitName.contains(u'/') && !unitName.contains(u'\\') && unitName != u"."_s && unitName != u".."_s;
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

void TForm2::CheckLock() {
    m_sql bank;
    if (!bank.Open(ui_->cbb1->currentText()))
        return;
    ui_->pnl1->setVisible(bank.GetIsJiaMi());
    charMima = bank.GetCharMima();
    bank.Close();
}

void TForm2::Button1Click() {
    mainForm->tikuPath = ui_->cbb1->currentText();
    accept();
}

void TForm2::btn1Click() {
    if (ui_->edtmima->text() != charMima) {
        platform::current().showMessage(u"密码错误"_s);
        return;
    }
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
    os.copyFileNoOverwrite(templateBank, mainForm->tikuPath);
    os.copyFileNoOverwrite(defaultLogo, unitName + u"/"_s + logoName);

    m_sql bank;
    if (!bank.Open(mainForm->tikuPath)) {
        os.showMessage(mainForm->tikuPath);
        os.exitProcess(0);
    }
    // When the new file could not be opened the store has fallen back to the shipped fallback bank;
    // its folder setting is not the new bank's to change.
    if (bank.openPath() == mainForm->tikuPath)
        bank.SetMulu(unitName);
    bank.Close();
    accept();
}

void TForm2::Button3Click() {
    platform::current().exitProcess(0);
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

void TForm2::keyPressEvent(QKeyEvent* event) {
    // Escape would close the dialog without a choice; like the title bar, the chooser has no such way out.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
