#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace mardo {

// A file opened for one operation: reading an existing file, or writing a new file that replaces
// its target only when it is committed. Every error is kept as the system's text.
class NativeFile {
 public:
  NativeFile() = default;
  NativeFile(const NativeFile&) = delete;
  NativeFile& operator=(const NativeFile&) = delete;
  // Closes the file; an uncommitted replacement is removed and the target left as it was.
  ~NativeFile();

  bool OpenForReading(const std::string& path);
  // Creates a temporary file next to `target` (same directory, so the final rename is atomic).
  bool CreateReplacement(const std::string& target);

  // Reads up to `size` bytes; returns the number read, 0 at the end, -1 on an error.
  int64_t Read(void* buffer, size_t size);
  bool Write(const void* data, size_t size);
  // Size of a file open for reading, in bytes.
  int64_t Size() const { return size_; }
  // Identity of a file open for reading, as it was when opened.
  const FileIdentity& Identity() const { return identity_; }

  // Renames the replacement over its target, after flushing it to disk unless it is not `durable`
  // (a file that can be made again, such as a cache file, need not wait for the disk).
  bool Commit(bool durable = true);
  void Close();

  // Deletes the file at `path`. A file that is already gone counts as deleted.
  static bool Remove(const std::string& path, std::string* error = nullptr);
  // Whether anything (even a dangling link) exists under this exact name.
  static bool Exists(const std::string& path);

  const std::string& ErrorText() const { return error_; }

 private:
  bool Fail(int errorNumber);
  void Discard();

  int fd_ = -1;
  int64_t size_ = 0;
  FileIdentity identity_;
  std::string target_;     // for a replacement: the file it will replace
  std::string temporary_;  // for a replacement: its own name until committed
  std::string error_;
};

}  // namespace mardo
