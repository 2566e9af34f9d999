#include "search/search_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "base/text_compare.h"
#include "search/grouping.h"
#include "search/name_pattern.h"
#include "search/row_texts.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

struct Entry {
  std::string name;
  int64_t length;
  int64_t time = 0;
  int32_t dir = 0;
};

class SearchTest : public testing::Test {
 protected:
  SearchTest() : library_({}, tmp_.Path()) {}
  void SetUp() override { test::SetTimeZone("UTC0"); }

  // Adds a catalog with directories "" and "\d" (1 file, 100 bytes in all) and these entries.
  Catalog* AddCatalog(const std::string& label, const std::vector<Entry>& entries, int16_t version = 3) {
    auto catalog = std::make_unique<Catalog>();
    catalog->volumeLabel = label;
    catalog->AddDirectory("", 1, 13107200.0);
    catalog->AddDirectory("\\d", 1, 13107200.0);
    for (const Entry& e : entries) catalog->AddFile(e.name, e.time, e.length, e.dir);
    Catalog* added = catalog.get();
    library_.AddCatalog(catalog);
    added->formatVersion = version;
    return added;
  }

  SearchResult Search(SearchInputs inputs, const SearchScope& scope = {}) {
    const SearchRequest request = BuildSearchConditions(inputs, 0);
    EXPECT_TRUE(request.ok);
    return RunSearch(request.conditions, library_, scope);
  }

  static std::vector<std::string> Names(const SearchResult& result) {
    std::vector<std::string> names;
    for (const FileRecord* r : result.hits) names.emplace_back(r->Name());
    return names;
  }

  test::TempDir tmp_;
  CatalogLibrary library_;
};

SearchInputs Pattern(const std::string& text, int32_t hitLimit = 512) {
  SearchInputs inputs;
  inputs.patternText = text;
  inputs.hitLimit = hitLimit;
  return inputs;
}

SearchInputs Mode(int32_t mode, int32_t lengthOperator = 0, const std::string& length = {}) {
  SearchInputs inputs;
  inputs.mode = mode;
  inputs.lengthOperator = lengthOperator;
  inputs.lengthText = length;
  return inputs;
}

TEST_F(SearchTest, TheHitLimitCountsInScanOrder) {
  std::vector<Entry> ten;
  for (int i = 0; i < 10; ++i) ten.push_back({"hit" + std::to_string(i), i});
  AddCatalog("A", ten);
  SearchResult r = Search(Pattern("hit", 3));
  EXPECT_EQ(Names(r), (std::vector<std::string>{"hit0", "hit1", "hit2"}));
  EXPECT_EQ(r.CountText(), ">3");
  r = Search(Pattern("hit|", 3));
  EXPECT_TRUE(r.hits.empty());
  EXPECT_EQ(r.CountText(), "0");
  r = Search(Pattern("|hit[", 3));
  EXPECT_EQ(r.CountText(), "0");
  AddCatalog("B", {{"exact1", 1}, {"exact2", 2}, {"exact3", 3}});
  r = Search(Pattern("exact", 3));
  EXPECT_EQ(r.count, 3);
  EXPECT_EQ(r.CountText(), ">3");  // exactly the limit qualified
  r = Search(Pattern("exact", 4));
  EXPECT_EQ(r.CountText(), "3");
  r = Search(Pattern("exact|", 3));
  EXPECT_EQ(r.CountText(), "0");
  r = Search(Pattern("exact1", 3));
  EXPECT_EQ(r.CountText(), "1");
}

