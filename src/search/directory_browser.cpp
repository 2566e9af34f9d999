#include "search/directory_browser.h"

#include <algorithm>

#include "search/directory_listing.h"
#include "search/search_texts.h"
#include "store/catalog.h"

namespace mardo {
namespace {

DirectoryBrowser::Step Show(DirectoryShow show) {
  DirectoryBrowser::Step step;
  step.kind = DirectoryBrowser::Step::Kind::kShow;
  step.show = std::move(show);
  return step;
}

DirectoryBrowser::Step Message(const char* text) {
  DirectoryBrowser::Step step;
  step.kind = DirectoryBrowser::Step::Kind::kMessage;
  step.message = text;
  return step;
}

// The catalog path of the directory that holds `entry`, or nullopt when its number is out of range.
std::optional<std::string_view> ContainingPath(const FileRecord& entry) {
  const DirRecord* dir = ContainingDirectoryOfEntry(entry);
  if (dir == nullptr) return std::nullopt;
  return dir->Path();
}

}  // namespace

int32_t DirectoryOfEntryNumber(const FileRecord& entry, bool fromSearchResult) {
  const Catalog* catalog = entry.OwningCatalog();
  if (!entry.IsDirectory()) return -1;
  if (catalog->KeepsDirectoryNumbering())
    return catalog->DirectoryOf(entry) != nullptr ? static_cast<int32_t>(-entry.length) : -1;
  const std::optional<std::string_view> parent = ContainingPath(entry);
  if (!parent) return -1;
  std::string target(*parent);
  target.push_back('\\');
  target.append(entry.Name());
  return FindDirectory(*catalog, target, fromSearchResult ? entry.dirNumber + 1 : 0);
}

DirectoryShow ShowDirectory(const Catalog& catalog, int32_t dirNumber,
                            std::optional<std::string_view> selectName, int32_t hitLimit) {
  DirectoryShow show;
  show.catalog = &catalog;
  show.dirNumber = dirNumber;
  show.caption = catalog.DisplayName();
  DirectoryListing listing = ListDirectory(catalog, dirNumber, hitLimit);
  show.rows = std::move(listing.entries);
  show.truncated = listing.truncated;
  if (selectName) {
    const auto named = std::find_if(show.rows.begin(), show.rows.end(),
                                    [&](const FileRecord* entry) { return entry->Name() == *selectName; });
    if (named != show.rows.end()) show.selected = *named;
  }
  return show;
}

DirectoryBrowser::TabChange DirectoryBrowser::ChangeTab(int32_t newTab, int32_t shownTab,
                                                        std::span<const FileRecord* const> selectedResults,
                                                        std::span<const Catalog* const> selectedCatalogs,
                                                        int32_t hitLimit) {
  TabChange change;
  if (newTab == shownTab) return change;
  change.accepted = true;
  if (newTab != static_cast<int32_t>(FormTab::kDirectory)) return change;

  lastOpenedEntry_ = nullptr;
  if (!DirectoryTabOpens(shownTab, selectedResults.size(), selectedCatalogs.size())) {
    change.accepted = false;
    change.step = Message(texts::kSelectOneRow);
    return change;
  }
  if (shownTab == static_cast<int32_t>(FormTab::kSearch)) {
    const FileRecord& entry = *selectedResults[0];
    if (!entry.IsDirectory()) {
      change.step =
          Show(mardo::ShowDirectory(*entry.OwningCatalog(), entry.dirNumber, entry.Name(), hitLimit));
    } else if (const int32_t number = DirectoryOfEntryNumber(entry, true); number >= 0) {
      change.step = Show(mardo::ShowDirectory(*entry.OwningCatalog(), number, std::nullopt, hitLimit));
    }
    return change;
  }
  const Catalog& catalog = *selectedCatalogs[0];
  change.step = Show(mardo::ShowDirectory(catalog, 0, std::nullopt, hitLimit));
  return change;
}

DirectoryBrowser::Step DirectoryBrowser::OpenEntry(const FileRecord* entry, int32_t hitLimit) {
  if (entry == nullptr || !entry->IsDirectory()) return {};
  lastOpenedEntry_ = entry;
  const int32_t number = DirectoryOfEntryNumber(*entry, false);
  if (number < 0) return {};
  return Show(mardo::ShowDirectory(*entry->OwningCatalog(), number, std::nullopt, hitLimit));
}

DirectoryBrowser::Step DirectoryBrowser::Parent(const FileRecord* firstRow, int32_t hitLimit) {
  if (firstRow != nullptr) return ShowParentOf(*firstRow, false, hitLimit);
  if (lastOpenedEntry_ != nullptr) return ShowParentOf(*lastOpenedEntry_, true, hitLimit);
  return {};
}

DirectoryBrowser::Step DirectoryBrowser::ShowParentOf(const FileRecord& entry, bool remembered,
                                                      int32_t hitLimit) const {
  const Catalog* catalog = entry.OwningCatalog();
  if (remembered) {
    // The directory that holds the remembered entry, with its row selected.
    if (ContainingDirectoryOfEntry(entry) == nullptr) return {};
    return Show(mardo::ShowDirectory(*catalog, entry.dirNumber, entry.Name(), hitLimit));
  }
  if (catalog->KeepsDirectoryNumbering()) {
    // The listed directory is entry.dirNumber; its own entry names it and lies in its parent. The
    // root (number 0) has no catalogued parent.
    const FileRecord* listed = catalog->EntryOfDirectory(entry.dirNumber);
    if (listed == nullptr) return {};
    return Show(mardo::ShowDirectory(*catalog, listed->dirNumber, listed->Name(), hitLimit));
  }
  const std::optional<std::string_view> path = ContainingPath(entry);
  if (!path) return {};
  const size_t slash = path->rfind('\\');
  if (slash == std::string_view::npos) return {};
  const int32_t parent = FindDirectory(*catalog, path->substr(0, slash), 0);
  if (parent < 0) return {};
  return Show(mardo::ShowDirectory(*catalog, parent, path->substr(slash + 1), hitLimit));
}

DirectoryBrowser::Step DirectoryBrowser::Subdirectory(const FileRecord* firstSelected, int32_t hitLimit) {
  if (firstSelected == nullptr || !firstSelected->IsDirectory()) return Message(texts::kSelectDirectoryRow);
  return OpenEntry(firstSelected, hitLimit);
}

void DirectoryBrowser::CatalogRemoving(const Catalog& catalog) {
  if (lastOpenedEntry_ != nullptr && lastOpenedEntry_->OwningCatalog() == &catalog)
    lastOpenedEntry_ = nullptr;
}

void DirectoryBrowser::RecordsRemoving(const Catalog&, std::span<const FileRecord* const> records) {
  if (std::find(records.begin(), records.end(), lastOpenedEntry_) != records.end())
    lastOpenedEntry_ = nullptr;
}

bool DirectoryTabOpens(int32_t shownTab, size_t selectedResults, size_t selectedCatalogs) {
  return (shownTab == static_cast<int32_t>(FormTab::kSearch) && selectedResults == 1) ||
         (shownTab == static_cast<int32_t>(FormTab::kCatalog) && selectedCatalogs == 1);
}

int32_t NextTab(int32_t shownTab, int32_t step, size_t selectedResults, size_t selectedCatalogs) {
  constexpr int32_t kTabs = 3;
  int32_t next = ((shownTab + step) % kTabs + kTabs) % kTabs;
  if (next == static_cast<int32_t>(FormTab::kDirectory) &&
      !DirectoryTabOpens(shownTab, selectedResults, selectedCatalogs))
    next = ((next + step) % kTabs + kTabs) % kTabs;
  return next;
}

EnterAction EnterKeyAction(int32_t currentTab) {
  switch (currentTab) {
    case static_cast<int32_t>(FormTab::kSearch):
      return EnterAction::kSearch;
    case static_cast<int32_t>(FormTab::kDirectory):
      return EnterAction::kSubdirectory;
    case static_cast<int32_t>(FormTab::kCatalog):
      return EnterAction::kAdd;
    default:
      return EnterAction::kNothing;
  }
}

}  // namespace mardo
