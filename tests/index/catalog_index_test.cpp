// The index file of one catalog: what it holds, and how its reader refuses what is not sound.
#include "index/catalog_index.h"

#include <gtest/gtest.h>

#include <cstring>
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
    source_.device = 7;
    source_.inode = 99;
    source_.size = 12345;
    source_.modifiedNs = 1700000000123456789;
    source_.changedNs = 1700000000987654321;
    bytes_ = BuildCatalogIndex(catalog_, catalog_.filePath, source_);
    ASSERT_FALSE(bytes_.empty());
  }

  // Reads everything the index holds; false as soon as anything is found unsound.
  static bool ReadAll(CatalogIndex& index) {
    for (uint32_t r = 0; r < index.RecordCount(); ++r) {
      if (!index.CheckRecord(r)) return false;
      (void)index.Name(r);
    }
    std::vector<uint32_t> all(index.RecordCount());
    for (uint32_t r = 0; r < index.RecordCount(); ++r) all[r] = r;
    if (index.MakeCatalog(all, "x") == nullptr) return false;
    for (uint32_t trigram :
         {fmt::Trigram('l', 'i', 'b'), fmt::Trigram('a', 'b', 'c'), fmt::Trigram('z', 'z', 'z')}) {
      CatalogIndex::Postings postings;
      if (!index.FindPostings(trigram, postings)) {
        if (index.Damaged()) return false;
        continue;
      }
      uint32_t r = 0;
      for (uint32_t target = 0; postings.NextAtLeast(target, r); target = r + 1) {
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
};

TEST_F(CatalogIndexTest, HoldsTheCatalogAndItsSource) {
  const auto index = CatalogIndex::OpenBytes(bytes_);
  ASSERT_NE(index, nullptr);
  EXPECT_EQ(index->SourcePath(), catalog_.filePath);
  EXPECT_EQ(index->SourceIdentity(), source_);
  EXPECT_EQ(index->VolumeLabel(), catalog_.volumeLabel);
  EXPECT_EQ(index->CatalogName(), catalog_.catalogName);
  EXPECT_EQ(index->DisplayName(), catalog_.DisplayName());
  EXPECT_EQ(index->FormatVersion(), catalog_.formatVersion);
  ASSERT_EQ(index->RecordCount(), static_cast<uint32_t>(catalog_.files.Size()));
  ASSERT_EQ(index->DirCount(), static_cast<uint32_t>(catalog_.dirs.Size()));
  for (uint32_t r = 0; r < index->RecordCount(); ++r) {
    ASSERT_TRUE(index->CheckRecord(r));
    const FileRecord& f = *catalog_.files[static_cast<int32_t>(r)];
    EXPECT_EQ(index->Name(r), f.Name());
    EXPECT_EQ(index->Time(r), f.lastWriteTime);
    EXPECT_EQ(index->Length(r), f.length);
    EXPECT_EQ(index->DirNumber(r), f.dirNumber);
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
}

TEST_F(CatalogIndexTest, PostingListsNameExactlyTheRecordsWhoseFoldedNameHoldsTheTrigram) {
  std::map<uint32_t, std::vector<uint32_t>> expected;
  for (int32_t r = 0; r < catalog_.files.Size(); ++r) {
    const std::string name = FoldAscii(catalog_.files[r]->Name());
    std::set<uint32_t> seen;
    for (size_t i = 0; i + 3 <= name.size(); ++i) {
      seen.insert(fmt::Trigram(static_cast<uint8_t>(name[i]), static_cast<uint8_t>(name[i + 1]),
                               static_cast<uint8_t>(name[i + 2])));
    }
    for (uint32_t t : seen) expected[t].push_back(static_cast<uint32_t>(r));
  }
  const auto index = CatalogIndex::OpenBytes(bytes_);
  ASSERT_NE(index, nullptr);
  for (const auto& [trigram, records] : expected) {
    CatalogIndex::Postings postings;
    ASSERT_TRUE(index->FindPostings(trigram, postings)) << trigram;
    EXPECT_EQ(postings.Count(), records.size());
    std::vector<uint32_t> got;
    uint32_t r = 0;
    for (uint32_t target = 0; postings.NextAtLeast(target, r); target = r + 1) got.push_back(r);
    EXPECT_EQ(got, records) << trigram;
  }
  CatalogIndex::Postings none;
  EXPECT_FALSE(index->FindPostings(fmt::Trigram('#', '#', '#'), none));
  EXPECT_FALSE(index->Damaged());
  // Skipping ahead, as an intersection does.
  CatalogIndex::Postings lib;
  ASSERT_TRUE(index->FindPostings(fmt::Trigram('l', 'i', 'b'), lib));
  const std::vector<uint32_t>& all = expected[fmt::Trigram('l', 'i', 'b')];
  ASSERT_GT(all.size(), 10u);
  uint32_t r = 0;
  ASSERT_TRUE(lib.NextAtLeast(all[5], r));
  EXPECT_EQ(r, all[5]);
  ASSERT_TRUE(lib.NextAtLeast(all[5], r));  // the same target: the same record
  EXPECT_EQ(r, all[5]);
  ASSERT_TRUE(lib.NextAtLeast(all[9] - 1, r));
  EXPECT_EQ(r, all[9]);
  EXPECT_FALSE(lib.NextAtLeast(catalog_.files.Size(), r));
}

TEST_F(CatalogIndexTest, RefusesFilesThatAreNotSoundIndexes) {
  auto refused = [](std::vector<uint8_t> bytes) {
    return CatalogIndex::OpenBytes(std::move(bytes)) == nullptr;
  };
  EXPECT_TRUE(refused({}));
  EXPECT_TRUE(refused(std::vector<uint8_t>(bytes_.begin(), bytes_.begin() + fmt::kHeaderSize - 1)));
  EXPECT_TRUE(refused(std::vector<uint8_t>(bytes_.begin(), bytes_.end() - 1)));  // cut short
  std::vector<uint8_t> longer = bytes_;
  longer.push_back(0);
  EXPECT_TRUE(refused(longer));
  auto with = [this](size_t at, uint8_t value) {
    std::vector<uint8_t> b = bytes_;
    b[at] = value;
    return b;
  };
  EXPECT_TRUE(refused(with(0, 'm')));                              // magic
  EXPECT_TRUE(refused(with(fmt::kVersionAt, fmt::kVersion + 1)));  // a newer format
  EXPECT_TRUE(refused(with(fmt::kHeaderSizeAt, 0)));
  EXPECT_TRUE(refused(with(fmt::kRecordCountAt, bytes_[fmt::kRecordCountAt] ^ 1)));
  EXPECT_TRUE(refused(with(fmt::kSourceSizeAt, bytes_[fmt::kSourceSizeAt] ^ 1)));  // the opening checksum
  EXPECT_TRUE(refused(with(fmt::kSectionTableAt + 16 * fmt::kNames + 8, 0xFF)));  // a section out of the file
  EXPECT_TRUE(refused(with(fmt::kOpenChecksumAt, bytes_[fmt::kOpenChecksumAt] ^ 1)));
  EXPECT_TRUE(refused(with(Section(fmt::kMeta, 0) + 3, 0xFF)));     // the meta section
  EXPECT_TRUE(refused(with(Section(fmt::kPageDir, 0) + 1, 0xFF)));  // the page directory
  const auto sound = CatalogIndex::OpenBytes(bytes_);
  ASSERT_NE(sound, nullptr);
  EXPECT_TRUE(ReadAll(*sound));
}

TEST_F(CatalogIndexTest, DamageFoundOnFirstUseMakesTheIndexDamaged) {
  for (const int section : {fmt::kDirs, fmt::kDirPaths, fmt::kTimes, fmt::kLengths, fmt::kDirNumbers,
                            fmt::kNameOffsets, fmt::kNames}) {
    SCOPED_TRACE(section);
    std::vector<uint8_t> b = bytes_;
    b[Section(section, 0)] ^= 0x10;  // the first block, page or list
    const auto index = CatalogIndex::OpenBytes(std::move(b));
    ASSERT_NE(index, nullptr);  // opening reads only the small sections
    EXPECT_FALSE(ReadAll(*index));
    EXPECT_TRUE(index->Damaged());
    EXPECT_FALSE(index->CheckRecord(0));  // nothing more is read
  }
  // A damaged page of the trigram table, and a damaged posting list: those of the first trigram.
  uint32_t first = 0;
  std::memcpy(&first, bytes_.data() + Section(fmt::kTrigrams, 0), 4);
  for (const int section : {fmt::kTrigrams, fmt::kPostings}) {
    std::vector<uint8_t> b = bytes_;
    b[Section(section, 0) + (section == fmt::kTrigrams ? 4 : 0)] ^= 0x01;
    const auto index = CatalogIndex::OpenBytes(std::move(b));
    ASSERT_NE(index, nullptr);
    CatalogIndex::Postings postings;
    uint32_t r = 0;
    EXPECT_FALSE(index->FindPostings(first, postings) && postings.NextAtLeast(0, r) && !index->Damaged());
    EXPECT_TRUE(index->Damaged());
  }
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
      if (auto index = CatalogIndex::OpenBytes(b, checksums)) ReadAll(*index);
    }
  }
}

}  // namespace
}  // namespace mardo
