#include "index/catalog_index.h"

#include <algorithm>
#include <limits>
#include <map>

#include "index/index_checksum.h"

namespace mardo {
namespace {

namespace fmt = index_format;
namespace cb = catalog_bytes;

// Makes `buffer` `size` bytes long for a read that overwrites it whole: what it held is not kept,
// so growing copies nothing, and new memory gets its pages at once rather than a fault each.
void SizeForRead(ReadBuffer& buffer, size_t size) {
  if (size > buffer.capacity()) {
    ReadBuffer fresh;
    fresh.reserve(std::max(size, 2 * buffer.capacity()));
    MapForWriting(fresh.data(), fresh.capacity());
    buffer.swap(fresh);
  }
  buffer.resize(size);
}

// Reads the meta section's fields in order, never past its end.
class MetaReader {
 public:
  explicit MetaReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  template <class T>
  bool Get(T& value) {
    if (bytes_.size() - at_ < sizeof(T)) return false;
    __builtin_memcpy(&value, bytes_.data() + at_, sizeof(T));
    at_ += sizeof(T);
    return true;
  }
  bool Text(std::string& text) {
    uint32_t size = 0;
    if (!Get(size) || bytes_.size() - at_ < size) return false;
    text.assign(reinterpret_cast<const char*>(bytes_.data() + at_), size);
    at_ += size;
    return true;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

// A catalog counts its records and directories in 32-bit signed positions: a larger count is
// not one a catalog can have (and would let block arithmetic wrap).
constexpr uint32_t kMostPositions = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());

}  // namespace

std::unique_ptr<CatalogIndex> CatalogIndex::OpenFile(std::unique_ptr<PagedFile> file,
                                                     std::unique_ptr<PagedFile> catalog,
                                                     Checksums checksums) {
  if (!file) return nullptr;
  std::unique_ptr<CatalogIndex> index(new CatalogIndex());
  index->bytes_ = std::span<const uint8_t>(file->Data(), file->Size());
  index->file_ = std::move(file);
  if (catalog) {
    index->catalog_ = std::span<const uint8_t>(catalog->Data(), catalog->Size());
    index->catalogFile_ = std::move(catalog);
  }
  if (!index->Open(checksums)) return nullptr;
  // The offsets are those of the file the index was made from. (Without the catalog file only
  // the header fields can be read: every block read fails.)
  if (index->catalogFile_ && !index->unindexed_ && !(index->catalogFile_->Identity() == index->source_))
    return nullptr;
  return index;
}

std::unique_ptr<CatalogIndex> CatalogIndex::OpenBytes(std::vector<uint8_t> bytes,
                                                      std::vector<uint8_t> catalog, Checksums checksums) {
  std::unique_ptr<CatalogIndex> index(new CatalogIndex());
  index->owned_ = std::move(bytes);
  index->bytes_ = index->owned_;
  index->catalogOwned_ = std::move(catalog);
  index->catalog_ = index->catalogOwned_;
  if (!index->Open(checksums)) return nullptr;
  return index;
}

bool CatalogIndex::Open(Checksums checksums) {
  verify_ = checksums == Checksums::kVerify;
  const uint8_t* base = bytes_.data();
  const uint64_t size = bytes_.size();
  // The header and, as written, the sections read on opening lie at the start: one read.
  if (file_) file_->Load(0, std::min<uint64_t>(size, kOpeningRead));
  if (size < fmt::kHeaderSize || !Need(0, fmt::kHeaderSize) ||
      __builtin_memcmp(base, fmt::kMagic, sizeof fmt::kMagic) != 0) {
    return Fail();
  }
  if (Load<uint32_t>(base + fmt::kVersionAt) != fmt::kVersion ||
      Load<uint32_t>(base + fmt::kHeaderSizeAt) != fmt::kHeaderSize ||
      Load<uint64_t>(base + fmt::kFileSizeAt) != size ||
      Load<uint32_t>(base + fmt::kRevisionAt) != fmt::CodeRevision() ||
      Load<uint32_t>(base + fmt::kBlockRecordsAt) != fmt::kBlockRecords) {
    return Fail();
  }
  source_.device = Load<uint64_t>(base + fmt::kDeviceAt);
  source_.inode = Load<uint64_t>(base + fmt::kInodeAt);
  source_.size = Load<int64_t>(base + fmt::kSourceSizeAt);
  source_.modifiedNs = Load<int64_t>(base + fmt::kModifiedAt);
  source_.changedNs = Load<int64_t>(base + fmt::kChangedAt);
  recordCount_ = Load<uint32_t>(base + fmt::kRecordCountAt);
  dirCount_ = Load<uint32_t>(base + fmt::kDirCountAt);
  trigramCount_ = Load<uint32_t>(base + fmt::kTrigramCountAt);
  const uint32_t flags = Load<uint32_t>(base + fmt::kFlagsAt);
  if (recordCount_ > kMostPositions || dirCount_ > kMostPositions ||
      trigramCount_ > fmt::Trigram(255, 255, 255) + 1 ||
      (flags & ~(fmt::kUnindexed | fmt::kKeepsNumbering | fmt::kSpelledFromNames)) != 0) {
    return Fail();
  }
  unindexed_ = (flags & fmt::kUnindexed) != 0;
  numbered_ = (flags & fmt::kKeepsNumbering) != 0;
  spelled_ = (flags & fmt::kSpelledFromNames) != 0;
  if (spelled_ && !numbered_) return Fail();
  if (unindexed_ && (recordCount_ != 0 || dirCount_ != 0 || trigramCount_ != 0 || numbered_)) return Fail();
  if (numbered_ && dirCount_ == 0) return Fail();
  blockCount_ = static_cast<uint32_t>(fmt::BlockCount(recordCount_));

  for (int s = 0; s < fmt::kSectionCount; ++s) {
    const uint64_t at = Load<uint64_t>(base + fmt::kSectionTableAt + 16 * s);
    const uint64_t length = Load<uint64_t>(base + fmt::kSectionTableAt + 16 * s + 8);
    if (at % 8 != 0 || at < fmt::kHeaderSize || at > size || length > size - at) return Fail();
    sectionAt_[s] = at;
    sectionSize_[s] = length;
  }
  const uint64_t expected[fmt::kSectionCount] = {
      sectionSize_[fmt::kMeta],  // parsed below
      0,                         // page sums: counted below
      4 * fmt::PageCount(sectionSize_[fmt::kTrigrams]),
      unindexed_ ? 0 : 8 * (uint64_t{blockCount_} + 1),
      fmt::kBlockSummarySize * uint64_t{blockCount_},
      fmt::kBlockLengthsSize * uint64_t{blockCount_},
      unindexed_ ? 0 : 8 * (fmt::DirGroupCount(dirCount_) + 1),
      numbered_ ? 4 * (uint64_t{dirCount_} - 1) : 0,
      fmt::kTrigramEntrySize * uint64_t{trigramCount_},
      sectionSize_[fmt::kPostings],
  };
  uint64_t sums = 0;
  for (int s = fmt::kFirstPaged; s < fmt::kSectionCount; ++s) {
    firstSum_[s] = sums;
    sums += fmt::PageCount(sectionSize_[s]);
    pageChecked_[s].assign(fmt::PageCount(sectionSize_[s]), false);
  }
  for (int s = 0; s < fmt::kSectionCount; ++s) {
    if (s != fmt::kPageSums && sectionSize_[s] != expected[s]) return Fail();
  }
  if (sectionSize_[fmt::kPageSums] != 4 * sums || sectionSize_[fmt::kPostings] > UINT32_MAX) return Fail();
  for (int s = 0; s < fmt::kFirstPaged; ++s) {
    if (!Need(sectionAt_[s], sectionSize_[s])) return false;
  }
  if (verify_) {
    uint8_t header[fmt::kOpenChecksumAt];
    __builtin_memcpy(header, base, sizeof header);
    __builtin_memset(header + fmt::kRevisionAt, 0, 4);
    uint64_t h = IndexChecksum(header, sizeof header);
    for (int s = 0; s < fmt::kFirstPaged; ++s) h = IndexChecksum(base + sectionAt_[s], sectionSize_[s], h);
    if (h != Load<uint64_t>(base + fmt::kOpenChecksumAt)) return Fail();
  }

  MetaReader meta(bytes_.subspan(sectionAt_[fmt::kMeta], sectionSize_[fmt::kMeta]));
  int16_t pad = 0;
  if (!meta.Text(sourcePath_) || !meta.Text(volumeRoot_) || !meta.Text(volumeLabel_) ||
      !meta.Text(catalogName_) || !meta.Get(formatVersion_) || !meta.Get(pad) || !meta.Get(cataloguedTime_) ||
      !meta.Get(serialNumber_) || !meta.Get(freeSpace_) || !meta.AtEnd()) {
    return Fail();
  }
  if (formatVersion_ > Catalog::kWideVersion) return Fail();  // older files may hold any lower number
  // The pages' first trigrams ascend.
  const uint8_t* pages = base + sectionAt_[fmt::kPageDir];
  for (uint64_t p = 1; p < sectionSize_[fmt::kPageDir] / 4; ++p) {
    if (Load<uint32_t>(pages + 4 * p) <= Load<uint32_t>(pages + 4 * (p - 1))) return Fail();
  }
  return true;
}

const uint8_t* CatalogIndex::Paged(int s, uint64_t at, uint64_t size) {
  if (damaged_ || at > sectionSize_[s] || size > sectionSize_[s] - at) {
    Fail();
    return nullptr;
  }
  const uint8_t* section = bytes_.data() + sectionAt_[s];
  if (size == 0) return section + at;
  const uint64_t last = (at + size - 1) / fmt::kPageSize;
  for (uint64_t page = at / fmt::kPageSize; page <= last; ++page) {
    if (pageChecked_[s][page]) continue;
    const uint64_t from = page * fmt::kPageSize;
    const uint64_t length = std::min<uint64_t>(fmt::kPageSize, sectionSize_[s] - from);
    if (!Need(sectionAt_[s] + from, length)) return nullptr;
    if (verify_ &&
        static_cast<uint32_t>(IndexChecksum(section + from, length)) !=
            Load<uint32_t>(bytes_.data() + sectionAt_[fmt::kPageSums] + 4 * (firstSum_[s] + page))) {
      Fail();
      return nullptr;
    }
    pageChecked_[s][page] = true;
  }
  return section + at;
}

bool CatalogIndex::ReadPages(int s, uint64_t first, uint64_t count, ReadBuffer& out) {
  const uint64_t from = first * fmt::kPageSize;
  if (damaged_ || from >= sectionSize_[s] || count == 0) return Fail();
  const uint64_t length = std::min(count * fmt::kPageSize, sectionSize_[s] - from);
  SizeForRead(out, static_cast<size_t>(length));
  const uint64_t at = sectionAt_[s] + from;
  if (file_) {
    if (!file_->ReadInto(static_cast<size_t>(at), out.size(), out.data())) return Fail();
  } else {
    __builtin_memcpy(out.data(), bytes_.data() + at, out.size());
  }
  if (!verify_) return true;
  const uint8_t* sums = bytes_.data() + sectionAt_[fmt::kPageSums] + 4 * (firstSum_[s] + first);
  for (uint64_t k = 0; k * fmt::kPageSize < length; ++k) {
    const uint64_t size = std::min<uint64_t>(fmt::kPageSize, length - k * fmt::kPageSize);
    if (static_cast<uint32_t>(IndexChecksum(out.data() + k * fmt::kPageSize, size)) !=
        Load<uint32_t>(sums + 4 * k))
      return Fail();
  }
  return true;
}

const uint8_t* CatalogIndex::Buffered(int s, PageBuffer& buffer, uint64_t at, uint64_t size, uint64_t end) {
  if (damaged_ || size == 0 || at > sectionSize_[s] || size > sectionSize_[s] - at) {
    Fail();
    return nullptr;
  }
  if (at < buffer.at || at + size > buffer.at + buffer.pages.size()) {
    constexpr uint64_t kPages = 8;
    uint64_t first = at / fmt::kPageSize;
    const uint64_t needed = (at + size - 1) / fmt::kPageSize + 1 - first;
    const uint64_t last = (std::max(end, at + size) + fmt::kPageSize - 1) / fmt::kPageSize;
    uint64_t count = std::max(needed, std::min(kPages, last - first));
    if (!buffer.pages.empty() && first > 0 && first * fmt::kPageSize == buffer.at + buffer.pages.size()) {
      // A walk that needs the page after the buffer's is dense: it will likely need the next
      // ones too, and one read of several pages costs less than several reads.
      count = std::max(count, kPages);
      // A walk that looks a little ahead steps back now and then: the page before the one that
      // ended the buffer stays in it.
      --first;
      ++count;
    }
    if (!ReadPages(s, first, count, buffer.pages)) return nullptr;
    buffer.at = first * fmt::kPageSize;
  }
  return buffer.pages.data() + (at - buffer.at);
}

bool CatalogIndex::CatalogBytes(uint64_t from, uint64_t to, ReadBuffer& buffer,
                                std::span<const uint8_t>& bytes) {
  if (from > to || to > catalog_.size()) return Fail();
  if (!catalogFile_) {
    bytes = catalog_.subspan(from, to - from);
    return true;
  }
  SizeForRead(buffer, static_cast<size_t>(to - from));
  if (!catalogFile_->ReadInto(static_cast<size_t>(from), buffer.size(), buffer.data())) return Fail();
  bytes = buffer;
  return true;
}

bool CatalogIndex::BlockRange(uint32_t block, uint64_t& from, uint64_t& to) {
  if (block >= blockCount_) return Fail();
  // Blocks are looked up mostly in ascending order: from the disk, a few pages are read at a
  // time (in memory, the pages needed only: memory written first costs more than a read). A
  // block's place is read with the next one's, where it ends.
  const uint8_t* place = Buffered(fmt::kBlockPlaces, places_, 8 * uint64_t{block}, 16,
                                  fromDisk_ ? sectionSize_[fmt::kBlockPlaces] : 0);
  if (place == nullptr) return false;
  from = Load<uint64_t>(place);
  to = Load<uint64_t>(place + 8);
  return (from < to && to <= catalog_.size()) || Fail();
}

bool CatalogIndex::SummaryOf(uint32_t block, BlockSummary& summary) {
  if (block >= blockCount_) return Fail();
  const uint8_t* entry = Buffered(fmt::kBlockSums, sums_, fmt::kBlockSummarySize * uint64_t{block},
                                  fmt::kBlockSummarySize, fromDisk_ ? sectionSize_[fmt::kBlockSums] : 0);
  if (entry == nullptr) return false;
  summary = {Load<int64_t>(entry), Load<int64_t>(entry + 8), Load<uint64_t>(entry + 16)};
  return true;
}

bool CatalogIndex::LengthsOf(uint32_t block, fmt::LengthBits& lengths) {
  if (block >= blockCount_) return Fail();
  const uint8_t* entry = Buffered(fmt::kBlockLengths, lengths_, fmt::kBlockLengthsSize * uint64_t{block},
                                  fmt::kBlockLengthsSize, fromDisk_ ? sectionSize_[fmt::kBlockLengths] : 0);
  if (entry == nullptr) return false;
  for (size_t k = 0; k < fmt::kLengthWords; ++k) lengths[k] = Load<uint64_t>(entry + 8 * k);
  return true;
}

bool CatalogIndex::ScanBytes(uint32_t block, uint32_t run, std::span<const uint8_t>& bytes) {
  uint64_t from = 0;
  uint64_t to = 0;
  if (damaged_ || !BlockRange(block, from, to)) return false;
  if (!catalogFile_ || from < windowFrom_ || to - windowFrom_ > window_.size()) {
    // The next run of blocks, whole.
    const uint32_t last = block + std::min(std::max(run, 1u), blockCount_ - block) - 1;
    uint64_t lastFrom = 0;
    uint64_t end = to;
    if (last != block && !BlockRange(last, lastFrom, end)) return false;
    if (end < to) return Fail();
    std::span<const uint8_t> read;
    if (!CatalogBytes(from, end, window_, read)) {
      window_.clear();
      return false;
    }
    if (!catalogFile_) {
      bytes = read.first(static_cast<size_t>(to - from));
      return true;
    }
    windowFrom_ = from;
  }
  bytes = std::span<const uint8_t>(window_).subspan(from - windowFrom_, to - from);
  return true;
}

bool CatalogIndex::RunOver(std::span<const uint32_t> blocks, uint64_t most, uint32_t& run) {
  // Bytes between two blocks worth reading rather than a second read: a read costs about as much
  // as copying 16 KiB more. (From the disk they are asked for anyway: see ReadBlocksSoon.)
  constexpr uint64_t kGap = 16 * 1024;
  run = 1;
  if (blocks.empty()) return true;
  uint64_t first = 0;
  uint64_t end = 0;
  if (!BlockRange(blocks[0], first, end)) return false;
  for (size_t k = 1; k < blocks.size() && blocks[k] > blocks[k - 1]; ++k) {
    uint64_t from = 0;
    uint64_t to = 0;
    if (!BlockRange(blocks[k], from, to)) return false;
    if (from < end || from - end > kGap || to - first > most) break;
    end = to;
    run = blocks[k] - blocks[0] + 1;
  }
  return true;
}

void CatalogIndex::SetFromDisk(bool fromDisk) {
  fromDisk_ = fromDisk;
  if (fromDisk && file_) file_->ReadScattered();
  if (fromDisk && catalogFile_) catalogFile_->ReadScattered();
  constexpr uint64_t kSmall = 64 * 1024;
  if (sectionSize_[fmt::kDirStarts] <= kSmall) SectionSoon(fmt::kDirStarts, 0, sectionSize_[fmt::kDirStarts]);
}

void CatalogIndex::SectionSoon(int s, uint64_t at, uint64_t size) {
  if (!fromDisk_ || !file_ || at >= sectionSize_[s]) return;
  file_->ReadSoon(static_cast<size_t>(sectionAt_[s] + at),
                  static_cast<size_t>(std::min(size, sectionSize_[s] - at)));
}

void CatalogIndex::BlockPagesSoon(int s, uint64_t bytesPerBlock, uint64_t read,
                                  std::span<const uint32_t> blocks) {
  // Pages next to each other are asked for as one piece: a request costs some 20 µs of the
  // caller's time.
  uint64_t pageFrom = 0;  // the pages [pageFrom, pageTo) are to be asked for
  uint64_t pageTo = 0;
  for (const uint32_t block : blocks) {
    // What is read of a block may reach into the next page.
    const uint64_t at = bytesPerBlock * uint64_t{block};
    const uint64_t page = at / fmt::kPageSize;
    if (page > pageTo) {
      if (pageTo > pageFrom) SectionSoon(s, pageFrom * fmt::kPageSize, (pageTo - pageFrom) * fmt::kPageSize);
      pageFrom = page;
    }
    pageTo = std::max(pageTo, (at + read - 1) / fmt::kPageSize + 1);
  }
  if (pageTo > pageFrom) SectionSoon(s, pageFrom * fmt::kPageSize, (pageTo - pageFrom) * fmt::kPageSize);
}

void CatalogIndex::ReadBlockPlacesSoon(std::span<const uint32_t> blocks) {
  if (fromDisk_ && !blockPlacesAsked_) BlockPagesSoon(fmt::kBlockPlaces, 8, 16, blocks);
}

void CatalogIndex::ReadBlockSummariesSoon(std::span<const uint32_t> blocks, bool lengths) {
  if (!fromDisk_) return;
  BlockPagesSoon(fmt::kBlockSums, fmt::kBlockSummarySize, fmt::kBlockSummarySize, blocks);
  if (lengths) BlockPagesSoon(fmt::kBlockLengths, fmt::kBlockLengthsSize, fmt::kBlockLengthsSize, blocks);
}

namespace {

// Asks `file` for byte ranges given in ascending order, those on the same or the next page as
// one piece: a request costs some 20 µs of the caller's time. Wider gaps save requests but not
// time: the bytes the disk reads cost more than the requests (measured).
class RunsSoon {
 public:
  explicit RunsSoon(PagedFile& file) : file_(file) {}
  ~RunsSoon() { Ask(); }
  RunsSoon(const RunsSoon&) = delete;
  RunsSoon& operator=(const RunsSoon&) = delete;

