#include "search/directory_browser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/directory_reader.h"
#include "platform/mount_table.h"
#include "scan/tree_scanner.h"
#include "search/directory_listing.h"
#include "search/entry_path.h"
#include "search/search_texts.h"
#include "support/mounted_at.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

using Names = std::vector<std::string>;
using Kind = DirectoryBrowser::Step::Kind;

constexpr int32_t kLimit = 512;

Names RowNames(const DirectoryShow& show) {
  Names names;
  for (const FileRecord* r : show.rows) names.emplace_back(r->Name());
  return names;
}

std::string Selected(const DirectoryBrowser::Step& step) {
  return step.show.selected != nullptr ? std::string(step.show.selected->Name()) : "";
}

const FileRecord* Entry(const Catalog& catalog, std::string_view name, int16_t dir) {
  for (const FileRecord* r : catalog.files)
    if (r->Name() == name && r->dirNumber == dir) return r;
  return nullptr;
}

// Scans a real tree made under a temporary directory that stands for a mounted volume.
class BrowseTest : public testing::Test {
 protected:
  void Scan() {
    const MountTable mounts = test::MountedAt(tmp_.Path());
    PosixDirectoryReader reader;
    TreeScanner scanner(catalog_, reader, mounts);
    ASSERT_GT(scanner.Scan(tmp_.Path(), ""), 0);
    catalog_.volumeLabel = "VOL";
    catalog_.UpdateDisplayName();
  }

  test::TempDir tmp_;
  Catalog catalog_;
  DirectoryBrowser browser_;
};

TEST_F(BrowseTest, TabChangeFollowsTheSelectedRowOfTheTabLeft) {
  tmp_.MakeFile("docs/a.txt", 1);
  tmp_.MakeFile("docs/old/b.txt", 2);
  tmp_.MakeFile("top.txt", 3);
  Scan();
  const FileRecord* a = Entry(catalog_, "a.txt", 1);
  const FileRecord* old = Entry(catalog_, "old", 1);
  const Catalog* catalogs[] = {&catalog_};

  // A file result: its directory, with its row selected.
  const FileRecord* one[] = {a};
  DirectoryBrowser::TabChange change = browser_.ChangeTab(1, 0, one, {}, kLimit);
  EXPECT_TRUE(change.accepted);
  EXPECT_EQ(RowNames(change.step.show), (Names{"a.txt", "old"}));
  EXPECT_EQ(Selected(change.step), "a.txt");
  EXPECT_EQ(change.step.show.caption, "VOL");

  // A directory result: its content, nothing selected.
  const FileRecord* dir[] = {old};
  change = browser_.ChangeTab(1, 0, dir, {}, kLimit);
  EXPECT_EQ(RowNames(change.step.show), (Names{"b.txt"}));
  EXPECT_EQ(change.step.show.selected, nullptr);

  // A catalog: its root directory.
  change = browser_.ChangeTab(1, 2, one, catalogs, kLimit);
  EXPECT_EQ(RowNames(change.step.show), (Names{"docs", "top.txt"}));

  // Two rows, or none: refused with the message; the other tabs are always accepted.
  const FileRecord* two[] = {a, old};
  change = browser_.ChangeTab(1, 0, two, catalogs, kLimit);
  EXPECT_FALSE(change.accepted);
  EXPECT_EQ(change.step.kind, Kind::kMessage);
  EXPECT_EQ(change.step.message, texts::kSelectOneRow);
  EXPECT_FALSE(browser_.ChangeTab(1, 2, one, {}, kLimit).accepted);
  change = browser_.ChangeTab(2, 1, {}, {}, kLimit);
  EXPECT_TRUE(change.accepted);
  EXPECT_EQ(change.step.kind, Kind::kNothing);
  EXPECT_TRUE(browser_.ChangeTab(0, 2, {}, {}, kLimit).accepted);
}

