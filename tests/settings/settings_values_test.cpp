#include "settings/settings_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/app_texts.h"
#include "settings/history_list.h"
#include "settings/history_view.h"
#include "settings/memory_settings_store.h"

namespace mardo {
namespace {

using Strings = std::vector<std::string>;
using Widths = std::vector<int32_t>;

// A store that also records every write, as "section/name=value", in order.
class RecordingStore : public MemorySettingsStore {
 public:
  void WriteString(std::string_view section, std::string_view name, std::string_view value) override {
    writes.push_back(std::string(section) + "/" + std::string(name) + "=" + std::string(value));
    MemorySettingsStore::WriteString(section, name, value);
  }
  Strings writes;
};

class ItemList : public HistoryView {
 public:
  void InsertItem(int32_t index, std::string_view text) override {
    items.insert(items.begin() + index, std::string(text));
  }
  void DeleteItem(int32_t index) override { items.erase(items.begin() + index); }
  void AddItem(std::string_view text) override { items.emplace_back(text); }
  void SelectItem(int32_t index) override { selected = index; }
  Strings items;
  int32_t selected = -1;
};

Widths TableWidths(ListKind list) {
  Widths widths;
  for (const ColumnDef& c : ColumnsOf(list)) widths.push_back(c.width);
  return widths;
}

int32_t HitLimitFrom(const char* stored) {
  MemorySettingsStore store;
  store.WriteString("Settings", "MaxHits", stored);
  return ReadHitLimit(store);
}

int32_t DirsFirstFrom(const char* stored) {
  MemorySettingsStore store;
  store.WriteString("Settings", "TopDirs", stored);
  return ReadDirsFirst(store);
}

TEST(SettingsValuesTest, HitLimitOutOfRangeBecomes2560AndAbsentIs512) {
  EXPECT_EQ(ReadHitLimit(MemorySettingsStore()), 512);
  EXPECT_EQ(HitLimitFrom("0"), 2560);
  EXPECT_EQ(HitLimitFrom("-4"), 2560);
  EXPECT_EQ(HitLimitFrom("5121"), 2560);
  EXPECT_EQ(HitLimitFrom("6000"), 2560);
  EXPECT_EQ(HitLimitFrom("99999999999"), 2560);
  EXPECT_EQ(HitLimitFrom("1"), 1);
  EXPECT_EQ(HitLimitFrom("5120"), 5120);
  // Not a number counts as absent.
  EXPECT_EQ(HitLimitFrom("many"), 512);
  EXPECT_EQ(HitLimitFrom(""), 512);
  EXPECT_EQ(HitLimitFrom("100x"), 512);
}

TEST(SettingsValuesTest, DirsFirstIsZeroOnlyWhenStoredAsZero) {
  EXPECT_EQ(ReadDirsFirst(MemorySettingsStore()), 1);
  EXPECT_EQ(DirsFirstFrom("0"), 0);
  EXPECT_EQ(DirsFirstFrom("1"), 1);
  EXPECT_EQ(DirsFirstFrom("2"), 1);
  EXPECT_EQ(DirsFirstFrom("-1"), 1);
  EXPECT_EQ(DirsFirstFrom("no"), 1);
}

TEST(SettingsValuesTest, MissingOrEmptyFormatsTakeTheirDefaultsAndAreWrittenBack) {
  RecordingStore store;
  const DateFormats formats = ReadDateFormats(store);
  EXPECT_EQ(formats.result, "%y-%m-%d");
  EXPECT_EQ(formats.dir, "%y-%m-%d %H:%M:%S");
  EXPECT_EQ(formats.catalog, "%y-%m-%d %H:%M:%S");
  EXPECT_EQ(store.writes, (Strings{"Format/Result=%y-%m-%d", "Format/Dir=%y-%m-%d %H:%M:%S",
                                   "Format/Catalog=%y-%m-%d %H:%M:%S"}));

  RecordingStore edited;
  edited.WriteString("Format", "Result", "%d.%m.%Y");
  edited.WriteString("Format", "Dir", "");
  edited.WriteString("Format", "Catalog", "%c");
  edited.writes.clear();
  const DateFormats kept = ReadDateFormats(edited);
  EXPECT_EQ(kept.result, "%d.%m.%Y");
  EXPECT_EQ(kept.dir, "%y-%m-%d %H:%M:%S");
  EXPECT_EQ(kept.catalog, "%c");
  EXPECT_EQ(edited.writes, (Strings{"Format/Dir=%y-%m-%d %H:%M:%S"}));
}

TEST(SettingsValuesTest, StoredColumnWidthsReplaceTheDefaultsAsFarAsTheyParse) {
  const Widths defaults = TableWidths(ListKind::kResults);
  ASSERT_EQ(defaults.size(), 5u);
  MemorySettingsStore store;
  EXPECT_EQ(ReadColumnWidths(store, ListKind::kResults), defaults);

  store.WriteString("Settings", "ColumnWidthResult", "250,80");
  EXPECT_EQ(ReadColumnWidths(store, ListKind::kResults),
            (Widths{250, 80, defaults[2], defaults[3], defaults[4]}));

  store.WriteString("Settings", "ColumnWidthResult", "0x64,010");
  EXPECT_EQ(ReadColumnWidths(store, ListKind::kResults),
            (Widths{100, 8, defaults[2], defaults[3], defaults[4]}));

  store.WriteString("Settings", "ColumnWidthResult", "wide,80");
  EXPECT_EQ(ReadColumnWidths(store, ListKind::kResults), defaults);

  // scanf skips blanks before a number, never before the comma.
  store.WriteString("Settings", "ColumnWidthResult", "250, 80 ,90");
  EXPECT_EQ(ReadColumnWidths(store, ListKind::kResults),
            (Widths{250, 80, defaults[2], defaults[3], defaults[4]}));

  // No range check.
  store.WriteString("Settings", "ColumnWidthResult", "-5,0");
  EXPECT_EQ(ReadColumnWidths(store, ListKind::kResults),
            (Widths{-5, 0, defaults[2], defaults[3], defaults[4]}));

  store.WriteString("Settings", "ColumnWidthResult", "1,2,3,4,5,6,7");
  EXPECT_EQ(ReadColumnWidths(store, ListKind::kResults), (Widths{1, 2, 3, 4, 5}));
}

TEST(SettingsValuesTest, TheCatalogFileNameColumnKeepsItsDefaultWidth) {
  const Widths defaults = TableWidths(ListKind::kCatalog);
  ASSERT_EQ(defaults.size(), 7u);
  MemorySettingsStore store;
  store.WriteString("Settings", "ColumnWidthCatalog", "1,2,3,4,5,6,7,8");
  EXPECT_EQ(ReadColumnWidths(store, ListKind::kCatalog), (Widths{1, 2, 3, 4, 5, 6, defaults[6]}));

  WriteColumnWidths(store, ListKind::kCatalog, Widths{10, 20, 30, 40, 50, 60, 70});
  EXPECT_EQ(store.ReadString("Settings", "ColumnWidthCatalog"), "10,20,30,40,50,60");

  store.WriteString("Settings", "ColumnWidthDirectory", "1,2,3,4,5");
  EXPECT_EQ(ReadColumnWidths(store, ListKind::kDirectory), (Widths{1, 2, 3, 4}));
}

TEST(SettingsValuesTest, WindowPositionNeedsAllTenNumbers) {
  EXPECT_FALSE(ParseWindowPlacement("0,1,-1,-1,-1,-1,10,20,810"));
  EXPECT_FALSE(ParseWindowPlacement("0,1,-1,-1,-1,-1,10,20,810,"));
  EXPECT_FALSE(ParseWindowPlacement("0,1,-1,-1,-1,-1,10,x,810,620"));
  EXPECT_FALSE(ParseWindowPlacement(""));

  const std::optional<WindowPlacement> p = ParseWindowPlacement("2,3,-1,-1,-8,-8,10,20,810,620");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->flags, 2u);
  EXPECT_EQ(p->showCommand, 3u);
  EXPECT_EQ(p->maximizedX, -8);
  // A window closed maximized comes back in its normal rectangle.
  EXPECT_EQ(RestoredGeometry(*p), (WindowGeometry{10, 20, 800, 600}));

