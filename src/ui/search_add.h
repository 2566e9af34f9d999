#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "scan/add_workflow.h"
#include "search/context_menu.h"
#include "search/directory_browser.h"
#include "search/shell_actions.h"
#include "search/sort_state.h"
#include "settings/settings_values.h"
#include "store/catalog_library.h"

class QCheckBox;
class QMimeData;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;

namespace mardo {

class CListCtrlEx;
class CMardoDoc;
class DesktopShell;
class CatalogListModel;
class ComboHistoryView;
class RecordListModel;
class SettingsStore;
class UserPrompts;

// The three panes of the main window's status bar: 0 messages, 1 hit count, 2 record count.
class StatusPanes {
 public:
  virtual ~StatusPanes() = default;
  virtual void SetPaneText(int pane, const QString& text) = 0;
  virtual QString PaneText(int pane) const = 0;
};

// What the form asks of the desktop besides message boxes.
struct FormServices {
  UserPrompts* prompts = nullptr;
  // The folder chooser of "..."; nothing when the user cancelled.
  std::function<std::optional<QString>(QWidget* parent, const QString& start)> chooseFolder;
  // The clock of the date conditions, seconds since 1970; the system clock when empty.
  std::function<int64_t()> now;
  // Called on the scan's thread just before it walks the tree (tests hold the scan there).
  std::function<void()> scanStarting;
  // Opening, exploring and trashing entries.
  DesktopShell* shell = nullptr;
};

// The whole user interface in one form: a tab strip (Search, Directory, Catalog) over one set of
// controls, shown and hidden per tab, and three lists that share one place. It owns the loaded
// catalogs and the pending catalog of the Add workflow; its lists refer to them.
class SearchAdd final : public QWidget, public CatalogForm, public CatalogObserver {
  Q_OBJECT
 public:
  // `arguments`: the program's arguments after its name (-dir, -dd); `startDirectory`: where the
  // catalogs are (the current directory when not given).
  SearchAdd(CMardoDoc& document, StatusPanes& statusBar, FormServices services,
            std::vector<std::string> arguments, std::optional<std::string> startDirectory = std::nullopt,
            QWidget* parent = nullptr);
  ~SearchAdd() override;

  // Reads the settings and the histories, creates the columns, loads every catalog and fills the
  // catalog list. Called once, after the window exists.
  void OnInitialUpdate(SettingsStore& store);

  // The caption of the main window.
  QString Title() const { return title_; }

  // What the document saves when the main window closes.
  int32_t HitLimit() const { return hitLimit_; }
  bool DirsFirst() const { return dirsFirst_; }
  std::vector<int32_t> ColumnWidths(ListKind list) const;

  // The tabs and the lists.
  int CurrentTab() const { return currentTab_; }
  int ShownTab() const { return shownTab_; }
  bool ExpertMode() const { return expertMode_; }
  CListCtrlEx* ListOf(ListKind list) const;
  CListCtrlEx* CurrentList() const { return currentList_; }
  const CatalogLibrary& Library() const { return library_; }
  CatalogLibrary& Library() { return library_; }
  const SortState& SortOf(ListKind list) const { return sortStates_[static_cast<size_t>(list)]; }
  const DirectoryBrowser& Browser() const { return browser_; }
  bool Scanning() const { return scanThread_.joinable(); }

  // Handlers, public so that the menu and the tests can reach them.
  void ShowTabControls();
  void SelectCurrentList();
  void OnTabChange(int index);
  void OnColumnClick(ListKind list, int column);
  void OnDirsFirstClicked();
  void ReadSearchConditions();
  void ClearResults() override;
  void OnHitLimitLostFocus();
  void OnListDoubleClick();
  void OpenDirectoryEntry();
  void OnParent();
  void OnSubdirectory();
  void OnEnterKey();
  void OnRootSelected(int index);
  void OnRootLostFocus();
  void OnBrowseForRoot();
  void OnAdd();
  void OnRefresh();
  void DeleteSelectedCatalogs();
  void OnSelectAll();
  void CancelScan();

  // The row actions: the context menu of the current list, its commands, the clipboard, the drag.
  std::vector<MenuItem> ContextMenuItems();
  void OnListRightClick(const QPoint& globalPosition);
  void RunCommand(int32_t command);
  void CopySelectedRows();
  // The drag data of the selected files of the current list, or nullptr when it has none.
  QMimeData* MakeDragData();
  void OnBeginDrag();
  void OpenWithShell(OpenMode mode);
  void OnDeleteFiles();
  // Waits for a running scan to end, cancelling it, and drops what it found (the window closes).
  void AbandonScan();

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
  void ShowCatalogCounts() override;
  void BeginWait() override;
  void EndWait() override;

