#include "cli/table_writer.h"

#include <cstdio>

namespace mardo {
namespace {

void WriteCsvField(std::ostream& out, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out << field;
    return;
  }
  out << '"';
  for (char c : field) {
    if (c == '"') out << '"';
    out << c;
  }
  out << '"';
}

void WriteJsonString(std::ostream& out, std::string_view text) {
  out << '"';
  for (char c : text) {
    switch (c) {
      case '"':
        out << "\\\"";
        break;
      case '\\':
        out << "\\\\";
        break;
      case '\n':
        out << "\\n";
        break;
      case '\r':
        out << "\\r";
        break;
      case '\t':
        out << "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out << escaped;
        } else {
          out << c;
        }
    }
  }
  out << '"';
}

}  // namespace

bool ParseOutputFormat(std::string_view text, OutputFormat& format) {
  if (text == "tsv") {
    format = OutputFormat::kTsv;
  } else if (text == "csv") {
    format = OutputFormat::kCsv;
  } else if (text == "json") {
    format = OutputFormat::kJson;
  } else {
    return false;
  }
  return true;
}

TableWriter::TableWriter(std::ostream& out, OutputFormat format, std::span<const char* const> headers)
    : out_(out), format_(format), headers_(headers) {
  if (format_ == OutputFormat::kCsv) {
    for (size_t i = 0; i < headers_.size(); ++i) {
      if (i > 0) out_ << ',';
      WriteCsvField(out_, headers_[i]);
    }
    out_ << "\r\n";
  } else if (format_ == OutputFormat::kJson) {
    out_ << '[';
  }
}

TableWriter::~TableWriter() {
  Finish();
}

void TableWriter::Row(std::span<const std::string> cells) {
  switch (format_) {
    case OutputFormat::kTsv:
      for (size_t i = 0; i < cells.size(); ++i) out_ << (i > 0 ? "\t" : "") << cells[i];
      out_ << '\n';
      break;
    case OutputFormat::kCsv:
      for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) out_ << ',';
        WriteCsvField(out_, cells[i]);
      }
      out_ << "\r\n";
      break;
    case OutputFormat::kJson:
      out_ << (rows_ > 0 ? ",\n  {" : "\n  {");
      for (size_t i = 0; i < cells.size() && i < headers_.size(); ++i) {
        if (i > 0) out_ << ", ";
        WriteJsonString(out_, headers_[i]);
        out_ << ": ";
        WriteJsonString(out_, cells[i]);
      }
      out_ << '}';
      break;
  }
  ++rows_;
}

void TableWriter::Finish() {
  if (finished_) return;
  finished_ = true;
  if (format_ == OutputFormat::kJson) out_ << (rows_ > 0 ? "\n]\n" : "]\n");
}

}  // namespace mardo
