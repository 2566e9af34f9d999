// SearchAdd: the controls, their layout, the tabs and the initial update.
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
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QTabBar>

#include "app/mardo_doc.h"
#include "platform/local_time.h"
#include "platform/user_prompts.h"
#include "search/command_ids.h"
#include "search/search_texts.h"
#include "settings/app_texts.h"
#include "settings/settings_store.h"
#include "settings/window_title.h"
#include "ui/combo_history_view.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"

namespace mardo {
namespace {

// The longest text the pattern, ignore-list and root-directory boxes take.
constexpr int kComboTextLimit = 128;

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* MakeLabel(const char* text, const char* name, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(name);
  if (buddy != nullptr) {
    label->setBuddy(buddy);
    buddy->setAccessibleName(label->text());
  }
  return label;
}

QComboBox* MakeCombo(const char* name, bool editable, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setEditable(editable);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  return box;
}

QPushButton* MakeButton(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(name);
  button->setAccessibleName(button->text().remove('&'));
  // Enter on a focused button presses it, as in a dialog.
  button->setAutoDefault(true);
  return button;
}

}  // namespace

SearchAdd::SearchAdd(CMardoDoc& document, StatusPanes& statusBar, FormServices services,
                     std::vector<std::string> arguments, std::optional<std::string> startDirectory,
                     QWidget* parent)
    : QWidget(parent),
      document_(document),
      statusBar_(statusBar),
      services_(std::move(services)),
      library_(std::move(arguments), std::move(startDirectory)) {
  setObjectName("SearchAdd");
  workflow_ = std::make_unique<AddWorkflow>(library_, *this, *services_.prompts, volumes_);
  CreateControls();
  library_.AddObserver(resultsModel_);
  library_.AddObserver(directoryModel_);
  library_.AddObserver(catalogModel_);
  library_.AddObserver(&browser_);
  library_.AddObserver(this);
}

SearchAdd::~SearchAdd() {
  AbandonScan();
  // The rows go before the catalogs they refer to.
  library_.RemoveObserver(this);
  library_.RemoveObserver(&browser_);
  library_.RemoveObserver(catalogModel_);
  library_.RemoveObserver(directoryModel_);
  library_.RemoveObserver(resultsModel_);
  resultsModel_->Clear();
  directoryModel_->Clear();
  catalogModel_->Clear();
}

void SearchAdd::CreateControls() {
  tabBar_ = new QTabBar(this);
  tabBar_->setObjectName("tabs");
  tabBar_->setAccessibleName("Tabs");
  tabBar_->setDrawBase(true);
  tabBar_->setExpanding(false);

  // Search tab.
  patternBox_ = MakeCombo("pattern", true, this);
  patternBox_->setMinimumContentsLength(18);
  patternLabel_ = MakeLabel("Pattern", "patternLabel", patternBox_, this);
  searchButton_ = MakeButton("&Search", "search", this);
  dateOperatorBox_ = MakeCombo("dateOperator", false, this);
  dateLabel_ = MakeLabel("YYMMDD", "dateLabel", dateOperatorBox_, this);
  dateEdit_ = new QLineEdit(this);
  dateEdit_->setObjectName("date");
  dateEdit_->setAccessibleName("Date YYMMDD");
  dateEdit_->setMaximumWidth(fontMetrics().horizontalAdvance("0000000000"));
  lengthOperatorBox_ = MakeCombo("lengthOperator", false, this);
  lengthLabel_ = MakeLabel("Length", "lengthLabel", lengthOperatorBox_, this);
  lengthEdit_ = new QLineEdit(this);
  lengthEdit_->setObjectName("length");
  lengthEdit_->setAccessibleName("Length in bytes");
  lengthEdit_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), lengthEdit_));
  lengthEdit_->setMaximumWidth(fontMetrics().horizontalAdvance("00000000000000"));
  for (QComboBox* box : {dateOperatorBox_, lengthOperatorBox_})
    for (const char* op : texts::kOperatorTexts) box->addItem(op);
  dateOperatorBox_->setCurrentIndex(-1);
  lengthOperatorBox_->setCurrentIndex(-1);
  selectedOnlyBox_ = new QCheckBox("Selected Catalogs only", this);
  selectedOnlyBox_->setObjectName("selectedOnly");
  modeBox_ = MakeCombo("mode", false, this);
  modeBox_->setAccessibleName("Search mode");
  for (const char* mode : texts::kModeTexts) modeBox_->addItem(mode);

  // Directory tab.
  captionLabel_ = new QLabel(this);
  captionLabel_->setObjectName("caption");
  captionLabel_->setAccessibleName("Catalog of the listed directory");
  captionLabel_->setTextFormat(Qt::PlainText);
  hitLimitEdit_ = new QLineEdit(this);
  hitLimitEdit_->setObjectName("hitLimit");
  hitLimitEdit_->setMaximumWidth(fontMetrics().horizontalAdvance("000000000"));
  hitLimitLabel_ = MakeLabel("Hit limit", "hitLimitLabel", hitLimitEdit_, this);
  hitLimitNote_ = new QLabel("< 5120", this);
  hitLimitNote_->setObjectName("hitLimitNote");
  dirsFirstBox_ = new QCheckBox("Dirs before files", this);
  dirsFirstBox_->setObjectName("dirsFirst");
  parentButton_ = MakeButton("Parent", "parent", this);
  subdirectoryButton_ = MakeButton("Subdirectory", "subdirectory", this);

  // Catalog tab.
  rootBox_ = MakeCombo("root", true, this);
  rootBox_->setMinimumContentsLength(22);
  rootLabel_ = MakeLabel("Root directory", "rootLabel", rootBox_, this);
  browseButton_ = MakeButton("...", "browse", this);
  browseButton_->setAccessibleName("Choose the root directory");
  browseButton_->setMaximumWidth(fontMetrics().horizontalAdvance("......") + 16);
  addButton_ = MakeButton("&Add", "add", this);
  cancelButton_ = MakeButton("Cancel", "cancel", this);
  cancelButton_->hide();
  ignoreBox_ = MakeCombo("ignore", true, this);
  ignoreBox_->setMinimumContentsLength(18);
  ignoreLabel_ = MakeLabel("Ignore files", "ignoreLabel", ignoreBox_, this);
  volumeLabelEdit_ = new QLineEdit(this);
  volumeLabelEdit_->setObjectName("volumeLabel");
  volumeLabelLabel_ = MakeLabel("Volume label", "volumeLabelLabel", volumeLabelEdit_, this);

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

  // Two rows of controls over the lists; each tab shows its own controls in them, so that a
  // control keeps one place whatever tab shows it.
  auto* grid = new QGridLayout();
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  grid->addWidget(patternLabel_, 0, 0);
  grid->addWidget(rootLabel_, 0, 0);
  grid->addWidget(captionLabel_, 0, 0);
  grid->addWidget(patternBox_, 0, 1);
  grid->addWidget(rootBox_, 0, 1);
  grid->addWidget(dateLabel_, 0, 2);
  grid->addWidget(browseButton_, 0, 2);
  grid->addWidget(hitLimitLabel_, 0, 2);
  grid->addWidget(dateOperatorBox_, 0, 3);
  grid->addWidget(addButton_, 0, 3);
  grid->addWidget(hitLimitEdit_, 0, 3);
  grid->addWidget(dateEdit_, 0, 4);
  grid->addWidget(cancelButton_, 0, 4);
  grid->addWidget(hitLimitNote_, 0, 4);
  grid->addWidget(lengthLabel_, 0, 5);
  grid->addWidget(ignoreLabel_, 0, 5);
  grid->addWidget(dirsFirstBox_, 0, 5, 1, 2);
  grid->addWidget(lengthOperatorBox_, 0, 6);
  grid->addWidget(ignoreBox_, 0, 6, 1, 2);
  grid->addWidget(lengthEdit_, 0, 7);
  grid->addWidget(volumeLabelLabel_, 1, 0);
  grid->addWidget(parentButton_, 1, 0);
  grid->addWidget(searchButton_, 1, 1);
  grid->addWidget(volumeLabelEdit_, 1, 1);
  grid->addWidget(subdirectoryButton_, 1, 1);
  grid->addWidget(selectedOnlyBox_, 1, 2, 1, 3);
  grid->addWidget(modeBox_, 1, 5, 1, 3);
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

  setTabOrder(tabBar_, patternBox_);
  for (auto [a, b] : {std::pair<QWidget*, QWidget*>{patternBox_, searchButton_},
                      {searchButton_, dateOperatorBox_},
                      {dateOperatorBox_, dateEdit_},
                      {dateEdit_, lengthOperatorBox_},
                      {lengthOperatorBox_, lengthEdit_},
                      {lengthEdit_, rootBox_},
                      {rootBox_, browseButton_},
                      {browseButton_, addButton_},
                      {addButton_, cancelButton_},
                      {cancelButton_, ignoreBox_},
                      {ignoreBox_, volumeLabelEdit_},
                      {volumeLabelEdit_, selectedOnlyBox_},
                      {selectedOnlyBox_, modeBox_},
                      {modeBox_, hitLimitEdit_},
                      {hitLimitEdit_, dirsFirstBox_},
                      {dirsFirstBox_, parentButton_},
                      {parentButton_, subdirectoryButton_},
                      {subdirectoryButton_, resultsList_},
                      {resultsList_, directoryList_},
                      {directoryList_, catalogList_}})
    setTabOrder(a, b);

  // Enter anywhere in the form, focus on the lists and the edits included, is the default button.
  for (QWidget* w : std::initializer_list<QWidget*>{
           patternBox_, dateEdit_, lengthEdit_, hitLimitEdit_, rootBox_, ignoreBox_, volumeLabelEdit_,
           resultsList_, directoryList_, catalogList_, dateOperatorBox_, lengthOperatorBox_, modeBox_,
           selectedOnlyBox_, dirsFirstBox_})
    w->installEventFilter(this);
  for (QComboBox* box : {patternBox_, rootBox_, ignoreBox_}) box->lineEdit()->installEventFilter(this);

  // Ctrl+Tab and Ctrl+PgDown go to the next tab, Ctrl+Shift+Tab and Ctrl+PgUp to the previous one.
  const std::pair<QKeySequence, int> steps[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                                {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                                                {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
  for (const auto& [keys, step] : steps) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, step = step] {
      if (tabBar_->isEnabled()) tabBar_->setCurrentIndex((tabBar_->currentIndex() + step + 3) % 3);
    });
  }

  connect(tabBar_, &QTabBar::currentChanged, this, [this](int index) {
    if (initialised_) OnTabChange(index);
  });
  connect(searchButton_, &QPushButton::clicked, this, &SearchAdd::ReadSearchConditions);
  connect(selectedOnlyBox_, &QCheckBox::clicked, this, &SearchAdd::ClearResults);
  connect(modeBox_, &QComboBox::currentIndexChanged, this, [this] {
    if (initialised_) ClearResults();
  });
  connect(dirsFirstBox_, &QCheckBox::clicked, this, &SearchAdd::OnDirsFirstClicked);
  connect(parentButton_, &QPushButton::clicked, this, &SearchAdd::OnParent);
  connect(subdirectoryButton_, &QPushButton::clicked, this, &SearchAdd::OnSubdirectory);
  connect(rootBox_, &QComboBox::activated, this, &SearchAdd::OnRootSelected);
  connect(browseButton_, &QPushButton::clicked, this, &SearchAdd::OnBrowseForRoot);
  connect(addButton_, &QPushButton::clicked, this, &SearchAdd::OnAdd);
  connect(cancelButton_, &QPushButton::clicked, this, &SearchAdd::CancelScan);
  connect(resultsList_, &CListCtrlEx::HeaderClicked, this,
          [this](int column) { OnColumnClick(ListKind::kResults, column); });
  connect(directoryList_, &CListCtrlEx::HeaderClicked, this,
          [this](int column) { OnColumnClick(ListKind::kDirectory, column); });
  connect(catalogList_, &CListCtrlEx::HeaderClicked, this,
          [this](int column) { OnColumnClick(ListKind::kCatalog, column); });
  connect(resultsList_, &QAbstractItemView::doubleClicked, this, &SearchAdd::OnListDoubleClick);
  connect(catalogList_, &QAbstractItemView::doubleClicked, this, &SearchAdd::OnListDoubleClick);
  connect(directoryList_, &QAbstractItemView::doubleClicked, this, &SearchAdd::OpenDirectoryEntry);
  for (CListCtrlEx* list : {resultsList_, directoryList_, catalogList_}) {
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, list](const QPoint& at) { OnListRightClick(list->viewport()->mapToGlobal(at)); });
    // Ctrl+C copies the selected rows as the context menu's copy does.
    auto* copy = new QShortcut(QKeySequence::Copy, list);
    copy->setContext(Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, [this] { RunCommand(command::kCopySelectedRows); });
  }
  // Files drag out of the two file lists, as copies.
  for (CListCtrlEx* list : {resultsList_, directoryList_}) {
    list->setDragEnabled(true);
    list->setDragDropMode(QAbstractItemView::DragOnly);
    list->setDefaultDropAction(Qt::CopyAction);
    connect(list, &CListCtrlEx::DragRequested, this, &SearchAdd::OnBeginDrag);
  }
}