  void Add(uint64_t from, uint64_t to) {
    constexpr uint64_t kDiskGap = 4 * 1024;
    if (to_ > from_ && (from < to_ || from - to_ > kDiskGap)) Ask();
    if (to_ == from_) from_ = from;
    to_ = to;
  }

 private:
  void Ask() {
    if (to_ > from_) file_.ReadSoon(static_cast<size_t>(from_), static_cast<size_t>(to_ - from_));
    from_ = to_ = 0;
  }

  PagedFile& file_;
  uint64_t from_ = 0;  // the bytes [from_, to_) are to be asked for
  uint64_t to_ = 0;
};

}  // namespace

bool CatalogIndex::ReadBlocksSoon(std::span<const uint32_t> blocks, uint64_t most) {
  if (!fromDisk_ || !catalogFile_) return true;
  // Where the blocks lie is asked for first, for all of them: then the catalog's bytes.
  ReadBlockPlacesSoon(blocks);
  RunsSoon asks(*catalogFile_);
  for (size_t i = 0; i < blocks.size();) {
    uint32_t run = 1;
    uint64_t from = 0;
    uint64_t to = 0;
    uint64_t lastFrom = 0;
    if (!RunOver(blocks.subspan(i), most, run) || !BlockRange(blocks[i], from, to) ||
        !BlockRange(blocks[i] + run - 1, lastFrom, to)) {
      return false;
    }
    asks.Add(from, to);
    // The blocks this run covers.
    const uint32_t last = blocks[i] + run - 1;
    while (i < blocks.size() && blocks[i] <= last) ++i;
  }
  return true;
}

bool CatalogIndex::ParseBlock(uint32_t block, std::span<const uint8_t> bytes, std::vector<Entry>& entries,
                              Summary summary) {
  if (damaged_ || block >= blockCount_) return Fail();
  const uint32_t first = block * fmt::kBlockRecords;
  const uint32_t count = std::min(fmt::kBlockRecords, recordCount_ - first);
  entries.resize(count);
  const uint8_t* p = bytes.data();
  size_t left = bytes.size();
  const bool wide = formatVersion_ >= Catalog::kWideVersion;
  for (uint32_t i = 0; i < count; ++i) {
    cb::FileEntry entry;
    const size_t used = cb::ParseFileEntry(p, left, wide, entry);
    // Every entry lies in a directory of this catalog, and a directory entry's length names a
    // directory number, as the catalog reader demands.
    if (used == 0 || entry.dirNumber < 0 || entry.dirNumber >= dirCount_ ||
        entry.length < FileRecord::kLowestLength) {
      return Fail();
    }
    entries[i] = {entry.time, entry.length, static_cast<int32_t>(entry.dirNumber), entry.name};
    p += used;
    left -= used;
  }
  if (left != 0) return Fail();  // the block's entries fill its bytes exactly
  if (summary == Summary::kUnused) return true;
  // The index says of the block what its entries are.
  BlockSummary said;
  if (!SummaryOf(block, said)) return false;
  BlockSummary is{entries[0].time, entries[0].time, 0};
  fmt::LengthBits lengths = {};
  for (const Entry& e : entries) {
    is.earliest = std::min(is.earliest, e.time);
    is.latest = std::max(is.latest, e.time);
    is.kinds |= fmt::LengthKind(e.length);
    fmt::AddLength(lengths, e.length);
  }
  if (said.earliest != is.earliest || said.latest != is.latest || said.kinds != is.kinds) return Fail();
  if (summary == Summary::kTimesAndKinds) return true;
  fmt::LengthBits saidLengths;
  return (LengthsOf(block, saidLengths) && saidLengths == lengths) || Fail();
}

uint32_t CatalogIndex::TrigramPage(uint32_t trigram) const {
  const uint8_t* pages = bytes_.data() + sectionAt_[fmt::kPageDir];
  const auto pageCount = static_cast<uint32_t>(sectionSize_[fmt::kPageDir] / 4);
  // The last page whose first trigram is not above `trigram`.
  uint32_t low = 0;
  uint32_t high = pageCount;
  while (high - low > 1) {
    const uint32_t mid = low + (high - low) / 2;
    if (Load<uint32_t>(pages + 4 * mid) <= trigram) {
      low = mid;
    } else {
      high = mid;
    }
  }
  return low;
}

void CatalogIndex::FindPostingsSoon(std::span<const uint32_t> trigrams) {
  if (!fromDisk_ || !file_ || damaged_ || trigramCount_ == 0) return;
  for (const uint32_t trigram : trigrams) {
    const uint64_t from = uint64_t{TrigramPage(trigram)} * fmt::kPageSize;
    if (from >= sectionSize_[fmt::kTrigrams]) continue;  // opening checks the page directory's order only
    file_->ReadSoon(
        static_cast<size_t>(sectionAt_[fmt::kTrigrams] + from),
        static_cast<size_t>(std::min<uint64_t>(fmt::kPageSize, sectionSize_[fmt::kTrigrams] - from)));
  }
}

bool CatalogIndex::FindPostings(uint32_t trigram, Postings& postings) {
  if (damaged_ || trigramCount_ == 0) return false;
  const uint8_t* pages = bytes_.data() + sectionAt_[fmt::kPageDir];
  const uint32_t low = TrigramPage(trigram);
  constexpr uint32_t kPerPage = fmt::kPageSize / fmt::kTrigramEntrySize;
  const uint32_t first = low * kPerPage;
  const uint32_t count = std::min(kPerPage, trigramCount_ - first);
  const uint8_t* entries = Paged(fmt::kTrigrams, uint64_t{first} * fmt::kTrigramEntrySize,
                                 uint64_t{count} * fmt::kTrigramEntrySize);
  if (entries == nullptr) return false;
  if (Load<uint32_t>(entries) != Load<uint32_t>(pages + 4 * low)) return Fail();
  uint32_t a = 0;
  uint32_t b = count;
  while (a < b) {
    const uint32_t mid = a + (b - a) / 2;
    if (Load<uint32_t>(entries + fmt::kTrigramEntrySize * mid) < trigram) {
      a = mid + 1;
    } else {
      b = mid;
    }
  }
  if (a == count) return false;
  const uint8_t* e = entries + fmt::kTrigramEntrySize * size_t{a};
  if (Load<uint32_t>(e) != trigram) return false;
  const uint32_t blocks = Load<uint32_t>(e + 4);
  const uint32_t at = Load<uint32_t>(e + 8);
  const uint32_t size = Load<uint32_t>(e + 12);
  // A group of up to kGroupBlocks blocks takes 1 to 1 + 4 * kGroupBlocks bytes.
  const uint64_t groups = (uint64_t{blocks} + fmt::kGroupBlocks - 1) / fmt::kGroupBlocks;
  if (blocks == 0 || blocks > blockCount_ || size < groups || size > groups * (1 + 4 * fmt::kGroupBlocks) ||
      at > sectionSize_[fmt::kPostings] || size > sectionSize_[fmt::kPostings] - at) {
    return Fail();
  }
  postings = Postings();
  postings.index_ = this;
  postings.at_ = at;
  postings.end_ = uint64_t{at} + size;
  postings.count_ = blocks;
  postings.left_ = blocks;
  return true;
}

void CatalogIndex::Postings::ReadSoon() const {
  if (index_ == nullptr || !index_->fromDisk_ || !index_->file_ || loaded_) return;
  // As much as the first read of the list takes (Buffered).
  constexpr uint64_t kFirstRead = 8 * fmt::kPageSize;
  index_->file_->ReadSoon(static_cast<size_t>(index_->sectionAt_[fmt::kPostings] + at_),
                          static_cast<size_t>(std::min(end_ - at_, kFirstRead)));
}

bool CatalogIndex::Postings::Load() {
  if (index_ == nullptr || index_->damaged_) return false;
  if (loaded_) return true;
  if (index_->Buffered(fmt::kPostings, pages_, at_, 1, end_) == nullptr) return false;
  loaded_ = true;
  return true;
}

bool CatalogIndex::Postings::NextGroup() {
  if (left_ == 0) return false;
  if (at_ >= end_) return index_->Fail();
  const uint8_t* head = index_->Buffered(fmt::kPostings, pages_, at_, 1, end_);
  if (head == nullptr) return false;
  const uint32_t width = *head;
  ++at_;
  const uint32_t n = std::min(left_, fmt::kGroupBlocks);
  const uint64_t bytes = (uint64_t{n} * width + 7) / 8;
  if (width > 32 || bytes > end_ - at_) return index_->Fail();
  // Gaps of 0 bits take no bytes.
  const uint8_t* q = bytes == 0 ? nullptr : index_->Buffered(fmt::kPostings, pages_, at_, bytes, end_);
  if (bytes != 0 && q == nullptr) return false;
  const uint64_t mask = width == 32 ? 0xFFFFFFFFull : (uint64_t{1} << width) - 1;
  uint64_t bit = 0;
  for (uint32_t k = 0; k < n; ++k, bit += width) {
    // The value's bits lie in at most five bytes from its first; fewer may remain.
    const uint64_t byte = bit / 8;
    uint64_t word = 0;
    for (uint64_t j = 0; j < 5 && byte + j < bytes; ++j) word |= uint64_t{q[byte + j]} << (8 * j);
    last_ += static_cast<int64_t>(((word >> (bit % 8)) & mask) + 1);
    if (last_ >= index_->blockCount_) return index_->Fail();
    group_[k] = static_cast<uint32_t>(last_);
  }
  at_ += bytes;
  left_ -= n;
  if (left_ == 0 && at_ != end_) return index_->Fail();
  groupSize_ = n;
  next_ = 0;
  return true;
}

bool CatalogIndex::Postings::NextAtLeast(uint32_t target, uint32_t& block) {
  if (!Load()) return false;
  while (true) {
    if (next_ == groupSize_) {
      if (!NextGroup()) return false;
    }
    // Whole groups below the target are passed over at once.
    if (group_[groupSize_ - 1] < target) {
      next_ = groupSize_;
      continue;
    }
    while (group_[next_] < target) ++next_;
    block = group_[next_];  // not passed over: the next target may be this block again
    return true;
  }
}

bool CatalogIndex::ReadDirGroup(uint32_t group, std::vector<cb::DirEntry>& dirs) {
  const uint8_t* starts = Paged(fmt::kDirStarts, 8 * uint64_t{group}, 16);
  if (starts == nullptr) return false;
  const uint64_t from = Load<uint64_t>(starts);
  const uint64_t to = Load<uint64_t>(starts + 8);
  std::span<const uint8_t> bytes;
  if (!CatalogBytes(from, to, dirBytes_, bytes)) return false;
  const uint32_t count = std::min(fmt::kDirGroup, dirCount_ - group * fmt::kDirGroup);
  dirs.resize(count);
  const uint8_t* p = bytes.data();
  size_t left = bytes.size();
  for (uint32_t k = 0; k < count; ++k) {
    const size_t used = cb::ParseDirEntry(p, left, formatVersion_, dirs[k]);
    if (used == 0) return Fail();
    p += used;
    left -= used;
  }
  return left == 0 || Fail();
}

void CatalogIndex::Found::Reserve(size_t count) {
  // Room not yet written costs no memory: a generous guess spares copying as the lists grow.
  constexpr size_t kNameGuess = 24;
  records_.reserve(count);
  kept_.reserve(count);
  names_.reserve(count * kNameGuess);
}

void CatalogIndex::Found::Add(uint32_t record, const Entry& entry) {
  GrowForFilling(records_, 1);
  GrowForFilling(kept_, 1);
  GrowForFilling(names_, entry.name.size());
  records_.push_back(record);
  kept_.push_back(
      {entry.time, entry.length, entry.dirNumber, static_cast<uint32_t>(entry.name.size()), names_.size()});
  // Copied whole (an insert would copy byte by byte through the allocator).
  const size_t at = names_.size();
  names_.resize(at + entry.name.size());
  std::copy(entry.name.begin(), entry.name.end(), names_.begin() + static_cast<std::ptrdiff_t>(at));
}

void CatalogIndex::Found::Truncate(size_t count) {
  if (count >= records_.size()) return;
  records_.resize(count);
  names_.resize(kept_[count].nameAt);
  kept_.resize(count);
}

CatalogIndex::Entry CatalogIndex::Found::At(size_t k) const {
  const Kept& e = kept_[k];
  return {e.time, e.length, e.dirNumber, std::string_view(names_.data() + e.nameAt, e.nameSize)};
}

std::unique_ptr<Catalog> CatalogIndex::MakeCatalog(std::span<const uint32_t> records,
                                                   const std::string& filePath, Directories directories) {
  if (damaged_) return nullptr;
  // The blocks to read, in order, so that those lying close together are read together.
  std::vector<uint32_t> blocks;
  for (const uint32_t r : records) {
    if (r >= recordCount_) {
      Fail();
      return nullptr;
    }
    if (blocks.empty() || blocks.back() != r / fmt::kBlockRecords) blocks.push_back(r / fmt::kBlockRecords);
  }
  Found found;
  std::vector<Entry> block;
  size_t next = 0;  // in blocks
  uint32_t blockNumber = UINT32_MAX;
  for (const uint32_t r : records) {
    if (r / fmt::kBlockRecords != blockNumber) {
      blockNumber = r / fmt::kBlockRecords;
      while (next < blocks.size() && blocks[next] != blockNumber) ++next;
      uint32_t run = 1;
      std::span<const uint8_t> bytes;
      if (!RunOver(std::span<const uint32_t>(blocks).subspan(std::min(next, blocks.size())), 64 * 1024,
                   run) ||
          !ScanBytes(blockNumber, run, bytes) || !ParseBlock(blockNumber, bytes, block)) {
        return nullptr;
      }
    }
    found.Add(r, block[r % fmt::kBlockRecords]);
  }
  return MakeCatalog(found, filePath, directories);
}

namespace {

// The groups of directories that directories `dirs` (ascending) lie in, ascending.
std::vector<uint32_t> DirGroupsOf(std::span<const uint32_t> dirs) {
  std::vector<uint32_t> groups;
  for (const uint32_t d : dirs) {
    if (groups.empty() || groups.back() != d / fmt::kDirGroup) groups.push_back(d / fmt::kDirGroup);
  }
  return groups;
}

}  // namespace

void CatalogIndex::DirectoryPlacesSoon(std::span<const uint32_t> dirs) {
  if (fromDisk_ && catalogFile_) BlockPagesSoon(fmt::kDirStarts, 8, 16, DirGroupsOf(dirs));
}

bool CatalogIndex::DirectoriesSoon(std::span<const uint32_t> dirs) {
  if (!fromDisk_ || !catalogFile_) return true;
  // The groups of directories needed, asked for at once: where they lie first, then their
  // bytes, runs close together as one piece (Same names may want a thousand groups).
  const std::vector<uint32_t> groups = DirGroupsOf(dirs);
  BlockPagesSoon(fmt::kDirStarts, 8, 16, groups);
  RunsSoon asks(*catalogFile_);
  for (const uint32_t g : groups) {
    const uint8_t* starts = Paged(fmt::kDirStarts, 8 * uint64_t{g}, 16);
    if (starts == nullptr) return false;
    const uint64_t from = Load<uint64_t>(starts);
    const uint64_t to = Load<uint64_t>(starts + 8);
    if (from < to && to <= catalog_.size()) asks.Add(from, to);  // else reading the group fails
  }
  return true;
}

std::unique_ptr<Catalog> CatalogIndex::MakeCatalog(const Found& found, const std::string& filePath,
                                                   Directories directories) {
  if (damaged_) return nullptr;
  const bool compact = directories == Directories::kCompact;
  const std::span<const uint32_t> records = found.Records();
  std::vector<Entry> block;
  uint32_t blockNumber = UINT32_MAX;
  auto entryOf = [&](uint32_t r, Entry& entry) {
    if (r >= recordCount_) return Fail();
    if (r / fmt::kBlockRecords != blockNumber) {
      blockNumber = UINT32_MAX;
      if (!ReadBlock(r / fmt::kBlockRecords, block)) return false;
      blockNumber = r / fmt::kBlockRecords;
    }
    entry = block[r % fmt::kBlockRecords];
    return true;
  };
  // The directories the entries name: where each lies, and the one each directory entry stands for.
  std::vector<uint32_t> wanted;
  for (size_t k = 0; k < records.size(); ++k) {
    const Entry hit = found.At(k);
    wanted.push_back(static_cast<uint32_t>(hit.dirNumber));
    if (hit.length < 0 && -hit.length < dirCount_) wanted.push_back(static_cast<uint32_t>(-hit.length));
  }
  // With the numbering kept, a path that holds a name with '\\' is shown spelled from the names
  // of the directory entries from its directory up to the root: those entries are kept aside
  // (with their names copied: the block they were read from is read over), and the root
  // directory is needed. (Other paths show as their stored text.)
  struct Spelling {
    Entry entry;
    std::string name;
  };
  std::map<uint32_t, Spelling> entryOfDir;
  if (spelled_) {
    for (size_t k = 0; k < records.size(); ++k) {
      const auto first = static_cast<uint32_t>(found.At(k).dirNumber);
      for (uint32_t d = first; d > 0 && entryOfDir.count(d) == 0;) {
        const uint8_t* at = Paged(fmt::kDirEntries, 4 * (uint64_t{d} - 1), 4);
        if (at == nullptr) return nullptr;
        const uint32_t value = Load<uint32_t>(at);
        if (d == first && (value & fmt::kShownFromNames) == 0) break;
        Entry entry;
        if (!entryOf(value & ~fmt::kShownFromNames, entry)) return nullptr;
        // The entry of a directory stands for it and lies in a directory of a lower number.
        if (entry.length != -int64_t{d} || entry.dirNumber >= static_cast<int64_t>(d)) {
          Fail();
          return nullptr;
        }
        entryOfDir[d] = {entry, std::string(entry.name)};
        d = static_cast<uint32_t>(entry.dirNumber);
      }
    }
    if (!entryOfDir.empty()) wanted.push_back(0);
  }
  if (compact) {
    // The root keeps its number, and the directories spelled from names need numbers of their own.
    wanted.push_back(0);
    for (const auto& [d, spelling] : entryOfDir) wanted.push_back(d);
  }
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  // The number a directory has in the catalog made: its place among those wanted when compact.
  auto numberOf = [&](uint32_t d) -> int32_t {
    if (!compact) return static_cast<int32_t>(d);
    return static_cast<int32_t>(std::lower_bound(wanted.begin(), wanted.end(), d) - wanted.begin());
  };
  // A directory entry's length names its directory; one naming none the catalog has names none
  // in the catalog made either.
  auto lengthOf = [&](const Entry& e) -> int64_t {
    if (!compact || e.length >= 0) return e.length;
    return -e.length < dirCount_ ? -int64_t{numberOf(static_cast<uint32_t>(-e.length))}
                                 : -static_cast<int64_t>(wanted.size());
  };

  auto catalog = std::make_unique<Catalog>();
  catalog->filePath = filePath;
  catalog->volumeRoot = volumeRoot_;
  catalog->volumeLabel = volumeLabel_;
  catalog->catalogName = catalogName_;
  catalog->formatVersion = formatVersion_;
  catalog->serialNumber = serialNumber_;
  catalog->cataloguedTime = cataloguedTime_;
  catalog->freeSpace = freeSpace_;
  catalog->UpdateDisplayName();
  const uint32_t slots = wanted.empty() ? 0
                         : compact      ? static_cast<uint32_t>(wanted.size())
                                        : wanted.back() + 1;
  catalog->dirs.SetSize(0, std::max<int32_t>(static_cast<int32_t>(slots), 1));
  std::vector<cb::DirEntry> group;
  uint32_t groupNumber = UINT32_MAX;
  if (!DirectoriesSoon(wanted)) return nullptr;
  for (const uint32_t d : wanted) {
    if (d / fmt::kDirGroup != groupNumber) {
      if (!ReadDirGroup(d / fmt::kDirGroup, group)) return nullptr;
      groupNumber = d / fmt::kDirGroup;
    }
    if (!compact)
      catalog->dirs.SetSize(static_cast<int32_t>(d));  // null slots for the directories not needed
    const cb::DirEntry& dir = group[d % fmt::kDirGroup];
    catalog->AddDirectory(dir.path, dir.fileCount, dir.totalLength);
  }
  catalog->files.SetSize(0, std::max<int32_t>(static_cast<int32_t>(records.size()), 1));
  for (size_t k = 0; k < records.size(); ++k) {
    const Entry hit = found.At(k);
    catalog->AddFile(hit.name, hit.time, lengthOf(hit), numberOf(static_cast<uint32_t>(hit.dirNumber)));
  }
  auto aside = std::make_unique<Catalog>();
  std::vector<const FileRecord*> numbering;
  if (numbered_) {
    numbering.assign(slots, nullptr);
    for (const auto& [d, spelling] : entryOfDir) {
      const Entry& e = spelling.entry;
      numbering[static_cast<size_t>(numberOf(d))] =
          aside->AddFile(spelling.name, e.time, lengthOf(e), numberOf(static_cast<uint32_t>(e.dirNumber)));
    }
  }
  catalog->AdoptDirectoryNumbering(numbered_, std::move(numbering), std::move(aside));
  return catalog;
}

}  // namespace mardo
