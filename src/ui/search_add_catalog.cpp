// SearchAdd: the Catalog tab: the root box, Add and Refresh with the scan on a worker thread, and
// deleting catalogs.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QTabBar>

#include "app/mardo_doc.h"
#include "base/format_text.h"
#include "platform/user_prompts.h"
#include "scan/scan_texts.h"
#include "ui/combo_history_view.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"
#include "ui/search_add.h"

namespace mardo {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::string SearchAdd::RootText() const {
  return rootBox_->currentText().toStdString();
}

void SearchAdd::SetRootText(const std::string& text) {
  rootBox_->setEditText(Text(text));
}

std::string SearchAdd::LabelText() const {
  return volumeLabelEdit_->text().toStdString();
}

void SearchAdd::SetLabelText(const std::string& text) {
  volumeLabelEdit_->setText(Text(text));
}

std::string SearchAdd::IgnoreText() const {
  return ignoreBox_->currentText().toStdString();
}

void SearchAdd::AddHistory(History history, const std::string& text) {
  if (history == History::kDirectories) {
    document_.Directories().Add(text, 0, directoriesView_.get());
  } else {
    document_.Ignored().Add(text, 0, ignoredView_.get());
  }
}

void SearchAdd::OnRootSelected(int index) {
  const QString text = rootBox_->itemText(index);
  if (text.isEmpty()) {
    volumeLabelEdit_->clear();
    return;
  }
  workflow_->IdentifyVolume(text.toStdString());
}

void SearchAdd::OnRootLostFocus() {
  // A label the user typed is never overwritten by leaving the box.
  if (Scanning() || !volumeLabelEdit_->text().isEmpty() || rootBox_->currentText().isEmpty()) return;
  workflow_->IdentifyVolume(RootText());
}

void SearchAdd::OnBrowseForRoot() {
  if (!services_.chooseFolder) return;
  const std::optional<QString> chosen = services_.chooseFolder(this, rootBox_->currentText());
  if (!chosen || chosen->isEmpty()) return;
  rootBox_->setEditText(*chosen);
  workflow_->IdentifyVolume(chosen->toStdString());
}

void SearchAdd::OnAdd() {
  if (Scanning()) return;
  StartScan(workflow_->PrepareAdd(false));
}

void SearchAdd::OnRefresh() {
  if (Scanning()) return;
  const Catalog* catalog = FocusedCatalog();
  if (catalog == nullptr) return;
  StartScan(workflow_->PrepareRefresh(catalog));
}

void SearchAdd::StartScan(std::unique_ptr<ScanJob> job) {
  if (!job) return;
  scanJob_ = std::move(job);
  cancelScan_ = false;
  ScanJob* running = scanJob_.get();
  // Progress and the end arrive on this thread, queued; the scanner reports at most every 100 ms.
  QPointer<SearchAdd> self(this);
  scanThread_ = std::thread([this, running, self] {
    if (services_.scanStarting) services_.scanStarting();
    running->Run(&cancelScan_, [self](const mardo::ScanProgress& progress) {
      const QString text =
          QString::fromStdString(FormatText(texts::kScanProgress, static_cast<long long>(progress.entries),
                                            std::string(progress.directory).c_str()));
      QMetaObject::invokeMethod(
          self,
          [self, text] {
            if (self) self->statusBar_.SetPaneText(0, text);
          },
          Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(
        self,
        [self] {
          if (self) self->FinishScan();
        },
        Qt::QueuedConnection);
  });
}

void SearchAdd::FinishScan() {
  if (!scanThread_.joinable()) return;
  scanThread_.join();
  const AddWorkflow::Result result = workflow_->Commit(std::move(scanJob_));
  SetStatusMessage(ScanStatusText(result));
  emit ScanFinished();
}

void SearchAdd::CancelScan() {
  cancelScan_ = true;
}

void SearchAdd::AbandonScan() {
  if (!scanThread_.joinable()) return;
  cancelScan_ = true;
  scanThread_.join();
  scanJob_.reset();
}

void SearchAdd::BeginWait() {
  // The form waits for the scan: nothing but Cancel can be used meanwhile.
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child != cancelButton_) child->setEnabled(false);
  cancelButton_->setEnabled(true);
  cancelButton_->show();
  cancelButton_->setFocus();
  QApplication::setOverrideCursor(Qt::BusyCursor);
}

void SearchAdd::EndWait() {
  QApplication::restoreOverrideCursor();
  cancelButton_->hide();
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->setEnabled(true);
}

void SearchAdd::DeleteSelectedCatalogs() {
  SelectCurrentList();
  const std::vector<const Catalog*> selected = SelectedCatalogs();
  const DeleteCatalogsResult result =
      mardo::DeleteSelectedCatalogs(library_, *services_.prompts, currentTab_, selected);
  if (!result.confirmed || currentTab_ != static_cast<int>(FormTab::kCatalog)) return;
  RefreshCatalogList();
  ClearResults();
  if (!result.failures.empty()) {
    std::string text;
    for (const std::string& failure : result.failures) text += (text.empty() ? "" : "\r\n") + failure;
    Message(text);
  }
}

}  // namespace mardo
