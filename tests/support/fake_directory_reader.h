#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/directory_reader.h"

namespace mardo::test {

// A directory tree in memory, for what a real temporary tree cannot show (another file system, an
// unreadable directory when running as root, entries that vanish, tens of thousands of
// directories).
class FakeDirectoryReader final : public DirectoryReader {
 public:
  struct Entry {
    std::string name;
    bool isDirectory = false;
    int64_t size = 0;
    int64_t time = 0;
    uint64_t device = 1;
  };

  // Lists `path` with these entries, in this order. Paths not added cannot be opened.
  void Add(const std::string& path, std::vector<Entry> entries, uint64_t device = 1) {
    dirs_[path] = Dir{std::move(entries), device};
  }
  void Remove(const std::string& path) { dirs_.erase(path); }
  // Called at each Open, before the listing starts (to change the tree during a walk).
  std::function<void(const std::string&)> onOpen;
  int opens = 0;

  bool Open(const std::string& path) override {
    ++opens;
    if (onOpen) onOpen(path);
    const auto it = dirs_.find(path);
    if (it == dirs_.end()) return false;
    current_ = &it->second;
    next_ = 0;
    return true;
  }
  uint64_t Device() const override { return current_ != nullptr ? current_->device : 0; }
  bool Next(DirectoryEntry& entry) override {
    if (current_ == nullptr || next_ >= current_->entries.size()) return false;
    const Entry& e = current_->entries[next_++];
    entry = DirectoryEntry{e.name, e.isDirectory, e.size, e.time, e.device};
    return true;
  }
  void Close() override { current_ = nullptr; }

 private:
  struct Dir {
    std::vector<Entry> entries;
    uint64_t device;
  };
  std::map<std::string, Dir> dirs_;
  const Dir* current_ = nullptr;
  size_t next_ = 0;
};

}  // namespace mardo::test
