#include "search/row_order.h"

#include <algorithm>

namespace mardo {

void SortRows(std::span<const FileRecord*> rows, const SortState& state, bool dirsFirst) {
  const bool results = state.List() == ListKind::kResults;
  std::stable_sort(rows.begin(), rows.end(), [&](const FileRecord* a, const FileRecord* b) {
    return (results ? CompareResultRows(a, b, state, dirsFirst)
                    : CompareDirectoryRows(a, b, state, dirsFirst)) < 0;
  });
}

void SortRows(std::span<const Catalog*> rows, const SortState& state) {
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const Catalog* a, const Catalog* b) { return CompareCatalogRows(a, b, state) < 0; });
}

namespace {

template <class T, class Less>
std::vector<int32_t> OrderBy(std::span<const T* const> rows, Less less) {
  std::vector<int32_t> order(rows.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
  std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    return less(rows[static_cast<size_t>(a)], rows[static_cast<size_t>(b)]);
  });
  return order;
}

}  // namespace

std::vector<int32_t> SortOrder(std::span<const FileRecord* const> rows, const SortState& state,
                               bool dirsFirst) {
  const bool results = state.List() == ListKind::kResults;
  return OrderBy(rows, [&](const FileRecord* a, const FileRecord* b) {
    return (results ? CompareResultRows(a, b, state, dirsFirst)
                    : CompareDirectoryRows(a, b, state, dirsFirst)) < 0;
  });
}

std::vector<int32_t> SortOrder(std::span<const Catalog* const> rows, const SortState& state) {
  return OrderBy(rows,
                 [&](const Catalog* a, const Catalog* b) { return CompareCatalogRows(a, b, state) < 0; });
}

}  // namespace mardo
