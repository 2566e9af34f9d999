#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "index/index_format.h"
#include "platform/file_system.h"
#include "platform/paged_file.h"
#include "store/catalog.h"

namespace mardo {

// A catalog index file, read piece by piece as a search needs it (or held in memory whole).
// Opening checks the header, the section table and the small sections; everything else is read
// and checked when first used: a block of records before any of its records is read, a page of
// the trigram table and a posting list before they are searched, the directory records before
// they are copied. Once any check fails
// the index is Damaged() and nothing more is read from it: the catalog file must be read instead.
class CatalogIndex {
 public:
  // Whether the checksums are compared. Only the fuzz target turns them off, to reach the
  // structural checks behind them; every other reader compares them.
  enum class Checksums { kVerify, kSkip };

  static std::unique_ptr<CatalogIndex> OpenFile(std::unique_ptr<PagedFile> file,
                                                Checksums checksums = Checksums::kVerify);
  static std::unique_ptr<CatalogIndex> OpenBytes(std::vector<uint8_t> bytes,
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
  size_t FileSize() const { return bytes_.size(); }
  bool Damaged() const { return damaged_; }
  // Whether the index only says that its catalog file could not be indexed (it has no records).
  bool Unindexed() const { return unindexed_; }

  // Checks the block of records that holds record `r`; false (and Damaged) when it is not sound.
  // The accessors below may be used only for records of checked blocks.
  bool CheckRecord(uint32_t r);
  static uint32_t BlockOf(uint32_t r);
  int64_t Time(uint32_t r) const { return Load<int64_t>(times_ + index_format::kTimeSize * size_t{r}); }
  int64_t Length(uint32_t r) const { return Load<int64_t>(lengths_ + index_format::kLengthSize * size_t{r}); }
  int32_t DirNumber(uint32_t r) const {
    return Load<int32_t>(dirNumbers_ + index_format::kDirNumberSize * size_t{r});
  }
  std::string_view Name(uint32_t r) const;
  // Start of record r's name in the name bytes; NameBytes() + NameStart(RecordCount()) is the end.
  uint32_t NameStart(uint32_t r) const { return Load<uint32_t>(nameOffsets_ + 4 * size_t{r}); }
  const char* NameBytes() const { return reinterpret_cast<const char*>(names_); }

  // The records whose folded name holds one trigram, in ascending order.
  class Postings {
   public:
    Postings() = default;
    uint32_t Count() const { return count_; }
    // Reads and checks the list (the first NextAtLeast does it otherwise); false when it is not
    // sound (then the index is Damaged).
    bool Load();
    // The first record at or after `target` (targets never decrease from call to call); false at
    // the end or when the list is not sound (then the index is Damaged).
    bool NextAtLeast(uint32_t target, uint32_t& record);

   private:
    friend class CatalogIndex;
    CatalogIndex* index_ = nullptr;
    const uint8_t* p_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint32_t count_ = 0;
    uint32_t left_ = 0;
    uint64_t current_ = 0;
    bool started_ = false;
    bool has_ = false;     // current_ is a record not yet passed over
    bool loaded_ = false;  // the list was read and checked
    uint32_t check_ = 0;
  };
  // The posting list of `trigram` (read and checked when first walked); false when no name holds
  // it or the index is not sound.
  bool FindPostings(uint32_t trigram, Postings& postings);

  // A catalog with the header fields of the indexed catalog and, of its entries, only `records`
  // (ascending), in that order: rows made from it read exactly as rows of the whole catalog. Its
  // directory array runs up to the last directory these entries name (lie in, or stand for) and
  // holds the indexed catalog's records for the blocks of directories they name, null slots
  // elsewhere. nullptr when the index is not sound.
  std::unique_ptr<Catalog> MakeCatalog(std::span<const uint32_t> records, const std::string& filePath);

  // Reads the records [first, first + count) in one go, before a search walks them in order.
  // False when the file cannot give them.
  bool ReadRecords(uint32_t first, uint32_t count);

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
  bool CheckPage(uint32_t page);
  bool CheckDirBlock(uint32_t block);
  // Makes sure the bytes [p, p + size) of the file are in memory.
  bool Need(const uint8_t* p, uint64_t size) {
    return !file_ || file_->Load(static_cast<size_t>(p - bytes_.data()), static_cast<size_t>(size)) || Fail();
  }

  std::unique_ptr<PagedFile> file_;
  std::vector<uint8_t> owned_;
  std::span<const uint8_t> bytes_;
  bool verify_ = true;
  bool damaged_ = false;
  bool unindexed_ = false;

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
  std::span<const uint8_t> sections_[index_format::kSectionCount];
  const uint8_t* times_ = nullptr;
  const uint8_t* lengths_ = nullptr;
  const uint8_t* dirNumbers_ = nullptr;
  const uint8_t* nameOffsets_ = nullptr;
  const uint8_t* names_ = nullptr;
  std::vector<bool> blockChecked_;
  std::vector<bool> pageChecked_;
  std::vector<bool> dirBlockChecked_;
};

}  // namespace mardo
