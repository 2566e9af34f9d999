// SearchAdd: the Search tab.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "app/mardo_doc.h"
#include "base/number_scan.h"
#include "search/search_engine.h"
#include "search/search_texts.h"
#include "ui/combo_history_view.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"
#include "ui/search_add.h"
#include "ui/wait_cursor.h"

namespace mardo {
namespace {

std::string Bytes(const QString& text) {
  return text.toStdString();
}

}  // namespace

void SearchAdd::ReadSearchConditions() {
  SearchInputs inputs;
  inputs.dateOperator = dateOperatorBox_->currentIndex();
  inputs.dateText = Bytes(dateEdit_->text());
  inputs.lengthOperator = lengthOperatorBox_->currentIndex();
  inputs.lengthText = Bytes(lengthEdit_->text());
  inputs.patternText = Bytes(patternBox_->currentText());
  inputs.mode = modeBox_->currentIndex();
  SearchRequest request = BuildSearchConditions(inputs, Now());
  if (!request.ok) {
    Message(request.message);
    return;
  }
  document_.Patterns().Add(inputs.patternText, 0, patternView_.get());
  ReadHitLimitField();
  request.conditions.hitLimit = hitLimit_;

  const WaitCursor wait;
  SearchScope scope;
  scope.selectedOnly = selectedOnlyBox_->isChecked();
  scope.selected = SelectedCatalogs();
  const SearchResult result = RunSearch(request.conditions, library_, scope);
  resultsModel_->SetGrouping(result.grouping);
  resultsModel_->SetRows(result.hits);
  SortList(ListKind::kResults);
  statusBar_.SetPaneText(1, QString::fromStdString(result.CountText()));
  if (resultsModel_->Count() > 0) {
    resultsList_->setFocus();
  } else {
    patternBox_->setFocus();
  }
}

bool SearchAdd::ReadHitLimitField() {
  // The field is read as a whole integer; any other text keeps the previous limit, and the user
  // is told, as for any number field.
  const std::string text = Bytes(hitLimitEdit_->text());
  int32_t value = 0;
  if (!ParseWholeInteger(text, value)) {
    Message(texts::kEnterInteger);
    return false;
  }
  // Normalised as when the field loses the focus, in case it still has it.
  hitLimit_ = NormaliseHitLimit(text, expertMode_);
  hitLimitEdit_->setText(QString::number(hitLimit_));
  return true;
}

void SearchAdd::OnHitLimitLostFocus() {
  hitLimit_ = NormaliseHitLimit(Bytes(hitLimitEdit_->text()), expertMode_);
  hitLimitEdit_->setText(QString::number(hitLimit_));
}

}  // namespace mardo
