#include "scan/add_workflow.h"

#include <cstdio>

#include "platform/catalog_path.h"
#include "platform/directory_reader.h"
#include "platform/mount_table.h"
#include "platform/user_prompts.h"
#include "platform/volume_query.h"
#include "scan/scan_texts.h"
#include "scan/volume_identification.h"
#include "settings/app_texts.h"
#include "store/catalog_library.h"

namespace mardo {
namespace {

using Icon = UserPrompts::Icon;

// printf-style filling of a message with texts and numbers, without a length limit.
template <class... Args>
std::string Format(const char* format, Args... args) {
  const int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, args...);
  out.pop_back();
  return out;
}

// The directory a catalog was made from: its volume root, and for a catalog of a subdirectory
// (label "[\photos\2000]") that subdirectory.
std::string ScanRootOf(const Catalog& catalog) {
  const std::string& label = catalog.volumeLabel;
  const bool subdirectory =
      label.size() >= 3 && label.compare(0, 2, "[\\") == 0 && label.compare(0, 3, "[\\\\") != 0;
  if (!subdirectory) return catalog.volumeRoot;
  const std::string below = label.substr(2, label.size() - 3);
  if (IsWindowsStylePath(catalog.volumeRoot)) return catalog.volumeRoot + below;
  return NativePathFromCatalog(catalog.volumeRoot, "\\" + below);
}

}  // namespace

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
      prompts_.Message(volume.error, texts::kVolumeLabelError, Icon::kInformation);
      form_.SetLabelText("");
      form_.SetRootText("");
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

void AddWorkflow::MeasureFreeSpace(const std::string& rootPath) {
  pending_->freeSpace = IsWindowsStylePath(rootPath) ? -1.0f : volumes_.FreeSpace(rootPath);
}

void AddWorkflow::ResetPending() {
  pending_ = std::make_unique<Catalog>();
  form_.SetLabelText("");
  form_.SetRootText("");
}

void AddWorkflow::RemoveReplacedCatalog(const Catalog* replaced) {
  // The rows go first: they refer to the catalog and its records. The file stays; the new
  // catalog is written over it.
  form_.RemoveCatalogRow(replaced);
  form_.ClearResults();
  library_.RemoveCatalog(replaced);
}

AddWorkflow::Outcome AddWorkflow::AddVolume(bool silent) {
  return Run(silent, nullptr);
}

AddWorkflow::Outcome AddWorkflow::Run(bool silent, const Catalog* refreshed) {
  if (form_.LabelText().empty() && !form_.RootText().empty()) IdentifyVolume(form_.RootText());
  form_.SetStatusMessage("");
  const std::string root = form_.RootText();
  if (root.empty()) {
    prompts_.Message(texts::kSelectRoot, texts::kApplicationTitle, Icon::kExclamation);
    return Outcome::kNothing;
  }
  const std::string ignore = form_.IgnoreText();
  form_.AddHistory(CatalogForm::History::kDirectories, root);
  form_.AddHistory(CatalogForm::History::kIgnored, ignore);
  const std::string label = form_.LabelText();
  if (label.empty()) {
    prompts_.Message(texts::kGiveName, texts::kApplicationTitle, Icon::kExclamation);
    return Outcome::kNothing;
  }
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
        if (!prompts_.AskYesNo(question, texts::kApplicationTitle)) {
          ResetPending();
          return Outcome::kNothing;
        }
      }
    }
  }
  const std::string replacedPath = replaced != nullptr ? replaced->filePath : std::string();

  form_.BeginWait();
  MeasureFreeSpace(root);
  int32_t found = 0;
  bool cancelled = false;
  std::string refusal;
  {
    PosixDirectoryReader reader;
    const MountTable mounts = volumes_.Mounts();
    TreeScanner scanner(*pending_, reader, mounts);
    scanner.SetProgressCallback([this](const ScanProgress& progress) { form_.ScanProgress(progress); });
    scanner.SetCancelFlag(form_.CancelFlag());
    found = scanner.Scan(root, ignore);
    cancelled = scanner.Cancelled();
    refusal = scanner.RefusalText();
  }
  const std::string& volumeLabel = pending_->volumeLabel;
  std::string message;
  if (cancelled) {
    message = Format(texts::kScanCancelled, volumeLabel.c_str());
  } else if (found != 0) {
    message = Format(texts::kFilesAdded, static_cast<long>(pending_->files.Size()), volumeLabel.c_str());
  } else if (!refusal.empty()) {
    message = refusal;
  } else {
    message = Format(texts::kNoFilesAdded, volumeLabel.c_str());
  }

  std::string writeError;
  std::string writtenPath;
  bool written = true;
  if (found != 0) {
    if (replaced != nullptr) {
      RemoveReplacedCatalog(replaced);
      pending_->filePath = replacedPath;
    }
    written = library_.AddCatalog(pending_, &writeError);
    writtenPath = library_.Catalogs().Last()->filePath;
  }
  form_.ShowCatalogCounts();
  if (found != 0) form_.AddCatalogRow(library_.Catalogs().Size() - 1, silent);
  form_.SortCatalogs();
  form_.SetStatusMessage(message);
  form_.EndWait();
  if (!written) {
    prompts_.Message(Format(texts::kNotWritten, writtenPath.c_str(), writeError.c_str()),
                     texts::kApplicationTitle, Icon::kExclamation);
  }
  ResetPending();
  if (found == 0) return Outcome::kNothing;
  return written ? Outcome::kStored : Outcome::kNotWritten;
}

AddWorkflow::Outcome AddWorkflow::RefreshCatalog(const Catalog* catalog) {
  if (catalog == nullptr) return Outcome::kNothing;
  const std::string root = ScanRootOf(*catalog);
  form_.SetRootText(root);
  if (IdentifyVolume(root) && catalog->serialNumber == pending_->serialNumber) {
    return Run(true, catalog);
  }
  prompts_.Message(Format(texts::kCannotRefresh, catalog->catalogName.c_str(), root.c_str()),
                   texts::kApplicationTitle, Icon::kExclamation);
  return Outcome::kNothing;
}

}  // namespace mardo