TEST_F(BrowseTest, ParentClimbsWithTheListedDirectorySelectedAndStopsAtTheRoot) {
  tmp_.MakeFile("docs/old/b.txt", 2);
  tmp_.MakeDir("docs/empty");
  tmp_.MakeFile("top.txt", 3);
  Scan();
  DirectoryBrowser::Step step = browser_.OpenEntry(Entry(catalog_, "old", 1), kLimit);
  ASSERT_EQ(RowNames(step.show), (Names{"b.txt"}));

  step = browser_.Parent(step.show.rows[0], kLimit);
  EXPECT_EQ(RowNames(step.show), (Names{"empty", "old"}));
  EXPECT_EQ(Selected(step), "old");
  step = browser_.Parent(step.show.rows[0], kLimit);
  EXPECT_EQ(RowNames(step.show), (Names{"docs", "top.txt"}));
  EXPECT_EQ(Selected(step), "docs");
  EXPECT_EQ(browser_.Parent(step.show.rows[0], kLimit).kind, Kind::kNothing);

  // An empty directory: Parent from the empty listing lists its directory with it selected.
  step = browser_.OpenEntry(Entry(catalog_, "empty", 1), kLimit);
  EXPECT_EQ(step.kind, Kind::kShow);
  EXPECT_TRUE(step.show.rows.empty());
  step = browser_.Parent(nullptr, kLimit);
  EXPECT_EQ(RowNames(step.show), (Names{"empty", "old"}));
  EXPECT_EQ(Selected(step), "empty");

  // A new visit to the tab forgets the entry: Parent from an empty listing does nothing.
  const Catalog* catalogs[] = {&catalog_};
  browser_.ChangeTab(1, 2, {}, catalogs, kLimit);
  EXPECT_EQ(browser_.Parent(nullptr, kLimit).kind, Kind::kNothing);
}

TEST_F(BrowseTest, SubdirectoryOpensOnlyDirectoryRows) {
  tmp_.MakeFile("docs/b.txt", 2);
  tmp_.MakeFile("top.txt", 3);
  Scan();
  EXPECT_EQ(browser_.Subdirectory(nullptr, kLimit).message, "Select a Directory row !");
  EXPECT_EQ(browser_.Subdirectory(Entry(catalog_, "top.txt", 0), kLimit).message, "Select a Directory row !");
  EXPECT_EQ(RowNames(browser_.Subdirectory(Entry(catalog_, "docs", 0), kLimit).show), (Names{"b.txt"}));
  EXPECT_EQ(browser_.OpenEntry(Entry(catalog_, "top.txt", 0), kLimit).kind, Kind::kNothing);
  EXPECT_EQ(EnterKeyAction(0), EnterAction::kSearch);
  EXPECT_EQ(EnterKeyAction(1), EnterAction::kSubdirectory);
  EXPECT_EQ(EnterKeyAction(2), EnterAction::kAdd);
  EXPECT_EQ(EnterKeyAction(3), EnterAction::kNothing);
}

TEST_F(BrowseTest, AListingStopsAtTheHitLimitInStoredOrder) {
  for (const char* name : {"e", "d", "c", "b", "a"}) tmp_.MakeFile(name, 1);
  Scan();
  const DirectoryShow show = ShowDirectory(catalog_, 0, std::string_view("c"), 3);
  EXPECT_EQ(RowNames(show), (Names{"a", "b", "c"}));
  EXPECT_TRUE(show.truncated);
  EXPECT_EQ(show.selected->Name(), "c");
  EXPECT_FALSE(ShowDirectory(catalog_, 0, std::string_view("e"), 5).truncated);
  EXPECT_EQ(ShowDirectory(catalog_, 0, std::string_view("e"), 4).selected, nullptr);
}

// A name may hold a backslash on Linux: "a\b" and "a/b" have the same catalog path.
TEST_F(BrowseTest, ABackslashInANameNeverLeadsToAnotherDirectory) {
  tmp_.MakeFile("a/b/in-a-slash-b.txt", 1);
  tmp_.MakeFile("a\\b/in-a-backslash-b.txt", 1);
  Scan();
  const FileRecord* b = Entry(catalog_, "b", 1);
  ASSERT_NE(b, nullptr);
  DirectoryBrowser::Step step = browser_.OpenEntry(b, kLimit);
  EXPECT_EQ(RowNames(step.show), (Names{"in-a-slash-b.txt"}));
  step = browser_.OpenEntry(Entry(catalog_, "a\\b", 0), kLimit);
  EXPECT_EQ(RowNames(step.show), (Names{"in-a-backslash-b.txt"}));
  step = browser_.Parent(step.show.rows[0], kLimit);
  EXPECT_EQ(RowNames(step.show), (Names{"a", "a\\b"}));
  EXPECT_EQ(Selected(step), "a\\b");

  const FileRecord* results[] = {b};
  EXPECT_EQ(RowNames(browser_.ChangeTab(1, 0, results, {}, kLimit).step.show), (Names{"in-a-slash-b.txt"}));
}

