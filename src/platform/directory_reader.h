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

// Lists one directory at a time, in a fixed order, without following symbolic links.
class DirectoryReader {
 public:
  virtual ~DirectoryReader() = default;

  // Starts listing `path` (a native path). Returns false when the directory cannot be listed
  // (missing, not a directory, no permission, vanished).
  virtual bool Open(const std::string& path) = 0;
  // The file system of the directory that Open started.
  virtual uint64_t Device() const = 0;
  // The next entry, "." and ".." left out; false at the end.
  virtual bool Next(DirectoryEntry& entry) = 0;
  virtual void Close() = 0;
};

// The real file system. Each Open reads the whole directory (stat of each entry without following
// links) and closes it again, so only one directory is open at a time; entries come sorted by name,
// case-folded ASCII first and bytes on ties, so that the same tree always lists the same way.
// Buffers are reused from one directory to the next.
class PosixDirectoryReader final : public DirectoryReader {
 public:
  bool Open(const std::string& path) override;
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
  size_t next_ = 0;
  uint64_t device_ = 0;
};

}  // namespace mardo
