// (being written)
#include "bankinfo/TFormTikuxinxisezhi.h"

#include "ui_TFormTikuxinxisezhi.h"

TFormTikuxinxisezhi* FormTikuxinxisezhi = nullptr;

TFormTikuxinxisezhi::TFormTikuxinxisezhi(QWidget* owner)
    : QDialog(owner), ui_(std::make_unique<Ui::TFormTikuxinxisezhi>()) {
    ui_->setupUi(this);
}
TFormTikuxinxisezhi::~TFormTikuxinxisezhi() = default;
void TFormTikuxinxisezhi::ShowBankInfo(m_sql* store) {
    sql = store;
    exec();
}
void TFormTikuxinxisezhi::chk1Click() {}
void TFormTikuxinxisezhi::btn1Click() {}
void TFormTikuxinxisezhi::btn2Click() {}
