#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace mardo {

enum class OutputFormat { kTsv, kCsv, kJson };

// "tsv", "csv" or "json"; false for anything else.
bool ParseOutputFormat(std::string_view text, OutputFormat& format);

// Writes rows of cells so that no cell breaks its row or its format:
// - TSV: tab-separated lines; control characters in a cell as backslash escapes ("\t", "\n",
//   "\r", "\xHH").
// - CSV: RFC 4180 with a header line; cells keep their bytes, quoted when needed.
// - JSON: an array of objects keyed by the column headers, always valid: a cell that is not
//   valid UTF-8 is written with U+FFFD in place of the bad bytes, and its exact bytes follow in
//   base64 under the key "<header>_bytes".
// With `terminal`, cells are also made safe for a screen: no control character or byte that is
// not UTF-8 reaches it unescaped.
class TableWriter {
 public:
  TableWriter(std::ostream& out, OutputFormat format, std::span<const char* const> headers,
              bool terminal = false);
  ~TableWriter();

  void Row(std::span<const std::string> cells);
  // Ends the table (the JSON array); called by the destructor if not before.
  void Finish();

 private:
  std::ostream& out_;
  OutputFormat format_;
  std::span<const char* const> headers_;
  bool terminal_;
  size_t rows_ = 0;
  bool finished_ = false;
  std::string line_;  // a TSV line being made, its room kept from row to row
};

}  // namespace mardo
