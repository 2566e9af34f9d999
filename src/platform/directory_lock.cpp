#include "platform/directory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_system.h"

namespace mardo {

DirectoryLock::DirectoryLock(const std::string& directory) {
  const std::string path = JoinNativePath(directory.empty() ? "/" : directory, kFileName);
  // Read and write, so that a network file system that maps the lock onto a byte-range lock can
  // grant an exclusive one. 0666 less the umask: everyone who writes catalogs here locks here.
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd_ < 0) return;
  int locked;
  do {
    locked = ::flock(fd_, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

DirectoryLock::~DirectoryLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace mardo
