#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/dir_record.h"
#include "store/file_record.h"
#include "store/name_arena.h"
#include "store/record_array.h"

namespace mardo {

// One catalogued volume and its catalog file. Owns its directory records, its file records and
// their names; a Catalog never moves, since every record points back at it.
//
// Invariant: the names of the file records lie in the name arena in file-array order (each record's
// name after the previous record's), so that a search can scan the arena in one pass. AddFile
// appends, and RemoveFiles keeps the order of the records that stay.
class Catalog {
 public:
  // The version a new catalog starts with, and the one written whenever it records the catalog
  // truthfully; kWideVersion holds what it cannot (see NeedsWideVersion).
  static constexpr int16_t kCurrentVersion = 3;
  static constexpr int16_t kWideVersion = 4;
  static constexpr int32_t kDirGrowBy = 128;
  static constexpr int32_t kFileGrowBy = 1024;
  // The directories a version-3 catalog numbers (signed 16-bit: numbers 0 to 32767).
  static constexpr int32_t kNarrowDirectories = 32768;
  // The longest text (root, label, name, path) a version-3 catalog holds.
  static constexpr size_t kNarrowText = 255;

  Catalog();
  Catalog(const Catalog&) = delete;
  Catalog& operator=(const Catalog&) = delete;

  // Path of the catalog file (native form); empty until the library gives it one.
  std::string filePath;
  // Root of the volume, ending in its separator ("/media/usb/", "E:\", "\\srv\share\").
  std::string volumeRoot;
  // The label used as the volume's identity.
  std::string volumeLabel;
  // Name the user gave the catalog; may be empty.
  std::string catalogName;
  // Version of the file format the catalog was read from or last written as; 3 for a new catalog.
  int16_t formatVersion = kCurrentVersion;
  uint32_t serialNumber = 0;
  // Set when the catalog takes part in the next search.
  bool selected = false;
  // When the catalog file was last written, signed seconds since 1970 UTC.
  int64_t cataloguedTime = 0;
  // Free space of the volume when catalogued, in MiB; -1 means unknown.
  float freeSpace = -1.0f;

  RecordArray<DirRecord, Ownership::kBlocks> dirs{kDirGrowBy};
  RecordArray<FileRecord, Ownership::kBlocks> files{kFileGrowBy};
  NameArena names;     // the entries' names, in file-array order
  NameArena dirPaths;  // the directories' paths

  // The catalog name when UpdateDisplayName found it not empty, else the volume label; empty
  // before the first UpdateDisplayName.
  const std::string& DisplayName() const;
  void UpdateDisplayName();

  // Appends a file record whose name is copied into the catalog's arena. The only way records
  // come to be: they live in the pages of `files`, which name this catalog.
  FileRecord* AddFile(std::string_view name, int64_t lastWriteTime, int64_t length, int32_t dirNumber);
  // Appends a directory record whose path is copied into the catalog.
  DirRecord* AddDirectory(std::string_view path, int32_t fileCount = 0, double totalLength = 0.0);

  // The DirRecord a directory entry stands for, or nullptr for a file or a number out of range.
  const DirRecord* DirectoryOf(const FileRecord& entry) const;
  // The DirRecord of the directory that holds the entry, or nullptr when out of range.
  const DirRecord* ContainingDirectory(const FileRecord& entry) const;

  // Writes the catalog file at filePath, sets cataloguedTime to now and, when written,
  // formatVersion to the version written: version 3 whenever it records the catalog truthfully,
  // else version 4 (NeedsWideVersion). The file takes the place of an existing one only when all
  // of it was written; on failure the old file is untouched and `error` (if given) receives the
  // reason.
  bool Write(std::string* error = nullptr);
  // Reads the catalog file at filePath into this fresh catalog (versions 0 to 4). Returns false,
  // quickly and without allocating for counts the file cannot hold, for a file that is not a
  // catalog, comes from a newer format, ends early or is inconsistent, or needs more memory than
  // there is; the catalog may then be partly filled and is to be destroyed. `error` (if given)
  // receives the reason. Throws nothing.
  bool Read(std::string* error = nullptr);

  // Whether version 3 cannot hold this catalog, written at `writeTime`: more than 32,768
  // directories, a length or time outside 32 bits, or a text (root, label, name, directory path,
  // file name) longer than 255 bytes.
  bool NeedsWideVersion(int64_t writeTime) const;

  // Destroys every record and name.
  void ClearRecords();

  // Whether the directory entries are numbered as a scan numbers them: the j-th directory entry of
  // the file array (counting directory entries only) stands for DirRecord j + 1, every directory
  // but the root has one, and each lies in a directory of a lower number. Then the DirRecord of a
  // directory entry is found by its number, and the entry of a directory by counting. Catalogs
  // from elsewhere may not keep this; they are browsed by their paths. Computed when first asked
  // after a change.
  bool KeepsDirectoryNumbering() const;

  // The directory entry that stands for directory `dirNumber` (not the root), or nullptr.
  const FileRecord* EntryOfDirectory(int32_t dirNumber) const;

  // For a catalog that holds only some entries of its catalog file (a search's share of them):
  // the whole catalog's numbering, so that paths read as in the whole catalog. `kept`: whether
  // the whole catalog keeps it; `entries`: then, by directory number, the directory entries this
  // catalog's paths need (nullptr elsewhere), owned by `holder`. Holds until the records change.
  void AdoptDirectoryNumbering(bool kept, std::vector<const FileRecord*> entries,
                               std::unique_ptr<Catalog> holder);

  // Whether the names lie in the arena in file-array order (the invariant above).
  bool NamesInArenaOrder() const;

  int32_t FileCount() const { return files.Size(); }

  // Only catalogs of version 2 or later record the volume root that a refresh and the opening of
  // entries need.
  bool CanBeRefreshed() const { return formatVersion >= 2; }

 private:
  // Records of a loaded catalog are removed only through its library, which tells whoever keeps
  // references to them first.
  friend class CatalogLibrary;

  // Destroys these file records and takes them out of the file array in one pass, keeping the
  // order of the others. Their name bytes stay in the arena until the catalog goes. Returns the
  // number removed.
  int32_t RemoveFiles(std::span<const FileRecord* const> doomed);

  enum class DisplayNameSource : uint8_t { kUnset, kCatalogName, kVolumeLabel };
  enum class Numbering : uint8_t { kUnknown, kKept, kBroken };

  DisplayNameSource displayNameSource_ = DisplayNameSource::kUnset;
  mutable Numbering numbering_ = Numbering::kUnknown;
  // With the numbering kept: the directory entry of each directory, by number (nullptr for 0).
  mutable std::vector<const FileRecord*> directoryEntries_;
  // Owns the directory entries an adopted numbering names.
  std::unique_ptr<Catalog> numberingHolder_;
};

// The same two lookups through the entry's own catalog.
const DirRecord* DirectoryOfEntry(const FileRecord& entry);
const DirRecord* ContainingDirectoryOfEntry(const FileRecord& entry);

}  // namespace mardo
