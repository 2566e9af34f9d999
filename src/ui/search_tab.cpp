#include "ui/search_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "search/search_conditions.h"
#include "search/search_engine.h"
#include "search/search_texts.h"
#include "settings/history_list.h"
#include "ui/combo_history_view.h"
#include "ui/directory_tab.h"
#include "ui/form_controls.h"
#include "ui/list_ctrl_ex.h"
#include "ui/list_models.h"
#include "ui/search_add.h"
#include "ui/wait_cursor.h"

namespace mardo {
namespace {

// The longest text the pattern box takes from the keyboard.
constexpr int kPatternTypingLimit = 128;

}  // namespace

SearchTab::SearchTab(SearchAdd& form) : QObject(&form), form_(form) {
  patternBox = MakeCombo("pattern", true, 18, &form);
  patternBox->lineEdit()->setMaxLength(kPatternTypingLimit);
  patternLabel = MakeLabel("Pattern", "patternLabel", patternBox, &form);
  searchButton = MakeButton("&Search", "search", &form);
  dateOperatorBox = MakeCombo("dateOperator", false, 0, &form);
  dateLabel = MakeLabel("YYMMDD", "dateLabel", dateOperatorBox, &form);
  dateEdit = new QLineEdit(&form);
  dateEdit->setObjectName("date");
  dateEdit->setAccessibleName("Date YYMMDD");
  dateEdit->setMaximumWidth(dateEdit->fontMetrics().horizontalAdvance("0000000000"));
  lengthOperatorBox = MakeCombo("lengthOperator", false, 0, &form);
  lengthLabel = MakeLabel("Length", "lengthLabel", lengthOperatorBox, &form);
  lengthEdit = new QLineEdit(&form);
  lengthEdit->setObjectName("length");
  lengthEdit->setAccessibleName("Length in bytes");
  lengthEdit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), lengthEdit));
  lengthEdit->setMaximumWidth(lengthEdit->fontMetrics().horizontalAdvance("00000000000000"));
  for (QComboBox* box : {dateOperatorBox, lengthOperatorBox}) {
    for (const char* op : texts::kOperatorTexts) box->addItem(op);
    box->setCurrentIndex(-1);
  }
  selectedOnlyBox = new QCheckBox("Selected Catalogs only", &form);
  selectedOnlyBox->setObjectName("selectedOnly");
  modeBox = MakeCombo("mode", false, 0, &form);
  // The box has no label: its description tells a screen reader what it chooses.
  modeBox->setAccessibleDescription("Search mode");
  for (const char* mode : texts::kModeTexts) modeBox->addItem(mode);
  // Its items are words: a narrow window may show them cut.
  modeBox->setMinimumWidth(modeBox->fontMetrics().horizontalAdvance(QString(6, '0')) + 32);
  modeBox->setCurrentIndex(0);

  connect(searchButton, &QPushButton::clicked, this, &SearchTab::ReadSearchConditions);
  connect(selectedOnlyBox, &QCheckBox::clicked, &form, &SearchAdd::ClearResults);
  connect(modeBox, &QComboBox::currentIndexChanged, &form, &SearchAdd::ClearResults);
}

SearchTab::~SearchTab() = default;

std::vector<QWidget*> SearchTab::OwnControls() const {
  return {patternLabel, patternBox,        dateLabel,  dateOperatorBox, dateEdit,
          lengthLabel,  lengthOperatorBox, lengthEdit, searchButton};
}

void SearchTab::LoadHistory(const SettingsStore& store) {
  patternView_ = std::make_unique<ComboHistoryView>(patternBox);
  form_.Histories().patterns.Load(store, patternView_.get());
}

void SearchTab::ReadSearchConditions() {
  SearchInputs inputs;
  inputs.dateOperator = dateOperatorBox->currentIndex();
  inputs.dateText = Bytes(dateEdit->text());
  inputs.lengthOperator = lengthOperatorBox->currentIndex();
  inputs.lengthText = Bytes(lengthEdit->text());
  inputs.patternText = Bytes(patternBox->currentText());
  inputs.mode = modeBox->currentIndex();
  SearchRequest request = BuildSearchConditions(inputs, form_.Now());
  if (!request.ok) {
    form_.Message(request.message);
    return;
  }
  form_.Histories().patterns.Add(inputs.patternText, 0, patternView_.get());
  // A hit-limit field that holds no number is said, and the search goes on with the old limit.
  form_.Directory().ReadHitLimitField();
  request.conditions.hitLimit = form_.HitLimit();
  // A date or length read otherwise than typed is said in the message pane; the search keeps its
  // reading. Without a note the pane shows the tab's hint.
  std::string notes;
  for (const std::string& note : ReadingNotes(inputs, request.conditions, form_.Now()))
    notes += (notes.empty() ? "" : "; ") + note;
  form_.SetPaneText(0, notes.empty() ? QString(texts::kTabHints[0]) : Text(notes));

  const WaitCursor wait;
  SearchScope scope;
  scope.selectedOnly = selectedOnlyBox->isChecked();
  scope.selected = form_.SelectedCatalogs();
  const SearchResult result = RunSearch(request.conditions, form_.Library(), scope);
  RecordListModel* model = form_.RecordModel(ListKind::kResults);
  model->SetGrouping(result.grouping);
  model->SetRows(result.hits);
  form_.SortList(ListKind::kResults);
  form_.SetPaneText(1, Text(result.CountText()));
  // What the user acts on: how many files and bytes have no copy, the notes after it.
  if (result.notElsewhere)
    form_.ShowResultsSummary(Text(result.notElsewhere->Summary() + (notes.empty() ? "" : "; " + notes)));
  if (model->Count() > 0) {
    form_.ListOf(ListKind::kResults)->setFocus();
  } else {
    patternBox->setFocus();
  }
}

}  // namespace mardo
