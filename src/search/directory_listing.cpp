#include "search/directory_listing.h"

#include "store/catalog.h"

namespace mardo {

int32_t FindDirectory(const Catalog& catalog, std::string_view path, int32_t from) {
  for (int32_t k = from < 0 ? 0 : from; k < catalog.dirs.Size(); ++k) {
    if (catalog.dirs[k]->Path() == path) return k;
  }
  return -1;
}

DirectoryListing ListDirectory(const Catalog& catalog, int32_t dirNumber, int32_t hitLimit) {
  DirectoryListing listing;
  for (const FileRecord* entry : catalog.files) {
    if (entry->dirNumber != dirNumber) continue;
    if (static_cast<int32_t>(listing.entries.size()) >= hitLimit) {
      listing.truncated = true;
      break;
    }
    listing.entries.push_back(entry);
  }
  return listing;
}

}  // namespace mardo
