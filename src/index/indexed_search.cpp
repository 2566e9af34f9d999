#include "index/indexed_search.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>
#include <tuple>

#include "base/all_cores.h"
#include "index/index_format.h"
#include "platform/large_memory.h"
#include "search/folded_finder.h"
#include "search/grouping.h"
#include "search/name_pattern.h"
#include "store/store_texts.h"

namespace mardo {
namespace {

// A grouping key of an entry kept: the hash of what groups it, and its place among those kept.
using GroupKey = std::pair<uint64_t, uint32_t>;
using GroupKeys = std::vector<GroupKey, LargeAllocator<GroupKey>>;

// The conditions of a search as tests on single entries. The entries it keeps are exactly those
// RunSearch keeps in Standard search; in the grouping modes, a superset (the files-only rule
// stays with RunSearch).
class EntryFilter {
 public:
  // A first search of a grouping search, through some of the blocks, whose rows may be those of
  // the whole search; the entries of those blocks that pass are kept, for the whole search to
  // take (Earlier).
  enum class FirstPass {
    kNone,        // the whole search
    kEmptyFiles,  // Duplicates: the blocks where the name of an empty file holds the pattern's
                  // trigrams; only empty files are grouped
    kLowNames,    // Same names: the candidate blocks but those whose matching names all begin
                  // with the pattern, none being the pattern itself (all come after it)
  };

  explicit EntryFilter(const SearchConditions& conditions, FirstPass pass = FirstPass::kNone)
      : conditions_(conditions),
        pass_(pass),
        byLength_(conditions.Has(SearchConditions::kLengthCondition)),
        byDate_(conditions.Has(SearchConditions::kDateCondition)),
        oneLength_(byLength_ && conditions.lengthOperator == CompareOperator::kEqual) {
    if (conditions.Has(SearchConditions::kNameCondition)) {
      NamePattern pattern = CompileNamePattern(conditions.patternText);
      if (pattern.active) pattern_ = std::move(pattern);
    }
    if (byLength_) {
      for (int k = 0; k < 64; ++k) {
        int64_t least = 0;
        int64_t most = 0;
        index_format::LengthsOfKind(k, least, most);
        if (conditions.KeepsSomeLength(least, most)) lengthKinds_ |= uint64_t{1} << k;
      }
    }
    if (!pattern_) return;
    // Every trigram of the head and of the tail occurs in a matching folded name; a catalog is
    // searched through a few of them. Those taken are the rarest as far as the bytes tell, each
    // from a part of the pattern that the ones taken before do not overlap while there is such a
    // part: overlapping trigrams come from the same names (those of "desktop" for ".desktop"), so
    // the list of one narrows the others' little.
    struct Place {
      uint32_t trigram;
      int commonness;
      size_t at;  // in the pattern, the tail counted after the head
    };
    std::vector<Place> places;
    size_t at = 0;
    for (const std::string* part : {&pattern_->head, &pattern_->tail}) {
      for (size_t i = 0; i + 3 <= part->size(); ++i) {
        const auto a = static_cast<uint8_t>((*part)[i]);
        const auto b = static_cast<uint8_t>((*part)[i + 1]);
        const auto c = static_cast<uint8_t>((*part)[i + 2]);
        places.push_back({index_format::Trigram(a, b, c),
                          ByteCommonness(a) + ByteCommonness(b) + ByteCommonness(c), at + i});
      }
      at += part->size() + 3;  // no trigram of the tail overlaps one of the head
    }
    std::stable_sort(places.begin(), places.end(),
                     [](const Place& x, const Place& y) { return x.commonness < y.commonness; });
    std::vector<size_t> taken;  // where the trigrams taken lie
    auto apart = [&taken](const Place& p) {
      return std::all_of(taken.begin(), taken.end(),
                         [&p](size_t t) { return p.at + 3 <= t || t + 3 <= p.at; });
    };
    while (!places.empty() && trigrams_.size() < kLists) {
      auto next = std::find_if(places.begin(), places.end(), apart);
      if (next == places.end()) next = places.begin();
      if (std::find(trigrams_.begin(), trigrams_.end(), next->trigram) == trigrams_.end()) {
        trigrams_.push_back(next->trigram);
        taken.push_back(next->at);
      }
      places.erase(next);
    }
    if (pass_ == FirstPass::kEmptyFiles) {
      for (uint32_t& trigram : trigrams_) trigram |= index_format::kEmptyFileTrigram;
    }
    if (!pattern_->head.empty() && pattern_->head.find('\0') == std::string::npos)
      finder_.emplace(pattern_->head);
    if (pass_ == FirstPass::kLowNames && pattern_->head.size() >= 3) {
      const std::string& head = pattern_->head;
      auto trigramAt = [&head](size_t i) {
        return index_format::Trigram(static_cast<uint8_t>(head[i]), static_cast<uint8_t>(head[i + 1]),
                                     static_cast<uint8_t>(head[i + 2]));
      };
      startOnly_ = index_format::kStartOnlyTrigram | trigramAt(0);
      nameEnd_ = index_format::kNameEndTrigram | trigramAt(head.size() - 3);
    }
  }

  // Which first search a search may try (none without a hit limit, or without trigrams).
  // - Duplicates lists files by length, the smallest first, and an empty file's partners are
  //   empty too: when the empty files that pass give all the rows, the others cannot change
  //   them. Not with a length condition (which may admit directory entries, listed before files).
  // - Same names lists names in order (CompareNoCase). A name that begins with the pattern and is
  //   longer comes after the pattern, and after every matching name that does not begin with it:
  //   when the rows end at a name no greater than the pattern, the names passed over cannot
  //   change them. Only for a pattern without `*` (its head is the whole pattern).
  FirstPass FirstPassOf() const {
    if (!conditions_.Has(SearchConditions::kGroupingMode) || Scans() || conditions_.hitLimit <= 0)
      return FirstPass::kNone;
    if (!conditions_.Has(SearchConditions::kSameNames))
      return byLength_ ? FirstPass::kNone : FirstPass::kEmptyFiles;
    return pattern_->tail.empty() && pattern_->head.size() >= 3 ? FirstPass::kLowNames : FirstPass::kNone;
  }

  FirstPass Pass() const { return pass_; }

  // How many rows a grouping search through this filter must give to be of use: in a first
  // search, the whole hit limit (fewer say nothing of the rows of the entries passed over).
  size_t RowsNeeded() const {
    return pass_ != FirstPass::kNone ? static_cast<size_t>(std::max(conditions_.hitLimit, 0)) : 0;
  }

  // Whether rows that reach RowsNeeded, the last named `last`, are those of the whole search:
  // for low names, when no name passed over can come before it.
  bool RowsHold(std::string_view last) const {
    return pass_ != FirstPass::kLowNames || CompareNoCase(last, pattern_->head) <= 0;
  }

  // How a name compares with the pattern (CompareNoCase); only with a pattern.
  int CompareToPattern(std::string_view name) const { return CompareNoCase(name, pattern_->head); }

