#pragma once

#include <QAbstractTableModel>
#include <QItemSelectionModel>

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

// The rows of one list: references to what the library owns (records or catalogs), never copies.
// Cell texts are made when the view asks for them, so a million rows cost a million pointers.
// Rows go before what they refer to: the model watches the library.
template <class T>
class RowList {
 public:
  const std::vector<const T*>& Rows() const { return rows_; }
  int Count() const { return static_cast<int>(rows_.size()); }
  // The rows in this order (order[i] is the old row).
  void Reorder(const std::vector<int32_t>& order) {
    std::vector<const T*> sorted;
    sorted.reserve(rows_.size());
    for (const int32_t old : order) sorted.push_back(rows_[static_cast<size_t>(old)]);
    rows_.swap(sorted);
  }
  void Erase(int first, int last) { rows_.erase(rows_.begin() + first, rows_.begin() + last + 1); }
  void EraseMarked(const std::vector<char>& doomed) {
    size_t kept = 0;
    for (size_t i = 0; i < rows_.size(); ++i)
      if (!doomed[i]) rows_[kept++] = rows_[i];
    rows_.resize(kept);
  }
  const T* At(int row) const { return row >= 0 && row < Count() ? rows_[static_cast<size_t>(row)] : nullptr; }

 protected:
  std::vector<const T*> rows_;
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

// The search results list or the directory list: rows are file records.
class RecordListModel final : public ListModelBase, public RowList<FileRecord>, public CatalogObserver {
  Q_OBJECT
 public:
  RecordListModel(ListKind list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  void SetDateFormat(std::string format) { dateFormat_ = std::move(format); }
  // Directory lengths of a grouping search show as "Directory".
  void SetGrouping(bool grouping) { grouping_ = grouping; }

  // Replaces every row.
  void SetRows(std::vector<const FileRecord*> rows);
  void Clear();
  void Sort(const SortState& state, bool dirsFirst);
  int RowOf(const FileRecord* record) const;

  void CatalogRemoving(const Catalog& catalog) override;
  void RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const> records) override;

 private:
  int RowTotal() const override { return Count(); }
  void Permute(const std::vector<int32_t>& order) override;
  void EraseRows(int first, int last) override;
  void EraseMarked(const std::vector<char>& doomed) override;

  std::string dateFormat_;
  bool grouping_ = false;
};

// The catalog list: rows are catalogs.
class CatalogListModel final : public ListModelBase, public RowList<Catalog>, public CatalogObserver {
  Q_OBJECT
 public:
  explicit CatalogListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  void SetDateFormat(std::string format) { dateFormat_ = std::move(format); }

  // Inserts the row of `catalog` at `position` (clamped to the rows).
  void InsertRow(int position, const Catalog* catalog);
  void RemoveRow(const Catalog* catalog);
  void Clear();
  void Sort(const SortState& state);
  int RowOf(const Catalog* catalog) const;

  void CatalogRemoving(const Catalog& catalog) override;
  void RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const> records) override;

 private:
  int RowTotal() const override { return Count(); }
  void Permute(const std::vector<int32_t>& order) override;
  void EraseRows(int first, int last) override;
  void EraseMarked(const std::vector<char>& doomed) override;

  std::string dateFormat_;
};

}  // namespace mardo
