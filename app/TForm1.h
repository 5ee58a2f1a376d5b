#pragma once

#include "app/QuestionListModel.h"
#include "store/m_sql.h"

#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class TForm1;
}
class QMenu;
class TTianjia;

// The main window: the open bank's question list and the state that the editor and the clipboard
// watcher share with it. It owns the bank's store for the whole run.
class TForm1 final : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Runs the chooser modally, then opens the chosen bank, fills the list and sets the caption.
    void FormCreate();
    // FormCreate's steps after the chooser: open `tikuPath`, fill the list, set the caption.
    void OpenChosenBank();
    void FormClose();
    void FormResize();
    void lv1Resize();

    // The editor's saves: store the question and append or rewrite its list row.
    void AddTi(qint32 daanleixing, const QString& ti_neirong, quint32 ti_daan, const QString& img,
               const QString& jiexi);
    void UpdateTi(const QString& id, qint32 daanleixing, const QString& ti_neirong, quint32 ti_daan,
                  const QString& img, const QString& jiexi);
    void AppendCurrentTi();

    // "添加": an editor for a new question.
    void btntianjiaClick();
    // A double click on a row, or "修改" in its popup menu: an editor for the question `selectedId`.
    void lv1DblClick();
    void N3Click();
    // "删除": deletes the question of the row at `selectedIndex`.
    void dele_buttClick();
    void N4Click();
    // "题库信息": the bank information dialog on the open bank.
    void btnButttikuxinxiClick();

    // The clipboard watcher, run for each copy another program makes: a picture is saved into the
    // bank's folder and goes to the editor the watcher may feed (or to a new one); text opens a new
    // editor unless an editor is busy (TForm1Clipboard.cpp).
    void WMDrawClipboard();

    // A row has changed (selection, focus or text, a row added included): it is the row a modify
    // opens. A row losing its selection is reported too, before the row gaining it. Qt's views report
    // a change only once it is made; before and after, the row names the same question, so one
    // handler serves.
    void lv1Change(int row);
    // A row became selected: it is the row that delete and the editor's saves act on.
    void lv1SelectItem(int row);

    // The text of the list's "答案" column for an answer type and code.
    static QString DaanText(qint32 daanleixing, quint32 ti_daan);

    // State shared with the chooser, the editor and the clipboard watcher.
    int selectedIndex = 0;
    QString selectedId;
    QString tikuPath;
    bool acceptClipText = false;
    bool editorOpen = false;
    int editorLeft = 0;
    int editorTop = 0;
    std::unique_ptr<m_sql> tikuSql;
    int lastLeiXing = 0;

    Ui::TForm1* form() const { return ui_.get(); }
    QuestionListModel* questionList() const { return list_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectListNotifications();
    // Writes a question's five cells into the row at `index`, or a new row at the end when `index` is
    // -1; either way the row is reported changed (`lv1Change`), as every row whose cells are written is.
    void writeRow(int index, const QString& id, qint32 daanleixing, const QString& ti_neirong,
                  quint32 ti_daan, const QString& img, const QString& jiexi);
    // A new editor owned by this window, made `Tianjia`, its `mainForm` set.
    TTianjia* NewEditor();
    // Shows `editor` modally; once closed it is released (nothing uses a closed editor).
    void ShowEditor(TTianjia* editor);

    std::unique_ptr<Ui::TForm1> ui_;
    QuestionListModel* list_;
    QMenu* pm2_;
};

// The one main window of the running program, as the other windows reach it.
extern TForm1* Form1;
