#include "ui/directory_tab.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/format_text.h"
#include "base/number_scan.h"
#include "search/search_conditions.h"
#include "search/search_texts.h"
#include "ui/form_controls.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"
#include "ui/search_add.h"
#include "ui/wait_cursor.h"

namespace mardo {

DirectoryTab::DirectoryTab(SearchAdd& form) : QObject(&form), form_(form) {
  captionLabel = new QLabel(&form);
  captionLabel->setObjectName("caption");
  // A screen reader reads the caption's text, the catalog's name; its role is the description.
  captionLabel->setAccessibleDescription("Catalog of the listed directory");
  captionLabel->setTextFormat(Qt::PlainText);
  hitLimitEdit = new QLineEdit(&form);
  hitLimitEdit->setObjectName("hitLimit");
  hitLimitEdit->setMaximumWidth(hitLimitEdit->fontMetrics().horizontalAdvance("000000000"));
  hitLimitLabel = MakeLabel("Hit limit", "hitLimitLabel", hitLimitEdit, &form);
  hitLimitNote = new QLabel("< 5120", &form);
  hitLimitNote->setObjectName("hitLimitNote");
  dirsFirstBox = new QCheckBox("Dirs before files", &form);
  dirsFirstBox->setObjectName("dirsFirst");
  parentButton = MakeButton("Parent", "parent", &form);
  subdirectoryButton = MakeButton("Subdirectory", "subdirectory", &form);

  connect(dirsFirstBox, &QCheckBox::clicked, this, &DirectoryTab::OnDirsFirstClicked);
  connect(parentButton, &QPushButton::clicked, this, &DirectoryTab::OnParent);
  connect(subdirectoryButton, &QPushButton::clicked, this, &DirectoryTab::OnSubdirectory);
  form.Library().AddObserver(&browser_);
  form.Library().AddObserver(this);
}

DirectoryTab::~DirectoryTab() {
  form_.Library().RemoveObserver(this);
  form_.Library().RemoveObserver(&browser_);
}

std::vector<QWidget*> DirectoryTab::OwnControls() const {
  return {captionLabel, hitLimitLabel, hitLimitEdit,      hitLimitNote,
          dirsFirstBox, parentButton,  subdirectoryButton};
}

void DirectoryTab::SetUp(int32_t hitLimit, bool dirsFirst) {
  hitLimit_ = hitLimit;
  dirsFirst_ = dirsFirst;
  dirsFirstBox->setChecked(dirsFirst_);
  hitLimitEdit->setText(QString::number(hitLimit_));
}

DirectoryBrowser::TabChange DirectoryTab::ChangeTab(int32_t newTab, int32_t shownTab) {
  return browser_.ChangeTab(newTab, shownTab, form_.SelectedRecords(ListKind::kResults),
                            form_.SelectedCatalogs(), hitLimit_);
}

void DirectoryTab::ApplyStep(const DirectoryBrowser::Step& step) {
  switch (step.kind) {
    case DirectoryBrowser::Step::Kind::kShow:
      ApplyListing(step.show);
      break;
    case DirectoryBrowser::Step::Kind::kMessage:
      form_.Message(step.message);
      break;
    case DirectoryBrowser::Step::Kind::kNothing:
      break;
  }
}

void DirectoryTab::ApplyListing(const DirectoryShow& show) {
  const WaitCursor wait;
  listedCatalog_ = show.catalog;
  captionLabel->setText(Text(show.caption));
  RecordListModel* model = form_.RecordModel(ListKind::kDirectory);
  CListCtrlEx* list = form_.ListOf(ListKind::kDirectory);
  model->SetRows(show.rows);
  // The named row is selected, not focused; the sort keeps the selection with its row.
  if (show.selected != nullptr) {
    list->selectionModel()->select(model->index(model->RowOf(show.selected), 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  form_.SortList(ListKind::kDirectory);
  if (show.selected != nullptr) list->scrollTo(model->index(model->RowOf(show.selected), 0));
  // The message pane says whether this listing is cut; a note of an earlier listing goes.
  form_.SetPaneText(
      0, show.truncated ? Text(FormatText(texts::kListingCut, hitLimit_)) : QString(texts::kTabHints[1]));
}

void DirectoryTab::OpenDirectoryEntry() {
  const std::vector<const FileRecord*> selected = form_.SelectedRecords(ListKind::kDirectory);
  if (selected.empty()) return;
  ApplyStep(browser_.OpenEntry(selected.front(), hitLimit_));
}

void DirectoryTab::OnParent() {
  if (form_.CurrentTab() != static_cast<int>(FormTab::kDirectory)) return;
  ApplyStep(browser_.Parent(form_.RecordModel(ListKind::kDirectory)->At(0), hitLimit_));
}

void DirectoryTab::OnSubdirectory() {
  const std::vector<const FileRecord*> selected = form_.SelectedRecords(ListKind::kDirectory);
  ApplyStep(browser_.Subdirectory(selected.empty() ? nullptr : selected.front(), hitLimit_));
}

void DirectoryTab::OnDirsFirstClicked() {
  dirsFirst_ = dirsFirstBox->checkState() != Qt::Unchecked;
  form_.SortList(ListKind::kDirectory);
  form_.SortList(ListKind::kResults);
}

bool DirectoryTab::ReadHitLimitField() {
  // The field is read as a whole integer; any other text keeps the previous limit, and the user
  // is told, as for any number field.
  const std::string text = Bytes(hitLimitEdit->text());
  int32_t value = 0;
  if (!ParseWholeInteger(text, value)) {
    form_.Message(texts::kEnterInteger);
    return false;
  }
  // Normalised as when the field loses the focus, in case it still has it.
  OnHitLimitLostFocus();
  return true;
}

void DirectoryTab::OnHitLimitLostFocus() {
  hitLimit_ = NormaliseHitLimit(Bytes(hitLimitEdit->text()), form_.ExpertMode());
  hitLimitEdit->setText(QString::number(hitLimit_));
}

void DirectoryTab::CatalogRemoving(const Catalog& catalog) {
  // The directory list's rows go with their catalog (the model sees to it); so does its caption.
  if (listedCatalog_ == &catalog) {
    listedCatalog_ = nullptr;
    captionLabel->clear();
  }
}

void DirectoryTab::RecordsRemoving(const Catalog&, std::span<const FileRecord* const>) {}

}  // namespace mardo
