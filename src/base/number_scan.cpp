#include "base/number_scan.h"

#include <algorithm>
#include <limits>

namespace mardo {
namespace {

constexpr int64_t kMagnitudeCap = std::numeric_limits<int64_t>::max();

bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

}  // namespace

bool ScanNumber(std::string_view text, size_t& pos, NumberStyle style, int64_t& value, size_t width) {
  size_t i = pos;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (width > 0) text = text.substr(0, std::min(text.size(), i + width));
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (style == NumberStyle::kAny && i < text.size() && text[i] == '0') {
    base = 8;
    if (i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      if (i + 2 < text.size() && DigitValue(text[i + 2]) < 16) {
        base = 16;
        i += 2;
      }
      // Otherwise the "0" alone is the number, read as octal below.
    }
  }
  const size_t first = i;
  int64_t magnitude = 0;
  while (i < text.size() && DigitValue(text[i]) < base) {
    const int digit = DigitValue(text[i]);
    magnitude = magnitude > (kMagnitudeCap - digit) / base ? kMagnitudeCap : magnitude * base + digit;
    ++i;
  }
  if (i == first) return false;
  value = negative ? -magnitude : magnitude;
  pos = i;
  return true;
}

int32_t Saturate32(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int32_t LeadingInteger(std::string_view text) {
  return Saturate32(LeadingInteger64(text));
}

int64_t LeadingInteger64(std::string_view text) {
  size_t pos = 0;
  int64_t value = 0;
  return ScanNumber(text, pos, NumberStyle::kDecimal, value) ? value : 0;
}

bool ParseWholeInteger(std::string_view text, int32_t& value) {
  size_t pos = 0;
  int64_t v = 0;
  if (!ScanNumber(text, pos, NumberStyle::kDecimal, v)) return false;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos != text.size()) return false;
  value = Saturate32(v);
  return true;
}

}  // namespace mardo
