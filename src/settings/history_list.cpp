#include "settings/history_list.h"

#include <algorithm>
#include <optional>

#include "base/number_scan.h"
#include "settings/history_view.h"
#include "settings/settings_store.h"

namespace mardo {
namespace {

// A stored history string: the leading integer (as atoi reads it) is the value; the text is what
// follows the first comma, or the whole string when there is none.
HistoryList::Entry ParseEntry(std::string_view stored) {
  HistoryList::Entry entry;
  entry.value = LeadingInteger(stored);
  const size_t comma = stored.find(',');
  entry.text = std::string(comma == std::string_view::npos ? stored : stored.substr(comma + 1));
  return entry;
}

}  // namespace

HistoryList::HistoryList(std::string name, int32_t capacity)
    : name_(std::move(name)),
      capacity_(capacity >= 1 && capacity <= kMaxCapacity ? capacity : kFallbackCapacity) {
  entries_.reserve(static_cast<size_t>(capacity_));
}

int32_t HistoryList::Load(const SettingsStore& store, HistoryView* view, std::string_view defaultText) {
  entries_.clear();
  for (int32_t i = 0; i < capacity_; ++i) {
    const std::optional<std::string> stored = store.ReadString(name_, std::to_string(i));
    if (!stored || stored->empty()) break;
    entries_.push_back(ParseEntry(*stored));
    if (view != nullptr) view->AddItem(entries_.back().text);
  }
  if (!entries_.empty()) {
    if (view != nullptr) view->SelectItem(0);
    return entries_.front().value;
  }
  if (!defaultText.empty() && view != nullptr) {
    view->AddItem(defaultText);
    view->SelectItem(0);
  }
  return 0;
}

void HistoryList::Add(std::string_view text, int32_t value, HistoryView* view) {
  const auto found =
      std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.text == text; });
  if (found != entries_.end()) {
    found->value = value;
    const auto p = static_cast<int32_t>(found - entries_.begin());
    if (p == 0) return;
    std::rotate(entries_.begin(), found, found + 1);
    if (view != nullptr) {
      view->DeleteItem(p);
      view->InsertItem(0, text);
      view->SelectItem(0);
    }
    return;
  }
  if (static_cast<int32_t>(entries_.size()) >= capacity_) {
    entries_.pop_back();
    if (view != nullptr) view->DeleteItem(static_cast<int32_t>(entries_.size()));
  }
  entries_.insert(entries_.begin(), Entry{std::string(text), value});
  if (view != nullptr) view->InsertItem(0, text);
}

void HistoryList::Save(SettingsStore& store) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    store.WriteString(name_, std::to_string(i), std::to_string(e.value) + "," + e.text);
  }
}

}  // namespace mardo
