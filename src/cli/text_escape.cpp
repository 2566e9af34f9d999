#include "cli/text_escape.h"

#include <cstdint>

namespace mardo {
namespace {

// The length of the UTF-8 sequence at `i`: when well-formed, its whole length and `valid`; when
// not, the length of its maximal ill-formed subpart (at least 1).
size_t SequenceAt(std::string_view text, size_t i, bool& valid) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t lead = byte(i);
  valid = true;
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint8_t low = 0x80;  // the range of the first continuation byte
  uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    valid = false;
    return 1;
  }
  for (size_t k = 1; k < length; ++k) {
    const bool fits =
        i + k < text.size() && byte(i + k) >= (k == 1 ? low : 0x80) && byte(i + k) <= (k == 1 ? high : 0xBF);
    if (!fits) {
      valid = false;
      return k;
    }
  }
  return length;
}

// A byte EscapeControls passes on alone: not a control, and ASCII unless the text is not for a
// terminal.
bool IsShownAsIs(uint8_t byte, bool terminal) {
  return byte >= 0x20 && byte != 0x7F && (byte < 0x80 || !terminal);
}

void AppendHex(std::string& out, uint8_t byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out.push_back(kDigits[byte >> 4]);
  out.push_back(kDigits[byte & 0xF]);
}

}  // namespace

std::string EscapeControls(std::string_view text, bool terminal) {
  std::string out;
  out.reserve(text.size());
  AppendEscapedControls(out, text, terminal);
  return out;
}

void AppendEscapedControls(std::string& out, std::string_view text, bool terminal) {
  for (size_t i = 0; i < text.size();) {
    // A run of bytes shown as they are is copied whole.
    size_t plain = i;
    while (plain < text.size() && IsShownAsIs(static_cast<uint8_t>(text[plain]), terminal)) ++plain;
    if (plain > i) {
      out.append(text.substr(i, plain - i));
      i = plain;
      continue;
    }
    const auto c = static_cast<uint8_t>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      if (c == '\t') {
        out += "\\t";
      } else if (c == '\n') {
        out += "\\n";
      } else if (c == '\r') {
        out += "\\r";
      } else {
        AppendHex(out, c);
      }
      ++i;
      continue;
    }
    // Beyond ASCII, for a terminal: whole sequences pass, but not C1 controls or broken ones.
    bool valid = false;
    const size_t length = SequenceAt(text, i, valid);
    // U+0080 to U+009F are C2 80 to C2 9F.
    const bool c1 = valid && c == 0xC2 && static_cast<uint8_t>(text[i + 1]) <= 0x9F;
    if (valid && !c1) {
      out.append(text.substr(i, length));
    } else {
      for (size_t k = 0; k < length; ++k) AppendHex(out, static_cast<uint8_t>(text[i + k]));
    }
    i += length;
  }
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    bool valid = false;
    i += SequenceAt(text, i, valid);
    if (!valid) return false;
  }
  return true;
}

std::string ReplaceInvalidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    bool valid = false;
    const size_t length = SequenceAt(text, i, valid);
    if (valid) {
      out.append(text.substr(i, length));
    } else {
      out += "\xEF\xBF\xBD";
    }
    i += length;
  }
  return out;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k) {
      group = group << 8 | (k < n ? static_cast<uint8_t>(bytes[i + k]) : 0u);
    }
    for (size_t k = 0; k < 4; ++k) {
      out.push_back(k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=');
    }
  }
  return out;
}

}  // namespace mardo
