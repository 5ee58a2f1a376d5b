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

    // Leaving without a choice (the window manager's close) ends the program, as "退出" does.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // What a lock check learnt of the bank named in cbb1.
    enum class Lock {
        None,    // no bank is named: the list is empty
        Open,    // the bank is not locked
        Locked,  // the bank is locked; charMima holds its password
        Unknown, // the bank could not be read: whether it is locked is not known
    };
    // Reads the lock of the bank named in cbb1 and shows or hides the lock panel to match. A bank
    // that cannot be read leaves the panel and charMima as they are.
    Lock CheckLock();
    // The lock panel over the plain "打开", which is hidden with it so that neither Tab nor a
    // default button reaches it.
    void ShowLockPanel(bool locked);
    // Return or Enter: the button of the control that has the focus, never one of another control.
    void ReturnPressed();
    // Hands the bank named in cbb1 to the main window and closes the chooser.
    void OpenChosen();

    std::unique_ptr<Ui::TForm2> ui_;
};

extern TForm2* Form2;
