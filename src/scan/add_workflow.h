#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/volume_query.h"
#include "scan/tree_scanner.h"
#include "store/catalog.h"

namespace mardo {

class CatalogLibrary;
class UserPrompts;

// The part of the Catalog tab that the Add and Refresh workflow reads and fills. The window
// implements it with its widgets, the command line with its options and the terminal.
class CatalogForm {
 public:
  enum class History { kDirectories, kIgnored };

  virtual ~CatalogForm() = default;

  virtual std::string RootText() const = 0;
  virtual void SetRootText(const std::string& text) = 0;
  virtual std::string LabelText() const = 0;
  virtual void SetLabelText(const std::string& text) = 0;
  virtual std::string IgnoreText() const = 0;

  // The message pane of the status bar.
  virtual void SetStatusMessage(const std::string& text) = 0;
  virtual void AddHistory(History history, const std::string& text) = 0;

  // The catalog list and the results list, whose rows refer to catalogs and records.
  virtual void RemoveCatalogRow(const Catalog* catalog) = 0;
  virtual void AddCatalogRow(int32_t libraryPosition, bool select) = 0;
  virtual void SortCatalogs() = 0;
  virtual void ClearResults() = 0;
  // Hit-count pane cleared, record count, "%d catalogs loaded".
  virtual void ShowCatalogCounts() = 0;

  // Around the scan: from the moment a scan is prepared until it is committed (the wait cursor,
  // or the disabled form with its Cancel button).
  virtual void BeginWait() {}
  virtual void EndWait() {}
  // For a scan run on the caller's thread: progress, at most about every 100 ms, and a flag the
  // front end sets to cancel (nullptr when it cannot cancel).
  virtual void ScanProgress(const mardo::ScanProgress& progress) { (void)progress; }
  virtual const std::atomic<bool>* CancelFlag() { return nullptr; }
};

// One scan that the workflow prepared: the catalog to fill and the tree to walk. Run touches
// nothing but the job itself, so it may run on a worker thread while the caller's thread goes on;
// the job then goes back to the workflow's Commit on the caller's thread.
class ScanJob {
 public:
  ~ScanJob();

  // Measures the free space of the volume and walks the tree. `cancel` (may be nullptr) stops the
  // walk when it becomes true; `progress` (may be empty) is called on this thread.
  void Run(const std::atomic<bool>* cancel, const TreeScanner::ProgressCallback& progress);

  // The directory the scan walks.
  const std::string& Root() const { return root_; }

 private:
  friend class AddWorkflow;
  ScanJob() = default;

  std::unique_ptr<Catalog> catalog_;
  std::string root_;
  std::string ignore_;
  std::vector<std::string> ignoreNotes_;
  bool silent_ = false;
  // The catalog name identification gave, before a typed label took its place: what the pending
  // catalog gets back when nothing was stored, for another try.
  std::string identifiedName_;
  VolumeQuery volumes_;
  // The catalog this one replaces once it has found something, and that catalog's file.
  const Catalog* replaced_ = nullptr;
  std::string replacedPath_;

  bool ran_ = false;
  int32_t found_ = 0;
  bool cancelled_ = false;
  std::string refusal_;
  UnreadableDirectories unreadable_;
};

// Catalogues the volume or directory of the root box under the label of the label box, and
// refreshes existing catalogs from their media. Holds the pending catalog that identification
// fills. Each Add and Refresh has three steps: Prepare (the checks and questions, on the caller's
// thread), ScanJob::Run (on any thread), Commit (library changes, rows and messages, on the
// caller's thread).
class AddWorkflow {
 public:
  // How an Add or Refresh ended.
  enum class Outcome {
    kNothing,     // stopped, declined, cancelled, refused, or the scan found nothing: nothing changed
    kStored,      // the catalog joined the library and its file was written
    kNotWritten,  // the file could not be written: nothing changed, the catalog it was to replace
                  // stays with its file as it was
  };

