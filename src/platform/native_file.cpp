#include "platform/native_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <limits>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace mardo {
namespace {

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// This machine's name as it stands in the names of temporaries: bytes other than letters, digits,
// '.', '_' and '-' become '_'.
const std::string& HostTag() {
  static const std::string tag = [] {
    struct utsname names;
    std::string host = ::uname(&names) == 0 ? std::string(names.nodename) : std::string();
    if (host.empty()) host = "localhost";
    for (char& c : host) {
      const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                         c == '.' || c == '_' || c == '-';
      if (!plain) c = '_';
    }
    return host;
  }();
  return tag;
}

constexpr std::string_view kTemporaryMark = ".tmp-";

bool AllDigits(std::string_view text) {
  return !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The process id in a name ".NAME.tmp-HOST-PID-N" made on this machine; 0 for any other name.
pid_t OwnTemporaryProcess(std::string_view name) {
  const std::string infix = std::string(kTemporaryMark) + HostTag() + "-";
  if (name.size() < 2 || name[0] != '.') return 0;
  const size_t counter = name.rfind('-');
  if (counter == std::string_view::npos || !AllDigits(name.substr(counter + 1))) return 0;
  const size_t process = name.rfind('-', counter - 1);
  if (process == std::string_view::npos || !AllDigits(name.substr(process + 1, counter - process - 1)))
    return 0;
  // ".NAME" + infix ends right before the process id; NAME is not empty.
  if (process + 1 < infix.size() + 2 || name.substr(process + 1 - infix.size(), infix.size()) != infix)
    return 0;
  const long pid = std::stol(std::string(name.substr(process + 1, counter - process - 1)));
  return pid > 0 && pid <= std::numeric_limits<pid_t>::max() ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

NativeFile::~NativeFile() {
  Close();
}

bool NativeFile::Fail(int errorNumber) {
  error_ = SystemErrorText(errorNumber);
  return false;
}

bool NativeFile::OpenForReading(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return Fail(errno);
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    const int e = errno;
    Close();
    return Fail(e);
  }
  if (S_ISDIR(st.st_mode)) {
    Close();
    return Fail(EISDIR);
  }
  size_ = st.st_size;
  identity_ = IdentityOfStat(st);
  return true;
}

bool NativeFile::CreateReplacement(const std::string& target) {
  Close();
  static std::atomic<unsigned> counter{0};
  const std::string stem = JoinNativePath(ParentDirectory(target), "." + BaseName(target)) +
                           std::string(kTemporaryMark) + HostTag() + "-" + std::to_string(::getpid());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem + "-" + std::to_string(counter++);
    // 0666 less the umask, as for any file the user creates.
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      // Held until the descriptor closes: whoever cleans up leftovers sees a live writer. A file
      // system without locks still writes; the process id then tells.
      ::flock(fd_, LOCK_EX | LOCK_NB);
      target_ = target;
      temporary_ = std::move(name);
      return true;
    }
    if (errno != EEXIST) return Fail(errno);
  }
  return Fail(EEXIST);
}

int64_t NativeFile::Read(void* buffer, size_t size) {
  while (true) {
    const ssize_t got = ::read(fd_, buffer, size);
    if (got >= 0) return got;
    if (errno != EINTR) {
      Fail(errno);
      return -1;
    }
  }
}

bool NativeFile::Write(const void* data, size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t put = ::write(fd_, bytes, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    bytes += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

bool NativeFile::Commit(bool durable) {
  if (fd_ < 0 || temporary_.empty()) return Fail(EBADF);
  if (durable && ::fsync(fd_) != 0) {
    const int e = errno;
    Discard();
    return Fail(e);
  }
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0 || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int e = errno;
    Discard();
    return Fail(e);
  }
  temporary_.clear();
  if (!durable) return true;
  // Make the new name itself durable.
  const int dir = ::open(ParentDirectory(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void NativeFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

void NativeFile::Close() {
  Discard();
  size_ = 0;
  identity_ = {};
}

bool NativeFile::Remove(const std::string& path, std::string* error) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  if (error != nullptr) *error = SystemErrorText(errno);
  return false;
}

bool NativeFile::Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

int NativeFile::RemoveDeadReplacements(const std::string& directory) {
  const int dir = ::open(directory.empty() ? "/" : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return 0;
  DIR* stream = ::fdopendir(dir);
  if (stream == nullptr) {
    ::close(dir);
    return 0;
  }
  std::vector<std::string> names;
  while (const dirent* d = ::readdir(stream)) {
    if (OwnTemporaryProcess(d->d_name) != 0) names.emplace_back(d->d_name);
  }
  int removed = 0;
  for (const std::string& name : names) {
    const pid_t pid = OwnTemporaryProcess(name);
    // A process that still runs (or that this user may not signal) may be writing it; a process id
    // taken again by another process keeps the file until that one ends too.
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    // Read and write, so that a network file system that maps the lock onto a byte-range lock can
    // grant an exclusive one.
    const int fd = ::openat(dir, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened;
    struct stat named;
    // Only a regular file of this user, still under that name, and locked by nobody: a writer in
    // another process namespace (where its process id means nothing here) still holds its lock.
    const bool dead = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
                      ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                      ::fstatat(dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                      named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
    if (dead && ::unlinkat(dir, name.c_str(), 0) == 0) ++removed;
    ::close(fd);
  }
  ::closedir(stream);
  return removed;
}

}  // namespace mardo
