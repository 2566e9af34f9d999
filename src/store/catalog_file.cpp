// Catalog::Write and Catalog::Read: the catalog file format. See docs/catalog-format.md.
#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/local_time.h"
#include "store/buffered_file.h"
#include "store/catalog.h"
#include "store/store_texts.h"

namespace mardo {
namespace {

constexpr uint32_t kFormatBase = 500410407;
constexpr uint32_t kVersionStep = 1000000000;

// The longest text a version-4 catalog holds: far beyond any path a system gives, and a bound on
// what one text of a damaged file can make the reader allocate.
constexpr size_t kLongestText = size_t{16} << 20;

// Before its bytes are read, a count is trusted for this much at most: a file may claim counts
// its holes (a sparse file reads as zeros) seem to hold. Beyond it the arrays grow as entries
// really arrive.
constexpr int32_t kTrustedCount = 1 << 22;
constexpr size_t kTrustedNameBytes = size_t{1} << 30;

// The tag bits of a version-4 file entry: which fields are wide.
constexpr uint8_t kWideTime = 1;
constexpr uint8_t kWideLength = 2;
constexpr uint8_t kWideDirNumber = 4;
constexpr uint8_t kTagBits = kWideTime | kWideLength | kWideDirNumber;

// The fewest bytes a directory entry and a file entry occupy.
constexpr int64_t MinimumDirEntry(int16_t version) {
  return version >= 3 ? 1 + 4 + 8 : 1;
}
constexpr int64_t MinimumFileEntry(int16_t version) {
  return version >= 4 ? 1 + 4 + 4 + 2 + 1 : 4 + 4 + 2 + 1;
}

bool FitsI32(int64_t v) {
  return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

inline int32_t I32At(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                              uint32_t{p[3]} << 24);
}
inline uint16_t U16At(const uint8_t* p) {
  return static_cast<uint16_t>(uint16_t{p[0]} | uint16_t{p[1]} << 8);
}
inline int64_t I64At(const uint8_t* p) {
  return static_cast<int64_t>(uint64_t{static_cast<uint32_t>(I32At(p))} |
                              uint64_t{static_cast<uint32_t>(I32At(p + 4))} << 32);
}

// One file entry as read from the file; `name` may point into the read buffer.
struct ParsedEntry {
  int64_t time = 0;
  int64_t length = 0;
  int64_t dirNumber = 0;
  std::string_view name;
};

// A file entry of a version 0-3 file parsed in place: the bytes it takes, or 0 when it is not
// whole in the `size` bytes at `p`.
inline size_t ParseNarrowEntry(const uint8_t* p, size_t size, ParsedEntry& entry) {
  if (size < 11 || size < 11u + p[10]) return 0;
  entry.time = I32At(p);
  entry.length = I32At(p + 4);
  entry.dirNumber = static_cast<int16_t>(U16At(p + 8));
  entry.name = std::string_view(reinterpret_cast<const char*>(p + 11), p[10]);
  return 11u + p[10];
}

// The same for a version-4 entry: a tag, then each field narrow or wide as the tag says, then a
// name of less than 255 bytes (a longer one, or a tag with other bits, is left to the stream).
inline size_t ParseWideEntry(const uint8_t* p, size_t size, ParsedEntry& entry) {
  if (size == 0 || (p[0] & ~kTagBits) != 0) return 0;
  const uint8_t tag = p[0];
  const size_t timeSize = (tag & kWideTime) != 0 ? 8 : 4;
  const size_t lengthSize = (tag & kWideLength) != 0 ? 8 : 4;
  const size_t dirSize = (tag & kWideDirNumber) != 0 ? 4 : 2;
  const size_t fixed = 1 + timeSize + lengthSize + dirSize;
  if (size <= fixed || p[fixed] == 255 || size < fixed + 1 + p[fixed]) return 0;
  const uint8_t* q = p + 1;
  entry.time = timeSize == 8 ? I64At(q) : I32At(q);
  q += timeSize;
  entry.length = lengthSize == 8 ? I64At(q) : I32At(q);
  q += lengthSize;
  entry.dirNumber = dirSize == 4 ? int64_t{static_cast<uint32_t>(I32At(q))} : int64_t{U16At(q)};
  entry.name = std::string_view(reinterpret_cast<const char*>(p + fixed + 1), p[fixed]);
  return fixed + 1 + p[fixed];
}

// Gives false with the reason a catalog file is rejected: the stream's own failure when it has one
// (a read error, an early end), otherwise `reason`.
bool Rejected(const BufferedFile& file, std::string* error, const char* reason) {
  if (error != nullptr) *error = file.ErrorText().empty() ? reason : file.ErrorText();
  return false;
}

// The reader of one catalog file; version 4 differs in its times, texts and file entries.
class CatalogReader {
 public:
  CatalogReader(Catalog& catalog, std::string* error)
      : catalog_(catalog), error_(error), file_(catalog.filePath, BufferedFile::kRead) {}
  bool Read();

