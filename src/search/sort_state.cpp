#include "search/sort_state.h"

#include <algorithm>

#include "base/text_compare.h"
#include "store/catalog.h"

namespace mardo {
namespace {

constexpr ColumnDef kResultColumns[] = {
    {200, 57682, 1, 0, "Name"},   {75, 57683, -1, 0, "Date"}, {75, 57684, -1, 1, "Length"},
    {100, 57686, 1, 0, "Volume"}, {400, 57685, 1, 0, "Path"},
};
constexpr ColumnDef kDirectoryColumns[] = {
    {210, 57682, 1, 0, "Name"},
    {120, 57683, -1, 0, "Date"},
    {75, 57684, -1, 1, "Length"},
    {320, 57685, 1, 0, "Path"},
};
constexpr ColumnDef kCatalogColumns[] = {
    {135, 57682, 1, 0, "Name"},
    {120, 57683, -1, 0, "Date"},
    {100, 57691, -1, 1, "Free (MB)"},
    {60, 57690, -1, 1, "Files"},
    {164, 57686, 1, 0, "Volume"},
    {110, 57689, 1, 0, "Serial number"},
    {240, 57688, 1, 0, "Catalog file name"},
};

constexpr int32_t kLengthKey = 3;

template <class T>
int Sign(T a, T b) {
  return (a > b) - (a < b);
}

// Stored directory paths in the order of their shown form: '\' compares as '/', case folded.
int ComparePathsNoCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(FoldAscii(a[i] == '\\' ? '/' : a[i]));
    const auto y = static_cast<unsigned char>(FoldAscii(b[i] == '\\' ? '/' : b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return Sign(a.size(), b.size());
}

// Column comparison of two entries; `key` counted from 1.
int CompareEntries(const FileRecord& a, const FileRecord& b, int32_t key, ListKind list) {
  switch (key) {
    case 1:
      return CompareNoCase(a.Name(), b.Name());
    case 2:
      return Sign(a.lastWriteTime, b.lastWriteTime);
    case 3:
      if (a.IsDirectory() && b.IsDirectory()) {
        const DirRecord* x = DirectoryOfEntry(a);
        const DirRecord* y = DirectoryOfEntry(b);
        return Sign(x != nullptr ? x->totalLength : 0.0, y != nullptr ? y->totalLength : 0.0);
      }
      return Sign(a.length, b.length);
    case 4:
      if (list == ListKind::kResults) {
        return CompareNoCase(a.OwningCatalog()->DisplayName(), b.OwningCatalog()->DisplayName());
      }
      [[fallthrough]];
    case 5: {
      const DirRecord* x = ContainingDirectoryOfEntry(a);
      const DirRecord* y = ContainingDirectoryOfEntry(b);
      return ComparePathsNoCase(x != nullptr ? x->Path() : std::string_view(),
                                y != nullptr ? y->Path() : std::string_view());
    }
    default:
      return 0;
  }
}

int CompareEntryRows(const FileRecord* a, const FileRecord* b, const SortState& state, bool dirsFirst) {
  if (a == nullptr || b == nullptr) return 0;
  if ((dirsFirst || state.Keys()[0] == kLengthKey) && a->IsDirectory() != b->IsDirectory()) {
    return a->IsDirectory() ? -1 : 1;
  }
  for (const int32_t key : state.Keys()) {
    if (key == 0 || key > state.ColumnCount()) break;
    const int c = CompareEntries(*a, *b, key, state.List());
    if (c != 0) return state.Direction(key - 1) == 1 ? c : -c;
  }
  return 0;
}

int CompareCatalogs(const Catalog& a, const Catalog& b, int32_t key) {
  switch (key) {
    case 1:
      return CompareNoCase(a.DisplayName(), b.DisplayName());
    case 2:
      return Sign(a.cataloguedTime, b.cataloguedTime);
    case 3:
      return Sign(a.freeSpace, b.freeSpace);  // values that are neither greater nor smaller: equal
    case 4:
      return Sign(a.files.Size(), b.files.Size());
    case 5:
      return CompareNoCase(a.volumeLabel, b.volumeLabel);
    case 6:
      return Sign(a.serialNumber, b.serialNumber);
    case 7:
      return CompareNoCase(a.filePath, b.filePath);
    default:
      return 0;
  }
}

}  // namespace

std::span<const ColumnDef> ColumnsOf(ListKind list) {
  switch (list) {
    case ListKind::kResults:
      return kResultColumns;
    case ListKind::kDirectory:
      return kDirectoryColumns;
    case ListKind::kCatalog:
      break;
  }
  return kCatalogColumns;
}

SortState::SortState(ListKind list) : list_(list) {
  const auto columns = ColumnsOf(list);
  columnCount_ = static_cast<int32_t>(columns.size());
  for (size_t i = 0; i < columns.size(); ++i) directions_[i] = columns[i].initialDirection;
  keys_[0] = 1;
  keys_[1] = 2;
}

void SortState::OnColumnClick(int32_t column) {
  if (column < 0 || column >= columnCount_) return;
  if (keys_[0] == column + 1) {
    int32_t& direction = directions_[static_cast<size_t>(column)];
    direction = direction == 1 ? -1 : 1;
    return;
  }
  for (size_t slot = 3; slot > 0; --slot) keys_[slot] = keys_[slot - 1];
  keys_[0] = column + 1;
}

int CompareResultRows(const FileRecord* a, const FileRecord* b, const SortState& state, bool dirsFirst) {
  return CompareEntryRows(a, b, state, dirsFirst);
}

int CompareDirectoryRows(const FileRecord* a, const FileRecord* b, const SortState& state, bool dirsFirst) {
  return CompareEntryRows(a, b, state, dirsFirst);
}

int CompareCatalogRows(const Catalog* a, const Catalog* b, const SortState& state) {
  if (a == nullptr || b == nullptr) return 0;
  for (const int32_t key : state.Keys()) {
    if (key == 0 || key > state.ColumnCount()) break;
    const int c = CompareCatalogs(*a, *b, key);
    if (c != 0) return state.Direction(key - 1) == 1 ? c : -c;
  }
  return 0;
}

}  // namespace mardo
