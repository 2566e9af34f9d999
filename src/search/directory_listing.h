#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace mardo {

class Catalog;
class FileRecord;

// The number of the directory whose catalog path is exactly `path` (case counts), searching from
// `from`; -1 when there is none.
int32_t FindDirectory(const Catalog& catalog, std::string_view path, int32_t from = 0);

// The entries of one directory, in the catalog's stored order, at most `hitLimit` of them.
struct DirectoryListing {
  std::vector<const FileRecord*> entries;
  bool truncated = false;  // the directory holds more than `hitLimit` entries
};
DirectoryListing ListDirectory(const Catalog& catalog, int32_t dirNumber, int32_t hitLimit);

}  // namespace mardo
