#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <memory>

namespace Ui {
class TTianjia;
}
class TForm1;
class QPlainTextEdit;
class QTimer;
class m_sql;

// The question editor: one question of the open bank written or changed, shown modally by the main
// window. It reads through the main window's store and saves through the main window's AddTi and
// UpdateTi, so that the bank and the question list stay in step.
class TTianjia final : public QDialog {
    Q_OBJECT

public:
    explicit TTianjia(TForm1* owner);
    ~TTianjia() override;

    // Set by the opener right after construction.
    TForm1* mainForm = nullptr;
    int isXiuGai = 0; // 1: a stored question, saved with UpdateTi; 0: a new one, saved with AddTi
    QString benTiID;  // the stored question's ID as decimal text; empty for a new question
    int daanLeiXing = 1;
    QString imgName; // the picture's file name inside the bank's folder
    bool htmlPending = false;

    void FormCreate();
    void FormShow();
    void FormClose();
    void FormResize();
    void LoadTi();
    void LoadDaan();
    void SaveTi();
    void ShowPicture();

    void cbb1Change();
    void btn1Click();
    void tmr1Timer();
    void btnsaveClick();
    void btnUpClick();
    void btnNeClick();
    void chkjiantiebanClick();

    Ui::TTianjia* form() const { return ui_.get(); }

    // Every way out of the window ends here (close box, Esc, "保存并退出"), so the window's position
    // is remembered however it closes.
    void done(int result) override;

    // The text of a memo as the bank stores it: lines joined by CR LF, every other character as typed.
    static QString memoText(const QPlainTextEdit& memo);

protected:
    void showEvent(QShowEvent* event) override;

private:
    m_sql& store() const;
    // "上一条" and "下一条": the question whose ID is `delta` away from this one's.
    void stepId(int delta);

    std::unique_ptr<Ui::TTianjia> ui_;
    QTimer* tmr1_;
};

// The editor the main window created last; null once it is gone.
extern QPointer<TTianjia> Tianjia;
