#include "index/index_cache.h"

#include <cstdio>
#include <exception>

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

IndexCache::IndexCache(std::string directory, Builder builder)
    : directory_(std::move(directory)), builder_(builder ? std::move(builder) : Builder(&BuildCatalogIndex)) {
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
  auto catalog = std::make_unique<PagedFile>();
  if (!file->Open(IndexPath(path)) || !catalog->Open(path)) return nullptr;
  std::unique_ptr<CatalogIndex> index = CatalogIndex::OpenFile(std::move(file), std::move(catalog));
  if (!index || index->SourcePath() != path || !(index->SourceIdentity() == identity)) return nullptr;
  return index;
}

IndexCache::Entry IndexCache::Open(const std::string& path) {
  FileIdentity identity;
  Entry skipped;
  // Skipped, as loading skips it.
  if (!IdentityOfFile(path, identity) || !IsReadableFile(path, &skipped.skipReason)) return skipped;
  if (!directory_.empty()) {
    if (std::unique_ptr<CatalogIndex> index = MapIndex(path, identity)) {
      // A catalog file known not to be indexable is read whole, without trying again.
      if (index->Unindexed()) return ReadCatalog(path);
      return IndexEntry(std::move(index));
    }
  }
  return Build(path, identity, false);
}

bool IndexCache::IndexWaitsForDisk(const std::string& catalogPath) const {
  if (directory_.empty()) return false;
  const std::string path = IndexPath(catalogPath);
  return diskProbe_ ? diskProbe_(path) : StartWaitsForDisk(path);
}

void IndexCache::ReadOpeningsSoon(const std::vector<std::string>& catalogPaths) const {
  if (directory_.empty()) return;
  for (const std::string& path : catalogPaths) ReadStartSoon(IndexPath(path), CatalogIndex::kOpeningRead);
}

bool IndexCache::OpenCurrent(const std::string& path, const FileIdentity& identity, Entry& entry) {
  entry = {};
  if (!IsReadableFile(path, &entry.skipReason)) return true;  // skipped, as loading skips it
  if (directory_.empty()) return false;
  entry.index = MapIndex(path, identity);
  // A marker: the catalog file is to be read, which Open does.
  if (entry.index && entry.index->Unindexed()) entry.index.reset();
  return entry.index != nullptr;
}

IndexCache::Entry IndexCache::Reread(const std::string& path) {
  FileIdentity identity;
  Entry skipped;
  if (!IdentityOfFile(path, identity) || !IsReadableFile(path, &skipped.skipReason)) return skipped;
  return Build(path, identity, true);
}

IndexCache::Entry IndexCache::ReadCatalog(const std::string& path) {
  auto catalog = std::make_unique<Catalog>();
  catalog->filePath = path;
  Entry skipped;
  // Not a catalog: skipped with the reason loading gives.
  if (!catalog->Read(&skipped.skipReason)) return skipped;
  return CatalogEntry(std::move(catalog));
}

bool IndexCache::WriteIndexFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  NativeFile out;
  // A full disk or a read-only cache only costs speed.
  if (!out.CreateReplacement(IndexPath(path)) || !out.Write(bytes.data(), bytes.size()) ||
      !out.Commit(/*durable=*/false)) {
    return false;
  }
  ++written_;
  return true;
}

IndexCache::Entry IndexCache::Build(const std::string& path, const FileIdentity& identity, bool keepCatalog) {
  // The index is made from the catalog file itself; only when it cannot be (or the catalog is
  // wanted) is the catalog read whole.
  auto makeIndex = [&]() -> std::vector<uint8_t> {
    try {
      return builder_(path, identity);
    } catch (const std::exception&) {
      return {};  // more than memory holds: as a catalog the format cannot hold
    }
  };
  std::vector<uint8_t> bytes;
  if (writable_ && !keepCatalog) {
    bytes = makeIndex();
    if (!bytes.empty() && WriteIndexFile(path, bytes)) {
      std::unique_ptr<CatalogIndex> index = MapIndex(path, identity);
      if (index && !index->Unindexed()) return IndexEntry(std::move(index));
      bytes.clear();  // the index written does not open
    }
  }
  Entry read = ReadCatalog(path);
  if (!read.catalog) return read;
  // An index is stamped only with the identity of the very file that was read: a file replaced
  // while it was read gets its index on the next search.
  FileIdentity after;
  if (!writable_ || !IdentityOfFile(path, after) || !(after == identity)) return read;
  if (keepCatalog) {
    bytes = makeIndex();
    if (!bytes.empty() && WriteIndexFile(path, bytes)) {
      std::unique_ptr<CatalogIndex> index = MapIndex(path, identity);
      if (index && !index->Unindexed()) return read;
    }
  }
  // The catalog reads, but no index of it can be made or opened: rather than trying at every
  // search, say so once.
  WriteIndexFile(path, BuildUnindexedMarker(path, identity));
  return read;
}

void IndexCache::RemoveOrphans() {
  if (!writable_) return;
  for (const std::string& name : ListRegularFiles(directory_)) {
    if (!EndsWith(name, kIndexExtension)) continue;
    const std::string indexPath = JoinNativePath(directory_, name);
    auto file = std::make_unique<PagedFile>();
    if (!file->Open(indexPath)) continue;
    const std::unique_ptr<CatalogIndex> index = CatalogIndex::OpenFile(std::move(file), nullptr);
    FileIdentity source;
    if (!index || !IdentityOfFile(index->SourcePath(), source) ||
        IndexPath(index->SourcePath()) != indexPath) {
      NativeFile::Remove(indexPath);
    }
  }
}

}  // namespace mardo