  // Whether the first search is worth trying, with `candidates` blocks in all (the rarest list of
  // each catalog). A candidate block rarely holds more than one empty file that matches: with
  // fewer blocks than rows needed, the search of empty files would most likely fall short, and
  // the whole search reads those blocks anyway.
  bool MayGiveRows(uint64_t candidates) const {
    return pass_ != FirstPass::kEmptyFiles || candidates >= RowsNeeded();
  }

  bool Keeps(int64_t length, int64_t time, std::string_view name) const {
    if (byLength_ && !conditions_.KeepsLength(length)) return false;
    if (byDate_ && !conditions_.KeepsTime(time)) return false;
    return !pattern_ || MatchesName(*pattern_, name);
  }

  // How many posting lists a catalog is searched through: three narrow the blocks enough (the
  // name test decides the rest), and each costs a read or two.
  static constexpr size_t kLists = 3;

  // Blocks of a posting list read while preparing.
  static constexpr uint32_t kReadAhead = 8192;

  // What a search of one index can do before it knows how many hits the catalogs before it gave:
  // find and read the posting lists of the pattern's rarest trigrams.
  struct Prepared {
    bool none = false;  // a trigram no name of the catalog holds
    std::vector<CatalogIndex::Postings> lists;
    // With low names, the lists of startOnly_ and nameEnd_, when the catalog has them.
    std::optional<CatalogIndex::Postings> startOnly;
    std::optional<CatalogIndex::Postings> nameEnd;
  };
  // False when the index turned out damaged.
  bool Prepare(CatalogIndex& index, Prepared& prepared) const {
    if (!pattern_ || trigrams_.empty()) return true;
    prepared.lists.resize(trigrams_.size());
    std::vector<uint32_t> asked = trigrams_;
    for (const uint32_t trigram : {startOnly_, nameEnd_}) {
      if (trigram != 0) asked.push_back(trigram);
    }
    index.FindPostingsSoon(asked);
    for (size_t i = 0; i < prepared.lists.size(); ++i) {
      if (!index.FindPostings(trigrams_[i], prepared.lists[i])) {
        prepared.none = true;
        prepared.lists.clear();
        return !index.Damaged();
      }
    }
    auto& lists = prepared.lists;
    std::sort(lists.begin(), lists.end(), [](const auto& a, const auto& b) { return a.Count() < b.Count(); });
    // A page of the block places says where 512 blocks lie: a grouping search, which reads
    // every candidate, with one in every 64 blocks or more reads nearly all of them.
    if (conditions_.Has(SearchConditions::kGroupingMode) &&
        uint64_t{lists.front().Count()} * 64 >= index.BlockCount())
      index.ReadBlockPlacesSoon();
    // Short lists are read now; a long one only if the search gets that far (a common pattern
    // fills the hit limit from the first catalogs).
    for (const CatalogIndex::Postings& list : lists) {
      if (list.Count() <= kReadAhead) list.ReadSoon();
    }
    // Low names: the lists that tell which blocks to pass over, if the catalog has them.
    for (const auto& [trigram, list] :
         {std::pair{startOnly_, &prepared.startOnly}, std::pair{nameEnd_, &prepared.nameEnd}}) {
      if (trigram == 0) continue;
      if (CatalogIndex::Postings found; index.FindPostings(trigram, found)) {
        *list = std::move(found);
        if (list->value().Count() <= kReadAhead) list->value().ReadSoon();
      } else if (index.Damaged()) {
        return false;
      }
    }
    for (CatalogIndex::Postings& list : lists) {
      if (list.Count() <= kReadAhead && !list.Load()) return false;
    }
    return true;
  }

  // How the catalogs made for the rows number their directories. Compact ones cost memory for
  // the directories the rows name only; but a directory entry's length is minus its directory's
  // number, and a length condition below 0, or grouping by length with directory entries
  // admitted, tells those numbers apart: then they keep the catalog's numbers.
  CatalogIndex::Directories RowDirectories() const {
    const bool numbersShow =
        byLength_ && (conditions_.lengthValue < 0 || conditions_.Has(SearchConditions::kGroupingMode));
    return numbersShow ? CatalogIndex::Directories::kNumbered : CatalogIndex::Directories::kCompact;
  }

  // In the grouping modes, the keys of the entries of `found` that grouping takes (files only,
  // unless the length condition admits directories), in `found`'s order: the hash of what groups
  // each (GroupHash) and its place in `found`. Entries whose hash no other shares are in no group.
  void GroupKeys(const CatalogIndex::Found& found, GroupKeys& keys) const {
    const bool byLength = !conditions_.Has(SearchConditions::kSameNames);
    keys.clear();
    keys.reserve(found.Size());
    MapForWriting(keys.data(), keys.capacity() * sizeof(GroupKey));  // filled but for directories
    for (size_t k = 0; k < found.Size(); ++k) {
      const CatalogIndex::Entry e = found.At(k);
      if (!byLength_ && e.length < 0) continue;  // a length condition admitted it already
      if (pass_ == FirstPass::kEmptyFiles && e.length != 0) continue;
      keys.push_back({GroupHash(e.name, e.length, byLength), static_cast<uint32_t>(k)});
    }
  }

  // Whether a search of this index walks every block (no trigram to narrow it with).
  bool Scans() const { return !pattern_ || trigrams_.empty(); }

  // Whether a search has a date or a length condition: how many of its candidate blocks hold a
  // hit, the index cannot tell before they are read.
  bool Conditioned() const { return byLength_ || byDate_; }

  // What a search with `emptyOnly` read of an index, for the whole search to take instead of
  // reading it again: the blocks it tested, ascending, and the entries of them that pass.
  struct Earlier {
    std::vector<uint32_t> tested;
    CatalogIndex::Found found;
  };

