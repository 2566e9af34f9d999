#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mardo {

// The index of a choice in the date-operator and length-operator boxes.
enum class CompareOperator : int32_t {
  kNone = 0,       // " "
  kBefore = 1,     // "<"
  kNotAfter = 2,   // "<="
  kEqual = 3,      // "="
  kNotBefore = 4,  // ">="
  kAfter = 5,      // ">"
};

// The index of a choice in the search-mode box.
enum class SearchMode : int32_t { kStandard = 0, kDuplicates = 1, kSameNames = 2, kNotElsewhere = 3 };

// One search request. All comparisons are signed 64-bit.
struct SearchConditions {
  enum Flag : uint32_t {
    kNameCondition = 1,
    kDateCondition = 2,
    kLengthCondition = 4,
    kGroupingMode = 8,  // Duplicates or Same names
    kSameNames = 16,
    kNotElsewhere = 32,  // the files without a copy on another volume
  };

  uint32_t flags = 0;
  std::string patternText;  // exactly as typed
  CompareOperator dateOperator = CompareOperator::kNone;
  int64_t dayStart = 0;  // first second of the chosen local day, seconds since 1970 UTC
  int64_t dayEnd = 0;    // its last second
  CompareOperator lengthOperator = CompareOperator::kNone;
  int64_t lengthValue = 0;  // bytes
  int32_t hitLimit = 512;

  bool Has(Flag flag) const { return (flags & flag) != 0; }
  // Whether an entry passes the date or length condition (assumed present).
  bool KeepsTime(int64_t t) const;
  bool KeepsLength(int64_t length) const;
  // Whether some time, or length, from `least` to `most` passes.
  bool KeepsSomeTime(int64_t least, int64_t most) const;
  bool KeepsSomeLength(int64_t least, int64_t most) const;
};

// The raw inputs of the Search tab.
struct SearchInputs {
  int32_t dateOperator = 0;  // box index; -1 (no selection) and unknown indexes count as 0
  std::string dateText;
  int32_t lengthOperator = 0;
  std::string lengthText;
  std::string patternText;
  int32_t mode = 0;
  int32_t hitLimit = 512;
};

struct SearchRequest {
  bool ok = false;
  SearchConditions conditions;
  std::string message;  // when not ok: what to tell the user
};

// Builds the conditions from the tab's inputs, or the message "Define at least one search
// condition." when no condition is given. `now`: the current time, seconds since 1970 UTC.
SearchRequest BuildSearchConditions(const SearchInputs& inputs, int64_t now);

// What the user is told when a condition's text is read otherwise than typed: a date that is not
// "YY", "YYMM" or "YYMMDD" of a real day, "-N" or nothing ("abc" is read as 2000-01-01), a length
// beyond what a catalog holds. The search itself keeps its reading. One note per condition, in the
// order date, length; none when everything was read as typed.
std::vector<std::string> ReadingNotes(const SearchInputs& inputs, const SearchConditions& conditions,
                                      int64_t now);

struct DayRange {
  int64_t start = 0;
  int64_t end = 0;
};

// The local day a date text names: "YYMMDD" with missing parts 1 January, two-digit years 70-99
// in the 1900s and 00-69 in the 2000s, or "-n" for n days before `now`. An empty text is today.
// Days before year 1 or after year 9999 are held at those ends.
DayRange ParseSearchDate(std::string_view text, int64_t now);

// The hit-limit field's value: the text as atoi reads it; below 1, or above 5120 unless in expert
// mode, it becomes 2560.
int32_t NormaliseHitLimit(std::string_view text, bool expertMode);

}  // namespace mardo
