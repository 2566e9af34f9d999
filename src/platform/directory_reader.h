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

// The entries of one directory, read at once and owned by whoever asked for them, so that a
// directory can be listed on one thread and walked on another. Buffers are kept from one listing
// to the next until Release.
class DirectoryContents {
 public:
  size_t Size() const { return items_.size(); }
  // Entry `i`; its name stays valid until the listing is changed.
  DirectoryEntry Entry(size_t i) const {
    const Item& item = items_[i];
    return DirectoryEntry{NameOf(item), item.isDirectory, item.size, item.lastWriteTime, item.device};
  }
  // The file system of the directory listed.
  uint64_t Device() const { return device_; }
  // Entries the buffers hold room for.
  size_t Capacity() const { return items_.capacity(); }
  // Names of the entries that were listed but could not be looked at (an input/output error on a
  // damaged medium), in name order; they are not among the entries.
  const std::vector<std::string>& Unreadable() const { return unreadable_; }

  // Empties the listing and keeps its buffers.
  void Clear();
  // Empties the listing and gives its buffers back.
  void Release();
  void SetDevice(uint64_t device) { device_ = device; }
  void Add(std::string_view name, bool isDirectory, int64_t size, int64_t lastWriteTime, uint64_t device);
  void AddUnreadable(std::string_view name) { unreadable_.emplace_back(name); }
  // Sorts the entries and the unreadable names by name, case-folded ASCII first and bytes on ties.
  void SortByName();

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
  std::vector<std::string> unreadable_;
  uint64_t device_ = 0;
};

// Opens directories and lists them, in a fixed order, without following symbolic links.
// Whoever opens a directory closes it again.
class DirectoryReader {
 public:
  virtual ~DirectoryReader() = default;

  // Whether OpenSubdirectory, CloseDirectory and ListInto may be called from several threads at
  // once (List, Next and Close never may).
  virtual bool Concurrent() const { return false; }

  // Opens the directory `path` (a native path). Invalid when it cannot be opened (missing, not a
  // directory, a symbolic link, no permission).
  virtual DirectoryHandle OpenDirectory(const std::string& path) = 0;
  // Opens the subdirectory `name` (one name, no separator) of an open directory; a symbolic link
  // is never followed. Invalid as for OpenDirectory, or when `parent` is invalid.
  virtual DirectoryHandle OpenSubdirectory(DirectoryHandle parent, std::string_view name) = 0;
  // Closes an open directory; an invalid handle is ignored.
  virtual void CloseDirectory(DirectoryHandle directory) = 0;

  // Lists an open directory whole into `listing`, from its start however often the handle was
  // listed; false (and `listing` empty) when it cannot be listed. By default through List, Next
  // and Close.
  virtual bool ListInto(DirectoryHandle directory, DirectoryContents& listing);

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

// The real file system; a handle is a descriptor. A listing reads the whole directory (stat of
// each entry without following links) at once, so it holds no descriptor of its own; entries come
// sorted by name, case-folded ASCII first and bytes on ties, so that the same tree always lists
// the same way. Opening, closing and ListInto keep no state, so several threads may share one
// reader.
class PosixDirectoryReader final : public DirectoryReader {
 public:
  bool Concurrent() const override { return true; }
  DirectoryHandle OpenDirectory(const std::string& path) override;
  DirectoryHandle OpenSubdirectory(DirectoryHandle parent, std::string_view name) override;
  void CloseDirectory(DirectoryHandle directory) override;
  bool ListInto(DirectoryHandle directory, DirectoryContents& listing) override;
  bool List(DirectoryHandle directory) override;
  uint64_t Device() const override { return listing_.Device(); }
  bool Next(DirectoryEntry& entry) override;
  void Close() override;

 private:
  DirectoryContents listing_;  // for List and Next
  size_t next_ = 0;
};

}  // namespace mardo