 private:
  bool Reject(const char* reason) { return Rejected(file_, error_, reason); }
  void Text(std::string& text) {
    if (version_ >= 4) {
      file_.ReadText(text, kLongestText);
    } else {
      file_.ReadString(text);
    }
  }
  bool ReadDirectories(int32_t dirCount);
  bool ReadFiles(int32_t fileCount, int32_t dirCount);

  Catalog& catalog_;
  std::string* error_;
  BufferedFile file_;
  int16_t version_ = 0;
};

bool CatalogReader::Read() {
  if (!file_.Open()) return Reject(texts::kCatalogDamaged);
  const uint32_t word = file_.ReadU32();
  if (file_.Failed() || word == 0 || word % kVersionStep != kFormatBase) {
    if (error_ != nullptr) *error_ = texts::kNotACatalogFile;
    return false;
  }
  version_ = static_cast<int16_t>(word / kVersionStep);
  if (version_ > 2) version_ = file_.ReadI16();
  if (version_ > Catalog::kWideVersion) {
    if (error_ != nullptr) *error_ = texts::kNewerCatalogFormat;
    return false;
  }
  catalog_.formatVersion = version_;

  catalog_.cataloguedTime = version_ >= 4 ? file_.ReadI64() : file_.ReadI32();
  if (version_ >= 2) Text(catalog_.volumeRoot);
  Text(catalog_.volumeLabel);
  Text(catalog_.catalogName);
  catalog_.UpdateDisplayName();
  catalog_.serialNumber = file_.ReadU32();
  if (version_ >= 1) catalog_.freeSpace = file_.ReadF32();

  const int32_t dirCount = file_.ReadI32();
  if (file_.Failed()) return Reject(texts::kCatalogDamaged);
  if (dirCount > 0 && !ReadDirectories(dirCount)) return false;
  const int32_t fileCount = file_.ReadI32();
  if (file_.Failed()) return Reject(texts::kCatalogDamaged);
  if (fileCount > 0 && !ReadFiles(fileCount, std::max(dirCount, 0))) return false;
  assert(catalog_.NamesInArenaOrder());
  return file_.Close() || Reject(texts::kCatalogDamaged);
}

bool CatalogReader::ReadDirectories(int32_t dirCount) {
  if (dirCount > file_.Remaining() / MinimumDirEntry(version_)) return Reject(texts::kCatalogDamaged);
  catalog_.dirs.SetSize(0, std::min(dirCount, kTrustedCount));
  std::string path;
  for (int32_t k = 0; k < dirCount; ++k) {
    Text(path);
    int32_t count = 0;
    double total = 0.0;
    if (version_ >= 3) {
      count = file_.ReadI32();
      total = file_.ReadF64();
    }
    if (file_.Failed()) return Reject(texts::kCatalogDamaged);
    catalog_.AddDirectory(path, count, total);
  }
  return true;
}

bool CatalogReader::ReadFiles(int32_t fileCount, int32_t dirLimit) {
  const int64_t remaining = file_.Remaining();
  if (fileCount > remaining / MinimumFileEntry(version_)) return Reject(texts::kCatalogDamaged);
  catalog_.files.SetSize(0, std::min(fileCount, kTrustedCount));
  // Room for every name at once, so that they lie in one chunk: at most what the rest of the file
  // holds, what the count's names can take (a name of the system is at most 255 bytes), and what
  // is trusted before the bytes are seen.
  const int64_t fixedBytes = static_cast<int64_t>(fileCount) * (MinimumFileEntry(version_) - 1);
  catalog_.names.Reserve(static_cast<size_t>(std::min<int64_t>(
      {remaining - fixedBytes, int64_t{fileCount} * 256, static_cast<int64_t>(kTrustedNameBytes)})));
  const bool wide = version_ >= 4;
  std::string slowName;
  for (int32_t i = 0; i < fileCount; ++i) {
    ParsedEntry entry;
    const size_t used = wide ? ParseWideEntry(file_.Peek(), file_.Buffered(), entry)
                             : ParseNarrowEntry(file_.Peek(), file_.Buffered(), entry);
    if (used > 0) {
      file_.Skip(used);
    } else {
      const uint8_t tag = wide ? file_.ReadByte() : 0;
      if ((tag & ~kTagBits) != 0) return Reject(texts::kCatalogDamaged);
      entry.time = (tag & kWideTime) != 0 ? file_.ReadI64() : file_.ReadI32();
      entry.length = (tag & kWideLength) != 0 ? file_.ReadI64() : file_.ReadI32();
      if (wide) {
        entry.dirNumber = (tag & kWideDirNumber) != 0 ? int64_t{file_.ReadU32()} : int64_t{file_.ReadU16()};
        file_.ReadText(slowName, kLongestText);
      } else {
        entry.dirNumber = file_.ReadI16();
        file_.ReadString(slowName);
      }
      if (file_.Failed()) return Reject(texts::kCatalogDamaged);
      entry.name = slowName;
    }
    // Every entry lies in a directory of this catalog, and a directory entry's length names a
    // directory number.
    if (entry.dirNumber < 0 || entry.dirNumber >= dirLimit || entry.length < FileRecord::kLowestLength)
      return Reject(texts::kCatalogDamaged);
    catalog_.AddFile(entry.name, entry.time, entry.length, static_cast<int32_t>(entry.dirNumber));
  }
  return true;
}

// The version-4 file entry of one record: the tag, then each field narrow where it fits.
void WriteWideEntry(BufferedFile& file, const FileRecord& entry) {
  const bool wideTime = !FitsI32(entry.lastWriteTime);
  const bool wideLength = !FitsI32(entry.length);
  const bool wideDir = entry.dirNumber > std::numeric_limits<uint16_t>::max();
  file.WriteByte(static_cast<uint8_t>((wideTime ? kWideTime : 0) | (wideLength ? kWideLength : 0) |
                                      (wideDir ? kWideDirNumber : 0)));
  if (wideTime) {
    file.WriteI64(entry.lastWriteTime);
  } else {
    file.WriteI32(static_cast<int32_t>(entry.lastWriteTime));
  }
  if (wideLength) {
    file.WriteI64(entry.length);
  } else {
    file.WriteI32(static_cast<int32_t>(entry.length));
  }
  if (wideDir) {
    file.WriteU32(static_cast<uint32_t>(entry.dirNumber));
  } else {
    file.WriteU16(static_cast<uint16_t>(entry.dirNumber));
  }
  file.WriteText(entry.Name());
}

}  // namespace

bool Catalog::NeedsWideVersion(int64_t writeTime) const {
  auto longText = [](std::string_view text) { return text.size() > kNarrowText; };
  if (dirs.Size() > kNarrowDirectories || !FitsI32(writeTime) || longText(volumeRoot) ||
      longText(volumeLabel) || longText(catalogName)) {
    return true;
  }
  for (const DirRecord* dir : dirs) {
    if (longText(dir->Path())) return true;
  }
  for (const FileRecord* entry : files) {
    // The directory number fits, since the directories do.
    if (!FitsI32(entry->length) || !FitsI32(entry->lastWriteTime) || longText(entry->Name())) return true;
  }
  return false;
}

bool Catalog::Write(std::string* error) {
  const int64_t now = CurrentTime();
  const bool wide = NeedsWideVersion(now);
  if (wide) {
    auto tooLong = [](std::string_view text) { return text.size() > kLongestText; };
    bool refused = tooLong(volumeRoot) || tooLong(volumeLabel) || tooLong(catalogName);
    for (const DirRecord* dir : dirs) refused = refused || tooLong(dir->Path());
    if (refused) {
      if (error != nullptr) *error = texts::kTextTooLong;
      return false;
    }
  }
  BufferedFile file(filePath, BufferedFile::kWrite);
  if (!file.Open()) {
    if (error != nullptr) *error = file.ErrorText();
    return false;
  }
  const int16_t version = wide ? kWideVersion : kCurrentVersion;
  auto text = [&file, wide](std::string_view t) {
    if (wide) {
      file.WriteText(t);
    } else {
      file.WriteString(t);
    }
  };
  file.WriteU32(kCurrentVersion * kVersionStep + kFormatBase);
  file.WriteI16(version);
  cataloguedTime = now;
  if (wide) {
    file.WriteI64(cataloguedTime);
  } else {
    file.WriteI32(static_cast<int32_t>(cataloguedTime));
  }
  text(volumeRoot);
  text(volumeLabel);
  text(catalogName);
  file.WriteU32(serialNumber);
  file.WriteF32(freeSpace);
  file.WriteI32(dirs.Size());
  for (const DirRecord* dir : dirs) {
    text(dir->Path());
    file.WriteI32(dir->fileCount);
    file.WriteF64(dir->totalLength);
  }
  file.WriteI32(files.Size());
  for (const FileRecord* entry : files) {
    if (wide) {
      WriteWideEntry(file, *entry);
      continue;
    }
    file.WriteI32(static_cast<int32_t>(entry->lastWriteTime));
    file.WriteI32(static_cast<int32_t>(entry->length));
    file.WriteI16(static_cast<int16_t>(entry->dirNumber));
    file.WriteString(entry->Name());
  }
  if (file.Close()) {
    formatVersion = version;
    return true;
  }
  if (error != nullptr) *error = file.ErrorText();
  return false;
}

bool Catalog::Read(std::string* error) {
  // Allocation is bounded by what the file's bytes can hold, yet a large catalog may still need
  // more memory than there is: then it is passed over like a damaged one.
  try {
    return CatalogReader(*this, error).Read();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  if (error != nullptr) *error = texts::kCatalogTooLarge;
  return false;
}

}  // namespace mardo
