#include "search/entry_path.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/format_text.h"
#include "platform/catalog_path.h"
#include "platform/file_system.h"
#include "search/search_texts.h"
#include "store/catalog.h"

namespace mardo {
namespace {

// A name that can stand as one component of a native path. Catalog files come from anywhere: a
// name such as ".." or "a/b" would lead the path out of the directory it belongs to.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// A path with a "." or ".." component or a NUL byte is not one the catalogued tree can have had.
bool IsPlainPath(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return false;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part = path.substr(start, end - start);
    if (part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

std::optional<std::string> Checked(std::string path) {
  if (!IsPlainPath(path)) return std::nullopt;
  return path;
}

// A volume root this system can reach: an absolute native path. A catalog file may hold any text
// there; a relative one ("-oProxy=x/") would be taken from the current directory, and could be
// read as an option by a program that is handed a path made from it.
bool IsReachableRoot(const Catalog& catalog) {
  return catalog.CanBeRefreshed() && !catalog.volumeRoot.empty() && catalog.volumeRoot[0] == '/';
}

}  // namespace

std::string ShownCatalogPath(std::string_view catalogPath) {
  std::string path(catalogPath);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string ShownDirectoryPath(const Catalog& catalog, int32_t dirNumber) {
  if (dirNumber < 0 || dirNumber >= catalog.dirs.Size() || catalog.dirs[dirNumber] == nullptr) return {};
  const std::string_view stored = catalog.dirs[dirNumber]->Path();
  const std::string slashed = ShownCatalogPath(stored);
  if (!catalog.KeepsDirectoryNumbering() || catalog.dirs[0] == nullptr) return slashed;
  // The names from the directory up to the catalog's root directory. They tell where one name
  // ends when a name holds '\\', as long as they spell the stored path; a catalog whose names and
  // paths disagree is shown by its paths. Without '\\' in any name, the path shown is the same
  // either way.
  std::vector<std::string_view> names;
  bool backslash = false;
  for (int32_t d = dirNumber; d > 0;) {
    const FileRecord* entry = catalog.EntryOfDirectory(d);
    if (entry == nullptr) return slashed;
    names.push_back(entry->Name());
    backslash = backslash || entry->Name().find('\\') != std::string_view::npos;
    d = entry->dirNumber;
  }
  if (!backslash) return slashed;
  const std::string_view root = catalog.dirs[0]->Path();
  std::string spelled(root);
  std::string shown = ShownCatalogPath(root);
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    spelled.append("\\").append(*name);
    shown.append("/").append(*name);
  }
  return spelled == stored ? shown : slashed;
}

std::string ShownEntryPath(const FileRecord& entry) {
  const Catalog* catalog = entry.OwningCatalog();
  std::string path = catalog != nullptr ? ShownDirectoryPath(*catalog, entry.dirNumber) : "";
  path.push_back('/');
  path.append(entry.Name());
  return path;
}

std::optional<std::string> NativeDirectoryPath(const Catalog& catalog, int32_t dirNumber) {
  if (!IsReachableRoot(catalog) || dirNumber < 0 || dirNumber >= catalog.dirs.Size()) return std::nullopt;
  if (!catalog.KeepsDirectoryNumbering()) {
    return Checked(NativePathFromCatalog(catalog.volumeRoot, catalog.dirs[dirNumber]->Path()));
  }
  // The names from the directory up to the root directory.
  std::vector<std::string_view> names;
  for (int32_t d = dirNumber; d > 0;) {
    const FileRecord* entry = catalog.EntryOfDirectory(d);
    if (entry == nullptr || !IsPlainName(entry->Name())) return std::nullopt;
    names.push_back(entry->Name());
    d = entry->dirNumber;
  }
  const std::string_view rootPath = catalog.dirs[0]->Path();
  const std::vector<std::string> readings = FindNativeDirectories(catalog.volumeRoot, rootPath, 1);
  std::string path = readings.empty() ? NativePathFromCatalog(catalog.volumeRoot, rootPath) : readings[0];
  for (auto name = names.rbegin(); name != names.rend(); ++name) path = JoinNativePath(path, *name);
  return Checked(std::move(path));
}

std::optional<std::string> NativeEntryPath(const FileRecord& entry) {
  if (!IsPlainName(entry.Name())) return std::nullopt;
  std::optional<std::string> dir = NativeDirectoryPath(*entry.OwningCatalog(), entry.dirNumber);
  if (!dir) return std::nullopt;
  return JoinNativePath(*dir, entry.Name());
}

std::string DisplayDirectoryPath(const Catalog& catalog, int32_t dirNumber) {
  const std::string_view path = dirNumber >= 0 && dirNumber < catalog.dirs.Size()
                                    ? catalog.dirs[dirNumber]->Path()
                                    : std::string_view();
  if (!catalog.CanBeRefreshed() || catalog.volumeRoot.empty()) return std::string(path);
  if (!IsWindowsStylePath(catalog.volumeRoot)) return NativePathFromCatalog(catalog.volumeRoot, path);
  std::string out(catalog.volumeRoot);
  if (out.back() == '\\') out.pop_back();
  out.append(path);
  return out;
}

std::string DisplayEntryPath(const FileRecord& entry) {
  const Catalog& catalog = *entry.OwningCatalog();
  std::string dir = DisplayDirectoryPath(catalog, entry.dirNumber);
  if (catalog.CanBeRefreshed() && !catalog.volumeRoot.empty() && !IsWindowsStylePath(catalog.volumeRoot))
    return JoinNativePath(dir, entry.Name());
  dir.push_back('\\');
  dir.append(entry.Name());
  return dir;
}

std::string UnreachableReason(const Catalog& catalog) {
  if (!catalog.CanBeRefreshed()) return texts::kOldCatalog;
  if (IsWindowsStylePath(catalog.volumeRoot))
    return FormatText(texts::kOtherSystemRoot, catalog.volumeRoot.c_str());
  if (!IsReachableRoot(catalog)) return FormatText(texts::kRelativeRoot, catalog.volumeRoot.c_str());
  return texts::kNotLocatable;
}

}  // namespace mardo
