#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace mardo {

// A file read into memory piece by piece, as its reader needs the pieces: address space for the
// whole file is reserved at once, but only the pages loaded cost memory. Unlike a mapping of the
// file, it costs memory only for the bytes read, and a file cut short by someone else meanwhile
// gives a failed Load rather than a fault.
class PagedFile {
 public:
  PagedFile() = default;
  PagedFile(const PagedFile&) = delete;
  PagedFile& operator=(const PagedFile&) = delete;
  ~PagedFile();

  // Opens the regular file at `path` and reserves room for it; false when it cannot.
  bool Open(const std::string& path);
  void Close();

  // The file's bytes; only those of successful Loads may be read.
  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }
  const FileIdentity& Identity() const { return identity_; }

  // Reads [offset, offset + size) from the file unless it was read before. False when the range
  // lies outside the file or the file cannot give it.
  bool Load(size_t offset, size_t size);
  // Reads [offset, offset + size) into `out` (size bytes), past the memory of Data(): for bytes
  // read once, in order. False when the range lies outside the file or the file cannot give it.
  bool ReadInto(size_t offset, size_t size, uint8_t* out) const;
  // Asks the system to read [offset, offset + size) into memory, without waiting for it: the
  // reads of many pieces asked for at once overlap.
  void ReadSoon(size_t offset, size_t size) const;
  // Tells the system that the file is read in scattered pieces, each asked for (ReadSoon) or
  // read as needed: it then reads no more than those around each.
  void ReadScattered() const;

  // For a process that ends soon after its reading (mardo-cli): a file closed from then on leaves
  // its room to the end of the process. Giving it back costs every core that ran one of the
  // process's threads a flush of its address cache: a search that opens a few indexes paid a
  // tenth of a millisecond for it, on the machines measured.
  static void LeaveRoomToExit();

 private:
  int fd_ = -1;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t reserved_ = 0;
  FileIdentity identity_;
  std::vector<bool> loaded_;  // per page
};

}  // namespace mardo
