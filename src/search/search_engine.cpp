#include "search/search_engine.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/text_compare.h"
#include "search/folded_finder.h"
#include "search/name_pattern.h"

namespace mardo {
namespace {

uintptr_t Address(const char* p) {
  return reinterpret_cast<uintptr_t>(p);
}

// The name condition of one search. Besides the per-name test it keeps, per catalog, the next
// place in the name arena where the pattern's head occurs, so that names which cannot contain it
// are passed over with one comparison.
class NameTest {
 public:
  explicit NameTest(std::string_view patternText) : pattern_(CompileNamePattern(patternText)) {
    if (pattern_.active && !pattern_.head.empty() && pattern_.head.find('\0') == std::string::npos) {
      finder_.emplace(pattern_.head);
    }
  }

  bool Active() const { return pattern_.active; }

  void StartCatalog(const Catalog& catalog) {
    arena_ = &catalog.names;
    chunk_ = {nullptr, nullptr};
    next_.Reset();
  }

  bool Passes(const FileRecord& record) {
    const std::string_view name = record.Name();
    if (finder_ && !MayContainHead(name)) return false;
    return MatchesName(pattern_, name);
  }

 private:
  bool MayContainHead(std::string_view name) {
    const uintptr_t p = Address(name.data());
    if (chunk_.begin == nullptr || p < Address(chunk_.begin) || p >= Address(chunk_.end)) {
      chunk_ = arena_->ChunkOf(name.data());
      if (chunk_.begin == nullptr) return true;  // not in the arena: test the name itself
      next_.Reset();
    }
    return next_.MayHold(*finder_, name.data(), name.size(), chunk_.end);
  }

  NamePattern pattern_;
  std::optional<FoldedFinder> finder_;
  const NameArena* arena_ = nullptr;
  NameArena::Chunk chunk_{nullptr, nullptr};
  NextOccurrence next_;
};

// One collected entry of a grouping search, in 24 bytes, so that sorting moves no more than it
// must: the first twelve folded name bytes are packed so that most comparisons need no look at the
// names, and the record is found by its place in the collection.
struct Collected {
  uint64_t prefix;  // folded name bytes 0 to 7, the first the highest; 0 past the end of the name
  int64_t length;
  uint32_t prefix2;  // folded name bytes 8 to 11, likewise
  uint32_t order;    // collection order, the record's place in Collection::records: ties keep it
};

static_assert(sizeof(Collected) == 24);

struct Collection {
  std::vector<Collected> entries;
  std::vector<const FileRecord*> records;

  void Add(const FileRecord* record) {
    const std::string_view name = record->Name();
    entries.push_back({FoldedBytes<uint64_t>(name, 0), record->length, FoldedBytes<uint32_t>(name, 8),
                       static_cast<uint32_t>(records.size())});
    records.push_back(record);
  }
  // Names compare as CompareNoCase compares them: the packed bytes decide unless they are equal.
  int CompareNames(const Collected& a, const Collected& b) const {
    if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
    if (a.prefix2 != b.prefix2) return a.prefix2 < b.prefix2 ? -1 : 1;
    // The packed bytes of both names agree: so do their folded bytes as far as both go, up to 12.
    const std::string_view x = records[a.order]->Name();
    const std::string_view y = records[b.order]->Name();
    const size_t same = std::min({x.size(), y.size(), sizeof a.prefix + sizeof a.prefix2});
    return CompareNoCase(x.substr(same), y.substr(same));
  }

