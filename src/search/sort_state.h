#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace mardo {

class Catalog;
class FileRecord;

// The three lists of the window: search results, directory listing, catalogs.
enum class ListKind { kResults = 0, kDirectory = 1, kCatalog = 2 };

// One column of a list: default width in pixels, header, initial sort direction (1 ascending,
// -1 descending), alignment (0 left, 1 right).
struct ColumnDef {
  int32_t width;
  int32_t headerId;
  int32_t initialDirection;
  int32_t alignment;
  const char* header;
};

std::span<const ColumnDef> ColumnsOf(ListKind list);

// The sort of one list: key slots holding column numbers counted from 1 (0 ends the list), the
// first deciding, and one direction per column. Starts as Name, then Date.
class SortState {
 public:
  static constexpr int32_t kMaxColumns = 7;

  explicit SortState(ListKind list);

  // A click on a column header (counted from 0): the first key's column reverses its direction;
  // any other column becomes the first key, the earlier keys moving back one slot (only the first
  // four slots change).
  void OnColumnClick(int32_t column);

  ListKind List() const { return list_; }
  int32_t ColumnCount() const { return columnCount_; }
  const std::array<int32_t, kMaxColumns>& Keys() const { return keys_; }
  int32_t Direction(int32_t column) const { return directions_[static_cast<size_t>(column)]; }

 private:
  ListKind list_;
  int32_t columnCount_;
  std::array<int32_t, kMaxColumns> keys_{};
  std::array<int32_t, kMaxColumns> directions_{};
};

// Row comparisons of the three lists: negative when `a` stands first. In the results and
// directory lists, with `dirsFirst` set or Length as the first key, a directory entry stands before
// a file whatever the directions. A missing item compares equal to every row.
int CompareResultRows(const FileRecord* a, const FileRecord* b, const SortState& state, bool dirsFirst);
int CompareDirectoryRows(const FileRecord* a, const FileRecord* b, const SortState& state, bool dirsFirst);
int CompareCatalogRows(const Catalog* a, const Catalog* b, const SortState& state);

}  // namespace mardo
