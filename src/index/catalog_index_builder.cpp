#include "index/catalog_index_builder.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/text_compare.h"
#include "index/index_checksum.h"
#include "index/index_format.h"

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
  void Align() { out_.resize((out_.size() + 7) / 8 * 8, 0); }
  void Varint(uint32_t v) {
    while (v >= 0x80) {
      out_.push_back(static_cast<uint8_t>(v | 0x80));
      v >>= 7;
    }
    out_.push_back(static_cast<uint8_t>(v));
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

}  // namespace

namespace {

std::vector<uint8_t> Build(const Catalog& catalog, std::string_view sourcePath, const FileIdentity& source,
                           uint32_t flags) {
  const auto& files = catalog.files;
  const auto& dirs = catalog.dirs;
  const uint64_t records = static_cast<uint64_t>(files.Size());
  uint64_t nameBytes = 0;
  for (const FileRecord* r : files) nameBytes += r->Name().size() + 1;
  uint64_t dirPathBytes = 0;
  for (const DirRecord* d : dirs) dirPathBytes += d->Path().size();
  if (records >= std::numeric_limits<uint32_t>::max() || nameBytes >= std::numeric_limits<uint32_t>::max() ||
      dirPathBytes >= std::numeric_limits<uint32_t>::max()) {
    return {};
  }
  const auto n = static_cast<uint32_t>(records);

  // Postings: each record once under every distinct trigram of its folded name.
  TrigramTable table;
  std::vector<uint32_t> sequence;  // the distinct trigram ids of each record, record after record
  std::vector<uint32_t> sequenceStart(n + 1, 0);
  std::vector<uint32_t> counts;
  std::vector<uint32_t> lastRecord;
  sequence.reserve(nameBytes);
  for (uint32_t r = 0; r < n; ++r) {
    sequenceStart[r] = static_cast<uint32_t>(sequence.size());
    const std::string_view name = files[static_cast<int32_t>(r)]->Name();
    for (size_t i = 0; i + 3 <= name.size(); ++i) {
      const uint32_t id = table.IdOf(fmt::Trigram(static_cast<uint8_t>(FoldAscii(name[i])),
                                                  static_cast<uint8_t>(FoldAscii(name[i + 1])),
                                                  static_cast<uint8_t>(FoldAscii(name[i + 2]))));
      if (id == counts.size()) {
        counts.push_back(0);
        lastRecord.push_back(std::numeric_limits<uint32_t>::max());
      }
      if (lastRecord[id] == r) continue;
      lastRecord[id] = r;
      ++counts[id];
      sequence.push_back(id);
    }
  }
  sequenceStart[n] = static_cast<uint32_t>(sequence.size());
  const std::vector<uint32_t>& trigrams = table.Trigrams();
  const auto trigramCount = static_cast<uint32_t>(trigrams.size());
  std::vector<uint32_t> listStart(trigramCount + 1, 0);
  for (uint32_t id = 0; id < trigramCount; ++id) listStart[id + 1] = listStart[id] + counts[id];
  std::vector<uint32_t> postings(sequence.size());
  {
    std::vector<uint32_t> fill(listStart.begin(), listStart.end() - 1);
    for (uint32_t r = 0; r < n; ++r) {
      for (uint32_t k = sequenceStart[r]; k < sequenceStart[r + 1]; ++k) postings[fill[sequence[k]]++] = r;
    }
  }
  std::vector<uint32_t>().swap(sequence);
  std::vector<uint32_t> order(trigramCount);  // trigram ids in ascending trigram order
  for (uint32_t id = 0; id < trigramCount; ++id) order[id] = id;
  std::sort(order.begin(), order.end(),
            [&trigrams](uint32_t a, uint32_t b) { return trigrams[a] < trigrams[b]; });

  // Each section in a buffer of its own; they are laid out after the header with the sections
  // read on opening first, so that opening reads one run of bytes.
  std::vector<uint8_t> section[fmt::kSectionCount];
  auto writer = [&section](int s) { return ByteWriter(section[s]); };

  ByteWriter meta = writer(fmt::kMeta);
  meta.Text(sourcePath);
  meta.Text(catalog.volumeRoot);
  meta.Text(catalog.volumeLabel);
  meta.Text(catalog.catalogName);
  meta.Put(catalog.formatVersion);
  meta.Put(int16_t{0});
  meta.Put<int64_t>(catalog.cataloguedTime);
  meta.Put(catalog.serialNumber);
  meta.Put(catalog.freeSpace);

  const auto dirCount = static_cast<uint32_t>(dirs.Size());
  ByteWriter dirEntries = writer(fmt::kDirs);
  ByteWriter dirPaths = writer(fmt::kDirPaths);
  ByteWriter dirSums = writer(fmt::kDirSums);
  uint32_t pathAt = 0;
  for (uint32_t first = 0; first < dirCount; first += fmt::kBlockDirs) {
    const uint32_t last = std::min(dirCount, first + fmt::kBlockDirs);
    const size_t entriesFrom = dirEntries.Size();
    const size_t pathsFrom = dirPaths.Size();
    for (uint32_t k = first; k < last; ++k) {
      const DirRecord* d = dirs[static_cast<int32_t>(k)];
      dirEntries.Put(pathAt);
      dirEntries.Put(static_cast<uint32_t>(d->Path().size()));
      dirEntries.Put(d->fileCount);
      dirEntries.Put(uint32_t{0});
      dirEntries.Put(d->totalLength);
      dirPaths.Bytes(d->Path().data(), d->Path().size());
      pathAt += static_cast<uint32_t>(d->Path().size());
    }
    dirSums.Put(IndexChecksum(
        section[fmt::kDirPaths].data() + pathsFrom, dirPaths.Size() - pathsFrom,
        IndexChecksum(section[fmt::kDirs].data() + entriesFrom, dirEntries.Size() - entriesFrom)));
  }

  ByteWriter times = writer(fmt::kTimes);
  ByteWriter lengths = writer(fmt::kLengths);
  ByteWriter dirNumbers = writer(fmt::kDirNumbers);
  ByteWriter nameOffsets = writer(fmt::kNameOffsets);
  ByteWriter names = writer(fmt::kNames);
  section[fmt::kNames].reserve(nameBytes);
  uint32_t nameAt = 0;
  for (const FileRecord* r : files) {
    times.Put<int64_t>(r->lastWriteTime);
    lengths.Put<int64_t>(r->length);
    dirNumbers.Put<int32_t>(r->dirNumber);
    nameOffsets.Put(nameAt);
    names.Bytes(r->Name().data(), r->Name().size());
    names.Put(uint8_t{0});
    nameAt += static_cast<uint32_t>(r->Name().size() + 1);
  }
  nameOffsets.Put(nameAt);
  ByteWriter blockSums = writer(fmt::kBlockSums);
  for (uint32_t first = 0; first < n; first += fmt::kBlockRecords) {
    const uint32_t last = std::min(n, first + fmt::kBlockRecords);
    const uint32_t count = last - first;
    uint64_t h = IndexChecksum(section[fmt::kTimes].data() + fmt::kTimeSize * first, fmt::kTimeSize * count);
    h = IndexChecksum(section[fmt::kLengths].data() + fmt::kLengthSize * first, fmt::kLengthSize * count, h);
    h = IndexChecksum(section[fmt::kDirNumbers].data() + fmt::kDirNumberSize * first,
                      fmt::kDirNumberSize * count, h);
    const uint8_t* offsets = section[fmt::kNameOffsets].data();
    h = IndexChecksum(offsets + 4 * size_t{first}, 4 * (size_t{count} + 1), h);
    uint32_t from = 0;
    uint32_t to = 0;
    std::memcpy(&from, offsets + 4 * size_t{first}, 4);
    std::memcpy(&to, offsets + 4 * size_t{last}, 4);
    blockSums.Put(IndexChecksum(section[fmt::kNames].data() + from, to - from, h));
  }

  ByteWriter postingBytes = writer(fmt::kPostings);
  ByteWriter entries = writer(fmt::kTrigrams);
  for (uint32_t id : order) {
    const size_t at = postingBytes.Size();
    uint32_t previous = 0;
    for (uint32_t k = listStart[id]; k < listStart[id + 1]; ++k) {
      postingBytes.Varint(k == listStart[id] ? postings[k] : postings[k] - previous);
      previous = postings[k];
    }
    const size_t size = postingBytes.Size() - at;
    entries.Put(trigrams[id]);
    entries.Put(counts[id]);
    entries.Put(static_cast<uint64_t>(at));
    entries.Put(static_cast<uint32_t>(size));
    entries.Put(static_cast<uint32_t>(IndexChecksum(section[fmt::kPostings].data() + at, size)));
  }
  ByteWriter pageDir = writer(fmt::kPageDir);
  for (uint32_t page = 0; page < fmt::PageCount(trigramCount); ++page) {
    const uint32_t first = page * fmt::kPageEntries;
    const uint32_t count = std::min(trigramCount - first, fmt::kPageEntries);
    pageDir.Put(trigrams[order[first]]);
    pageDir.Put(static_cast<uint32_t>(
        IndexChecksum(section[fmt::kTrigrams].data() + size_t{first} * fmt::kTrigramEntrySize,
                      size_t{count} * fmt::kTrigramEntrySize)));
  }

  size_t total = fmt::kHeaderSize;
  for (const auto& bytes : section) total += (bytes.size() + 7) / 8 * 8;
  std::vector<uint8_t> out;
  out.reserve(total);
  out.resize(fmt::kHeaderSize, 0);
  uint64_t sectionAt[fmt::kSectionCount] = {};
  uint64_t sectionSize[fmt::kSectionCount] = {};
  for (int s :
       {fmt::kMeta, fmt::kBlockSums, fmt::kDirSums, fmt::kPageDir, fmt::kDirs, fmt::kDirPaths, fmt::kTimes,
        fmt::kLengths, fmt::kDirNumbers, fmt::kNameOffsets, fmt::kNames, fmt::kTrigrams, fmt::kPostings}) {
    sectionAt[s] = out.size();
    sectionSize[s] = section[s].size();
    out.insert(out.end(), section[s].begin(), section[s].end());
    out.resize((out.size() + 7) / 8 * 8, 0);
    std::vector<uint8_t>().swap(section[s]);
  }

  // The header.
  std::memcpy(out.data(), fmt::kMagic, sizeof fmt::kMagic);
  PutAt(out, fmt::kVersionAt, fmt::kVersion);
  PutAt(out, fmt::kHeaderSizeAt, static_cast<uint32_t>(fmt::kHeaderSize));
  PutAt(out, fmt::kFileSizeAt, static_cast<uint64_t>(out.size()));
  PutAt(out, fmt::kDeviceAt, source.device);
  PutAt(out, fmt::kInodeAt, source.inode);
  PutAt(out, fmt::kSourceSizeAt, source.size);
  PutAt(out, fmt::kModifiedAt, source.modifiedNs);
  PutAt(out, fmt::kChangedAt, source.changedNs);
  PutAt(out, fmt::kRecordCountAt, n);
  PutAt(out, fmt::kDirCountAt, static_cast<uint32_t>(dirs.Size()));
  PutAt(out, fmt::kTrigramCountAt, trigramCount);
  PutAt(out, fmt::kFlagsAt, flags);
  for (int s = 0; s < fmt::kSectionCount; ++s) {
    PutAt(out, fmt::kSectionTableAt + 16 * s, sectionAt[s]);
    PutAt(out, fmt::kSectionTableAt + 16 * s + 8, sectionSize[s]);
  }
  uint64_t h = IndexChecksum(out.data(), fmt::kOpenChecksumAt);
  for (int s : {fmt::kMeta, fmt::kBlockSums, fmt::kDirSums, fmt::kPageDir})
    h = IndexChecksum(out.data() + sectionAt[s], sectionSize[s], h);
  PutAt(out, fmt::kOpenChecksumAt, h);
  return out;
}

}  // namespace

std::vector<uint8_t> BuildCatalogIndex(const Catalog& catalog, std::string_view sourcePath,
                                       const FileIdentity& source) {
  return Build(catalog, sourcePath, source, 0);
}

std::vector<uint8_t> BuildUnindexedMarker(std::string_view sourcePath, const FileIdentity& source) {
  return Build(Catalog(), sourcePath, source, index_format::kUnindexed);
}

}  // namespace mardo
