#include "search/directory_listing.h"

#include <algorithm>

#include "search/directory_browser.h"
#include "store/catalog.h"

namespace mardo {

int32_t FindDirectory(const Catalog& catalog, std::string_view path, int32_t from) {
  for (int32_t k = from < 0 ? 0 : from; k < catalog.dirs.Size(); ++k) {
    if (catalog.dirs[k]->Path() == path) return k;
  }
  return -1;
}

std::string NormaliseCatalogPath(std::string_view typed) {
  std::string path(typed);
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.size() > 1 && path.back() == '\\') path.pop_back();
  if (path == "\\") path.clear();
  return path;
}

int32_t FindDirectoryByPath(const Catalog& catalog, std::string_view typed) {
  const std::string path = NormaliseCatalogPath(typed);
  if (const int32_t found = FindDirectory(catalog, path); found >= 0) return found;
  if (catalog.dirs.Empty()) return -1;
  // Walk down from the root by names: below the root's own path, each step is the subdirectory
  // whose entry name matches the next part of the path.
  const std::string_view root = catalog.dirs[0]->Path();
  std::string_view rest = path;
  if (rest.substr(0, root.size()) != root) return -1;
  rest.remove_prefix(root.size());
  int32_t current = 0;
  while (!rest.empty()) {
    if (rest[0] != '\\') return -1;
    rest.remove_prefix(1);
    // A name may itself hold a backslash: the longest name that matches wins.
    int32_t next = -1;
    size_t used = 0;
    for (const FileRecord* entry : catalog.files) {
      if (entry->dirNumber != current || !entry->IsDirectory()) continue;
      const std::string_view name = entry->Name();
      if (name.size() <= used || rest.substr(0, name.size()) != name) continue;
      if (name.size() < rest.size() && rest[name.size()] != '\\') continue;
      const int32_t number = DirectoryOfEntryNumber(*entry, false);
      if (number < 0) continue;
      next = number;
      used = name.size();
    }
    if (next < 0) return -1;
    current = next;
    rest.remove_prefix(used);
  }
  return current;
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
