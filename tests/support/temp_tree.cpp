#include "support/temp_tree.h"

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

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/mardo-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Make everything writable again so that a test's read-only directories go too.
  for (auto it =
           fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
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
