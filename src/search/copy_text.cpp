#include "search/copy_text.h"

#include <charconv>
#include <cstdio>

#include "platform/local_time.h"
#include "search/date_formats.h"
#include "search/entry_path.h"
#include "search/search_texts.h"
#include "store/catalog.h"

namespace mardo {
namespace {

// "%.3f" that ignores the C locale: the process may run under a locale whose decimal point is a
// comma, and the catalog row always shows a point.
std::string FixedThree(double value) {
  char buffer[400];  // the widest double in fixed notation with three decimals fits
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
  return ec == std::errc() ? std::string(buffer, end) : std::string();
}

// The first character of a UTF-8 text: a lead byte with its continuation bytes.
std::string_view FirstCharacter(std::string_view text) {
  if (text.empty()) return text;
  size_t n = 1;
  if (static_cast<unsigned char>(text[0]) >= 0xC0) {
    while (n < text.size() && n < 4 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
  }
  return text.substr(0, n);
}

void AppendField(std::string& line, std::string_view text) {
  for (char c : text) line.push_back(c == '\t' || c == '\r' || c == '\n' ? '?' : c);
}

// printf's "%-Ns" and "%Ns".
void AppendLeft(std::string& line, std::string_view text, size_t width) {
  AppendField(line, text);
  if (text.size() < width) line.append(width - text.size(), ' ');
}
void AppendRight(std::string& line, std::string_view text, size_t width) {
  if (text.size() < width) line.append(width - text.size(), ' ');
  AppendField(line, text);
}

template <class Integer>
std::string Printf(const char* format, Integer value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string_view DateFormatOf(FormTab tab, const DateFormats& formats) {
  switch (tab) {
    case FormTab::kSearch:
      return formats.result;
    case FormTab::kDirectory:
      return formats.dir;
    case FormTab::kCatalog:
      return formats.catalog;
  }
  return {};
}

}  // namespace

std::string CopyLengthText(const FileRecord& entry, std::string_view decimalSeparator) {
  if (!entry.IsDirectory()) return Printf("%9ld", static_cast<long>(entry.length));
  const Catalog* catalog = entry.OwningCatalog();
  const DirRecord* dir = catalog->formatVersion >= 3 ? catalog->DirectoryOf(entry) : nullptr;
  if (dir == nullptr) return texts::kDirectoryCell;
  const std::string number = FixedThree(dir->totalLength / (1024.0 * 1024.0));
  const std::string_view separator = FirstCharacter(decimalSeparator);
  if (separator.empty() || separator == ".") return number;
  std::string text;
  for (char c : number) {
    if (c == '.') {
      text.append(separator);
    } else {
      text.push_back(c);
    }
  }
  return text;
}

std::string CopyLine(const FileRecord& entry, std::string_view dateFormat,
                     std::string_view decimalSeparator) {
  std::string line;
  AppendLeft(line, ShownEntryPath(entry), 32);
  line.push_back('\t');
  line.append(CopyLengthText(entry, decimalSeparator));
  line.push_back('\t');
  AppendRight(line, FormatLocalTime(entry.lastWriteTime, dateFormat), 17);
  line.push_back('\t');
  AppendField(line, entry.OwningCatalog()->DisplayName());
  return line;
}

std::string CopyLine(const Catalog& catalog, std::string_view dateFormat) {
  std::string line;
  AppendLeft(line, catalog.DisplayName(), 16);
  line.push_back('\t');
  AppendRight(line, catalog.freeSpace >= 0 ? FixedThree(catalog.freeSpace) : texts::kCopyUnknownFreeSpace, 8);
  line.push_back('\t');
  line.append(Printf("%8ld", static_cast<long>(catalog.files.Size())));
  line.push_back('\t');
  AppendRight(line, FormatLocalTime(catalog.cataloguedTime, dateFormat), 17);
  line.push_back('\t');
  line.append(Printf("(%9lu)", static_cast<unsigned long>(catalog.serialNumber)));
  line.push_back('\t');
  AppendField(line, catalog.filePath);
  return line;
}

std::string BuildCopyText(FormTab tab, std::span<const FileRecord* const> fileRows,
                          std::span<const Catalog* const> catalogRows, const DateFormats& formats,
                          std::string_view decimalSeparator) {
  const std::string_view dateFormat = DateFormatOf(tab, formats);
  std::string text;
  if (tab == FormTab::kCatalog) {
    for (const Catalog* catalog : catalogRows) {
      if (catalog == nullptr) continue;
      text.append(CopyLine(*catalog, dateFormat));
      text.append("\r\n");
    }
  } else {
    for (const FileRecord* entry : fileRows) {
      if (entry == nullptr) continue;
      text.append(CopyLine(*entry, dateFormat, decimalSeparator));
      text.append("\r\n");
    }
  }
  return text;
}

}  // namespace mardo
