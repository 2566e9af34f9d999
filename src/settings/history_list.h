#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mardo {

class HistoryView;
class SettingsStore;

// The most recent texts typed into one combo box, kept in a settings section of their own as
// values "0", "1", ... each holding "%d,%s" (an integer, then the text). Most recent first; at
// most `Capacity()` entries; texts compare exactly, case included. The combo box's list shows the
// entries in the same order, followed by the default text while the history is empty. Every
// operation takes the view as an optional pointer: without one only the entries change.
class HistoryList {
 public:
  struct Entry {
    std::string text;
    int32_t value = 0;
  };

  static constexpr int32_t kMaxCapacity = 16;
  static constexpr int32_t kFallbackCapacity = 8;

  // A capacity outside 1..16 becomes 8.
  HistoryList(std::string name, int32_t capacity);

  const std::string& Name() const { return name_; }
  int32_t Capacity() const { return capacity_; }
  const std::vector<Entry>& Entries() const { return entries_; }

  // Replaces the entries with the stored ones, "0" onwards up to the capacity, stopping at the
  // first value that is absent or empty, and appends their texts to the view. Selects item 0 when
  // anything was read; otherwise a non-empty `defaultText` goes into the view only (it is no
  // entry) and is selected. Gives the first entry's value, or 0.
  int32_t Load(const SettingsStore& store, HistoryView* view, std::string_view defaultText = {});

  // Makes `text` the most recent entry with `value`. A text already first only takes the new
  // value; one further down moves to the front and is selected; a new one enters at the front
  // (the oldest leaving when full) without changing the selection. The empty text is a text.
  void Add(std::string_view text, int32_t value, HistoryView* view);

  // Writes entry i as value "i". Stored values beyond the entry count are left as they are.
  void Save(SettingsStore& store) const;

 private:
  std::string name_;
  int32_t capacity_;
  std::vector<Entry> entries_;
};

}  // namespace mardo
