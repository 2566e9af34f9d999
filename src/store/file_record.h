#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

#include "store/field.h"
#include "store/record_array.h"

namespace mardo {

class Catalog;

// One catalog entry: a file, or a directory entry standing for a DirRecord. 32 bytes; the name
// bytes live in the owning catalog's NameArena, and the owning catalog is found from the
// record's address (records live only in the pages of their catalog's file array), so a record
// costs no allocation and no pointer of its own.
class FileRecord {
 public:
  // The lowest length a record holds: minus the highest directory number.
  static constexpr int64_t kLowestLength = -int64_t{std::numeric_limits<int32_t>::max()};

  FileRecord(const FileRecord&) = delete;
  FileRecord& operator=(const FileRecord&) = delete;

  // The entry name exactly as the file system gave it. The bytes are followed by a NUL.
  std::string_view Name() const { return {namePtr_, nameSize_}; }

  // A length below zero marks a directory entry; its absolute value is the number of that
  // directory's DirRecord.
  bool IsDirectory() const { return length < 0; }

  // The catalog the entry belongs to; not owned.
  const Catalog* OwningCatalog() const { return static_cast<const Catalog*>(RecordPages::OwnerOf(this)); }

 private:
  friend class RecordArray<FileRecord, Ownership::kBlocks>;
  FileRecord(std::string_view name, int64_t time, int64_t len, int32_t dir)
      : namePtr_(name.data()),
        lastWriteTime(time),
        length(len),
        dirNumber(dir),
        nameSize_(static_cast<uint32_t>(name.size())) {}

  const char* namePtr_;

 public:
  // Last modification, signed seconds since 1970 UTC.
  int64_t lastWriteTime = 0;
  // A file: its size in bytes; a directory entry: minus its directory number (kLowestLength at
  // the lowest).
  int64_t length = 0;
  // Index of the containing directory in the catalog's directory array.
  int32_t dirNumber = 0;

 private:
  uint32_t nameSize_ = 0;

 public:
  // Field getters for RecordArray::FindField and SortByKeys.
  static FieldValue NameField(const FileRecord& r) { return FieldValue::Text(r.Name()); }
  static FieldValue TimeField(const FileRecord& r) { return FieldValue::Integer(r.lastWriteTime); }
  static FieldValue LengthField(const FileRecord& r) { return FieldValue::Integer(r.length); }
  static FieldValue DirNumberField(const FileRecord& r) { return FieldValue::Integer(r.dirNumber); }
};

inline constexpr SortKey<FileRecord> kFileNameKey{&FileRecord::NameField, kFieldString};
inline constexpr SortKey<FileRecord> kFileLengthKey{&FileRecord::LengthField, kFieldI64};
inline constexpr SortKey<FileRecord> kFileTimeKey{&FileRecord::TimeField, kFieldTime};

}  // namespace mardo
