#include "settings/history_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/app_texts.h"
#include "settings/history_view.h"
#include "settings/memory_settings_store.h"

namespace mardo {
namespace {

// A combo box's list that records every call and keeps the items it would show.
class RecordingView : public HistoryView {
 public:
  void InsertItem(int32_t index, std::string_view text) override {
    calls.push_back("insert " + std::to_string(index) + " " + std::string(text));
    items.insert(items.begin() + index, std::string(text));
  }
  void DeleteItem(int32_t index) override {
    calls.push_back("delete " + std::to_string(index));
    items.erase(items.begin() + index);
  }
  void AddItem(std::string_view text) override {
    calls.push_back("add " + std::string(text));
    items.emplace_back(text);
  }
  void SelectItem(int32_t index) override {
    calls.push_back("select " + std::to_string(index));
    selected = index;
  }

  std::vector<std::string> calls;
  std::vector<std::string> items;
  int32_t selected = -1;
};

std::vector<std::string> Texts(const HistoryList& list) {
  std::vector<std::string> texts;
  for (const HistoryList::Entry& e : list.Entries()) texts.push_back(e.text);
  return texts;
}

using Strings = std::vector<std::string>;

TEST(HistoryListTest, CapacityOutsideOneToSixteenBecomesEight) {
  EXPECT_EQ(HistoryList("A", 1).Capacity(), 1);
  EXPECT_EQ(HistoryList("A", 16).Capacity(), 16);
  EXPECT_EQ(HistoryList("A", 0).Capacity(), 8);
  EXPECT_EQ(HistoryList("A", 17).Capacity(), 8);
  EXPECT_EQ(HistoryList("A", -3).Capacity(), 8);
}

TEST(HistoryListTest, NewTextsEnterAtTheFrontAndAFullListDropsItsOldest) {
  HistoryList list(settings::kDirectoriesSection, settings::kDirectoriesCapacity);
  RecordingView view;
  for (int i = 1; i <= 8; ++i) list.Add("d" + std::to_string(i), 0, &view);
  EXPECT_EQ(Texts(list), (Strings{"d8", "d7", "d6", "d5", "d4", "d3", "d2", "d1"}));
  EXPECT_EQ(view.items, Texts(list));

  view.calls.clear();
  list.Add("d9", 0, &view);
  EXPECT_EQ(Texts(list), (Strings{"d9", "d8", "d7", "d6", "d5", "d4", "d3", "d2"}));
  // The oldest item goes, the new one enters first; the selection stays where it was.
  EXPECT_EQ(view.calls, (Strings{"delete 7", "insert 0 d9"}));
  EXPECT_EQ(view.items, Texts(list));
  EXPECT_EQ(view.selected, -1);
}

TEST(HistoryListTest, AFullListKeepsTheDefaultTextBelowItsEntries) {
  MemorySettingsStore store;
  HistoryList list(settings::kIgnoredSection, settings::kIgnoredCapacity);
  RecordingView view;
  list.Load(store, &view, settings::kDefaultIgnored);
  for (int i = 1; i <= 9; ++i) list.Add("p" + std::to_string(i), 0, &view);
  ASSERT_EQ(view.items.size(), 9u);
  EXPECT_EQ(view.items.front(), "p9");
  EXPECT_EQ(view.items[7], "p2");
  EXPECT_EQ(view.items.back(), settings::kDefaultIgnored);
}

TEST(HistoryListTest, AKnownTextFurtherDownMovesToTheTopAndIsSelected) {
  HistoryList list("Patterns", 16);
  RecordingView view;
  list.Add("a", 0, &view);
  list.Add("b", 0, &view);
  list.Add("c", 0, &view);
  list.Add("d", 0, &view);
  ASSERT_EQ(Texts(list), (Strings{"d", "c", "b", "a"}));

  view.calls.clear();
  list.Add("b", 7, &view);
  EXPECT_EQ(Texts(list), (Strings{"b", "d", "c", "a"}));
  EXPECT_EQ(list.Entries().front().value, 7);
  EXPECT_EQ(view.calls, (Strings{"delete 2", "insert 0 b", "select 0"}));
  EXPECT_EQ(view.items, Texts(list));
}

TEST(HistoryListTest, TheFirstTextAddedAgainOnlyTakesTheNewValue) {
  HistoryList list("Patterns", 16);
  RecordingView view;
  list.Add("b", 0, &view);
  list.Add("a", 0, &view);
  view.calls.clear();
  list.Add("a", 42, &view);
  EXPECT_EQ(Texts(list), (Strings{"a", "b"}));
  EXPECT_EQ(list.Entries().front().value, 42);
  EXPECT_TRUE(view.calls.empty());
}

TEST(HistoryListTest, TextsDifferingInCaseAreTwoEntries) {
  HistoryList list("Patterns", 16);
  list.Add("Photos", 0, nullptr);
  list.Add("photos", 0, nullptr);
  EXPECT_EQ(Texts(list), (Strings{"photos", "Photos"}));
}

TEST(HistoryListTest, TheEmptyTextIsATextLikeAnyOther) {
  HistoryList list("Directories", 8);
  RecordingView view;
  list.Add("", 0, &view);
  list.Add("/media/usb", 0, &view);
  EXPECT_EQ(Texts(list), (Strings{"/media/usb", ""}));
  view.calls.clear();
  list.Add("", 0, &view);
  EXPECT_EQ(Texts(list), (Strings{"", "/media/usb"}));
  EXPECT_EQ(view.calls, (Strings{"delete 1", "insert 0 ", "select 0"}));
}

TEST(HistoryListTest, StoredStringsGiveValueAndText) {
  MemorySettingsStore store;
  store.WriteString("Patterns", "0", "5,a,b");
  store.WriteString("Patterns", "1", "abc");
  store.WriteString("Patterns", "2", " -12junk,x");
  store.WriteString("Patterns", "3", "x,y");
  store.WriteString("Patterns", "4", ",");
  HistoryList list("Patterns", 16);
  RecordingView view;
  EXPECT_EQ(list.Load(store, &view), 5);
  ASSERT_EQ(list.Entries().size(), 5u);
  EXPECT_EQ(list.Entries()[0].text, "a,b");
  EXPECT_EQ(list.Entries()[1].text, "abc");
  EXPECT_EQ(list.Entries()[1].value, 0);
  EXPECT_EQ(list.Entries()[2].text, "x");
  EXPECT_EQ(list.Entries()[2].value, -12);
  EXPECT_EQ(list.Entries()[3].text, "y");
  EXPECT_EQ(list.Entries()[3].value, 0);
  EXPECT_EQ(list.Entries()[4].text, "");
  EXPECT_EQ(view.calls, (Strings{"add a,b", "add abc", "add x", "add y", "add ", "select 0"}));
}

TEST(HistoryListTest, LoadStopsAtTheFirstMissingOrEmptyValue) {
  MemorySettingsStore store;
  store.WriteString("Patterns", "0", "0,a");
  store.WriteString("Patterns", "1", "0,b");
  store.WriteString("Patterns", "3", "0,d");
  HistoryList list("Patterns", 16);
  list.Load(store, nullptr);
  EXPECT_EQ(Texts(list), (Strings{"a", "b"}));

  store.WriteString("Patterns", "2", "0,c");
  store.WriteString("Patterns", "1", "");
  list.Load(store, nullptr);
  EXPECT_EQ(Texts(list), (Strings{"a"}));
}

TEST(HistoryListTest, LoadReadsNoMoreThanTheCapacityAndReplacesWhatWasThere) {
  MemorySettingsStore store;
  for (int i = 0; i < 12; ++i) store.WriteString("Ignored", std::to_string(i), "0,t" + std::to_string(i));
  HistoryList list("Ignored", 8);
  list.Add("old", 0, nullptr);
  list.Load(store, nullptr);
  list.Load(store, nullptr);
  ASSERT_EQ(list.Entries().size(), 8u);
  EXPECT_EQ(list.Entries().back().text, "t7");
}

TEST(HistoryListTest, TheDefaultTextFillsOnlyAnEmptyBoxAndIsNoEntry) {
  MemorySettingsStore store;
  HistoryList ignored("Ignored", 8);
  RecordingView view;
  EXPECT_EQ(ignored.Load(store, &view, settings::kDefaultIgnored), 0);
  EXPECT_TRUE(ignored.Entries().empty());
  EXPECT_EQ(view.calls, (Strings{"add *.tmp; \\tmp; \\Temp*", "select 0"}));
  ignored.Save(store);
  EXPECT_EQ(store.Size(), 0u);

  store.WriteString("Ignored", "0", "0,*.bak");
  RecordingView second;
  ignored.Load(store, &second, settings::kDefaultIgnored);
  EXPECT_EQ(second.calls, (Strings{"add *.bak", "select 0"}));

  MemorySettingsStore empty;
  HistoryList patterns("Patterns", 16);
  RecordingView third;
  patterns.Load(empty, &third);
  EXPECT_TRUE(third.calls.empty());
}

TEST(HistoryListTest, SaveWritesValueAndTextAndLeavesLaterNamesAlone) {
  MemorySettingsStore store;
  store.WriteString("Patterns", "0", "0,a");
  store.WriteString("Patterns", "1", "");
  store.WriteString("Patterns", "2", "0,stale");
  HistoryList list("Patterns", 16);
  list.Load(store, nullptr);
  list.Add("x,y", 7, nullptr);
  list.Save(store);
  EXPECT_EQ(store.ReadString("Patterns", "0"), "7,x,y");
  EXPECT_EQ(store.ReadString("Patterns", "1"), "0,a");
  EXPECT_EQ(store.ReadString("Patterns", "2"), "0,stale");

  HistoryList again("Patterns", 16);
  EXPECT_EQ(again.Load(store, nullptr), 7);
  EXPECT_EQ(Texts(again), (Strings{"x,y", "a", "stale"}));
}

}  // namespace
}  // namespace mardo
