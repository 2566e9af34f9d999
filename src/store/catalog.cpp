#include "store/catalog.h"

namespace mardo {

static_assert(sizeof(FileRecord) <= 32, "a file record must stay within its memory budget");
static_assert(sizeof(DirRecord) <= 24, "a directory record must stay small");

Catalog::Catalog() = default;

const std::string& Catalog::DisplayName() const {
  static const std::string kEmpty;
  switch (displayNameSource_) {
    case DisplayNameSource::kCatalogName:
      return catalogName;
    case DisplayNameSource::kVolumeLabel:
      return volumeLabel;
    case DisplayNameSource::kUnset:
      break;
  }
  return kEmpty;
}

void Catalog::UpdateDisplayName() {
  displayNameSource_ =
      catalogName.empty() ? DisplayNameSource::kVolumeLabel : DisplayNameSource::kCatalogName;
}

FileRecord* Catalog::AddFile(std::string_view name, int32_t lastWriteTime, int32_t length,
                             int16_t dirNumber) {
  return files.Emplace(this, names.Store(name), lastWriteTime, length, dirNumber);
}

DirRecord* Catalog::AddDirectory(std::string_view path, int32_t fileCount, double totalLength) {
  return dirs.Emplace(dirPaths.Store(path), fileCount, totalLength);
}

const DirRecord* Catalog::DirectoryOf(const FileRecord& entry) const {
  if (entry.length >= 0) return nullptr;
  const int64_t number = -static_cast<int64_t>(entry.length);
  return number < dirs.Size() ? dirs[static_cast<int32_t>(number)] : nullptr;
}

const DirRecord* Catalog::ContainingDirectory(const FileRecord& entry) const {
  return entry.dirNumber >= 0 && entry.dirNumber < dirs.Size() ? dirs[entry.dirNumber] : nullptr;
}

const DirRecord* DirectoryOfEntry(const FileRecord& entry) {
  return entry.catalog != nullptr ? entry.catalog->DirectoryOf(entry) : nullptr;
}

const DirRecord* ContainingDirectoryOfEntry(const FileRecord& entry) {
  return entry.catalog != nullptr ? entry.catalog->ContainingDirectory(entry) : nullptr;
}

void Catalog::ClearRecords() {
  files.DeleteAll();
  dirs.DeleteAll();
  names.Clear();
  dirPaths.Clear();
}

}  // namespace mardo
