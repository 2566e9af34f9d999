#include "search/context_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/catalog.h"

namespace mardo {
namespace {

using Labels = std::vector<std::string>;

// The menu as its labels, a separator as "-".
Labels Show(const std::vector<MenuItem>& menu) {
  Labels labels;
  for (const MenuItem& item : menu) labels.push_back(item.IsSeparator() ? "-" : item.label);
  return labels;
}

class ContextMenuTest : public testing::Test {
 protected:
  void SetUp() override {
    catalog_.volumeRoot = "/media/usb/";
    catalog_.AddDirectory("");
    catalog_.AddDirectory("\\docs");
    dir_ = catalog_.AddFile("docs", 0, -1, 0);
    file_ = catalog_.AddFile("a.txt", 0, 5, 0);
  }
  Catalog catalog_;
  const FileRecord* dir_ = nullptr;
  const FileRecord* file_ = nullptr;
};

TEST_F(ContextMenuTest, MenusOfOneSelectedRowPerTab) {
  const Labels fileOpen = {"Open", "Open in New Window", "Explore parent directory", "-"};
  const Labels dirOpen = {"Open", "Explore", "-"};
  const Labels parent = {"Display parent directory", "-"};
  const Labels deleteFiles = {"Delete selected files", "-"};
  const std::string copy = "Copy selected rows to the clipboard";
  auto join = [](std::initializer_list<Labels> parts) {
    Labels all;
    for (const Labels& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };

  struct Case {
    FormTab tab;
    const FileRecord* file;
    const Catalog* catalog;
    bool expert;
    Labels expected;
  };
  const Case cases[] = {
      {FormTab::kSearch, file_, nullptr, false, join({fileOpen, {copy}})},
      {FormTab::kSearch, file_, nullptr, true, join({fileOpen, deleteFiles, {copy}})},
      {FormTab::kSearch, dir_, nullptr, false, join({dirOpen, {copy}})},
      {FormTab::kSearch, dir_, nullptr, true, join({dirOpen, deleteFiles, {copy}})},
      {FormTab::kDirectory, file_, nullptr, false, join({fileOpen, parent, {copy}})},
      {FormTab::kDirectory, file_, nullptr, true, join({fileOpen, parent, deleteFiles, {copy}})},
      {FormTab::kDirectory, dir_, nullptr, true, join({dirOpen, parent, deleteFiles, {copy}})},
      {FormTab::kCatalog, nullptr, &catalog_, false, {"Refresh", "Delete selected catalogs", "-", copy}},
      // Never "Delete selected files" on the Catalog tab.
      {FormTab::kCatalog, nullptr, &catalog_, true, {"Refresh", "Delete selected catalogs", "-", copy}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Show(BuildContextMenu(c.tab, 1, c.file, c.catalog, c.expert)), c.expected)
        << static_cast<int>(c.tab) << " expert " << c.expert;
  }
}

TEST_F(ContextMenuTest, CommandIdsGoWithTheirLabels) {
  const std::vector<MenuItem> menu = BuildContextMenu(FormTab::kDirectory, 1, dir_, nullptr, true);
  std::vector<int32_t> ids;
  for (const MenuItem& item : menu) ids.push_back(item.command);
  EXPECT_EQ(ids, (std::vector<int32_t>{32774, 32775, 0, 32772, 0, 32780, 0, 32771}));
  EXPECT_EQ(menu[1], (MenuItem{command::kOpenInNewWindow, "Explore"}));

  const std::vector<MenuItem> files = BuildContextMenu(FormTab::kSearch, 1, file_, nullptr, false);
  EXPECT_EQ(files[2], (MenuItem{command::kExploreParent, "Explore parent directory"}));
  const std::vector<MenuItem> catalogs = BuildContextMenu(FormTab::kCatalog, 1, nullptr, &catalog_, false);
  EXPECT_EQ(catalogs[0].command, command::kRefresh);
  EXPECT_EQ(catalogs[1].command, command::kDeleteSelectedCatalogs);
}

TEST_F(ContextMenuTest, NoOpenOrRefreshItemsWithoutOneFocusedRowOfARecentCatalog) {
  const Labels searchRest = {"Copy selected rows to the clipboard"};
  const Labels directoryRest = {"Display parent directory", "-", "Copy selected rows to the clipboard"};
  const Labels catalogRest = {"Delete selected catalogs", "-", "Copy selected rows to the clipboard"};
  // Two rows selected, one of them focused; none selected; no focused row.
  EXPECT_EQ(Show(BuildContextMenu(FormTab::kSearch, 2, file_, nullptr, false)), searchRest);
  EXPECT_EQ(Show(BuildContextMenu(FormTab::kSearch, 0, file_, nullptr, false)), searchRest);
  EXPECT_EQ(Show(BuildContextMenu(FormTab::kDirectory, 1, nullptr, nullptr, false)), directoryRest);
  EXPECT_EQ(Show(BuildContextMenu(FormTab::kCatalog, 2, nullptr, &catalog_, false)), catalogRest);
  EXPECT_EQ(Show(BuildContextMenu(FormTab::kCatalog, 1, nullptr, nullptr, false)), catalogRest);

  // Catalogs older than version 2 record no volume root: nothing to open or refresh.
  catalog_.formatVersion = 1;
  EXPECT_EQ(Show(BuildContextMenu(FormTab::kSearch, 1, file_, nullptr, false)), searchRest);
  EXPECT_EQ(Show(BuildContextMenu(FormTab::kDirectory, 1, dir_, nullptr, false)), directoryRest);
  EXPECT_EQ(Show(BuildContextMenu(FormTab::kCatalog, 1, nullptr, &catalog_, false)), catalogRest);
  catalog_.formatVersion = 2;
  EXPECT_EQ(Show(BuildContextMenu(FormTab::kCatalog, 1, nullptr, &catalog_, false))[0], "Refresh");
}

TEST(MenuLabel, StringTableTextCutAtItsFirstLineFeed) {
  EXPECT_EQ(CommandText(command::kCopySelectedRows),
            "Copy selected rows to the clipboard\nCopy to clipboard");
  EXPECT_EQ(CommandText(command::kDeleteSelectedCatalogs), "Delete selected catalogs\nDelete ");
  EXPECT_EQ(CommandLabel(command::kCopySelectedRows), "Copy selected rows to the clipboard");
  EXPECT_EQ(CommandLabel(command::kDeleteSelectedCatalogs), "Delete selected catalogs");
  EXPECT_EQ(CommandLabel(command::kExplore), "Explore");
  EXPECT_EQ(CommandLabel(12345), "");
  EXPECT_EQ(MenuLabel("a\nb\nc"), "a");
  EXPECT_EQ(MenuLabel("\nx"), "");

  // At most 256 bytes, and a character of several bytes stays whole or goes.
  EXPECT_EQ(MenuLabel(std::string(300, 'x')), std::string(256, 'x'));
  const std::string umlauts = std::string(255, 'x') + "\xC3\xA4\xC3\xA4";
  EXPECT_EQ(MenuLabel(umlauts), std::string(255, 'x'));
}

TEST(CommandEnabled, CopyAndDeleteCatalogsNeedASelectedRow) {
  EXPECT_FALSE(CommandEnabled(command::kCopySelectedRows, 0));
  EXPECT_TRUE(CommandEnabled(command::kCopySelectedRows, 1));
  EXPECT_FALSE(CommandEnabled(command::kDeleteSelectedCatalogs, 0));
  EXPECT_TRUE(CommandEnabled(command::kDeleteSelectedCatalogs, 3));
  EXPECT_TRUE(CommandEnabled(command::kOpen, 0));
  EXPECT_TRUE(CommandEnabled(command::kSelectAll, 0));
}

}  // namespace
}  // namespace mardo
