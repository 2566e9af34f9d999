#pragma once

#include <cstdio>
#include <string>

namespace mardo {

// printf-style filling of a message with texts and numbers, without a length limit.
template <class... Args>
std::string FormatText(const char* format, Args... args) {
  const int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, args...);
  out.pop_back();
  return out;
}

}  // namespace mardo
