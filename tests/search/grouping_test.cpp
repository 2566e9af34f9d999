#include "search/grouping.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace mardo {
namespace {

struct Named {
  std::string name;
  int64_t length;
};

// The rows GroupedRows must give: every entry with a partner, in group order, until `limit` are
// listed and the group at hand ends.
std::vector<uint32_t> ExpectedRows(const std::vector<Named>& all, bool sameNames, int32_t limit) {
  using Key = std::tuple<int64_t, std::string, int64_t, uint32_t>;
  std::vector<Key> keys;
  std::map<std::pair<int64_t, std::string>, int> partners;
  for (uint32_t k = 0; k < all.size(); ++k) {
    const int64_t length = all[k].length;
    std::string folded;
    for (const char c : all[k].name) folded += FoldAscii(c);
    keys.emplace_back(sameNames ? 0 : length, folded, sameNames ? length : 0, k);
    ++partners[{std::get<0>(keys.back()), folded}];
  }
  std::sort(keys.begin(), keys.end());
  std::vector<uint32_t> rows;
  for (size_t k = 0; k < keys.size(); ++k) {
    const auto group = std::make_pair(std::get<0>(keys[k]), std::get<1>(keys[k]));
    if (partners[group] < 2) continue;
    const bool groupGoesOn = !rows.empty() && k > 0 && std::get<0>(keys[k - 1]) == group.first &&
                             std::get<1>(keys[k - 1]) == group.second;
    if (static_cast<int32_t>(rows.size()) >= limit) {
      if (groupGoesOn) rows.push_back(std::get<3>(keys[k]));
      break;
    }
    rows.push_back(std::get<3>(keys[k]));
  }
  return rows;
}

struct Case {
  const char* what;
  bool nul;       // some names hold a NUL byte
  int loners;     // entries no other shares a name with, among 12000
  int32_t limit;  // the hit limit
};

class GroupedRowsTest : public testing::TestWithParam<Case> {};

// Names alike in their first 12 bytes and told apart after them, or by a NUL byte, or by their
// case only; many entries without a partner, so that the entries first in order do not hold all
// the rows.
TEST_P(GroupedRowsTest, ListsEveryEntryWithAPartnerInGroupOrder) {
  const Case& c = GetParam();
  std::mt19937 random(11);
  std::vector<Named> all;
  const char* stems[] = {"readme",      "README",       "readme.txt",    "ReadMe.TXT.",
                         "readme.txt.", "abcdefghijkl", "ABCDEFGHIJKLm", "abcdefghijklM"};
  for (int k = 0; k < 12000; ++k) {
    std::string name = stems[random() % std::size(stems)];
    if (k < c.loners) name = "lone" + std::to_string(k);
    if (c.nul && random() % 4 == 0) name += std::string(1, '\0') + (random() % 2 ? "" : "x");
    all.push_back({name, static_cast<int64_t>(random() % 7)});
  }
  for (const bool sameNames : {false, true}) {
    std::vector<GroupedEntry> entries;
    for (uint32_t k = 0; k < all.size(); ++k)
      entries.push_back(GroupedEntry::Of(all[k].name, all[k].length, k));
    std::vector<uint32_t> rows;
    GroupedRows(
        std::span<GroupedEntry>(entries), [&all](uint32_t k) { return std::string_view(all[k].name); },
        sameNames, c.limit, rows);
    EXPECT_EQ(rows, ExpectedRows(all, sameNames, c.limit)) << c.what << " sameNames " << sameNames;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, GroupedRowsTest,
                         testing::Values(Case{"all sorted at once", false, 0, 100000},
                                         Case{"a few of many picked out", false, 0, 50},
                                         Case{"names holding NUL bytes", true, 0, 700},
                                         Case{"loners first, picked out again", false, 10500, 400},
                                         Case{"loners and NUL bytes", true, 10500, 700}));

}  // namespace
}  // namespace mardo
