#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The fields of a catalog file (docs/catalog-format.md, versions 0 to 4) parsed in place from its
// bytes, for the index: it keeps the offsets of entries rather than copies of them. Every parser
// reads only inside the bytes it is given and gives 0 (not whole, or not sound) rather than
// reading past them.
namespace mardo::catalog_bytes {

// The longest text a version-4 catalog holds, as the catalog reader accepts it.
inline constexpr uint64_t kLongestText = uint64_t{16} << 20;

struct Header {
  int16_t version = 0;
  int64_t cataloguedTime = 0;
  std::string_view volumeRoot;
  std::string_view volumeLabel;
  std::string_view catalogName;
  uint32_t serialNumber = 0;
  float freeSpace = -1.0f;
  int32_t dirCount = 0;  // as stored; below 0 reads as none
};
// The header up to and with the directory count; the bytes it takes, or 0.
size_t ParseHeader(const uint8_t* p, size_t size, Header& header);

struct DirEntry {
  std::string_view path;
  int32_t fileCount = 0;
  double totalLength = 0.0;
};
size_t ParseDirEntry(const uint8_t* p, size_t size, int16_t version, DirEntry& entry);

struct FileEntry {
  int64_t time = 0;
  int64_t length = 0;
  int64_t dirNumber = 0;
  std::string_view name;
};
// A file entry; `wide` for version 4. The directory number and length are not checked here.
size_t ParseFileEntry(const uint8_t* p, size_t size, bool wide, FileEntry& entry);

// A 32-bit count (the file count after the directories).
size_t ParseCount(const uint8_t* p, size_t size, int32_t& count);

}  // namespace mardo::catalog_bytes