void SearchAdd::OnInitialUpdate(SettingsStore& store) {
  title_ = Text(WindowTitle(library_.StartDirectory()));
  expertMode_ = library_.Options().expertMode;
  for (CListCtrlEx* list : {resultsList_, directoryList_, catalogList_}) list->SetFullRowSelect(true);
  resultsList_->SetDirectoryMarking(true);
  directoryList_->SetDirectoryMarking(true);
  modeBox_->setCurrentIndex(0);
  currentTab_ = shownTab_ = 0;
  for (const char* label : texts::kTabLabels) tabBar_->addTab(label);
  for (int i = 0; i < tabBar_->count(); ++i) tabBar_->setTabData(i, i);

  const FormSettings settings = ReadFormSettings(store);
  hitLimit_ = settings.hitLimit;
  dirsFirst_ = settings.dirsFirst != 0;
  dirsFirstBox_->setChecked(dirsFirst_);
  formats_ = settings.formats;
  resultsModel_->SetDateFormat(formats_.result);
  directoryModel_->SetDateFormat(formats_.dir);
  catalogModel_->SetDateFormat(formats_.catalog);
  InsertColumns(settings, store);
  for (QComboBox* box : {patternBox_, ignoreBox_, rootBox_}) box->lineEdit()->setMaxLength(kComboTextLimit);
  hitLimitEdit_->setText(QString::number(hitLimit_));

  patternView_ = std::make_unique<ComboHistoryView>(patternBox_);
  ignoredView_ = std::make_unique<ComboHistoryView>(ignoreBox_);
  directoriesView_ = std::make_unique<ComboHistoryView>(rootBox_);
  LoadFormHistories(store, document_.Patterns(), patternView_.get(), document_.Ignored(), ignoredView_.get(),
                    document_.Directories(), directoriesView_.get());

  currentTab_ = 0;
  ShowTabControls();
  initialised_ = true;
  library_.LoadAll();
  RefreshCatalogList();
  // The window opens ready for typing a pattern.
  patternBox_->setFocus();
}

