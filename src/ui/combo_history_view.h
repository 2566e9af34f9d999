#pragma once

#include <QComboBox>
#include <QPointer>

#include "settings/history_view.h"

namespace mardo {

// The drop-down list of a combo box as a history's view. The box's edit text is left alone, as a
// list change never rewrites what the user typed.
class ComboHistoryView final : public HistoryView {
 public:
  explicit ComboHistoryView(QComboBox* box) : box_(box) {}

  void InsertItem(int32_t index, std::string_view text) override;
  void DeleteItem(int32_t index) override;
  void AddItem(std::string_view text) override;
  void SelectItem(int32_t index) override;

 private:
  QPointer<QComboBox> box_;
};

}  // namespace mardo
