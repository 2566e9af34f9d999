#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "search/date_formats.h"
#include "search/sort_state.h"

namespace mardo {

class HistoryList;
class HistoryView;
class SettingsStore;

// "Settings" "MaxHits": the search hit limit.
inline constexpr int32_t kDefaultHitLimit = 512;
inline constexpr int32_t kMaxStoredHitLimit = 5120;
inline constexpr int32_t kReplacementHitLimit = 2560;

// 512 when absent; a stored value below 1 or above 5120 becomes 2560 (in memory only: the
// corrected value is written at the next closing).
int32_t ReadHitLimit(const SettingsStore& store);
// "Settings" "TopDirs", the "Dirs before files" box: 1 when absent, and anything but 0 or 1
// becomes 1.
int32_t ReadDirsFirst(const SettingsStore& store);

// The strftime formats of the date columns ("Format" "Result", "Dir", "Catalog"):
// a format that is absent or empty takes its default, and the default is written back at once so
// that the user finds it in the settings file to edit.
DateFormats ReadDateFormats(SettingsStore& store);

// Column widths in pixels, kept per list as "ColumnWidthResult", "ColumnWidthDirectory" and
// "ColumnWidthCatalog". The catalog list's last column (the catalog file name) is never kept.
const char* ColumnWidthName(ListKind list);
size_t SavedColumnCount(ListKind list);
// Reads "%i,%i,..." into `widths` in order as scanf does (decimal, 0x hexadecimal, leading-0
// octal), stopping at the first number that does not parse or at the end of `widths`; no range
// check. Gives how many were read; the rest keep their values.
size_t ParseColumnWidths(std::string_view text, std::span<int32_t> widths);
// Decimal, separated by commas.
std::string FormatColumnWidths(std::span<const int32_t> widths);
// One width per column of the list: the column table's defaults, over which the stored widths
// of the kept columns are laid.
std::vector<int32_t> ReadColumnWidths(const SettingsStore& store, ListKind list);
// Writes the widths of the kept columns (more are ignored).
void WriteColumnWidths(SettingsStore& store, ListKind list, std::span<const int32_t> widths);

// "Settings" "WindowPos": the main window's placement as the ten numbers
// "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d" (screen pixels).
struct WindowPlacement {
  uint32_t flags = 0;
  uint32_t showCommand = 0;
  int32_t minimizedX = 0;
  int32_t minimizedY = 0;
  int32_t maximizedX = 0;
  int32_t maximizedY = 0;
  int32_t left = 0;  // the normal (restored) rectangle
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  bool operator==(const WindowPlacement&) const = default;
};
// Nothing unless all ten numbers parse.
std::optional<WindowPlacement> ParseWindowPlacement(std::string_view text);
std::string FormatWindowPlacement(const WindowPlacement& placement);
std::optional<WindowPlacement> ReadWindowPlacement(const SettingsStore& store);
void WriteWindowPlacement(SettingsStore& store, const WindowPlacement& placement);

// Where the main window comes back: only the normal rectangle counts, so a window closed while
// maximized or minimized returns in its normal size.
struct WindowGeometry {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  bool operator==(const WindowGeometry&) const = default;
};
// Nothing for a rectangle without area or too large for 32 bits: the window then opens at the
// desktop's default place.
std::optional<WindowGeometry> RestoredGeometry(const WindowPlacement& placement);

// What the form reads at set-up, in this order: "MaxHits", "TopDirs", the three formats, the three
// column-width strings.
struct FormSettings {
  int32_t hitLimit = kDefaultHitLimit;
  int32_t dirsFirst = 1;
  DateFormats formats;
  std::vector<int32_t> resultWidths;  // one per column of each list
  std::vector<int32_t> directoryWidths;
  std::vector<int32_t> catalogWidths;
};
FormSettings ReadFormSettings(SettingsStore& store);

// Fills the form's three boxes from their histories: "Patterns" without default, "Ignored" with
// its default text, "Directories" without default, and then the empty text (value 0) enters
// "Directories" so that the root-directory box always offers an empty item.
void LoadFormHistories(const SettingsStore& store, HistoryList& patterns, HistoryView* patternsView,
                       HistoryList& ignored, HistoryView* ignoredView, HistoryList& directories,
                       HistoryView* directoriesView);

// The live values of the form when the main window closes.
struct ClosingSettings {
  int32_t hitLimit = kDefaultHitLimit;
  int32_t dirsFirst = 1;
  std::span<const int32_t> resultWidths;
  std::span<const int32_t> directoryWidths;
  std::span<const int32_t> catalogWidths;
};
// Writes, in this order, "MaxHits", "TopDirs", the three column-width strings, then the histories
// "Patterns", "Ignored", "Directories". The formats and the window position are not written here.
void SaveAtClosing(SettingsStore& store, const ClosingSettings& values, const HistoryList& patterns,
                   const HistoryList& ignored, const HistoryList& directories);

}  // namespace mardo