// Paths of 255 bytes and more are written whole (in version 4); browsing goes by numbers.
TEST_F(BrowseTest, DirectoriesWithLongPathsAreFound) {
  const std::string longName(120, 'x');
  tmp_.MakeFile(longName + "/" + longName + "/" + longName + "/deep.txt", 1);
  Scan();
  catalog_.filePath = tmp_ / "long.mvl";
  ASSERT_TRUE(catalog_.Write());
  Catalog read;
  read.filePath = catalog_.filePath;
  ASSERT_TRUE(read.Read());
  ASSERT_EQ(read.dirs.Size(), 4);
  EXPECT_EQ(read.formatVersion, 4);
  EXPECT_EQ(read.dirs[3]->Path(), "\\" + longName + "\\" + longName + "\\" + longName);

  const FileRecord* third = Entry(read, longName, 2);
  DirectoryBrowser::Step step = browser_.OpenEntry(third, kLimit);
  EXPECT_EQ(RowNames(step.show), (Names{"deep.txt"}));
  step = browser_.Parent(step.show.rows[0], kLimit);
  EXPECT_EQ(step.show.dirNumber, 2);
  EXPECT_EQ(Selected(step), longName);

  const std::string typed = "/" + longName + "/" + longName + "/" + longName;
  EXPECT_EQ(FindDirectoryByPath(read, typed), 3);
  EXPECT_EQ(FindDirectoryByPath(read, typed + "/"), 3);
  EXPECT_EQ(FindDirectoryByPath(read, "\\"), 0);
  EXPECT_EQ(FindDirectoryByPath(read, "/nowhere"), -1);
}

TEST(Browse, CatalogsWithoutTheScanNumberingAreBrowsedByPath) {
  Catalog catalog;  // directory entries whose lengths name nothing useful
  catalog.AddDirectory("");
  catalog.AddDirectory("\\docs");
  catalog.AddDirectory("\\docs\\old");
  catalog.AddFile("docs", 0, -7, 0);
  catalog.AddFile("old", 0, -7, 1);
  catalog.AddFile("x.txt", 0, 1, 2);
  ASSERT_FALSE(catalog.KeepsDirectoryNumbering());
  DirectoryBrowser browser;
  DirectoryBrowser::Step step = browser.OpenEntry(catalog.files[1], kLimit);
  EXPECT_EQ(RowNames(step.show), (Names{"x.txt"}));
  step = browser.Parent(step.show.rows[0], kLimit);
  EXPECT_EQ(RowNames(step.show), (Names{"old"}));
  EXPECT_EQ(step.show.selected, catalog.files[1]);
  EXPECT_EQ(DirectoryOfEntryNumber(*catalog.files[0], true), 1);
  EXPECT_EQ(NormaliseCatalogPath("/docs/old/"), "\\docs\\old");
  EXPECT_EQ(NormaliseCatalogPath("/"), "");
}

TEST_F(BrowseTest, TheRememberedEntryIsForgottenWithItsRecordOrCatalog) {
  tmp_.MakeDir("docs");
  Scan();
  const FileRecord* docs = Entry(catalog_, "docs", 0);
  browser_.OpenEntry(docs, kLimit);
  browser_.RecordsRemoving(catalog_, std::span<const FileRecord* const>(&docs, 1));
  EXPECT_EQ(browser_.LastOpenedEntry(), nullptr);
  browser_.OpenEntry(docs, kLimit);
  Catalog other;
  browser_.CatalogRemoving(other);
  EXPECT_EQ(browser_.LastOpenedEntry(), docs);
  browser_.CatalogRemoving(catalog_);
  EXPECT_EQ(browser_.LastOpenedEntry(), nullptr);
}

