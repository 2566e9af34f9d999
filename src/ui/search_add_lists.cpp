// SearchAdd: the columns, sorting, the catalog rows and the status counts.
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>

#include "base/format_text.h"
#include "search/search_texts.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"
#include "ui/search_add.h"

namespace mardo {

void SearchAdd::OnColumnClick(ListKind list, int column) {
  sortStates_[static_cast<size_t>(list)].OnColumnClick(column);
  SortList(list);
}

void SearchAdd::SortList(ListKind list) {
  const SortState& state = sortStates_[static_cast<size_t>(list)];
  if (list == ListKind::kCatalog) {
    catalogModel_->Sort(state);
  } else {
    RecordModel(list)->Sort(state, dirsFirst_);
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

void SearchAdd::OnDirsFirstClicked() {
  dirsFirst_ = dirsFirstBox_->checkState() != Qt::Unchecked;
  SortList(ListKind::kDirectory);
  SortList(ListKind::kResults);
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

void SearchAdd::SortCatalogs() {
  SortList(ListKind::kCatalog);
}

void SearchAdd::RefreshCatalogList() {
  catalogModel_->Clear();
  for (int32_t i = 0; i < library_.Catalogs().Size(); ++i) AddCatalogRow(i, false);
  SortCatalogs();
  ShowCatalogCounts();
}

void SearchAdd::ShowCatalogCounts() {
  statusBar_.SetPaneText(1, QString());
  statusBar_.SetPaneText(2, QString::number(library_.RecordCount()));
  statusBar_.SetPaneText(0,
                         QString::fromStdString(FormatText(texts::kCatalogsLoaded, library_.CatalogCount())));
}

void SearchAdd::ClearResults() {
  resultsModel_->Clear();
  statusBar_.SetPaneText(1, QString());
}

}  // namespace mardo