  // Keeps in `found` the entries of the index that pass, ascending, stopping after `limit`, or
  // between two batches of blocks once `stop` is set (what it kept is then of no use). With
  // `earlier`, a search with `emptyOnly` notes there the blocks it tests; any other takes the
  // entries of those blocks from it instead of testing them. False when the index turned out
  // damaged.
  bool Collect(CatalogIndex& index, Prepared& prepared, size_t limit, CatalogIndex::Found& found,
               const std::atomic<bool>* stop = nullptr, Earlier* earlier = nullptr) const {
    const bool first = pass_ != FirstPass::kNone;
    std::vector<uint32_t>* tested = first && earlier != nullptr ? &earlier->tested : nullptr;
    if (tested != nullptr) tested->clear();
    const Earlier* taken = first || earlier == nullptr || earlier->tested.empty() ? nullptr : earlier;
    size_t takenBlock = 0;  // in taken->tested: the first not below the block at hand
    size_t takenEntry = 0;  // in taken->found: the first not yet kept
    // Whether `block` was tested before; then its entries are taken from there.
    auto testedBefore = [&](uint32_t block) {
      if (taken == nullptr) return false;
      while (takenBlock < taken->tested.size() && taken->tested[takenBlock] < block) ++takenBlock;
      return takenBlock < taken->tested.size() && taken->tested[takenBlock] == block;
    };
    // Keeps the entries taken that lie before `record`, so that `found` stays ascending.
    auto keepTakenBefore = [&](uint64_t record) {
      if (taken == nullptr) return;
      const std::span<const uint32_t> records = taken->found.Records();
      for (; takenEntry < records.size() && records[takenEntry] < record; ++takenEntry)
        found.Add(records[takenEntry], taken->found.At(takenEntry));
    };
    if (limit == 0) return true;
    if (prepared.none) {
      keepTakenBefore(UINT64_MAX);
      return true;
    }
    std::vector<CatalogIndex::Entry> entries;
    const uint64_t most = Scans() ? index.RecordCount()
                                  : uint64_t{prepared.lists.front().Count()} * index_format::kBlockRecords;
    // Without a hit limit (grouping), the lists grow as they fill: their memory comes in huge
    // pages, and room reserved for every candidate block's 32 entries would be written to only
    // in part (a huge page costs its whole 2 MiB once written to). With one, room for a first
    // thousand: each catalog searched ahead would reserve room for the whole limit, mostly
    // never filled, and the lists grow at little cost.
    constexpr uint64_t kFirstRoom = 1024;
    if (limit != SIZE_MAX) found.Reserve(static_cast<size_t>(std::min<uint64_t>({limit, most, kFirstRoom})));
    auto& lists = prepared.lists;
    // From the disk, a date or length condition looks at what every candidate block holds before
    // reading it: the summaries of the blocks all lists loaded hold are asked for at once, where
    // each page would be waited for in turn.
    if (index.FromDisk() && (byLength_ || byDate_) && !Scans() &&
        uint64_t{lists.front().Count()} * 64 >= index.BlockCount()) {
      // A candidate in every 64 blocks or more: a page of block sums (170 blocks) holds several,
      // and a whole section asked for at once costs less than the pages waited for in turn.
      index.ReadBlockSummariesSoon(oneLength_);
    } else if (index.FromDisk() && (byLength_ || byDate_) && !Scans()) {
      std::vector<CatalogIndex::Postings> loaded;  // walked ahead of the search, from their start
      for (const CatalogIndex::Postings& list : lists) {
        if (list.Count() <= kReadAhead) loaded.push_back(list);
      }
      std::vector<uint32_t> blocks;
      for (uint32_t block = 0, from = 0; !loaded.empty() && NextInAll(loaded, from, block); from = block + 1)
        blocks.push_back(block);
      index.ReadBlockSummariesSoon(blocks, oneLength_);
    }
    uint32_t target = 0;
    bool more = true;
    // The next block to test, if any: every block in turn for a walk, else the next block all
    // lists hold; in both, only a block that may hold a length and a date that pass.
    auto next = [&](uint32_t& block) {
      while (more) {
        if (Scans()) {
          if (target >= index.BlockCount()) break;
          block = target++;
          if (testedBefore(block)) continue;
          if (MayHold(index, block)) return true;
          if (index.Damaged()) break;
          continue;
        }
        if (!NextInAll(lists, target, block)) break;
        target = block + 1;
        if (testedBefore(block)) continue;
        if (pass_ == FirstPass::kLowNames && PassedOver(prepared, block)) continue;
        if (index.Damaged()) break;
        if (MayHold(index, block)) return true;
        if (index.Damaged()) break;
      }
      more = false;
      return false;
    };
    // Blocks are taken a batch at a time, so that those lying close together are read together
    // (a walk reads about a MiB at a time); the batches grow, as a search that has not met its
    // limit soon may read many. From the disk, the next batch is asked for before this one is
    // tested, so that the disk is kept busy meanwhile.
    const uint64_t mostRead = Scans() ? 1024 * 1024 : 64 * 1024;
    std::vector<uint32_t> batch;
    std::vector<uint32_t> following;
    size_t batchSize = 16;
    auto take = [&](std::vector<uint32_t>& blocks) {
      blocks.clear();
      for (uint32_t block = 0; blocks.size() < batchSize && next(block);) blocks.push_back(block);
      batchSize = std::min<size_t>(batchSize * 2, 1024);
      return !index.Damaged() && index.ReadBlocksSoon(blocks, mostRead);
    };
    if (!take(batch)) return false;
    int64_t readThrough = -1;  // the last block of the last read
    while (!batch.empty()) {
      if (stop != nullptr && stop->load(std::memory_order_relaxed)) return true;
      following.clear();
      if (index.FromDisk() && more && !take(following)) return false;
      for (size_t i = 0; i < batch.size(); ++i) {
        uint32_t run = 1;
        if (batch[i] > readThrough) {
          if (!index.RunOver(std::span<const uint32_t>(batch).subspan(i), mostRead, run)) return false;
          readThrough = int64_t{batch[i]} + run - 1;
        }
        keepTakenBefore(uint64_t{batch[i]} * index_format::kBlockRecords);
        if (found.Size() >= limit) return true;
        if (!TestBlock(index, batch[i], run, limit, entries, found)) return false;
        if (tested != nullptr) tested->push_back(batch[i]);
        if (found.Size() >= limit) return true;
      }
      if (!index.FromDisk() && more && !take(following)) return false;
      std::swap(batch, following);
    }
    keepTakenBefore(UINT64_MAX);
    return !index.Damaged();
  }

  // How many entries of a whole catalog pass, counting up to `limit`.
  size_t Count(const Catalog& catalog, size_t limit) const {
    size_t count = 0;
    for (const FileRecord* r : catalog.files) {
      if (count >= limit) break;
      if (Keeps(r->length, r->lastWriteTime, r->Name())) ++count;
    }
    return count;
  }

 private:
  // The first block at or after `from` that all `lists` hold; false when there is none (or a
  // list is not sound).
  static bool NextInAll(std::span<CatalogIndex::Postings> lists, uint32_t from, uint32_t& block) {
    for (uint32_t target = from;;) {
      if (!lists[0].NextAtLeast(target, block)) return false;
      bool agreed = true;
      for (size_t k = 1; agreed && k < lists.size(); ++k) {
        uint32_t other = 0;
        if (!lists[k].NextAtLeast(block, other)) return false;
        if (other != block) {
          target = other;
          agreed = false;
        }
      }
      if (agreed) return true;
    }
  }

  // Tests the entries of one block, appending those that pass (up to `limit` in all); when its
  // bytes must be read, the `run` blocks from it are read with them.
  bool TestBlock(CatalogIndex& index, uint32_t block, uint32_t run, size_t limit,
                 std::vector<CatalogIndex::Entry>& entries, CatalogIndex::Found& found) const {
    std::span<const uint8_t> bytes;
    if (!index.ScanBytes(block, run, bytes)) return false;
    // A name that matches holds the pattern's head: a block whose bytes do not hold it has no
    // such name, and the names an occurrence does not lie in are passed over untested.
    const auto* end = reinterpret_cast<const char*>(bytes.data() + bytes.size());
    const char* head = nullptr;  // the next occurrence
    if (finder_) {
      head = finder_->Find(reinterpret_cast<const char*>(bytes.data()), end);
      if (head == nullptr) return true;
    }
    using Summary = CatalogIndex::Summary;
    if (!index.ParseBlock(block, bytes, entries,
                          oneLength_             ? Summary::kAll
                          : byLength_ || byDate_ ? Summary::kTimesAndKinds
                                                 : Summary::kUnused))
      return false;
    const uint32_t first = block * index_format::kBlockRecords;
    for (uint32_t i = 0; i < entries.size(); ++i) {
      const CatalogIndex::Entry& e = entries[i];
      if (finder_) {
        const char* name = e.name.data();
        if (head < name && (head = finder_->Find(name, end)) == nullptr) break;  // none further on
        const std::ptrdiff_t room = name + e.name.size() - head;  // below 0: it lies beyond this name
        if (room < static_cast<std::ptrdiff_t>(pattern_->head.size())) continue;
      }
      if (!Keeps(e.length, e.time, e.name)) continue;
      found.Add(first + i, e);
      if (found.Size() >= limit) return true;
    }
    return true;
  }

