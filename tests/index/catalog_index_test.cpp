// The index file of one catalog: what it holds, and how its reader refuses what is not sound.
#include "index/catalog_index.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>

#include "base/text_compare.h"
#include "index/catalog_index_builder.h"
#include "index/index_format.h"
#include "index/library_maker.h"

namespace mardo {
namespace {

namespace fmt = index_format;

class CatalogIndexTest : public testing::Test {
 protected:
  void SetUp() override {
    maker_.WriteCatalog(tmp_ / "big.mvl", 3, true);
    catalog_.filePath = tmp_ / "big.mvl";
    ASSERT_TRUE(catalog_.Read());
    ASSERT_TRUE(IdentityOfFile(catalog_.filePath, source_));
    bytes_ = BuildCatalogIndex(catalog_.filePath, source_);
    ASSERT_FALSE(bytes_.empty());
    std::ifstream in(catalog_.filePath, std::ios::binary);
    catalogBytes_.assign(std::istreambuf_iterator<char>(in), {});
  }

  std::unique_ptr<CatalogIndex> Open(std::vector<uint8_t> bytes, CatalogIndex::Checksums checksums =
                                                                     CatalogIndex::Checksums::kVerify) const {
    return CatalogIndex::OpenBytes(std::move(bytes), catalogBytes_, checksums);
  }

  // Reads everything the index holds; false as soon as anything is found unsound.
  bool ReadAll(CatalogIndex& index) const {
    std::vector<CatalogIndex::Entry> entries;
    for (uint32_t b = 0; b < index.BlockCount(); ++b) {
      if (!index.ReadBlock(b, entries)) return false;
    }
    std::vector<uint32_t> all(index.RecordCount());
    for (uint32_t r = 0; r < index.RecordCount(); ++r) all[r] = r;
    if (index.MakeCatalog(all, "x") == nullptr) return false;
    uint32_t first = 0;  // of the trigram table, as written
    std::memcpy(&first, bytes_.data() + Section(fmt::kTrigrams, 0), 4);
    for (uint32_t trigram :
         {first, fmt::Trigram('l', 'i', 'b'), fmt::Trigram('a', 'b', 'c'), fmt::Trigram('z', 'z', 'z')}) {
      CatalogIndex::Postings postings;
      if (!index.FindPostings(trigram, postings)) {
        if (index.Damaged()) return false;
        continue;
      }
      uint32_t b = 0;
      for (uint32_t target = 0; postings.NextAtLeast(target, b); target = b + 1) {
      }
      if (index.Damaged()) return false;
    }
    return !index.Damaged();
  }

  uint64_t Section(int section, int field) const {
    uint64_t v = 0;
    std::memcpy(&v, bytes_.data() + fmt::kSectionTableAt + 16 * section + 8 * field, 8);
    return v;
  }

