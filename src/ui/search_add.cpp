// SearchAdd: the tab strip, the lists, the layout, the tabs and the initial update.
#include "ui/search_add.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>

#include "base/format_text.h"
#include "platform/local_time.h"
#include "platform/user_prompts.h"
#include "search/search_texts.h"
#include "settings/app_texts.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"
#include "settings/window_title.h"
#include "ui/catalog_tab.h"
#include "ui/directory_tab.h"
#include "ui/form_controls.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"
#include "ui/row_actions.h"
#include "ui/search_tab.h"

namespace mardo {

SearchAdd::SearchAdd(FormHistories histories, StatusPanes& statusBar, FormServices services,
                     std::vector<std::string> arguments, std::optional<std::string> startDirectory,
                     QWidget* parent)
    : QWidget(parent),
      histories_(histories),
      statusBar_(statusBar),
      services_(std::move(services)),
      library_(std::move(arguments), std::move(startDirectory)) {
  setObjectName("SearchAdd");
  CreateControls();
  LayOut();
}

SearchAdd::~SearchAdd() {
  catalogTab_->AbandonScan();
  // The rows go before the catalogs they refer to.
  library_.RemoveObserver(resultsModel_);
  library_.RemoveObserver(directoryModel_);
  library_.RemoveObserver(catalogModel_);
  resultsModel_->Clear();
  directoryModel_->Clear();
  catalogModel_->Clear();
  delete catalogTab_;
  catalogTab_ = nullptr;
  delete directoryTab_;
  directoryTab_ = nullptr;
}

void SearchAdd::CreateControls() {
  tabBar_ = new QTabBar(this);
  tabBar_->setObjectName("tabs");
  tabBar_->setAccessibleName("Tabs");
  tabBar_->setDrawBase(true);
  tabBar_->setExpanding(false);

  // The three lists, in one place.
  resultsModel_ = new RecordListModel(ListKind::kResults, this);
  directoryModel_ = new RecordListModel(ListKind::kDirectory, this);
  catalogModel_ = new CatalogListModel(this);
  const struct {
    CListCtrlEx*& list;
    ListModelBase* model;
    const char* name;
    const char* accessible;
  } lists[] = {{resultsList_, resultsModel_, "results", "Search results"},
               {directoryList_, directoryModel_, "directory", "Directory"},
               {catalogList_, catalogModel_, "catalogs", "Catalogs"}};
  for (const auto& l : lists) {
    l.list = new CListCtrlEx(this);
    l.list->setObjectName(l.name);
    l.list->setAccessibleName(l.accessible);
    l.list->setModel(l.model);
    l.model->SetSelectionModel(l.list->selectionModel());
  }
  currentList_ = resultsList_;
  library_.AddObserver(resultsModel_);
  library_.AddObserver(directoryModel_);
  library_.AddObserver(catalogModel_);

  searchTab_ = new SearchTab(*this);
  directoryTab_ = new DirectoryTab(*this);
  catalogTab_ = new CatalogTab(*this);
  actions_ = new RowActions(*this);
  for (CListCtrlEx* list : {resultsList_, directoryList_, catalogList_}) actions_->Attach(list);
  // Files drag out of the two file lists, as copies.
  for (CListCtrlEx* list : {resultsList_, directoryList_}) {
    list->setDragEnabled(true);
    list->setDragDropMode(QAbstractItemView::DragOnly);
    list->setDefaultDropAction(Qt::CopyAction);
  }

  // Enter anywhere in the form, focus on the lists and the edits included, is the default button;
  // leaving the hit-limit field and the root box has its own meaning.
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) w->installEventFilter(this);
  for (QComboBox* box : findChildren<QComboBox*>(Qt::FindDirectChildrenOnly))
    if (box->lineEdit() != nullptr) box->lineEdit()->installEventFilter(this);
  catalogTab_->volumeLabelEdit->installEventFilter(this);

  // Ctrl+Tab and Ctrl+PgDown go to the next tab, Ctrl+Shift+Tab and Ctrl+PgUp to the previous one.
  const std::pair<QKeySequence, int> steps[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                                {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                                                {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
  for (const auto& [keys, step] : steps) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, step = step] { StepTab(step); });
  }

