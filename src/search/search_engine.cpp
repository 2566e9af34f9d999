#include "search/search_engine.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/text_compare.h"
#include "search/folded_finder.h"
#include "search/grouping.h"
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

// The entries a grouping search collects, in library order.
struct Collection {
  std::vector<GroupedEntry> entries;
  std::vector<const FileRecord*> records;  // by order

  void Add(const FileRecord* record) {
    entries.push_back(
        GroupedEntry::Of(record->Name(), record->length, static_cast<uint32_t>(records.size())));
    records.push_back(record);
  }
};

// Leaves out the entries that cannot be in a group, whose hash no other entry shares: sorting
// fewer costs less, and the order of those left is the same.
void DropLoners(Collection& collection, bool sameNames) {
  std::vector<GroupedEntry>& entries = collection.entries;
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
  DropLoners(collection, sameNames);
  std::vector<uint32_t> rows;
  GroupedRows(
      collection.entries, [&collection](uint32_t order) { return collection.records[order]->Name(); },
      sameNames, hitLimit, rows);
  for (const uint32_t order : rows) result.hits.push_back(collection.records[order]);
  result.count = static_cast<int32_t>(result.hits.size());
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
