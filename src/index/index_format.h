#pragma once

#include <cstddef>
#include <cstdint>

// The layout of a catalog index file. All numbers are little-endian; every section starts at a
// multiple of 8 bytes, so that its arrays can be read in place from a mapped file.
//
//   header (kHeaderSize bytes): magic, version, file size, the catalog file's identity, counts,
//     flags, 8 zero bytes, the section table, and the opening checksum (the header before it,
//     chained over the meta, block-checksum, directory-block-checksum and page-directory
//     sections). The flag kUnindexed marks an index without records that says the catalog file,
//     as it is, could not be indexed: it is read whole instead, without trying again.
//   sections, in the order of Section:
//     meta        the catalog file's path, volume root, label, catalog name (u32 size + bytes
//                 each), format version (i16), 2 zero bytes, catalogued time (i64), serial (u32),
//                 free space (f32)
//     dirs        per directory: path offset u32, path size u32, file count i32, 0 u32, total f64
//     dirPaths    the directory paths, one after the other
//     dirSums     u64 per block of kBlockDirs directories: the checksum of the block's slices of
//                 dirs and dirPaths, chained
//     times       i64 per record, in file-array order
//     lengths     i64 per record
//     dirNumbers  i32 per record
//     nameOffsets u32 per record and one more: name r is [off[r], off[r+1] - 1), then a NUL
//     names       the entry names, each followed by a NUL
//     blockSums   u64 per block of kBlockRecords records: the checksum of the block's slices of
//                 times, lengths, dirNumbers, nameOffsets (one more) and names, chained
//     trigrams    per distinct trigram of the case-folded names, ascending: trigram u32, record
//                 count u32, offset u64 and size u32 of its posting list, and the low 32 bits of
//                 the list's checksum
//     pageDir     per page of kPageEntries trigram entries (the last page the rest): its first
//                 trigram u32 and the low 32 bits of the checksum of its entries
//     postings    per trigram, the numbers of the records whose folded name holds it, ascending:
//                 the first as a LEB128 varint, then the gaps
namespace mardo::index_format {

inline constexpr char kMagic[8] = {'M', 'a', 'r', 'd', 'o', 'I', 'd', 'x'};
inline constexpr uint32_t kVersion = 2;
inline constexpr size_t kHeaderSize = 304;
inline constexpr uint32_t kBlockRecords = 1024;
inline constexpr uint32_t kPageEntries = 64;
inline constexpr uint32_t kBlockDirs = 1024;
inline constexpr size_t kDirEntrySize = 24;
inline constexpr size_t kTrigramEntrySize = 24;
inline constexpr size_t kPageEntrySize = 8;

enum Section : int {
  kMeta,
  kDirs,
  kDirPaths,
  kDirSums,
  kTimes,
  kLengths,
  kDirNumbers,
  kNameOffsets,
  kNames,
  kBlockSums,
  kTrigrams,
  kPageDir,
  kPostings,
  kSectionCount
};

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
inline constexpr size_t kReservedAt = 80;
inline constexpr size_t kSectionTableAt = 88;  // kSectionCount x (offset u64, size u64)
inline constexpr size_t kOpenChecksumAt = kSectionTableAt + 16 * kSectionCount;
static_assert(kOpenChecksumAt + 8 == kHeaderSize);

// The bytes of one record's time, length and directory number.
inline constexpr size_t kTimeSize = 8;
inline constexpr size_t kLengthSize = 8;
inline constexpr size_t kDirNumberSize = 4;

// Header flags.
inline constexpr uint32_t kUnindexed = 1;

// The trigram of three folded bytes.
constexpr uint32_t Trigram(uint8_t a, uint8_t b, uint8_t c) {
  return uint32_t{a} << 16 | uint32_t{b} << 8 | c;
}

constexpr uint32_t BlockCount(uint32_t records) {
  return (records + kBlockRecords - 1) / kBlockRecords;
}
constexpr uint32_t DirBlockCount(uint32_t dirs) {
  return (dirs + kBlockDirs - 1) / kBlockDirs;
}
constexpr uint32_t PageCount(uint32_t trigrams) {
  return (trigrams + kPageEntries - 1) / kPageEntries;
}

}  // namespace mardo::index_format
