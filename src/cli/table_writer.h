#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace mardo {

enum class OutputFormat { kTsv, kCsv, kJson };

// "tsv", "csv" or "json"; false for anything else.
bool ParseOutputFormat(std::string_view text, OutputFormat& format);

// Writes rows of cells: tab-separated lines; RFC 4180 CSV with a header line; or a JSON array of
// objects keyed by the column headers. Bytes of the cells are written as they are (JSON escapes
// only quotes, backslashes and control characters).
class TableWriter {
 public:
  TableWriter(std::ostream& out, OutputFormat format, std::span<const char* const> headers);
  ~TableWriter();

  void Row(std::span<const std::string> cells);
  // Ends the table (the JSON array); called by the destructor if not before.
  void Finish();

 private:
  std::ostream& out_;
  OutputFormat format_;
  std::span<const char* const> headers_;
  size_t rows_ = 0;
  bool finished_ = false;
};

}  // namespace mardo
