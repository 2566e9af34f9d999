#include "base/amount_text.h"

#include <cmath>
#include <iterator>

namespace mardo {

std::string GroupedNumber(int64_t value) {
  // The magnitude as unsigned, so that the lowest value has one too.
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  const std::string digits = std::to_string(magnitude);
  std::string out = value < 0 ? "-" : "";
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string ByteSizeText(int64_t bytes) {
  if (bytes < 1024) {
    const int64_t shown = bytes < 0 ? 0 : bytes;
    return std::to_string(shown) + (shown == 1 ? " byte" : " bytes");
  }
  static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  double value = static_cast<double>(bytes) / 1024.0;
  size_t unit = 0;
  // 1023.96 KB would show as "1024.0 KB": it is 1.0 MB.
  while (value >= 1023.95 && unit + 1 < std::size(kUnits)) {
    value /= 1024.0;
    ++unit;
  }
  // Whole tenths, written without printf: a locale's decimal comma never enters.
  const auto tenths = static_cast<int64_t>(std::llround(value * 10.0));
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + kUnits[unit];
}

}  // namespace mardo
