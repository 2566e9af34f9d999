#include "platform/directory_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/text_compare.h"

namespace mardo {

bool DirectoryReader::Open(const std::string& path) {
  const DirectoryHandle directory = OpenDirectory(path);
  const bool listed = directory.Valid() && List(directory);
  CloseDirectory(directory);
  return listed;
}

namespace {

// O_NOFOLLOW: a directory that was swapped for a link since it was listed is not followed.
constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

}  // namespace

DirectoryHandle PosixDirectoryReader::OpenDirectory(const std::string& path) {
  return DirectoryHandle{::open(path.c_str(), kDirectoryFlags)};
}

DirectoryHandle PosixDirectoryReader::OpenSubdirectory(DirectoryHandle parent, std::string_view name) {
  // One name only: O_NOFOLLOW guards the last component of a path, and "." or ".." would leave
  // the tree.
  if (!parent.Valid() || name.empty() || name == "." || name == ".." ||
      name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
    return DirectoryHandle{};
  }
  name_.assign(name);
  return DirectoryHandle{::openat(parent.value, name_.c_str(), kDirectoryFlags)};
}

void PosixDirectoryReader::CloseDirectory(DirectoryHandle directory) {
  if (directory.Valid()) ::close(directory.value);
}

bool PosixDirectoryReader::List(DirectoryHandle directory) {
  Close();
  if (!directory.Valid()) return false;
  struct stat self;
  if (::fstat(directory.value, &self) != 0) return false;
  // The listing reads through a descriptor of its own, since closedir closes it; the two share
  // one position, so the listing starts from the beginning however often the handle was listed.
  const int fd = ::dup(directory.value);
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return false;
  }
  ::rewinddir(dir);
  device_ = self.st_dev;
  bool complete = true;
  while (const dirent* d = ::readdir(dir)) {
    const char* name = d->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    struct stat st;
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      // An entry that vanished since readdir saw it is simply left out. Without permission to
      // search the directory no entry can be looked at: it cannot be listed.
      if (errno != EACCES) continue;
      complete = false;
      break;
    }
    const size_t size = std::strlen(name);
    items_.push_back(Item{static_cast<uint32_t>(names_.size()), static_cast<uint32_t>(size),
                          S_ISDIR(st.st_mode), static_cast<int64_t>(st.st_size),
                          static_cast<int64_t>(st.st_mtim.tv_sec), static_cast<uint64_t>(st.st_dev)});
    names_.append(name, size);
  }
  ::closedir(dir);  // closes fd as well
  if (!complete) {
    Close();
    return false;
  }
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
