#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "index/index_cache.h"
#include "search/search_engine.h"
#include "store/catalog_library.h"

namespace mardo {

// The outcome of a search over the catalog files through their indexes.
struct IndexedSearch {
  // Exactly what RunSearch gives over the library after LoadAll, row for row and in the same
  // order; the rows refer to records of `catalogs`.
  SearchResult result;
  // Owns the records the rows refer to: for each catalog with hits, its header fields, all its
  // directory records and the entries the search needed.
  std::unique_ptr<CatalogLibrary> catalogs;
  // A name of `onlyNames` that no catalog bears; then nothing was searched.
  std::optional<std::string> unknownCatalog;
  // The catalog files passed over because they could not be read or are not catalogs (those
  // LoadAll passes over), in library order, each with the reason when there is one.
  struct SkippedFile {
    std::string path;
    std::string reason;
  };
  std::vector<SkippedFile> skipped;
};

// Searches the catalog files of `library`'s directories (the library itself need not be loaded)
// as RunSearch searches them after LoadAll, but from their indexes in `cache`, made or made
// again first where missing, stale or damaged. With `onlyNames`, only the catalogs bearing one of
// those display names take part. Catalog files that cannot be read are skipped as LoadAll skips
// them.
IndexedSearch SearchWithIndex(const CatalogLibrary& library, const SearchConditions& conditions,
                              const std::vector<std::string>& onlyNames, IndexCache& cache);

// The same with the user's cache directory (IndexCache::DefaultDirectory).
IndexedSearch SearchWithIndex(const CatalogLibrary& library, const SearchConditions& conditions,
                              const std::vector<std::string>& onlyNames);

}  // namespace mardo
