#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "search/date_formats.h"
#include "search/sort_state.h"
#include "store/catalog_library.h"

class QMimeData;
class QTabBar;

namespace mardo {

class CListCtrlEx;
class CatalogListModel;
class CatalogTab;
class DesktopShell;
class DirectoryTab;
class HistoryList;
class RecordListModel;
class RowActions;
class SearchTab;
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
  // Runs the drag of files out of a list (the desktop's drag loop when empty); takes the data.
  std::function<void(QWidget* source, QMimeData* data)> drag;
};

// The histories behind the form's three combo boxes; the document owns them.
struct FormHistories {
  HistoryList& patterns;
  HistoryList& ignored;
  HistoryList& directories;
};

// The whole user interface in one form: a tab strip (Search, Directory, Catalog) over the
// controls of the shown tab, and three lists that share one place. The form owns the loaded
// catalogs, the lists and their models; each tab's controls and behaviour are a class of their
// own (SearchTab, DirectoryTab, CatalogTab), and the row actions of the lists are RowActions.
class SearchAdd final : public QWidget {
  Q_OBJECT
 public:
  // `arguments`: the program's arguments after its name (-dir, -dd); `startDirectory`: where the
  // catalogs are (the current directory when not given).
  SearchAdd(FormHistories histories, StatusPanes& statusBar, FormServices services,
            std::vector<std::string> arguments, std::optional<std::string> startDirectory = std::nullopt,
            QWidget* parent = nullptr);
  ~SearchAdd() override;

  // Reads the settings and the histories, creates the columns, loads every catalog and fills the
  // catalog list. Called once, after the window exists.
  void OnInitialUpdate(SettingsStore& store);
  // Names the catalog directories and files the load passed over, in one message; nothing when
  // every catalog was loaded. Called once the window shows.
  void ReportLoadProblems();

  // The caption of the main window.
  QString Title() const { return title_; }

  // What the document saves when the main window closes.
  int32_t HitLimit() const;
  bool DirsFirst() const;
  std::vector<int32_t> ColumnWidths(ListKind list) const;

  // The tabs.
  SearchTab& Search() { return *searchTab_; }
  DirectoryTab& Directory() { return *directoryTab_; }
  CatalogTab& Catalogs() { return *catalogTab_; }
  RowActions& Actions() { return *actions_; }
  int CurrentTab() const { return currentTab_; }
  int ShownTab() const { return shownTab_; }
  bool ExpertMode() const { return expertMode_; }
  void ShowTabControls();
  void SelectCurrentList();
  void OnTabChange(int index);
  // Ctrl+Tab (1) and Ctrl+Shift+Tab (-1): the next tab that opens.
  void StepTab(int step);
  void OnEnterKey();
  void OnListDoubleClick();
  void OnSelectAll();

  // The lists.
  CListCtrlEx* ListOf(ListKind list) const;
  CListCtrlEx* CurrentList() const { return currentList_; }
  RecordListModel* RecordModel(ListKind list) const;
  CatalogListModel* CatalogModel() const { return catalogModel_; }
  const SortState& SortOf(ListKind list) const { return sortStates_[static_cast<size_t>(list)]; }
  void OnColumnClick(ListKind list, int column);
  void SortList(ListKind list);
  // The selected rows' records of the results and directory lists, and the selected catalogs, in
  // ascending row order; the record of a list's focused row.
  std::vector<const FileRecord*> SelectedRecords(ListKind list) const;
  std::vector<const Catalog*> SelectedCatalogs() const;
  const FileRecord* FocusedRecord(ListKind list) const;
  const Catalog* FocusedCatalog() const;
  const DateFormats& Formats() const { return formats_; }

  // The catalog list and the status counts.
  void AddCatalogRow(int32_t libraryPosition, bool select);
  void RemoveCatalogRow(const Catalog* catalog);
  void RefreshCatalogList();
  void ShowCatalogCounts();
  // The record-count pane.
  void ShowRecordCount();
  // Empties the results list and the hit count, and takes back the summary of its rows.
  void ClearResults();
  // A message-pane text that speaks of the rows in the results list: ClearResults puts the tab's
  // hint back while the pane still shows it.
  void ShowResultsSummary(const QString& text);

  // What the tabs share.
  const CatalogLibrary& Library() const { return library_; }
  CatalogLibrary& Library() { return library_; }
  const FormServices& Services() const { return services_; }
  UserPrompts& Prompts() { return *services_.prompts; }
  void SetPaneText(int pane, const QString& text) { statusBar_.SetPaneText(pane, text); }
  QString PaneText(int pane) const { return statusBar_.PaneText(pane); }
  // A message box with the application's title and the exclamation icon.
  void Message(const std::string& text);
  int64_t Now() const;
  const FormHistories& Histories() const { return histories_; }

 signals:
  // A scan ended and its result was stored (or not); for tests and the frame.
  void ScanFinished();
  // The tab strip's Directory tab can be used with Ctrl+U.
  void ParentCommandEnabled(bool enabled);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void LayOut();
  void InsertColumns(const SettingsStore& store);
  void UpdateSortIndicator(ListKind list);

  FormHistories histories_;
  StatusPanes& statusBar_;
  FormServices services_;
  CatalogLibrary library_;

  int currentTab_ = 0;
  int shownTab_ = 0;
  bool expertMode_ = false;
  DateFormats formats_;
  std::array<SortState, 3> sortStates_{SortState(ListKind::kResults), SortState(ListKind::kDirectory),
                                       SortState(ListKind::kCatalog)};
  QString title_;
  bool initialised_ = false;
  QString resultsSummary_;  // the pane-0 text ShowResultsSummary wrote last
  std::string loadProblems_;

  QTabBar* tabBar_ = nullptr;
  CListCtrlEx* resultsList_ = nullptr;
  CListCtrlEx* directoryList_ = nullptr;
  CListCtrlEx* catalogList_ = nullptr;
  CListCtrlEx* currentList_ = nullptr;
  RecordListModel* resultsModel_ = nullptr;
  RecordListModel* directoryModel_ = nullptr;
  CatalogListModel* catalogModel_ = nullptr;
  // The tabs are children of the form (Qt objects); the form keeps them to reach them.
  SearchTab* searchTab_ = nullptr;
  DirectoryTab* directoryTab_ = nullptr;
  CatalogTab* catalogTab_ = nullptr;
  RowActions* actions_ = nullptr;
};

}  // namespace mardo
