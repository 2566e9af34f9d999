#include "ui/catalog_tab.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include "base/format_text.h"
#include "platform/user_prompts.h"
#include "scan/scan_texts.h"
#include "settings/app_texts.h"
#include "settings/history_list.h"
#include "ui/background_scan.h"
#include "ui/combo_history_view.h"
#include "ui/form_controls.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"
#include "ui/search_add.h"

namespace mardo {
namespace {

// The root box holds any path the system can name (PATH_MAX less its terminating zero); the
// ignore box keeps the old limit for typing.
constexpr int kRootTextLimit = 4095;
constexpr int kIgnoreTypingLimit = 128;

}  // namespace

CatalogTab::CatalogTab(SearchAdd& form) : QObject(&form), form_(form) {
  rootBox = MakeCombo("root", true, 22, &form);
  rootBox->lineEdit()->setMaxLength(kRootTextLimit);
  rootLabel = MakeLabel("Root directory", "rootLabel", rootBox, &form);
  browseButton = MakeButton("...", "browse", &form);
  browseButton->setAccessibleName("Choose the root directory");
  browseButton->setFixedWidth(browseButton->fontMetrics().horizontalAdvance("......") + 16);
  ignoreBox = MakeCombo("ignore", true, 18, &form);
  ignoreBox->lineEdit()->setMaxLength(kIgnoreTypingLimit);
  ignoreLabel = MakeLabel("Ignore files", "ignoreLabel", ignoreBox, &form);
  // The volume label, then Add, which stores the catalog under it; Cancel beside Add while a
  // scan runs. One cell, below the root box.
  labelCell = new QWidget(&form);
  labelCell->setObjectName("labelCell");
  volumeLabelEdit = new QLineEdit(labelCell);
  volumeLabelEdit->setObjectName("volumeLabel");
  volumeLabelEdit->setMinimumWidth(volumeLabelEdit->fontMetrics().horizontalAdvance("0000") + 8);
  volumeLabelLabel = MakeLabel("Volume label", "volumeLabelLabel", volumeLabelEdit, &form);
  addButton = MakeButton("&Add", "add", labelCell);
  cancelButton = MakeButton("Cancel", "cancel", labelCell);
  // Cancel never takes the focus: Enter during a scan must not cancel it; a click or Escape does.
  cancelButton->setFocusPolicy(Qt::NoFocus);
  cancelButton->setAutoDefault(false);
  cancelButton->hide();
  auto* cell = new QHBoxLayout(labelCell);
  cell->setContentsMargins(0, 0, 0, 0);
  cell->addWidget(volumeLabelEdit, 1);
  cell->addWidget(addButton);
  cell->addWidget(cancelButton);

  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), &form);
  escape_->setContext(Qt::WidgetWithChildrenShortcut);
  escape_->setEnabled(false);
  connect(escape_, &QShortcut::activated, this, &CatalogTab::CancelScan);

  workflow_ = std::make_unique<AddWorkflow>(form.Library(), *this, form.Prompts(), volumes_);
  scan_ = new BackgroundScan(this);
  connect(scan_, &BackgroundScan::Progress, this,
          [this](const QString& text) { form_.SetPaneText(0, text); });
  connect(scan_, &BackgroundScan::Finished, this, &CatalogTab::FinishScan);
  connect(rootBox, &QComboBox::activated, this, &CatalogTab::OnRootSelected);
  connect(browseButton, &QPushButton::clicked, this, &CatalogTab::OnBrowseForRoot);
  connect(addButton, &QPushButton::clicked, this, &CatalogTab::OnAdd);
  connect(cancelButton, &QPushButton::clicked, this, &CatalogTab::CancelScan);
}

CatalogTab::~CatalogTab() {
  AbandonScan();
}

std::vector<QWidget*> CatalogTab::OwnControls() const {
  return {rootLabel, rootBox, browseButton, ignoreLabel, ignoreBox, volumeLabelLabel, labelCell};
}

void CatalogTab::LoadHistories(const SettingsStore& store) {
  ignoredView_ = std::make_unique<ComboHistoryView>(ignoreBox);
  directoriesView_ = std::make_unique<ComboHistoryView>(rootBox);
  form_.Histories().ignored.Load(store, ignoredView_.get(), settings::kDefaultIgnored);
  form_.Histories().directories.Load(store, directoriesView_.get());
  // The root box always offers an empty item.
  form_.Histories().directories.Add("", 0, directoriesView_.get());
}

bool CatalogTab::Scanning() const {
  return scan_->Running();
}

std::string CatalogTab::RootText() const {
  return Bytes(rootBox->currentText());
}

void CatalogTab::SetRootText(const std::string& text) {
  rootBox->setEditText(Text(text));
}

std::string CatalogTab::LabelText() const {
  return Bytes(volumeLabelEdit->text());
}

void CatalogTab::SetLabelText(const std::string& text) {
  volumeLabelEdit->setText(Text(text));
}

