#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "base/all_cores.h"
#include "base/text_compare.h"

namespace mardo {

// One entry of a grouping search (Duplicates or Same names), in 24 bytes, so that sorting moves no
// more than it must: the first twelve folded name bytes are packed so that most comparisons need
// no look at the names, and the entry is found by its place in the collection.
struct GroupedEntry {
  uint64_t prefix;  // folded name bytes 0 to 7, the first the highest; 0 past the end of the name
  int64_t length;
  uint32_t prefix2;  // folded name bytes 8 to 11, likewise
  uint32_t order;    // its place in collection order: ties keep that order

  static GroupedEntry Of(std::string_view name, int64_t length, uint32_t order);
};

static_assert(sizeof(GroupedEntry) == 24);

// A hash of what groups an entry: its folded name, and with `byLength` (Duplicates) its length
// too. Entries whose hash no other entry shares are in no group.
uint64_t GroupHash(std::string_view name, int64_t length, bool byLength);

// Above this many entries, grouping sorts two halves on two cores and walks them merged.
inline constexpr size_t kGroupSortApart = 8192;

// Orders `entries` into their groups, (length, name) for Duplicates and (name, length) for Same
// names, names compared as CompareNoCase compares them, ties in collection order, as far as the
// rows need them (the others are left in no order); then appends the orders of the entries that
// have a partner, group after group, to `rows`, until `hitLimit` are listed (the group being
// listed ends with its entry at hand). `nameOf(order)` gives an entry's name, from any thread.
template <class NameOf>
void GroupedRows(std::span<GroupedEntry> entries, const NameOf& nameOf, bool sameNames, int32_t hitLimit,
                 std::vector<uint32_t>& rows) {
  // Without a NUL byte in any name, a name shorter than 12 bytes is whole in its packed bytes,
  // which end in 0: sorting many names alike in them (one name in several spellings) then needs
  // no look at the names themselves.
  const bool someNul = std::any_of(entries.begin(), entries.end(), [&nameOf](const GroupedEntry& e) {
    return nameOf(e.order).find('\0') != std::string_view::npos;
  });
  auto compareNames = [&nameOf, someNul](const GroupedEntry& a, const GroupedEntry& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
    if (a.prefix2 != b.prefix2) return a.prefix2 < b.prefix2 ? -1 : 1;
    if (!someNul && (a.prefix2 & 0xff) == 0) return 0;  // both shorter than 12 bytes, and alike
    // The packed bytes of both names agree: so do their folded bytes as far as both go, up to 12.
    const std::string_view x = nameOf(a.order);
    const std::string_view y = nameOf(b.order);
    const size_t same = std::min({x.size(), y.size(), sizeof a.prefix + sizeof a.prefix2});
    return CompareNoCase(x.substr(same), y.substr(same));
  };
  // A strict total order: every entry has an order of its own.
  auto less = [sameNames, &compareNames](const GroupedEntry& a, const GroupedEntry& b) {
    if (!sameNames && a.length != b.length) return a.length < b.length;
    if (const int names = compareNames(a, b); names != 0) return names < 0;
    if (sameNames && a.length != b.length) return a.length < b.length;
    return a.order < b.order;
  };
  auto equal = [sameNames, &compareNames](const GroupedEntry& a, const GroupedEntry& b) {
    return (sameNames || a.length == b.length) && compareNames(a, b) == 0;
  };
  const size_t first = rows.size();
  auto rowsLeft = [&] { return static_cast<int64_t>(hitLimit) - static_cast<int64_t>(rows.size() - first); };
  // Only the entries first in order can become rows: as many as the rows still wanted, and as
  // many again for entries without a partner, are picked out (nth_element) and sorted; the rest
  // only if the rows need them. A range of some size is sorted in two halves on two cores, which
  // are walked merged.
  const size_t n = entries.size();
  size_t to = 0;  // entries before it are in their range, and each range's come before the next's
  size_t i = 0;
  size_t half = 0;
  size_t j = 0;
  auto sortNext = [&] {
    if (to == n) return false;
    const size_t from = to;
    const auto wanted = static_cast<uint64_t>(std::max<int64_t>(2 * rowsLeft(), 0)) + 1024;
    // Picking out costs a pass over the rest: worth it only for a part of them.
    to = 2 * wanted < n - from ? from + wanted : n;
    auto at = [&entries](size_t k) { return entries.begin() + static_cast<std::ptrdiff_t>(k); };
    if (to < n) std::nth_element(at(from), at(to), at(n), less);
    half = to - from >= kGroupSortApart ? from + (to - from) / 2 : to;
    RunOnThreads(half < to ? 2 : 1, 2,
                 [&](size_t k) { std::sort(at(k == 0 ? from : half), at(k == 0 ? half : to), less); });
    i = from;
    j = half;
    return true;
  };
  // The next entry in order; those returned before stay where they are.
  auto next = [&]() -> const GroupedEntry* {
    if (i == half && j == to && !sortNext()) return nullptr;
    if (i < half && (j == to || less(entries[i], entries[j]))) return &entries[i++];
    return &entries[j++];
  };
  const GroupedEntry* current = next();
  bool mark = false;
  while (current != nullptr && rowsLeft() > 0) {
    const GroupedEntry* following = next();
    if (following == nullptr) break;
    const bool same = equal(*current, *following);
    if (same || mark) rows.push_back(current->order);
    mark = same;
    current = following;
  }
  if (mark) rows.push_back(current->order);
}

}  // namespace mardo
