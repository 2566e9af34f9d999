#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mardo {

class Catalog;
class FileRecord;

// The number of the directory whose catalog path is exactly `path` (case counts), searching from
// `from`; -1 when there is none.
int32_t FindDirectory(const Catalog& catalog, std::string_view path, int32_t from = 0);

// A directory path as a person types it, in catalog form: '/' and '\' both separate names, a
// trailing separator is dropped, and "\" alone (the root) is the empty path.
std::string NormaliseCatalogPath(std::string_view typed);

// The number of the directory a typed path names, or -1. Tries the stored paths first; a path
// that was cut when its catalog was written is found by walking the directory entries' names
// from the catalog's root directory.
int32_t FindDirectoryByPath(const Catalog& catalog, std::string_view typed);

// The entries of one directory, in the catalog's stored order, at most `hitLimit` of them.
struct DirectoryListing {
  std::vector<const FileRecord*> entries;
  bool truncated = false;  // the directory holds more than `hitLimit` entries
};
DirectoryListing ListDirectory(const Catalog& catalog, int32_t dirNumber, int32_t hitLimit);

}  // namespace mardo
