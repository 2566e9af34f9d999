#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directory_reader.h"
#include "scan/directory_cursor.h"
#include "scan/ignore_pattern.h"
#include "store/catalog.h"

namespace mardo {

class MountTable;

struct ScanProgress {
  int64_t entries = 0;         // entries recorded so far
  std::string_view directory;  // native path of the directory being read
};

// Directories of the last scan that could not be read: they are catalogued as empty directories.
// Besides them, the entries that were listed but could not be looked at (an input/output error on
// a damaged medium): they are left out of the catalog.
struct UnreadableDirectories {
  static constexpr size_t kKeptPaths = 10;

  int32_t count = 0;
  std::vector<std::string> paths;  // native paths of the first kKeptPaths of them, in walk order
  int32_t entryCount = 0;
  std::vector<std::string> entryPaths;  // the same for the entries
};

// Fills an empty Catalog with the directories and files under a root: breadth-first, one
// DirRecord per directory (number 0 is the root), one FileRecord per file and per subdirectory,
// and per-directory totals over each whole subtree. Symbolic links are recorded as files and never
// followed; other file systems mounted inside the tree are recorded but not entered. Each
// directory is opened relative to its parent, so the depth of the tree is no limit. Directories
// are listed ahead of the walk on a helper thread while the caller's thread builds the records
// from the listings in walk order.
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
  // Threads besides the caller's that list directories ahead of the walk: 1 unless set, so that
  // a scan runs on two cores; 0 lists every directory on the caller's thread. A reader that may
  // not be shared between threads is always used from the caller's thread alone. The catalog is
  // the same either way.
  void SetHelperThreads(int count) { helpers_ = count < 0 ? 0 : count; }
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
  std::string RootCatalogPath(const std::string& nativeRoot) const;
  bool ShouldStop();
  void Tick(std::string_view directory);
  bool Ignored(std::string_view name, bool directory);
  bool Walk(WalkList& walk, DirectoryHandle root);
  bool Record(WalkList& walk, int32_t index, const DirectoryContents& listing, uint64_t rootDevice,
              DirRecord& dir);
  void TotalsPass();
  int32_t Abandon();
  void NoteUnreadable(const std::string& nativePath);
  void NoteUnreadableEntries(const std::string& directory, const DirectoryContents& listing);

  Catalog& catalog_;
  std::unique_ptr<DirectoryReader> ownReader_;
  std::unique_ptr<MountTable> ownMounts_;
  DirectoryReader* reader_;
  const MountTable* mounts_;

  int helpers_ = 1;

  RecordArray<IgnorePattern> patterns_;
  std::string folded_;  // reused lower-case copy of the name being tested

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
