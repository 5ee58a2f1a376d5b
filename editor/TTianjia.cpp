// (being written)
#include "editor/TTianjia.h"

#include "app/TForm1.h"
#include "ui_TTianjia.h"

QPointer<TTianjia> Tianjia;

TTianjia::TTianjia(TForm1* owner) : QDialog(owner), ui_(std::make_unique<Ui::TTianjia>()) {
    ui_->setupUi(this);
}
TTianjia::~TTianjia() = default;
void TTianjia::FormCreate() {}
void TTianjia::FormShow() {}
void TTianjia::FormClose() {}
void TTianjia::FormResize() {}
void TTianjia::LoadTi() {}
void TTianjia::LoadDaan() {}
void TTianjia::SaveTi() {}
void TTianjia::ShowPicture() {}
void TTianjia::cbb1Change() {}
void TTianjia::btn1Click() {}
void TTianjia::tmr1Timer() {}
void TTianjia::btnsaveClick() {}
void TTianjia::btnUpClick() {}
void TTianjia::btnNeClick() {}
void TTianjia::chkjiantiebanClick() {}
