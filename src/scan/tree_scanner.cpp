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
#include "scan/scan_texts.h"
#include "scan/volume_path.h"

namespace mardo {
namespace {

constexpr int64_t kMaxRecordedLength = std::numeric_limits<int32_t>::max();

// The root without one trailing separator ("E:\" becomes "E:", "/media/usb/" becomes
// "/media/usb"); "/" stays "/".
std::string TrimOneSeparator(std::string root) {
  if (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) root.pop_back();
  return root;
}

// How often the clock is read for progress, in entries and directories met.
constexpr int64_t kCheckEvery = 64;

// Directories of the chain kept open besides the root: deeper trees let go of the upper part of
// the chain, so that no depth exhausts the descriptors.
constexpr size_t kHeldDepth = 32;
// Listed directories kept open until their subdirectories come; wider levels reopen the rest.
constexpr size_t kHeldUpcoming = 64;

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

void TreeScanner::CutChain(size_t size) {
  while (chain_.size() > size) {
    reader_->CloseDirectory(chain_.back().handle);
    chain_.pop_back();
  }
}

void TreeScanner::Push(int32_t index, DirectoryHandle handle) {
  chain_.push_back(Link{index, handle});
  if (chain_.size() > kHeldDepth + 1) {
    Link& above = chain_[chain_.size() - 1 - kHeldDepth];
    reader_->CloseDirectory(above.handle);
    above.handle = DirectoryHandle{};
  }
}

// Breadth first, the subdirectories of one directory come one after the other and the parents in
// walk order. So a parent is often still open from its own listing; otherwise the chain mostly
// stays or moves by a step: about one opening per directory, however deep.
DirectoryHandle TreeScanner::Reach(const std::vector<Pending>& pending, int32_t index) {
  if (chain_.back().index == index) return chain_.back().handle;
  DirectoryHandle kept;
  while (!upcoming_.empty() && upcoming_.front().index <= index) {
    if (upcoming_.front().index == index) {
      kept = upcoming_.front().handle;
    } else {
      reader_->CloseDirectory(upcoming_.front().handle);
    }
    upcoming_.pop_front();
  }
  // Up from `index` to the deepest of its ancestors still open on the chain (the root at least).
  way_.clear();
  int32_t above = index;
  while (above > 0) {
    const size_t depth = pending[static_cast<size_t>(above)].depth;
    if (depth < chain_.size() && chain_[depth].index == above && chain_[depth].handle.Valid()) break;
    way_.push_back(above);
    above = pending[static_cast<size_t>(above)].parent;
  }
  CutChain(pending[static_cast<size_t>(above)].depth + 1);
  for (auto step = way_.rbegin(); step != way_.rend(); ++step) {
    DirectoryHandle handle;
    if (!kept.Valid()) {
      handle = reader_->OpenSubdirectory(chain_.back().handle, pending[static_cast<size_t>(*step)].Name());
      if (!handle.Valid()) return handle;
    } else if (*step == index) {
      handle = kept;  // the ancestors above it stay closed until a reopening needs them
      kept = DirectoryHandle{};
    }
    Push(*step, handle);
  }
  reader_->CloseDirectory(kept);
  return chain_.back().handle;
}

void TreeScanner::CloseAll() {
  reader_->CloseDirectory(current_);
  current_ = DirectoryHandle{};
  CutChain(0);
  for (const Link& link : upcoming_) reader_->CloseDirectory(link.handle);
  upcoming_.clear();
}

int32_t TreeScanner::Abandon() {
  catalog_.ClearRecords();
  patterns_.DeleteAll();
  reader_->Close();
  CloseAll();
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

  std::vector<Pending> pending;
  pending.push_back(Pending{root, RootCatalogPath(root), -1, 0, 0, true});
  uint64_t rootDevice = 0;

  for (size_t index = 0; index < pending.size(); ++index) {
    if (ShouldStop()) return Abandon();
    bool listed = false;
    if (index == 0) {
      // The root stays open for the whole walk, at the foot of the chain.
      if (!root.empty()) current_ = reader_->OpenDirectory(root);
      listed = current_.Valid() && reader_->List(current_);
      if (!listed) return Abandon();
      rootDevice = reader_->Device();
      chain_.push_back(Link{0, current_});
      current_ = DirectoryHandle{};
    } else if (pending[index].enter) {
      const DirectoryHandle parent = Reach(pending, pending[index].parent);
      if (parent.Valid()) current_ = reader_->OpenSubdirectory(parent, pending[index].Name());
      listed = current_.Valid() && reader_->List(current_);
      if (!listed) {
        reader_->CloseDirectory(current_);
        current_ = DirectoryHandle{};
        NoteUnreadable(pending[index].nativePath);
      }
    }
    DirRecord* dir = catalog_.AddDirectory(pending[index].catalogPath);
    if (!listed) continue;
    Tick(pending[index].nativePath);

    const auto dirNumber = static_cast<int16_t>(index);
    bool parentOfMore = false;  // whether a subdirectory will be entered through this one
    DirectoryEntry entry;
    while (reader_->Next(entry)) {
      if (ShouldStop()) return Abandon();
      if (entry.isDirectory) {
        if (Ignored(entry.name, true)) continue;
        if (pending.size() >= static_cast<size_t>(Catalog::kMaxDirectories)) {
          refusal_ = texts::kTooManyDirectories;
          return Abandon();
        }
        const Pending& parent = pending[index];
        std::string nativePath = JoinNativePath(parent.nativePath, entry.name);
        std::string catalogPath = parent.catalogPath;
        catalogPath.push_back('\\');
        catalogPath.append(entry.name);
        const bool enter = entry.device == rootDevice;
        parentOfMore = parentOfMore || enter;
        pending.push_back(Pending{std::move(nativePath), std::move(catalogPath), static_cast<int32_t>(index),
                                  parent.depth + 1, static_cast<uint32_t>(entry.name.size()), enter});
        // The length is a placeholder until the totals pass numbers the directory entries.
        catalog_.AddFile(entry.name, ClampTime32(entry.lastWriteTime), -1, dirNumber);
      } else {
        if (Ignored(entry.name, false)) continue;
        const int64_t size = std::max<int64_t>(entry.size, 0);
        dir->fileCount += 1;
        dir->totalLength += static_cast<double>(size);
        catalog_.AddFile(entry.name, ClampTime32(entry.lastWriteTime),
                         static_cast<int32_t>(std::min(size, kMaxRecordedLength)), dirNumber);
      }
      ++entries_;
      Tick(pending[index].nativePath);
    }
    reader_->Close();
    if (current_.Valid()) {
      if (parentOfMore && upcoming_.size() < kHeldUpcoming) {
        upcoming_.push_back(Link{static_cast<int32_t>(index), current_});
      } else {
        reader_->CloseDirectory(current_);
      }
      current_ = DirectoryHandle{};
    }
  }
  CloseAll();
  // The final count; a cancel that comes with it still counts, as the scan has not ended yet.
  if (progress_) progress_(ScanProgress{entries_, root});
  if (ShouldStop()) return Abandon();

  TotalsPass();
  patterns_.DeleteAll();
  return catalog_.files.Size();
}

// Directory entries were appended in the same order as their pending paths, so numbering them
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
