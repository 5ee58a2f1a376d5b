#include "app/TForm1.h"

#include "app/MainWindowAccessible.h"
#include "app/QuestionListModel.h"
#include "bankinfo/TFormTikuxinxisezhi.h"
#include "chooser/TForm2.h"
#include "editor/TTianjia.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "ui_TForm1.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QResizeEvent>
#include <set>
#include <utility>

using namespace Qt::StringLiterals;

TForm1* Form1 = nullptr;

namespace {

// The window keeps its designed height; only its width follows the user.
constexpr int designHeight = 548;
// The list's "内容" column takes what the fixed columns leave of the window's width. The design's
// numbers (outer width minus 300) count a 16-pixel window frame that the client area here lacks.
constexpr int fixedColumnsWidth = 300 - 16;
constexpr int minimumTextColumnWidth = 40;

// A caption shown exactly as written: Qt reads "[*]" in a window title as the place of its
// modified-marker and shows a doubled one as one.
QString literalTitle(const QString& text) {
    QString title = text;
    return title.replace(u"[*]"_s, u"[*][*]"_s);
}

// The rows a selection covers, each once, top to bottom.
std::set<int> rowsOf(const QItemSelection& selection) {
    std::set<int> rows;
    for (const QItemSelectionRange& range : selection)
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.insert(row);
    return rows;
}

} // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::TForm1>()) {
    mainwindowaccessible::install();
    ui_->setupUi(this);
    setMinimumHeight(designHeight);
    setMaximumHeight(designHeight);

    list_ = new QuestionListModel(this);
    ui_->lv1->setModel(list_);
    QHeaderView* columns = ui_->lv1->horizontalHeader();
    const int widths[QuestionListModel::ColumnCount] = {60, 300, 50, 100, 50};
    for (int column = 0; column < QuestionListModel::ColumnCount; ++column)
        columns->resizeSection(column, widths[column]);
    columns->setStretchLastSection(false);
    // Rows of one height: the view then lays out 100 000 rows without measuring each.
    QHeaderView* rows = ui_->lv1->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    ui_->lv1->installEventFilter(this);

    connect(ui_->btntianjia, &QPushButton::clicked, this, platform::guarded([this] { btntianjiaClick(); }));
    connect(ui_->dele_butt, &QPushButton::clicked, this, platform::guarded([this] { dele_buttClick(); }));
    connect(ui_->btnButttikuxinxi, &QPushButton::clicked, this,
            platform::guarded([this] { btnButttikuxinxiClick(); }));
    // A double click on a row; one beside the rows names no question and opens nothing.
    connect(ui_->lv1, &QAbstractItemView::doubleClicked, this, platform::guarded([this] { lv1DblClick(); }));

    pm2_ = new QMenu(this);
    pm2_->setObjectName(u"pm2"_s);
    pm2_->addAction(ui_->N3);
    pm2_->addAction(ui_->N4);
    connect(ui_->N3, &QAction::triggered, this, platform::guarded([this] { N3Click(); }));
    connect(ui_->N4, &QAction::triggered, this, platform::guarded([this] { N4Click(); }));
    ui_->lv1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui_->lv1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pm2_->popup(ui_->lv1->viewport()->mapToGlobal(at)); });

    // The columns are not sortable: a row's place is the index the list commands work with. Column
    // captions stay captions; only rows name questions.
    columns->setSectionsClickable(false);
    connectListNotifications();
}

void TForm1::connectListNotifications() {
    // A click or a key reports the row losing the selection first and the row gaining it last, so
    // that `selectedId` ends on the row the user went to. The focus moving counts as a change too.
    connect(ui_->lv1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            platform::guarded([this](const QItemSelection& selected, const QItemSelection& deselected) {
                for (const int row : rowsOf(deselected))
                    lv1Change(row);
                for (const int row : rowsOf(selected)) {
                    lv1Change(row);
                    lv1SelectItem(row);
                }
            }));
    connect(ui_->lv1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            platform::guarded([this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid())
                    lv1Change(current.row());
            }));
    // A rewritten row (an editor's save) is a changed row: its new ID is the one a modify opens.
    connect(list_, &QAbstractItemModel::dataChanged, this,
            platform::guarded(
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>&) {
                    for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
                        lv1Change(row);
                }));
}

