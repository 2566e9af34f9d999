#include "search/files_not_elsewhere.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "base/amount_text.h"
#include "base/format_text.h"
#include "base/text_compare.h"
#include "search/search_texts.h"

namespace mardo {
namespace {

// The final mix of MurmurHash3: every input bit reaches every output bit.
uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  return h ^ (h >> 33);
}

// Eight name bytes with A-Z folded to a-z, as FoldAscii folds them one by one.
uint64_t FoldedWord(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  const uint64_t seven = w & ~kHigh;
  const uint64_t atLeastA = seven + (0x80 - 'A') * kOnes;
  const uint64_t aboveZ = seven + (0x80 - 'Z' - 1) * kOnes;
  const uint64_t upper = atLeastA & ~aboveZ & ~w & kHigh;
  return w | (upper >> 2);
}

// The hash of a key: the name folded as the comparison folds it, and the length.
uint64_t KeyHash(std::string_view name, int64_t length) {
  uint64_t h = Mix(static_cast<uint64_t>(length) ^ name.size());
  size_t i = 0;
  for (; i + 8 <= name.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, name.data() + i, 8);
    h = (h ^ FoldedWord(w)) * 0x9e3779b97f4a7c15ULL;
    h ^= h >> 29;
  }
  if (i < name.size()) {
    uint64_t w = 0;
    std::memcpy(&w, name.data() + i, name.size() - i);
    h = (h ^ FoldedWord(w)) * 0x9e3779b97f4a7c15ULL;
  }
  return Mix(h);
}

bool SameKey(const FileRecord& a, const FileRecord& b) {
  return a.length == b.length && EqualNoCase(a.Name(), b.Name());
}

// An open hash table of key groups. Each slot holds the upper half of the key's hash (to pass
// over most other keys without looking at their names) and the group number plus one; 0 is free.
class KeyTable {
 public:
  static constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();

  explicit KeyTable(size_t keys) : slots_(std::bit_ceil(std::max<size_t>(keys + keys / 2, 16)), 0) {
    mask_ = slots_.size() - 1;
  }

  // Asks for the first slot of a hash ahead of its Find: probes come in batches, so that the
  // table's cache misses overlap instead of following one another.
  void Prefetch(uint64_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }

  // The group whose key `same` confirms, or kNone; with `added`, a free slot takes that group.
  template <class Same>
  uint32_t Find(uint64_t hash, const Same& same, uint32_t added = kNone) {
    const uint64_t tag = hash >> 32;
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const uint64_t slot = slots_[i];
      if (slot == 0) {
        if (added != kNone) slots_[i] = (tag << 32) | (uint64_t{added} + 1);
        return kNone;
      }
      const auto group = static_cast<uint32_t>(slot) - 1;
      if ((slot >> 32) == tag && same(group)) return group;
    }
  }

 private:
  std::vector<uint64_t> slots_;
  size_t mask_;
};

// A bit per hashed length: most lengths of other volumes are no searched file's, and pass with
// one look at this.
class LengthFilter {
 public:
  explicit LengthFilter(size_t keys) : words_(std::bit_ceil(std::max<size_t>(keys / 8, 64)), 0) {
    mask_ = words_.size() * 64 - 1;
  }
  void Add(int64_t length) {
    const uint64_t bit = Mix(static_cast<uint64_t>(length)) & mask_;
    words_[bit / 64] |= uint64_t{1} << (bit % 64);
  }
  bool MayHold(int64_t length) const {
    const uint64_t bit = Mix(static_cast<uint64_t>(length)) & mask_;
    return (words_[bit / 64] >> (bit % 64)) & 1;
  }

 private:
  std::vector<uint64_t> words_;
  uint64_t mask_;
};

}  // namespace

std::string NotElsewhereTotals::Summary() const {
  const bool one = files == 1;
  return FormatText(texts::kNotElsewhereSummary, GroupedNumber(files).c_str(), one ? "file" : "files",
                    ByteSizeText(bytes).c_str(), one ? "has" : "have",
                    againstUnsearched ? texts::kNoCopyOnUnsearched : texts::kNoCopyOnAnotherVolume);
}