  // Whether a search of low names passes over block `block`: where every name that holds the
  // pattern begins with it (its first trigram is held at the start of names only), and none is
  // the pattern itself (no name ends with its last trigram), each is greater than the pattern.
  bool PassedOver(Prepared& prepared, uint32_t block) const {
    auto holds = [block](std::optional<CatalogIndex::Postings>& list) {
      uint32_t at = 0;
      return list && list->NextAtLeast(block, at) && at == block;
    };
    return (pattern_->anchoredStart || holds(prepared.startOnly)) && !holds(prepared.nameEnd);
  }

  // Whether block `block` may hold an entry that passes the length and date conditions, as far
  // as the index's summary of it tells. False also when the index turned out damaged.
  bool MayHold(CatalogIndex& index, uint32_t block) const {
    if (!byLength_ && !byDate_) return true;
    CatalogIndex::BlockSummary summary;
    if (!index.SummaryOf(block, summary)) return false;
    if ((byLength_ && (summary.kinds & lengthKinds_) == 0) ||
        (byDate_ && !conditions_.KeepsSomeTime(summary.earliest, summary.latest)))
      return false;
    index_format::LengthBits lengths;
    return !oneLength_ ||
           (index.LengthsOf(block, lengths) && index_format::MayHoldLength(lengths, conditions_.lengthValue));
  }

  const SearchConditions& conditions_;
  FirstPass pass_;
  bool byLength_;
  bool byDate_;
  bool oneLength_;            // a search for one exact length
  uint64_t lengthKinds_ = 0;  // the kinds of length (index_format::LengthKind) that may pass
  std::optional<NamePattern> pattern_;
  std::vector<uint32_t> trigrams_;  // those a catalog is searched through, rarest first
  std::optional<FoldedFinder> finder_;
  // With low names: the lists of blocks whose names start with the pattern's first trigram and
  // hold it nowhere else, and of those where a name ends with its last (0: none).
  uint32_t startOnly_ = 0;
  uint32_t nameEnd_ = 0;
};

// One catalog file of the search: what it is read from, and what could be done before the
// search knew how many hits the catalogs before it gave.
struct Source {
  IndexCache::Entry entry;
  EntryFilter::Prepared prepared;
  bool sound = true;  // false: the index turned out damaged while it was prepared
  // With `collected`, the entries a scan kept ahead of time (with the whole hit limit), and
  // perhaps the catalog made of them all (Standard search) or their grouping keys (the grouping
  // modes).
  bool collected = false;
  CatalogIndex::Found found;
  std::unique_ptr<Catalog> made;
  GroupKeys keys;
  EntryFilter::Earlier earlier;  // what a first search read
};

// How many catalogs are read at once when their pieces must come from the disk: the waits
// overlap, where one thread would wait for each piece in turn.
constexpr size_t kDiskThreads = 8;

// Searches indexes ahead of the walk in library order, each with the whole hit limit, on several
// threads; once the catalogs searched from the first on hold `limit` hits, those not yet begun
// are left to the walk (which will not need them). A search that fails (a damaged index, or not
// memory enough) is left to the walk too.
class SearchAhead {
 public:
  // `slots`: how many searches there are, in library order. With `make`, what the rows are made
  // from is made too: in Standard search the catalog of each index's entries, in the grouping
  // modes (no hit limit) their grouping keys.
  SearchAhead(const EntryFilter& filter, size_t limit, size_t slots, bool make)
      : filter_(filter),
        limit_(limit),
        make_(make),
        done_(slots, 0),
        hits_(slots, 0),
        reported_(slots, 0),
        candidates_(slots, 0),
        late_(slots, 0) {}

  // For how many hits the slot-th catalog, now `prepared` (null: it cannot be searched ahead),
  // is worth searching ahead; 0: not at all. In the grouping modes every catalog is searched
  // whole. In Standard search, the walk in library order stops once it has its hits: a catalog
  // is searched for the whole hit limit while the candidate blocks of those before it (a hit
  // each, at the least, for most patterns; every block for a walk without trigrams) fall short
  // of it. Else it waits for those before it to be searched: when they gave fewer hits than
  // their blocks promised, it is searched for the hits still missing, rather than by the walk
  // after all the others. With a date or a length condition the blocks promise nothing (a
  // month in twenty years lets one entry in 240 through): every catalog is searched at once,
  // each search ending as soon as those before it hold the hits. Waits for the catalogs before
  // it to be prepared.
  size_t Worth(size_t slot, const EntryFilter::Prepared* prepared, const CatalogIndex* index) {
    std::unique_lock<std::mutex> lock(mutex_);
    reported_[slot] = 1;
    if (prepared != nullptr && !prepared->none) {
      candidates_[slot] = filter_.Scans() || prepared->lists.empty()
                              ? uint64_t{index->BlockCount()} * index_format::kBlockRecords
                              : prepared->lists.front().Count();
    }
    ready_.notify_all();
    if (prepared == nullptr) return 0;
    if (filter_.Pass() != EntryFilter::FirstPass::kNone) {
      // Whether the first search is worth trying, as far as the catalogs prepared so far tell of
      // all of them (waiting for the others would hold the disk up). The first search decides
      // again, from all of them.
      const auto reported = static_cast<uint64_t>(std::count(reported_.begin(), reported_.end(), 1));
      const uint64_t candidates = std::accumulate(candidates_.begin(), candidates_.end(), uint64_t{0});
      return filter_.MayGiveRows(candidates * reported_.size() / reported) ? limit_ : 0;
    }
    if (limit_ == SIZE_MAX || filter_.Conditioned()) return limit_;
    ready_.wait(lock, [&] {
      return std::all_of(reported_.begin(), reported_.begin() + slot, [](char r) { return r != 0; });
    });
    uint64_t before = 0;
    for (size_t k = 0; k < slot; ++k) before += candidates_[k];
    if (before < limit_) return limit_;
    // The hits still missing, at most, once each catalog before it is searched or waits as this
    // one does: the late ones are searched together.
    late_[slot] = 1;
    ready_.notify_all();
    ready_.wait(lock, [&] {
      for (size_t k = 0; k < slot; ++k) {
        if (done_[k] == 0 && late_[k] == 0) return enough_.load();
      }
      return true;
    });
    return enough_ ? 0 : limit_ - prefixHits_;
  }

