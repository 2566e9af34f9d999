#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "index/catalog_bytes.h"
#include "index/index_format.h"
#include "platform/file_system.h"
#include "platform/large_memory.h"
#include "platform/paged_file.h"
#include "store/catalog.h"

namespace mardo {

// Bytes that each read overwrites whole.
using ReadBuffer = std::vector<uint8_t, UnwrittenAllocator<uint8_t>>;

// A catalog index file and the catalog file it was made from, read piece by piece as a search
// needs them (or held in memory whole). The index holds no names: it knows where the catalog
// file's blocks of entries lie and which blocks hold each trigram, and the entries are parsed
// from the catalog file itself. Opening checks the header, the section table and the small
// sections; every page of the index is checked when first read, and every block of entries is
// parsed with bounds checks and must fill its bytes exactly. Once any check fails the index is
// Damaged() and nothing more is read from it: the catalog file must be read instead.
class CatalogIndex {
 public:
  // The bytes at the start of an index file that opening it reads: the sections read on opening
  // lie there for catalogs of up to a few million entries (their page sums grow with the index).
  static constexpr uint64_t kOpeningRead = 16 << 10;

  // Whether the checksums are compared. Only the fuzz target turns them off, to reach the
  // structural checks behind them; every other reader compares them.
  enum class Checksums { kVerify, kSkip };

  // `catalog`: the catalog file the index names; it must be that very file (same identity).
  // Without it (or for a marker) only the header fields can be read.
  static std::unique_ptr<CatalogIndex> OpenFile(std::unique_ptr<PagedFile> file,
                                                std::unique_ptr<PagedFile> catalog,
                                                Checksums checksums = Checksums::kVerify);
  static std::unique_ptr<CatalogIndex> OpenBytes(std::vector<uint8_t> bytes, std::vector<uint8_t> catalog,
                                                 Checksums checksums = Checksums::kVerify);

  // The catalog file the index was made from, as it was then.
  const std::string& SourcePath() const { return sourcePath_; }
  const FileIdentity& SourceIdentity() const { return source_; }

  // The catalog's header fields.
  const std::string& VolumeRoot() const { return volumeRoot_; }
  const std::string& VolumeLabel() const { return volumeLabel_; }
  const std::string& CatalogName() const { return catalogName_; }
  const std::string& DisplayName() const { return catalogName_.empty() ? volumeLabel_ : catalogName_; }
  int16_t FormatVersion() const { return formatVersion_; }

  uint32_t RecordCount() const { return recordCount_; }
  uint32_t DirCount() const { return dirCount_; }
  uint32_t BlockCount() const { return blockCount_; }
  size_t FileSize() const { return bytes_.size(); }
  bool Damaged() const { return damaged_; }
  // Whether the index only says that its catalog file could not be indexed (it has no records).
  bool Unindexed() const { return unindexed_; }

  // One entry of the catalog; the name lies in the catalog file's bytes held by the index.
  struct Entry {
    int64_t time = 0;
    int64_t length = 0;
    int32_t dirNumber = 0;
    std::string_view name;
  };
  // What the entries of a block hold, as far as the index tells without them: the earliest and
  // the latest of their times and the kinds of their lengths (index_format::LengthKind).
  struct BlockSummary {
    int64_t earliest = 0;
    int64_t latest = 0;
    uint64_t kinds = 0;
  };
  bool SummaryOf(uint32_t block, BlockSummary& summary);
  // The bits of the exact lengths of the entries of a block (index_format::LengthBit).
  bool LengthsOf(uint32_t block, index_format::LengthBits& lengths);