TEST_F(SearchTest, InactivePatternsListEverythingUpToTheLimit) {
  AddCatalog("A", {{"a", 1}, {"b", 2}, {"d", -1}});
  EXPECT_EQ(Names(Search(Pattern("*"))), (std::vector<std::string>{"a", "b", "d"}));
  EXPECT_EQ(Names(Search(Pattern("|*|", 2))), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(Search(Pattern("|")).hits.empty());  // only an empty name could match
}

TEST_F(SearchTest, LengthThenDateThenName) {
  AddCatalog("A",
             {{"old.txt", 10, 100}, {"new.txt", 10, 5000000}, {"dir", -1, 5000000}, {"nil", 0, 5000000}});
  SearchInputs inputs = Pattern("t");
  inputs.dateOperator = 5;  // ">" 1970-01-01
  inputs.dateText = "700101";
  EXPECT_EQ(Names(Search(inputs)), (std::vector<std::string>{"new.txt"}));
  SearchInputs dirs = Mode(0, 1, "0");  // "<" 0: directory entries only
  EXPECT_EQ(Names(Search(dirs)), (std::vector<std::string>{"dir"}));
  SearchInputs empty = Mode(0, 3, "0");  // "=" 0: empty files only
  EXPECT_EQ(Names(Search(empty)), (std::vector<std::string>{"nil"}));
}

TEST_F(SearchTest, DuplicatesShareNameAndLength) {
  AddCatalog("A", {{"a.txt", 100}, {"A.TXT", 100}, {"a.txt", 99}, {"sub", -1}, {"solo", 5}});
  AddCatalog("B", {{"a.txt", 100}, {"SUB", -1}, {"other", 5}});
  SearchResult r = Search(Mode(1));
  EXPECT_EQ(r.count, 3);
  for (const FileRecord* hit : r.hits) EXPECT_EQ(hit->length, 100);
  EXPECT_EQ(r.CountText(), "3");
  EXPECT_TRUE(r.grouping);

  r = Search(Mode(2));  // Same names: the 99-byte a.txt joins in, directories still not
  EXPECT_EQ(r.count, 4);
  r = Search(Mode(1, 1, "0"));  // "<" 0: directory entries, by name and (negative) length
  EXPECT_EQ(Names(r), (std::vector<std::string>{"sub", "SUB"}));
  EXPECT_EQ(LengthCell(*r.hits[0], r.grouping), "Directory");
}

TEST_F(SearchTest, LengthsAndTimesBeyond32BitsAreComparedWhole) {
  constexpr int64_t k5GiB = int64_t{5} << 30;
  constexpr int64_t k2040 = 2208988800;  // 2040-01-01 00:00:00 UTC
  // 9 GiB has the low 32 bits of 5 GiB.
  AddCatalog("A", {{"film.mkv", k5GiB, k2040}, {"FILM.MKV", k5GiB + (int64_t{1} << 32)}, {"small", 1, 0}});
  AddCatalog("B", {{"film.mkv", k5GiB}});
  SearchResult r = Search(Mode(1));
  ASSERT_EQ(r.count, 2);
  for (const FileRecord* hit : r.hits) EXPECT_EQ(hit->length, k5GiB);
  SearchInputs big = Mode(0, 5, "4294967296");  // ">" 4 GiB
  EXPECT_EQ(Names(Search(big)), (std::vector<std::string>{"film.mkv", "FILM.MKV", "film.mkv"}));
  big.lengthText = "9663676416";  // "=" 9 GiB
  big.lengthOperator = 3;
  EXPECT_EQ(Names(Search(big)), (std::vector<std::string>{"FILM.MKV"}));
  SearchInputs later = Pattern("film");
  later.dateOperator = 4;  // ">=" 2040-01-01
  later.dateText = "400101";
  r = Search(later);
  ASSERT_EQ(r.count, 1);
  EXPECT_EQ(ResultCells(*r.hits[0], false, "%Y-%m-%d"),
            (std::array<std::string, 5>{"film.mkv", "2040-01-01", "5368709120", "A", ""}));
}

TEST_F(SearchTest, OnePairOfDuplicatesGivesTwoRows) {
  AddCatalog("A", {{"x", 1}, {"y", 2}});
  AddCatalog("B", {{"Y", 2}, {"z", 3}});
  const SearchResult r = Search(Mode(1));
  EXPECT_EQ(Names(r), (std::vector<std::string>{"y", "Y"}));
  EXPECT_EQ(r.CountText(), "2");
}

TEST_F(SearchTest, TheGroupingLimitLetsTheLastPairComplete) {
  AddCatalog("A", {{"same", 1}, {"same", 1}, {"same", 1}, {"same", 1}, {"same", 1}});
  SearchInputs inputs = Mode(1);
  inputs.hitLimit = 2;
  const SearchResult r = Search(inputs);
  EXPECT_EQ(r.count, 3);
  EXPECT_EQ(r.CountText(), ">3");
}

// Many entries, most without a partner: every entry that has one (same name, and in Duplicates
// the same length) is a row, in order of length, name and place; no other entry is.
TEST_F(SearchTest, GroupingListsExactlyTheEntriesThatHaveAPartner) {
  // Enough entries that both modes sort two halves apart.
  std::mt19937 random(5);
  std::vector<Entry> entries;
  for (int i = 0; i < 20000; ++i) {
    std::string name = "n" + std::to_string(random() % 900) + (random() % 2 ? "X" : "x");
    entries.push_back({name, static_cast<int64_t>(random() % 20)});
  }
  const Catalog* catalog = AddCatalog("A", entries);
  for (const bool sameNames : {false, true}) {
    // The order of the rows: length (Duplicates), folded name, length (Same names), place.
    using Key = std::tuple<int64_t, std::string, int64_t, size_t>;
    std::vector<Key> keys;
    std::map<std::pair<int64_t, std::string>, size_t> partners;  // by what groups them
    for (size_t k = 0; k < entries.size(); ++k) {
      const int64_t length = entries[k].length;
      keys.emplace_back(sameNames ? 0 : length, FoldAscii(entries[k].name), sameNames ? length : 0, k);
      ++partners[{std::get<0>(keys.back()), std::get<1>(keys.back())}];
    }
    std::vector<Key> expected;
    for (const Key& key : keys) {
      if (partners[{std::get<0>(key), std::get<1>(key)}] > 1) expected.push_back(key);
    }
    std::sort(expected.begin(), expected.end());
    ASSERT_GT(expected.size(), kGroupSortApart) << sameNames;
    for (const int32_t limit : {100000, 1001}) {
      SearchInputs inputs = Mode(sameNames ? 2 : 1);
      inputs.hitLimit = limit;
      const SearchResult r = Search(inputs);
      // At the limit, the group being listed ends with the entry at hand.
      const size_t listed = std::min<size_t>(expected.size(), static_cast<size_t>(limit));
      ASSERT_GE(r.hits.size(), listed) << sameNames;
      ASSERT_LE(r.hits.size(), listed + 1) << sameNames;
      for (size_t k = 0; k < r.hits.size(); ++k) {
        EXPECT_EQ(r.hits[k], catalog->files[static_cast<int32_t>(std::get<3>(expected[k]))]) << k;
      }
    }
  }
}

TEST_F(SearchTest, SelectedCatalogsOnly) {
  Catalog* a = AddCatalog("A", {{"file", 1}});
  Catalog* b = AddCatalog("B", {{"file", 2}});
  SearchResult r = Search(Pattern("file"), SearchScope{true, {b}});
  ASSERT_EQ(r.count, 1);
  EXPECT_EQ(r.hits[0]->OwningCatalog(), b);
  EXPECT_FALSE(a->selected);
  r = Search(Pattern("file"), SearchScope{true, {}});  // none selected: all catalogs
  EXPECT_EQ(r.count, 2);
  EXPECT_TRUE(a->selected);
}

TEST_F(SearchTest, ResultCellsOfFilesAndDirectories) {
  AddCatalog("V3", {{"d", -1, 973468800, 0}, {"fd.txt", 1234, 0, 1}});
  AddCatalog("V2", {{"d", -1, 0, 0}}, 2);
  const SearchResult r = Search(Pattern("d", 10));
  ASSERT_EQ(r.count, 3);
  EXPECT_EQ(ResultCells(*r.hits[0], false, "%y-%m-%d"),
            (std::array<std::string, 5>{"d", "00-11-06", "12.500", "V3", ""}));
  EXPECT_EQ(ResultCells(*r.hits[1], false, "%y-%m-%d"),
            (std::array<std::string, 5>{"fd.txt", "70-01-01", "1234", "V3", "/d"}));
  EXPECT_EQ(ResultCells(*r.hits[2], false, "%y-%m-%d")[2], "Directory");
  EXPECT_EQ(LengthCell(*r.hits[0], true), "Directory");
}

// The name-arena shortcut must give exactly what testing every name gives, across chunks, for
// every kind of pattern.
TEST_F(SearchTest, TheArenaShortcutMissesNothing) {
  std::mt19937 random(7);
  const std::string parts[] = {"lib", "LIB", ".so", ".c", ".cpp", "read", "ME", "x", "é", "-", "_", "1"};
  std::vector<Entry> entries;
  for (int i = 0; i < 60000; ++i) {
    std::string name;
    for (int k = 1 + static_cast<int>(random() % 5); k > 0; --k) name += parts[random() % std::size(parts)];
    entries.push_back({name, static_cast<int32_t>(random() % 1000)});
  }
  AddCatalog("A", entries);
  AddCatalog("B", entries);
  for (const char* pattern :
       {"lib", "|lib", ".c|", "lib*.so", "|lib*.so|", "me", "é-", "x_1|", "so.c", "readme"}) {
    const NamePattern compiled = CompileNamePattern(pattern);
    std::vector<const FileRecord*> expected;
    for (const Catalog* c : library_.Catalogs()) {
      for (const FileRecord* r : c->files) {
        if (MatchesName(compiled, r->Name())) expected.push_back(r);
      }
    }
    const SearchResult r = Search(Pattern(pattern, 1000000));
    EXPECT_EQ(r.hits, expected) << pattern;
  }
}

// Not on other volumes: rows as "VOLUME:name", in scan order.
TEST_F(SearchTest, NotOnOtherVolumesListsTheFilesWithoutACopyElsewhere) {
  struct Case {
    const char* what;
    std::vector<std::vector<Entry>> catalogs;  // labelled A, B, C, ...
    SearchInputs inputs;
    std::vector<int> selected;  // with "Selected Catalogs only"
    std::vector<std::string> rows;
    int64_t files;
    int64_t bytes;
  };
  SearchInputs all = Mode(3);
  SearchInputs limit2 = Mode(3);
  limit2.hitLimit = 2;
  SearchInputs named = Mode(3);
  named.patternText = ".txt";
  SearchInputs dated = Mode(3);
  dated.dateOperator = 5;  // ">" 1970-01-01
  dated.dateText = "700101";
  SearchInputs dirs = Mode(3, 1, "0");  // "<" 0 admits only directory entries, which never count
  const std::vector<Case> cases = {
      {"two volumes: case, folder and date do not matter, the length does",
       {{{"Photo.JPG", 10}, {"a.txt", 5, 0, 1}, {"b", 7}, {"empty", 0}},
        {{"photo.jpg", 10, 99}, {"A.TXT", 5}, {"b", 8}, {"EMPTY", 0}}},
       all,
       {},
       {"A:b", "B:b"},
       2,
       15},
      {"three volumes: a copy on any other counts; copies on one volume do not",
       {{{"only", 1}, {"ab", 2}, {"ac", 3}, {"twice", 4}, {"twice", 4}},
        {{"ab", 2}, {"bc", 5}},
        {{"ac", 3}, {"bc", 5}, {"abc", 6}}},
       all,
       {},
       {"A:only", "A:twice", "A:twice", "C:abc"},
       4,
       15},
      {"selected against unselected: only the unselected are elsewhere",
       {{{"ab", 2}, {"ac", 3}, {"a", 1}}, {{"ab", 2}, {"bc", 4}}, {{"ac", 3}, {"bc", 4}}},
       all,
       {0, 1},
       {"A:ab", "A:a", "B:ab"},
       3,
       5},
      {"every volume selected: nothing is elsewhere",
       {{{"x", 1}}, {{"x", 1}}},
       all,
       {0, 1},
       {"A:x", "B:x"},
       2,
       2},
      {"the pattern narrows the files listed, never the copies",
       {{{"a.txt", 1}, {"b.txt", 2}, {"c.doc", 3}, {"d.txt", 4}}, {{"a.txt", 1}, {"d.txt", 4, 0}}},
       named,
       {},
       {"A:b.txt"},
       1,
       2},
      {"a date narrows too: a copy elsewhere counts whatever its date, one on the same volume never",
       {{{"new", 1, 100000}, {"old", 2, 0}, {"kept", 3, 100000}, {"kept", 3, 0}}, {{"new", 1, 0}}},
       dated,
       {},
       {"A:kept"},
       1,
       3},
      {"directory entries are never listed",
       {{{"sub", -1}, {"file", 1}}, {{"other", 2}}},
       dirs,
       {},
       {},
       0,
       0},
      {"the hit limit cuts the list, not the totals",
       {{{"1", 1}, {"2", 2}, {"3", 3}, {"dup", 9}}, {{"4", 4}, {"dup", 9}}},
       limit2,
       {},
       {"A:1", "A:2"},
       4,
       10},
  };
  for (const Case& c : cases) {
    while (!library_.Catalogs().Empty()) ASSERT_TRUE(library_.DeleteCatalog(library_.Catalogs().Last()));
    std::vector<const Catalog*> catalogs;
    for (size_t k = 0; k < c.catalogs.size(); ++k)
      catalogs.push_back(AddCatalog(std::string(1, static_cast<char>('A' + k)), c.catalogs[k]));
    SearchScope scope{!c.selected.empty(), {}};
    for (int k : c.selected) scope.selected.push_back(catalogs[static_cast<size_t>(k)]);
    const SearchResult r = Search(c.inputs, scope);
    std::vector<std::string> rows;
    for (const FileRecord* hit : r.hits)
      rows.push_back(hit->OwningCatalog()->DisplayName() + ":" + std::string(hit->Name()));
    EXPECT_EQ(rows, c.rows) << c.what;
    EXPECT_EQ(r.CountText(), (static_cast<int64_t>(rows.size()) < c.inputs.hitLimit ? "" : ">") +
                                 std::to_string(rows.size()))
        << c.what;
    ASSERT_TRUE(r.notElsewhere) << c.what;
    EXPECT_EQ(r.notElsewhere->files, c.files) << c.what;
    EXPECT_EQ(r.notElsewhere->bytes, c.bytes) << c.what;
    EXPECT_EQ(r.notElsewhere->againstUnsearched, !c.selected.empty()) << c.what;
  }
}

// The hash table and its folding of eight bytes at a time against the rule itself, on names
// that differ in case, in bytes beside A-Z ('@', '[', '`', '{', 0xC1, 0xE1) and at every length.
TEST_F(SearchTest, NotOnOtherVolumesAgreesWithComparingEveryPair) {
  std::mt19937 random(11);
  const char letters[] = {'a', 'A', 'z', 'Z', '@', '[', '`', '{', '\xC1', '\xE1'};
  std::vector<std::vector<Entry>> volumes(3);
  for (auto& volume : volumes) {
    for (int i = 0; i < 3000; ++i) {
      std::string name(1 + random() % 12, ' ');
      for (char& ch : name) ch = letters[random() % std::size(letters)];
      volume.push_back({name, static_cast<int64_t>(random() % 3)});
    }
  }
  std::vector<const Catalog*> catalogs;
  for (size_t k = 0; k < volumes.size(); ++k)
    catalogs.push_back(AddCatalog(std::string(1, static_cast<char>('A' + k)), volumes[k]));
  for (const SearchScope& scope : {SearchScope{}, SearchScope{true, {catalogs[0], catalogs[2]}}}) {
    std::vector<const FileRecord*> expected;
    for (const Catalog* c : catalogs) {
      if (!scope.selected.empty() && c == catalogs[1]) continue;
      for (const FileRecord* r : c->files) {
        bool copied = false;
        for (const Catalog* other : catalogs) {
          const bool elsewhere = scope.selected.empty() ? other != c : other == catalogs[1];
          for (const FileRecord* o : other->files) {
            copied = copied || (elsewhere && o->length == r->length && EqualNoCase(o->Name(), r->Name()));
          }
        }
        if (!copied) expected.push_back(r);
      }
    }
    SearchInputs inputs = Mode(3);
    inputs.hitLimit = 100000;
    const SearchResult r = Search(inputs, scope);
    EXPECT_EQ(r.hits, expected);
    EXPECT_GT(expected.size(), 10u);
  }
}

TEST(NotElsewhereTotalsTest, TheSummaryCountsFilesAndBytesAsAPersonReadsThem) {
  const struct {
    NotElsewhereTotals totals;
    const char* text;
  } cases[] = {
      {{0, 0, false}, "0 files (0 bytes) have no copy on another volume"},
      {{1, 1, false}, "1 file (1 byte) has no copy on another volume"},
      {{1204, 3435973837, false}, "1,204 files (3.2 GB) have no copy on another volume"},
      {{1234567, 1023, true}, "1,234,567 files (1023 bytes) have no copy on the volumes not searched"},
      {{2, 1024, false}, "2 files (1.0 KB) have no copy on another volume"},
      {{2, 1048525, false}, "2 files (1.0 MB) have no copy on another volume"},
      {{999, INT64_MAX, false}, "999 files (8.0 EB) have no copy on another volume"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.totals.Summary(), c.text);
}

}  // namespace
}  // namespace mardo
