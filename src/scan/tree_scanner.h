#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directory_reader.h"
#include "scan/ignore_pattern.h"
#include "store/catalog.h"

namespace mardo {

class MountTable;

struct ScanProgress {
  int64_t entries = 0;         // entries recorded so far
  std::string_view directory;  // native path of the directory being read
};

// Directories of the last scan that could not be read: they are catalogued as empty directories.
struct UnreadableDirectories {
  static constexpr size_t kKeptPaths = 10;

  int32_t count = 0;
  std::vector<std::string> paths;  // native paths of the first kKeptPaths of them, in walk order
};

// Fills an empty Catalog with the directories and files under a root: breadth-first, one
// DirRecord per directory (number 0 is the root), one FileRecord per file and per subdirectory,
// and per-directory totals over each whole subtree. Symbolic links are recorded as files and never
// followed; other file systems mounted inside the tree are recorded but not entered. Each
// directory is opened relative to its parent, so the depth of the tree is no limit.
class TreeScanner {
 public:
  using ProgressCallback = std::function<void(const ScanProgress&)>;
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // Scans the real file system with this process's mount table.
  explicit TreeScanner(Catalog& catalog);
  // Scans through the given reader and mount table, which must outlive the scanner.
  TreeScanner(Catalog& catalog, DirectoryReader& reader, const MountTable& mounts);
  ~TreeScanner();

  // Walks the tree under `rootPath`, leaving out what `ignoreText` names. Returns the number of
  // records in the file array: 0 when nothing was found, the root could not be read, the scan
  // was cancelled or refused (then the catalog is left empty).
  int32_t Scan(const std::string& rootPath, std::string_view ignoreText);

  // Called with the progress at most every `interval` while scanning, and once more with the
  // final count when a scan completes.
  void SetProgressCallback(ProgressCallback callback,
                           std::chrono::milliseconds interval = std::chrono::milliseconds(100));
  // The clock that spaces the progress reports: the steady clock unless replaced.
  void SetClock(Clock clock) { clock_ = std::move(clock); }
  // Checked between entries and once more after the final progress report; when it becomes
  // true the scan stops and stores nothing.
  void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }

  bool Cancelled() const { return cancelled_; }
  // Why the last scan stored nothing although its root could be read; empty otherwise.
  const std::string& RefusalText() const { return refusal_; }
  // The directories below the root that the last scan could not read (a file system that is not
  // entered on purpose does not count).
  const UnreadableDirectories& Unreadable() const { return unreadable_; }

 private:
  struct Pending {
    std::string nativePath;
    std::string catalogPath;
    int32_t parent;     // index in the pending list; -1 for the root
    uint32_t depth;     // 0 for the root
    uint32_t nameSize;  // the directory's own name ends nativePath
    bool enter;         // false for a directory on another file system

    std::string_view Name() const {
      return std::string_view(nativePath).substr(nativePath.size() - nameSize);
    }
  };
  // A directory of the walk kept open, or on the chain with its handle let go of.
  struct Link {
    int32_t index;  // in the pending list
    DirectoryHandle handle;
  };

  std::string RootCatalogPath(const std::string& nativeRoot) const;
  bool ShouldStop();
  void Tick(std::string_view directory);
  bool Ignored(std::string_view name, bool directory);
  void TotalsPass();
  int32_t Abandon();
  DirectoryHandle Reach(const std::vector<Pending>& pending, int32_t index);
  void Push(int32_t index, DirectoryHandle handle);
  void CutChain(size_t size);
  void CloseAll();
  void NoteUnreadable(const std::string& nativePath);

  Catalog& catalog_;
  std::unique_ptr<DirectoryReader> ownReader_;
  std::unique_ptr<MountTable> ownMounts_;
  DirectoryReader* reader_;
  const MountTable* mounts_;

  RecordArray<IgnorePattern> patterns_;
  std::string folded_;  // reused lower-case copy of the name being tested
  // Open directories owned by the scan: chain_[k] is at depth k and the parent of chain_[k + 1];
  // upcoming_ holds listed directories whose subdirectories are still to come, in walk order;
  // current_ is the directory being read.
  std::vector<Link> chain_;
  std::deque<Link> upcoming_;
  DirectoryHandle current_;
  std::vector<int32_t> way_;  // reused: the directories to open on the way down in Reach

  ProgressCallback progress_;
  std::chrono::milliseconds interval_{100};
  Clock clock_ = [] { return std::chrono::steady_clock::now(); };
  std::chrono::steady_clock::time_point lastReport_;
  int64_t entries_ = 0;
  int64_t ticks_ = 0;  // entries and directories met, for spacing the clock reads
  const std::atomic<bool>* cancel_ = nullptr;
  bool cancelled_ = false;
  std::string refusal_;
  UnreadableDirectories unreadable_;
};

}  // namespace mardo