  // What a reader of a block relies on of what the index says its entries hold: the entries read
  // must be what that says. A search without a date or a length condition reads none of it, and
  // only one for a single length reads the bits of the exact lengths: what a search does not read
  // cannot change its results.
  enum class Summary { kUnused, kTimesAndKinds, kAll };
  // The entries of block `block`, parsed from its bytes; false (and Damaged) when they are not
  // sound, or not those the index says they are, as far as `summary` relies on it.
  bool ParseBlock(uint32_t block, std::span<const uint8_t> bytes, std::vector<Entry>& entries,
                  Summary summary = Summary::kAll);
  // The same read from the catalog file: the names stay valid until the next read of a block.
  bool ReadBlock(uint32_t block, std::vector<Entry>& entries, Summary summary = Summary::kAll) {
    std::span<const uint8_t> bytes;
    return ScanBytes(block, 1, bytes) && ParseBlock(block, bytes, entries, summary);
  }
  // The catalog file's bytes of block `block` (records block * kBlockRecords on), read with the
  // `run` blocks from it into a window that is used again (memory first written costs more than
  // reading the bytes again); they stay valid until the next call. False (and Damaged) when the
  // index or the file cannot give them.
  bool ScanBytes(uint32_t block, uint32_t run, std::span<const uint8_t>& bytes);
  // For a walk over `blocks` (ascending, the first to be read next): how many blocks from the
  // first one read should take, so that the next of `blocks` lying close behind it come in the
  // same read, which takes at most `most` bytes. Reading the few bytes between them costs less
  // than another read. False (and Damaged) when the index cannot say where they lie.
  bool RunOver(std::span<const uint32_t> blocks, uint64_t most, uint32_t& run);
  // Whether the catalog file's pieces are to come from the disk: then the pieces a walk will read
  // next are asked for at once (ReadBlocksSoon), and so are the directories a catalog is made of;
  // where the groups of directories lie (a small section, read by every search that makes rows)
  // is asked for at once.
  void SetFromDisk(bool fromDisk);
  bool FromDisk() const { return fromDisk_; }
  // From the disk, asks for the bytes of `blocks` (ascending), without waiting for them, in the
  // runs RunOver would read them in. False (and Damaged) when the index cannot say where they lie.
  bool ReadBlocksSoon(std::span<const uint32_t> blocks, uint64_t most);
  // From the disk, asks for where `blocks` (ascending) lie.
  void ReadBlockPlacesSoon(std::span<const uint32_t> blocks);
  // From the disk, asks for where all blocks lie at once: for a walk over so many of them that
  // it reads most of that anyway, one long read in place of many short ones it waits for.
  void ReadBlockPlacesSoon() {
    SectionSoon(index_format::kBlockPlaces, 0, sectionSize_[index_format::kBlockPlaces]);
    blockPlacesAsked_ = fromDisk_;
  }
  // From the disk, asks for what the index says the entries of `blocks` (ascending) hold, with
  // `lengths` the bits of their exact lengths too.
  void ReadBlockSummariesSoon(std::span<const uint32_t> blocks, bool lengths);
  // The same for all blocks at once.
  void ReadBlockSummariesSoon(bool lengths) {
    SectionSoon(index_format::kBlockSums, 0, sectionSize_[index_format::kBlockSums]);
    if (lengths) SectionSoon(index_format::kBlockLengths, 0, sectionSize_[index_format::kBlockLengths]);
  }

  // Pages of one section read a few at a time into memory used again: pieces read front to
  // back cost a read now and then, and no memory written for the first time (which costs more
  // than the read).
  struct PageBuffer {
    ReadBuffer pages;
    uint64_t at = 0;  // within the section, of pages[0]
  };

  // The blocks whose names hold one trigram (folded), in ascending order.
  class Postings {
   public:
    Postings() = default;
    uint32_t Count() const { return count_; }
    // From the disk, asks for the list's first bytes without waiting for them.
    void ReadSoon() const;
    // Reads and checks the list's bytes (the first NextAtLeast does it otherwise); false when
    // they are not sound (then the index is Damaged).
    bool Load();
    // The first block at or after `target` (targets never decrease from call to call); false at
    // the end or when the list is not sound (then the index is Damaged).
    bool NextAtLeast(uint32_t target, uint32_t& block);