  // Searches `source` (the slot-th in library order) for up to `limit` hits, unless enough hits
  // are known already.
  void Run(Source& source, const std::string& path, size_t slot, size_t limit) {
    CatalogIndex::Found found;
    std::unique_ptr<Catalog> made;
    GroupKeys keys;
    bool sound = false;
    if (!enough_) {
      try {
        sound =
            filter_.Collect(*source.entry.index, source.prepared, limit, found, &enough_, &source.earlier);
        // Once the catalogs before it hold the hits, what it kept is of no use (and may be only
        // a part): the walk will not come to it.
        if (enough_) sound = false;
        if (sound && make_ && limit_ == SIZE_MAX) {
          filter_.GroupKeys(found, keys);
        } else if (sound && make_ && !found.Empty()) {
          made = source.entry.index->MakeCatalog(found, path, filter_.RowDirectories());
        }
      } catch (const std::exception&) {
        sound = false;
      }
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    if (sound) {
      source.collected = true;
      source.found = std::move(found);
      source.made = std::move(made);
      source.keys = std::move(keys);
    }
    Skip(slot, sound ? source.found.Size() : 0);
  }

  // Counts the slot-th search as done with `hits` (none for a catalog not searched).
  void Skip(size_t slot, size_t hits) {
    done_[slot] = 1;
    hits_[slot] = hits;
    for (; prefix_ < done_.size() && done_[prefix_] != 0; ++prefix_) prefixHits_ += hits_[prefix_];
    if (prefixHits_ >= limit_) enough_ = true;
    ready_.notify_all();  // Worth: the catalogs searched before one
  }
  void SkipLocked(size_t slot) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Skip(slot, 0);
  }

