#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "search/search_conditions.h"
#include "support/temp_tree.h"

namespace mardo::test {

// Random catalog libraries on disk and random searches over them, for comparing the indexed
// search with RunSearch over the loaded library.
class LibraryMaker {
 public:
  explicit LibraryMaker(uint32_t seed) : random_(seed) {}

  // Fills `tmp` (the start directory) and its directories "a" and "b" with catalog files of every
  // version (and some broken ones, and files that are not catalogs), and returns the library's
  // arguments: "-dir" with "a", "b", "a" again (its catalogs count twice) and "b" by its absolute
  // path.
  std::vector<std::string> MakeLibrary(const TempDir& tmp);

  // Writes one random catalog file of `version` at `path`; `big` makes it span several blocks of
  // records and of directories.
  void WriteCatalog(const std::string& path, int version, bool big = false);

  // A random search: pattern, date, length, mode and hit limit.
  SearchConditions MakeConditions();
  // Display names for --only: usually names some catalogs bear, sometimes one none bears.
  std::vector<std::string> MakeOnlyNames();

  std::mt19937& Random() { return random_; }

 private:
  int Pick(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }
  std::string RandomName();
  std::string RandomPattern();

  std::mt19937 random_;
};

}  // namespace mardo::test
