#pragma once

#include <cstdint>
#include <string_view>

namespace mardo {

// The drop-down list of a combo box that shows one history. The window implements it over
// QComboBox, tests record the calls. Indexes count from 0.
class HistoryView {
 public:
  virtual ~HistoryView() = default;
  virtual void InsertItem(int32_t index, std::string_view text) = 0;
  virtual void DeleteItem(int32_t index) = 0;
  // Appends at the end of the list.
  virtual void AddItem(std::string_view text) = 0;
  virtual void SelectItem(int32_t index) = 0;
};

}  // namespace mardo
