#include "index/catalog_index_builder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>

#include "base/text_compare.h"
#include "index/catalog_bytes.h"
#include "index/index_checksum.h"
#include "index/index_format.h"
#include "platform/paged_file.h"
#include "store/catalog.h"

namespace mardo {
namespace {

namespace fmt = index_format;

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}
  template <class T>
  void Put(T value) {
    const size_t at = out_.size();
    out_.resize(at + sizeof(T));
    std::memcpy(out_.data() + at, &value, sizeof(T));
  }
  void Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
  }
  void Text(std::string_view text) {
    Put(static_cast<uint32_t>(text.size()));
    Bytes(text.data(), text.size());
  }
  size_t Size() const { return out_.size(); }

 private:
  std::vector<uint8_t>& out_;
};

template <class T>
void PutAt(std::vector<uint8_t>& out, size_t at, T value) {
  std::memcpy(out.data() + at, &value, sizeof(T));
}

// Trigram -> dense number, open addressing; grows at half load.
class TrigramTable {
 public:
  TrigramTable() { slots_.assign(size_t{1} << 16, kEmpty); }

  uint32_t Add(uint32_t trigram) {
    trigrams_.push_back(trigram);
    return static_cast<uint32_t>(trigrams_.size() - 1);
  }
  uint32_t IdOf(uint32_t trigram) {
    size_t mask = slots_.size() - 1;
    size_t i = Hash(trigram) & mask;
    while (slots_[i] != kEmpty) {
      if (trigrams_[slots_[i]] == trigram) return slots_[i];
      i = (i + 1) & mask;
    }
    const auto id = static_cast<uint32_t>(trigrams_.size());
    trigrams_.push_back(trigram);
    slots_[i] = id;
    if (trigrams_.size() * 2 > slots_.size()) Grow();
    return id;
  }
  const std::vector<uint32_t>& Trigrams() const { return trigrams_; }

 private:
  static constexpr uint32_t kEmpty = std::numeric_limits<uint32_t>::max();
  static size_t Hash(uint32_t t) { return (uint64_t{t} * 0x9E3779B97F4A7C15ull) >> 40; }
  void Grow() {
    std::vector<uint32_t> old(slots_.size() * 2, kEmpty);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (uint32_t id : old) {
      if (id == kEmpty) continue;
      size_t i = Hash(trigrams_[id]) & mask;
      while (slots_[i] != kEmpty) i = (i + 1) & mask;
      slots_[i] = id;
    }
  }
  std::vector<uint32_t> slots_;
  std::vector<uint32_t> trigrams_;
};

// Appends the ascending block numbers `blocks` in groups of kGroupBlocks: per group a bit width
// w, then each gap less one (the first block's gap counts from -1) in w bits, lowest bits first.
void PackPostings(const uint32_t* blocks, size_t count, std::vector<uint8_t>& out) {
  int64_t previous = -1;
  for (size_t first = 0; first < count; first += fmt::kGroupBlocks) {
    const size_t n = std::min<size_t>(fmt::kGroupBlocks, count - first);
    uint32_t gaps[fmt::kGroupBlocks];
    uint32_t widest = 0;
    for (size_t k = 0; k < n; ++k) {
      gaps[k] = static_cast<uint32_t>(int64_t{blocks[first + k]} - previous - 1);
      previous = blocks[first + k];
      widest |= gaps[k];
    }
    const int width = std::bit_width(widest);
    out.push_back(static_cast<uint8_t>(width));
    uint64_t bits = 0;
    int held = 0;
    for (size_t k = 0; k < n; ++k) {
      bits |= uint64_t{gaps[k]} << held;
      held += width;
      while (held >= 8) {
        out.push_back(static_cast<uint8_t>(bits));
        bits >>= 8;
        held -= 8;
      }
    }
    if (held > 0) out.push_back(static_cast<uint8_t>(bits));
  }
}

// The header fields of the catalog, as the meta section keeps them.
struct Meta {
  std::string volumeRoot;
  std::string volumeLabel;
  std::string catalogName;
  int16_t formatVersion = 0;
  int64_t cataloguedTime = 0;
  uint32_t serialNumber = 0;
  float freeSpace = -1.0f;
};

