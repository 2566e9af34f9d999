#include "index/catalog_index.h"

#include <algorithm>
#include <limits>

#include "index/index_checksum.h"

namespace mardo {
namespace {

namespace fmt = index_format;

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

}  // namespace

std::unique_ptr<CatalogIndex> CatalogIndex::OpenFile(std::unique_ptr<PagedFile> file, Checksums checksums) {
  if (!file) return nullptr;
  std::unique_ptr<CatalogIndex> index(new CatalogIndex());
  index->bytes_ = std::span<const uint8_t>(file->Data(), file->Size());
  index->file_ = std::move(file);
  if (!index->Open(checksums)) return nullptr;
  return index;
}

std::unique_ptr<CatalogIndex> CatalogIndex::OpenBytes(std::vector<uint8_t> bytes, Checksums checksums) {
  std::unique_ptr<CatalogIndex> index(new CatalogIndex());
  index->owned_ = std::move(bytes);
  index->bytes_ = index->owned_;
  if (!index->Open(checksums)) return nullptr;
  return index;
}

bool CatalogIndex::Open(Checksums checksums) {
  verify_ = checksums == Checksums::kVerify;
  const uint8_t* base = bytes_.data();
  const uint64_t size = bytes_.size();
  // The header and, as written, the sections read on opening lie at the start: one read.
  if (file_) file_->Load(0, std::min<uint64_t>(size, 12 << 10));
  if (size < fmt::kHeaderSize || !Need(base, fmt::kHeaderSize) ||
      __builtin_memcmp(base, fmt::kMagic, sizeof fmt::kMagic) != 0) {
    return Fail();
  }
  if (Load<uint32_t>(base + fmt::kVersionAt) != fmt::kVersion ||
      Load<uint32_t>(base + fmt::kHeaderSizeAt) != fmt::kHeaderSize ||
      Load<uint64_t>(base + fmt::kFileSizeAt) != size) {
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
  // A catalog counts its records and directories in 32-bit signed positions.
  constexpr uint32_t kMostPositions = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
  if (recordCount_ > kMostPositions || dirCount_ > kMostPositions || (flags & ~fmt::kUnindexed) != 0)
    return Fail();
  unindexed_ = (flags & fmt::kUnindexed) != 0;
  if (unindexed_ && (recordCount_ != 0 || dirCount_ != 0 || trigramCount_ != 0)) return Fail();

  const uint64_t n = recordCount_;
  const uint64_t expected[fmt::kSectionCount] = {
      0,  // meta: parsed below
      fmt::kDirEntrySize * uint64_t{dirCount_},
      0,  // directory paths: checked with the directory records
      8 * uint64_t{fmt::DirBlockCount(dirCount_)},
      fmt::kTimeSize * n,
      fmt::kLengthSize * n,
      fmt::kDirNumberSize * n,
      4 * (n + 1),
      0,  // names: checked block by block
      8 * uint64_t{fmt::BlockCount(recordCount_)},
      fmt::kTrigramEntrySize * uint64_t{trigramCount_},
      fmt::kPageEntrySize * uint64_t{fmt::PageCount(trigramCount_)},
      0,  // postings: checked list by list
  };
  for (int s = 0; s < fmt::kSectionCount; ++s) {
    const uint64_t at = Load<uint64_t>(base + fmt::kSectionTableAt + 16 * s);
    const uint64_t length = Load<uint64_t>(base + fmt::kSectionTableAt + 16 * s + 8);
    if (at % 8 != 0 || at < fmt::kHeaderSize || at > size || length > size - at) return Fail();
    if (expected[s] != 0 && length != expected[s]) return Fail();
    if (expected[s] == 0 && s != fmt::kMeta && s != fmt::kDirPaths && s != fmt::kNames &&
        s != fmt::kPostings && length != 0) {
      return Fail();
    }
    sections_[s] = bytes_.subspan(at, length);
  }
  for (int s : {fmt::kMeta, fmt::kBlockSums, fmt::kDirSums, fmt::kPageDir}) {
    if (!Need(sections_[s].data(), sections_[s].size())) return false;
  }
  if (verify_) {
    uint64_t h = IndexChecksum(base, fmt::kOpenChecksumAt);
    for (int s : {fmt::kMeta, fmt::kBlockSums, fmt::kDirSums, fmt::kPageDir})
      h = IndexChecksum(sections_[s].data(), sections_[s].size(), h);
    if (h != Load<uint64_t>(base + fmt::kOpenChecksumAt)) return Fail();
  }

  MetaReader meta(sections_[fmt::kMeta]);
  int16_t pad = 0;
  if (!meta.Text(sourcePath_) || !meta.Text(volumeRoot_) || !meta.Text(volumeLabel_) ||
      !meta.Text(catalogName_) || !meta.Get(formatVersion_) || !meta.Get(pad) || !meta.Get(cataloguedTime_) ||
      !meta.Get(serialNumber_) || !meta.Get(freeSpace_) || !meta.AtEnd()) {
    return Fail();
  }
  if (formatVersion_ > Catalog::kWideVersion) return Fail();  // older files may hold any lower number

  times_ = sections_[fmt::kTimes].data();
  lengths_ = sections_[fmt::kLengths].data();
  dirNumbers_ = sections_[fmt::kDirNumbers].data();
  nameOffsets_ = sections_[fmt::kNameOffsets].data();
  names_ = sections_[fmt::kNames].data();
  blockChecked_.assign(fmt::BlockCount(recordCount_), false);
  pageChecked_.assign(fmt::PageCount(trigramCount_), false);
  dirBlockChecked_.assign(fmt::DirBlockCount(dirCount_), false);
  // The pages' first trigrams ascend.
  const uint8_t* pages = sections_[fmt::kPageDir].data();
  for (uint32_t p = 1; p < pageChecked_.size(); ++p) {
    if (Load<uint32_t>(pages + fmt::kPageEntrySize * p) <=
        Load<uint32_t>(pages + fmt::kPageEntrySize * (p - 1)))
      return Fail();
  }
  return true;
}

uint32_t CatalogIndex::BlockOf(uint32_t r) {
  return r / fmt::kBlockRecords;
}

bool CatalogIndex::CheckRecord(uint32_t r) {
  if (damaged_ || r >= recordCount_) return Fail();
  const uint32_t b = BlockOf(r);
  if (blockChecked_[b]) return true;
  const uint32_t first = b * fmt::kBlockRecords;
  const uint32_t last = std::min(recordCount_, first + fmt::kBlockRecords);
  const uint32_t count = last - first;
  const uint64_t namesSize = sections_[fmt::kNames].size();
  if (!Need(times_ + fmt::kTimeSize * first, fmt::kTimeSize * count) ||
      !Need(lengths_ + fmt::kLengthSize * first, fmt::kLengthSize * count) ||
      !Need(dirNumbers_ + fmt::kDirNumberSize * first, fmt::kDirNumberSize * count) ||
      !Need(nameOffsets_ + 4 * size_t{first}, 4 * (size_t{count} + 1))) {
    return false;
  }
  const uint32_t from = NameStart(first);
  const uint32_t to = NameStart(last);
  if (from > to || to > namesSize || !Need(names_ + from, to - from)) return Fail();
  if (verify_) {
    uint64_t h = IndexChecksum(times_ + fmt::kTimeSize * first, fmt::kTimeSize * count);
    h = IndexChecksum(lengths_ + fmt::kLengthSize * first, fmt::kLengthSize * count, h);
    h = IndexChecksum(dirNumbers_ + fmt::kDirNumberSize * first, fmt::kDirNumberSize * count, h);
    h = IndexChecksum(nameOffsets_ + 4 * size_t{first}, 4 * (size_t{count} + 1), h);
    h = IndexChecksum(names_ + from, to - from, h);
    if (h != Load<uint64_t>(sections_[fmt::kBlockSums].data() + 8 * size_t{b})) return Fail();
  }
  for (uint32_t i = first; i < last; ++i) {
    const uint32_t begin = NameStart(i);
    const uint32_t end = NameStart(i + 1);
    // Every name is followed by its NUL, inside the block's name bytes.
    if (end <= begin || end > to || names_[end - 1] != 0) return Fail();
    // A directory entry's length names a directory number, as a catalog file's must.
    const int32_t dir = DirNumber(i);
    if (dir < 0 || static_cast<uint32_t>(dir) >= dirCount_ || Length(i) < FileRecord::kLowestLength)
      return Fail();
  }
  blockChecked_[b] = true;
  return true;
}

std::string_view CatalogIndex::Name(uint32_t r) const {
  const uint32_t begin = NameStart(r);
  return {NameBytes() + begin, NameStart(r + 1) - 1 - begin};
}

bool CatalogIndex::CheckPage(uint32_t page) {
  if (pageChecked_[page]) return true;
  const uint32_t first = page * fmt::kPageEntries;
  const uint32_t count = std::min(fmt::kPageEntries, trigramCount_ - first);
  const uint8_t* entries = sections_[fmt::kTrigrams].data() + fmt::kTrigramEntrySize * size_t{first};
  const uint8_t* dir = sections_[fmt::kPageDir].data() + fmt::kPageEntrySize * size_t{page};
  if (!Need(entries, fmt::kTrigramEntrySize * size_t{count})) return false;
  if (verify_ && static_cast<uint32_t>(IndexChecksum(entries, fmt::kTrigramEntrySize * size_t{count})) !=
                     Load<uint32_t>(dir + 4)) {
    return Fail();
  }
  if (Load<uint32_t>(entries) != Load<uint32_t>(dir)) return Fail();
  const uint64_t postingsSize = sections_[fmt::kPostings].size();
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = entries + fmt::kTrigramEntrySize * size_t{i};
    const uint32_t trigram = Load<uint32_t>(e);
    const uint32_t records = Load<uint32_t>(e + 4);
    const uint64_t at = Load<uint64_t>(e + 8);
    const uint32_t size = Load<uint32_t>(e + 16);
    if (trigram > 0xFFFFFF || (i > 0 && trigram <= Load<uint32_t>(e - fmt::kTrigramEntrySize))) return Fail();
    // Each record costs one to five bytes.
    if (records == 0 || records > recordCount_ || size < records || size > 5ull * records) return Fail();
    if (at > postingsSize || size > postingsSize - at) return Fail();
  }
  pageChecked_[page] = true;
  return true;
}

bool CatalogIndex::FindPostings(uint32_t trigram, Postings& postings) {
  if (damaged_ || trigramCount_ == 0) return false;
  const uint8_t* pages = sections_[fmt::kPageDir].data();
  // The last page whose first trigram is not above `trigram`.
  uint32_t low = 0;
  uint32_t high = static_cast<uint32_t>(pageChecked_.size());
  while (high - low > 1) {
    const uint32_t mid = low + (high - low) / 2;
    if (Load<uint32_t>(pages + fmt::kPageEntrySize * mid) <= trigram) {
      low = mid;
    } else {
      high = mid;
    }
  }
  if (!CheckPage(low)) return false;
  const uint32_t first = low * fmt::kPageEntries;
  const uint32_t count = std::min(fmt::kPageEntries, trigramCount_ - first);
  const uint8_t* entries = sections_[fmt::kTrigrams].data() + fmt::kTrigramEntrySize * size_t{first};
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
  const uint8_t* list = sections_[fmt::kPostings].data() + Load<uint64_t>(e + 8);
  const uint32_t size = Load<uint32_t>(e + 16);
  postings = Postings();
  postings.check_ = Load<uint32_t>(e + 20);
  postings.index_ = this;
  postings.p_ = list;
  postings.end_ = list + size;
  postings.count_ = Load<uint32_t>(e + 4);
  postings.left_ = postings.count_;
  return true;
}

bool CatalogIndex::Postings::Load() {
  if (index_ == nullptr || index_->damaged_) return false;
  if (loaded_) return true;
  const auto size = static_cast<size_t>(end_ - p_);
  if (!index_->Need(p_, size)) return false;
  if (index_->verify_ && static_cast<uint32_t>(IndexChecksum(p_, size)) != check_) return index_->Fail();
  loaded_ = true;
  return true;
}

bool CatalogIndex::Postings::NextAtLeast(uint32_t target, uint32_t& record) {
  if (!Load()) return false;
  while (!has_ || current_ < target) {
    if (left_ == 0) return false;
    uint64_t delta = 0;
    int shift = 0;
    while (true) {
      if (p_ == end_ || shift > 28) return index_->Fail();
      const uint8_t byte = *p_++;
      delta |= uint64_t{byte & 0x7Fu} << shift;
      shift += 7;
      if ((byte & 0x80) == 0) break;
    }
    if (started_ && delta == 0) return index_->Fail();  // not ascending
    current_ = started_ ? current_ + delta : delta;
    started_ = true;
    has_ = true;
    --left_;
    if (current_ >= index_->recordCount_) return index_->Fail();
    if (left_ == 0 && p_ != end_) return index_->Fail();
  }
  record = static_cast<uint32_t>(current_);
  return true;
}

bool CatalogIndex::CheckDirBlock(uint32_t block) {
  if (dirBlockChecked_[block]) return true;
  const uint32_t first = block * fmt::kBlockDirs;
  const uint32_t last = std::min(dirCount_, first + fmt::kBlockDirs);
  const uint8_t* entries = sections_[fmt::kDirs].data() + fmt::kDirEntrySize * size_t{first};
  const std::span<const uint8_t> paths = sections_[fmt::kDirPaths];
  if (!Need(entries, fmt::kDirEntrySize * size_t{last - first})) return false;
  // The block's paths lie one after the other.
  const uint32_t from = Load<uint32_t>(entries);
  uint64_t to = from;
  for (uint32_t k = first; k < last; ++k) {
    const uint8_t* d = entries + fmt::kDirEntrySize * size_t{k - first};
    if (Load<uint32_t>(d) != to) return Fail();
    to += Load<uint32_t>(d + 4);
  }
  if (from > paths.size() || to > paths.size() || !Need(paths.data() + from, to - from)) return Fail();
  if (verify_ && IndexChecksum(paths.data() + from, to - from,
                               IndexChecksum(entries, fmt::kDirEntrySize * size_t{last - first})) !=
                     Load<uint64_t>(sections_[fmt::kDirSums].data() + 8 * size_t{block})) {
    return Fail();
  }
  dirBlockChecked_[block] = true;
  return true;
}

std::unique_ptr<Catalog> CatalogIndex::MakeCatalog(std::span<const uint32_t> records,
                                                   const std::string& filePath) {
  if (damaged_) return nullptr;
  // The directories the entries name: where each lies, and the one each directory entry stands for.
  std::vector<bool> wanted(dirBlockChecked_.size(), false);
  uint32_t dirsNeeded = 0;
  auto want = [&](int64_t number) {
    if (number < 0 || number >= dirCount_) return;
    wanted[static_cast<size_t>(number) / fmt::kBlockDirs] = true;
    dirsNeeded = std::max(dirsNeeded, static_cast<uint32_t>(number) + 1);
  };
  for (const uint32_t r : records) {
    if (!CheckRecord(r)) return nullptr;
    want(DirNumber(r));
    if (Length(r) < 0) want(-Length(r));
  }
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
  catalog->dirs.SetSize(0, std::max<int32_t>(static_cast<int32_t>(dirsNeeded), 1));
  const uint8_t* dirs = sections_[fmt::kDirs].data();
  const auto* paths = reinterpret_cast<const char*>(sections_[fmt::kDirPaths].data());
  for (uint32_t k = 0; k < dirsNeeded; ++k) {
    const uint32_t block = k / fmt::kBlockDirs;
    if (!wanted[block]) {
      // A whole block no entry needs: null slots, as RecordArray::SetSize makes them.
      const uint32_t end = std::min(dirsNeeded, (block + 1) * fmt::kBlockDirs);
      catalog->dirs.SetSize(static_cast<int32_t>(end));
      k = end - 1;
      continue;
    }
    if (!CheckDirBlock(block)) return nullptr;
    const uint8_t* d = dirs + fmt::kDirEntrySize * size_t{k};
    catalog->AddDirectory(std::string_view(paths + Load<uint32_t>(d), Load<uint32_t>(d + 4)),
                          Load<int32_t>(d + 8), Load<double>(d + 16));
  }
  catalog->files.SetSize(0, std::max<int32_t>(static_cast<int32_t>(records.size()), 1));
  for (const uint32_t r : records) catalog->AddFile(Name(r), Time(r), Length(r), DirNumber(r));
  return catalog;
}

bool CatalogIndex::ReadRecords(uint32_t first, uint32_t count) {
  if (damaged_ || first >= recordCount_) return false;
  const uint32_t last = first + std::min(count, recordCount_ - first);
  const size_t n = last - first;
  if (!Need(times_ + fmt::kTimeSize * first, fmt::kTimeSize * n) ||
      !Need(lengths_ + fmt::kLengthSize * first, fmt::kLengthSize * n) ||
      !Need(dirNumbers_ + fmt::kDirNumberSize * first, fmt::kDirNumberSize * n) ||
      !Need(nameOffsets_ + 4 * size_t{first}, 4 * (n + 1))) {
    return false;
  }
  const uint32_t from = NameStart(first);
  const uint32_t to = NameStart(last);
  return (from <= to && to <= sections_[fmt::kNames].size() && Need(names_ + from, to - from)) || Fail();
}

}  // namespace mardo
