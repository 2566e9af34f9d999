#pragma once

#include <QAbstractTableModel>
#include <QItemSelectionModel>

#include <algorithm>

#include <span>
#include <string>
#include <vector>

#include "search/sort_state.h"
#include "store/catalog_library.h"

namespace mardo {

// Data roles beyond Qt's own.
enum ListRole {
  kDirectoryRole = Qt::UserRole + 1,  // bool: the row is a directory entry
};

// Shared behaviour of the three list models: filling, sorting with the selection kept, and rows
// removed with what they refer to.
class ListModelBase : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit ListModelBase(ListKind list, QObject* parent = nullptr);

  ListKind List() const { return list_; }
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The selection model of the view that shows this model; the sort and the removals keep the
  // selection with its rows.
  void SetSelectionModel(QItemSelectionModel* selection) { selection_ = selection; }

 protected:
  // Reorders the rows by `order` (new row i is old row order[i]), the selection and the current
  // row following their rows.
  void ApplyOrder(const std::vector<int32_t>& order);
  // Removes the rows marked in `doomed` (one flag per row), keeping the selection of the others.
  void RemoveMarkedRows(const std::vector<char>& doomed);

  virtual int RowTotal() const = 0;
  virtual void Permute(const std::vector<int32_t>& order) = 0;
  virtual void EraseRows(int first, int last) = 0;
  virtual void EraseMarked(const std::vector<char>& doomed) = 0;

  QItemSelectionModel* selection_ = nullptr;

 private:
  ListKind list_;
};

// The rows of one list: references to what the library owns (records or catalogs), never copies.
// Cell texts are made when the view asks for them, so a million rows cost a million pointers.
// Rows go before what they refer to: the model watches the library.
template <class T>
class RowListModel : public ListModelBase, public CatalogObserver {
 public:
  using ListModelBase::ListModelBase;

  int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : Count(); }

  const std::vector<const T*>& Rows() const { return rows_; }
  int Count() const { return static_cast<int>(rows_.size()); }
  const T* At(int row) const { return row >= 0 && row < Count() ? rows_[static_cast<size_t>(row)] : nullptr; }
  int RowOf(const T* item) const {
    const auto it = std::find(rows_.begin(), rows_.end(), item);
    return it == rows_.end() ? -1 : static_cast<int>(it - rows_.begin());
  }
  void Clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
  }

 protected:
  int RowTotal() const override { return Count(); }
  // The rows in this order (order[i] is the old row).
  void Permute(const std::vector<int32_t>& order) override {
    std::vector<const T*> sorted;
    sorted.reserve(rows_.size());
    for (const int32_t old : order) sorted.push_back(rows_[static_cast<size_t>(old)]);
    rows_.swap(sorted);
  }
  void EraseRows(int first, int last) override {
    rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
  }
  void EraseMarked(const std::vector<char>& doomed) override {
    size_t kept = 0;
    for (size_t i = 0; i < rows_.size(); ++i)
      if (!doomed[i]) rows_[kept++] = rows_[i];
    rows_.resize(kept);
  }

  std::vector<const T*> rows_;
};

// The search results list or the directory list: rows are file records.
class RecordListModel final : public RowListModel<FileRecord> {
  Q_OBJECT
 public:
  RecordListModel(ListKind list, QObject* parent = nullptr);

  QVariant data(const QModelIndex& index, int role) const override;
  // Rows are files that can be dragged out (the view starts a drag only from such a row).
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void SetDateFormat(std::string format) { dateFormat_ = std::move(format); }
  // Directory lengths of a grouping search show as "Directory".
  void SetGrouping(bool grouping) { grouping_ = grouping; }

  // Replaces every row.
  void SetRows(std::vector<const FileRecord*> rows);
  void Sort(const SortState& state, bool dirsFirst);

  void CatalogRemoving(const Catalog& catalog) override;
  void RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const> records) override;

 private:
  std::string dateFormat_;
  bool grouping_ = false;
};

// The catalog list: rows are catalogs.
class CatalogListModel final : public RowListModel<Catalog> {
  Q_OBJECT
 public:
  explicit CatalogListModel(QObject* parent = nullptr);

  QVariant data(const QModelIndex& index, int role) const override;

  void SetDateFormat(std::string format) { dateFormat_ = std::move(format); }

  // Inserts the row of `catalog` at `position` (clamped to the rows).
  void InsertRow(int position, const Catalog* catalog);
  void RemoveRow(const Catalog* catalog);
  void Sort(const SortState& state);

  void CatalogRemoving(const Catalog& catalog) override;
  void RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const> records) override;

 private:
  std::string dateFormat_;
};

}  // namespace mardo
