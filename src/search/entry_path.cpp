#include "search/entry_path.h"

#include <vector>

#include "platform/catalog_path.h"
#include "platform/file_system.h"
#include "store/catalog.h"

namespace mardo {

std::string ListedPath(const FileRecord& entry) {
  const DirRecord* dir = ContainingDirectoryOfEntry(entry);
  std::string path(dir != nullptr ? dir->Path() : std::string_view());
  path.push_back('\\');
  path.append(entry.Name());
  return path;
}

std::optional<std::string> NativeDirectoryPath(const Catalog& catalog, int32_t dirNumber) {
  if (!catalog.CanBeRefreshed() || catalog.volumeRoot.empty() || IsWindowsStylePath(catalog.volumeRoot) ||
      dirNumber < 0 || dirNumber >= catalog.dirs.Size()) {
    return std::nullopt;
  }
  if (!catalog.KeepsDirectoryNumbering()) {
    return NativePathFromCatalog(catalog.volumeRoot, catalog.dirs[dirNumber]->Path());
  }
  // The names from the directory up to the root directory.
  std::vector<std::string_view> names;
  for (int32_t d = dirNumber; d > 0;) {
    const FileRecord* entry = catalog.EntryOfDirectory(d);
    if (entry == nullptr) return std::nullopt;
    names.push_back(entry->Name());
    d = entry->dirNumber;
  }
  const std::string_view rootPath = catalog.dirs[0]->Path();
  const std::vector<std::string> readings = FindNativeDirectories(catalog.volumeRoot, rootPath, 1);
  std::string path = readings.empty() ? NativePathFromCatalog(catalog.volumeRoot, rootPath) : readings[0];
  for (auto name = names.rbegin(); name != names.rend(); ++name) path = JoinNativePath(path, *name);
  return path;
}

std::optional<std::string> NativeEntryPath(const FileRecord& entry) {
  if (entry.catalog == nullptr) return std::nullopt;
  std::optional<std::string> dir = NativeDirectoryPath(*entry.catalog, entry.dirNumber);
  if (!dir) return std::nullopt;
  return JoinNativePath(*dir, entry.Name());
}

}  // namespace mardo
