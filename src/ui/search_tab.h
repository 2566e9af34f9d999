#pragma once

#include <QObject>

#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace mardo {

class ComboHistoryView;
class SearchAdd;
class SettingsStore;

// The Search tab: the pattern with its history, the date and length conditions, the scope and the
// mode, and the search that fills the results list. Its controls are children of the form.
class SearchTab final : public QObject {
  Q_OBJECT
 public:
  explicit SearchTab(SearchAdd& form);
  ~SearchTab() override;

  // Fills the pattern box from its history.
  void LoadHistory(const SettingsStore& store);

  // The Search button and Enter on the tab: reads the conditions, tells what is missing or read
  // otherwise than typed, and fills the results list up to the hit limit.
  void ReadSearchConditions();

  // The controls, by their place: row 0 (pattern, date and length conditions), row 1 (the button,
  // the scope and the mode); the scope and the mode show on the Catalog tab too.
  QLabel* patternLabel = nullptr;
  QComboBox* patternBox = nullptr;
  QLabel* dateLabel = nullptr;
  QComboBox* dateOperatorBox = nullptr;
  QLineEdit* dateEdit = nullptr;
  QLabel* lengthLabel = nullptr;
  QComboBox* lengthOperatorBox = nullptr;
  QLineEdit* lengthEdit = nullptr;
  QPushButton* searchButton = nullptr;
  QCheckBox* selectedOnlyBox = nullptr;
  QComboBox* modeBox = nullptr;

  // The controls only this tab shows, in visual order.
  std::vector<QWidget*> OwnControls() const;

 private:
  SearchAdd& form_;
  std::unique_ptr<ComboHistoryView> patternView_;
};

}  // namespace mardo
