#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class TForm2;
}
class TForm1;

// The bank chooser: lists the banks of the working directory, unlocks a locked one, creates a new one
// from the template. Its result is the bank path it writes into the main window's `tikuPath`.
class TForm2 final : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(TForm1* owner);
    ~TForm2() override;

    void FormCreate();
    void cbb1Change();
    void Button1Click();
    void btn1Click();
    void Button2Click();
    void Button3Click();
    // The hidden "导入题库": runs a new import dialog; a file chosen there closes the chooser.
    void buttonDaoruClick();

    QString charMima;
    TForm1* mainForm;

    Ui::TForm2* form() const { return ui_.get(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CheckLock();

    std::unique_ptr<Ui::TForm2> ui_;
};

extern TForm2* Form2;
