#include "import/TFormDaoru.h"

#include "app/TForm1.h"
#include "import/TextImport.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "ui_TFormDaoru.h"

#include <QFileInfo>
#include <QLabel>

using namespace Qt::StringLiterals;

TFormDaoru* FormDaoru = nullptr;

// The upper-case extension too: names are compared with their case on this system.
const QString TFormDaoru::dlgOpen1Filter = u"*.txt (*.txt *.TXT)"_s;

namespace {

constexpr int noticePixels = 15;

void enlarge(QLabel* label) {
    QFont font = label->font();
    font.setPixelSize(noticePixels);
    label->setFont(font);
}

} // namespace

TFormDaoru::TFormDaoru(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::TFormDaoru>()) {
    ui_->setupUi(this);
    enlarge(ui_->lbl2);
    enlarge(ui_->lbl3);
    QPalette warning = ui_->lbl3->palette();
    warning.setColor(QPalette::WindowText, Qt::red);
    ui_->lbl3->setPalette(warning);

    connect(ui_->BitBtn1, &QPushButton::clicked, this, platform::guarded([this] { BitBtn1Click(); }));
    connect(ui_->btn1, &QPushButton::clicked, this, platform::guarded([this] { btn1Click(); }));
    connect(ui_->Button1, &QPushButton::clicked, this, platform::guarded([this] { Button1Click(); }));

    platform::runGuarded([this] { FormCreate(); });
}

TFormDaoru::~TFormDaoru() {
    if (FormDaoru == this)
        FormDaoru = nullptr;
}

void TFormDaoru::FormCreate() {
    fileChosen = false;
}

void TFormDaoru::BitBtn1Click() {
    const QString fileName = platform::current().openFileName(this, dlgOpen1Filter);
    // A cancelled dialog confirms nothing and changes nothing.
    if (!fileName.isEmpty()) {
        bool canClose = true;
        dlgOpen1CanClose(fileName, canClose);
    }
    dlgOpen1Close();
}

void TFormDaoru::dlgOpen1CanClose(const QString& fileName, bool& CanClose) {
    if (!CanClose)
        return;
    textPath = QFileInfo(fileName).absoluteFilePath();
    ui_->lbl2->setText(textPath);
    fileChosen = true;
}

void TFormDaoru::dlgOpen1Close() {}

void TFormDaoru::btn1Click() {
    platform::Platform& os = platform::current();
    if (!fileChosen) {
        os.showMessage(u"没有题库"_s);
        return;
    }
    if (!ui_->chk2->isChecked()) {
        os.showMessage(u"仅支持单选题"_s);
        return;
    }
    // A text that cannot be read raises its own message here; nothing is written and the dialog
    // stays open.
    const TextImport import = importTextBank(textPath, ui_->chk1->isChecked());
    if (import.result != platform::WriteResult::Written) {
        // Nothing was written: the path is not handed on, and the dialog stays open for another try.
        os.showMessage(import.result == platform::WriteResult::DiskFull
                           ? platform::diskFullText(import.outputPath)
                           : u"错误"_s);
        return;
    }
    if (mainForm)
        mainForm->tikuPath = import.outputPath;
    os.showMessage(u"已经完成导入，批量导入不能保证正确性，请谨慎检查！"_s);
    accept();
}

void TFormDaoru::Button1Click() {}
