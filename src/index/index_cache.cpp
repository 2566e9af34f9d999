#include "index/index_cache.h"

#include <cstdio>

#include "index/catalog_index_builder.h"
#include "index/index_checksum.h"
#include "platform/file_system.h"
#include "platform/native_file.h"

namespace mardo {
namespace {

constexpr const char* kIndexExtension = ".idx";

bool EndsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

IndexCache::Entry IndexEntry(std::unique_ptr<CatalogIndex> index) {
  IndexCache::Entry entry;
  entry.index = std::move(index);
  return entry;
}

IndexCache::Entry CatalogEntry(std::unique_ptr<Catalog> catalog) {
  IndexCache::Entry entry;
  entry.catalog = std::move(catalog);
  return entry;
}

}  // namespace

IndexCache::IndexCache(std::string directory) : directory_(std::move(directory)) {
  if (!directory_.empty()) writable_ = MakeDirectories(directory_) && IsWritableDirectory(directory_);
  // What writers that crashed left behind would stay forever otherwise.
  if (writable_) NativeFile::RemoveDeadReplacements(directory_);
}

std::string IndexCache::DefaultDirectory() {
  const std::string base = UserCacheDirectory();
  return base.empty() ? std::string() : JoinNativePath(base, "mardo");
}

std::string IndexCache::IndexPath(const std::string& catalogPath) const {
  char name[32];
  std::snprintf(name, sizeof name, "%016llx",
                static_cast<unsigned long long>(IndexChecksum(catalogPath.data(), catalogPath.size())));
  return JoinNativePath(directory_, std::string(name) + kIndexExtension);
}

std::unique_ptr<CatalogIndex> IndexCache::MapIndex(const std::string& path,
                                                   const FileIdentity& identity) const {
  auto file = std::make_unique<PagedFile>();
  if (!file->Open(IndexPath(path))) return nullptr;
  std::unique_ptr<CatalogIndex> index = CatalogIndex::OpenFile(std::move(file));
  if (!index || index->SourcePath() != path || !(index->SourceIdentity() == identity)) return nullptr;
  return index;
}

IndexCache::Entry IndexCache::Open(const std::string& path) {
  FileIdentity identity;
  Entry skipped;
  // Skipped, as loading skips it.
  if (!IdentityOfFile(path, identity) || !IsReadableFile(path, &skipped.skipReason)) return skipped;
  if (!directory_.empty()) {
    if (std::unique_ptr<CatalogIndex> index = MapIndex(path, identity)) return IndexEntry(std::move(index));
  }
  return Build(path, identity, false);
}

bool IndexCache::OpenCurrent(const std::string& path, const FileIdentity& identity, Entry& entry) {
  entry = {};
  if (!IsReadableFile(path, &entry.skipReason)) return true;  // skipped, as loading skips it
  if (directory_.empty()) return false;
  entry.index = MapIndex(path, identity);
  return entry.index != nullptr;
}

IndexCache::Entry IndexCache::Reread(const std::string& path) {
  FileIdentity identity;
  Entry skipped;
  if (!IdentityOfFile(path, identity) || !IsReadableFile(path, &skipped.skipReason)) return skipped;
  return Build(path, identity, true);
}

IndexCache::Entry IndexCache::Build(const std::string& path, const FileIdentity& identity, bool keepCatalog) {
  auto catalog = std::make_unique<Catalog>();
  catalog->filePath = path;
  Entry skipped;
  // Not a catalog: skipped with the reason loading gives.
  if (!catalog->Read(&skipped.skipReason)) return skipped;
  // An index is stamped only with the identity of the very file that was read: a file replaced
  // while it was read gets its index on the next search.
  FileIdentity after;
  if (!writable_ || !IdentityOfFile(path, after) || !(after == identity))
    return CatalogEntry(std::move(catalog));
  const std::vector<uint8_t> bytes = BuildCatalogIndex(*catalog, path, identity);
  if (bytes.empty()) return CatalogEntry(std::move(catalog));
  NativeFile out;
  if (!out.CreateReplacement(IndexPath(path)) || !out.Write(bytes.data(), bytes.size()) ||
      !out.Commit(/*durable=*/false)) {
    return CatalogEntry(std::move(catalog));  // a full disk or a read-only cache: only slower
  }
  ++written_;
  if (keepCatalog) return CatalogEntry(std::move(catalog));
  if (std::unique_ptr<CatalogIndex> index = MapIndex(path, identity)) return IndexEntry(std::move(index));
  return CatalogEntry(std::move(catalog));
}

void IndexCache::RemoveOrphans() {
  if (!writable_) return;
  for (const std::string& name : ListRegularFiles(directory_)) {
    if (!EndsWith(name, kIndexExtension)) continue;
    const std::string indexPath = JoinNativePath(directory_, name);
    auto file = std::make_unique<PagedFile>();
    if (!file->Open(indexPath)) continue;
    const std::unique_ptr<CatalogIndex> index = CatalogIndex::OpenFile(std::move(file));
    FileIdentity source;
    if (!index || !IdentityOfFile(index->SourcePath(), source) ||
        IndexPath(index->SourcePath()) != indexPath) {
      NativeFile::Remove(indexPath);
    }
  }
}

}  // namespace mardo
