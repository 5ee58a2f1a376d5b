// (being written)
#include "import/TFormDaoru.h"

#include "ui_TFormDaoru.h"

TFormDaoru* FormDaoru = nullptr;

TFormDaoru::TFormDaoru(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::TFormDaoru>()) {
    ui_->setupUi(this);
}
TFormDaoru::~TFormDaoru() = default;
void TFormDaoru::FormCreate() {}
void TFormDaoru::BitBtn1Click() {}
void TFormDaoru::btn1Click() {}
