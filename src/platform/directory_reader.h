#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mardo {

// One entry of a directory listing. `name` stays valid until the next Next, Open or Close.
struct DirectoryEntry {
  std::string_view name;
  bool isDirectory = false;
  int64_t size = 0;           // bytes; for a symbolic link, the link's own size
  int64_t lastWriteTime = 0;  // seconds since 1970 UTC
  uint64_t device = 0;        // file system the entry lives on
};

// A directory held open by a DirectoryReader. Its subdirectories are opened relative to it, so
// that no path longer than one name ever reaches the system and depth costs nothing.
struct DirectoryHandle {
  int value = -1;
  bool Valid() const { return value >= 0; }
};

// Opens directories and lists one at a time, in a fixed order, without following symbolic links.
// Whoever opens a directory closes it again.
class DirectoryReader {
 public:
  virtual ~DirectoryReader() = default;

  // Opens the directory `path` (a native path). Invalid when it cannot be opened (missing, not a
  // directory, a symbolic link, no permission).
  virtual DirectoryHandle OpenDirectory(const std::string& path) = 0;
  // Opens the subdirectory `name` (one name, no separator) of an open directory; a symbolic link
  // is never followed. Invalid as for OpenDirectory, or when `parent` is invalid.
  virtual DirectoryHandle OpenSubdirectory(DirectoryHandle parent, std::string_view name) = 0;
  // Closes an open directory; an invalid handle is ignored.
  virtual void CloseDirectory(DirectoryHandle directory) = 0;

  // Starts listing an open directory; the listing does not need the handle afterwards. Returns
  // false when the directory cannot be listed (no permission to read or search it, vanished).
  virtual bool List(DirectoryHandle directory) = 0;
  // Opens, starts listing and closes `path`; false as for OpenDirectory and List.
  bool Open(const std::string& path);
  // The file system of the directory being listed.
  virtual uint64_t Device() const = 0;
  // The next entry, "." and ".." left out; false at the end.
  virtual bool Next(DirectoryEntry& entry) = 0;
  // Ends the listing.
  virtual void Close() = 0;
};

// The real file system; a handle is a descriptor. List reads the whole directory (stat of each
// entry without following links) at once, so the listing holds no descriptor of its own; entries
// come sorted by name, case-folded ASCII first and bytes on ties, so that the same tree always
// lists the same way. Buffers are reused from one directory to the next.
class PosixDirectoryReader final : public DirectoryReader {
 public:
  DirectoryHandle OpenDirectory(const std::string& path) override;
  DirectoryHandle OpenSubdirectory(DirectoryHandle parent, std::string_view name) override;
  void CloseDirectory(DirectoryHandle directory) override;
  bool List(DirectoryHandle directory) override;
  uint64_t Device() const override { return device_; }
  bool Next(DirectoryEntry& entry) override;
  void Close() override;

 private:
  struct Item {
    uint32_t nameOffset;
    uint32_t nameSize;
    bool isDirectory;
    int64_t size;
    int64_t lastWriteTime;
    uint64_t device;
  };

  std::string_view NameOf(const Item& item) const { return {names_.data() + item.nameOffset, item.nameSize}; }

  std::string names_;
  std::vector<Item> items_;
  std::string name_;  // the terminated name for OpenSubdirectory
  size_t next_ = 0;
  uint64_t device_ = 0;
};

}  // namespace mardo
