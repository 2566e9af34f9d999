// The index directory: indexes made once, made again when their catalog file changes or they are
// damaged, and a directory that cannot be written costing nothing but speed.
#include "index/index_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>

#include "index/catalog_index_builder.h"
#include "index/index_format.h"
#include "index/indexed_search.h"
#include "index/library_maker.h"
#include "search/row_texts.h"

namespace mardo {
namespace {

namespace fs = std::filesystem;

class IndexCacheTest : public testing::Test {
 protected:
  void SetUp() override {
    test::SetTimeZone("UTC0");
    maker_.WriteCatalog(catalogs_ / "one.mvl", 3);
    maker_.WriteCatalog(catalogs_ / "two.mvl", 2);
    maker_.WriteCatalog(catalogs_ / "three.mvl", 3, true);
  }

  // Every entry of every catalog, as rows; the same through the index and through LoadAll.
  std::vector<std::string> Everything(IndexCache& cache) {
    SearchConditions all;
    all.flags = SearchConditions::kLengthCondition;
    all.lengthOperator = CompareOperator::kNotBefore;
    all.lengthValue = -2147483647 - 1;
    all.hitLimit = 1000000;
    const IndexedSearch indexed = SearchWithIndex(CatalogLibrary({}, catalogs_.Path()), all, {}, cache);
    CatalogLibrary loaded({}, catalogs_.Path());
    loaded.LoadAll();
    const SearchResult expected = RunSearch(all, loaded);
    std::vector<std::string> rows;
    std::vector<std::string> expectedRows;
    for (const FileRecord* r : indexed.result.hits) rows.push_back(Row(*r));
    for (const FileRecord* r : expected.hits) expectedRows.push_back(Row(*r));
    EXPECT_EQ(rows, expectedRows);
    return rows;
  }

  static std::string Row(const FileRecord& r) {
    std::string row = r.OwningCatalog()->filePath;
    for (const std::string& cell : ResultCells(r, false, "%Y%m%d%H%M%S")) row += "|" + cell;
    return row;
  }