 private:
  const EntryFilter& filter_;
  size_t limit_;
  bool make_;
  std::mutex mutex_;
  std::vector<char> done_;
  std::vector<size_t> hits_;
  size_t prefix_ = 0;
  size_t prefixHits_ = 0;
  std::atomic<bool> enough_{false};
  std::condition_variable ready_;
  std::vector<char> reported_;        // Worth: the catalogs prepared
  std::vector<uint64_t> candidates_;  // and their candidate blocks
  std::vector<char> late_;            // the catalogs waiting for those before them
};

// Opens and prepares the sources of all catalog files, each in its own slot, in path order.
// Current indexes first; then the catalogs whose index must be made are read, on both cores.
// With `ahead` (when the indexes are to be read from the disk rather than from memory), each
// current index is opened, prepared and searched on a thread of its own, so that the waits for
// the disk overlap; `wanted` says which catalogs take part. Without it, current indexes are
// opened on both cores.
std::vector<Source> OpenAll(const std::vector<std::string>& paths,
                            const std::vector<FileIdentity>& identities, IndexCache& cache,
                            const EntryFilter& filter, SearchAhead* ahead,
                            const std::function<bool(const CatalogIndex&)>& wanted) {
  std::vector<Source> sources(paths.size());
  std::vector<char> current(paths.size(), 0);
  auto prepare = [&](size_t i) {
    Source& source = sources[i];
    if (source.entry.index) source.sound = filter.Prepare(*source.entry.index, source.prepared);
  };
  auto openCurrent = [&](size_t i) {
    try {
      current[i] = cache.OpenCurrent(paths[i], identities[i], sources[i].entry) ? 1 : 0;
      if (current[i] && ahead != nullptr && sources[i].entry.index) sources[i].entry.index->SetFromDisk(true);
      if (current[i]) prepare(i);
    } catch (const std::exception&) {
      sources[i] = Source();  // made below, where a failure is named
      current[i] = 0;
    }
  };
  if (ahead != nullptr) {
    RunOnThreads(paths.size(), kDiskThreads, [&](size_t i) {
      openCurrent(i);
      const Source& source = sources[i];
      const bool searchable = current[i] && source.entry.index && source.sound && wanted(*source.entry.index);
      if (const size_t limit =
              ahead->Worth(i, searchable ? &source.prepared : nullptr, source.entry.index.get())) {
        ahead->Run(sources[i], paths[i], i, limit);
      } else {
        ahead->SkipLocked(i);
      }
    });
  } else {
    // Even in memory, opening an index and reading its posting lists takes about half a
    // millisecond, most of it writing memory for the first time: both cores share that.
    RunOnAllCores(paths.size(), openCurrent);
  }
  std::vector<size_t> toBuild;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (!current[i]) toBuild.push_back(i);
  }
  RunOnAllCores(toBuild.size(), [&](size_t k) {
    Source& source = sources[toBuild[k]];
    // Nothing a catalog file does may end the thread, and with it the program: one that fails
    // is passed over with its reason, as loading passes over it.
    try {
      source.entry = cache.Open(paths[toBuild[k]]);
      prepare(toBuild[k]);
    } catch (const std::exception&) {
      source = Source();
      source.entry.skipReason = texts::kCatalogTooLarge;
    }
  });
  return sources;
}

// Searches the selected indexes ahead of the walk on both cores, when the work is of some size.
void CollectOnAllCores(std::vector<Source>& sources, const std::vector<bool>& selected,
                       const std::vector<std::string>& paths, const EntryFilter& filter, size_t limit) {
  // The blocks the search of the i-th may read, at most.
  auto candidates = [&](size_t i) {
    const std::vector<CatalogIndex::Postings>& lists = sources[i].prepared.lists;
    if (sources[i].prepared.none) return uint64_t{0};
    return filter.Scans() || lists.empty() ? uint64_t{sources[i].entry.index->BlockCount()}
                                           : uint64_t{lists.front().Count()};
  };
  std::vector<size_t> searched;
  uint64_t blocks = 0;
  for (size_t i = 0; i < sources.size(); ++i) {
    if (!selected[i] || !sources[i].entry.index || !sources[i].sound) continue;
    searched.push_back(i);
    blocks += candidates(i);
  }
  // A second thread pays only for work of some size: it may have to wait for a core.
  // The blocks where empty files' names hold the trigrams lie far apart, each read on its own:
  // fewer are worth it.
  const uint64_t worthAThread = filter.Pass() == EntryFilter::FirstPass::kEmptyFiles ? 1024 : 4096;
  if (searched.size() < 2 || blocks < worthAThread) return;
  // Without a hit limit every catalog is searched whole: the longest first, so that both cores
  // end together rather than one waiting for a long one begun last.
  if (limit == SIZE_MAX) {
    std::stable_sort(searched.begin(), searched.end(),
                     [&](size_t a, size_t b) { return candidates(a) > candidates(b); });
  }
  // The grouping modes use every entry kept: their grouping keys are made on both cores too.
  SearchAhead ahead(filter, limit, searched.size(), /*make=*/limit == SIZE_MAX);
  RunOnAllCores(searched.size(),
                [&](size_t k) { ahead.Run(sources[searched[k]], paths[searched[k]], k, limit); });
}

// What a search takes from one catalog file: the catalog of its entries that may become rows, or
// (light) the entries kept from its index and their grouping keys.
struct Part {
  std::unique_ptr<Catalog> catalog;
  CatalogIndex* index = nullptr;  // with `found`, when the entries came from an index
  CatalogIndex::Found found;
  GroupKeys keys;
  size_t source = 0;
  bool light = false;  // a grouping search's: no catalog made
};

// The directories, by part, of the rows that a first search of low names most likely gives, from
// the entries that have a partner (`shared`): those named below the pattern, and of those named
// the pattern itself, the first in (length, collection order), as Same names lists them, for the
// rows still wanted and one more. Empty unless such a search reads from the disk.
std::vector<std::vector<uint32_t>> LikelyRowDirectories(const std::vector<Part>& parts,
                                                        const std::vector<std::vector<char>>& shared,
                                                        const EntryFilter& filter, size_t rows,
                                                        bool fromDisk) {
  if (filter.Pass() != EntryFilter::FirstPass::kLowNames || !fromDisk) return {};
  struct Named {
    int64_t length;
    uint32_t part;
    uint32_t place;
  };
  std::vector<Named> below;
  std::vector<Named> alike;
  for (size_t k = 0; k < parts.size(); ++k) {
    for (uint32_t place = 0; place < shared[k].size(); ++place) {
      if (shared[k][place] == 0) continue;
      const CatalogIndex::Entry e = parts[k].found.At(place);
      const int c = filter.CompareToPattern(e.name);
      if (c <= 0) (c < 0 ? below : alike).push_back({e.length, static_cast<uint32_t>(k), place});
    }
  }
  if (below.size() < rows) {
    const size_t more = std::min(alike.size(), rows - below.size() + 1);
    auto first = [](const Named& a, const Named& b) {
      return std::tie(a.length, a.part, a.place) < std::tie(b.length, b.part, b.place);
    };
    std::nth_element(alike.begin(), alike.begin() + static_cast<std::ptrdiff_t>(more), alike.end(), first);
    below.insert(below.end(), alike.begin(), alike.begin() + static_cast<std::ptrdiff_t>(more));
  }
  std::vector<std::vector<uint32_t>> dirs(parts.size());
  for (const Named& n : below)
    dirs[n.part].push_back(static_cast<uint32_t>(parts[n.part].found.At(n.place).dirNumber));
  for (std::vector<uint32_t>& list : dirs) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
  return dirs;
}

// Groups the entries kept from the indexes of light `parts` as RunSearch groups them, and makes
// the catalog of each part's rows (in `made`, by part; none for a part without rows). The entries
// with a partner are found from the parts' keys first: only they are sorted by name. Returns the
// part whose index turned out damaged, if any.
std::optional<size_t> GroupParts(const std::vector<Part>& parts, const SearchConditions& conditions,
                                 const EntryFilter& filter, const std::vector<std::string>& paths,
                                 SearchResult& result, std::vector<std::unique_ptr<Catalog>>& made) {
  // Which entries share their hash with another, through a table of the hashes met (open
  // addressing, at most two thirds full) that keeps 32 bits of each: a hash met again marks its slot.
  // Hashes alike in those bits count as shared too; names and lengths decide when sorted.
  size_t total = 0;
  for (const Part& part : parts) total += part.keys.size();
  const size_t slots = std::bit_ceil(std::max<size_t>(total + total / 2, 64));
  const int shift = 64 - std::countr_zero(slots);
  std::vector<uint32_t> table(slots, 0);  // 0: empty; else a hash's high bits, the lowest set once met again
  auto slotOf = [&table, slots, shift](uint64_t hash, bool meet) -> uint32_t {
    const uint32_t kept = std::max<uint32_t>(static_cast<uint32_t>(hash >> 32) & ~1u, 2);
    for (uint64_t at = (hash * 0x9E3779B97F4A7C15ull) >> shift;; at = (at + 1) & (slots - 1)) {
      uint32_t& slot = table[at];
      if (slot == 0)
        slot = kept;  // only when meeting: every hash looked up was met first
      else if ((slot & ~1u) != kept)
        continue;
      else if (meet)
        slot |= 1;
      return slot;
    }
  };
  std::vector<std::vector<char>> shared(parts.size());
  for (const Part& part : parts) {
    for (const GroupKey& key : part.keys) slotOf(key.first, true);
  }
  for (size_t k = 0; k < parts.size(); ++k) {
    shared[k].assign(parts[k].found.Size(), 0);
    for (const GroupKey& key : parts[k].keys)
      shared[k][key.second] = static_cast<char>(slotOf(key.first, false) & 1);
  }
  // From the disk, the directories the rows lie in are read for every catalog at once; and those
  // of the rows a first search most likely gives are asked for while the rows are worked out, on
  // a thread of its own (joined before the indexes are used again): where they lie for every
  // catalog first, then their bytes.
  const bool fromDisk =
      std::any_of(parts.begin(), parts.end(), [](const Part& part) { return part.index->FromDisk(); });
  std::jthread asking;
  if (std::vector<std::vector<uint32_t>> likely = LikelyRowDirectories(
          parts, shared, filter, static_cast<size_t>(std::max(conditions.hitLimit, 0)), fromDisk);
      !likely.empty()) {
    try {
      asking = std::jthread([&parts, likely = std::move(likely)] {
        for (size_t k = 0; k < parts.size(); ++k) parts[k].index->DirectoryPlacesSoon(likely[k]);
        for (size_t k = 0; k < parts.size(); ++k) parts[k].index->DirectoriesSoon(likely[k]);
      });
    } catch (const std::system_error&) {
      // No thread to spare: the directories are asked for with the rows' catalogs, as ever.
    }
  }
  // Those entries in collection order (library order, then the catalog's), as RunSearch collects
  // them, each part's on either core. The arrays are left unwritten until then: memory is first
  // written where it is filled, and filling it is most of the work.
  std::vector<size_t> firstOrder(parts.size() + 1, 0);  // by part
  for (size_t k = 0; k < parts.size(); ++k) {
    firstOrder[k + 1] =
        firstOrder[k] + static_cast<size_t>(std::count(shared[k].begin(), shared[k].end(), 1));
  }
  const size_t count = firstOrder.back();
  struct Place {
    uint32_t part;
    uint32_t place;  // in the part's entries
  };
  struct Name {
    const char* data;
    size_t size;
  };
  const LargeArray<GroupedEntry> entries(count);
  const LargeArray<Place> placeOf(count);  // by order
  const LargeArray<Name> names(count);     // by order: sorting looks at them often
  RunOnThreads(parts.size(), count >= kGroupSortApart ? 2 : 1, [&](size_t k) {
    auto order = static_cast<uint32_t>(firstOrder[k]);
    for (uint32_t place = 0; place < shared[k].size(); ++place) {
      if (shared[k][place] == 0) continue;
      const CatalogIndex::Entry e = parts[k].found.At(place);
      entries[order] = GroupedEntry::Of(e.name, e.length, order);
      placeOf[order] = {static_cast<uint32_t>(k), place};
      names[order] = {e.name.data(), e.name.size()};
      ++order;
    }
  });
  std::vector<uint32_t> rows;
  GroupedRows(
      std::span<GroupedEntry>(entries.data(), count),
      [&names](uint32_t order) { return std::string_view(names[order].data, names[order].size); },
      conditions.Has(SearchConditions::kSameNames), conditions.hitLimit, rows);
  if (rows.size() < filter.RowsNeeded() ||
      (!rows.empty() && !filter.RowsHold({names[rows.back()].data, names[rows.back()].size}))) {
    result = SearchResult();  // searched again with every file: no catalog is made for these rows
    return std::nullopt;
  }

  if (asking.joinable()) asking.join();
  // The rows' catalogs, each of its part's entries that are rows: on both cores.
  std::vector<std::vector<uint32_t>> rowPlaces(parts.size());
  for (const uint32_t order : rows) rowPlaces[placeOf[order].part].push_back(placeOf[order].place);
  made.clear();
  made.resize(parts.size());
  std::vector<std::exception_ptr> failed(parts.size());
  // The catalogs with the most rows first, the caller's thread taking the first: helpers may
  // take a while to wake, and one long catalog begun last would hold up the others' end.
  std::vector<size_t> order(parts.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(),
                   [&rowPlaces](size_t a, size_t b) { return rowPlaces[a].size() > rowPlaces[b].size(); });
  auto makeCatalog = [&](size_t i) {
    const size_t k = order[i];
    std::vector<uint32_t>& places = rowPlaces[k];
    if (places.empty()) return;
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());
    try {
      CatalogIndex::Found found;
      found.Reserve(places.size());
      for (const uint32_t place : places)
        found.Add(parts[k].found.Records()[place], parts[k].found.At(place));
      made[k] = parts[k].index->MakeCatalog(found, paths[parts[k].source], filter.RowDirectories());
    } catch (...) {
      failed[k] = std::current_exception();  // not memory enough: raised here as on one thread
    }
  };
  if (fromDisk) {
    RunOnThreads(parts.size(), kDiskThreads, makeCatalog);
  } else {
    RunOnAllCores(parts.size(), makeCatalog);
  }
  for (const std::exception_ptr& failure : failed) {
    if (failure) std::rethrow_exception(failure);
  }
  for (size_t k = 0; k < parts.size(); ++k) {
    if (!rowPlaces[k].empty() && !made[k]) return k;
  }
  result = SearchResult();
  result.hitLimit = conditions.hitLimit;
  result.grouping = true;
  for (const uint32_t order : rows) {
    const auto [k, place] = placeOf[order];
    const std::vector<uint32_t>& places = rowPlaces[k];
    const auto at = std::lower_bound(places.begin(), places.end(), place) - places.begin();
    result.hits.push_back(made[k]->files[static_cast<int32_t>(at)]);
  }
  result.count = static_cast<int32_t>(result.hits.size());
  return std::nullopt;
}

