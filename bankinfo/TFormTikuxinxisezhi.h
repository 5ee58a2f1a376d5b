#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
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
    // The picture the logo preview shows, at its own size (the preview may show it scaled down).
    const QImage& picture() const { return picture_; }

    // The open-file dialog's filter: the caption users know, then the patterns in both letter cases,
    // since the dialogs of some systems match patterns case-sensitively.
    static QString pictureFilter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fills the edits, the lock box and the preview from the store, as every opening does.
    void FillFromStore();
    // The preview of the stored logo at opening, found in the bank's `folder` or, for a name that is
    // a path, in the working directory. A logo that cannot be shown leaves the preview as it is.
    void ShowStoredLogo(const QString& logo, const QString& folder);
    void ShowPicture(const QImage& picture);
    m_sql& store() const;

    std::unique_ptr<Ui::TFormTikuxinxisezhi> ui_;
    QImage picture_;
};

extern TFormTikuxinxisezhi* FormTikuxinxisezhi;
