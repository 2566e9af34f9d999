#pragma once

#include <cstdint>
#include <string_view>

#include "store/field.h"

namespace mardo {

class Catalog;

// One catalog entry: a file, or a directory entry standing for a DirRecord. 32 bytes; the name
// bytes live in the owning catalog's NameArena, so a record costs no allocation of its own.
class FileRecord {
 public:
  FileRecord() = default;
  FileRecord(const Catalog* owner, std::string_view name, int32_t time, int32_t len, int16_t dir)
      : catalog(owner),
        lastWriteTime(time),
        length(len),
        dirNumber(dir),
        nameSize_(static_cast<uint32_t>(name.size())),
        namePtr_(name.data()) {}

  // The entry name exactly as the file system gave it. The bytes are followed by a NUL.
  std::string_view Name() const { return {namePtr_, nameSize_}; }

  // A length below zero marks a directory entry; its absolute value is the number of that
  // directory's DirRecord.
  bool IsDirectory() const { return length < 0; }

  // The catalog the entry belongs to; not owned. Read-only: its records change only through its
  // library.
  const Catalog* catalog = nullptr;
  // Last modification, signed seconds since 1970 UTC.
  int32_t lastWriteTime = 0;
  // A file: its size in bytes (2147483647 for 2 GiB and more); a directory entry: minus its
  // directory number.
  int32_t length = 0;
  // Index of the containing directory in the catalog's directory array.
  int16_t dirNumber = 0;

 private:
  uint32_t nameSize_ = 0;
  const char* namePtr_ = "";

 public:
  // Field getters for RecordArray::FindField and SortByKeys.
  static FieldValue NameField(const FileRecord& r) { return FieldValue::Text(r.Name()); }
  static FieldValue TimeField(const FileRecord& r) { return FieldValue::Integer(r.lastWriteTime); }
  static FieldValue LengthField(const FileRecord& r) { return FieldValue::Integer(r.length); }
  static FieldValue DirNumberField(const FileRecord& r) { return FieldValue::Integer(r.dirNumber); }
};

inline constexpr SortKey<FileRecord> kFileNameKey{&FileRecord::NameField, kFieldString};
inline constexpr SortKey<FileRecord> kFileLengthKey{&FileRecord::LengthField, kFieldI32};
inline constexpr SortKey<FileRecord> kFileTimeKey{&FileRecord::TimeField, kFieldTime};

}  // namespace mardo
