#include "search/sort_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "search/row_order.h"
#include "search/row_texts.h"
#include "store/catalog.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

std::vector<std::string> Sorted(std::vector<const FileRecord*> rows, const SortState& state, bool dirsFirst) {
  SortRows(rows, state, dirsFirst);
  std::vector<std::string> names;
  for (const FileRecord* r : rows)
    names.push_back(std::string(r->Name()) + "@" + std::to_string(r->lastWriteTime));
  return names;
}

class RowSortTest : public testing::Test {
 protected:
  RowSortTest() {
    catalog_.volumeLabel = "V";
    catalog_.UpdateDisplayName();
    catalog_.AddDirectory("");
    catalog_.AddDirectory("\\big", 0, 900.0);
    catalog_.AddDirectory("\\small", 0, 10.0);
    rows_ = {catalog_.AddFile("b", 10, 5, 0), catalog_.AddFile("B", 20, 7, 0),
             catalog_.AddFile("a", 10, 9, 0), catalog_.AddFile("small", 30, -2, 0),
             catalog_.AddFile("big", 5, -1, 0)};
  }
  Catalog catalog_;
  std::vector<const FileRecord*> rows_;
};

TEST_F(RowSortTest, AFreshListSortsByNameThenNewestFirst) {
  const SortState state(ListKind::kResults);
  EXPECT_EQ(Sorted(rows_, state, false),
            (std::vector<std::string>{"a@10", "B@20", "b@10", "big@5", "small@30"}));
  EXPECT_EQ(Sorted(rows_, state, true),
            (std::vector<std::string>{"big@5", "small@30", "a@10", "B@20", "b@10"}));
}

TEST(PathSort, ThePathColumnSortsAsItShowsWithSlashes) {
  Catalog catalog;
  catalog.AddDirectory("");
  catalog.AddDirectory("\\a0");
  catalog.AddDirectory("\\a\\b");
  const std::vector<const FileRecord*> rows = {catalog.AddFile("x", 1, 1, 1), catalog.AddFile("y", 2, 1, 2)};
  SortState state(ListKind::kDirectory);
  state.OnColumnClick(3);  // Path, ascending: "/a/b" before "/a0", as '/' comes before '0'
  EXPECT_EQ(Sorted(rows, state, false), (std::vector<std::string>{"y@2", "x@1"}));
}

TEST_F(RowSortTest, ClicksReverseOrPromoteAColumn) {
  SortState state(ListKind::kResults);
  state.OnColumnClick(1);  // Date, newest first, names as tie-breaker
  EXPECT_EQ(Sorted(rows_, state, false),
            (std::vector<std::string>{"small@30", "B@20", "a@10", "b@10", "big@5"}));
  state.OnColumnClick(1);  // again: oldest first
  EXPECT_EQ(Sorted(rows_, state, false),
            (std::vector<std::string>{"big@5", "a@10", "b@10", "B@20", "small@30"}));

  SortState byName(ListKind::kResults);
  byName.OnColumnClick(0);  // Name is already first: descending now
  EXPECT_EQ(Sorted(rows_, byName, false).front(), "small@30");
}

TEST_F(RowSortTest, LengthPutsDirectoriesFirstInBothDirections) {
  SortState state(ListKind::kResults);
  state.OnColumnClick(2);  // Length, descending
  EXPECT_EQ(Sorted(rows_, state, false),
            (std::vector<std::string>{"big@5", "small@30", "a@10", "B@20", "b@10"}));
  state.OnColumnClick(2);  // ascending
  EXPECT_EQ(Sorted(rows_, state, false),
            (std::vector<std::string>{"small@30", "big@5", "b@10", "B@20", "a@10"}));
}

TEST(SortState, KeySlotsFollowTheLastClicks) {
  SortState state(ListKind::kResults);
  for (int column : {3, 4, 1, 0, 2}) state.OnColumnClick(column);  // Volume, Path, Date, Name, Length
  EXPECT_EQ(state.Keys()[0], 3);
  EXPECT_EQ(state.Keys()[1], 1);
  EXPECT_EQ(state.Keys()[2], 2);
  EXPECT_EQ(state.Keys()[3], 5);
  EXPECT_EQ(state.Keys()[4], 0);
  EXPECT_EQ(state.Direction(2), -1);  // promoting a column keeps its direction
}

TEST(CatalogRows, CellsAndOrder) {
  test::SetTimeZone("UTC0");
  Catalog known;
  known.volumeLabel = "DISK";
  known.catalogName = "Holiday";
  known.UpdateDisplayName();
  known.freeSpace = 1.390137f;
  known.serialNumber = 2147483648u;
  known.cataloguedTime = 973468800;
  known.filePath = "/cat/Holiday.mvl";
  known.AddDirectory("");
  known.AddFile("x", 0, 1, 0);
  EXPECT_EQ(CatalogCells(known, "%y-%m-%d %H:%M:%S"),
            (std::array<std::string, 7>{"Holiday", "00-11-06 00:00:00", "1.390", "1", "DISK", "2147483648",
                                        "/cat/Holiday.mvl"}));
  Catalog unknown;
  unknown.volumeLabel = "CD";
  unknown.UpdateDisplayName();
  unknown.serialNumber = 2147483647u;
  EXPECT_EQ(CatalogCells(unknown, "%y")[2], "---N/A---");

  SortState state(ListKind::kCatalog);
  state.OnColumnClick(2);  // Free (MB), descending: unknown last
  EXPECT_LT(CompareCatalogRows(&known, &unknown, state), 0);
  state.OnColumnClick(5);  // Serial number ascending, unsigned
  EXPECT_GT(CompareCatalogRows(&known, &unknown, state), 0);
  EXPECT_EQ(CompareCatalogRows(&known, nullptr, state), 0);
}

}  // namespace
}  // namespace mardo
