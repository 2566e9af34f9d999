#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "search/files_not_elsewhere.h"
#include "search/search_conditions.h"
#include "store/catalog_library.h"

namespace mardo {

// Which catalogs a search covers: all of them, or with "Selected Catalogs only" the selected ones
// (all of them again when none is selected).
struct SearchScope {
  bool selectedOnly = false;
  std::vector<const Catalog*> selected;
};

// The rows of one search: references to the records (the catalogs keep owning them), in the order
// the rows were added, and the count for the hit-count pane.
struct SearchResult {
  std::vector<const FileRecord*> hits;
  int32_t count = 0;
  int32_t hitLimit = 0;
  bool grouping = false;  // Duplicates or Same names: directory lengths show as "Directory"
  // Not on other volumes: all the files without a copy elsewhere, the hit limit aside.
  std::optional<NotElsewhereTotals> notElsewhere;

  // "%d" below the hit limit, ">%d" when the count reached or passed it.
  std::string CountText() const;
};

// Sets each catalog's selected flag for the next search.
void MarkSearchedCatalogs(CatalogLibrary& library, const SearchScope& scope);

// Marks the catalogs and walks them in library order, testing length, then date, then name. In
// Standard search the first `hitLimit` qualifying entries become the rows. Duplicates and Same
// names collect every qualifying file (every entry when the length condition admits directories),
// order them by (length, name) or (name, length), and list the runs of equal entries. Not on
// other volumes lists the first `hitLimit` qualifying files that have no copy on another volume
// (FilesNotElsewhere; with "Selected Catalogs only", on a catalog not searched) and counts them
// all.
SearchResult RunSearch(const SearchConditions& conditions, CatalogLibrary& library,
                       const SearchScope& scope = {});

}  // namespace mardo
