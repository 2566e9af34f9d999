#include "store/catalog.h"

#include <algorithm>
#include <cassert>
#include <functional>

namespace mardo {

static_assert(sizeof(FileRecord) <= 32, "a file record must stay within its memory budget");
static_assert(sizeof(DirRecord) <= 24, "a directory record must stay small");

Catalog::Catalog() {
  dirs.SetPageOwner(this);
  files.SetPageOwner(this);
}

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

FileRecord* Catalog::AddFile(std::string_view name, int64_t lastWriteTime, int64_t length,
                             int32_t dirNumber) {
  numbering_ = Numbering::kUnknown;
  return files.Emplace(names.Store(name), lastWriteTime, length, dirNumber);
}

DirRecord* Catalog::AddDirectory(std::string_view path, int32_t fileCount, double totalLength) {
  numbering_ = Numbering::kUnknown;
  return dirs.Emplace(dirPaths.Store(path), fileCount, totalLength);
}

int32_t Catalog::RemoveFiles(std::span<const FileRecord* const> doomed) {
  numbering_ = Numbering::kUnknown;
  const int32_t removed = files.RemoveAndDeleteAll(doomed);
  assert(NamesInArenaOrder());
  return removed;
}

bool Catalog::KeepsDirectoryNumbering() const {
  if (numbering_ != Numbering::kUnknown) return numbering_ == Numbering::kKept;
  const int32_t dirCount = dirs.Size();
  std::vector<const FileRecord*> entries(static_cast<size_t>(std::max(dirCount, 1)), nullptr);
  int32_t next = 1;  // the number the next directory entry must stand for
  bool kept = dirCount > 0;
  for (const FileRecord* entry : files) {
    if (!kept) break;
    if (!entry->IsDirectory()) continue;
    kept = next < dirCount && entry->length == -next && entry->dirNumber < next;
    if (kept) entries[static_cast<size_t>(next++)] = entry;
  }
  kept = kept && next == dirCount;
  numbering_ = kept ? Numbering::kKept : Numbering::kBroken;
  if (kept) {
    directoryEntries_ = std::move(entries);
  } else {
    std::vector<const FileRecord*>().swap(directoryEntries_);
  }
  return kept;
}

void Catalog::AdoptDirectoryNumbering(bool kept, std::vector<const FileRecord*> entries,
                                      std::unique_ptr<Catalog> holder) {
  numbering_ = kept ? Numbering::kKept : Numbering::kBroken;
  entries.resize(static_cast<size_t>(std::max(dirs.Size(), 1)), nullptr);
  directoryEntries_ = kept ? std::move(entries) : std::vector<const FileRecord*>();
  numberingHolder_ = std::move(holder);
}

const FileRecord* Catalog::EntryOfDirectory(int32_t dirNumber) const {
  if (dirNumber <= 0 || dirNumber >= dirs.Size()) return nullptr;
  if (KeepsDirectoryNumbering()) return directoryEntries_[static_cast<size_t>(dirNumber)];
  for (const FileRecord* entry : files) {
    if (entry->length == -dirNumber) return entry;
  }
  return nullptr;
}

bool Catalog::NamesInArenaOrder() const {
  const char* previous = nullptr;
  NameArena::Chunk chunk{nullptr, nullptr};
  for (const FileRecord* entry : files) {
    const char* p = entry->Name().data();
    const std::less<const char*> before;
    if (chunk.begin != nullptr && !before(p, chunk.begin) && before(p, chunk.end)) {
      if (!before(previous, p)) return false;  // same chunk: must lie further on
    } else {
      chunk = names.ChunkOf(p);
      if (chunk.begin == nullptr) return false;  // every name lives in the arena
    }
    previous = p;
  }
  return true;
}

const DirRecord* Catalog::DirectoryOf(const FileRecord& entry) const {
  if (entry.length >= 0 || entry.length < FileRecord::kLowestLength) return nullptr;
  const int64_t number = -entry.length;
  return number < dirs.Size() ? dirs[static_cast<int32_t>(number)] : nullptr;
}

const DirRecord* Catalog::ContainingDirectory(const FileRecord& entry) const {
  return entry.dirNumber >= 0 && entry.dirNumber < dirs.Size() ? dirs[entry.dirNumber] : nullptr;
}

const DirRecord* DirectoryOfEntry(const FileRecord& entry) {
  return entry.OwningCatalog()->DirectoryOf(entry);
}

const DirRecord* ContainingDirectoryOfEntry(const FileRecord& entry) {
  return entry.OwningCatalog()->ContainingDirectory(entry);
}

void Catalog::ClearRecords() {
  numbering_ = Numbering::kUnknown;
  files.DeleteAll();
  dirs.DeleteAll();
  names.Clear();
  dirPaths.Clear();
}

}  // namespace mardo