TEST_F(BrowseTest, NativePathsComeFromTheEntryNames) {
  tmp_.MakeFile("a/b/one.txt", 1);
  tmp_.MakeFile("a\\b/two.txt", 1);
  tmp_.MakeFile("top.txt", 1);
  Scan();
  catalog_.volumeRoot = tmp_.Path() + "/";
  const FileRecord* one = Entry(catalog_, "one.txt", 3);
  const FileRecord* two = Entry(catalog_, "two.txt", 2);
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(NativeEntryPath(*one), tmp_ / "a/b/one.txt");
  EXPECT_EQ(NativeEntryPath(*two), tmp_ / "a\\b/two.txt");
  EXPECT_EQ(NativeEntryPath(*Entry(catalog_, "top.txt", 0)), tmp_ / "top.txt");
  // Shown paths: '/' between names, a name holding '\\' kept whole.
  EXPECT_EQ(ShownEntryPath(*one), "/a/b/one.txt");
  EXPECT_EQ(ShownEntryPath(*two), "/a\\b/two.txt");
  EXPECT_EQ(ShownDirectoryPath(catalog_, two->dirNumber), "/a\\b");
  EXPECT_EQ(ShownEntryPath(*Entry(catalog_, "top.txt", 0)), "/top.txt");
  EXPECT_EQ(ShownDirectoryPath(catalog_, 0), "");

  // Roots of another system, and catalogs without a volume root, name nothing here.
  catalog_.volumeRoot = "E:\\";
  EXPECT_EQ(NativeEntryPath(*one), std::nullopt);
  catalog_.volumeRoot = tmp_.Path() + "/";
  catalog_.formatVersion = 1;
  EXPECT_EQ(NativeEntryPath(*one), std::nullopt);
}

TEST(ShownPaths, ACatalogOfASubdirectoryOrWithoutTheScansNumberingShowsItsStoredPathsWithSlashes) {
  Catalog catalog;
  catalog.AddDirectory("\\photos\\2000");
  catalog.AddDirectory("\\photos\\2000\\beach");
  catalog.AddFile("beach", 0, -1, 0);
  catalog.AddFile("sand.jpg", 0, 5, 1);
  EXPECT_EQ(ShownEntryPath(*catalog.files[1]), "/photos/2000/beach/sand.jpg");
  EXPECT_EQ(ShownDirectoryPath(catalog, 0), "/photos/2000");
  // Directory entries that do not stand for their directories by number: the stored path.
  Catalog foreign;
  foreign.AddDirectory("");
  foreign.AddDirectory("\\docs\\old");
  foreign.AddFile("a.txt", 0, 1, 1);
  EXPECT_EQ(ShownEntryPath(*foreign.files[0]), "/docs/old/a.txt");
  EXPECT_EQ(ShownDirectoryPath(foreign, 7), "");
}

TEST(TabSteps, CtrlTabPassesOverADirectoryTabThatWouldNotOpen) {
  constexpr int32_t kSearch = 0, kDirectory = 1, kCatalog = 2;
  const struct {
    int32_t shown, step;
    size_t results, catalogs;
    int32_t next;
  } cases[] = {
      {kSearch, 1, 0, 0, kCatalog},    {kSearch, 1, 1, 0, kDirectory},   {kSearch, 1, 2, 1, kCatalog},
      {kCatalog, 1, 5, 1, kSearch},    {kCatalog, -1, 0, 1, kDirectory}, {kCatalog, -1, 1, 0, kSearch},
      {kDirectory, 1, 0, 0, kCatalog}, {kDirectory, -1, 0, 0, kSearch},  {kSearch, -1, 1, 1, kCatalog},
  };
  for (const auto& c : cases)
    EXPECT_EQ(NextTab(c.shown, c.step, c.results, c.catalogs), c.next)
        << c.shown << " " << c.step << " " << c.results << " " << c.catalogs;
}

}  // namespace
}  // namespace mardo
