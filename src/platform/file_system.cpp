#include "platform/file_system.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace mardo {

std::string CurrentDirectory() {
  std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
  return cwd ? std::string(cwd.get()) : std::string();
}

std::string CanonicalPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

FileIdentity IdentityOfStat(const struct stat& st) {
  FileIdentity id;
  id.device = static_cast<uint64_t>(st.st_dev);
  id.inode = static_cast<uint64_t>(st.st_ino);
  id.size = static_cast<int64_t>(st.st_size);
  id.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  id.changedNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return id;
}

bool IdentityOfFile(const std::string& path, FileIdentity& identity) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  identity = IdentityOfStat(st);
  return true;
}

std::string UserCacheDirectory() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;  // a relative value is to be ignored
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return JoinNativePath(home, ".cache");
  return {};
}

bool MakeDirectories(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash))) return false;
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string JoinNativePath(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (out.empty() || out.back() != '/') out.push_back('/');
  out.append(name);
  return out;
}

std::string ParentDirectory(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  return slash == 0 ? "/" : std::string(path.substr(0, slash));
}

namespace {

void FindReadings(const std::string& dir, const std::vector<std::string_view>& parts, size_t first,
                  size_t limit, std::vector<std::string>& found) {
  if (first == parts.size()) {
    found.push_back(dir);
    return;
  }
  std::string name;
  for (size_t k = first; k < parts.size() && found.size() < limit; ++k) {
    if (k > first) name.push_back('\\');
    name.append(parts[k]);
    if (name.empty()) continue;
    const std::string candidate = JoinNativePath(dir, name);
    struct stat st;
    if (::lstat(candidate.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      FindReadings(candidate, parts, k + 1, limit, found);
  }
}

}  // namespace

std::vector<std::string> FindNativeDirectories(std::string_view volumeRoot, std::string_view catalogPath,
                                               size_t limit) {
  std::vector<std::string> found;
  std::string root(volumeRoot);
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  struct stat st;
  if (root.empty() || limit == 0 || ::lstat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return found;
  std::vector<std::string_view> parts;
  if (!catalogPath.empty() && catalogPath[0] == '\\') catalogPath.remove_prefix(1);
  if (!catalogPath.empty()) {
    size_t start = 0;
    while (true) {
      const size_t slash = catalogPath.find('\\', start);
      parts.push_back(catalogPath.substr(start, slash == std::string_view::npos ? slash : slash - start));
      if (slash == std::string_view::npos) break;
      start = slash + 1;
    }
  }
  FindReadings(root, parts, 0, limit, found);
  return found;
}

bool IsWritableDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string SystemErrorText(int errorNumber) {
  char buffer[256];
  // GNU strerror_r returns the text, which may or may not live in the buffer.
  return std::string(::strerror_r(errorNumber, buffer, sizeof buffer));
}

std::string DirectoryReadError(const std::string& path) {
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return SystemErrorText(errno);
  errno = 0;
  const bool read = ::readdir(dir) != nullptr || errno == 0;
  const int error = errno;
  ::closedir(dir);
  return read ? std::string() : SystemErrorText(error);
}

bool StartWaitsForDisk(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char byte = 0;
  iovec piece{&byte, 1};
  // A read that must not wait for the disk fails with EAGAIN where it would.
  const ssize_t got = ::preadv2(fd, &piece, 1, 0, RWF_NOWAIT);
  const bool waits = got < 0 && errno == EAGAIN;
  ::close(fd);
  return waits;
}

void ReadStartSoon(const std::string& path, uint64_t size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::posix_fadvise(fd, 0, static_cast<off_t>(size), POSIX_FADV_WILLNEED);
  ::close(fd);
}

bool IsReadableFile(const std::string& path, std::string* error) {
  if (::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0) return true;
  if (error != nullptr) *error = SystemErrorText(errno);
  return false;
}

std::vector<std::string> ListRegularFiles(const std::string& dir, std::vector<FileIdentity>* identities,
                                          bool (*wanted)(std::string_view name)) {
  if (identities != nullptr) identities->clear();
  std::vector<std::string> names;
  const int fd = ::open(dir.empty() ? "/" : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return names;
  DIR* stream = ::fdopendir(fd);
  if (stream == nullptr) {
    ::close(fd);
    return names;
  }
  while (const dirent* d = ::readdir(stream)) {
    struct stat st;
    if (wanted != nullptr && !wanted(d->d_name)) continue;
    if (::fstatat(fd, d->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
    names.emplace_back(d->d_name);
    if (identities != nullptr) identities->push_back(IdentityOfStat(st));
  }
  ::closedir(stream);
  return names;
}

}  // namespace mardo