// Reads a catalog file front to back through a window of its bytes, entry by entry.
class CatalogStream {
 public:
  bool Open(std::string_view path, const FileIdentity& identity) {
    return file_.Open(std::string(path)) && file_.Identity() == identity;
  }
  // Parses the next field with `parse` (which gives the bytes it took, or 0): its offset in the
  // file, or -1 when the file holds no sound field there.
  template <class Parse>
  int64_t Next(Parse parse) {
    while (true) {
      const size_t used = parse(window_.data() + begin_, end_ - begin_);
      if (used > 0) {
        const uint64_t at = windowAt_ + begin_;
        begin_ += used;
        return static_cast<int64_t>(at);
      }
      if (!Refill()) return -1;
    }
  }
  uint64_t Offset() const { return windowAt_ + begin_; }
  uint64_t Remaining() const { return file_.Size() - Offset(); }

 private:
  bool Refill() {
    const uint64_t fileEnd = file_.Size();
    if (windowAt_ + end_ >= fileEnd) return false;
    if (begin_ > 0) {
      std::memmove(window_.data(), window_.data() + begin_, end_ - begin_);
      windowAt_ += begin_;
      end_ -= begin_;
      begin_ = 0;
    }
    if (end_ == window_.size()) {
      // No sound field is longer than a text a catalog holds and its entry's fixed fields.
      if (window_.size() > 2 * catalog_bytes::kLongestText) return false;
      window_.resize(std::max<size_t>(window_.size() * 2, size_t{1} << 20));
    }
    const auto more =
        static_cast<size_t>(std::min<uint64_t>(window_.size() - end_, fileEnd - windowAt_ - end_));
    if (!file_.ReadInto(static_cast<size_t>(windowAt_ + end_), more, window_.data() + end_)) return false;
    end_ += more;
    return true;
  }

  PagedFile file_;
  std::vector<uint8_t> window_;
  size_t begin_ = 0;
  size_t end_ = 0;
  uint64_t windowAt_ = 0;  // the file offset of window_[0]
};

// Trigram -> dense number: a table for the trigrams of three ASCII bytes, which nearly all are,
// and a hash table for the others.
class TrigramIds {
 public:
  // `ascii`: room for the table, used again from index to index (its memory costs more to map
  // than to fill).
  explicit TrigramIds(std::vector<uint32_t>& ascii) : ascii_(ascii) { ascii_.assign(size_t{1} << 21, kNone); }
  uint32_t IdOf(uint32_t trigram) {
    if ((trigram & 0xFF808080u) == 0) {
      uint32_t& id = ascii_[(trigram >> 16) << 14 | ((trigram >> 8) & 0x7F) << 7 | (trigram & 0x7F)];
      if (id == kNone) id = others_.Add(trigram);
      return id;
    }
    return others_.IdOf(trigram);
  }
  const std::vector<uint32_t>& Trigrams() const { return others_.Trigrams(); }

 private:
  static constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();
  std::vector<uint32_t>& ascii_;
  TrigramTable others_;  // numbers them all
};

std::vector<uint8_t> Assemble(const Meta& catalog, std::string_view sourcePath, const FileIdentity& source,
                              uint32_t flags, uint32_t records, uint32_t dirCount,
                              std::vector<uint8_t> (&section)[fmt::kSectionCount], uint32_t trigramCount) {
  ByteWriter meta(section[fmt::kMeta]);
  meta.Text(sourcePath);
  meta.Text(catalog.volumeRoot);
  meta.Text(catalog.volumeLabel);
  meta.Text(catalog.catalogName);
  meta.Put(catalog.formatVersion);
  meta.Put(int16_t{0});
  meta.Put<int64_t>(catalog.cataloguedTime);
  meta.Put(catalog.serialNumber);
  meta.Put(catalog.freeSpace);

  ByteWriter sums(section[fmt::kPageSums]);
  for (int s = fmt::kFirstPaged; s < fmt::kSectionCount; ++s) {
    const std::vector<uint8_t>& bytes = section[s];
    for (size_t at = 0; at < bytes.size(); at += fmt::kPageSize) {
      sums.Put(static_cast<uint32_t>(
          IndexChecksum(bytes.data() + at, std::min(fmt::kPageSize, bytes.size() - at))));
    }
  }

  size_t total = fmt::kHeaderSize;
  for (const auto& bytes : section) total += (bytes.size() + 7) / 8 * 8;
  std::vector<uint8_t> out;
  out.reserve(total);
  out.resize(fmt::kHeaderSize, 0);
  uint64_t sectionAt[fmt::kSectionCount] = {};
  uint64_t sectionSize[fmt::kSectionCount] = {};
  for (int s = 0; s < fmt::kSectionCount; ++s) {
    sectionAt[s] = out.size();
    sectionSize[s] = section[s].size();
    out.insert(out.end(), section[s].begin(), section[s].end());
    out.resize((out.size() + 7) / 8 * 8, 0);
    std::vector<uint8_t>().swap(section[s]);
  }

  std::memcpy(out.data(), fmt::kMagic, sizeof fmt::kMagic);
  PutAt(out, fmt::kVersionAt, fmt::kVersion);
  PutAt(out, fmt::kHeaderSizeAt, static_cast<uint32_t>(fmt::kHeaderSize));
  PutAt(out, fmt::kFileSizeAt, static_cast<uint64_t>(out.size()));
  PutAt(out, fmt::kDeviceAt, source.device);
  PutAt(out, fmt::kInodeAt, source.inode);
  PutAt(out, fmt::kSourceSizeAt, source.size);
  PutAt(out, fmt::kModifiedAt, source.modifiedNs);
  PutAt(out, fmt::kChangedAt, source.changedNs);
  PutAt(out, fmt::kRecordCountAt, records);
  PutAt(out, fmt::kDirCountAt, dirCount);
  PutAt(out, fmt::kTrigramCountAt, trigramCount);
  PutAt(out, fmt::kFlagsAt, flags);
  PutAt(out, fmt::kBlockRecordsAt, fmt::kBlockRecords);
  for (int s = 0; s < fmt::kSectionCount; ++s) {
    PutAt(out, fmt::kSectionTableAt + 16 * s, sectionAt[s]);
    PutAt(out, fmt::kSectionTableAt + 16 * s + 8, sectionSize[s]);
  }
  // The revision is left out of the checksum (it is compared on its own), so the checksum
  // does not change with it.
  uint64_t h = IndexChecksum(out.data(), fmt::kOpenChecksumAt);
  for (int s = 0; s < fmt::kFirstPaged; ++s) h = IndexChecksum(out.data() + sectionAt[s], sectionSize[s], h);
  PutAt(out, fmt::kOpenChecksumAt, h);
  PutAt(out, fmt::kRevisionAt, fmt::CodeRevision());
  return out;
}