 private:
  template <class Packed>
  static Packed FoldedBytes(std::string_view name, size_t from) {
    Packed packed = 0;
    for (size_t i = from; i < from + sizeof(Packed); ++i) {
      packed = static_cast<Packed>(packed << 8) |
               (i < name.size() ? static_cast<unsigned char>(FoldAscii(name[i])) : 0u);
    }
    return packed;
  }
};

// A hash of what groups an entry: its folded name, and with `byLength` its length too.
uint64_t GroupHash(std::string_view name, int64_t length, bool byLength) {
  uint64_t h = 0xcbf29ce484222325ull ^ (byLength ? static_cast<uint64_t>(length) * 0x9E3779B97F4A7C15ull : 0);
  for (const char c : name) h = (h ^ static_cast<unsigned char>(FoldAscii(c))) * 0x100000001b3ull;
  return h;
}

// Leaves out the entries that cannot be in a group, whose hash no other entry shares: sorting
// fewer costs less, and the order of those left is the same.
void DropLoners(Collection& collection, bool sameNames) {
  std::vector<Collected>& entries = collection.entries;
  std::vector<std::pair<uint64_t, uint32_t>> hashes(entries.size());  // hash, place in entries
  for (size_t k = 0; k < entries.size(); ++k) {
    hashes[k] = {GroupHash(collection.records[entries[k].order]->Name(), entries[k].length, !sameNames),
                 static_cast<uint32_t>(k)};
  }
  std::sort(hashes.begin(), hashes.end());
  std::vector<char> shared(entries.size(), 0);
  for (size_t k = 1; k < hashes.size(); ++k) {
    if (hashes[k].first == hashes[k - 1].first) shared[hashes[k].second] = shared[hashes[k - 1].second] = 1;
  }
  size_t kept = 0;
  for (size_t k = 0; k < entries.size(); ++k) {
    if (shared[k] != 0) entries[kept++] = entries[k];
  }
  entries.resize(kept);
}

void GroupRows(Collection& collection, bool sameNames, int32_t hitLimit, SearchResult& result) {
  std::vector<Collected>& entries = collection.entries;
  DropLoners(collection, sameNames);
  std::sort(entries.begin(), entries.end(), [sameNames, &collection](const Collected& a, const Collected& b) {
    if (!sameNames && a.length != b.length) return a.length < b.length;
    if (const int names = collection.CompareNames(a, b); names != 0) return names < 0;
    if (sameNames && a.length != b.length) return a.length < b.length;
    return a.order < b.order;
  });
  if (entries.size() < 2) return;
  auto equal = [sameNames, &collection](const Collected& a, const Collected& b) {
    return (sameNames || a.length == b.length) && collection.CompareNames(a, b) == 0;
  };
  auto add = [&result, &collection](const Collected& entry) {
    result.hits.push_back(collection.records[entry.order]);
    ++result.count;
  };
  size_t current = 0;
  bool mark = false;
  for (size_t next = 1; next < entries.size(); ++next) {
    if (result.count >= hitLimit) break;
    const bool same = equal(entries[current], entries[next]);
    if (same || mark) add(entries[current]);
    mark = same;
    current = next;
  }
  if (mark) add(entries[current]);
}

}  // namespace

std::string SearchResult::CountText() const {
  return (count < hitLimit ? "" : ">") + std::to_string(count);
}

void MarkSearchedCatalogs(CatalogLibrary& library, const SearchScope& scope) {
  const bool some = scope.selectedOnly && !scope.selected.empty();
  for (int32_t i = 0; i < library.Catalogs().Size(); ++i) {
    const Catalog* catalog = library.Catalogs()[i];
    library.SetSelected(
        i, !some || std::find(scope.selected.begin(), scope.selected.end(), catalog) != scope.selected.end());
  }
}

SearchResult RunSearch(const SearchConditions& input, CatalogLibrary& library, const SearchScope& scope) {
  SearchConditions conditions = input;
  SearchResult result;
  result.hitLimit = conditions.hitLimit;
  result.grouping = conditions.Has(SearchConditions::kGroupingMode);
  const bool notElsewhere = conditions.Has(SearchConditions::kNotElsewhere);
  // Standard search stops at the hit limit; the other modes must see every entry.
  const bool limited = !result.grouping && !notElsewhere;

  std::optional<NameTest> name;
  if (conditions.Has(SearchConditions::kNameCondition)) {
    name.emplace(conditions.patternText);
    if (!name->Active()) {
      conditions.flags &= ~static_cast<uint32_t>(SearchConditions::kNameCondition);
      name.reset();
    }
  }
  MarkSearchedCatalogs(library, scope);
  if (result.grouping && !conditions.Has(SearchConditions::kLengthCondition)) {
    // Grouping compares files only, unless the user's own length condition admits directories.
    conditions.flags |= SearchConditions::kLengthCondition;
    conditions.lengthOperator = CompareOperator::kNotBefore;
    conditions.lengthValue = 0;
  }
  const bool byLength = conditions.Has(SearchConditions::kLengthCondition);
  const bool byDate = conditions.Has(SearchConditions::kDateCondition);

  Collection collected;
  if (result.grouping) {
    // Room not yet written costs no memory: room for every entry spares copying as it fills.
    size_t most = 0;
    for (const Catalog* catalog : library.Catalogs())
      most += catalog->selected ? static_cast<size_t>(catalog->files.Size()) : 0;
    collected.entries.reserve(most);
    collected.records.reserve(most);
  }
  FilesNotElsewhere alone(scope.selectedOnly && !scope.selected.empty());
  int32_t position = -1;
  for (const Catalog* catalog : library.Catalogs()) {
    ++position;
    if (limited && result.count >= conditions.hitLimit) break;
    if (!catalog->selected) continue;
    if (name) name->StartCatalog(*catalog);
    if (notElsewhere) alone.StartCatalog(position);
    for (const FileRecord* record : catalog->files) {
      if (limited && result.count >= conditions.hitLimit) break;
      if (byLength && !conditions.KeepsLength(record->length)) continue;
      if (byDate && !conditions.KeepsTime(record->lastWriteTime)) continue;
      if (name && !name->Passes(*record)) continue;
      if (notElsewhere) {
        alone.Add(record);
      } else if (result.grouping) {
        collected.Add(record);
      } else {
        result.hits.push_back(record);
        ++result.count;
      }
    }
  }
  if (result.grouping)
    GroupRows(collected, conditions.Has(SearchConditions::kSameNames), conditions.hitLimit, result);
  if (notElsewhere) {
    result.notElsewhere =
        alone.Finish(library, !byLength && !byDate && !name, conditions.hitLimit, result.hits);
    result.count = static_cast<int32_t>(result.hits.size());
  }
  return result;
}

}  // namespace mardo
