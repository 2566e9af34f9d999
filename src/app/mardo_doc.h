#pragma once

#include "settings/history_list.h"

namespace mardo {

class SettingsStore;
class SearchAdd;

// The document: the three histories of the form's combo boxes. It holds no catalog data and is
// never written to a file; when the main window closes it saves the form's settings.
class CMardoDoc {
 public:
  CMardoDoc();

  HistoryList& Patterns() { return patterns_; }
  HistoryList& Ignored() { return ignored_; }
  HistoryList& Directories() { return directories_; }

  // Before the main window closes: "MaxHits", "TopDirs", the column widths and the histories,
  // taken from the live form.
  void SaveSettings(SettingsStore& store, const SearchAdd& form) const;

 private:
  HistoryList patterns_;
  HistoryList ignored_;
  HistoryList directories_;
};

}  // namespace mardo