  MemorySettingsStore store;
  EXPECT_FALSE(ReadWindowPlacement(store));
  store.WriteString("Settings", "WindowPos", "0,1,-1,-1,-1,-1,10,20,810");
  EXPECT_FALSE(ReadWindowPlacement(store));
}

TEST(SettingsValuesTest, WindowPositionSurvivesFormatAndParse) {
  WindowPlacement p;
  p.flags = 4294967295u;
  p.showCommand = 1;
  p.minimizedX = -32000;
  p.minimizedY = -32000;
  p.maximizedX = -1;
  p.maximizedY = 0;
  p.left = -1920;
  p.top = 5;
  p.right = 2147483647;
  p.bottom = -2147483647 - 1;
  EXPECT_EQ(FormatWindowPlacement(p), "4294967295,1,-32000,-32000,-1,0,-1920,5,2147483647,-2147483648");
  EXPECT_EQ(ParseWindowPlacement(FormatWindowPlacement(p)), p);

  MemorySettingsStore store;
  WriteWindowPlacement(store, p);
  EXPECT_EQ(ReadWindowPlacement(store), p);
}

TEST(SettingsValuesTest, ARectangleWithoutAreaOrBeyondThirtyTwoBitsIsNotRestored) {
  WindowPlacement p;
  p.left = 100;
  p.right = 100;
  p.top = 0;
  p.bottom = 50;
  EXPECT_FALSE(RestoredGeometry(p));
  p.right = 40;
  EXPECT_FALSE(RestoredGeometry(p));
  p.left = -2147483647 - 1;
  p.right = 2147483647;
  EXPECT_FALSE(RestoredGeometry(p));
  p.left = -10;
  p.right = 2147483637;
  EXPECT_EQ(RestoredGeometry(p), (WindowGeometry{-10, 0, 2147483647, 50}));
}

TEST(SettingsValuesTest, AFirstRunShowsTheDefaultsAndKeepsThemForTheNext) {
  RecordingStore store;
  const FormSettings values = ReadFormSettings(store);
  EXPECT_EQ(values.hitLimit, 512);
  EXPECT_EQ(values.dirsFirst, 1);
  EXPECT_EQ(values.catalogWidths, TableWidths(ListKind::kCatalog));

  HistoryList patterns(settings::kPatternsSection, settings::kPatternsCapacity);
  HistoryList ignored(settings::kIgnoredSection, settings::kIgnoredCapacity);
  HistoryList directories(settings::kDirectoriesSection, settings::kDirectoriesCapacity);
  ItemList patternBox, ignoreBox, rootBox;
  LoadFormHistories(store, patterns, &patternBox, ignored, &ignoreBox, directories, &rootBox);
  EXPECT_TRUE(patternBox.items.empty());
  EXPECT_EQ(ignoreBox.items, (Strings{"*.tmp; \\tmp; \\Temp*"}));
  EXPECT_EQ(ignoreBox.selected, 0);
  EXPECT_EQ(rootBox.items, (Strings{""}));

  patterns.Add("beach", 0, &patternBox);
  store.writes.clear();
  const ClosingSettings closing{2560, 0, values.resultWidths, values.directoryWidths, values.catalogWidths};
  SaveAtClosing(store, closing, patterns, ignored, directories);
  EXPECT_EQ(store.writes, (Strings{"Settings/MaxHits=2560", "Settings/TopDirs=0",
                                   "Settings/ColumnWidthResult=200,75,75,100,400",
                                   "Settings/ColumnWidthDirectory=210,120,75,320",
                                   "Settings/ColumnWidthCatalog=135,120,100,60,164,110", "Patterns/0=0,beach",
                                   "Directories/0=0,"}));

  // The next start finds everything again, the empty root directory first and only once.
  const FormSettings next = ReadFormSettings(store);
  EXPECT_EQ(next.hitLimit, 2560);
  EXPECT_EQ(next.dirsFirst, 0);
  HistoryList directoriesAgain(settings::kDirectoriesSection, settings::kDirectoriesCapacity);
  HistoryList patternsAgain(settings::kPatternsSection, settings::kPatternsCapacity);
  HistoryList ignoredAgain(settings::kIgnoredSection, settings::kIgnoredCapacity);
  ItemList rootBoxAgain, patternBoxAgain;
  LoadFormHistories(store, patternsAgain, &patternBoxAgain, ignoredAgain, nullptr, directoriesAgain,
                    &rootBoxAgain);
  EXPECT_EQ(rootBoxAgain.items, (Strings{""}));
  EXPECT_EQ(patternBoxAgain.items, (Strings{"beach"}));
  EXPECT_EQ(patternBoxAgain.selected, 0);
}

TEST(SettingsValuesTest, IntegersAreKeptAsDecimalText) {
  MemorySettingsStore store;
  store.WriteInt("Settings", "MaxHits", -7);
  EXPECT_EQ(store.ReadString("Settings", "MaxHits"), "-7");
  EXPECT_EQ(store.ReadInt("Settings", "MaxHits"), -7);
  EXPECT_FALSE(store.ReadInt("Settings", "TopDirs"));
}

TEST(AppTextsTest, TheTipsTextEndsEveryLineWithCrLfAndAnEmptyLine) {
  const std::string_view tips = texts::kTipsText;
  for (size_t i = 0; i < tips.size(); ++i) {
    if (tips[i] == '\n') {
      EXPECT_TRUE(i > 0 && tips[i - 1] == '\r') << i;
    }
    if (tips[i] == '\r') {
      EXPECT_TRUE(i + 1 < tips.size() && tips[i + 1] == '\n') << i;
    }
  }
  EXPECT_TRUE(tips.starts_with("Mardo is a simple media cataloging tool, quite good usable for 200,000\r\n"));
  EXPECT_TRUE(tips.ends_with("Catalogs from StartIn directory are always read.\r\n\r\n"));
  EXPECT_NE(tips.find("-dir \"dir1,dir2,...,dirn\" to read catalogs\r\n"), std::string_view::npos);
  EXPECT_NE(tips.find("   *.tmp; *.jbf; \\Temp*; (the last one"), std::string_view::npos);
}

}  // namespace
}  // namespace mardo