  connect(tabBar_, &QTabBar::currentChanged, this, [this](int index) {
    if (initialised_) OnTabChange(index);
  });
  for (CListCtrlEx* list : {resultsList_, directoryList_, catalogList_}) {
    const auto kind = list == resultsList_     ? ListKind::kResults
                      : list == directoryList_ ? ListKind::kDirectory
                                               : ListKind::kCatalog;
    connect(list, &CListCtrlEx::HeaderClicked, this,
            [this, kind](int column) { OnColumnClick(kind, column); });
  }
  connect(resultsList_, &QAbstractItemView::doubleClicked, this, &SearchAdd::OnListDoubleClick);
  connect(catalogList_, &QAbstractItemView::doubleClicked, this, &SearchAdd::OnListDoubleClick);
  connect(directoryList_, &QAbstractItemView::doubleClicked, directoryTab_,
          &DirectoryTab::OpenDirectoryEntry);
}

void SearchAdd::LayOut() {
  // Two rows of controls over the lists. Each tab shows its own controls in them; hidden controls
  // take no room, so each tab's columns fit its own controls.
  SearchTab& s = *searchTab_;
  DirectoryTab& d = *directoryTab_;
  CatalogTab& c = *catalogTab_;
  auto* grid = new QGridLayout();
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  const struct {
    QWidget* control;
    int row, column, columns;
  } cells[] = {
      // Search: Pattern [pattern] YYMMDD [op] [date] Length [op] [length] / [Search] scope, mode.
      {s.patternLabel, 0, 0, 1},
      {s.patternBox, 0, 1, 1},
      {s.dateLabel, 0, 2, 1},
      {s.dateOperatorBox, 0, 3, 1},
      {s.dateEdit, 0, 4, 1},
      {s.lengthLabel, 0, 5, 1},
      {s.lengthOperatorBox, 0, 6, 1},
      {s.lengthEdit, 0, 7, 1},
      {s.searchButton, 1, 1, 1},
      {s.selectedOnlyBox, 1, 2, 3},
      {s.modeBox, 1, 5, 3},
      // Directory: caption, Hit limit [limit] < 5120, Dirs before files / [Parent] [Subdirectory].
      {d.captionLabel, 0, 0, 1},
      {d.hitLimitLabel, 0, 2, 1},
      {d.hitLimitEdit, 0, 3, 1},
      {d.hitLimitNote, 0, 4, 1},
      {d.dirsFirstBox, 0, 5, 2},
      {d.parentButton, 1, 0, 1},
      {d.subdirectoryButton, 1, 1, 1},
      // Catalog: Root directory [root] [...] Ignore files [ignore] / Volume label [label] [Add].
      {c.rootLabel, 0, 0, 1},
      {c.rootBox, 0, 1, 1},
      {c.browseButton, 0, 2, 1},
      {c.ignoreLabel, 0, 3, 1},
      {c.ignoreBox, 0, 4, 4},
      {c.volumeLabelLabel, 1, 0, 1},
      {c.labelCell, 1, 1, 1},
  };
  for (const auto& cell : cells) grid->addWidget(cell.control, cell.row, cell.column, 1, cell.columns);
  grid->setColumnStretch(8, 1);

  auto* listArea = new QGridLayout();
  listArea->setContentsMargins(0, 0, 0, 0);
  for (CListCtrlEx* list : {resultsList_, directoryList_, catalogList_}) listArea->addWidget(list, 0, 0);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->setSpacing(6);
  layout->addWidget(tabBar_);
  layout->addLayout(grid);
  layout->addLayout(listArea, 1);

  // Tab follows the visual order of each tab: its rows from left to right, then its list. Hidden
  // controls are passed over, so one chain serves the three tabs.
  const std::vector<QWidget*> chain = {
      tabBar_,        s.patternBox,   s.dateOperatorBox, s.dateEdit,     s.lengthOperatorBox,  s.lengthEdit,
      s.searchButton, d.hitLimitEdit, d.dirsFirstBox,    d.parentButton, d.subdirectoryButton, c.rootBox,
      c.browseButton, c.ignoreBox,    c.volumeLabelEdit, c.addButton,    s.selectedOnlyBox,    s.modeBox,
      resultsList_,   directoryList_, catalogList_};
  for (size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void SearchAdd::OnInitialUpdate(SettingsStore& store) {
  title_ = Text(WindowTitle(library_.StartDirectory()));
  expertMode_ = library_.Options().expertMode;
  for (CListCtrlEx* list : {resultsList_, directoryList_, catalogList_}) list->SetFullRowSelect(true);
  resultsList_->SetDirectoryMarking(true);
  directoryList_->SetDirectoryMarking(true);
  currentTab_ = shownTab_ = 0;
  for (const char* label : texts::kTabLabels) tabBar_->addTab(label);
  for (int i = 0; i < tabBar_->count(); ++i) tabBar_->setTabData(i, i);

  const FormSettings settings = ReadFormSettings(store);
  directoryTab_->SetUp(settings.hitLimit, settings.dirsFirst != 0);
  formats_ = settings.formats;
  resultsModel_->SetDateFormat(formats_.result);
  directoryModel_->SetDateFormat(formats_.dir);
  catalogModel_->SetDateFormat(formats_.catalog);
  InsertColumns(store);
  searchTab_->LoadHistory(store);
  catalogTab_->LoadHistories(store);

  ShowTabControls();
  initialised_ = true;
  const std::vector<CatalogLibrary::SkippedFile> directories = library_.UnreadableDirectories();
  const std::vector<CatalogLibrary::SkippedFile> skipped = library_.LoadAll();
  loadProblems_ = LoadProblemsText(directories, skipped);
  RefreshCatalogList();
  // The window opens ready for typing a pattern.
  searchTab_->patternBox->setFocus();
}

void SearchAdd::ReportLoadProblems() {
  if (loadProblems_.empty()) return;
  const std::string text = std::exchange(loadProblems_, std::string());
  services_.prompts->Message(text, texts::kApplicationTitle, UserPrompts::Icon::kExclamation);
}

int32_t SearchAdd::HitLimit() const {
  return directoryTab_->HitLimit();
}

bool SearchAdd::DirsFirst() const {
  return directoryTab_->DirsFirst();
}

void SearchAdd::InsertColumns(const SettingsStore& store) {
  // The built-in widths were made for a font of 6-pixel digits; they grow with the list's font.
  // Widths from the settings file are the user's own pixels and stay as they are.
  const double scale = std::max(1.0, resultsList_->fontMetrics().horizontalAdvance("0123456789") / 60.0);
  for (const ListKind list : {ListKind::kResults, ListKind::kDirectory, ListKind::kCatalog}) {
    std::vector<int32_t> stored(SavedColumnCount(list));
    size_t kept = 0;
    if (const std::optional<std::string> text =
            store.ReadString(settings::kSettingsSection, ColumnWidthName(list)))
      kept = ParseColumnWidths(*text, stored);
    QHeaderView* header = ListOf(list)->horizontalHeader();
    const std::vector<int32_t> width = ReadColumnWidths(store, list);
    for (size_t c = 0; c < width.size(); ++c) {
      const int32_t pixels = c < kept ? width[c] : static_cast<int32_t>(width[c] * scale + 0.5);
      header->resizeSection(static_cast<int>(c), std::max(pixels, 0));
    }
    UpdateSortIndicator(list);
  }
}

std::vector<int32_t> SearchAdd::ColumnWidths(ListKind list) const {
  std::vector<int32_t> widths;
  const QHeaderView* header = ListOf(list)->horizontalHeader();
  for (int c = 0; c < header->count(); ++c) widths.push_back(header->sectionSize(c));
  return widths;
}

CListCtrlEx* SearchAdd::ListOf(ListKind list) const {
  switch (list) {
    case ListKind::kResults:
      return resultsList_;
    case ListKind::kDirectory:
      return directoryList_;
    case ListKind::kCatalog:
      break;
  }
  return catalogList_;
}

RecordListModel* SearchAdd::RecordModel(ListKind list) const {
  return list == ListKind::kResults ? resultsModel_ : directoryModel_;
}

void SearchAdd::ShowTabControls() {
  if (currentTab_ < 0 || currentTab_ > 2) return;
  std::vector<QWidget*> shown;
  switch (static_cast<FormTab>(currentTab_)) {
    case FormTab::kSearch:
      shown = searchTab_->OwnControls();
      shown.insert(shown.end(), {searchTab_->selectedOnlyBox, searchTab_->modeBox, resultsList_});
      break;
    case FormTab::kDirectory:
      shown = directoryTab_->OwnControls();
      shown.push_back(directoryList_);
      break;
    case FormTab::kCatalog:
      shown = catalogTab_->OwnControls();
      shown.insert(shown.end(), {searchTab_->selectedOnlyBox, searchTab_->modeBox, catalogList_});
      break;
  }
  // A focus on a control that goes moves to the first control of the tab that comes.
  QWidget* focus = QApplication::focusWidget();
  const bool focusGoes = focus != nullptr && isAncestorOf(focus) && !tabBar_->isAncestorOf(focus) &&
                         focus != tabBar_ && std::none_of(shown.begin(), shown.end(), [focus](QWidget* c) {
                           return c == focus || c->isAncestorOf(focus);
                         });
  // Hide first, so that the focus never lands on a control that is about to go.
  for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (control != tabBar_ && std::find(shown.begin(), shown.end(), control) == shown.end())
      control->setVisible(false);
  for (QWidget* control : shown) control->setVisible(true);
  if (focusGoes) {
    QWidget* first = currentTab_ == 0   ? static_cast<QWidget*>(searchTab_->patternBox)
                     : currentTab_ == 1 ? static_cast<QWidget*>(directoryList_)
                                        : static_cast<QWidget*>(catalogTab_->rootBox);
    first->setFocus(Qt::TabFocusReason);
  }
  statusBar_.SetPaneText(0, texts::kTabHints[currentTab_]);
  emit ParentCommandEnabled(currentTab_ == static_cast<int>(FormTab::kDirectory));
}

void SearchAdd::SelectCurrentList() {
  if (currentTab_ >= 0 && currentTab_ <= 2) currentList_ = ListOf(static_cast<ListKind>(currentTab_));
}

void SearchAdd::OnTabChange(int index) {
  currentTab_ = index;
  if (currentTab_ == shownTab_) return;
  const DirectoryBrowser::TabChange change = directoryTab_->ChangeTab(currentTab_, shownTab_);
  if (!change.accepted) {
    directoryTab_->ApplyStep(change.step);
    currentTab_ = shownTab_;
    const QSignalBlocker blocker(tabBar_);
    tabBar_->setCurrentIndex(shownTab_);
    return;
  }
  shownTab_ = currentTab_;
  ShowTabControls();
  // After the tab's hint, so that a note about the listing stays.
  directoryTab_->ApplyStep(change.step);
}

void SearchAdd::StepTab(int step) {
  if (!tabBar_->isEnabled()) return;
  tabBar_->setCurrentIndex(
      NextTab(shownTab_, step, SelectedRecords(ListKind::kResults).size(), SelectedCatalogs().size()));
}

void SearchAdd::OnListDoubleClick() {
  // As if the user had chosen the Directory tab.
  {
    const QSignalBlocker blocker(tabBar_);
    tabBar_->setCurrentIndex(static_cast<int>(FormTab::kDirectory));
  }
  OnTabChange(static_cast<int>(FormTab::kDirectory));
}

void SearchAdd::OnSelectAll() {
  if (currentTab_ >= 0 && currentTab_ <= 2) ListOf(static_cast<ListKind>(currentTab_))->SelectAllRows();
}

void SearchAdd::Message(const std::string& text) {
  services_.prompts->Message(text, texts::kApplicationTitle, UserPrompts::Icon::kExclamation);
}

int64_t SearchAdd::Now() const {
  return services_.now ? services_.now() : CurrentTime();
}

bool SearchAdd::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    // An open drop-down list takes Enter for itself; a focused button presses itself.
    const auto* box = qobject_cast<QComboBox*>(watched);
    if (enter && key->modifiers() == Qt::NoModifier && !(box != nullptr && box->view()->isVisible()) &&
        qobject_cast<QPushButton*>(watched) == nullptr) {
      OnEnterKey();
      return true;
    }
  } else if (event->type() == QEvent::FocusOut) {
    const auto* focus = static_cast<QFocusEvent*>(event);
    if (watched == directoryTab_->hitLimitEdit) directoryTab_->OnHitLimitLostFocus();
    QComboBox* root = catalogTab_->rootBox;
    // Leaving the box means going to another control of the window, not to a dialog or another
    // window, nor into the box's own drop-down list.
    if ((watched == root || watched == root->lineEdit()) && focus->reason() != Qt::PopupFocusReason &&
        focus->reason() != Qt::ActiveWindowFocusReason && !root->isAncestorOf(QApplication::focusWidget()) &&
        QApplication::focusWidget() != root)
      catalogTab_->OnRootLostFocus();
  }
  return QWidget::eventFilter(watched, event);
}

