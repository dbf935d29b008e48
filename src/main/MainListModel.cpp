#include "main/MainListModel.h"

#include "common/Text.h"
#include "main/ColumnLayout.h"

namespace tagmora {

MainListModel::MainListModel(FileList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}

int MainListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || Changing()) return 0;
    return list_.RowCount();
}

int MainListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant MainListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) || Changing()) {
        return {};
    }
    const FileRow& row = list_.Rows()[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            if (column == ColFile) return QString::fromUtf8(text::SanitizeUtf8(row.FileText()));
            return QString::fromUtf8(row.ColumnText(column));
        case Qt::CheckStateRole:
            if (column == ColFile) return static_cast<int>(row.Checked ? Qt::Checked : Qt::Unchecked);
            return {};
        case Qt::TextAlignmentRole:
            if (ColumnSpecs()[static_cast<std::size_t>(column)].RightAligned) {
                return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
            }
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        default: return {};
    }
}

bool MainListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != ColFile || Changing() ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    FileRow& row = list_.Rows()[static_cast<std::size_t>(index.row())];
    const bool checked = value.toInt() != Qt::Unchecked;
    if (row.Checked != checked) {
        row.Checked = checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
    }
    return true;
}

Qt::ItemFlags MainListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == ColFile) result |= Qt::ItemIsUserCheckable;
    return result;
}

QVariant MainListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const ColumnSpec& column = ColumnSpecs()[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return QString::fromUtf8(column.Caption);
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(
            Qt::Alignment((column.RightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    return {};
}

void MainListModel::BeginChange() {
    if (changing_++ == 0) beginResetModel();
}

void MainListModel::EndChange() {
    if (changing_ == 0) return;
    if (--changing_ != 0) return;
    Resume();
    endResetModel();
}

void MainListModel::Pause() {
    if (changing_ == 0 || paused_) return;
    paused_ = true;
    endResetModel();
}

void MainListModel::Resume() {
    if (!paused_) return;
    paused_ = false;
    beginResetModel();
}

}  // namespace tagmora
