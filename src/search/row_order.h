#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "search/sort_state.h"

namespace mardo {

class Catalog;
class FileRecord;

// Puts the rows of a list in the order of its sort state (the results or the directory list, with
// the "Dirs before files" rule, or the catalog list). Rows that compare equal on every key keep
// their order.
void SortRows(std::span<const FileRecord*> rows, const SortState& state, bool dirsFirst);
void SortRows(std::span<const Catalog*> rows, const SortState& state);

// The same order as a permutation, leaving the rows where they are: position i of the sorted list
// holds row order[i]. Lists use it to move their selection with the rows.
std::vector<int32_t> SortOrder(std::span<const FileRecord* const> rows, const SortState& state,
                               bool dirsFirst);
std::vector<int32_t> SortOrder(std::span<const Catalog* const> rows, const SortState& state);

}  // namespace mardo
