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

void DirectoryContents::Clear() {
  names_.clear();
  items_.clear();
  unreadable_.clear();
  device_ = 0;
}

void DirectoryContents::Release() {
  Clear();
  names_.shrink_to_fit();
  items_.shrink_to_fit();
  unreadable_.shrink_to_fit();
}

void DirectoryContents::Add(std::string_view name, bool isDirectory, int64_t size, int64_t lastWriteTime,
                            uint64_t device) {
  items_.push_back(Item{static_cast<uint32_t>(names_.size()), static_cast<uint32_t>(name.size()), isDirectory,
                        size, lastWriteTime, device});
  names_.append(name);
}

namespace {

bool NameBefore(std::string_view x, std::string_view y) {
  const int folded = CompareNoCase(x, y);
  return folded != 0 ? folded < 0 : x < y;
}

}  // namespace

void DirectoryContents::SortByName() {
  std::sort(items_.begin(), items_.end(),
            [this](const Item& a, const Item& b) { return NameBefore(NameOf(a), NameOf(b)); });
  std::sort(unreadable_.begin(), unreadable_.end(), NameBefore);
}

bool DirectoryReader::ListInto(DirectoryHandle directory, DirectoryContents& listing) {
  listing.Clear();
  if (!List(directory)) return false;
  listing.SetDevice(Device());
  DirectoryEntry entry;
  while (Next(entry))
    listing.Add(entry.name, entry.isDirectory, entry.size, entry.lastWriteTime, entry.device);
  Close();
  return true;
}

bool DirectoryReader::Open(const std::string& path) {
  const DirectoryHandle directory = OpenDirectory(path);
  const bool listed = directory.Valid() && List(directory);
  CloseDirectory(directory);
  return listed;
}

namespace {

// O_NOFOLLOW: a directory that was swapped for a link since it was listed is not followed.
constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Bytes of directory records read per system call.
constexpr size_t kRecordBuffer = 32 * 1024;

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
  const std::string terminated(name);
  return DirectoryHandle{::openat(parent.value, terminated.c_str(), kDirectoryFlags)};
}

void PosixDirectoryReader::CloseDirectory(DirectoryHandle directory) {
  if (directory.Valid()) ::close(directory.value);
}

// Reads the directory records straight from the descriptor: no second descriptor and no stream
// to set up, which matter where most directories hold a handful of entries.
bool PosixDirectoryReader::ListInto(DirectoryHandle directory, DirectoryContents& listing) {
  listing.Clear();
  if (!directory.Valid()) return false;
  const int fd = directory.value;
  struct stat self;
  if (::fstat(fd, &self) != 0 || !S_ISDIR(self.st_mode) || ::lseek(fd, 0, SEEK_SET) != 0) return false;
  listing.SetDevice(static_cast<uint64_t>(self.st_dev));
  alignas(dirent64) char records[kRecordBuffer];
  while (true) {
    const ssize_t got = ::getdents64(fd, records, sizeof records);
    if (got == 0) break;
    if (got < 0) {
      listing.Clear();
      return false;
    }
    for (ssize_t at = 0; at < got;) {
      const auto* d = reinterpret_cast<const dirent64*>(records + at);
      at += d->d_reclen;
      const char* name = d->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      struct stat st;
      if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        // An entry that vanished since it was read is simply left out. Without permission to
        // search the directory no entry can be looked at: it cannot be listed. Any other
        // failure (an input/output error on a damaged medium) loses this entry alone, and says so.
        if (errno == ENOENT) continue;
        if (errno != EACCES) {
          listing.AddUnreadable(name);
          continue;
        }
        listing.Clear();
        return false;
      }
      listing.Add(std::string_view(name), S_ISDIR(st.st_mode), static_cast<int64_t>(st.st_size),
                  static_cast<int64_t>(st.st_mtim.tv_sec), static_cast<uint64_t>(st.st_dev));
    }
  }
  listing.SortByName();
  return true;
}

bool PosixDirectoryReader::List(DirectoryHandle directory) {
  next_ = 0;
  return ListInto(directory, listing_);
}

bool PosixDirectoryReader::Next(DirectoryEntry& entry) {
  if (next_ >= listing_.Size()) return false;
  entry = listing_.Entry(next_++);
  return true;
}

void PosixDirectoryReader::Close() {
  listing_.Clear();
  next_ = 0;
}

}  // namespace mardo