void SearchAdd::OnEnterKey() {
  switch (EnterKeyAction(currentTab_)) {
    case EnterAction::kSearch:
      searchTab_->ReadSearchConditions();
      break;
    case EnterAction::kSubdirectory:
      directoryTab_->OnSubdirectory();
      break;
    case EnterAction::kAdd:
      catalogTab_->OnAdd();
      break;
    case EnterAction::kNothing:
      break;
  }
}

void SearchAdd::OnColumnClick(ListKind list, int column) {
  sortStates_[static_cast<size_t>(list)].OnColumnClick(column);
  SortList(list);
}

void SearchAdd::SortList(ListKind list) {
  const SortState& state = sortStates_[static_cast<size_t>(list)];
  if (list == ListKind::kCatalog) {
    catalogModel_->Sort(state);
  } else {
    RecordModel(list)->Sort(state, DirsFirst());
  }
  UpdateSortIndicator(list);
}

void SearchAdd::UpdateSortIndicator(ListKind list) {
  // The indicator marks the column that decides first, in its direction.
  const SortState& state = sortStates_[static_cast<size_t>(list)];
  const int column = state.Keys()[0] - 1;
  if (column < 0) return;
  ListOf(list)->horizontalHeader()->setSortIndicator(
      column, state.Direction(column) == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::vector<const FileRecord*> SearchAdd::SelectedRecords(ListKind list) const {
  std::vector<const FileRecord*> records;
  const RecordListModel* model = RecordModel(list);
  for (const int row : ListOf(list)->SelectedRows())
    if (const FileRecord* record = model->At(row)) records.push_back(record);
  return records;
}

std::vector<const Catalog*> SearchAdd::SelectedCatalogs() const {
  std::vector<const Catalog*> catalogs;
  for (const int row : catalogList_->SelectedRows())
    if (const Catalog* catalog = catalogModel_->At(row)) catalogs.push_back(catalog);
  return catalogs;
}

const FileRecord* SearchAdd::FocusedRecord(ListKind list) const {
  return RecordModel(list)->At(ListOf(list)->FocusedRow());
}

const Catalog* SearchAdd::FocusedCatalog() const {
  return catalogModel_->At(catalogList_->FocusedRow());
}

void SearchAdd::AddCatalogRow(int32_t libraryPosition, bool select) {
  const auto& catalogs = library_.Catalogs();
  if (libraryPosition < 0 || libraryPosition >= catalogs.Size()) return;
  catalogModel_->InsertRow(libraryPosition, catalogs[libraryPosition]);
  if (!select) return;
  const QModelIndex index = catalogModel_->index(std::min(libraryPosition, catalogModel_->Count() - 1), 0);
  catalogList_->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  catalogList_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void SearchAdd::RemoveCatalogRow(const Catalog* catalog) {
  catalogModel_->RemoveRow(catalog);
}

void SearchAdd::RefreshCatalogList() {
  catalogModel_->Clear();
  for (int32_t i = 0; i < library_.Catalogs().Size(); ++i) AddCatalogRow(i, false);
  SortList(ListKind::kCatalog);
  ShowCatalogCounts();
}

void SearchAdd::ShowCatalogCounts() {
  statusBar_.SetPaneText(1, QString());
  ShowRecordCount();
  statusBar_.SetPaneText(0, Text(FormatText(texts::kCatalogsLoaded, library_.CatalogCount())));
}

void SearchAdd::ShowRecordCount() {
  statusBar_.SetPaneText(2, QString::number(library_.RecordCount()));
}

void SearchAdd::ClearResults() {
  if (!initialised_) return;
  resultsModel_->Clear();
  statusBar_.SetPaneText(1, QString());
}

}  // namespace mardo