TForm1::~TForm1() {
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::FormCreate() {
    // Copies reach the watcher also while the chooser and later windows run their modal loops; until
    // a bank is open it lets them pass.
    platform::current().watchClipboard(this, platform::guarded([this] { WMDrawClipboard(); }));
    Form2 = new TForm2(this);
    Form2->exec();
    acceptClipText = true;
    OpenChosenBank();
}

void TForm1::OpenChosenBank() {
    tikuSql = std::make_unique<m_sql>();
    if (!tikuSql->Open(tikuPath)) {
        platform::current().showMessage(tikuPath);
        platform::current().exitProcess(0);
    }

    {
        // The views hear of the rows once, also when a read error ends the fill early.
        list_->beginBulkAppend();
        struct EndBulk {
            QTableView* view;
            QuestionListModel* list;
            ~EndBulk() {
                list->endBulkAppend();
                // No row is the current one: the keyboard focus entering the list would otherwise make
                // the first row current, and so the row a modify opens, over the last row listed.
                view->setCurrentIndex(QModelIndex());
            }
        } endBulk{ui_->lv1, list_};
        tikuSql->SelectAll();
        while (!tikuSql->Eof()) {
            AppendCurrentTi();
            tikuSql->Next();
        }
    }

    selectedIndex = 0;
    setWindowTitle(literalTitle(tikuSql->GetMulu() + u"题库作者是："_s + tikuSql->GetTikuZuoZhe() +
                                u"----"_s + tikuSql->GetTikuRUL()));
}

void TForm1::FormClose() {
    if (tikuSql)
        tikuSql->Close();
}

void TForm1::FormResize() {
    if (height() != designHeight)
        resize(width(), designHeight);
    ui_->lv1->resize(width(), ui_->lv1->height());
}

void TForm1::lv1Resize() {
    ui_->lv1->horizontalHeader()->resizeSection(
        QuestionListModel::TextColumn, std::max(minimumTextColumnWidth, width() - fixedColumnsWidth));
}

void TForm1::AppendCurrentTi() {
    const m_sql& current = *tikuSql;
    writeRow(-1, QString::number(current.ID), current.daanleixing, current.ti_neirong, current.ti_daan,
             current.img, current.jiexi);
}

void TForm1::AddTi(qint32 daanleixing, const QString& ti_neirong, quint32 ti_daan, const QString& img,
                   const QString& jiexi) {
    const QString id = tikuSql->AddQuestion(daanleixing, ti_neirong, ti_daan, img, jiexi);
    writeRow(-1, id, daanleixing, ti_neirong, ti_daan, img, jiexi);
}

void TForm1::writeRow(int index, const QString& id, qint32 daanleixing, const QString& ti_neirong,
                      quint32 ti_daan, const QString& img, const QString& jiexi) {
    const QString answer = DaanText(daanleixing, ti_daan);
    // The five cells in their column order.
    const QuestionListModel::Cells cells = {id, ti_neirong, answer, jiexi, img};
    if (index >= 0) {
        // The list reports the rewritten row changed (dataChanged, connected to lv1Change).
        list_->setRow(index, cells);
        return;
    }
    list_->appendRow(cells);
    // A row whose text was set is a changed row, as a rewritten one is: after the list fill a modify
    // opens the last question listed, after an add the new one.
    lv1Change(list_->rowCount() - 1);
}

void TForm1::UpdateTi(const QString& id, qint32 daanleixing, const QString& ti_neirong, quint32 ti_daan,
                      const QString& img, const QString& jiexi) {
    // The bank first: a row never shows a question that the save failed to put on disk.
    tikuSql->SaveQuestion(id, daanleixing, ti_neirong, ti_daan, img, jiexi);
    if (selectedIndex >= 0 && selectedIndex < list_->rowCount())
        writeRow(selectedIndex, id, daanleixing, ti_neirong, ti_daan, img, jiexi);
}

void TForm1::dele_buttClick() {
    const int index = std::exchange(selectedIndex, -1);
    if (index < 0 || index >= list_->rowCount()) {
        platform::current().showMessage(u"请选择一道题"_s);
        return;
    }
    const QString id = list_->cell(index, QuestionListModel::IdColumn).toString();
    // The row leaves the list only once its question has left the bank.
    tikuSql->DeleteById(id);
    // No row stays highlighted (the view would move the selection to the next row), since none is
    // selected for the commands now; and the deleted question is none a modify could open.
    ui_->lv1->selectionModel()->clear();
    list_->removeRowAt(index);
    selectedId.clear();
}

void TForm1::N4Click() {
    dele_buttClick();
}

TTianjia* TForm1::NewEditor() {
    auto* editor = new TTianjia(this);
    Tianjia = editor;
    editor->mainForm = this;
    return editor;
}

void TForm1::ShowEditor(TTianjia* editor) {
    editor->exec();
    editor->deleteLater();
}

void TForm1::btntianjiaClick() {
    TTianjia* editor = NewEditor();
    editor->isXiuGai = 0;
    ShowEditor(editor);
    editorOpen = false;
}

void TForm1::lv1DblClick() {
    // No row has been reported yet (an empty list, say): there is no question to open.
    if (selectedId.isEmpty()) {
        platform::current().showMessage(u"请选择一道题"_s);
        return;
    }
    acceptClipText = false;
    TTianjia* editor = NewEditor();
    editor->isXiuGai = 1;
    editor->benTiID = selectedId;
    editorOpen = true;
    ShowEditor(editor);
    editorOpen = false;
    acceptClipText = true;
}

void TForm1::N3Click() {
    lv1DblClick();
}

void TForm1::btnButttikuxinxiClick() {
    // The program makes the dialog at start-up; a window made without that (a test, the benchmark)
    // makes its own on first use.
    if (!FormTikuxinxisezhi)
        FormTikuxinxisezhi = new TFormTikuxinxisezhi(this);
    FormTikuxinxisezhi->ShowBankInfo(tikuSql.get());
}

void TForm1::lv1Change(int row) {
    if (row >= 0 && row < list_->rowCount())
        selectedId = list_->cell(row, QuestionListModel::IdColumn).toString();
}

void TForm1::lv1SelectItem(int row) {
    selectedIndex = row;
}

QString TForm1::DaanText(qint32 daanleixing, quint32 ti_daan) {
    if (daanleixing == 3) {
        // The letter after H is J: the bit 0x200 has no letter.
        static const std::pair<quint32, char16_t> letters[] = {
            {0x2, u'A'},  {0x4, u'B'},  {0x8, u'C'},   {0x10, u'D'},  {0x20, u'E'},
            {0x40, u'F'}, {0x80, u'G'}, {0x100, u'H'}, {0x400, u'J'}, {0x800, u'K'}};
        QString text;
        for (const auto& [bit, letter] : letters)
            if (ti_daan & bit)
                text += QChar(letter);
        return text;
    }
    // Single choice and true/false share one code space: 1 to 4 are A to D, 5 is false, 6 is true.
    static const QString codes[] = {QString(), u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"错"_s, u"对"_s};
    return ti_daan < std::size(codes) ? codes[ti_daan] : QString();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    platform::runGuarded([this] { FormResize(); });
}

void TForm1::closeEvent(QCloseEvent* event) {
    platform::runGuarded([this] { FormClose(); });
    event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->lv1 && event->type() == QEvent::Resize)
        platform::runGuarded([this] { lv1Resize(); });
    return QWidget::eventFilter(watched, event);
}
