#pragma once

#include "settings/history_list.h"
#include "ui/search_add.h"

namespace mardo {

class SettingsStore;

// The document: the three histories of the form's combo boxes. It holds no catalog data and is
// never written to a file; when the main window closes it saves the form's settings.
class CMardoDoc {
 public:
  CMardoDoc();

  HistoryList& Patterns() { return patterns_; }
  HistoryList& Ignored() { return ignored_; }
  HistoryList& Directories() { return directories_; }
  // The three, for the form's combo boxes.
  FormHistories Histories() { return {patterns_, ignored_, directories_}; }

  // Before the main window closes: "MaxHits", "TopDirs", the column widths and the histories,
  // taken from the live form.
  void SaveSettings(SettingsStore& store, const SearchAdd& form) const;

 private:
  HistoryList patterns_;
  HistoryList ignored_;
  HistoryList directories_;
};

}  // namespace mardo
