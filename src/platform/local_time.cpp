#include "platform/local_time.h"

#include <algorithm>
#include <ctime>
#include <vector>

namespace mardo {

int64_t CurrentTime() {
  return static_cast<int64_t>(::time(nullptr));
}

LocalDate LocalDateOf(int64_t seconds) {
  // Years 1 to 9999: enough for any date a user can write, and safe for localtime.
  const auto t = static_cast<time_t>(std::clamp<int64_t>(seconds, -62135596800, 253402300799));
  struct tm parts {};
  if (::localtime_r(&t, &parts) == nullptr) return {};
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
}

int64_t LocalTimeToSeconds(int year, int month, int day, int hour, int minute, int second) {
  struct tm parts {};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  parts.tm_isdst = -1;
  return static_cast<int64_t>(::mktime(&parts));
}

std::string FormatLocalTime(int64_t seconds, std::string_view format) {
  const auto t = static_cast<time_t>(seconds);
  struct tm parts {};
  if (format.empty() || ::localtime_r(&t, &parts) == nullptr) return {};
  const std::string fmt(format);
  // strftime gives 0 both for "too small" and for an empty result: grow a few times, then accept.
  // Most texts fit the first room, on the stack (one is made for each row of a listing).
  char room[128];
  if (fmt.size() <= 16) {
    const size_t n = ::strftime(room, sizeof room, fmt.c_str(), &parts);
    if (n > 0) return std::string(room, n);
  }
  std::vector<char> buffer(64 + fmt.size() * 4);
  for (int attempt = 0; attempt < 6; ++attempt) {
    const size_t n = ::strftime(buffer.data(), buffer.size(), fmt.c_str(), &parts);
    if (n > 0) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 4);
  }
  return {};
}

}  // namespace mardo
