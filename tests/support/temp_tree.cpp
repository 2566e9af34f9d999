#include "support/temp_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace mardo::test {

namespace fs = std::filesystem;

TempDir::TempDir(Where where) {
  const char* base = std::getenv("TMPDIR");
  std::string dir = base != nullptr && *base != '\0' ? base : "/tmp";
  if (where == kMemory && ::access("/dev/shm", W_OK) == 0) dir = "/dev/shm";
  std::string pattern = dir + "/mardo-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  RemoveTree(path_);
}

std::string TempDir::operator/(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

std::string TempDir::MakeDir(std::string_view relative, int64_t mtime) const {
  const std::string path = *this / relative;
  fs::create_directories(path);
  if (mtime >= 0) SetMtime(path, mtime);
  return path;
}

std::string TempDir::MakeFile(std::string_view relative, int64_t size, int64_t mtime,
                              std::string_view content) const {
  const std::string path = *this / relative;
  fs::create_directories(fs::path(path).parent_path());
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  }
  if (size > static_cast<int64_t>(content.size()) && ::truncate(path.c_str(), size) != 0) {
    throw std::runtime_error("truncate failed");
  }
  if (mtime >= 0) SetMtime(path, mtime);
  return path;
}

std::string TempDir::MakeSymlink(std::string_view relative, std::string_view target) const {
  const std::string path = *this / relative;
  fs::create_directories(fs::path(path).parent_path());
  if (::symlink(std::string(target).c_str(), path.c_str()) != 0) throw std::runtime_error("symlink failed");
  return path;
}

std::string TempDir::ReadFile(std::string_view relative) const {
  std::ifstream in(*this / relative, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void TempDir::MakeDeepChain(std::string_view relative, const std::vector<std::string>& names,
                            std::string_view fileName, int64_t fileSize) const {
  int fd = ::open(MakeDir(relative).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  bool made = fd >= 0;
  for (size_t i = 0; made && i < names.size(); ++i) {
    const char* name = names[i].c_str();
    const int sub =
        ::mkdirat(fd, name, 0755) == 0 ? ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    ::close(fd);
    fd = sub;
    const int file =
        fd >= 0 ? ::openat(fd, std::string(fileName).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644) : -1;
    made = file >= 0 && ::ftruncate(file, fileSize) == 0;
    if (file >= 0) ::close(file);
  }
  if (fd >= 0) ::close(fd);
  if (!made) throw std::runtime_error("deep directory chain could not be made");
}

namespace {

// Removes every entry of the directory open as `fd` that is not a directory, makes the first
// subdirectory accessible and returns its name; empty when there is none.
std::string ClearFilesAndFindSubdirectory(int fd) {
  const int listing = ::dup(fd);
  DIR* dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
  if (dir == nullptr) {
    if (listing >= 0) ::close(listing);
    return {};
  }
  std::string subdirectory;
  while (const dirent* d = ::readdir(dir)) {
    const std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISDIR(st.st_mode)) {
      ::unlinkat(fd, name.c_str(), 0);
    } else if (subdirectory.empty()) {
      ::fchmodat(fd, name.c_str(), S_IRWXU, 0);
      subdirectory = name;
    }
  }
  ::closedir(dir);
  return subdirectory;
}

}  // namespace

// Depth first, holding two descriptors at most: down into the first subdirectory, back up through
// "..", so that neither the path length nor the descriptor limit bounds the depth.
void RemoveTree(const std::string& path) {
  // Most trees go at once; what is left (too deep for paths, or without permissions) goes one
  // directory at a time.
  std::error_code error;
  fs::remove_all(path, error);
  if (!fs::exists(fs::symlink_status(path, error))) return;
  ::chmod(path.c_str(), S_IRWXU);
  int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    ::unlink(path.c_str());
    return;
  }
  std::vector<std::string> names;  // the way down from `path` to `fd`
  while (true) {
    const std::string sub = ClearFilesAndFindSubdirectory(fd);
    if (!sub.empty()) {
      const int next = ::openat(fd, sub.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (next < 0) break;  // what cannot be entered stays rather than being tried forever
      ::close(fd);
      fd = next;
      names.push_back(sub);
      continue;
    }
    if (names.empty()) break;
    const int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = parent;
    if (fd < 0) return;
    const bool removed = ::unlinkat(fd, names.back().c_str(), AT_REMOVEDIR) == 0;
    names.pop_back();
    if (!removed) break;
  }
  ::close(fd);
  ::rmdir(path.c_str());
}

void SetMtime(const std::string& path, int64_t mtime) {
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(mtime);
  times[0].tv_nsec = 0;
  times[1] = times[0];
  if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    throw std::runtime_error("utimensat failed");
  }
}

void SetTimeZone(const char* tz) {
  ::setenv("TZ", tz, 1);
  ::tzset();
}

}  // namespace mardo::test
