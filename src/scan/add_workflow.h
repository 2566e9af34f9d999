#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "scan/tree_scanner.h"
#include "store/catalog.h"

namespace mardo {

class CatalogLibrary;
class UserPrompts;
class VolumeQuery;

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

  // Around the long part of the work (the wait cursor).
  virtual void BeginWait() {}
  virtual void EndWait() {}
  // Progress of the scan, at most about every 100 ms.
  virtual void ScanProgress(const mardo::ScanProgress& progress) { (void)progress; }
  // A flag the front end sets to cancel the scan; nullptr when it cannot cancel.
  virtual const std::atomic<bool>* CancelFlag() { return nullptr; }
};

// Catalogues the volume or directory of the root box under the label of the label box, and
// refreshes existing catalogs from their media. Holds the pending catalog that identification and
// the scan fill.
class AddWorkflow {
 public:
  // How an Add or Refresh ended.
  enum class Outcome {
    kNothing,     // stopped, declined, cancelled, or the scan found nothing: nothing changed
    kStored,      // the catalog joined the library and its file was written
    kNotWritten,  // the catalog joined the library for this run, but its file could not be written
  };

  AddWorkflow(CatalogLibrary& library, CatalogForm& form, UserPrompts& prompts, const VolumeQuery& volumes);
  ~AddWorkflow();

  // Identifies the volume of `rootPath` into the pending catalog and proposes its label in the
  // label box; on failure tells the user ("Volume label error") and clears both boxes. Returns
  // whether the volume was identified.
  bool IdentifyVolume(const std::string& rootPath);

  // The Add button (silent false). Asks before replacing a catalog of the same volume or name;
  // the old catalog stays until its replacement has been scanned.
  Outcome AddVolume(bool silent);

  // Catalogues again the volume behind `catalog` (version 2 or more) and replaces that catalog,
  // and only that one, without asking.
  Outcome RefreshCatalog(const Catalog* catalog);

  Catalog& Pending() { return *pending_; }

 private:
  Outcome Run(bool silent, const Catalog* refreshed);
  void RemoveReplacedCatalog(const Catalog* replaced);
  void MeasureFreeSpace(const std::string& rootPath);
  void ResetPending();

  CatalogLibrary& library_;
  CatalogForm& form_;
  UserPrompts& prompts_;
  const VolumeQuery& volumes_;
  std::unique_ptr<Catalog> pending_;
};

}  // namespace mardo
