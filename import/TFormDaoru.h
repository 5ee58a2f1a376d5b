#pragma once

#include <QDialog>
#include <QString>
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
    // "浏览……": the file dialog; a confirmed choice reaches dlgOpen1CanClose.
    void BitBtn1Click();
    // The file dialog's confirmation of `fileName`, with the flag that lets it close.
    void dlgOpen1CanClose(const QString& fileName, bool& CanClose);
    void dlgOpen1Close();
    // "开始": counts the questions and writes the record file as it counts.
    void btn1Click();
    void Button1Click();

    // The file dialog's filter: text files only, their extension in either case.
    static const QString dlgOpen1Filter;

    bool fileChosen = false;    // set by the first confirmed choice, never cleared
    QString textPath;           // the chosen text file's absolute path, as lbl2 shows it
    TForm1* mainForm = nullptr; // receives the output path in its tikuPath; not owned

    Ui::TFormDaoru* form() const { return ui_.get(); }

private:
    std::unique_ptr<Ui::TFormDaoru> ui_;
};

extern TFormDaoru* FormDaoru;