  std::vector<std::string> IndexFiles() const {
    std::vector<std::string> names;
    if (!fs::is_directory(cacheDir_ / "mardo")) return names;
    for (const auto& entry : fs::directory_iterator(cacheDir_ / "mardo"))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::LibraryMaker maker_{42};
  test::TempDir catalogs_;
  test::TempDir cacheDir_;
};

TEST_F(IndexCacheTest, IndexesAreMadeOnceAndUsedAfterwards) {
  IndexCache cache(cacheDir_ / "mardo");
  const std::vector<std::string> first = Everything(cache);
  EXPECT_EQ(cache.Written(), 3);
  EXPECT_EQ(IndexFiles().size(), 3u);
  EXPECT_EQ(Everything(cache), first);
  EXPECT_EQ(cache.Written(), 3);
  IndexCache again(cacheDir_ / "mardo");  // another run
  EXPECT_EQ(Everything(again), first);
  EXPECT_EQ(again.Written(), 0);
}

TEST_F(IndexCacheTest, AChangedCatalogFileIsIndexedAgain) {
  IndexCache cache(cacheDir_ / "mardo");
  Everything(cache);
  ASSERT_EQ(cache.Written(), 3);

  // Touched: same bytes, new modification time.
  test::SetMtime(catalogs_ / "one.mvl", 1000000000);
  Everything(cache);
  EXPECT_EQ(cache.Written(), 4);

  // Replaced by another catalog of the same size and time: a new file.
  const std::string path = catalogs_ / "two.mvl";
  const auto size = fs::file_size(path);
  struct stat before;
  ::stat(path.c_str(), &before);
  maker_.WriteCatalog(catalogs_ / "new.tmp", 3);
  fs::rename(catalogs_ / "new.tmp", path);
  test::SetMtime(path, before.st_mtime);
  (void)size;
  const std::vector<std::string> replaced = Everything(cache);
  EXPECT_EQ(cache.Written(), 5);

  // Rewritten in place with different bytes of the same size.
  {
    std::fstream f(catalogs_ / "one.mvl", std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(-1, std::ios::end);
    f.put('Q');  // the last byte of the last name
  }
  test::SetMtime(catalogs_ / "one.mvl", 1000000000);
  Everything(cache);
  EXPECT_EQ(cache.Written(), 6);

  // Added and removed.
  maker_.WriteCatalog(catalogs_ / "four.mvl", 1);
  Everything(cache);
  EXPECT_EQ(cache.Written(), 7);
  EXPECT_EQ(IndexFiles().size(), 4u);
  fs::remove(catalogs_ / "four.mvl");
  fs::remove(catalogs_ / "one.mvl");
  Everything(cache);
  maker_.WriteCatalog(catalogs_ / "five.mvl", 0);
  Everything(cache);  // writes an index and then clears away those of the removed files
  EXPECT_EQ(IndexFiles().size(), 3u);
}

TEST_F(IndexCacheTest, ADamagedIndexIsNeverTrusted) {
  IndexCache cache(cacheDir_ / "mardo");
  const std::vector<std::string> rows = Everything(cache);
  const std::string index = cache.IndexPath(catalogs_ / "three.mvl");
  ASSERT_TRUE(fs::exists(index));
  const auto size = fs::file_size(index);
  auto flip = [&index](uint64_t offset) {
    std::fstream f(index, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(static_cast<std::streamoff>(offset));
    const char c = static_cast<char>(f.get());
    f.seekp(static_cast<std::streamoff>(offset));
    f.put(static_cast<char>(c ^ 0x5A));
  };
  auto sectionOf = [&index](int section) {
    std::ifstream f(index, std::ios::binary);
    uint64_t at[2] = {};
    f.seekg(static_cast<std::streamoff>(index_format::kSectionTableAt + 16 * section));
    f.read(reinterpret_cast<char*>(at), sizeof at);
    return std::pair<uint64_t, uint64_t>(at[0], at[1]);
  };
  int32_t written = cache.Written();
  // A byte changed in the header, then in the middle of each section. Whatever a search reads
  // is checked first: the rows stay those of the catalog file, and an index found damaged is
  // made again (a search of every entry reads all but the trigram table, the posting lists and
  // the bits of exact lengths).
  for (const uint64_t offset : {uint64_t{0}, uint64_t{9}, uint64_t{70}, uint64_t{100}}) {
    flip(offset);
    EXPECT_EQ(Everything(cache), rows);
    EXPECT_EQ(cache.Written(), ++written) << offset;
  }
  for (int section = 0; section < index_format::kSectionCount; ++section) {
    SCOPED_TRACE("section " + std::to_string(section));
    const auto [at, length] = sectionOf(section);
    if (length == 0) continue;
    flip(at + length / 2);
    EXPECT_EQ(Everything(cache), rows);
    if (section != index_format::kTrigrams && section != index_format::kPostings &&
        section != index_format::kDirEntries && section != index_format::kBlockLengths) {
      EXPECT_EQ(cache.Written(), ++written);
    } else {
      written = cache.Written();
    }
  }
  // Cut short, emptied, or someone else's file.
  fs::resize_file(index, size / 2);
  EXPECT_EQ(Everything(cache), rows);
  fs::resize_file(index, 0);
  EXPECT_EQ(Everything(cache), rows);
  std::ofstream(index, std::ios::trunc) << "MardoIdx but not really an index of anything";
  EXPECT_EQ(Everything(cache), rows);
  EXPECT_EQ(cache.Written(), written + 3);
  // An index of another catalog file put in its place.
  fs::copy_file(cache.IndexPath(catalogs_ / "one.mvl"), index, fs::copy_options::overwrite_existing);
  EXPECT_EQ(Everything(cache), rows);
  EXPECT_EQ(cache.Written(), written + 4);
}

TEST_F(IndexCacheTest, ACacheThatCannotBeWrittenOnlyCostsSpeed) {
  IndexCache reference(cacheDir_ / "reference");
  const std::vector<std::string> rows = Everything(reference);

  // The cache directory cannot be made: its parent is a file.
  cacheDir_.MakeFile("file", 0, -1, "x");
  IndexCache blocked(cacheDir_ / "file/mardo");
  EXPECT_EQ(Everything(blocked), rows);
  EXPECT_EQ(blocked.Written(), 0);

  // The index files cannot be written: their names are taken by directories.
  IndexCache taken(cacheDir_ / "taken");
  for (const char* name : {"one.mvl", "two.mvl", "three.mvl"})
    fs::create_directories(taken.IndexPath(catalogs_ / name) + "/x");
  EXPECT_EQ(Everything(taken), rows);
  EXPECT_EQ(taken.Written(), 0);
  EXPECT_EQ(Everything(taken), rows);

  if (::geteuid() != 0) {  // the superuser writes anywhere
    IndexCache readOnly(cacheDir_ / "readonly");
    fs::permissions(cacheDir_ / "readonly", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Everything(readOnly), rows);
    EXPECT_EQ(readOnly.Written(), 0);
  }
}

TEST_F(IndexCacheTest, ACatalogOfManyDirectoriesIsIndexedOnce) {
  Catalog wide;
  wide.filePath = catalogs_ / "wide.mvl";
  wide.AddDirectory("");
  for (int k = 1; k <= 40000; ++k) {
    wide.AddDirectory("\\d" + std::to_string(k));
    wide.AddFile("d" + std::to_string(k), 1, -k, 0);
  }
  wide.AddFile("film.mkv", 2, int64_t{5} << 30, 40000);
  ASSERT_TRUE(wide.Write());
  IndexCache cache(cacheDir_ / "mardo");
  Everything(cache);
  EXPECT_EQ(cache.Written(), 4);
  Everything(cache);
  EXPECT_EQ(cache.Written(), 4);
}

TEST_F(IndexCacheTest, ACatalogThatCannotBeIndexedIsReadWithoutTryingAgainUntilItChanges) {
  const std::string three = catalogs_ / "three.mvl";
  const std::string two = catalogs_ / "two.mvl";
  std::atomic<int> attempts = 0;  // indexes are made on both cores
  // The index of "three" needs more memory than there is; that of "two" more than the format holds.
  const IndexCache::Builder builder = [&](std::string_view path, const FileIdentity& identity) {
    if (path == three || path == two) {
      ++attempts;
      if (path == three) throw std::bad_alloc();
      return std::vector<uint8_t>();
    }
    return BuildCatalogIndex(path, identity);
  };
  IndexCache cache(cacheDir_ / "mardo", builder);
  const std::vector<std::string> rows = Everything(cache);
  EXPECT_EQ(attempts.load(), 2);
  EXPECT_EQ(Everything(cache), rows);
  IndexCache again(cacheDir_ / "mardo", builder);  // another run
  EXPECT_EQ(Everything(again), rows);
  EXPECT_EQ(attempts.load(), 2);
  EXPECT_EQ(IndexFiles().size(), 3u);  // the markers stay while their catalog files do

  test::SetMtime(three, 1000000000);
  EXPECT_EQ(Everything(again), rows);
  EXPECT_EQ(attempts.load(), 3);
}

TEST_F(IndexCacheTest, FilesThatCannotBeReadAreSkippedAsLoadingSkipsThem) {
  IndexCache cache(cacheDir_ / "mardo");
  fs::create_directory(catalogs_ / "dir.mvl");                                // not a regular file
  fs::create_symlink(catalogs_ / "nowhere.mvl", catalogs_ / "dangling.mvl");  // leads nowhere
  fs::create_symlink(catalogs_ / "two.mvl", catalogs_ / "link.mvl");          // a second way to a catalog
  std::ofstream(catalogs_ / "notes.mvl") << "not a catalog";
  const std::vector<std::string> rows = Everything(cache);
  EXPECT_EQ(cache.Written(), 4);  // one index per catalog path
  SearchConditions any;
  any.flags = SearchConditions::kGroupingMode;
  IndexedSearch search = SearchWithIndex(CatalogLibrary({}, catalogs_.Path()), any, {}, cache);
  ASSERT_EQ(search.skipped.size(), 1u);
  EXPECT_EQ(search.skipped[0].path, catalogs_ / "notes.mvl");
  if (::geteuid() != 0) {
    fs::permissions(catalogs_ / "one.mvl", fs::perms::none);
    Everything(cache);
    search = SearchWithIndex(CatalogLibrary({}, catalogs_.Path()), any, {}, cache);
    ASSERT_EQ(search.skipped.size(), 2u);
    EXPECT_EQ(search.skipped[1].path, catalogs_ / "one.mvl");
    EXPECT_EQ(search.skipped[1].reason, "Permission denied");
  }
}

TEST(IndexCacheDirectory, FollowsTheUsersCacheDirectory) {
  const char* savedXdg = std::getenv("XDG_CACHE_HOME");
  const char* savedHome = std::getenv("HOME");
  const std::string xdg = savedXdg != nullptr ? savedXdg : "";
  const std::string home = savedHome != nullptr ? savedHome : "";
  ::setenv("HOME", "/home/someone", 1);
  ::setenv("XDG_CACHE_HOME", "/var/cache/someone", 1);
  EXPECT_EQ(IndexCache::DefaultDirectory(), "/var/cache/someone/mardo");
  ::setenv("XDG_CACHE_HOME", "relative/cache", 1);  // not absolute: ignored
  EXPECT_EQ(IndexCache::DefaultDirectory(), "/home/someone/.cache/mardo");
  ::unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(IndexCache::DefaultDirectory(), "/home/someone/.cache/mardo");
  ::unsetenv("HOME");
  EXPECT_EQ(IndexCache::DefaultDirectory(), "");
  if (savedHome != nullptr) ::setenv("HOME", home.c_str(), 1);
  if (savedXdg != nullptr) ::setenv("XDG_CACHE_HOME", xdg.c_str(), 1);
}

}  // namespace
}  // namespace mardo