   private:
    friend class CatalogIndex;
    bool NextGroup();
    CatalogIndex* index_ = nullptr;
    PageBuffer pages_;
    uint64_t at_ = 0;  // within the postings section
    uint64_t end_ = 0;
    uint32_t count_ = 0;
    uint32_t left_ = 0;  // blocks not yet decoded
    int64_t last_ = -1;  // the last block decoded
    uint32_t group_[index_format::kGroupBlocks] = {};
    uint32_t groupSize_ = 0;
    uint32_t next_ = 0;  // in group_
    bool loaded_ = false;
  };
  // The posting list of `trigram`; false when no name holds it or the index is not sound.
  bool FindPostings(uint32_t trigram, Postings& postings);
  // From the disk, asks for the pieces of the index that FindPostings reads for `trigrams`,
  // without waiting for them: their reads overlap.
  void FindPostingsSoon(std::span<const uint32_t> trigrams);

  // Which directories a catalog made from some entries holds.
  enum class Directories {
    kNumbered,  // the array runs up to the last directory the entries name, with null slots
                // between, so every directory keeps its number
    kCompact,   // only those the entries name, renumbered in their order (the root stays 0):
                // the entries' directory numbers and directory entries' lengths follow them
  };
  // From the disk, asks for the groups of directories that directories `dirs` (ascending) lie
  // in, without waiting for them: where they lie (the places alone, for DirectoryPlacesSoon),
  // then their bytes. False when the index is not sound.
  void DirectoryPlacesSoon(std::span<const uint32_t> dirs);
  bool DirectoriesSoon(std::span<const uint32_t> dirs);
  // A catalog with the header fields of the indexed catalog and, of its entries, only `records`
  // (ascending), in that order: rows made from it read exactly as rows of the whole catalog
  // (paths, directories, totals). It holds the catalog's records of the directories these
  // entries name (lie in, or stand for), as `directories` says; the directory entries their
  // paths are spelled from are kept aside. A compact catalog costs memory for the directories
  // it holds only, where a numbered one costs a slot for every number up to the last. nullptr
  // when the index is not sound.
  std::unique_ptr<Catalog> MakeCatalog(std::span<const uint32_t> records, const std::string& filePath,
                                       Directories directories = Directories::kNumbered);

  // Entries a search read and kept: their numbers (ascending), fields and names.
  class Found {
   public:
    // Room for `count` entries.
    void Reserve(size_t count);
    void Add(uint32_t record, const Entry& entry);
    void Truncate(size_t count);
    size_t Size() const { return records_.size(); }
    bool Empty() const { return records_.empty(); }
    std::span<const uint32_t> Records() const { return records_; }
    // The entry kept k-th; its name is valid while this holds it unchanged.
    Entry At(size_t k) const;

   private:
    struct Kept {
      int64_t time;
      int64_t length;
      int32_t dirNumber;
      uint32_t nameSize;
      size_t nameAt;  // in names_
    };
    // A grouping search keeps tens of thousands of entries: their arrays may be large.
    std::vector<uint32_t, LargeAllocator<uint32_t>> records_;
    std::vector<Kept, LargeAllocator<Kept>> kept_;
    std::vector<char, LargeAllocator<char>> names_;
  };
  // The same from entries already read.
  std::unique_ptr<Catalog> MakeCatalog(const Found& found, const std::string& filePath,
                                       Directories directories = Directories::kNumbered);

