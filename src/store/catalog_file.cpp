// Catalog::Write and Catalog::Read: the catalog file format. See docs/catalog-format.md.
#include <algorithm>
#include <cassert>
#include <cstring>

#include "platform/local_time.h"
#include "store/buffered_file.h"
#include "store/catalog.h"
#include "store/store_texts.h"

namespace mardo {
namespace {

constexpr uint32_t kFormatBase = 500410407;
constexpr uint32_t kVersionStep = 1000000000;

// The fewest bytes a directory entry and a file entry occupy.
constexpr int64_t MinimumDirEntry(int16_t version) {
  return version >= 3 ? 1 + 4 + 8 : 1;
}
constexpr int64_t kMinimumFileEntry = 4 + 4 + 2 + 1;

inline int32_t I32At(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                              uint32_t{p[3]} << 24);
}

// Gives false with the reason a catalog file is rejected: the stream's own failure when it has one
// (a read error, an early end), otherwise `reason`.
bool Rejected(const BufferedFile& file, std::string* error, const char* reason) {
  if (error != nullptr) *error = file.ErrorText().empty() ? reason : file.ErrorText();
  return false;
}

}  // namespace

bool Catalog::Write(std::string* error) {
  BufferedFile file(filePath, BufferedFile::kWrite);
  if (!file.Open()) {
    if (error != nullptr) *error = file.ErrorText();
    return false;
  }
  file.WriteU32(kCurrentVersion * kVersionStep + kFormatBase);
  file.WriteI16(kCurrentVersion);
  cataloguedTime = ClampTime32(CurrentTime());
  file.WriteI32(cataloguedTime);
  file.WriteString(volumeRoot);
  file.WriteString(volumeLabel);
  file.WriteString(catalogName);
  file.WriteU32(serialNumber);
  file.WriteF32(freeSpace);
  file.WriteI32(dirs.Size());
  for (const DirRecord* dir : dirs) {
    file.WriteString(dir->Path());
    file.WriteI32(dir->fileCount);
    file.WriteF64(dir->totalLength);
  }
  file.WriteI32(files.Size());
  for (const FileRecord* entry : files) {
    file.WriteI32(entry->lastWriteTime);
    file.WriteI32(entry->length);
    file.WriteI16(entry->dirNumber);
    file.WriteString(entry->Name());
  }
  if (file.Close()) return true;
  if (error != nullptr) *error = file.ErrorText();
  return false;
}

bool Catalog::Read(std::string* error) {
  BufferedFile file(filePath, BufferedFile::kRead);
  if (!file.Open()) return Rejected(file, error, texts::kCatalogDamaged);

  const uint32_t word = file.ReadU32();
  if (file.Failed() || word == 0 || word % kVersionStep != kFormatBase) {
    if (error != nullptr) *error = texts::kNotACatalogFile;
    return false;
  }
  int16_t version = static_cast<int16_t>(word / kVersionStep);
  if (version > 2) version = file.ReadI16();
  if (version > 3) {
    if (error != nullptr) *error = texts::kNewerCatalogFormat;
    return false;
  }
  formatVersion = version;

  cataloguedTime = file.ReadI32();
  if (version >= 2) file.ReadString(volumeRoot);
  file.ReadString(volumeLabel);
  file.ReadString(catalogName);
  UpdateDisplayName();
  serialNumber = file.ReadU32();
  if (version >= 1) freeSpace = file.ReadF32();

  const int32_t dirCount = file.ReadI32();
  if (file.Failed()) return Rejected(file, error, texts::kCatalogDamaged);
  if (dirCount > 0) {
    if (dirCount > file.Remaining() / MinimumDirEntry(version))
      return Rejected(file, error, texts::kCatalogDamaged);
    dirs.SetSize(0, dirCount);
    std::string path;
    for (int32_t k = 0; k < dirCount; ++k) {
      file.ReadString(path);
      int32_t count = 0;
      double total = 0.0;
      if (version >= 3) {
        count = file.ReadI32();
        total = file.ReadF64();
      }
      if (file.Failed()) return Rejected(file, error, texts::kCatalogDamaged);
      AddDirectory(path, count, total);
    }
  }

  const int32_t fileCount = file.ReadI32();
  if (file.Failed()) return Rejected(file, error, texts::kCatalogDamaged);
  if (fileCount > 0) {
    if (fileCount > file.Remaining() / kMinimumFileEntry)
      return Rejected(file, error, texts::kCatalogDamaged);
    files.SetSize(0, fileCount);
    names.Reserve(static_cast<size_t>(file.Remaining()));
    const int32_t dirLimit = std::max(dirCount, 0);
    std::string slowName;
    for (int32_t i = 0; i < fileCount; ++i) {
      int32_t time = 0;
      int32_t length = 0;
      int16_t dirNumber = 0;
      std::string_view name;
      const uint8_t* p = file.Peek();
      if (file.Buffered() >= 11 && file.Buffered() >= 11u + p[10]) {
        // The whole entry is in the buffer: parse it in place.
        time = I32At(p);
        length = I32At(p + 4);
        dirNumber = static_cast<int16_t>(uint16_t{p[8]} | uint16_t{p[9]} << 8);
        name = std::string_view(reinterpret_cast<const char*>(p + 11), p[10]);
        file.Skip(11u + p[10]);
      } else {
        time = file.ReadI32();
        length = file.ReadI32();
        dirNumber = file.ReadI16();
        file.ReadString(slowName);
        if (file.Failed()) return Rejected(file, error, texts::kCatalogDamaged);
        name = slowName;
      }
      // Every entry must lie in a directory of this catalog.
      if (dirNumber < 0 || dirNumber >= dirLimit) return Rejected(file, error, texts::kCatalogDamaged);
      AddFile(name, time, length, dirNumber);
    }
  }
  assert(NamesInArenaOrder());
  return file.Close() || Rejected(file, error, texts::kCatalogDamaged);
}

}  // namespace mardo
