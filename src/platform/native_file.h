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
  // Creates a temporary file next to `target` (same directory, so the final rename is atomic),
  // named ".NAME.tmp-HOST-PID-N" after the target, this machine and this process, and holds a
  // lock on it until it is committed or closed, so that it is known for a live writer's.
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

  // Deletes the temporaries that writers of this program left in `directory` when they ended
  // before committing (a crash, a kill): only regular files named exactly as CreateReplacement
  // names them, made on this machine by this user, whose process is gone and whose lock nobody
  // holds. A temporary of another machine (a shared network directory) is never touched: its
  // process cannot be looked at from here. Returns the number deleted.
  static int RemoveDeadReplacements(const std::string& directory);

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
