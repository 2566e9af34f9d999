#include "search/search_conditions.h"

#include <algorithm>
#include <cstdio>
#include <limits>

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

DayRange RangeOfDay(int year, int month, int day) {
  return {LocalTimeToSeconds(year, month, day, 0, 0, 0), LocalTimeToSeconds(year, month, day, 23, 59, 59)};
}

// More days than lie between year 1 and year 9999, both ways.
constexpr int64_t kMostDays = int64_t{1} << 32;

}  // namespace

bool SearchConditions::KeepsTime(int64_t t) const {
  return Keeps(dateOperator, t, dayStart, dayEnd);
}

bool SearchConditions::KeepsLength(int64_t length) const {
  return Keeps(lengthOperator, length, lengthValue, lengthValue);
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