  struct Result {
    Outcome outcome = Outcome::kNothing;
    std::string message;      // what the message pane says at the end
    bool cancelled = false;   // the user cancelled the scan
    bool refused = false;     // the scan refused the tree (more entries than a catalog holds)
    std::string catalogPath;  // kStored, kNotWritten: the catalog file
    std::string writeError;   // kNotWritten: why the file could not be written
    // Directories of the tree that could not be read (stored as empty), and the first few of them.
    int32_t unreadableCount = 0;
    std::vector<std::string> unreadablePaths;
    // Entries that could not be looked at (left out of the catalog), and the first few of them.
    int32_t unreadableEntryCount = 0;
    std::vector<std::string> unreadableEntryPaths;
    // The ignore patterns that are not read as they may have been meant, and how they are read.
    std::vector<std::string> ignoreNotes;
  };

  AddWorkflow(CatalogLibrary& library, CatalogForm& form, UserPrompts& prompts, const VolumeQuery& volumes);
  ~AddWorkflow();

  // Identifies the volume of `rootPath` into the pending catalog and proposes its label in the
  // label box; on failure clears both boxes, then tells the user ("Volume label error"). Returns
  // whether the volume was identified.
  bool IdentifyVolume(const std::string& rootPath);

  // The Add button (silent false): checks the boxes, records the histories and asks before
  // replacing a catalog of the same volume or name (the question's details name it). Returns the
  // scan to run, or nullptr when the workflow stopped (the user has been told why).
  std::unique_ptr<ScanJob> PrepareAdd(bool silent);

  // Catalogues again the directory `catalog` (version 2 or more) was made from, if the same medium
  // is there, to replace that catalog and only that one, without asking. Refuses when the stored
  // path cannot be trusted to name the directory that was catalogued. nullptr when there is
  // nothing to scan (the user has been told why).
  std::unique_ptr<ScanJob> PrepareRefresh(const Catalog* catalog);

  // Stores what the scan found: the new catalog's file is written first; only then does the
  // replaced catalog go (if it is still there) and the new one join the library; the rows, counts
  // and messages follow. When the scan found nothing, was cancelled or the file could not be
  // written, the library and the lists stay as they were. After a cancelled scan or a failed write
  // the boxes and the identified volume stay for another try; otherwise both boxes are cleared.
  Result Commit(std::unique_ptr<ScanJob> job);

  // The three steps on the caller's thread, with the form's progress and cancel flag.
  Result AddVolume(bool silent);
  Result RefreshCatalog(const Catalog* catalog);

  Catalog& Pending() { return *pending_; }

 private:
  // `root`: the directory to scan; the root box's text when not given.
  std::unique_ptr<ScanJob> Prepare(bool silent, const Catalog* refreshed,
                                   std::optional<std::string> root = std::nullopt);
  Result RunHere(std::unique_ptr<ScanJob> job);
  void RemoveReplacedCatalog(const Catalog* replaced);
  void ResetPending();
  // A new pending catalog with the scanned catalog's identity; the boxes keep their texts.
  void KeepForAnotherTry(const ScanJob& job);

  CatalogLibrary& library_;
  CatalogForm& form_;
  UserPrompts& prompts_;
  const VolumeQuery& volumes_;
  std::unique_ptr<Catalog> pending_;
};

// What the window tells after a stored scan that could not read some directories: their number,
// then the paths of the first of them (the scanner keeps ten), one per line, and how many more.
// Empty when every directory was read.
std::string UnreadableDirectoriesText(const AddWorkflow::Result& result);

// What the message pane says after an Add or Refresh: the result's message, then the directories
// and entries that could not be read (when a catalog was stored), then the notes on the ignore list.
std::string ScanStatusText(const AddWorkflow::Result& result);

// The directory a catalog was made from, in the catalog's own form: its volume root, and for a
// catalog of a subdirectory (label "[\photos\2000]") that subdirectory's catalog path
// ("\photos\2000"). `cut` tells that the label was cut when the catalog was written, so the
// subdirectory is not known.
struct CatalogOrigin {
  std::string volumeRoot;
  std::string subdirectory;  // catalog form; empty for the volume root
  bool cut = false;
};
CatalogOrigin OriginOf(const Catalog& catalog);

}  // namespace mardo