const std::string& DisplayNameOf(const IndexCache::Entry& entry) {
  return entry.index ? entry.index->DisplayName() : entry.catalog->DisplayName();
}

// Searches the selected indexes not yet searched from the disk on several threads, so that the
// waits overlap; with `prepare`, each is prepared there first.
void CollectFromDisk(std::vector<Source>& sources, const std::vector<bool>& selected,
                     const std::vector<std::string>& paths, const EntryFilter& filter, bool prepare) {
  SearchAhead ahead(filter, SIZE_MAX, sources.size(), /*make=*/true);
  RunOnThreads(sources.size(), kDiskThreads, [&](size_t i) {
    Source& source = sources[i];
    const bool wanted = selected[i] && source.entry.index && source.sound && !source.collected;
    if (wanted && prepare) {
      try {
        source.sound = filter.Prepare(*source.entry.index, source.prepared);
      } catch (const std::exception&) {
        source.sound = false;  // not memory enough: its catalog file is read instead, as for damage
      }
    }
    if (wanted && source.sound) {
      ahead.Run(source, paths[i], i, SIZE_MAX);
    } else {
      ahead.SkipLocked(i);
    }
  });
}

// Groups the entries that a first search (the sources opened and prepared through `first`) keeps:
// true when they give all the rows, in `search`. Else the sources searched keep what they kept
// (`found`, `collected`) and the blocks they tested (`earlier`); `damaged` names the source whose
// index turned out damaged while grouping, if any.
bool FirstPassGivesRows(std::vector<Source>& sources, const std::vector<bool>& selected,
                        const std::vector<std::string>& paths, const SearchConditions& conditions,
                        const EntryFilter& first, bool fromDisk, IndexedSearch& search,
                        std::optional<size_t>& damaged) {
  uint64_t candidates = 0;
  for (size_t i = 0; i < sources.size(); ++i) {
    const Source& source = sources[i];
    if (!selected[i] || !source.entry.Readable()) continue;
    if (!(source.entry.index && source.sound)) return false;
    if (!source.prepared.none && !source.prepared.lists.empty())
      candidates += source.prepared.lists.front().Count();
  }
  if (!first.MayGiveRows(candidates)) return false;
  if (fromDisk) {
    CollectFromDisk(sources, selected, paths, first, false);  // those the opening did not search
  } else {
    CollectOnAllCores(sources, selected, paths, first, SIZE_MAX);
  }
  std::vector<Part> parts;
  for (size_t i = 0; i < sources.size(); ++i) {
    Source& source = sources[i];
    if (!selected[i] || !source.entry.index) continue;
    if (!source.collected) {
      source.sound = first.Collect(*source.entry.index, source.prepared, SIZE_MAX, source.found, nullptr,
                                   &source.earlier);
      if (!source.sound) return false;  // the whole search reads its catalog file instead
      first.GroupKeys(source.found, source.keys);
      source.collected = true;
    }
  }
  for (size_t i = 0; i < sources.size(); ++i) {
    Source& source = sources[i];
    if (selected[i] && source.collected && !source.found.Empty())
      parts.push_back(
          {nullptr, source.entry.index.get(), std::move(source.found), std::move(source.keys), i, true});
  }
  std::vector<std::unique_ptr<Catalog>> made;
  damaged = GroupParts(parts, conditions, first, paths, search.result, made);
  if (damaged) {
    damaged = parts[*damaged].source;
    return false;
  }
  if (search.result.hits.size() < first.RowsNeeded()) {
    for (Part& part : parts) sources[part.source].found = std::move(part.found);
    return false;
  }
  search.catalogs = std::make_unique<CatalogLibrary>(std::vector<std::string>{}, std::string());
  for (std::unique_ptr<Catalog>& catalog : made) {
    if (catalog) search.catalogs->AdoptCatalog(std::move(catalog));
  }
  return true;
}

}  // namespace

