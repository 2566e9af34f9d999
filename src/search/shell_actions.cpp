#include "search/shell_actions.h"

#include <algorithm>
#include <set>
#include <utility>

#include "base/app_title.h"
#include "base/format_text.h"
#include "platform/user_prompts.h"
#include "scan/volume_identification.h"
#include "search/command_ids.h"
#include "search/drop_files.h"
#include "search/entry_path.h"
#include "search/search_texts.h"
#include "store/catalog_library.h"
#include "store/store_texts.h"

namespace mardo {
namespace {

// The codes of the open-failure table that the desktop's failures stand for.
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kAccessDenied = 5;
constexpr int kNoAssociation = 31;

ShellResult Call(DesktopShell& shell, ShellCall call, const std::string& path) {
  switch (call) {
    case ShellCall::kOpenPath:
      return shell.OpenPath(path);
    case ShellCall::kOpenDirectory:
      return shell.OpenDirectory(path);
    case ShellCall::kShowInFolder:
      return shell.ShowInFolder(path);
    case ShellCall::kStartDefaultApplication:
      return shell.StartDefaultApplication(path);
    case ShellCall::kNone:
      break;
  }
  return {};
}

void Warn(UserPrompts& prompts, const std::string& message) {
  prompts.Message(message, texts::kApplicationTitle, UserPrompts::Icon::kExclamation);
}

// A message naming the catalog's medium and the place it is missing from.
std::string OtherMediumText(const char* format, const Catalog& catalog) {
  return FormatText(format, catalog.DisplayName().c_str(), catalog.volumeRoot.c_str());
}

}  // namespace

std::optional<OpenMode> OpenModeOfCommand(int32_t command) {
  switch (command) {
    case command::kOpen:
      return OpenMode::kOpen;
    case command::kOpenInNewWindow:
      return OpenMode::kNewWindowOrExplore;
    case command::kExploreParent:
      return OpenMode::kExploreParent;
    default:
      return std::nullopt;
  }
}

ShellOpenPlan PlanOpenWithShell(const FileRecord* focused, OpenMode mode) {
  ShellOpenPlan plan;
  if (focused == nullptr || !focused->OwningCatalog()->CanBeRefreshed()) return plan;
  const Catalog& catalog = *focused->OwningCatalog();
  const bool parentOfFile = !focused->IsDirectory() && mode == OpenMode::kExploreParent;
  const std::optional<std::string> path = NativeEntryPath(*focused);
  const std::optional<std::string> directory =
      parentOfFile ? NativeDirectoryPath(catalog, focused->dirNumber) : std::nullopt;
  if (!path || (parentOfFile && !directory)) {
    plan.messagePath =
        parentOfFile ? DisplayDirectoryPath(catalog, focused->dirNumber) : DisplayEntryPath(*focused);
    plan.unreachable = UnreachableReason(catalog);
    return plan;
  }
  plan.target = *path;
  plan.messagePath = *path;
  if (focused->IsDirectory()) {
    plan.call = mode == OpenMode::kOpen ? ShellCall::kOpenPath : ShellCall::kOpenDirectory;
  } else if (mode == OpenMode::kOpen) {
    plan.call = ShellCall::kOpenPath;
  } else if (mode == OpenMode::kNewWindowOrExplore) {
    plan.call = ShellCall::kStartDefaultApplication;
  } else {
    plan.call = ShellCall::kShowInFolder;
    plan.messagePath = *directory;
  }
  return plan;
}

OpenOutcome OpenWithShell(const FileRecord* focused, OpenMode mode, DesktopShell& shell, UserPrompts& prompts,
                          const VolumeQuery& volumes) {
  OpenOutcome outcome;
  const ShellOpenPlan plan = PlanOpenWithShell(focused, mode);
  if (!plan.unreachable.empty()) {
    outcome.message = FormatText(texts::kCannotOpen, plan.messagePath.c_str(), plan.unreachable.c_str());
    Warn(prompts, outcome.message);
    return outcome;
  }
  if (plan.call == ShellCall::kNone) return outcome;
  outcome.attempted = true;
  ShellResult result = Call(shell, plan.call, plan.target);
  if (plan.call == ShellCall::kShowInFolder && result.failure == ShellResult::Failure::kNoSuchFile) {
    // The file is gone but its folder may be there: exploring the parent still makes sense.
    result = shell.OpenDirectory(plan.messagePath);
  }
  outcome.succeeded = result.Succeeded();
  if (!outcome.succeeded) {
    const std::string reason = ShellFailureReason(result);
    outcome.message = FormatText(texts::kCannotOpen, plan.messagePath.c_str(), reason.c_str());
    const bool missing = result.failure == ShellResult::Failure::kNoSuchFile ||
                         result.failure == ShellResult::Failure::kNoSuchDirectory;
    const Catalog& catalog = *focused->OwningCatalog();
    if (missing && !HoldsCataloguedVolume(catalog, volumes))
      outcome.message += OtherMediumText(texts::kOtherMedium, catalog);
    Warn(prompts, outcome.message);
  }
  return outcome;
}

std::string OpenFailureReason(int code) {
  for (const texts::OpenFailureReason& reason : texts::kOpenFailureReasons) {
    if (reason.code == code) return reason.text;
  }
  return {};
}

std::string ShellFailureReason(const ShellResult& result) {
  using Failure = ShellResult::Failure;
  switch (result.failure) {
    case Failure::kNone:
      return {};
    case Failure::kNoSuchFile:
      return OpenFailureReason(kFileNotFound);
    case Failure::kNoSuchDirectory:
      return OpenFailureReason(kPathNotFound);
    case Failure::kPermissionDenied:
      return OpenFailureReason(kAccessDenied);
    case Failure::kNoApplication:
      return OpenFailureReason(kNoAssociation);
    case Failure::kOther:
      return result.systemText;
  }
  return {};
}

DeleteFilesResult DeleteSelectedFiles(CatalogLibrary& library, UserPrompts& prompts, DesktopShell& shell,
                                      const VolumeQuery& volumes, FormTab currentTab,
                                      std::span<const FileRecord* const> selected) {
  DeleteFilesResult result;
  // The question names the files (directory rows stay) and defaults to No.
  std::string files;
  int32_t fileRows = 0;
  for (const FileRecord* row : selected) {
    if (row == nullptr || row->IsDirectory()) continue;
    if (++fileRows <= texts::kMaxListedFiles) files += (files.empty() ? "" : "\n") + DisplayEntryPath(*row);
  }
  if (fileRows > texts::kMaxListedFiles)
    files += FormatText(texts::kMoreFiles, fileRows - texts::kMaxListedFiles);
  result.confirmed = prompts.Ask({.text = texts::kReallyDelete,
                                  .caption = texts::kApplicationTitle,
                                  .details = files,
                                  .defaultYes = false});
  if (!result.confirmed || currentTab == FormTab::kCatalog) return result;

  // The file rows to delete, each with its native path when it has one here.
  std::vector<std::pair<const FileRecord*, std::optional<std::string>>> rows;
  std::set<const FileRecord*> seen;
  for (const FileRecord* row : selected) {
    // Directory rows stay; a row the window lists twice is one file.
    if (row == nullptr || row->IsDirectory() || !seen.insert(row).second) continue;
    // Rows are dropped before their catalog goes; one not in the library cannot lose its record.
    if (!library.Contains(row->OwningCatalog())) continue;
    rows.emplace_back(row, NativeEntryPath(*row));
  }
  // Each medium is identified once; one that is not there stops the whole delete.
  std::set<const Catalog*> checked;
  for (const auto& [row, path] : rows) {
    if (!path || !checked.insert(row->OwningCatalog()).second) continue;
    if (HoldsCataloguedVolume(*row->OwningCatalog(), volumes)) continue;
    for (const auto& kept : rows) result.kept.push_back(kept.first);
    result.message = OtherMediumText(texts::kNotDeletedOtherMedium, *row->OwningCatalog());
    Warn(prompts, result.message);
    return result;
  }

  // The trashed records, by catalog in order of first appearance.
  std::vector<std::pair<const Catalog*, std::vector<const FileRecord*>>> doomed;
  std::set<std::string> trashedPaths;
  std::vector<FileProblem> problems;
  for (const auto& entry : rows) {
    const FileRecord* row = entry.first;
    const std::optional<std::string>& path = entry.second;
    if (!path) {
      problems.push_back({DisplayEntryPath(*row), UnreachableReason(*row->OwningCatalog())});
      result.kept.push_back(row);
      continue;
    }
    // Two loaded catalogs of the same volume name the same file: it goes to the trash once.
    if (!trashedPaths.contains(*path)) {
      const ShellResult trashed = shell.MoveToTrash(*path);
      if (!trashed.Succeeded()) {
        problems.push_back({*path, ShellFailureReason(trashed)});
        result.kept.push_back(row);
        continue;
      }
      trashedPaths.insert(*path);
      result.trashed.push_back(*path);
    }
    auto group = std::find_if(doomed.begin(), doomed.end(),
                              [row](const auto& g) { return g.first == row->OwningCatalog(); });
    if (group == doomed.end()) {
      doomed.push_back({row->OwningCatalog(), {}});
      group = doomed.end() - 1;
    }
    group->second.push_back(row);
  }

  for (const auto& [catalog, records] : doomed) {
    result.removed += library.RemoveRecords(*catalog, records);
    result.changed.push_back(catalog);
  }
  // After the records went, so that the window is whole again while the message is shown.
  result.message = FileProblemsMessage(texts::kNotTrashed, problems);
  if (!result.message.empty()) Warn(prompts, result.message);
  return result;
}

}  // namespace mardo
