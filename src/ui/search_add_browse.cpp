// SearchAdd: the Directory tab and the double clicks.
#include <QLabel>
#include <QTabBar>

#include "base/format_text.h"
#include "search/search_texts.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"
#include "ui/search_add.h"
#include "ui/wait_cursor.h"

namespace mardo {

void SearchAdd::ApplyStep(const DirectoryBrowser::Step& step) {
  switch (step.kind) {
    case DirectoryBrowser::Step::Kind::kShow:
      ApplyListing(step.show);
      break;
    case DirectoryBrowser::Step::Kind::kMessage:
      Message(step.message);
      break;
    case DirectoryBrowser::Step::Kind::kNothing:
      break;
  }
}

void SearchAdd::ApplyListing(const DirectoryShow& show) {
  const WaitCursor wait;
  listedCatalog_ = show.catalog;
  captionLabel_->setText(QString::fromStdString(show.caption));
  directoryModel_->SetRows(show.rows);
  // The named row is selected, not focused; the sort keeps the selection with its row.
  if (show.selected != nullptr) {
    const int row = directoryModel_->RowOf(show.selected);
    directoryList_->selectionModel()->select(directoryModel_->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  SortList(ListKind::kDirectory);
  if (show.selected != nullptr)
    directoryList_->scrollTo(directoryModel_->index(directoryModel_->RowOf(show.selected), 0));
  if (show.truncated) {
    statusBar_.SetPaneText(0, QString::fromStdString(FormatText(texts::kListingCut, hitLimit_)));
  }
}

void SearchAdd::OnListDoubleClick() {
  // As if the user had chosen the Directory tab.
  {
    const QSignalBlocker blocker(tabBar_);
    tabBar_->setCurrentIndex(static_cast<int>(FormTab::kDirectory));
  }
  OnTabChange(static_cast<int>(FormTab::kDirectory));
}

void SearchAdd::OpenDirectoryEntry() {
  const std::vector<const FileRecord*> selected = SelectedRecords(ListKind::kDirectory);
  if (selected.empty()) return;
  ApplyStep(browser_.OpenEntry(selected.front(), hitLimit_));
}

void SearchAdd::OnParent() {
  if (currentTab_ != static_cast<int>(FormTab::kDirectory)) return;
  ApplyStep(browser_.Parent(directoryModel_->At(0), hitLimit_));
}

void SearchAdd::OnSubdirectory() {
  const std::vector<const FileRecord*> selected = SelectedRecords(ListKind::kDirectory);
  ApplyStep(browser_.Subdirectory(selected.empty() ? nullptr : selected.front(), hitLimit_));
}

}  // namespace mardo