struct Scratch {
  std::vector<uint32_t> ascii;
  std::vector<uint32_t> sequence;
  std::vector<uint32_t> sequenceStart;
  std::vector<uint32_t> postings;
};

std::vector<uint8_t> Build(std::string_view sourcePath, const FileIdentity& source) {
  namespace cb = catalog_bytes;
  CatalogStream in;
  if (!in.Open(sourcePath, source)) return {};
  std::vector<uint8_t> section[fmt::kSectionCount];
  Meta meta;
  int32_t dirCount = 0;
  int16_t version = 0;
  if (in.Next([&](const uint8_t* p, size_t size) {
        cb::Header header;
        const size_t used = cb::ParseHeader(p, size, header);
        if (used == 0) return used;
        meta = {std::string(header.volumeRoot),
                std::string(header.volumeLabel),
                std::string(header.catalogName),
                header.version,
                header.cataloguedTime,
                header.serialNumber,
                header.freeSpace};
        dirCount = std::max(header.dirCount, 0);
        version = header.version;
        return used;
      }) < 0) {
    return {};
  }

  // Every directory entry takes a byte at the least: a count the file cannot hold is refused
  // before anything is allocated for it.
  if (static_cast<uint64_t>(dirCount) > in.Remaining()) return {};
  ByteWriter dirStarts(section[fmt::kDirStarts]);
  std::vector<std::string> dirPaths(static_cast<size_t>(dirCount));
  for (int32_t k = 0; k < dirCount; ++k) {
    cb::DirEntry dir;
    const int64_t at =
        in.Next([&](const uint8_t* p, size_t size) { return cb::ParseDirEntry(p, size, version, dir); });
    if (at < 0) return {};
    dirPaths[static_cast<size_t>(k)] = dir.path;
    if (k % fmt::kDirGroup == 0) dirStarts.Put<uint64_t>(static_cast<uint64_t>(at));
  }
  dirStarts.Put<uint64_t>(in.Offset());
  int32_t fileCount = 0;
  if (in.Next([&](const uint8_t* p, size_t size) { return cb::ParseCount(p, size, fileCount); }) < 0)
    return {};
  const auto n = static_cast<uint32_t>(std::max(fileCount, 0));

  // Each block once under every distinct trigram of its entries' folded names, and under the
  // marked ones of empty files' names and of the starts and ends of names; and whether the
  // directory entries are numbered as a scan numbers them (Catalog::KeepsDirectoryNumbering).
  ByteWriter blockPlaces(section[fmt::kBlockPlaces]);
  ByteWriter blockSums(section[fmt::kBlockSums]);
  ByteWriter blockLengths(section[fmt::kBlockLengths]);
  // The block being read: its entries' earliest and latest times, kinds of length and length bits.
  int64_t earliest = 0;
  int64_t latest = 0;
  uint64_t kinds = 0;
  fmt::LengthBits lengths = {};
  std::vector<uint32_t> dirEntryRecords;
  bool anyShownFromNames = false;  // some path shown is spelled from names
  int64_t nextDir = 1;
  bool numbered = dirCount > 0;
  // Per directory: whether its names up to the root spell its stored path, and whether one of
  // them holds '\\' (then its path is shown from the names: entry_path.cpp).
  std::vector<char> spelled(static_cast<size_t>(std::max(dirCount, 1)), 0);
  std::vector<char> backslash(spelled.size(), 0);
  spelled[0] = 1;
  // The large arrays are kept from index to index on each thread: fresh memory costs more to
  // map than to fill.
  thread_local Scratch scratch;
  TrigramIds ids(scratch.ascii);
  std::vector<uint32_t>& sequence = scratch.sequence;  // the distinct trigram ids of each block, in order
  std::vector<uint32_t>& sequenceStart = scratch.sequenceStart;
  std::vector<uint32_t>& postings = scratch.postings;
  sequence.clear();
  sequenceStart.clear();
  std::vector<uint32_t> counts;
  std::vector<uint32_t> lastBlock;
  std::vector<uint32_t> innerBlock;  // by id: the last block where a name holds it past its start
  // The trigrams the names of the block at hand start with, and their ids.
  std::vector<std::pair<uint32_t, uint32_t>> starts;
  auto idOf = [&](uint32_t trigram) {
    const uint32_t id = ids.IdOf(trigram);
    if (id == counts.size()) {
      counts.push_back(0);
      lastBlock.push_back(std::numeric_limits<uint32_t>::max());
      innerBlock.push_back(std::numeric_limits<uint32_t>::max());
    }
    return id;
  };
  // Lists block `at` under trigram `id`, once.
  auto list = [&](uint32_t id, uint32_t at) {
    if (lastBlock[id] == at) return;
    lastBlock[id] = at;
    ++counts[id];
    sequence.push_back(id);
  };
  const bool wide = version >= Catalog::kWideVersion;
  for (uint32_t r = 0; r < n; ++r) {
    const uint32_t block = r / fmt::kBlockRecords;
    cb::FileEntry entry;
    const int64_t at =
        in.Next([&](const uint8_t* p, size_t size) { return cb::ParseFileEntry(p, size, wide, entry); });
    // A file the catalog reader rejects gets no index.
    if (at < 0 || entry.dirNumber < 0 || entry.dirNumber >= dirCount ||
        entry.length < FileRecord::kLowestLength)
      return {};
    if (r % fmt::kBlockRecords == 0) {
      blockPlaces.Put<uint64_t>(static_cast<uint64_t>(at));
      sequenceStart.push_back(static_cast<uint32_t>(sequence.size()));
      earliest = latest = entry.time;
      kinds = 0;
      lengths = {};
    }
    earliest = std::min(earliest, entry.time);
    latest = std::max(latest, entry.time);
    kinds |= fmt::LengthKind(entry.length);
    fmt::AddLength(lengths, entry.length);
    if (r % fmt::kBlockRecords == fmt::kBlockRecords - 1 || r + 1 == n) {
      blockSums.Put<int64_t>(earliest);
      blockSums.Put<int64_t>(latest);
      blockSums.Put<uint64_t>(kinds);
      for (const uint64_t word : lengths) blockLengths.Put<uint64_t>(word);
    }
    if (entry.length < 0 && numbered) {
      numbered = nextDir < dirCount && entry.length == -nextDir && entry.dirNumber < nextDir;
      if (numbered) {
        const auto d = static_cast<size_t>(nextDir);
        const auto parent = static_cast<size_t>(entry.dirNumber);
        const std::string& path = dirPaths[d];
        const std::string& above = dirPaths[parent];
        spelled[d] = spelled[parent] != 0 && path.size() == above.size() + 1 + entry.name.size() &&
                     path.compare(0, above.size(), above) == 0 && path[above.size()] == '\\' &&
                     path.compare(above.size() + 1, std::string::npos, entry.name) == 0;
        backslash[d] = backslash[parent] != 0 || entry.name.find('\\') != std::string_view::npos;
        const bool shownFromNames = spelled[d] != 0 && backslash[d] != 0;
        anyShownFromNames = anyShownFromNames || shownFromNames;
        dirEntryRecords.push_back(r | (shownFromNames ? fmt::kShownFromNames : 0));
      }
      ++nextDir;
    }
    const std::string_view name = entry.name;
    auto trigramAt = [&name](size_t i) {
      return fmt::Trigram(static_cast<uint8_t>(FoldAscii(name[i])),
                          static_cast<uint8_t>(FoldAscii(name[i + 1])),
                          static_cast<uint8_t>(FoldAscii(name[i + 2])));
    };
    // An empty file's name is listed twice: under its trigrams, and under them marked as an
    // empty file's.
    for (const uint32_t mark : {0u, fmt::kEmptyFileTrigram}) {
      if (mark != 0 && entry.length != 0) break;
      for (size_t i = 0; i + 3 <= name.size(); ++i) {
        const uint32_t trigram = trigramAt(i);
        const uint32_t id = idOf(mark | trigram);
        if (mark == 0 && i == 0) starts.emplace_back(trigram, id);
        if (mark == 0 && i > 0) innerBlock[id] = block;
        list(id, block);
      }
    }
    if (name.size() >= 3) list(idOf(fmt::kNameEndTrigram | trigramAt(name.size() - 3)), block);
    // At the end of a block, the trigrams its names start with and hold nowhere else.
    if (r % fmt::kBlockRecords == fmt::kBlockRecords - 1 || r + 1 == n) {
      for (const auto& [start, id] : starts) {
        if (innerBlock[id] != block) list(idOf(fmt::kStartOnlyTrigram | start), block);
      }
      starts.clear();
    }
  }
  blockPlaces.Put<uint64_t>(in.Offset());
  numbered = numbered && nextDir == dirCount;
  // The file must be the one it was when opened, all through the reading.
  FileIdentity after;
  if (!IdentityOfFile(std::string(sourcePath), after) || !(after == source)) return {};
  if (numbered) {
    ByteWriter dirEntries(section[fmt::kDirEntries]);
    for (const uint32_t r : dirEntryRecords) dirEntries.Put(r);
  }
  const auto blocks = static_cast<uint32_t>(sequenceStart.size());
  sequenceStart.push_back(static_cast<uint32_t>(sequence.size()));

  const std::vector<uint32_t>& trigrams = ids.Trigrams();
  const auto trigramCount = static_cast<uint32_t>(trigrams.size());
  std::vector<uint64_t> listStart(trigramCount + 1, 0);
  for (uint32_t id = 0; id < trigramCount; ++id) listStart[id + 1] = listStart[id] + counts[id];
  postings.resize(sequence.size());
  {
    std::vector<uint64_t> fill(listStart.begin(), listStart.end() - 1);
    for (uint32_t b = 0; b < blocks; ++b) {
      for (uint32_t k = sequenceStart[b]; k < sequenceStart[b + 1]; ++k) postings[fill[sequence[k]]++] = b;
    }
  }
  std::vector<uint32_t> order(trigramCount);  // trigram ids in ascending trigram order
  for (uint32_t id = 0; id < trigramCount; ++id) order[id] = id;
  std::sort(order.begin(), order.end(),
            [&trigrams](uint32_t a, uint32_t b) { return trigrams[a] < trigrams[b]; });

  std::vector<uint8_t>& packed = section[fmt::kPostings];
  ByteWriter entries(section[fmt::kTrigrams]);
  ByteWriter pageDir(section[fmt::kPageDir]);
  constexpr uint32_t kEntriesPerPage = fmt::kPageSize / fmt::kTrigramEntrySize;
  for (uint32_t k = 0; k < trigramCount; ++k) {
    const uint32_t id = order[k];
    const size_t from = packed.size();
    PackPostings(postings.data() + listStart[id], counts[id], packed);
    if (packed.size() > std::numeric_limits<uint32_t>::max()) return {};
    if (k % kEntriesPerPage == 0) pageDir.Put(trigrams[id]);
    entries.Put(trigrams[id]);
    entries.Put(counts[id]);
    entries.Put(static_cast<uint32_t>(from));
    entries.Put(static_cast<uint32_t>(packed.size() - from));
  }
  const uint32_t flags =
      numbered ? fmt::kKeepsNumbering | (anyShownFromNames ? fmt::kSpelledFromNames : 0) : 0;
  return Assemble(meta, sourcePath, source, flags, n, static_cast<uint32_t>(dirCount), section, trigramCount);
}

}  // namespace

std::vector<uint8_t> BuildCatalogIndex(std::string_view sourcePath, const FileIdentity& source) {
  return Build(sourcePath, source);
}

std::vector<uint8_t> BuildUnindexedMarker(std::string_view sourcePath, const FileIdentity& source) {
  std::vector<uint8_t> section[fmt::kSectionCount];
  return Assemble(Meta(), sourcePath, source, fmt::kUnindexed, 0, 0, section, 0);
}

}  // namespace mardo
