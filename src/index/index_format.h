#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

// The layout of a catalog index file (docs/index-format.md). The index holds no names: it keeps
// where the catalog file's entries lie, and which blocks of entries hold each trigram. All
// numbers are little-endian; every section starts at a multiple of 8 bytes.
//
//   header (kHeaderSize bytes): magic, version, the revision of the code that wrote it, file
//     size, the catalog file's identity, counts, flags, the section table and the opening
//     checksum (the header before it but the revision, chained over the sections read on
//     opening). The flag kUnindexed marks an index without records that says the catalog file,
//     as it is, could not be indexed; kKeepsNumbering says the catalog numbers its directories
//     as a scan does (Catalog::KeepsDirectoryNumbering), with dirEntries filled, and with it
//     kSpelledFromNames that some path shown is spelled from names (kShownFromNames).
//   sections read on opening:
//     meta        the catalog file's path, volume root, label, catalog name (u32 size + bytes
//                 each), format version (i16), 2 zero bytes, catalogued time (i64), serial (u32),
//                 free space (f32)
//     pageSums    u32 per kPageSize bytes of each section read later, in section order: the low
//                 32 bits of the checksum of that page of the section
//     pageDir     u32 per kPageSize bytes of trigrams: the first trigram of that page
//   sections read a page at a time when first used:
//     blockPlaces per block of kBlockRecords entries, the catalog file offset of its first file
//                 entry (u64); then one more u64: the end of the last entry
//     blockSums   per block (kBlockSummarySize bytes): the earliest and the latest time of its
//                 entries (i64 each) and the kinds of length they have (u64, LengthKind). They
//                 lie apart from the places, which every search that reads blocks needs: only
//                 a date or a length condition needs these.
//     blockLengths per block (kBlockLengthsSize bytes): the bits of its entries' exact lengths
//                 (kLengthWords x u64, LengthBit), which only a search for one length needs
//     dirStarts   u64 per group of kDirGroup directories, and one more: the catalog file offset
//                 of the group's first directory entry (the last: the end of the last one)
//     dirEntries  u32 per directory but the root, with kKeepsNumbering: the number of the file
//                 entry that stands for it, with kShownFromNames when the path shown is spelled
//                 from the names of those entries (one of them holds '\\')
//     trigrams    per distinct trigram of the case-folded names, ascending: trigram u32, block
//                 count u32, offset u32 and size u32 of its posting list; then, with a kind
//                 added (so still ascending), those of the names of empty files
//                 (kEmptyFileTrigram), of the starts of names (kStartOnlyTrigram) and of their
//                 ends (kNameEndTrigram)
//     postings    per trigram, the blocks whose names hold it, ascending, in groups of
//                 kGroupBlocks: a bit width w, then the group's gaps less one in w bits each
namespace mardo::index_format {

inline constexpr char kMagic[8] = {'M', 'a', 'r', 'd', 'o', 'I', 'd', 'x'};
inline constexpr uint32_t kVersion = 9;
inline constexpr size_t kHeaderSize = 256;
inline constexpr uint32_t kBlockRecords = 32;
inline constexpr uint32_t kDirGroup = 64;
inline constexpr uint32_t kGroupBlocks = 128;
inline constexpr size_t kPageSize = 4096;
inline constexpr size_t kTrigramEntrySize = 16;
inline constexpr size_t kBlockSummarySize = 24;
inline constexpr size_t kBlockLengthsSize = 32;  // 8 x kLengthWords

enum Section : int {
  kMeta,
  kPageSums,
  kPageDir,
  kBlockPlaces,
  kBlockSums,
  kBlockLengths,
  kDirStarts,
  kDirEntries,
  kTrigrams,
  kPostings,
  kSectionCount
};
// The sections read a page at a time, each checked against its page sums.
inline constexpr int kFirstPaged = kBlockPlaces;

// Byte offsets of the header fields.
inline constexpr size_t kVersionAt = 8;
inline constexpr size_t kHeaderSizeAt = 12;
inline constexpr size_t kFileSizeAt = 16;
inline constexpr size_t kDeviceAt = 24;
inline constexpr size_t kInodeAt = 32;
inline constexpr size_t kSourceSizeAt = 40;
inline constexpr size_t kModifiedAt = 48;
inline constexpr size_t kChangedAt = 56;
inline constexpr size_t kRecordCountAt = 64;
inline constexpr size_t kDirCountAt = 68;
inline constexpr size_t kTrigramCountAt = 72;
inline constexpr size_t kFlagsAt = 76;
inline constexpr size_t kRevisionAt = 80;      // u32, left out of the opening checksum
inline constexpr size_t kBlockRecordsAt = 84;  // u32
inline constexpr size_t kSectionTableAt = 88;  // kSectionCount x (offset u64, size u64)
inline constexpr size_t kOpenChecksumAt = kSectionTableAt + 16 * kSectionCount;
static_assert(kOpenChecksumAt + 8 == kHeaderSize);

// In a dirEntries value: the path shown is spelled from the names of the directory entries.
inline constexpr uint32_t kShownFromNames = 0x80000000u;

// Header flags.
inline constexpr uint32_t kUnindexed = 1;
inline constexpr uint32_t kKeepsNumbering = 2;
inline constexpr uint32_t kSpelledFromNames =
    4;  // with kKeepsNumbering: some dirEntries value has kShownFromNames

// The trigram of three folded bytes.
constexpr uint32_t Trigram(uint8_t a, uint8_t b, uint8_t c) {
  return uint32_t{a} << 16 | uint32_t{b} << 8 | c;
}
// Added to a trigram: the entry of the trigram table that lists only the blocks where the name
// of an empty file (length 0) holds it. Duplicates lists the smallest files first, and a search
// there often needs no other.
inline constexpr uint32_t kEmptyFileTrigram = uint32_t{1} << 24;
// Added to a trigram: the entry that lists the blocks where a name starts with it and no name
// holds it anywhere else. Such a block's names that hold a pattern beginning with it begin with
// the pattern: in name order, they come after the pattern itself.
inline constexpr uint32_t kStartOnlyTrigram = uint32_t{2} << 24;
// Added to a trigram: the entry that lists the blocks where a name ends with it.
inline constexpr uint32_t kNameEndTrigram = uint32_t{3} << 24;

// The kind of a length, as a bit of a block's kinds: bit 0 for a directory entry (below 0), bit
// 1 for 0, bit k for the lengths of k - 1 significant bits (from 2^(k-2) to 2^(k-1) - 1), and
// bit 63 for all from 2^61 on.
constexpr uint64_t LengthKind(int64_t length) {
  if (length < 0) return 1;
  const int bits = std::bit_width(static_cast<uint64_t>(length));
  return uint64_t{1} << std::min(bits + 1, 63);
}
// The bits of a block's exact lengths: for each entry, one of 256 picked by a hash of its length.
// A block whose bits lack a length's holds no entry of that length: a search for one exact length
// passes over most blocks (of 32 entries, about one block in eight has a given bit by chance).
inline constexpr size_t kLengthWords = 4;
static_assert(kBlockLengthsSize == 8 * kLengthWords);
using LengthBits = std::array<uint64_t, kLengthWords>;
constexpr uint32_t LengthBit(int64_t length) {
  return static_cast<uint32_t>((static_cast<uint64_t>(length) * 0x9E3779B97F4A7C15ull) >> 56);
}
constexpr void AddLength(LengthBits& bits, int64_t length) {
  const uint32_t bit = LengthBit(length);
  bits[bit / 64] |= uint64_t{1} << (bit % 64);
}
constexpr bool MayHoldLength(const LengthBits& bits, int64_t length) {
  const uint32_t bit = LengthBit(length);
  return (bits[bit / 64] >> (bit % 64) & 1) != 0;
}
// The lengths of kind `k` (0 to 63): [least, most].
constexpr void LengthsOfKind(int k, int64_t& least, int64_t& most) {
  if (k == 0) {
    least = INT64_MIN;
    most = -1;
  } else if (k == 1) {
    least = most = 0;
  } else {
    least = int64_t{1} << (k - 2);
    most = k == 63 ? INT64_MAX : (int64_t{1} << (k - 1)) - 1;
  }
}

constexpr uint64_t BlockCount(uint64_t records) {
  return (records + kBlockRecords - 1) / kBlockRecords;
}
constexpr uint64_t DirGroupCount(uint64_t dirs) {
  return (dirs + kDirGroup - 1) / kDirGroup;
}
constexpr uint64_t PageCount(uint64_t bytes) {
  return (bytes + kPageSize - 1) / kPageSize;
}

// The revision of the code that reads and writes indexes (a digest of its sources): an index
// written by another revision is made again.
uint32_t CodeRevision();

}  // namespace mardo::index_format