void SearchAdd::InsertColumns(const FormSettings& settings, const SettingsStore& store) {
  const std::vector<int32_t>* widths[] = {&settings.resultWidths, &settings.directoryWidths,
                                          &settings.catalogWidths};
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
    const std::vector<int32_t>& width = *widths[static_cast<size_t>(list)];
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

// Which tab shows which control; every listed control is shown or hidden on every call.
struct SearchAdd::TabControls {
  QWidget* control;
  bool shown[3];  // Search, Directory, Catalog
};

void SearchAdd::ShowTabControls() {
  if (currentTab_ < 0 || currentTab_ > 2) return;
  const TabControls table[] = {
      {patternLabel_, {true, false, false}},
      {patternBox_, {true, false, false}},
      {searchButton_, {true, false, false}},
      {dateLabel_, {true, false, false}},
      {dateOperatorBox_, {true, false, false}},
      {dateEdit_, {true, false, false}},
      {lengthLabel_, {true, false, false}},
      {lengthOperatorBox_, {true, false, false}},
      {lengthEdit_, {true, false, false}},
      {selectedOnlyBox_, {true, false, true}},
      {modeBox_, {true, false, true}},
      {resultsList_, {true, false, false}},
      {dirsFirstBox_, {false, true, false}},
      {hitLimitLabel_, {false, true, false}},
      {hitLimitEdit_, {false, true, false}},
      {hitLimitNote_, {false, true, false}},
      {directoryList_, {false, true, false}},
      {parentButton_, {false, true, false}},
      {subdirectoryButton_, {false, true, false}},
      {captionLabel_, {false, true, false}},
      {rootLabel_, {false, false, true}},
      {rootBox_, {false, false, true}},
      {browseButton_, {false, false, true}},
      {addButton_, {false, false, true}},
      {ignoreLabel_, {false, false, true}},
      {ignoreBox_, {false, false, true}},
      {volumeLabelLabel_, {false, false, true}},
      {volumeLabelEdit_, {false, false, true}},
      {catalogList_, {false, false, true}},
  };
  // Hide first, so that the focus never lands on a control that is about to go.
  for (const TabControls& row : table)
    if (!row.shown[currentTab_]) row.control->setVisible(false);
  for (const TabControls& row : table)
    if (row.shown[currentTab_]) row.control->setVisible(true);
  statusBar_.SetPaneText(0, texts::kTabHints[currentTab_]);
  emit ParentCommandEnabled(currentTab_ == static_cast<int>(FormTab::kDirectory));
}

void SearchAdd::SelectCurrentList() {
  if (currentTab_ >= 0 && currentTab_ <= 2) currentList_ = ListOf(static_cast<ListKind>(currentTab_));
}

void SearchAdd::OnTabChange(int index) {
  currentTab_ = index;
  if (currentTab_ == shownTab_) return;
  const DirectoryBrowser::TabChange change = browser_.ChangeTab(
      currentTab_, shownTab_, SelectedRecords(ListKind::kResults), SelectedCatalogs(), hitLimit_);
  ApplyStep(change.step);
  if (!change.accepted) {
    currentTab_ = shownTab_;
    const QSignalBlocker blocker(tabBar_);
    tabBar_->setCurrentIndex(shownTab_);
    return;
  }
  shownTab_ = currentTab_;
  ShowTabControls();
}

void SearchAdd::Message(const std::string& text) {
  services_.prompts->Message(text, texts::kApplicationTitle, UserPrompts::Icon::kExclamation);
}

int64_t SearchAdd::Now() const {
  return services_.now ? services_.now() : CurrentTime();
}

void SearchAdd::SetStatusMessage(const std::string& text) {
  statusBar_.SetPaneText(0, Text(text));
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

void SearchAdd::OnSelectAll() {
  if (currentTab_ >= 0 && currentTab_ <= 2) ListOf(static_cast<ListKind>(currentTab_))->SelectAllRows();
}

bool SearchAdd::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    // An open drop-down list takes Enter for itself.
    const auto* box = qobject_cast<QComboBox*>(watched);
    if (enter && key->modifiers() == Qt::NoModifier && !(box != nullptr && box->view()->isVisible())) {
      OnEnterKey();
      return true;
    }
  } else if (event->type() == QEvent::FocusOut) {
    const auto* focus = static_cast<QFocusEvent*>(event);
    if (watched == hitLimitEdit_) OnHitLimitLostFocus();
    if ((watched == rootBox_ || watched == rootBox_->lineEdit()) && focus->reason() != Qt::PopupFocusReason &&
        !rootBox_->isAncestorOf(QApplication::focusWidget()) && QApplication::focusWidget() != rootBox_)
      OnRootLostFocus();
  }
  return QWidget::eventFilter(watched, event);
}

void SearchAdd::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && Scanning()) {
    CancelScan();
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      event->modifiers() == Qt::NoModifier) {
    OnEnterKey();
    return;
  }
  QWidget::keyPressEvent(event);
}

void SearchAdd::OnEnterKey() {
  switch (EnterKeyAction(currentTab_)) {
    case EnterAction::kSearch:
      ReadSearchConditions();
      break;
    case EnterAction::kSubdirectory:
      OnSubdirectory();
      break;
    case EnterAction::kAdd:
      OnAdd();
      break;
    case EnterAction::kNothing:
      break;
  }
}

void SearchAdd::CatalogRemoving(const Catalog& catalog) {
  // The directory list's rows go with their catalog (the model sees to it); so does its caption.
  if (listedCatalog_ == &catalog) {
    listedCatalog_ = nullptr;
    captionLabel_->clear();
  }
}

void SearchAdd::RecordsRemoving(const Catalog&, std::span<const FileRecord* const>) {}

}  // namespace mardo
