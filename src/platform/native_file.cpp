#include "platform/native_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/file_system.h"

namespace mardo {
namespace {

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
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
  const std::string stem =
      DirectoryOf(target) + "/." + BaseName(target) + ".tmp-" + std::to_string(::getpid());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem + "-" + std::to_string(counter++);
    // 0666 less the umask, as for any file the user creates.
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
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
  const int dir = ::open(DirectoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

}  // namespace mardo
