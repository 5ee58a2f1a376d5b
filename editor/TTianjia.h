#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <memory>

namespace Ui {
class TTianjia;
}
class TForm1;
class QMovie;
class QPlainTextEdit;
class QTimer;
class QWebEngineView;
class HtmlPanelBrowser;
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

    void cbb1Change();
    void btn1Click();
    void tmr1Timer();
    void btnsaveClick();
    void btnUpClick();
    void btnNeClick();
    void chkjiantiebanClick();

    // Pictures and pasted text (TTianjiaPicture.cpp).
    // "浏览……": a picture chosen in the file dialog is copied into the bank's folder and shown.
    void edtTupian_EditClick();
    // Files dropped on the window, in the drop's order: each copied, shown and saved.
    void WMDropFiles(const QStringList& paths);
    // Shows the picture named by `imgName` from the bank's folder, or hides the display.
    void ShowPicture();
    // Brings the window to the front without taking the focus.
    void RaiseToTop();
    // Copied text becomes the text a new question loads with.
    void TakeClipboardText(const QString& text);

    // The HTML panel (TTianjiaHtml.cpp).
    // "插入HTML元素": shows the panel and loads the helper page afresh.
    void BitBtn1Click();
    // "确定": asks the page for its fragment.
    void Button1Click();
    // The browser's progress: reads the fragment when one has been asked for.
    void WebBrowser1ProgressChange();
    // "取消": hides the panel.
    void Button2Click();
    // The panel's embedded browser; null until the panel has first been opened.
    QWebEngineView* WebBrowser1() const;

    Ui::TTianjia* form() const { return ui_.get(); }

    // Every way out of the window ends here (close box, "保存并退出"), so the window's position is
    // remembered however it closes.
    void done(int result) override;

    // The text of a memo as the bank stores it: every line break the user can type (Enter, and
    // Shift+Enter's line separator) is CR LF; every other character is as typed.
    static QString memoText(const QPlainTextEdit& memo);

protected:
    void showEvent(QShowEvent* event) override;
    // Esc does nothing: the window closes only by its close box and "保存并退出", never by a key that
    // would throw away what was typed.
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Files dragged over the text boxes are the window's drop too, not text for the box.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Wires "插入HTML元素", "确定" and "取消" (TTianjiaHtml.cpp).
    void connectHtmlPanel();
    // Lets files dropped anywhere on the window reach WMDropFiles (TTianjiaPicture.cpp).
    void acceptFileDrops();
    // Takes a drag that carries local files; false for any other drag.
    bool takeFileDrag(QEvent* event);

    m_sql& store() const;
    // "上一条" and "下一条": the question whose ID is `delta` away from this one's.
    void stepId(int delta);

    std::unique_ptr<Ui::TTianjia> ui_;
    QTimer* tmr1_;

    // The picture display's animation, while a GIF is shown.
    std::unique_ptr<QMovie> animation_;

    // --- HTML panel state (TTianjiaHtml.cpp) ---
    QWebEngineView* webBrowser_ = nullptr;
    // The panel's browser, holding webBrowser_; made at the panel's first opening. A child widget of
    // the panel.
    HtmlPanelBrowser* htmlBrowser_ = nullptr;
    // --- end of HTML panel state ---
};

// The editor the main window created last; null once it is gone.
extern QPointer<TTianjia> Tianjia;
