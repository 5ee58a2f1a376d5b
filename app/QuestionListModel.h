#pragma once

#include "app/RowTexts.h"

#include <QAbstractTableModel>
#include <QString>

// The rows of the main window's question list: one row a question, five text cells each. Rows keep
// the order they were added in; the row's "id" cell is its only link to the question. The texts are
// kept compactly (RowTexts) and made into strings only for the rows a view paints.
class QuestionListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { IdColumn, TextColumn, AnswerColumn, ExplanationColumn, PictureColumn, ColumnCount };
    static_assert(ColumnCount == RowTexts::CellCount);

    // A row's cells in column order, as written.
    using Cells = RowTexts::Cells;

    // A row's cells as strings, for its readers.
    struct Row {
        QString id;
        QString text;
        QString answer;
        QString explanation;
        QString picture;
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    Row row(int index) const;
    // One cell's text as written, without a copy; valid until that row is next changed.
    QStringView cell(int index, Column column) const;
    void appendRow(const Cells& cells);
    void setRow(int index, const Cells& cells);
    void removeRowAt(int index);

    // Many appends at once (the list fill at start-up): the views hear of them once, at the end.
    void beginBulkAppend();
    void endBulkAppend();

private:
    RowTexts rows_;
    bool bulk_ = false;
};
