#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

// The rows of the main window's question list: one row a question, five text cells each. Rows keep
// the order they were added in; the row's "id" cell is its only link to the question.
class QuestionListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { IdColumn, TextColumn, AnswerColumn, ExplanationColumn, PictureColumn, ColumnCount };

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

    const Row& row(int index) const { return rows_.at(static_cast<size_t>(index)); }
    void appendRow(Row row);
    void setRow(int index, Row row);
    void removeRowAt(int index);

    // Many appends at once (the list fill at start-up): the views hear of them once, at the end.
    void beginBulkAppend();
    void endBulkAppend();

private:
    std::vector<Row> rows_;
    bool bulk_ = false;
};
