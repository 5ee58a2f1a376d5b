#include "app/QuestionListModel.h"

using namespace Qt::StringLiterals;

namespace {

const QString& cell(const QuestionListModel::Row& row, int column) {
    switch (column) {
    case QuestionListModel::IdColumn:
        return row.id;
    case QuestionListModel::TextColumn:
        return row.text;
    case QuestionListModel::AnswerColumn:
        return row.answer;
    case QuestionListModel::ExplanationColumn:
        return row.explanation;
    default:
        return row.picture;
    }
}

// A cell shows one line: a question text with line breaks is shown on one row, as a list row is.
QString oneLine(const QString& text) {
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString line = text;
    line.replace(u"\r\n"_s, u" "_s).replace(u'\n', u' ').replace(u'\r', u' ');
    return line;
}

} // namespace

int QuestionListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int QuestionListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant QuestionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const QString& text = cell(row(index.row()), index.column());
    switch (role) {
    case Qt::DisplayRole:
        return oneLine(text);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return text;
    default:
        return {};
    }
}

QVariant QuestionListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QString captions[ColumnCount] = {u"id"_s, u"内容"_s, u"答案"_s, u"解析"_s, u"图片"_s};
    return section >= 0 && section < ColumnCount ? QVariant(captions[section]) : QVariant();
}

void QuestionListModel::appendRow(Row row) {
    const int at = rowCount();
    if (!bulk_)
        beginInsertRows({}, at, at);
    rows_.push_back(std::move(row));
    if (!bulk_)
        endInsertRows();
}

void QuestionListModel::setRow(int index, Row row) {
    rows_.at(static_cast<size_t>(index)) = std::move(row);
    emit dataChanged(this->index(index, 0), this->index(index, ColumnCount - 1));
}

void QuestionListModel::removeRowAt(int index) {
    if (index < 0 || index >= rowCount())
        return;
    beginRemoveRows({}, index, index);
    rows_.erase(rows_.begin() + index);
    endRemoveRows();
}

void QuestionListModel::beginBulkAppend() {
    beginResetModel();
    bulk_ = true;
}

void QuestionListModel::endBulkAppend() {
    bulk_ = false;
    endResetModel();
}
