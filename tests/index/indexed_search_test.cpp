// The indexed search against RunSearch over the loaded library: random libraries, random
// searches, row for row.
#include "index/indexed_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "index/index_format.h"
#include "index/library_maker.h"
#include "search/row_texts.h"
#include "search/sort_state.h"
#include "store/catalog.h"

namespace mardo {
namespace {

std::string Describe(const SearchConditions& c, const std::vector<std::string>& only) {
  std::string text = "pattern '" + c.patternText + "' flags " + std::to_string(c.flags) + " date " +
                     std::to_string(static_cast<int>(c.dateOperator)) + " length " +
                     std::to_string(static_cast<int>(c.lengthOperator)) + " " +
                     std::to_string(c.lengthValue) + " limit " + std::to_string(c.hitLimit) + " only";
  for (const std::string& name : only) text += " '" + name + "'";
  return text;
}

std::string DirText(const DirRecord* dir) {
  if (dir == nullptr) return "none";
  char total[64];
  std::snprintf(total, sizeof total, "%.17g", dir->totalLength);
  return std::string(dir->Path()) + "|" + std::to_string(dir->fileCount) + "|" + total;
}

// Everything a row shows or sorts by, and where its record comes from. (The catalogs made for
// the rows may number their directories otherwise: a directory entry is told by its directory.)
std::string RowText(const FileRecord& r, bool grouping) {
  const Catalog& c = *r.OwningCatalog();
  std::string text = std::string(r.Name()) + "|" + std::to_string(r.lastWriteTime) + "|" +
                     (r.IsDirectory() ? "dir" : std::to_string(r.length)) + "|" + c.filePath + "|" +
                     c.DisplayName() + "|" + std::to_string(c.formatVersion) + "|" + c.volumeRoot + "|" +
                     std::to_string(c.serialNumber) + "|" + DirText(c.ContainingDirectory(r)) + "|" +
                     DirText(c.DirectoryOf(r));
  for (const std::string& cell : ResultCells(r, grouping, "%Y%m%d%H%M%S")) text += "|" + cell;
  return text;
}

std::vector<std::string> Rows(const SearchResult& result, bool sorted) {
  std::vector<const FileRecord*> hits = result.hits;
  if (sorted) {
    const SortState state(ListKind::kResults);
    std::stable_sort(hits.begin(), hits.end(), [&state](const FileRecord* a, const FileRecord* b) {
      return CompareResultRows(a, b, state, true) < 0;
    });
  }
  std::vector<std::string> rows;
  for (const FileRecord* hit : hits) rows.push_back(RowText(*hit, result.grouping));
  return rows;
}

// RunSearch over the loaded library with the catalogs of `only` selected, as the command line
// selects them; the first name no catalog bears, if any.
SearchResult LoadedSearch(CatalogLibrary& library, const SearchConditions& conditions,
                          const std::vector<std::string>& only, std::optional<std::string>& unknown) {
  SearchScope scope;
  for (const std::string& name : only) {
    bool found = false;
    for (const Catalog* catalog : library.Catalogs()) {
      if (catalog->DisplayName() == name) {
        scope.selected.push_back(catalog);
        found = true;
      }
    }
    if (!found) {
      unknown = name;
      return {};
    }
    scope.selectedOnly = true;
  }
  return RunSearch(conditions, library, scope);
}

// The library loaded whole, and the files loading passes over: made again only when the catalog
// files change, as loading them for each of a test's many searches would be most of its time.
struct Loaded {
  std::vector<std::string> arguments;
  std::string start;
  std::vector<std::string> paths;
  std::vector<FileIdentity> identities;
  std::unique_ptr<CatalogLibrary> library;
  std::vector<std::string> skipped;
};

Loaded& LoadedLibrary(const std::vector<std::string>& arguments, const std::string& start) {
  static Loaded loaded;
  std::vector<FileIdentity> identities;
  std::vector<std::string> paths = CatalogLibrary(arguments, start).CatalogFiles(&identities);
  if (loaded.library && loaded.arguments == arguments && loaded.start == start && loaded.paths == paths &&
      loaded.identities == identities) {
    return loaded;
  }
  loaded = Loaded{arguments,
                  start,
                  std::move(paths),
                  std::move(identities),
                  std::make_unique<CatalogLibrary>(arguments, start),
                  {}};
  loaded.library->LoadAll();
  for (const std::string& path : loaded.library->CatalogFiles()) {
    Catalog catalog;
    catalog.filePath = path;
    if (!catalog.Read()) loaded.skipped.push_back(path);
  }
  return loaded;
}

// `fromDisk`: the search takes the indexes for not in memory (and searches them all at once).
void ExpectSameRows(const std::vector<std::string>& arguments, const std::string& start, IndexCache& cache,
                    const SearchConditions& conditions, const std::vector<std::string>& only,
                    bool fromDisk = false) {
  SCOPED_TRACE(Describe(conditions, only) + (fromDisk ? " from the disk" : ""));
  cache.SetDiskProbe([fromDisk](const std::string&) { return fromDisk; });
  Loaded& loaded = LoadedLibrary(arguments, start);
  std::optional<std::string> unknown;
  const SearchResult expected = LoadedSearch(*loaded.library, conditions, only, unknown);
  const IndexedSearch indexed = SearchWithIndex(CatalogLibrary(arguments, start), conditions, only, cache);
  // The files passed over are those loading passes over.
  std::vector<std::string> indexedSkipped;
  for (const auto& file : indexed.skipped) indexedSkipped.push_back(file.path);
  EXPECT_EQ(indexedSkipped, loaded.skipped);
  ASSERT_EQ(indexed.unknownCatalog, unknown);
  if (unknown) return;
  EXPECT_EQ(indexed.result.count, expected.count);
  EXPECT_EQ(indexed.result.hitLimit, expected.hitLimit);
  EXPECT_EQ(indexed.result.grouping, expected.grouping);
  EXPECT_EQ(indexed.result.CountText(), expected.CountText());
  EXPECT_EQ(Rows(indexed.result, false), Rows(expected, false));
  EXPECT_EQ(Rows(indexed.result, true), Rows(expected, true));
}

// How many random libraries the comparison makes. The sanitizer builds run many times slower and
// check the first six; the optimised build checks all of them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr uint32_t kRandomLibraries = 6;
#else
constexpr uint32_t kRandomLibraries = 24;
#endif

class IndexedSearchTest : public testing::Test {
 protected:
  void SetUp() override { test::SetTimeZone("UTC0"); }
};

// Writes, in `dir`, a catalog of `count` files named `prefix` and their number, then `last`;
// returns its path.
std::string WriteNumberedCatalog(const std::string& dir, const std::string& prefix, int32_t count,
                                 const std::string& last) {
  Catalog catalog;
  catalog.filePath = dir + "/" + prefix + ".mvl";
  catalog.volumeLabel = "NUMBERED";
  catalog.AddDirectory("");
  for (int32_t k = 0; k < count; ++k) catalog.AddFile(prefix + std::to_string(k), 1000000000, k, 0);
  if (!last.empty()) catalog.AddFile(last, 1000000000, 1, 0);
  EXPECT_TRUE(catalog.Write());
  return catalog.filePath;
}

// A Standard search for names holding `pattern`, up to `limit` hits.
SearchConditions NameSearch(const std::string& pattern, int32_t limit) {
  SearchConditions c;
  c.patternText = pattern;
  c.flags = SearchConditions::kNameCondition;
  c.hitLimit = limit;
  return c;
}

// Readies `catalog` to be filled and written at `path`: labelled `label`, with its root directory.
void StartCatalog(Catalog& catalog, const std::string& path, const std::string& label) {
  catalog.filePath = path;
  catalog.volumeLabel = label;
  catalog.AddDirectory("");
}

// Adds to `c` a date condition: `op` the day that starts at `dayStart`.
void AddDateCondition(SearchConditions& c, CompareOperator op, int64_t dayStart) {
  c.flags |= SearchConditions::kDateCondition;
  c.dateOperator = op;
  c.dayStart = dayStart;
  c.dayEnd = dayStart + 86399;
}

// How many rows a search of the catalogs in `dir` through `cache` gives.
int32_t RowsThroughIndex(const std::string& dir, const SearchConditions& c, IndexCache& cache) {
  return SearchWithIndex(CatalogLibrary({}, dir), c, {}, cache).result.count;
}

// Changes a byte of section `section` of the index at `path`, `from` bytes into the section
// (from its end when negative); returns the section's size.
uint64_t DamageSection(const std::string& path, int section, int64_t from) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  uint64_t at[2] = {};  // the section's offset and size
  f.seekg(static_cast<std::streamoff>(index_format::kSectionTableAt + 16 * section));
  f.read(reinterpret_cast<char*>(at), sizeof at);
  f.seekp(static_cast<std::streamoff>(at[0] + (from < 0 ? at[1] : 0) + from));
  f.put('\x5A');
  return at[1];
}

// A first search of a grouping search that gives `rows` rows for `c` from the catalog at
// `catalogPath` in `dir` reads nothing beyond its blocks: a damaged last page of the index's block
// places is not seen, and the index is not made again.
void ExpectNoFurtherReading(const std::string& dir, const std::string& catalogPath, const SearchConditions& c,
                            int32_t rows, IndexCache& cache) {
  ASSERT_EQ(RowsThroughIndex(dir, c, cache), rows);
  ASSERT_EQ(cache.Written(), 1);
  DamageSection(cache.IndexPath(catalogPath), index_format::kBlockPlaces, -4);
  EXPECT_EQ(RowsThroughIndex(dir, c, cache), rows);
  EXPECT_EQ(cache.Written(), 1);
}

// A grouping search (with `mode` flags) for a pattern, up to a limit, perhaps dated (before the
// third day of the catalogs made here).
struct GroupingCase {
  const char* pattern;
  int32_t limit;
  bool dated;
};

// Each of `cases`, in memory and from the disk, gives the rows of the loaded library.
void ExpectGroupingCases(const std::string& dir, IndexCache& cache, uint32_t mode,
                         std::initializer_list<GroupingCase> cases) {
  for (const GroupingCase& t : cases) {
    SearchConditions d = NameSearch(t.pattern, t.limit);
    d.flags |= mode;
    if (t.dated) AddDateCondition(d, CompareOperator::kBefore, 1000000000 + 2 * 86400);
    ExpectSameRows({}, dir, cache, d, {}, false);
    ExpectSameRows({}, dir, cache, d, {}, true);
  }
}

TEST_F(IndexedSearchTest, GivesTheRowsOfTheLoadedLibraryForRandomLibrariesAndSearches) {
  for (uint32_t seed = 1; seed <= kRandomLibraries; ++seed) {
    SCOPED_TRACE("library seed " + std::to_string(seed));
    test::LibraryMaker maker(seed);
    test::TempDir tmp;
    test::TempDir cacheDir;
    const std::vector<std::string> arguments = maker.MakeLibrary(tmp);
    IndexCache cache(cacheDir / "mardo");
    for (int query = 0; query < 40; ++query) {
      ExpectSameRows(arguments, tmp.Path(), cache, maker.MakeConditions(), maker.MakeOnlyNames(),
                     query % 2 == 1);
      if (HasFatalFailure() || testing::Test::HasFailure()) return;
    }
  }
}

TEST_F(IndexedSearchTest, GivesTheSameRowsWithoutAnIndex) {
  test::LibraryMaker maker(99);
  test::TempDir tmp;
  const std::vector<std::string> arguments = maker.MakeLibrary(tmp);
  maker.WriteCatalog(tmp / "big.mvl", 3, true);
  IndexCache none("");
  for (int query = 0; query < 40; ++query) {
    ExpectSameRows(arguments, tmp.Path(), none, maker.MakeConditions(), maker.MakeOnlyNames());
    if (testing::Test::HasFailure()) return;
  }
}

// Catalogs of several blocks of records and directories, where a pattern's head is found in the
// name bytes of a block and the posting lists are long.
TEST_F(IndexedSearchTest, LargeCatalogsAcrossBlocks) {
  test::LibraryMaker maker(7);
  test::TempDir tmp;
  test::TempDir cacheDir;
  for (int v = 0; v <= 4; ++v) maker.WriteCatalog(tmp / ("big" + std::to_string(v) + ".mvl"), v, true);
  IndexCache cache(cacheDir / "mardo");
  const std::vector<std::string> arguments;
  for (const char* pattern :
       {"lib", "|lib", ".so|", "lib*.so", "ab", "a", "é", "abc|", "|zzz", "read*me|", "*", "|"}) {
    for (const int32_t limit : {1, 7, 512, 100000}) {
      SearchConditions c;
      c.patternText = pattern;
      c.flags = SearchConditions::kNameCondition;
      c.hitLimit = limit;
      ExpectSameRows(arguments, tmp.Path(), cache, c, {}, limit == 7);
      c.flags |= SearchConditions::kGroupingMode;
      ExpectSameRows(arguments, tmp.Path(), cache, c, {}, limit == 512);
    }
  }
  SearchConditions dirs;  // directory entries only, many of them standing for directories of late blocks
  dirs.flags = SearchConditions::kLengthCondition;
  dirs.lengthOperator = CompareOperator::kBefore;
  dirs.hitLimit = 100000;
  ExpectSameRows(arguments, tmp.Path(), cache, dirs, {});
  // Directory entries told apart by their directories' numbers: grouped by length, or by a
  // length below 0.
  dirs.flags |= SearchConditions::kGroupingMode;
  ExpectSameRows(arguments, tmp.Path(), cache, dirs, {});
  dirs.flags = SearchConditions::kLengthCondition;
  dirs.lengthValue = -700;
  ExpectSameRows(arguments, tmp.Path(), cache, dirs, {});
  SearchConditions huge;  // lengths above 4 GiB, whose low halves are small
  huge.flags = SearchConditions::kLengthCondition;
  huge.lengthOperator = CompareOperator::kAfter;
  huge.lengthValue = int64_t{1} << 32;
  huge.hitLimit = 100000;
  ExpectSameRows(arguments, tmp.Path(), cache, huge, {});
  huge.flags |= SearchConditions::kGroupingMode;
  ExpectSameRows(arguments, tmp.Path(), cache, huge, {});
  EXPECT_EQ(cache.Written(), 5);
}

// Paths are spelled from the names of the directory entries when the catalog numbers its
// directories as a scan does: a folder whose name holds '\\' shows as one folder, as in the loaded
// library, though the index's share of the catalog lacks most of those entries.
TEST_F(IndexedSearchTest, PathsOfFoldersWithBackslashesReadAsInTheLoadedLibrary) {
  test::TempDir tmp;
  test::TempDir cacheDir;
  Catalog catalog;
  catalog.filePath = tmp / "numbered.mvl";
  catalog.volumeLabel = "DISK";
  catalog.volumeRoot = "/media/disk/";
  catalog.AddDirectory("");
  std::vector<std::string> paths = {""};
  for (int32_t d = 1; d < 300; ++d) {
    const int32_t parent = d / 4;
    const std::string name = d % 3 == 0 ? "a\\b " + std::to_string(d) : "dir " + std::to_string(d);
    paths.push_back(paths[static_cast<size_t>(parent)] + "\\" + name);
    catalog.AddDirectory(paths.back(), 2, 20.0);
    catalog.AddFile(name, 1000000000 + d, -d, parent);
    for (int k = 0; k < 3; ++k)
      catalog.AddFile("file" + std::to_string(d * 3 + k) + ".txt", 1000000000, d, d);
  }
  ASSERT_TRUE(catalog.Write());
  IndexCache cache(cacheDir / "mardo");
  for (const char* pattern : {"file", "file7", "a\\b", "txt|", "99"}) {
    for (const int32_t limit : {5, 100000}) {
      SearchConditions c;
      c.patternText = pattern;
      c.flags = SearchConditions::kNameCondition;
      c.hitLimit = limit;
      ExpectSameRows({}, tmp.Path(), cache, c, {});
    }
  }
}

// Times and lengths that grow from entry to entry, as in a tree written in one go: most blocks
// cannot hold a hit of a date or length condition and are passed over, and the rows stay those
// of the loaded library for every operator, at and around a block's bounds.
TEST_F(IndexedSearchTest, SearchesByDateOrLengthPassOverBlocksThatCannotHoldAHit) {
  test::TempDir tmp;
  test::TempDir cacheDir;
  Catalog catalog;
  StartCatalog(catalog, tmp / "growing.mvl", "GROWING");
  for (int32_t k = 0; k < 3000; ++k) {
    const int64_t length = k == 1500 ? -1 : int64_t{k} * k;  // one directory entry among them
    catalog.AddFile("entry" + std::to_string(k), 1000000000 + int64_t{k} * 3600, length, 0);
  }
  catalog.AddDirectory("\\sub");
  ASSERT_TRUE(catalog.Write());
  IndexCache cache(cacheDir / "mardo");
  for (int op = 1; op <= 5; ++op) {
    for (const int64_t k : {0, 31, 32, 1500, 2999}) {
      SearchConditions c;
      c.hitLimit = 100000;
      AddDateCondition(c, static_cast<CompareOperator>(op), 1000000000 + k * 3600);
      ExpectSameRows({}, tmp.Path(), cache, c, {});
      c.flags = SearchConditions::kLengthCondition;
      c.lengthOperator = static_cast<CompareOperator>(op);
      c.lengthValue = k * k;
      ExpectSameRows({}, tmp.Path(), cache, c, {});
    }
  }
}

// A search that has its hits reads no further: a damaged page of the index beyond them is not
// seen (and the index not made again).
TEST_F(IndexedSearchTest, AStandardSearchStopsReadingAtItsHitLimit) {
  test::TempDir tmp;
  test::TempDir cacheDir;
  const std::string catalog = WriteNumberedCatalog(tmp.Path(), "file", 40000, "");
  IndexCache cache(cacheDir / "mardo");
  SearchConditions c = NameSearch("file", 1);
  ASSERT_EQ(RowsThroughIndex(tmp.Path(), c, cache), 1);
  ASSERT_EQ(cache.Written(), 1);
  // The last page of the block places, far beyond the first hit.
  ASSERT_GT(DamageSection(cache.IndexPath(catalog), index_format::kBlockPlaces, -4),
            2 * index_format::kPageSize);
  for (const int32_t limit : {1, 512}) {
    c.hitLimit = limit;
    EXPECT_EQ(RowsThroughIndex(tmp.Path(), c, cache), limit);
    EXPECT_EQ(cache.Written(), 1) << limit;
  }
  c.hitLimit = 100000;  // now the damage is found: the rows come from the catalog file
  EXPECT_EQ(RowsThroughIndex(tmp.Path(), c, cache), 40000);
  EXPECT_EQ(cache.Written(), 2);
}

// Of a pattern's trigrams, those searched through lie apart where they can: names holding
// only the rare part of the pattern ("qxzjea") lack one of them and their blocks go unread
// (here a damaged page of the index that says where those blocks lie is not seen).
TEST_F(IndexedSearchTest, NamesHoldingPartOfThePatternAreNotRead) {
  test::TempDir tmp;
  test::TempDir cacheDir;
  const std::string catalog = WriteNumberedCatalog(tmp.Path(), "qxzjea", 17000, "qxzjeaist");
  IndexCache cache(cacheDir / "mardo");
  const SearchConditions c = NameSearch("qxzjeaist", 10);
  ASSERT_EQ(RowsThroughIndex(tmp.Path(), c, cache), 1);
  // The first page of the block places: where the first 511 blocks lie.
  DamageSection(cache.IndexPath(catalog), index_format::kBlockPlaces, 8);
  EXPECT_EQ(RowsThroughIndex(tmp.Path(), c, cache), 1);
  EXPECT_EQ(cache.Written(), 1);
}

// What the index says each block holds is read only by searches with a date or a length
// condition, and the bits of exact lengths only by a search for one length: damage there is not
// seen by other searches, and is seen by those.
TEST_F(IndexedSearchTest, OnlyADateOrLengthConditionReadsWhatBlocksHold) {
  test::TempDir tmp;
  test::TempDir cacheDir;
  const std::string catalog = WriteNumberedCatalog(tmp.Path(), "file", 3000, "");
  IndexCache cache(cacheDir / "mardo");
  SearchConditions c = NameSearch("file", 100000);
  ASSERT_EQ(RowsThroughIndex(tmp.Path(), c, cache), 3000);
  DamageSection(cache.IndexPath(catalog), index_format::kBlockSums, 8);
  EXPECT_EQ(RowsThroughIndex(tmp.Path(), c, cache), 3000);
  EXPECT_EQ(cache.Written(), 1);
  c.flags |= SearchConditions::kLengthCondition;
  c.lengthOperator = CompareOperator::kNotBefore;
  c.lengthValue = 0;
  EXPECT_EQ(RowsThroughIndex(tmp.Path(), c, cache), 3000);
  EXPECT_EQ(cache.Written(), 2);  // found damaged: the rows came from the catalog file
  DamageSection(cache.IndexPath(catalog), index_format::kBlockLengths, 8);
  EXPECT_EQ(RowsThroughIndex(tmp.Path(), c, cache), 3000);
  EXPECT_EQ(cache.Written(), 2);
  c.lengthOperator = CompareOperator::kEqual;
  c.lengthValue = 7;
  EXPECT_EQ(RowsThroughIndex(tmp.Path(), c, cache), 1);
  EXPECT_EQ(cache.Written(), 3);
}

// Duplicates lists the smallest files first: when the empty files that match give all its rows,
// it reads no other block (a damaged page of the index beyond them is not seen); when they give
// fewer, the whole search takes what was read of them, and the rows are those of the loaded
// library either way.
TEST_F(IndexedSearchTest, DuplicatesOfEmptyFilesNeedNoOtherBlocks) {
  test::TempDir tmp;
  test::TempDir cacheDir;
  Catalog catalog;
  StartCatalog(catalog, tmp / "empty.mvl", "EMPTY");
  // Three empty readme files in the first blocks, one later, and readme files of every
  // length between; an empty file of another name in most blocks.
  for (int32_t k = 0; k < 40000; ++k) {
    const bool empty = k == 3 || k == 40 || k == 70 || k == 12001;
    catalog.AddFile(k % 7 == 0 ? "Read.Me" : "README", 1000000000 + int64_t{k % 5} * 86400,
                    empty ? 0 : 1 + k % 300, 0);
    if (k % 25 == 0) catalog.AddFile("other" + std::to_string(k % 3), 1000000000, 0, 0);
  }
  ASSERT_TRUE(catalog.Write());
  IndexCache cache(cacheDir / "mardo");
  SearchConditions c = NameSearch("readme", 3);
  c.flags |= SearchConditions::kGroupingMode;
  ExpectNoFurtherReading(tmp.Path(), catalog.filePath, c, 3, cache);
  ExpectGroupingCases(tmp.Path(), cache, SearchConditions::kGroupingMode,
                      {{"readme", 1, false},
                       {"readme", 4, false},
                       {"READ", 40, false},
                       {"r*me|", 2, true},
                       {"eadm", 500, true},
                       {"|readme|", 100000, false},
                       {"other", 5, false}});
}

// Same names lists names in order, and a name that begins with the pattern and is longer comes
// after the pattern: when the names up to the pattern give all its rows, the blocks whose
// matching names all begin with it, none being the pattern itself, go unread (a damaged page of
// the index beyond them is not seen). Names holding the pattern further on, and the pattern
// itself, are read wherever they lie; the rows are those of the loaded library either way.
TEST_F(IndexedSearchTest, SameNamesUpToThePatternNeedNoOtherBlocks) {
  test::TempDir tmp;
  test::TempDir cacheDir;
  Catalog catalog;
  StartCatalog(catalog, tmp / "names.mvl", "NAMES");
  for (int32_t k = 0; k < 40000; ++k) {
    std::string name = k % 2 == 0 ? "README.Debian" : "readme.txt";
    if (k == 3 || k == 40 || k == 12001) name = "README";
    if (k == 5 || k == 70 || k == 15000) name = "00readme.txt";
    catalog.AddFile(name, 1000000000 + int64_t{k % 5} * 86400, 1 + k % 300, 0);
  }
  ASSERT_TRUE(catalog.Write());
  IndexCache cache(cacheDir / "mardo");
  const uint32_t sameNames = SearchConditions::kGroupingMode | SearchConditions::kSameNames;
  SearchConditions c = NameSearch("readme", 5);
  c.flags |= sameNames;
  ExpectNoFurtherReading(tmp.Path(), catalog.filePath, c, 6, cache);  // three 00readme.txt, three README
  ExpectGroupingCases(tmp.Path(), cache, sameNames,
                      {{"readme", 5, false},
                       {"readme", 7, false},
                       {"README", 100000, false},
                       {"|readme", 2, false},
                       {"readme|", 4, true},
                       {"eadm", 3, true},
                       {"00readme", 2, false}});
}

}  // namespace
}  // namespace mardo
