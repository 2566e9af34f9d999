#include "search/row_texts.h"

#include <cstdio>

#include "platform/local_time.h"
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
  const DirRecord* dir = ContainingDirectoryOfEntry(entry);
  return dir != nullptr ? std::string(dir->Path()) : std::string();
}

}  // namespace

std::string LengthCell(const FileRecord& entry, bool grouping) {
  if (!entry.IsDirectory()) return std::to_string(entry.length);
  if (!grouping && entry.catalog != nullptr && entry.catalog->formatVersion >= 3) {
    if (const DirRecord* dir = entry.catalog->DirectoryOf(entry)) {
      return Printf("%.3lf", dir->totalLength / (1024.0 * 1024.0));
    }
  }
  return texts::kDirectoryCell;
}

std::array<std::string, 5> ResultCells(const FileRecord& entry, bool grouping, std::string_view dateFormat) {
  return {std::string(entry.Name()), FormatLocalTime(entry.lastWriteTime, dateFormat),
          LengthCell(entry, grouping),
          entry.catalog != nullptr ? entry.catalog->DisplayName() : std::string(), PathCell(entry)};
}

std::array<std::string, 4> DirectoryCells(const FileRecord& entry, std::string_view dateFormat) {
  return {std::string(entry.Name()), FormatLocalTime(entry.lastWriteTime, dateFormat),
          LengthCell(entry, false), PathCell(entry)};
}

std::array<std::string, 7> CatalogCells(const Catalog& catalog, std::string_view dateFormat) {
  return {catalog.DisplayName(),
          FormatLocalTime(catalog.cataloguedTime, dateFormat),
          catalog.freeSpace >= 0 ? Printf("%.3f", catalog.freeSpace) : std::string(texts::kUnknownFreeSpace),
          std::to_string(catalog.files.Size()),
          catalog.volumeLabel,
          std::to_string(catalog.serialNumber),
          catalog.filePath};
}

}  // namespace mardo
