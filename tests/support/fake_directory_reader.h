#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/directory_reader.h"

namespace mardo::test {

// A directory tree in memory, for what a real temporary tree cannot show (another file system, an
// unreadable directory when running as root, entries that vanish, tens of thousands of
// directories). Every call holds one lock, so that the reader may be shared between threads when
// `concurrent` says so; `onOpen` runs under that lock.
class FakeDirectoryReader final : public DirectoryReader {
 public:
  struct Entry {
    std::string name;
    bool isDirectory = false;
    int64_t size = 0;
    int64_t time = 0;
    uint64_t device = 1;
    bool unreadable = false;  // listed, but cannot be looked at (an input/output error)
  };

  // Lists `path` with these entries, in this order. Paths not added cannot be opened.
  void Add(const std::string& path, std::vector<Entry> entries, uint64_t device = 1) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    dirs_[path] = Dir{std::move(entries), device, true};
  }
  // `path` can be opened but not listed, as a directory without read or search permission.
  void AddUnlistable(const std::string& path) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    dirs_[path] = Dir{{}, 1, false};
  }
  void Remove(const std::string& path) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    dirs_.erase(path);
  }
  // Called at each opening of a directory, before it is looked up (to change the tree during a
  // walk).
  std::function<void(const std::string&)> onOpen;
  bool concurrent = false;  // offered to the scanner's helper threads
  int opens = 0;            // directories opened, whether that succeeded or not
  int held = 0;             // directories open now
  int mostHeld = 0;         // most directories open at one time

  bool Concurrent() const override { return concurrent; }
  DirectoryHandle OpenDirectory(const std::string& path) override {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    ++opens;
    if (onOpen) onOpen(path);
    if (dirs_.count(path) == 0) return DirectoryHandle{};
    paths_.push_back(path);
    ++held;
    mostHeld = std::max(mostHeld, held);
    return DirectoryHandle{static_cast<int>(paths_.size() - 1)};
  }
  DirectoryHandle OpenSubdirectory(DirectoryHandle parent, std::string_view name) override {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!parent.Valid() || static_cast<size_t>(parent.value) >= paths_.size() ||
        paths_[parent.value].empty()) {
      ADD_FAILURE() << "subdirectory " << name << " opened through a closed handle";
      return DirectoryHandle{};
    }
    const std::string& base = paths_[parent.value];
    return OpenDirectory(base + (base.back() == '/' ? "" : "/") + std::string(name));
  }
  void CloseDirectory(DirectoryHandle directory) override {
    if (!directory.Valid()) return;
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (static_cast<size_t>(directory.value) >= paths_.size() || paths_[directory.value].empty()) {
      ADD_FAILURE() << "handle " << directory.value << " closed twice";
      return;
    }
    paths_[directory.value].clear();
    --held;
  }
  bool ListInto(DirectoryHandle directory, DirectoryContents& listing) override {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    listing.Clear();
    const Dir* dir = Find(directory);
    if (dir == nullptr) return false;
    listing.SetDevice(dir->device);
    for (const Entry& e : dir->entries) {
      if (e.unreadable) {
        listing.AddUnreadable(e.name);
      } else {
        listing.Add(e.name, e.isDirectory, e.size, e.time, e.device);
      }
    }
    return true;
  }
  bool List(DirectoryHandle directory) override {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    current_ = Find(directory);
    next_ = 0;
    return current_ != nullptr;
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
    bool listable;
  };

  // The listable directory open as `directory`, or nullptr.
  const Dir* Find(DirectoryHandle directory) const {
    if (!directory.Valid() || static_cast<size_t>(directory.value) >= paths_.size()) return nullptr;
    const auto it = dirs_.find(paths_[directory.value]);
    return it != dirs_.end() && it->second.listable ? &it->second : nullptr;
  }

  std::recursive_mutex mutex_;
  std::map<std::string, Dir> dirs_;
  std::vector<std::string> paths_;  // by handle; empty once closed
  const Dir* current_ = nullptr;
  size_t next_ = 0;
};

}  // namespace mardo::test
