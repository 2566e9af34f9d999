#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mardo {

// Times are signed 64-bit seconds since 1970 UTC. Conversions use 64-bit time_t and the
// machine's local time rules (TZ).

// The current time, seconds since 1970 UTC.
int64_t CurrentTime();

// A local calendar day.
struct LocalDate {
  int year = 1970;  // e.g. 2000
  int month = 1;    // 1-12
  int day = 1;      // 1-31
};

// The local calendar date that holds the instant `seconds`.
LocalDate LocalDateOf(int64_t seconds);

// The instant of a local wall-clock time, as mktime gives it (daylight saving decided by the
// rules; a day beyond the end of its month rolls into the next month).
int64_t LocalTimeToSeconds(int year, int month, int day, int hour, int minute, int second);

// `seconds` in local time, formatted as strftime does with `format`.
std::string FormatLocalTime(int64_t seconds, std::string_view format);

}  // namespace mardo