  // CatalogObserver: the browsing state forgets what goes.
  void CatalogRemoving(const Catalog& catalog) override;
  void RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const> records) override;

  void RefreshCatalogList();

  // The selected rows' records of the results and directory lists, and the selected catalogs, in
  // ascending row order; the record of a list's focused row.
  std::vector<const FileRecord*> SelectedRecords(ListKind list) const;
  std::vector<const Catalog*> SelectedCatalogs() const;
  const FileRecord* FocusedRecord(ListKind list) const;
  // The selected rows of the current list when it is a file list (Search or Directory tab).
  std::vector<const FileRecord*> SelectedFileRows() const;
  const Catalog* FocusedCatalog() const;
  RecordListModel* RecordModel(ListKind list) const;
  CatalogListModel* CatalogModel() const { return catalogModel_; }

 signals:
  // A scan ended and its result was stored (or not); for tests and the frame.
  void ScanFinished();
  // The tab strip's Directory tab can be used with Ctrl+U.
  void ParentCommandEnabled(bool enabled);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct TabControls;

  void CreateControls();
  void InsertColumns(const FormSettings& settings, const SettingsStore& store);
  void ApplyListing(const DirectoryShow& show);
  void ApplyStep(const DirectoryBrowser::Step& step);
  void Message(const std::string& text);
  void SortList(ListKind list);
  void UpdateSortIndicator(ListKind list);
  void StartScan(std::unique_ptr<ScanJob> job);
  void FinishScan();
  bool ReadHitLimitField();
  int64_t Now() const;

  CMardoDoc& document_;
  StatusPanes& statusBar_;
  FormServices services_;
  CatalogLibrary library_;
  std::unique_ptr<AddWorkflow> workflow_;
  VolumeQuery volumes_;
  DirectoryBrowser browser_;

  int currentTab_ = 0;
  int shownTab_ = 0;
  bool expertMode_ = false;
  int32_t hitLimit_ = kDefaultHitLimit;
  bool dirsFirst_ = true;
  DateFormats formats_;
  std::array<SortState, 3> sortStates_{SortState(ListKind::kResults), SortState(ListKind::kDirectory),
                                       SortState(ListKind::kCatalog)};
  QString title_;
  bool initialised_ = false;
  // The catalog whose directory the directory list shows; nullptr when it shows none.
  const Catalog* listedCatalog_ = nullptr;

  // The scan that runs on its own thread while the form waits; its progress arrives queued.
  std::unique_ptr<ScanJob> scanJob_;
  std::thread scanThread_;
  std::atomic<bool> cancelScan_{false};

  // Controls, by their role; all are children of the form.
  QTabBar* tabBar_ = nullptr;
  QLabel* patternLabel_ = nullptr;
  QComboBox* patternBox_ = nullptr;
  QPushButton* searchButton_ = nullptr;
  QLabel* dateLabel_ = nullptr;
  QComboBox* dateOperatorBox_ = nullptr;
  QLineEdit* dateEdit_ = nullptr;
  QLabel* lengthLabel_ = nullptr;
  QComboBox* lengthOperatorBox_ = nullptr;
  QLineEdit* lengthEdit_ = nullptr;
  QCheckBox* selectedOnlyBox_ = nullptr;
  QComboBox* modeBox_ = nullptr;
  QLabel* captionLabel_ = nullptr;
  QLabel* hitLimitLabel_ = nullptr;
  QLineEdit* hitLimitEdit_ = nullptr;
  QLabel* hitLimitNote_ = nullptr;
  QCheckBox* dirsFirstBox_ = nullptr;
  QPushButton* parentButton_ = nullptr;
  QPushButton* subdirectoryButton_ = nullptr;
  QLabel* rootLabel_ = nullptr;
  QComboBox* rootBox_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QPushButton* addButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QLabel* ignoreLabel_ = nullptr;
  QComboBox* ignoreBox_ = nullptr;
  QLabel* volumeLabelLabel_ = nullptr;
  QLineEdit* volumeLabelEdit_ = nullptr;
  CListCtrlEx* resultsList_ = nullptr;
  CListCtrlEx* directoryList_ = nullptr;
  CListCtrlEx* catalogList_ = nullptr;
  CListCtrlEx* currentList_ = nullptr;
  RecordListModel* resultsModel_ = nullptr;
  RecordListModel* directoryModel_ = nullptr;
  CatalogListModel* catalogModel_ = nullptr;
  std::unique_ptr<ComboHistoryView> patternView_;
  std::unique_ptr<ComboHistoryView> ignoredView_;
  std::unique_ptr<ComboHistoryView> directoriesView_;
};

}  // namespace mardo
