#include "platform/file_system.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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

std::string JoinNativePath(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (out.empty() || out.back() != '/') out.push_back('/');
  out.append(name);
  return out;
}

std::string SystemErrorText(int errorNumber) {
  char buffer[256];
  // GNU strerror_r returns the text, which may or may not live in the buffer.
  return std::string(::strerror_r(errorNumber, buffer, sizeof buffer));
}

std::vector<std::string> ListRegularFiles(const std::string& dir) {
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
    if (::fstatat(fd, d->d_name, &st, 0) == 0 && S_ISREG(st.st_mode)) names.emplace_back(d->d_name);
  }
  ::closedir(stream);
  return names;
}

}  // namespace mardo
