#include "ui/list_models.h"

#include <algorithm>

#include "search/row_order.h"
#include "search/row_texts.h"
#include "store/catalog.h"

namespace mardo {
namespace {

QString Text(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Removing rows run by run keeps the view's state exact but costs a move of the rows behind each
// run; past this many runs the model is reset and the selection put back.
constexpr int kMaxRunsRemovedOneByOne = 32;

}  // namespace

ListModelBase::ListModelBase(ListKind list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}

int ListModelBase::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ColumnsOf(list_).size());
}

QVariant ListModelBase::headerData(int section, Qt::Orientation orientation, int role) const {
  const auto columns = ColumnsOf(list_);
  if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns.size())) return {};
  const ColumnDef& column = columns[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole) return QString(column.header);
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::AlignVCenter | (column.alignment == 1 ? Qt::AlignRight : Qt::AlignLeft));
  return {};
}

void ListModelBase::ApplyOrder(const std::vector<int32_t>& order) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int32_t> inverse(order.size());
  for (size_t i = 0; i < order.size(); ++i) inverse[static_cast<size_t>(order[i])] = static_cast<int32_t>(i);
  const QModelIndexList from = persistentIndexList();
  QModelIndexList to;
  to.reserve(from.size());
  for (const QModelIndex& index : from)
    to.append(this->index(inverse[static_cast<size_t>(index.row())], index.column()));
  Permute(order);
  changePersistentIndexList(from, to);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ListModelBase::RemoveMarkedRows(const std::vector<char>& doomed) {
  const int total = RowTotal();
  std::vector<std::pair<int, int>> runs;  // first, last
  for (int row = 0; row < total; ++row) {
    if (!doomed[static_cast<size_t>(row)]) continue;
    if (!runs.empty() && runs.back().second == row - 1) {
      runs.back().second = row;
    } else {
      runs.emplace_back(row, row);
    }
  }
  if (runs.empty()) return;
  if (static_cast<int>(runs.size()) <= kMaxRunsRemovedOneByOne) {
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
      beginRemoveRows({}, run->first, run->second);
      EraseRows(run->first, run->second);
      endRemoveRows();
    }
    return;
  }
  // Many scattered rows: note the selection and the current row by their new places, reset, and
  // put them back.
  std::vector<int> newRow(static_cast<size_t>(total), -1);
  for (int row = 0, kept = 0; row < total; ++row)
    if (!doomed[static_cast<size_t>(row)]) newRow[static_cast<size_t>(row)] = kept++;
  std::vector<int> selected;
  int current = -1;
  if (selection_ != nullptr) {
    for (const QModelIndex& index : selection_->selectedRows())
      if (newRow[static_cast<size_t>(index.row())] >= 0)
        selected.push_back(newRow[static_cast<size_t>(index.row())]);
    if (selection_->currentIndex().isValid())
      current = newRow[static_cast<size_t>(selection_->currentIndex().row())];
  }
  beginResetModel();
  EraseMarked(doomed);
  endResetModel();
  if (selection_ != nullptr) {
    QItemSelection restored;
    std::sort(selected.begin(), selected.end());
    for (size_t i = 0; i < selected.size();) {
      size_t j = i;
      while (j + 1 < selected.size() && selected[j + 1] == selected[j] + 1) ++j;
      restored.select(index(selected[i], 0), index(selected[j], columnCount() - 1));
      i = j + 1;
    }
    selection_->select(restored, QItemSelectionModel::ClearAndSelect);
    if (current >= 0) selection_->setCurrentIndex(index(current, 0), QItemSelectionModel::NoUpdate);
  }
}

RecordListModel::RecordListModel(ListKind list, QObject* parent) : RowListModel(list, parent) {}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
  const FileRecord* entry = At(index.row());
  if (entry == nullptr) return {};
  switch (role) {
    case Qt::DisplayRole:
      return Text(List() == ListKind::kResults ? ResultCell(*entry, index.column(), grouping_, dateFormat_)
                                               : DirectoryCell(*entry, index.column(), dateFormat_));
    case Qt::TextAlignmentRole:
      return headerData(index.column(), Qt::Horizontal, role);
    case kDirectoryRole:
      return entry->IsDirectory();
    default:
      return {};
  }
}

Qt::ItemFlags RecordListModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags flags = RowListModel::flags(index);
  return index.isValid() ? flags | Qt::ItemIsDragEnabled : flags;
}

void RecordListModel::SetRows(std::vector<const FileRecord*> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void RecordListModel::Sort(const SortState& state, bool dirsFirst) {
  ApplyOrder(SortOrder(rows_, state, dirsFirst));
}

void RecordListModel::CatalogRemoving(const Catalog& catalog) {
  std::vector<char> doomed(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i) doomed[i] = rows_[i]->OwningCatalog() == &catalog;
  RemoveMarkedRows(doomed);
}

void RecordListModel::RecordsRemoving(const Catalog&, std::span<const FileRecord* const> records) {
  std::vector<const FileRecord*> sorted(records.begin(), records.end());
  std::sort(sorted.begin(), sorted.end(), std::less<const FileRecord*>());
  std::vector<char> doomed(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i)
    doomed[i] = std::binary_search(sorted.begin(), sorted.end(), rows_[i], std::less<const FileRecord*>());
  RemoveMarkedRows(doomed);
}

CatalogListModel::CatalogListModel(QObject* parent) : RowListModel(ListKind::kCatalog, parent) {}

QVariant CatalogListModel::data(const QModelIndex& index, int role) const {
  const Catalog* catalog = At(index.row());
  if (catalog == nullptr) return {};
  if (role == Qt::DisplayRole) return Text(CatalogCell(*catalog, index.column(), dateFormat_));
  if (role == Qt::TextAlignmentRole) return headerData(index.column(), Qt::Horizontal, role);
  return {};
}

void CatalogListModel::InsertRow(int position, const Catalog* catalog) {
  position = std::clamp(position, 0, Count());
  beginInsertRows({}, position, position);
  rows_.insert(rows_.begin() + position, catalog);
  endInsertRows();
}

void CatalogListModel::RemoveRow(const Catalog* catalog) {
  const int row = RowOf(catalog);
  if (row < 0) return;
  beginRemoveRows({}, row, row);
  EraseRows(row, row);
  endRemoveRows();
}

void CatalogListModel::Sort(const SortState& state) {
  ApplyOrder(SortOrder(rows_, state));
}

void CatalogListModel::CatalogRemoving(const Catalog& catalog) {
  RemoveRow(&catalog);
}

void CatalogListModel::RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const>) {
  // The catalog's record count changed: its Files cell shows the new count.
  const int row = RowOf(&catalog);
  if (row >= 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

}  // namespace mardo
