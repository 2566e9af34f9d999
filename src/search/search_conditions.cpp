#include "search/search_conditions.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

#include "base/format_text.h"
#include "base/number_scan.h"
#include "platform/local_time.h"
#include "search/search_texts.h"

namespace mardo {
namespace {

constexpr int32_t kMaxHitLimit = 5120;
constexpr int32_t kReplacementHitLimit = 2560;

CompareOperator OperatorAt(int32_t index) {
  return index >= 1 && index <= 5 ? static_cast<CompareOperator>(index) : CompareOperator::kNone;
}

// An operator against a range [low, high]: "<" before it, "<=" not after it, "=" within it, ">="
// not before it, ">" after it. A single value is the range [value, value].
bool Keeps(CompareOperator op, int64_t v, int64_t low, int64_t high) {
  switch (op) {
    case CompareOperator::kBefore:
      return v < low;
    case CompareOperator::kNotAfter:
      return v <= high;
    case CompareOperator::kEqual:
      return low <= v && v <= high;
    case CompareOperator::kNotBefore:
      return v >= low;
    case CompareOperator::kAfter:
      return v > high;
    case CompareOperator::kNone:
      break;
  }
  return true;
}

// Whether some value from `least` to `most` passes what Keeps tests: the least value decides
// against an upper bound, the most against a lower one, both against a day.
bool KeepsSome(CompareOperator op, int64_t least, int64_t most, int64_t low, int64_t high) {
  if (op == CompareOperator::kEqual) {
    return Keeps(CompareOperator::kNotAfter, least, low, high) &&
           Keeps(CompareOperator::kNotBefore, most, low, high);
  }
  const bool upper = op == CompareOperator::kBefore || op == CompareOperator::kNotAfter;
  return Keeps(op, upper ? least : most, low, high);
}

DayRange RangeOfDay(int year, int month, int day) {
  return {LocalTimeToSeconds(year, month, day, 0, 0, 0), LocalTimeToSeconds(year, month, day, 23, 59, 59)};
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool SameDay(const LocalDate& a, const LocalDate& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

// Whether a date text names the day the search uses exactly as a person reads it: "YY", "YYMM" or
// "YYMMDD" of a real calendar day, "-N", or nothing. Anything else is still read (missing parts the
// 1st, a month or day out of range the 1st, a day past the end of its month rolled over).
bool DateTextIsExact(std::string_view text, int64_t dayStart, int64_t now) {
  if (text.empty()) return true;
  const LocalDate used = LocalDateOf(dayStart);
  if (text[0] == '-' && AllDigits(text.substr(1)) && text.size() <= 10) {
    const int64_t days = std::stoll(std::string(text.substr(1)));
    return SameDay(LocalDateOf(now - days * 86400), used);
  }
  if (!AllDigits(text) || (text.size() != 2 && text.size() != 4 && text.size() != 6)) return false;
  auto part = [&](size_t at, int fallback) {
    return at < text.size() ? (text[at] - '0') * 10 + (text[at + 1] - '0') : fallback;
  };
  const int yy = part(0, 0);
  const LocalDate named{yy < 70 ? 2000 + yy : 1900 + yy, part(2, 1), part(4, 1)};
  return named.month >= 1 && named.month <= 12 && named.day >= 1 && SameDay(named, used);
}

// More days than lie between year 1 and year 9999, both ways.
constexpr int64_t kMostDays = int64_t{1} << 32;

}  // namespace

std::vector<std::string> ReadingNotes(const SearchInputs& inputs, const SearchConditions& conditions,
                                      int64_t now) {
  std::vector<std::string> notes;
  if (conditions.Has(SearchConditions::kDateCondition) &&
      !DateTextIsExact(inputs.dateText, conditions.dayStart, now)) {
    const std::string day = FormatLocalTime(conditions.dayStart, "%Y-%m-%d");
    notes.push_back(FormatText(texts::kDateReadAs, inputs.dateText.c_str(), day.c_str()));
  }
  if (conditions.Has(SearchConditions::kLengthCondition)) {
    const std::string& text = inputs.lengthText;
    const size_t first = text.find_first_not_of('0');
    const std::string digits = first == std::string::npos ? "0" : text.substr(first);
    if (std::to_string(conditions.lengthValue) != digits)
      notes.push_back(
          FormatText(texts::kLengthReadAs, text.c_str(), static_cast<long>(conditions.lengthValue)));
  }
  return notes;
}

bool SearchConditions::KeepsTime(int64_t t) const {
  return Keeps(dateOperator, t, dayStart, dayEnd);
}

bool SearchConditions::KeepsLength(int64_t length) const {
  return Keeps(lengthOperator, length, lengthValue, lengthValue);
}

bool SearchConditions::KeepsSomeTime(int64_t least, int64_t most) const {
  return KeepsSome(dateOperator, least, most, dayStart, dayEnd);
}

bool SearchConditions::KeepsSomeLength(int64_t least, int64_t most) const {
  return KeepsSome(lengthOperator, least, most, lengthValue, lengthValue);
}

DayRange ParseSearchDate(std::string_view text, int64_t now) {
  std::string owned;
  if (text.empty()) {
    const LocalDate today = LocalDateOf(now);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%2.2d%2.2d%2.2d", today.year % 100, today.month, today.day);
    owned = digits;
    text = owned;
  }
  // "%2d%2d%2d": up to three fields of at most two characters; the first that fails ends it.
  int64_t parts[3] = {0, 1, 1};
  size_t pos = 0;
  for (int64_t& part : parts) {
    if (!ScanNumber(text, pos, NumberStyle::kDecimal, part, 2)) break;
  }
  if (parts[0] < 0) {
    size_t whole = 0;
    int64_t days = 0;
    ScanNumber(text, whole, NumberStyle::kDecimal, days);
    const LocalDate day = LocalDateOf(now + std::clamp(days, -kMostDays, kMostDays) * 86400);
    return RangeOfDay(day.year, day.month, day.day);
  }
  const int year = static_cast<int>(parts[0] < 70 ? parts[0] + 2000 : parts[0] + 1900);
  const int month = parts[1] >= 1 && parts[1] <= 12 ? static_cast<int>(parts[1]) : 1;
  const int day = parts[2] >= 1 && parts[2] <= 31 ? static_cast<int>(parts[2]) : 1;
  return RangeOfDay(year, month, day);
}

SearchRequest BuildSearchConditions(const SearchInputs& inputs, int64_t now) {
  SearchRequest request;
  SearchConditions& c = request.conditions;
  c.dateOperator = OperatorAt(inputs.dateOperator);
  if (c.dateOperator != CompareOperator::kNone) {
    const DayRange day = ParseSearchDate(inputs.dateText, now);
    c.dayStart = day.start;
    c.dayEnd = day.end;
    c.flags |= SearchConditions::kDateCondition;
  }
  c.lengthOperator = OperatorAt(inputs.lengthOperator);
  if (c.lengthOperator != CompareOperator::kNone && !inputs.lengthText.empty()) {
    c.lengthValue = LeadingInteger64(inputs.lengthText);
    c.flags |= SearchConditions::kLengthCondition;
  } else {
    c.lengthOperator = CompareOperator::kNone;
  }
  c.patternText = inputs.patternText;
  if (!c.patternText.empty()) c.flags |= SearchConditions::kNameCondition;
  if (inputs.mode == static_cast<int32_t>(SearchMode::kDuplicates))
    c.flags |= SearchConditions::kGroupingMode;
  if (inputs.mode == static_cast<int32_t>(SearchMode::kSameNames)) {
    c.flags |= SearchConditions::kGroupingMode | SearchConditions::kSameNames;
  }
  if (inputs.mode == static_cast<int32_t>(SearchMode::kNotElsewhere))
    c.flags |= SearchConditions::kNotElsewhere;
  c.hitLimit = inputs.hitLimit;
  if (c.flags == 0) {
    request.message = texts::kDefineCondition;
    return request;
  }
  request.ok = true;
  return request;
}

int32_t NormaliseHitLimit(std::string_view text, bool expertMode) {
  const int32_t value = LeadingInteger(text);
  if (value < 1 || (value > kMaxHitLimit && !expertMode)) return kReplacementHitLimit;
  return value;
}

}  // namespace mardo
