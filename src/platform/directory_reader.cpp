#include "platform/directory_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "base/text_compare.h"

namespace mardo {

bool PosixDirectoryReader::Open(const std::string& path) {
  Close();
  // O_NOFOLLOW: a directory that was swapped for a link since it was listed is not followed.
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat self;
  if (::fstat(fd, &self) != 0) {
    ::close(fd);
    return false;
  }
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return false;
  }
  device_ = self.st_dev;
  while (const dirent* d = ::readdir(dir)) {
    const char* name = d->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    struct stat st;
    // An entry that vanished since readdir saw it is simply left out.
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    const size_t size = std::strlen(name);
    items_.push_back(Item{static_cast<uint32_t>(names_.size()), static_cast<uint32_t>(size),
                          S_ISDIR(st.st_mode), static_cast<int64_t>(st.st_size),
                          static_cast<int64_t>(st.st_mtim.tv_sec), static_cast<uint64_t>(st.st_dev)});
    names_.append(name, size);
  }
  ::closedir(dir);  // closes fd as well
  std::sort(items_.begin(), items_.end(), [this](const Item& a, const Item& b) {
    const std::string_view x = NameOf(a);
    const std::string_view y = NameOf(b);
    const int folded = CompareNoCase(x, y);
    return folded != 0 ? folded < 0 : x < y;
  });
  return true;
}

bool PosixDirectoryReader::Next(DirectoryEntry& entry) {
  if (next_ >= items_.size()) return false;
  const Item& item = items_[next_++];
  entry.name = NameOf(item);
  entry.isDirectory = item.isDirectory;
  entry.size = item.size;
  entry.lastWriteTime = item.lastWriteTime;
  entry.device = item.device;
  return true;
}

void PosixDirectoryReader::Close() {
  names_.clear();
  items_.clear();
  next_ = 0;
}

}  // namespace mardo
