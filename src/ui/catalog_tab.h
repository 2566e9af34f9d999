#pragma once

#include <QObject>

#include <memory>
#include <string>
#include <vector>

#include "platform/volume_query.h"
#include "scan/add_workflow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShortcut;
class QWidget;

namespace mardo {

class BackgroundScan;
class ComboHistoryView;
class SearchAdd;
class SettingsStore;

// The Catalog tab: the root directory with its history and "...", the ignore list with its
// history, the volume label, Add with its scan on a thread of its own (Cancel, Escape), Refresh
// and deleting catalogs. While a scan runs only this tab's inputs wait; the Search and Directory
// tabs go on with the loaded catalogs, and the new catalog joins at the end. Its controls are
// children of the form.
class CatalogTab final : public QObject, public CatalogForm {
  Q_OBJECT
 public:
  explicit CatalogTab(SearchAdd& form);
  ~CatalogTab() override;

  // Fills the ignore-list and root-directory boxes from their histories.
  void LoadHistories(const SettingsStore& store);

  bool Scanning() const;
  void OnRootSelected(int index);
  void OnRootLostFocus();
  void OnBrowseForRoot();
  void OnAdd();
  // Refresh of the focused catalog row.
  void OnRefresh();
  void CancelScan();
  // The window closes: a running scan is cancelled and left to end by itself; nothing it found
  // is stored. Never waits for it.
  void AbandonScan();
  // Deletes the catalogs of the selected catalog rows, after the question.
  void DeleteSelectedCatalogs();

  // CatalogForm, for the Add and Refresh workflow.
  std::string RootText() const override;
  void SetRootText(const std::string& text) override;
  std::string LabelText() const override;
  void SetLabelText(const std::string& text) override;
  std::string IgnoreText() const override;
  void SetStatusMessage(const std::string& text) override;
  void AddHistory(History history, const std::string& text) override;
  void RemoveCatalogRow(const Catalog* catalog) override;
  void AddCatalogRow(int32_t libraryPosition, bool select) override;
  void SortCatalogs() override;
  void ClearResults() override;
  void ShowCatalogCounts() override;
  void BeginWait() override;
  void EndWait() override;

  // The controls, by their place: row 0 (root directory, "...", ignore list), row 1 (the volume
  // label box, Add and, while a scan runs, Cancel, in one cell).
  QLabel* rootLabel = nullptr;
  QComboBox* rootBox = nullptr;
  QPushButton* browseButton = nullptr;
  QLabel* ignoreLabel = nullptr;
  QComboBox* ignoreBox = nullptr;
  QLabel* volumeLabelLabel = nullptr;
  QWidget* labelCell = nullptr;  // holds the three below
  QLineEdit* volumeLabelEdit = nullptr;
  QPushButton* addButton = nullptr;
  QPushButton* cancelButton = nullptr;

  // In visual order.
  std::vector<QWidget*> OwnControls() const;

 private:
  void StartScan(std::unique_ptr<ScanJob> job);
  void FinishScan();

  SearchAdd& form_;
  VolumeQuery volumes_;
  std::unique_ptr<AddWorkflow> workflow_;
  BackgroundScan* scan_ = nullptr;
  QShortcut* escape_ = nullptr;
  std::unique_ptr<ComboHistoryView> ignoredView_;
  std::unique_ptr<ComboHistoryView> directoriesView_;
};

}  // namespace mardo
