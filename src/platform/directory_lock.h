#pragma once

#include <string>

namespace mardo {

// An exclusive lock on a directory, for the writers of this program that must not choose or
// replace files there at the same time (on this machine or, where the file system passes locks
// on, as a network share does, on others). It is taken on a lock file in the directory, which
// stays there: deleting it would let two writers lock two different files. Waits until the lock
// is free; released when the object goes.
class DirectoryLock {
 public:
  static constexpr const char* kFileName = ".mardo.lock";

  explicit DirectoryLock(const std::string& directory);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  // False when the lock file could not be made or locked (a read-only directory, a file system
  // without locks): the caller goes on unlocked, as nothing better can be done there.
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace mardo
