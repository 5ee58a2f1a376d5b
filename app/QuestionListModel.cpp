#include "app/QuestionListModel.h"

using namespace Qt::StringLiterals;

namespace {

// A cell shows one line: a question text with line breaks is shown on one row, as a list row is.
QString oneLine(QStringView text) {
    QString line = text.toString();
    if (line.contains(u'\n') || line.contains(u'\r'))
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
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const QStringView text = cell(index.row(), Column(index.column()));
    switch (role) {
    case Qt::DisplayRole:
        return oneLine(text);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return text.toString();
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

QuestionListModel::Row QuestionListModel::row(int index) const {
    return {cell(index, IdColumn).toString(), cell(index, TextColumn).toString(),
            cell(index, AnswerColumn).toString(), cell(index, ExplanationColumn).toString(),
            cell(index, PictureColumn).toString()};
}

QStringView QuestionListModel::cell(int index, Column column) const {
    return rows_.cell(static_cast<std::size_t>(index), column);
}

void QuestionListModel::appendRow(const Cells& cells) {
    const int at = rowCount();
    if (!bulk_)
        beginInsertRows({}, at, at);
    rows_.append(cells);
    if (!bulk_)
        endInsertRows();
}

void QuestionListModel::setRow(int index, const Cells& cells) {
    rows_.replace(static_cast<std::size_t>(index), cells);
    emit dataChanged(this->index(index, 0), this->index(index, ColumnCount - 1));
}

void QuestionListModel::removeRowAt(int index) {
    if (index < 0 || index >= rowCount())
        return;
    beginRemoveRows({}, index, index);
    rows_.remove(static_cast<std::size_t>(index));
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
