#pragma once

#include <span>
#include <string>
#include <string_view>

#include "search/form_tab.h"

namespace mardo {

class Catalog;
class FileRecord;
struct DateFormats;

// The clipboard text of the lists: one tab-separated line per row, padded for fixed-width
// viewing (the widths are minimums; longer texts are not cut). A tab, carriage return or line
// feed inside a text (a Linux file name may hold one) shows as '?', so that a row stays one line
// of its columns.

// A search-results or directory-list row: "%-32s\t%s\t%17s\t%s" with the entry's shown path ("/docs/a.txt"),
// the length text, the last-write time in `dateFormat` and the catalog's display name. No line end.
std::string CopyLine(const FileRecord& entry, std::string_view dateFormat, std::string_view decimalSeparator);

// A catalog-list row: "%-16s\t%8s\t%8ld\t%17s\t(%9lu)\t%s" with the display name, the free space
// ("%.3f" with a point whatever the locale, "--N/A--" when unknown), the record count, the
// catalogued time in `dateFormat`, the serial number and the catalog file path. No line end.
std::string CopyLine(const Catalog& catalog, std::string_view dateFormat);

// The length column of a file row: "%9ld" for a file; for a directory entry of a version-3
// catalog the total of its directory's subtree in MiB, "%.3lf" with each point replaced by the
// decimal separator; "Directory" for older catalogs.
std::string CopyLengthText(const FileRecord& entry, std::string_view decimalSeparator);

// The clipboard text of the selected rows of the current list, given in ascending row order: the
// catalog rows on the Catalog tab, otherwise the file rows with the date format of their tab.
// Every line, the last included, ends with "\r\n". `decimalSeparator` is the user's; only its
// first character counts, and an empty one or a point leaves the point. Rows that are null are
// passed over.
std::string BuildCopyText(FormTab tab, std::span<const FileRecord* const> fileRows,
                          std::span<const Catalog* const> catalogRows, const DateFormats& formats,
                          std::string_view decimalSeparator);

}  // namespace mardo