NotElsewhereTotals FilesNotElsewhere::Finish(const CatalogLibrary& library, bool everyFileAdded,
                                             int32_t hitLimit, std::vector<const FileRecord*>& rows) {
  // The searched files in groups of one key. A group's owner is the catalog its files are in, or
  // kCopied once a copy elsewhere is known.
  constexpr uint32_t kCopied = std::numeric_limits<uint32_t>::max();
  constexpr size_t kBatch = 32;  // files hashed before their slots are looked at
  struct Group {
    uint32_t first;  // a file of the group, its place in files_
    uint32_t owner;
  };
  std::vector<Group> groups;
  std::vector<uint32_t> groupOf(files_.size());
  KeyTable table(files_.size());
  LengthFilter lengths(files_.size());
  size_t open = 0;  // groups without a known copy
  groups.reserve(files_.size());
  for (size_t s = 0; s < spans_.size(); ++s) {
    const size_t end = s + 1 < spans_.size() ? spans_[s + 1].first : files_.size();
    const uint32_t owner = spans_[s].position;
    for (size_t from = spans_[s].first; from < end; from += kBatch) {
      const size_t n = std::min(end - from, kBatch);
      uint64_t hashes[kBatch];
      for (size_t k = 0; k < n; ++k) {
        const FileRecord& file = *files_[from + k];
        lengths.Add(file.length);
        hashes[k] = KeyHash(file.Name(), file.length);
        table.Prefetch(hashes[k]);
      }
      for (size_t k = 0; k < n; ++k) {
        const size_t i = from + k;
        const FileRecord& file = *files_[i];
        const auto next = static_cast<uint32_t>(groups.size());
        const uint32_t g = table.Find(
            hashes[k], [&](uint32_t group) { return SameKey(*files_[groups[group].first], file); }, next);
        if (g == KeyTable::kNone) {
          groups.push_back({static_cast<uint32_t>(i), owner});
          ++open;
          groupOf[i] = next;
          continue;
        }
        groupOf[i] = g;
        // Files of two searched catalogs are each other's copy, unless only the others count.
        if (!againstUnsearched_ && groups[g].owner != owner && groups[g].owner != kCopied) {
          groups[g].owner = kCopied;
          --open;
        }
      }
    }
  }

  // Every file of the other volumes, probed once.
  uint32_t position = 0;
  for (const Catalog* catalog : library.Catalogs()) {
    const uint32_t here = position++;
    if (open == 0) break;
    // Each searched catalog's files are all in the table already when nothing narrowed them.
    if (againstUnsearched_ ? catalog->selected : everyFileAdded) continue;
    const auto records = catalog->files.Slots();
    for (size_t from = 0; from < records.size() && open > 0; from += kBatch) {
      // The files of a batch that may be a copy, with their hashes, their slots asked for.
      const FileRecord* batch[kBatch];
      uint64_t hashes[kBatch];
      size_t n = 0;
      for (size_t k = from; k < std::min(records.size(), from + kBatch); ++k) {
        const FileRecord* file = records[k];
        if (file->IsDirectory() || !lengths.MayHold(file->length)) continue;
        batch[n] = file;
        hashes[n] = KeyHash(file->Name(), file->length);
        table.Prefetch(hashes[n++]);
      }
      for (size_t k = 0; k < n && open > 0; ++k) {
        const FileRecord& file = *batch[k];
        const uint32_t g = table.Find(
            hashes[k], [&](uint32_t group) { return SameKey(*files_[groups[group].first], file); });
        if (g == KeyTable::kNone || groups[g].owner == kCopied || groups[g].owner == here) continue;
        groups[g].owner = kCopied;
        --open;
      }
    }
  }

  NotElsewhereTotals totals;
  totals.againstUnsearched = againstUnsearched_;
  for (size_t i = 0; i < files_.size(); ++i) {
    if (groups[groupOf[i]].owner == kCopied) continue;
    const int64_t length = files_[i]->length;
    ++totals.files;
    totals.bytes = totals.bytes > std::numeric_limits<int64_t>::max() - length
                       ? std::numeric_limits<int64_t>::max()
                       : totals.bytes + length;
    if (static_cast<int64_t>(rows.size()) < hitLimit) rows.push_back(files_[i]);
  }
  return totals;
}

}  // namespace mardo