std::string CatalogTab::IgnoreText() const {
  return Bytes(ignoreBox->currentText());
}

void CatalogTab::SetStatusMessage(const std::string& text) {
  form_.SetPaneText(0, Text(text));
}

void CatalogTab::AddHistory(History history, const std::string& text) {
  if (history == History::kDirectories) {
    form_.Histories().directories.Add(text, 0, directoriesView_.get());
  } else {
    form_.Histories().ignored.Add(text, 0, ignoredView_.get());
  }
}

void CatalogTab::RemoveCatalogRow(const Catalog* catalog) {
  form_.RemoveCatalogRow(catalog);
}

void CatalogTab::AddCatalogRow(int32_t libraryPosition, bool select) {
  form_.AddCatalogRow(libraryPosition, select);
}

void CatalogTab::SortCatalogs() {
  form_.SortList(ListKind::kCatalog);
}

void CatalogTab::ClearResults() {
  form_.ClearResults();
}

void CatalogTab::ShowCatalogCounts() {
  form_.ShowCatalogCounts();
}

void CatalogTab::OnRootSelected(int index) {
  const QString text = rootBox->itemText(index);
  if (text.isEmpty()) {
    volumeLabelEdit->clear();
    return;
  }
  workflow_->IdentifyVolume(Bytes(text));
}

void CatalogTab::OnRootLostFocus() {
  // A label the user typed is never overwritten by leaving the box.
  if (Scanning() || !volumeLabelEdit->text().isEmpty() || rootBox->currentText().isEmpty()) return;
  workflow_->IdentifyVolume(RootText());
}

void CatalogTab::OnBrowseForRoot() {
  const FormServices& services = form_.Services();
  if (!services.chooseFolder) return;
  const std::optional<QString> chosen = services.chooseFolder(&form_, rootBox->currentText());
  if (!chosen || chosen->isEmpty()) return;
  rootBox->setEditText(*chosen);
  workflow_->IdentifyVolume(Bytes(*chosen));
}

void CatalogTab::OnAdd() {
  if (Scanning()) return;
  StartScan(workflow_->PrepareAdd(false));
}

void CatalogTab::OnRefresh() {
  if (Scanning()) return;
  const Catalog* catalog = form_.FocusedCatalog();
  if (catalog == nullptr) return;
  StartScan(workflow_->PrepareRefresh(catalog));
}

void CatalogTab::StartScan(std::unique_ptr<ScanJob> job) {
  if (!job) return;
  scan_->Start(std::move(job), form_.Services().scanStarting);
}

void CatalogTab::FinishScan() {
  std::unique_ptr<ScanJob> job = scan_->TakeJob();
  if (!job) return;
  const AddWorkflow::Result result = workflow_->Commit(std::move(job));
  SetStatusMessage(ScanStatusText(result));
  if (result.outcome == AddWorkflow::Outcome::kStored && result.unreadableCount > 0) {
    form_.Prompts().Message(UnreadableDirectoriesText(result), texts::kApplicationTitle,
                            UserPrompts::Icon::kInformation);
  }
  emit form_.ScanFinished();
}

void CatalogTab::CancelScan() {
  scan_->Cancel();
}

void CatalogTab::AbandonScan() {
  if (!Scanning()) return;
  scan_->Abandon();
  // The scan never comes back to end the wait.
  QApplication::restoreOverrideCursor();
}

void CatalogTab::BeginWait() {
  // Only what the scan took its values from waits; the other tabs and the lists go on.
  for (QWidget* control :
       {static_cast<QWidget*>(rootBox), static_cast<QWidget*>(browseButton), static_cast<QWidget*>(ignoreBox),
        static_cast<QWidget*>(volumeLabelEdit), static_cast<QWidget*>(addButton)})
    control->setEnabled(false);
  cancelButton->show();
  escape_->setEnabled(true);
  QApplication::setOverrideCursor(Qt::BusyCursor);
}

void CatalogTab::EndWait() {
  QApplication::restoreOverrideCursor();
  escape_->setEnabled(false);
  cancelButton->hide();
  for (QWidget* control :
       {static_cast<QWidget*>(rootBox), static_cast<QWidget*>(browseButton), static_cast<QWidget*>(ignoreBox),
        static_cast<QWidget*>(volumeLabelEdit), static_cast<QWidget*>(addButton)})
    control->setEnabled(true);
}

void CatalogTab::DeleteSelectedCatalogs() {
  const std::vector<const Catalog*> selected = form_.SelectedCatalogs();
  const DeleteCatalogsResult result =
      mardo::DeleteSelectedCatalogs(form_.Library(), form_.Prompts(), selected);
  if (!result.confirmed) return;
  form_.RefreshCatalogList();
  form_.ClearResults();
  if (!result.failures.empty()) {
    std::string text;
    for (const std::string& failure : result.failures) text += (text.empty() ? "" : "\r\n") + failure;
    form_.Message(text);
  }
}

}  // namespace mardo
