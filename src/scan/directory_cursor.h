#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directory_reader.h"

namespace mardo {

// One directory met by a breadth-first walk. Fixed once it is in the walk's list, so that
// listers on other threads may read it while the list grows.
struct WalkDirectory {
  std::string nativePath;
  std::string catalogPath;
  int32_t parent;     // index in the walk; -1 for the root
  uint32_t depth;     // 0 for the root
  uint32_t nameSize;  // the directory's own name ends nativePath
  bool enter;         // false for a directory on another file system

  std::string_view Name() const { return std::string_view(nativePath).substr(nativePath.size() - nameSize); }
};

// The directories of a breadth-first walk, in walk order, as many as memory holds. Appending
// never moves a directory nor changes anything a reader of the directories already in the list
// touches, so listers on other threads may read those (once told of them) while the walker
// appends: the list is kept in runs that double in size, found by the index alone.
class WalkList {
 public:
  WalkList() = default;
  WalkList(const WalkList&) = delete;
  WalkList& operator=(const WalkList&) = delete;

  int32_t Size() const { return size_; }
  const WalkDirectory& operator[](int32_t index) const { return At(index); }
  WalkDirectory& operator[](int32_t index) { return At(index); }
  // Appends a directory (the walker only).
  void Append(WalkDirectory directory);

 private:
  static constexpr uint32_t kFirstRun = 1024;
  // Run k holds kFirstRun << k directories, from index kFirstRun * (2^k - 1) on; 22 runs hold
  // more than an int32_t counts.
  static constexpr size_t kRuns = 22;

  WalkDirectory& At(int32_t index) const {
    const uint32_t q = static_cast<uint32_t>(index) / kFirstRun + 1;
    const int run = std::bit_width(q) - 1;
    return runs_[static_cast<size_t>(run)][static_cast<uint32_t>(index) - kFirstRun * ((1u << run) - 1)];
  }

  std::array<std::unique_ptr<WalkDirectory[]>, kRuns> runs_;
  int32_t size_ = 0;
};

// Opens the directories of a breadth-first walk relative to their parents, for one thread. Keeps
// the way down from the root open (letting go of its upper part in deep trees) and the listed
// directories whose subdirectories are still to come, so that about one opening serves each
// directory however deep the tree. Directories must be asked for in walk order (some may be
// left out); the handles it opens are its own.
class DirectoryCursor {
 public:
  // `root` is directory 0 of the walk; it stays the caller's and open while the cursor is used.
  DirectoryCursor(DirectoryReader& reader, DirectoryHandle root);
  ~DirectoryCursor();
  DirectoryCursor(const DirectoryCursor&) = delete;
  DirectoryCursor& operator=(const DirectoryCursor&) = delete;

  // Opens directory `index` (above 0) of `walk`; invalid when it or a directory on the way
  // cannot be opened. The caller passes the handle to Keep or closes it.
  DirectoryHandle Open(const WalkList& walk, int32_t index);
  // Takes over the listed directory `index`: kept open while few are, when subdirectories of it
  // are still to be opened; closed otherwise.
  void Keep(int32_t index, DirectoryHandle handle, bool hasSubdirectories);
  // Closes every handle of the cursor's own.
  void CloseAll();

 private:
  struct Link {
    int32_t index;  // in the walk
    DirectoryHandle handle;
  };

  DirectoryHandle Reach(const WalkList& walk, int32_t index);
  void Push(int32_t index, DirectoryHandle handle);
  void CutChain(size_t size);

  DirectoryReader& reader_;
  // chain_[k] is at depth k and the parent of chain_[k + 1]; chain_[0] is the root, not ours.
  std::vector<Link> chain_;
  std::deque<Link> upcoming_;  // listed directories whose subdirectories are still to come
  std::vector<int32_t> way_;   // reused: the directories to open on the way down in Reach
};

}  // namespace mardo
