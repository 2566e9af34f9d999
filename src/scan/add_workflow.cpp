#include "scan/add_workflow.h"

#include "base/format_text.h"
#include "platform/catalog_path.h"
#include "platform/directory_reader.h"
#include "platform/file_system.h"
#include "platform/mount_table.h"
#include "platform/user_prompts.h"
#include "scan/ignore_pattern.h"
#include "scan/scan_texts.h"
#include "scan/volume_identification.h"
#include "store/catalog_library.h"

namespace mardo {
namespace {

using Icon = UserPrompts::Icon;

bool IsSubdirectoryLabel(std::string_view label) {
  return label.substr(0, 2) == "[\\" && label.substr(0, 3) != "[\\\\";
}

}  // namespace

std::string ScanStatusText(const AddWorkflow::Result& result) {
  std::string text = result.message;
  if (result.outcome == AddWorkflow::Outcome::kStored) {
    if (result.unreadableCount > 0)
      text += "; " + FormatText(texts::kUnreadableDirectories, result.unreadableCount);
    if (result.unreadableEntryCount > 0)
      text += "; " + FormatText(texts::kUnreadableEntries, result.unreadableEntryCount);
  }
  for (const std::string& note : result.ignoreNotes) text += "; " + note;
  return text;
}

CatalogOrigin OriginOf(const Catalog& catalog) {
  CatalogOrigin origin;
  origin.volumeRoot = catalog.volumeRoot;
  const std::string& label = catalog.volumeLabel;
  if (!IsSubdirectoryLabel(label)) return origin;
  // A label that reached the length limit of a version-3 file may have lost its end, and with it
  // part of the path: writers before version 4 cut longer texts.
  const bool mayBeCut = catalog.formatVersion < Catalog::kWideVersion && label.size() >= Catalog::kNarrowText;
  if (mayBeCut || label.back() != ']') {
    origin.cut = true;
    return origin;
  }
  origin.subdirectory = label.substr(1, label.size() - 2);
  return origin;
}

std::string UnreadableDirectoriesText(const AddWorkflow::Result& result) {
  if (result.unreadableCount <= 0) return {};
  std::string text = result.unreadableCount == 1
                         ? std::string(texts::kUnreadableOneListed)
                         : FormatText(texts::kUnreadableListed, static_cast<int>(result.unreadableCount));
  for (const std::string& path : result.unreadablePaths) text += "\n" + path;
  const auto shown = static_cast<int32_t>(result.unreadablePaths.size());
  if (result.unreadableCount > shown)
    text += FormatText(texts::kUnreadableMore, static_cast<int>(result.unreadableCount - shown));
  return text;
}

ScanJob::~ScanJob() = default;

void ScanJob::Run(const std::atomic<bool>* cancel, const TreeScanner::ProgressCallback& progress) {
  catalog_->freeSpace = IsWindowsStylePath(root_) ? -1.0f : volumes_.FreeSpace(root_);
  PosixDirectoryReader reader;
  const MountTable mounts = volumes_.Mounts();
  TreeScanner scanner(*catalog_, reader, mounts);
  if (progress) scanner.SetProgressCallback(progress);
  scanner.SetCancelFlag(cancel);
  found_ = scanner.Scan(root_, ignore_);
  cancelled_ = scanner.Cancelled();
  refusal_ = scanner.RefusalText();
  unreadable_ = scanner.Unreadable();
  ran_ = true;
}

AddWorkflow::AddWorkflow(CatalogLibrary& library, CatalogForm& form, UserPrompts& prompts,
                         const VolumeQuery& volumes)
    : library_(library),
      form_(form),
      prompts_(prompts),
      volumes_(volumes),
      pending_(std::make_unique<Catalog>()) {}

AddWorkflow::~AddWorkflow() = default;

bool AddWorkflow::IdentifyVolume(const std::string& rootPath) {
  const IdentifiedVolume volume = mardo::IdentifyVolume(rootPath, volumes_, library_);
  switch (volume.outcome) {
    case IdentifiedVolume::Outcome::kNothing:
      return false;
    case IdentifiedVolume::Outcome::kFailed:
      // The boxes are cleared before the message: a dialog takes the focus from the root box,
      // and leaving the box must not identify the same root again.
      form_.SetLabelText("");
      form_.SetRootText("");
      prompts_.Message(volume.error, texts::kVolumeLabelError, Icon::kInformation);
      return false;
    case IdentifiedVolume::Outcome::kIdentified:
      break;
  }
  pending_->volumeRoot = volume.volumeRoot;
  pending_->volumeLabel = volume.volumeLabel;
  pending_->serialNumber = volume.serialNumber;
  pending_->catalogName = volume.catalogName;
  form_.SetLabelText(volume.proposed);
  return true;
}

void AddWorkflow::ResetPending() {
  pending_ = std::make_unique<Catalog>();
  form_.SetLabelText("");
  form_.SetRootText("");
}

void AddWorkflow::KeepForAnotherTry(const ScanJob& job) {
  pending_ = std::make_unique<Catalog>();
  pending_->volumeRoot = job.catalog_->volumeRoot;
  pending_->volumeLabel = job.catalog_->volumeLabel;
  pending_->serialNumber = job.catalog_->serialNumber;
  pending_->catalogName = job.identifiedName_;
}

void AddWorkflow::RemoveReplacedCatalog(const Catalog* replaced) {
  // The rows go first: they refer to the catalog and its records. The file stays; the new
  // catalog is written over it.
  form_.RemoveCatalogRow(replaced);
  form_.ClearResults();
  library_.RemoveCatalog(replaced);
}

std::unique_ptr<ScanJob> AddWorkflow::PrepareAdd(bool silent) {
  return Prepare(silent, nullptr);
}

std::unique_ptr<ScanJob> AddWorkflow::Prepare(bool silent, const Catalog* refreshed,
                                              std::optional<std::string> givenRoot) {
  if (!givenRoot && form_.LabelText().empty() && !form_.RootText().empty()) IdentifyVolume(form_.RootText());
  form_.SetStatusMessage("");
  const std::string root = givenRoot ? *givenRoot : form_.RootText();
  if (root.empty()) {
    prompts_.Message(texts::kSelectRoot, texts::kApplicationTitle, Icon::kExclamation);
    return nullptr;
  }
  const std::string ignore = form_.IgnoreText();
  form_.AddHistory(CatalogForm::History::kDirectories, root);
  form_.AddHistory(CatalogForm::History::kIgnored, ignore);
  const std::string label = form_.LabelText();
  if (label.empty()) {
    prompts_.Message(texts::kGiveName, texts::kApplicationTitle, Icon::kExclamation);
    return nullptr;
  }
  const std::string identifiedName = pending_->catalogName;
  if (label != pending_->volumeLabel) pending_->catalogName = label;
  form_.SetStatusMessage(texts::kWaitPlease);

  // The catalog this one replaces: in a refresh the refreshed catalog itself, otherwise the
  // first catalog of the same volume or name, after the user agreed.
  const Catalog* replaced = refreshed;
  if (replaced == nullptr) {
    const int match = library_.FindSameVolume(*pending_);
    if (match != 0) {
      replaced = library_.CurrentCatalog();
      if (!silent) {
        const char* question = match == 2 ? texts::kSameLabel : texts::kAlreadyExisting;
        const std::string details =
            FormatText(texts::kReplacesCatalog, replaced->DisplayName().c_str(), replaced->filePath.c_str());
        if (!prompts_.Ask({.text = question, .caption = texts::kApplicationTitle, .details = details})) {
          ResetPending();
          return nullptr;
        }
      }
    }
  }

  auto job = std::unique_ptr<ScanJob>(new ScanJob());
  job->catalog_ = std::exchange(pending_, std::make_unique<Catalog>());
  job->root_ = root;
  job->ignore_ = ignore;
  RecordArray<IgnorePattern> patterns;
  ParseIgnoreList(ignore, patterns, &job->ignoreNotes_);
  job->silent_ = silent;
  job->identifiedName_ = identifiedName;
  job->volumes_ = volumes_;
  job->replaced_ = replaced;
  if (replaced != nullptr) job->replacedPath_ = replaced->filePath;
  form_.BeginWait();
  return job;
}

AddWorkflow::Result AddWorkflow::Commit(std::unique_ptr<ScanJob> job) {
  Result result;
  Catalog& scanned = *job->catalog_;
  const std::string volumeLabel = scanned.volumeLabel;
  const int32_t found = job->ran_ ? job->found_ : 0;
  result.cancelled = job->cancelled_ || !job->ran_;
  result.ignoreNotes = job->ignoreNotes_;
  result.refused = !job->refusal_.empty();
  if (result.cancelled) {
    result.message = FormatText(texts::kScanCancelled, volumeLabel.c_str());
  } else if (found != 0) {
    result.message =
        FormatText(texts::kFilesAdded, static_cast<long>(scanned.files.Size()), volumeLabel.c_str());
  } else if (result.refused) {
    result.message = job->refusal_;
  } else {
    result.message = FormatText(texts::kNoFilesAdded, volumeLabel.c_str());
  }

  if (found != 0 && !result.cancelled) {
    // The catalog to replace may have gone while the scan ran; then the new one gets a file of its
    // own rather than the name of a file that may belong to someone else by now.
    const Catalog* replaced = job->replaced_;
    const bool replacing =
        replaced != nullptr && library_.Contains(replaced) && replaced->filePath == job->replacedPath_;
    if (replacing) scanned.filePath = job->replacedPath_;
    // The file first: the old catalog goes only when its replacement is on the disk.
    if (library_.AddCatalog(job->catalog_, &result.writeError)) {
      if (replacing) RemoveReplacedCatalog(replaced);
      result.outcome = Outcome::kStored;
      result.catalogPath = scanned.filePath;
      result.unreadableCount = job->unreadable_.count;
      result.unreadablePaths = job->unreadable_.paths;
      result.unreadableEntryCount = job->unreadable_.entryCount;
      result.unreadableEntryPaths = job->unreadable_.entryPaths;
    } else {
      result.outcome = Outcome::kNotWritten;
      result.catalogPath = scanned.filePath;
      result.message =
          FormatText(texts::kNotWrittenStatus, result.catalogPath.c_str(), result.writeError.c_str());
    }
  }
  form_.ShowCatalogCounts();
  if (result.outcome == Outcome::kStored) form_.AddCatalogRow(library_.Catalogs().Size() - 1, job->silent_);
  form_.SortCatalogs();
  form_.SetStatusMessage(result.message);
  form_.EndWait();
  if (result.outcome == Outcome::kNotWritten) {
    prompts_.Message(FormatText(texts::kNotWritten, result.catalogPath.c_str(), result.writeError.c_str()),
                     texts::kApplicationTitle, Icon::kExclamation);
  }
  if (result.cancelled || result.outcome == Outcome::kNotWritten) {
    KeepForAnotherTry(*job);
  } else {
    ResetPending();
  }
  return result;
}

AddWorkflow::Result AddWorkflow::RunHere(std::unique_ptr<ScanJob> job) {
  if (!job) return {};
  job->Run(form_.CancelFlag(), [this](const ScanProgress& progress) { form_.ScanProgress(progress); });
  return Commit(std::move(job));
}

AddWorkflow::Result AddWorkflow::AddVolume(bool silent) {
  return RunHere(PrepareAdd(silent));
}

AddWorkflow::Result AddWorkflow::RefreshCatalog(const Catalog* catalog) {
  return RunHere(PrepareRefresh(catalog));
}

std::unique_ptr<ScanJob> AddWorkflow::PrepareRefresh(const Catalog* catalog) {
  if (catalog == nullptr || !catalog->CanBeRefreshed()) return nullptr;
  const CatalogOrigin origin = OriginOf(*catalog);
  if (origin.cut) {
    prompts_.Message(FormatText(texts::kRefreshPathCut, catalog->DisplayName().c_str()),
                     texts::kApplicationTitle, Icon::kExclamation);
    return nullptr;
  }
  // The directory to scan again, found on the medium from the stored path. Since a name may hold a
  // backslash here, a stored path may fit several directories; then it is not known which one
  // was catalogued.
  std::string root = origin.volumeRoot;
  if (!origin.subdirectory.empty()) {
    if (IsWindowsStylePath(origin.volumeRoot)) {
      root = origin.volumeRoot + origin.subdirectory.substr(1);
    } else {
      const std::vector<std::string> readings =
          FindNativeDirectories(origin.volumeRoot, origin.subdirectory, 2);
      if (readings.size() > 1) {
        prompts_.Message(FormatText(texts::kRefreshPathAmbiguous, catalog->DisplayName().c_str(),
                                    readings[0].c_str(), readings[1].c_str()),
                         texts::kApplicationTitle, Icon::kExclamation);
        return nullptr;
      }
      root =
          readings.size() == 1 ? readings[0] : NativePathFromCatalog(origin.volumeRoot, origin.subdirectory);
    }
  }
  form_.SetRootText(root);
  // The root is the one rebuilt from the catalog, whatever the box made of it.
  if (IdentifyVolume(root) && catalog->serialNumber == pending_->serialNumber)
    return Prepare(true, catalog, root);
  prompts_.Message(FormatText(texts::kCannotRefresh, catalog->catalogName.c_str(), root.c_str()),
                   texts::kApplicationTitle, Icon::kExclamation);
  return nullptr;
}

}  // namespace mardo