  test::LibraryMaker maker_{5};
  test::TempDir tmp_;
  Catalog catalog_;
  FileIdentity source_;
  std::vector<uint8_t> bytes_;
  std::vector<uint8_t> catalogBytes_;
};

TEST_F(CatalogIndexTest, HoldsTheCatalogAndItsSource) {
  const auto index = Open(bytes_);
  ASSERT_NE(index, nullptr);
  EXPECT_EQ(index->SourcePath(), catalog_.filePath);
  EXPECT_EQ(index->SourceIdentity(), source_);
  EXPECT_EQ(index->VolumeLabel(), catalog_.volumeLabel);
  EXPECT_EQ(index->CatalogName(), catalog_.catalogName);
  EXPECT_EQ(index->DisplayName(), catalog_.DisplayName());
  EXPECT_EQ(index->FormatVersion(), catalog_.formatVersion);
  ASSERT_EQ(index->RecordCount(), static_cast<uint32_t>(catalog_.files.Size()));
  ASSERT_EQ(index->DirCount(), static_cast<uint32_t>(catalog_.dirs.Size()));
  std::vector<CatalogIndex::Entry> entries;
  for (uint32_t r = 0; r < index->RecordCount(); ++r) {
    if (r % fmt::kBlockRecords == 0) {
      ASSERT_TRUE(index->ReadBlock(r / fmt::kBlockRecords, entries));
    }
    const CatalogIndex::Entry& e = entries[r % fmt::kBlockRecords];
    const FileRecord& f = *catalog_.files[static_cast<int32_t>(r)];
    EXPECT_EQ(e.name, f.Name());
    EXPECT_EQ(e.time, f.lastWriteTime);
    EXPECT_EQ(e.length, f.length);
    EXPECT_EQ(e.dirNumber, f.dirNumber);
  }
  // A catalog of some entries: their fields, their directories, and the catalog's header.
  const std::vector<uint32_t> some = {0, 3, 1500, index->RecordCount() - 1};
  const auto part = index->MakeCatalog(some, catalog_.filePath);
  ASSERT_NE(part, nullptr);
  EXPECT_EQ(part->volumeRoot, catalog_.volumeRoot);
  EXPECT_EQ(part->serialNumber, catalog_.serialNumber);
  EXPECT_EQ(part->cataloguedTime, catalog_.cataloguedTime);
  EXPECT_EQ(part->freeSpace, catalog_.freeSpace);
  ASSERT_EQ(part->files.Size(), 4);
  for (int32_t i = 0; i < 4; ++i) {
    const FileRecord& a = *part->files[i];
    const FileRecord& b = *catalog_.files[static_cast<int32_t>(some[static_cast<size_t>(i)])];
    EXPECT_EQ(a.Name(), b.Name());
    EXPECT_EQ(a.OwningCatalog(), part.get());
    const DirRecord* x = part->ContainingDirectory(a);
    const DirRecord* y = catalog_.ContainingDirectory(b);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->Path(), y->Path());
    EXPECT_EQ(x->fileCount, y->fileCount);
    EXPECT_EQ(x->totalLength, y->totalLength);
    const DirRecord* dx = part->DirectoryOf(a);
    const DirRecord* dy = catalog_.DirectoryOf(b);
    ASSERT_EQ(dx == nullptr, dy == nullptr);
    if (dx != nullptr) {
      EXPECT_EQ(dx->Path(), dy->Path());
    }
  }
  // Without its catalog file (as orphans are looked for) the header still reads; no entry does.
  auto file = std::make_unique<PagedFile>();
  const std::string indexPath = tmp_ / "big.idx";
  std::ofstream(indexPath, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
  ASSERT_TRUE(file->Open(indexPath));
  const auto bare = CatalogIndex::OpenFile(std::move(file), nullptr);
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(bare->SourcePath(), catalog_.filePath);
  EXPECT_FALSE(bare->ReadBlock(0, entries));
}

TEST_F(CatalogIndexTest, PostingListsNameExactlyTheBlocksWhoseFoldedNamesHoldTheTrigram) {
  std::map<uint32_t, std::vector<uint32_t>> expected;
  for (int32_t r = 0; r < catalog_.files.Size(); ++r) {
    const std::string name = FoldAscii(catalog_.files[r]->Name());
    const uint32_t block = static_cast<uint32_t>(r) / fmt::kBlockRecords;
    for (size_t i = 0; i + 3 <= name.size(); ++i) {
      std::vector<uint32_t>& blocks =
          expected[fmt::Trigram(static_cast<uint8_t>(name[i]), static_cast<uint8_t>(name[i + 1]),
                                static_cast<uint8_t>(name[i + 2]))];
      if (blocks.empty() || blocks.back() != block) blocks.push_back(block);
    }
  }
  const auto index = Open(bytes_);
  ASSERT_NE(index, nullptr);
  for (const auto& [trigram, blocks] : expected) {
    CatalogIndex::Postings postings;
    ASSERT_TRUE(index->FindPostings(trigram, postings)) << trigram;
    EXPECT_EQ(postings.Count(), blocks.size());
    std::vector<uint32_t> got;
    uint32_t b = 0;
    for (uint32_t target = 0; postings.NextAtLeast(target, b); target = b + 1) got.push_back(b);
    EXPECT_EQ(got, blocks) << trigram;
  }
  CatalogIndex::Postings none;
  EXPECT_FALSE(index->FindPostings(fmt::Trigram('#', '#', '#'), none));
  EXPECT_FALSE(index->Damaged());
  // Skipping ahead, as an intersection does.
  CatalogIndex::Postings lib;
  ASSERT_TRUE(index->FindPostings(fmt::Trigram('l', 'i', 'b'), lib));
  const std::vector<uint32_t>& all = expected[fmt::Trigram('l', 'i', 'b')];
  ASSERT_GT(all.size(), 10u);
  uint32_t b = 0;
  ASSERT_TRUE(lib.NextAtLeast(all[5], b));
  EXPECT_EQ(b, all[5]);
  ASSERT_TRUE(lib.NextAtLeast(all[5], b));  // the same target: the same block
  EXPECT_EQ(b, all[5]);
  ASSERT_TRUE(lib.NextAtLeast(all[8] + 1, b));
  EXPECT_EQ(b, all[9]);
  EXPECT_FALSE(lib.NextAtLeast(index->BlockCount(), b));
}

TEST_F(CatalogIndexTest, RefusesFilesThatAreNotSoundIndexes) {
  auto refused = [this](std::vector<uint8_t> bytes) { return Open(std::move(bytes)) == nullptr; };
  EXPECT_TRUE(refused({}));
  EXPECT_TRUE(refused(std::vector<uint8_t>(bytes_.begin(), bytes_.begin() + fmt::kHeaderSize - 1)));
  EXPECT_TRUE(refused(std::vector<uint8_t>(bytes_.begin(), bytes_.end() - 1)));  // cut short
  std::vector<uint8_t> longer = bytes_;
  longer.push_back(0);
  EXPECT_TRUE(refused(longer));
  auto with = [this](size_t at, uint32_t value) {
    std::vector<uint8_t> b = bytes_;
    std::memcpy(b.data() + at, &value, 4);
    return b;
  };
  auto byte = [this](size_t at) {
    return uint32_t{bytes_[at]} | uint32_t{bytes_[at + 1]} << 8 | uint32_t{bytes_[at + 2]} << 16 |
           uint32_t{bytes_[at + 3]} << 24;
  };
  EXPECT_TRUE(refused(with(0, 'm')));                              // magic
  EXPECT_TRUE(refused(with(fmt::kVersionAt, fmt::kVersion + 1)));  // a newer format
  EXPECT_TRUE(refused(with(fmt::kHeaderSizeAt, 0)));
  // Written by other code: made again, whatever else it holds.
  EXPECT_TRUE(refused(with(fmt::kRevisionAt, fmt::CodeRevision() + 1)));
  EXPECT_TRUE(refused(with(fmt::kBlockRecordsAt, fmt::kBlockRecords * 2)));
  EXPECT_TRUE(refused(with(fmt::kRecordCountAt, byte(fmt::kRecordCountAt) ^ 1)));
  // Counts no catalog can have, which block arithmetic would wrap on.
  EXPECT_TRUE(refused(with(fmt::kRecordCountAt, 0xFFFFFFF0u)));
  EXPECT_TRUE(refused(with(fmt::kDirCountAt, 0x80000000u)));
  EXPECT_TRUE(refused(with(fmt::kSourceSizeAt, byte(fmt::kSourceSizeAt) ^ 1)));  // the opening checksum
  EXPECT_TRUE(refused(with(fmt::kSectionTableAt + 16 * fmt::kPostings + 8, 0xFFFFFF)));  // out of the file
  EXPECT_TRUE(refused(with(fmt::kOpenChecksumAt, byte(fmt::kOpenChecksumAt) ^ 1)));
  EXPECT_TRUE(refused(with(Section(fmt::kMeta, 0) + 3, 0xFF)));     // the meta section
  EXPECT_TRUE(refused(with(Section(fmt::kPageDir, 0) + 1, 0xFF)));  // the page directory
  EXPECT_TRUE(refused(with(Section(fmt::kPageSums, 0), byte(Section(fmt::kPageSums, 0)) ^ 1)));
  const auto sound = Open(bytes_);
  ASSERT_NE(sound, nullptr);
  EXPECT_TRUE(ReadAll(*sound));
}

// A header that counts more directories than the file's bytes could hold (found by the fuzzer):
// no index, and nothing allocated for the count.
TEST_F(CatalogIndexTest, NoIndexIsMadeOfACatalogWhoseCountsItsBytesCannotHold) {
  const uint8_t bytes[] = {0x27, 0x06, 0xa4, 0xd0, 0x00, 0xc0, 0x51, 0x00, 0xef, 0x00,
                           0x00, 0x00, 0x3e, 0x54, 0x54, 0x58, 0xd0, 0x00, 0x00, 0x78};
  const std::string path = tmp_ / "counts.mvl";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  FileIdentity identity;
  ASSERT_TRUE(IdentityOfFile(path, identity));
  EXPECT_TRUE(BuildCatalogIndex(path, identity).empty());
}

TEST_F(CatalogIndexTest, DamageFoundOnFirstUseMakesTheIndexDamaged) {
  for (const int section : {fmt::kBlockPlaces, fmt::kBlockSums, fmt::kBlockLengths, fmt::kDirStarts,
                            fmt::kTrigrams, fmt::kPostings}) {
    SCOPED_TRACE(section);
    std::vector<uint8_t> b = bytes_;
    b[Section(section, 0) + 4] ^= 0x10;  // the first page
    const auto index = Open(std::move(b));
    ASSERT_NE(index, nullptr);  // opening reads only the small sections
    EXPECT_FALSE(ReadAll(*index));
    EXPECT_TRUE(index->Damaged());
    std::vector<CatalogIndex::Entry> entries;
    EXPECT_FALSE(index->ReadBlock(index->BlockCount() - 1, entries));  // nothing more is read
  }
  // Checksums aside: the catalog file's bytes are parsed, never trusted.
  for (const size_t at : {Section(fmt::kBlockPlaces, 0) + 8, Section(fmt::kDirStarts, 0) + 8}) {
    std::vector<uint8_t> b = bytes_;
    b[at] ^= 0x03;  // a block or a group of directories that starts a few bytes off
    const auto index = Open(std::move(b), CatalogIndex::Checksums::kSkip);
    ASSERT_NE(index, nullptr);
    EXPECT_FALSE(ReadAll(*index));
  }
  // A catalog file cut short since it was indexed.
  std::vector<uint8_t> shorter(catalogBytes_.begin(), catalogBytes_.end() - 10);
  const auto cut = CatalogIndex::OpenBytes(bytes_, shorter);
  ASSERT_NE(cut, nullptr);
  EXPECT_FALSE(ReadAll(*cut));
}

// With its checksums not compared (as the fuzz target reads), an index with random bytes changed
// must still be read without a fault, an endless loop or an unbounded allocation.
TEST_F(CatalogIndexTest, ChangedBytesNeverMakeTheReaderFault) {
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> b = bytes_;
    for (int k = 1 + static_cast<int>(random() % 4); k > 0; --k) {
      // Mostly in the header and the small sections, where one byte steers the most.
      const size_t range = random() % 2 == 0 ? std::min<size_t>(b.size(), 4096) : b.size();
      b[random() % range] = static_cast<uint8_t>(random());
    }
    for (const auto checksums : {CatalogIndex::Checksums::kSkip, CatalogIndex::Checksums::kVerify}) {
      if (auto index = Open(b, checksums)) ReadAll(*index);
    }
  }
}

}  // namespace
}  // namespace mardo
