#include "settings/settings_values.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "base/number_scan.h"
#include "search/search_texts.h"
#include "settings/app_texts.h"
#include "settings/history_list.h"
#include "settings/history_view.h"
#include "settings/settings_store.h"

namespace mardo {

using namespace settings;

namespace {

std::string ReadDateFormat(SettingsStore& store, const char* name, const char* fallback) {
  std::optional<std::string> format = store.ReadString(kFormatSection, name);
  if (format && !format->empty()) return *format;
  store.WriteString(kFormatSection, name, fallback);
  return fallback;
}

// %u as scanf stores it: a negative number wraps, a too large one saturates.
uint32_t ToUnsigned32(int64_t value) {
  constexpr int64_t kMax = std::numeric_limits<uint32_t>::max();
  if (value > kMax || value < -kMax) return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(value);
}

}  // namespace

int32_t ReadHitLimit(const SettingsStore& store) {
  const int32_t limit = store.ReadInt(kSettingsSection, kMaxHits).value_or(kDefaultHitLimit);
  return limit < 1 || limit > kMaxStoredHitLimit ? kReplacementHitLimit : limit;
}

int32_t ReadDirsFirst(const SettingsStore& store) {
  const int32_t dirsFirst = store.ReadInt(kSettingsSection, kTopDirs).value_or(1);
  return dirsFirst == 0 ? 0 : 1;
}

DateFormats ReadDateFormats(SettingsStore& store) {
  DateFormats formats;
  formats.result = ReadDateFormat(store, kResultFormat, texts::kDefaultResultDateFormat);
  formats.dir = ReadDateFormat(store, kDirFormat, texts::kDefaultDirDateFormat);
  formats.catalog = ReadDateFormat(store, kCatalogFormat, texts::kDefaultCatalogDateFormat);
  return formats;
}

const char* ColumnWidthName(ListKind list) {
  switch (list) {
    case ListKind::kResults:
      return kColumnWidthResult;
    case ListKind::kDirectory:
      return kColumnWidthDirectory;
    case ListKind::kCatalog:
      break;
  }
  return kColumnWidthCatalog;
}

size_t SavedColumnCount(ListKind list) {
  const size_t columns = ColumnsOf(list).size();
  return list == ListKind::kCatalog ? columns - 1 : columns;
}

size_t ParseColumnWidths(std::string_view text, std::span<int32_t> widths) {
  size_t pos = 0;
  size_t count = 0;
  for (; count < widths.size(); ++count) {
    // A literal comma in a scanf format matches only itself: no blanks before it.
    if (count > 0) {
      if (pos >= text.size() || text[pos] != ',') break;
      ++pos;
    }
    int64_t value = 0;
    if (!ScanNumber(text, pos, NumberStyle::kAny, value)) break;
    widths[count] = Saturate32(value);
  }
  return count;
}

std::string FormatColumnWidths(std::span<const int32_t> widths) {
  std::string text;
  for (size_t i = 0; i < widths.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(widths[i]);
  }
  return text;
}

std::vector<int32_t> ReadColumnWidths(const SettingsStore& store, ListKind list) {
  std::vector<int32_t> widths;
  for (const ColumnDef& column : ColumnsOf(list)) widths.push_back(column.width);
  const std::optional<std::string> stored = store.ReadString(kSettingsSection, ColumnWidthName(list));
  if (stored && !stored->empty())
    ParseColumnWidths(*stored, std::span<int32_t>(widths).first(SavedColumnCount(list)));
  return widths;
}

void WriteColumnWidths(SettingsStore& store, ListKind list, std::span<const int32_t> widths) {
  const size_t kept = std::min(widths.size(), SavedColumnCount(list));
  store.WriteString(kSettingsSection, ColumnWidthName(list), FormatColumnWidths(widths.first(kept)));
}

std::optional<WindowPlacement> ParseWindowPlacement(std::string_view text) {
  int64_t numbers[10] = {};
  size_t pos = 0;
  for (size_t i = 0; i < 10; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != ',') return std::nullopt;
      ++pos;
    }
    if (!ScanNumber(text, pos, NumberStyle::kDecimal, numbers[i])) return std::nullopt;
  }
  WindowPlacement p;
  p.flags = ToUnsigned32(numbers[0]);
  p.showCommand = ToUnsigned32(numbers[1]);
  p.minimizedX = Saturate32(numbers[2]);
  p.minimizedY = Saturate32(numbers[3]);
  p.maximizedX = Saturate32(numbers[4]);
  p.maximizedY = Saturate32(numbers[5]);
  p.left = Saturate32(numbers[6]);
  p.top = Saturate32(numbers[7]);
  p.right = Saturate32(numbers[8]);
  p.bottom = Saturate32(numbers[9]);
  return p;
}

std::string FormatWindowPlacement(const WindowPlacement& p) {
  char text[128];
  std::snprintf(text, sizeof text, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, p.showCommand, p.minimizedX,
                p.minimizedY, p.maximizedX, p.maximizedY, p.left, p.top, p.right, p.bottom);
  return text;
}

std::optional<WindowPlacement> ReadWindowPlacement(const SettingsStore& store) {
  const std::optional<std::string> stored = store.ReadString(kSettingsSection, kWindowPos);
  if (!stored) return std::nullopt;
  return ParseWindowPlacement(*stored);
}

void WriteWindowPlacement(SettingsStore& store, const WindowPlacement& placement) {
  store.WriteString(kSettingsSection, kWindowPos, FormatWindowPlacement(placement));
}

std::optional<WindowGeometry> RestoredGeometry(const WindowPlacement& p) {
  // In 64 bits: the difference of two 32-bit coordinates may not fit in 32.
  const int64_t width = int64_t{p.right} - p.left;
  const int64_t height = int64_t{p.bottom} - p.top;
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  if (width <= 0 || height <= 0 || width > kMax || height > kMax) return std::nullopt;
  return WindowGeometry{p.left, p.top, static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

FormSettings ReadFormSettings(SettingsStore& store) {
  FormSettings values;
  values.hitLimit = ReadHitLimit(store);
  values.dirsFirst = ReadDirsFirst(store);
  values.formats = ReadDateFormats(store);
  values.resultWidths = ReadColumnWidths(store, ListKind::kResults);
  values.directoryWidths = ReadColumnWidths(store, ListKind::kDirectory);
  values.catalogWidths = ReadColumnWidths(store, ListKind::kCatalog);
  return values;
}

void LoadFormHistories(const SettingsStore& store, HistoryList& patterns, HistoryView* patternsView,
                       HistoryList& ignored, HistoryView* ignoredView, HistoryList& directories,
                       HistoryView* directoriesView) {
  patterns.Load(store, patternsView);
  ignored.Load(store, ignoredView, kDefaultIgnored);
  directories.Load(store, directoriesView);
  directories.Add("", 0, directoriesView);
}

void SaveAtClosing(SettingsStore& store, const ClosingSettings& values, const HistoryList& patterns,
                   const HistoryList& ignored, const HistoryList& directories) {
  store.WriteInt(kSettingsSection, kMaxHits, values.hitLimit);
  store.WriteInt(kSettingsSection, kTopDirs, values.dirsFirst);
  WriteColumnWidths(store, ListKind::kResults, values.resultWidths);
  WriteColumnWidths(store, ListKind::kDirectory, values.directoryWidths);
  WriteColumnWidths(store, ListKind::kCatalog, values.catalogWidths);
  patterns.Save(store);
  ignored.Save(store);
  directories.Save(store);
}

}  // namespace mardo
