#include "scan/tree_scanner.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "base/text_compare.h"
#include "platform/catalog_path.h"
#include "platform/directory_reader.h"
#include "platform/file_system.h"
#include "platform/local_time.h"
#include "platform/mount_table.h"
#include "scan/listing_queue.h"
#include "scan/scan_texts.h"
#include "scan/volume_path.h"

namespace mardo {
namespace {

// The root without one trailing separator ("E:\" becomes "E:", "/media/usb/" becomes
// "/media/usb"); "/" stays "/".
std::string TrimOneSeparator(std::string root) {
  if (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) root.pop_back();
  return root;
}

// How often the clock is read for progress, in entries and directories met.
constexpr int64_t kCheckEvery = 64;

}  // namespace

TreeScanner::TreeScanner(Catalog& catalog)
    : catalog_(catalog),
      ownReader_(std::make_unique<PosixDirectoryReader>()),
      ownMounts_(std::make_unique<MountTable>(MountTable::Load())),
      reader_(ownReader_.get()),
      mounts_(ownMounts_.get()) {}

TreeScanner::TreeScanner(Catalog& catalog, DirectoryReader& reader, const MountTable& mounts)
    : catalog_(catalog), reader_(&reader), mounts_(&mounts) {}

TreeScanner::~TreeScanner() = default;

void TreeScanner::SetProgressCallback(ProgressCallback callback, std::chrono::milliseconds interval) {
  progress_ = std::move(callback);
  interval_ = interval;
}

std::string TreeScanner::RootCatalogPath(const std::string& nativeRoot) const {
  if (IsWindowsStylePath(nativeRoot)) return WindowsVolumeRelativePath(nativeRoot);
  const Mount* mount = mounts_->Find(nativeRoot);
  return CatalogPathFromNative(mount != nullptr ? std::string_view(mount->mountPoint) : "/", nativeRoot);
}

bool TreeScanner::ShouldStop() {
  if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) cancelled_ = true;
  return cancelled_;
}

void TreeScanner::Tick(std::string_view directory) {
  if (!progress_ || ++ticks_ % kCheckEvery != 0) return;
  const auto now = clock_();
  if (now - lastReport_ < interval_) return;
  lastReport_ = now;
  progress_(ScanProgress{entries_, directory});
}

bool TreeScanner::Ignored(std::string_view name, bool directory) {
  if (patterns_.Empty()) return false;
  FoldAsciiInto(name, folded_);
  for (const IgnorePattern* pattern : patterns_) {
    if (pattern->IsDirectoryPattern() == directory && WildcardMatch(folded_, pattern->text)) return true;
  }
  return false;
}

void TreeScanner::NoteUnreadable(const std::string& nativePath) {
  ++unreadable_.count;
  if (unreadable_.paths.size() < UnreadableDirectories::kKeptPaths) unreadable_.paths.push_back(nativePath);
}

void TreeScanner::NoteUnreadableEntries(const std::string& directory, const DirectoryContents& listing) {
  for (const std::string& name : listing.Unreadable()) {
    ++unreadable_.entryCount;
    if (unreadable_.entryPaths.size() < UnreadableDirectories::kKeptPaths)
      unreadable_.entryPaths.push_back(JoinNativePath(directory, name));
  }
}

int32_t TreeScanner::Abandon() {
  catalog_.ClearRecords();
  patterns_.DeleteAll();
  unreadable_ = UnreadableDirectories{};
  return 0;
}

int32_t TreeScanner::Scan(const std::string& rootPath, std::string_view ignoreText) {
  catalog_.ClearRecords();
  cancelled_ = false;
  refusal_.clear();
  unreadable_ = UnreadableDirectories{};
  entries_ = 0;
  ticks_ = 0;
  if (progress_) lastReport_ = clock_();
  patterns_.DeleteAll();
  ParseIgnoreList(ignoreText, patterns_);

  std::string root = TrimOneSeparator(rootPath);
  if (!root.empty() && !IsWindowsStylePath(root)) {
    // The walk starts from the real directory, so that its place on its volume is known.
    std::string canonical = CanonicalPath(root);
    if (!canonical.empty()) root = std::move(canonical);
  }

  // Listers on other threads read it while it grows.
  WalkList walk;
  walk.Append(WalkDirectory{root, RootCatalogPath(root), -1, 0, 0, true});
  if (ShouldStop()) return Abandon();
  // The root stays open for the whole walk: every directory is reached from it.
  const DirectoryHandle rootHandle = root.empty() ? DirectoryHandle{} : reader_->OpenDirectory(root);
  const bool walked = rootHandle.Valid() && Walk(walk, rootHandle);
  reader_->CloseDirectory(rootHandle);
  if (!walked) return Abandon();
  // The final count; a cancel that comes with it still counts, as the scan has not ended yet.
  if (progress_) progress_(ScanProgress{entries_, root});
  if (ShouldStop()) return Abandon();

  TotalsPass();
  patterns_.DeleteAll();
  return catalog_.files.Size();
}

