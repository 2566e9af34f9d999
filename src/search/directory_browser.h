#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "search/form_tab.h"
#include "store/catalog_library.h"

namespace mardo {

class Catalog;
class FileRecord;

// The directory a directory entry stands for, or -1 (a file, or no such directory). In a catalog
// that keeps the scan's numbering it is the directory numbered minus the entry's length, whatever
// its stored path says; otherwise the directory whose path is the containing directory's path, a
// backslash and the entry's name, searched from the containing directory's number + 1 for an entry
// of a search result, else from 0.
int32_t DirectoryOfEntryNumber(const FileRecord& entry, bool fromSearchResult);

// What the directory list is to show.
struct DirectoryShow {
  const Catalog* catalog = nullptr;
  int32_t dirNumber = -1;
  std::vector<const FileRecord*> rows;   // the entries in the catalog's stored order
  const FileRecord* selected = nullptr;  // the row to select (not to focus); nullptr for none
  bool truncated = false;                // the directory holds more than the hit limit allows
  std::string caption;                   // the catalog's display name
};

// The entries of directory `dirNumber` of `catalog`, at most `hitLimit` of them; the entry named
// exactly `selectName` (byte for byte) is the one to select.
DirectoryShow ShowDirectory(const Catalog& catalog, int32_t dirNumber,
                            std::optional<std::string_view> selectName, int32_t hitLimit);

// The decisions of directory browsing: the tab change, opening a directory entry, Parent and
// Subdirectory. Keeps the entry whose content was last asked for, so that Parent works from an
// empty listing; forgets it when its record or catalog goes.
class DirectoryBrowser final : public CatalogObserver {
 public:
  struct Step {
    enum class Kind { kNothing, kShow, kMessage };
    Kind kind = Kind::kNothing;
    DirectoryShow show;   // kShow: fill the directory list with it
    std::string message;  // kMessage: tell the user (exclamation icon)
  };
  struct TabChange {
    bool accepted = false;  // show the new tab's controls; otherwise go back to the shown tab
    Step step;              // a listing to show first, or the refusal message
  };

  // The tab strip selected `newTab` while `shownTab` is shown. Switching to the Directory tab
  // needs exactly one selected row in the list of the tab being left: a file result shows its
  // directory with its row selected, a directory result that directory's content, a catalog its
  // root directory.
  TabChange ChangeTab(int32_t newTab, int32_t shownTab, std::span<const FileRecord* const> selectedResults,
                      std::span<const Catalog* const> selectedCatalogs, int32_t hitLimit);

  // Shows the content of the directory a directory entry stands for; nothing for a file.
  Step OpenEntry(const FileRecord* entry, int32_t hitLimit);

  // Parent: `firstRow` is the first row of the directory list (nullptr when it is empty); then
  // the directory that holds the listing, with the listed directory's row selected. From an empty
  // listing, the directory that holds the entry last opened, with its row selected.
  Step Parent(const FileRecord* firstRow, int32_t hitLimit);

  // Subdirectory: opens the first selected row when it is a directory entry.
  Step Subdirectory(const FileRecord* firstSelected, int32_t hitLimit);

  const FileRecord* LastOpenedEntry() const { return lastOpenedEntry_; }

  void CatalogRemoving(const Catalog& catalog) override;
  void RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const> records) override;

 private:
  Step ShowParentOf(const FileRecord& entry, bool remembered, int32_t hitLimit) const;

  const FileRecord* lastOpenedEntry_ = nullptr;
};

// Whether the Directory tab opens when chosen while `shownTab` is shown: it needs exactly one
// selected row in the search results (from the Search tab) or the catalog list (from the Catalog
// tab).
bool DirectoryTabOpens(int32_t shownTab, size_t selectedResults, size_t selectedCatalogs);

// The tab Ctrl+Tab (`step` 1) or Ctrl+Shift+Tab (`step` -1) goes to from `shownTab`: the next one
// in that direction, passing over the Directory tab when it would not open.
int32_t NextTab(int32_t shownTab, int32_t step, size_t selectedResults, size_t selectedCatalogs);

// What the Enter key does on each tab.
enum class EnterAction { kNothing, kSearch, kSubdirectory, kAdd };
EnterAction EnterKeyAction(int32_t currentTab);

}  // namespace mardo
