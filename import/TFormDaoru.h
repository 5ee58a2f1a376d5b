#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TFormDaoru;
}
class TForm1;

// The text import: counts the questions of a GBK text file and writes a `.tiku` record file beside
// it, whose path it hands to the main window as the bank to open.
class TFormDaoru final : public QDialog {
    Q_OBJECT

public:
    explicit TFormDaoru(QWidget* owner = nullptr);
    ~TFormDaoru() override;

    void FormCreate();
    void BitBtn1Click();
    void btn1Click();

    bool fileChosen = false;
    TForm1* mainForm = nullptr; // receives the output path in its tikuPath; not owned

    Ui::TFormDaoru* form() const { return ui_.get(); }

private:
    std::unique_ptr<Ui::TFormDaoru> ui_;
};

extern TFormDaoru* FormDaoru;