// False when the walk stops without a catalog: the root cannot be listed, the scan is cancelled
// or refused.
bool TreeScanner::Walk(WalkList& walk, DirectoryHandle root) {
  uint64_t rootDevice = 0;
  {
    DirectoryContents listing;
    if (!reader_->ListInto(root, listing)) return false;
    rootDevice = listing.Device();
    DirRecord* dir = catalog_.AddDirectory(walk[0].catalogPath);
    Tick(walk[0].nativePath);
    if (!Record(walk, 0, listing, rootDevice, *dir)) return false;
  }
  // Stopped and joined on every way out, before the root is closed and the walk let go of.
  ListingQueue queue(*reader_, root, rootDevice, walk, reader_->Concurrent() ? helpers_ : 0);
  for (int32_t index = 1; index < walk.Size(); ++index) {
    if (ShouldStop()) return false;
    const DirectoryContents* listing = nullptr;
    const bool listed = queue.Take(index, walk.Size(), listing);
    if (!listed && walk[index].enter) NoteUnreadable(walk[index].nativePath);
    DirRecord* dir = catalog_.AddDirectory(walk[index].catalogPath);
    if (!listed) continue;
    Tick(walk[index].nativePath);
    if (!Record(walk, index, *listing, rootDevice, *dir)) return false;
  }
  return true;
}

// Records the entries of directory `index` and appends its subdirectories to the walk.
bool TreeScanner::Record(WalkList& walk, int32_t index, const DirectoryContents& listing, uint64_t rootDevice,
                         DirRecord& dir) {
  NoteUnreadableEntries(walk[index].nativePath, listing);
  for (size_t i = 0; i < listing.Size(); ++i) {
    if (ShouldStop()) return false;
    const DirectoryEntry entry = listing.Entry(i);
    // Positions in the arrays are 32-bit: the one limit besides memory.
    if (catalog_.files.Size() == std::numeric_limits<int32_t>::max()) {
      refusal_ = texts::kTooManyEntries;
      return false;
    }
    if (entry.isDirectory) {
      if (Ignored(entry.name, true)) continue;
      const WalkDirectory& parent = walk[index];
      std::string nativePath = JoinNativePath(parent.nativePath, entry.name);
      std::string catalogPath = parent.catalogPath;
      catalogPath.push_back('\\');
      catalogPath.append(entry.name);
      const uint32_t depth = parent.depth + 1;
      walk.Append(WalkDirectory{std::move(nativePath), std::move(catalogPath), index, depth,
                                static_cast<uint32_t>(entry.name.size()), entry.device == rootDevice});
      // The length is a placeholder until the totals pass numbers the directory entries.
      catalog_.AddFile(entry.name, entry.lastWriteTime, -1, index);
    } else {
      if (Ignored(entry.name, false)) continue;
      const int64_t size = std::max<int64_t>(entry.size, 0);
      dir.fileCount += 1;
      dir.totalLength += static_cast<double>(size);
      catalog_.AddFile(entry.name, entry.lastWriteTime, size, index);
    }
    ++entries_;
    Tick(walk[index].nativePath);
  }
  return true;
}

// Directory entries were appended in the same order as their directories to the walk, so numbering them
// from the end of the file array gives their DirRecord numbers; working backwards, every
// directory's totals already hold its descendants when they are added to its parent.
void TreeScanner::TotalsPass() {
  int32_t number = catalog_.dirs.Size();
  for (int32_t i = catalog_.files.Size() - 1; i >= 0; --i) {
    FileRecord* entry = catalog_.files[i];
    if (entry->length >= 0) continue;
    if (--number <= 0) break;
    entry->length = -number;
    const DirRecord* sub = catalog_.dirs[number];
    DirRecord* parent = catalog_.dirs[entry->dirNumber];
    parent->fileCount += sub->fileCount;
    parent->totalLength += sub->totalLength;
  }
}

}  // namespace mardo
