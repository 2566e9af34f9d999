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

// How often the clock is read for progress and cancellation, in entries.
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

void TreeScanner::ReportProgress(std::string_view directory, bool force) {
  if (!progress_) return;
  if (!force && entries_ % kCheckEvery != 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastReport_ < interval_) return;
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

int32_t TreeScanner::Abandon() {
  catalog_.ClearRecords();
  patterns_.DeleteAll();
  reader_->Close();
  return 0;
}

int32_t TreeScanner::Scan(const std::string& rootPath, std::string_view ignoreText) {
  catalog_.ClearRecords();
  cancelled_ = false;
  refusal_.clear();
  entries_ = 0;
  lastReport_ = std::chrono::steady_clock::now();
  patterns_.DeleteAll();
  ParseIgnoreList(ignoreText, patterns_);

  std::string root = TrimOneSeparator(rootPath);
  if (!root.empty() && !IsWindowsStylePath(root)) {
    // The walk starts from the real directory, so that its place on its volume is known.
    std::string canonical = CanonicalPath(root);
    if (!canonical.empty()) root = std::move(canonical);
  }

  std::vector<Pending> pending;
  pending.push_back(Pending{root, RootCatalogPath(root), true});
  uint64_t rootDevice = 0;

  for (size_t index = 0; index < pending.size(); ++index) {
    if (ShouldStop()) return Abandon();
    const bool opened = pending[index].enter && !root.empty() && reader_->Open(pending[index].nativePath);
    if (!opened && index == 0) return Abandon();
    if (index == 0) rootDevice = reader_->Device();
    DirRecord* dir = catalog_.AddDirectory(pending[index].catalogPath);
    if (!opened) continue;
    ReportProgress(pending[index].nativePath, true);

    const auto dirNumber = static_cast<int16_t>(index);
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
        pending.push_back(Pending{std::move(nativePath), std::move(catalogPath), entry.device == rootDevice});
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
      ReportProgress(pending[index].nativePath, false);
    }
    reader_->Close();
  }

  TotalsPass();
  patterns_.DeleteAll();
  ReportProgress(root, true);
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
