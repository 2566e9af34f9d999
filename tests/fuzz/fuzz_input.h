#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace mardo::fuzz {

// The fuzzer's bytes cut into fields at every `separator`.
inline std::vector<std::string> Fields(const uint8_t* data, size_t size, char separator) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < size; ++i) {
    if (static_cast<char>(data[i]) == separator) {
      fields.emplace_back();
    } else {
      fields.back().push_back(static_cast<char>(data[i]));
    }
  }
  return fields;
}

// Field `i`, or "" when there are fewer.
inline const std::string& Field(const std::vector<std::string>& fields, size_t i) {
  static const std::string kNone;
  return i < fields.size() ? fields[i] : kNone;
}

// Stops the run where a property the code promises does not hold.
inline void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace mardo::fuzz
