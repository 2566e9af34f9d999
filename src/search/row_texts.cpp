#include "search/row_texts.h"

#include <cstdio>

#include "platform/local_time.h"
#include "search/entry_path.h"
#include "search/search_texts.h"
#include "store/catalog.h"

namespace mardo {
namespace {

std::string Printf(const char* format, double value) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, value);
  if (n >= 0 && static_cast<size_t>(n) < sizeof buffer) return buffer;
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), format, value);
  big.pop_back();
  return big;
}

std::string PathCell(const FileRecord& entry) {
  const Catalog* catalog = entry.OwningCatalog();
  return catalog != nullptr ? ShownDirectoryPath(*catalog, entry.dirNumber) : std::string();
}

}  // namespace

std::string LengthCell(const FileRecord& entry, bool grouping) {
  if (!entry.IsDirectory()) return std::to_string(entry.length);
  if (!grouping && entry.OwningCatalog()->formatVersion >= 3) {
    if (const DirRecord* dir = entry.OwningCatalog()->DirectoryOf(entry)) {
      return Printf("%.3lf", dir->totalLength / (1024.0 * 1024.0));
    }
  }
  return texts::kDirectoryCell;
}

std::string ResultCell(const FileRecord& entry, int32_t column, bool grouping, std::string_view dateFormat) {
  switch (column) {
    case 0:
      return std::string(entry.Name());
    case 1:
      return FormatLocalTime(entry.lastWriteTime, dateFormat);
    case 2:
      return LengthCell(entry, grouping);
    case 3:
      return entry.OwningCatalog()->DisplayName();
    case 4:
      return PathCell(entry);
    default:
      return {};
  }
}

std::string DirectoryCell(const FileRecord& entry, int32_t column, std::string_view dateFormat) {
  // The directory list has the results' columns without Volume.
  return ResultCell(entry, column >= 3 ? column + 1 : column, false, dateFormat);
}

std::string CatalogCell(const Catalog& catalog, int32_t column, std::string_view dateFormat) {
  switch (column) {
    case 0:
      return catalog.DisplayName();
    case 1:
      return FormatLocalTime(catalog.cataloguedTime, dateFormat);
    case 2:
      return catalog.freeSpace >= 0 ? Printf("%.3f", catalog.freeSpace)
                                    : std::string(texts::kUnknownFreeSpace);
    case 3:
      return std::to_string(catalog.files.Size());
    case 4:
      return catalog.volumeLabel;
    case 5:
      return std::to_string(catalog.serialNumber);
    case 6:
      return catalog.filePath;
    default:
      return {};
  }
}

std::array<std::string, 5> ResultCells(const FileRecord& entry, bool grouping, std::string_view dateFormat) {
  std::array<std::string, 5> cells;
  for (int32_t c = 0; c < 5; ++c) cells[static_cast<size_t>(c)] = ResultCell(entry, c, grouping, dateFormat);
  return cells;
}

std::array<std::string, 4> DirectoryCells(const FileRecord& entry, std::string_view dateFormat) {
  std::array<std::string, 4> cells;
  for (int32_t c = 0; c < 4; ++c) cells[static_cast<size_t>(c)] = DirectoryCell(entry, c, dateFormat);
  return cells;
}

std::array<std::string, 7> CatalogCells(const Catalog& catalog, std::string_view dateFormat) {
  std::array<std::string, 7> cells;
  for (int32_t c = 0; c < 7; ++c) cells[static_cast<size_t>(c)] = CatalogCell(catalog, c, dateFormat);
  return cells;
}

}  // namespace mardo
