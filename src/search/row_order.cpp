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

}  // namespace mardo