IndexedSearch SearchWithIndex(const CatalogLibrary& library, const SearchConditions& conditions,
                              const std::vector<std::string>& onlyNames, IndexCache& cache) {
  IndexedSearch search;
  const EntryFilter filter(conditions);
  // Duplicates lists the smallest files first: the empty files that match may give all its rows.
  // Same names lists names in order: the names up to the pattern may give all its rows. Then
  // those are searched first, through the blocks where they may lie; when they fall short, the
  // whole search takes what that read instead of reading it again.
  std::optional<EntryFilter> firstPass;
  if (filter.FirstPassOf() != EntryFilter::FirstPass::kNone)
    firstPass.emplace(conditions, filter.FirstPassOf());
  const EntryFilter& opening = firstPass ? *firstPass : filter;
  std::vector<FileIdentity> identities;
  const std::vector<std::string> paths = library.CatalogFiles(&identities);
  // Only the entries the search can list are taken, in library order; RunSearch over them then
  // gives the rows of the whole library. The grouping modes take every candidate, of which few
  // become rows: they are grouped from the entries kept (GroupParts), and catalogs are made of
  // the rows' entries only.
  const bool limited = !conditions.Has(SearchConditions::kGroupingMode);
  const size_t limit = limited ? static_cast<size_t>(conditions.hitLimit) : SIZE_MAX;
  // When the pieces of the indexes (and so of the catalog files) must come from the disk, as far
  // as the first index tells, the catalogs are searched ahead as they are opened.
  std::optional<SearchAhead> ahead;
  if (!paths.empty() && cache.IndexWaitsForDisk(paths[0])) {
    cache.ReadOpeningsSoon(paths);
    ahead.emplace(opening, limit, paths.size(), /*make=*/true);
  }
  auto wanted = [&onlyNames](const CatalogIndex& index) {
    return onlyNames.empty() ||
           std::find(onlyNames.begin(), onlyNames.end(), index.DisplayName()) != onlyNames.end();
  };
  std::vector<Source> sources = OpenAll(paths, identities, cache, opening, ahead ? &*ahead : nullptr, wanted);

  auto skip = [&search, &paths](size_t i, std::string reason) {
    search.skipped.push_back({paths[i], std::move(reason)});
  };
  for (size_t i = 0; i < sources.size(); ++i) {
    if (!sources[i].entry.Readable()) skip(i, sources[i].entry.skipReason);
  }

  std::vector<bool> selected(sources.size(), onlyNames.empty());
  for (const std::string& name : onlyNames) {
    bool found = false;
    for (size_t i = 0; i < sources.size(); ++i) {
      if (sources[i].entry.Readable() && DisplayNameOf(sources[i].entry) == name) {
        selected[i] = true;
        found = true;
      }
    }
    if (!found) {
      search.unknownCatalog = name;
      return search;
    }
  }

  if (firstPass) {
    std::optional<size_t> damaged;
    if (FirstPassGivesRows(sources, selected, paths, conditions, *firstPass, ahead.has_value(), search,
                           damaged)) {
      if (cache.Written() > 0) cache.RemoveOrphans();
      return search;
    }
    if (damaged) {
      // Found damaged only now: its index is made again, and so is the search.
      cache.Reread(paths[*damaged]);
      return SearchWithIndex(library, conditions, onlyNames, cache);
    }
    // The whole search, through the indexes opened, taking what the first search kept.
    for (Source& source : sources) {
      if (!source.entry.index) continue;
      if (source.collected) {
        source.earlier.found = std::move(source.found);
      } else {
        source.earlier = {};
      }
      source.collected = false;
      source.found = CatalogIndex::Found();
      source.made = nullptr;
      source.keys.clear();
      source.prepared = {};
      // From the disk, each is prepared on the thread that searches it.
      if (!ahead) source.sound = source.sound && filter.Prepare(*source.entry.index, source.prepared);
    }
    if (ahead) CollectFromDisk(sources, selected, paths, filter, true);
  }
  if (!ahead) CollectOnAllCores(sources, selected, paths, filter, limit);
  std::vector<Part> parts;
  bool light = !limited;
  int64_t kept = 0;
  for (size_t i = 0; i < sources.size(); ++i) {
    IndexCache::Entry& entry = sources[i].entry;
    if (!entry.Readable() || !selected[i]) continue;
    const int64_t room = limited ? std::max<int64_t>(int64_t{conditions.hitLimit} - kept, 0)
                                 : std::numeric_limits<int64_t>::max();
    if (room == 0) break;
    const auto limit = static_cast<size_t>(room);  // room is not negative
    if (entry.index) {
      Part part{nullptr, entry.index.get(), {}, {}, i, light};
      bool sound = sources[i].sound;
      if (sources[i].collected) {
        // The search kept up to the whole hit limit; the first `limit` of them are those a search
        // with this limit keeps.
        part.found = std::move(sources[i].found);
        if (part.found.Size() <= limit) {
          part.catalog = std::move(sources[i].made);
          part.keys = std::move(sources[i].keys);
        }
        part.found.Truncate(limit);
      } else {
        sound = sound && filter.Collect(*entry.index, sources[i].prepared, limit, part.found, nullptr,
                                        &sources[i].earlier);
        if (sound && light) filter.GroupKeys(part.found, part.keys);
      }
      if (sound && !part.found.Empty() && !light && !part.catalog) {
        part.catalog = entry.index->MakeCatalog(part.found, paths[i], filter.RowDirectories());
        sound = part.catalog != nullptr;
      }
      if (sound) {
        kept += static_cast<int64_t>(part.found.Size());
        if (!part.found.Empty()) parts.push_back(std::move(part));
        continue;
      }
      sources[i].prepared = {};
      entry = cache.Reread(paths[i]);  // damaged: the catalog file decides
      if (!entry.catalog) {
        // Gone or spoilt since it was listed: loading now would pass over it too.
        skip(i, entry.skipReason);
        continue;
      }
    }
    kept += static_cast<int64_t>(filter.Count(*entry.catalog, limit));
    parts.push_back({std::move(entry.catalog), nullptr, {}, {}, i, false});
    light = false;  // a whole catalog cannot be grouped from keys: every part needs its catalog
  }
  if (cache.Written() > 0) cache.RemoveOrphans();

  search.catalogs = std::make_unique<CatalogLibrary>(std::vector<std::string>{}, std::string());
  if (!light) {
    for (Part& part : parts) {
      // Grouping keys made before a whole catalog came: the catalog is made now.
      if (part.light && !(part.catalog = part.index->MakeCatalog(part.found, paths[part.source],
                                                                 filter.RowDirectories()))) {
        cache.Reread(paths[part.source]);  // found damaged only now, as above
        return SearchWithIndex(library, conditions, onlyNames, cache);
      }
      search.catalogs->AdoptCatalog(std::move(part.catalog));
    }
    search.result = RunSearch(conditions, *search.catalogs);
    return search;
  }
  std::vector<std::unique_ptr<Catalog>> made;
  if (const std::optional<size_t> damaged =
          GroupParts(parts, conditions, filter, paths, search.result, made)) {
    // Found damaged only now: its index is made again, and so is the search.
    cache.Reread(paths[parts[*damaged].source]);
    return SearchWithIndex(library, conditions, onlyNames, cache);
  }
  for (std::unique_ptr<Catalog>& catalog : made) {
    if (catalog) search.catalogs->AdoptCatalog(std::move(catalog));
  }
  return search;
}

IndexedSearch SearchWithIndex(const CatalogLibrary& library, const SearchConditions& conditions,
                              const std::vector<std::string>& onlyNames) {
  IndexCache cache(IndexCache::DefaultDirectory());
  return SearchWithIndex(library, conditions, onlyNames, cache);
}

}  // namespace mardo
