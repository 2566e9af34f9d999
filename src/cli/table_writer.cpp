#include "cli/table_writer.h"

#include <cstdio>

#include "cli/text_escape.h"

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

// A JSON string of valid UTF-8 text. Besides what JSON requires (quotes, backslashes, C0
// controls), DEL and the C1 controls are escaped too, so that the text is safe on a terminal.
void WriteJsonString(std::ostream& out, std::string_view text) {
  out << '"';
  char escaped[8];
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
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
        if (byte < 0x20 || byte == 0x7F) {
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(byte));
          out << escaped;
        } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
          std::snprintf(escaped, sizeof escaped, "\\u%04x",
                        static_cast<unsigned>(static_cast<unsigned char>(text[++i])));
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

TableWriter::TableWriter(std::ostream& out, OutputFormat format, std::span<const char* const> headers,
                         bool terminal)
    : out_(out), format_(format), headers_(headers), terminal_(terminal) {
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
      // A line is made whole and written at once: thousands of rows cost less so.
      line_.clear();
      for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) line_ += '\t';
        AppendEscapedControls(line_, cells[i], terminal_);
      }
      line_ += '\n';
      out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
      break;
    case OutputFormat::kCsv:
      for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) out_ << ',';
        WriteCsvField(out_, terminal_ ? EscapeControls(cells[i], true) : cells[i]);
      }
      out_ << "\r\n";
      break;
    case OutputFormat::kJson:
      out_ << (rows_ > 0 ? ",\n  {" : "\n  {");
      for (size_t i = 0; i < cells.size() && i < headers_.size(); ++i) {
        if (i > 0) out_ << ", ";
        WriteJsonString(out_, headers_[i]);
        out_ << ": ";
        if (IsValidUtf8(cells[i])) {
          WriteJsonString(out_, cells[i]);
        } else {
          WriteJsonString(out_, ReplaceInvalidUtf8(cells[i]));
          out_ << ", ";
          WriteJsonString(out_, std::string(headers_[i]) + "_bytes");
          out_ << ": \"" << Base64(cells[i]) << '"';
        }
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
