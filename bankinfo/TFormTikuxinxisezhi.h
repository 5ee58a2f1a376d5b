#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TFormTikuxinxisezhi;
}
class m_sql;

// The bank information dialog: author, web address, lock and password, logo and picture folder of
// the open bank, read from and written to its settings through the store.
class TFormTikuxinxisezhi final : public QDialog {
    Q_OBJECT

public:
    explicit TFormTikuxinxisezhi(QWidget* owner = nullptr);
    ~TFormTikuxinxisezhi() override;

    // Fills the dialog from `store` and shows it modally; returns when it closes.
    void ShowBankInfo(m_sql* store);

    void chk1Click();
    void btn1Click();
    void btn2Click();

    m_sql* sql = nullptr; // the store being edited; not owned

    Ui::TFormTikuxinxisezhi* form() const { return ui_.get(); }

private:
    std::unique_ptr<Ui::TFormTikuxinxisezhi> ui_;
};

extern TFormTikuxinxisezhi* FormTikuxinxisezhi;