 private:
  CatalogIndex() = default;
  bool Open(Checksums checksums);
  bool Fail() {
    damaged_ = true;
    return false;
  }
  template <class T>
  static T Load(const uint8_t* p) {
    T v;
    __builtin_memcpy(&v, p, sizeof(T));
    return v;
  }
  // Makes sure the bytes [at, at + size) of the index file are in memory.
  bool Need(uint64_t at, uint64_t size) {
    return !file_ || file_->Load(static_cast<size_t>(at), static_cast<size_t>(size)) || Fail();
  }
  // The same for the bytes [at, at + size) of section `s`, read a page at a time, each page
  // checked against its sum; nullptr (and Damaged) when they lie outside it or are not sound.
  const uint8_t* Paged(int s, uint64_t at, uint64_t size);
  // Reads `count` pages of section `s` from page `first` on (fewer at the section's end) into
  // `out`, each checked against its sum; false (and Damaged) when they are not sound.
  bool ReadPages(int s, uint64_t first, uint64_t count, ReadBuffer& out);
  // The bytes [at, at + size) of section `s` through `buffer`, which is filled, when it lacks
  // them, with a few pages from the one holding `at` (not past `end`, the end of what is read
  // front to back); nullptr (and Damaged) when they lie outside the section or are not sound.
  const uint8_t* Buffered(int s, PageBuffer& buffer, uint64_t at, uint64_t size, uint64_t end);
  // The catalog file's bytes [from, to): in memory, or read into `buffer`.
  bool CatalogBytes(uint64_t from, uint64_t to, ReadBuffer& buffer, std::span<const uint8_t>& bytes);
  bool BlockRange(uint32_t block, uint64_t& from, uint64_t& to);
  // From the disk, asks for the bytes [at, at + size) of section `s`, without waiting for them.
  void SectionSoon(int s, uint64_t at, uint64_t size);
  // The page of the trigrams section that `trigram` would lie in.
  uint32_t TrigramPage(uint32_t trigram) const;
  // From the disk, asks for the pages of section `s` that hold the `read` bytes of each of
  // `blocks` (ascending), `bytesPerBlock` apart.
  void BlockPagesSoon(int s, uint64_t bytesPerBlock, uint64_t read, std::span<const uint32_t> blocks);
  // The directory entries of group `group`, parsed.
  bool ReadDirGroup(uint32_t group, std::vector<catalog_bytes::DirEntry>& dirs);

  std::unique_ptr<PagedFile> file_;
  std::vector<uint8_t> owned_;
  std::span<const uint8_t> bytes_;
  std::unique_ptr<PagedFile> catalogFile_;
  std::vector<uint8_t> catalogOwned_;
  std::span<const uint8_t> catalog_;
  bool verify_ = true;
  bool fromDisk_ = false;
  bool blockPlacesAsked_ = false;  // from the disk, all block places were asked for
  bool damaged_ = false;
  bool unindexed_ = false;
  bool numbered_ = false;
  bool spelled_ = false;  // with numbered_: some path shown is spelled from the names of entries

  std::string sourcePath_;
  FileIdentity source_;
  std::string volumeRoot_;
  std::string volumeLabel_;
  std::string catalogName_;
  int16_t formatVersion_ = 0;
  int64_t cataloguedTime_ = 0;
  uint32_t serialNumber_ = 0;
  float freeSpace_ = -1.0f;

  uint32_t recordCount_ = 0;
  uint32_t dirCount_ = 0;
  uint32_t trigramCount_ = 0;
  uint32_t blockCount_ = 0;
  uint64_t sectionAt_[index_format::kSectionCount] = {};
  uint64_t sectionSize_[index_format::kSectionCount] = {};
  uint64_t firstSum_[index_format::kSectionCount] = {};  // of the section's first page in pageSums
  std::vector<bool> pageChecked_[index_format::kSectionCount];
  ReadBuffer window_;  // ScanBytes: the catalog bytes [windowFrom_, + size)
  uint64_t windowFrom_ = 0;
  ReadBuffer dirBytes_;  // ReadDirGroup: the bytes of the group read last
  PageBuffer places_;    // BlockRange
  PageBuffer sums_;      // SummaryOf
  PageBuffer lengths_;   // LengthsOf
};

}  // namespace mardo
