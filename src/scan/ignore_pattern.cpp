#include "scan/ignore_pattern.h"

#include <memory>

namespace mardo {
namespace {

// isspace and tolower of the C locale, without the sign trouble of plain char.
bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
char ToLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// One bracket set starting after its '['. On return `pi` is past the closing ']'. Returns false
// when the set is not terminated; `member` tells whether `c` belongs to it (before negation).
bool MatchSet(std::string_view pattern, size_t& pi, char c, bool& member) {
  const auto value = static_cast<signed char>(c);
  member = false;
  bool first = true;
  while (true) {
    if (pi >= pattern.size()) return false;
    if (!first && pattern[pi] == ']') {
      ++pi;
      return true;
    }
    first = false;
    const auto low = static_cast<signed char>(pattern[pi]);
    if (pi + 2 < pattern.size() && pattern[pi + 1] == '-' && pattern[pi + 2] != ']') {
      const auto high = static_cast<signed char>(pattern[pi + 2]);
      if (low <= value && value <= high) member = true;
      pi += 3;
    } else {
      if (low == value) member = true;
      pi += 1;
    }
  }
}

}  // namespace

void ParseIgnoreList(std::string_view text, RecordArray<IgnorePattern>& patterns) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i >= text.size()) break;
    auto pattern = std::make_unique<IgnorePattern>();
    while (i < text.size() && text[i] != ';' && !IsSpace(text[i])) {
      if (pattern->text.size() < IgnorePattern::kMaxLength) pattern->text.push_back(ToLower(text[i]));
      ++i;
    }
    if (!pattern->text.empty() && pattern->text[0] == '\\') {
      pattern->text.erase(0, 1);
      pattern->length = IgnorePattern::kDirectoryPattern;
    }
    patterns.Add(std::move(pattern));
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && text[i] == ';') ++i;
    while (i < text.size() && IsSpace(text[i])) ++i;
  }
}

// Every pattern item other than a star run stands for exactly one name byte, so on a mismatch only
// the last star needs to take one more byte: earlier stars taking more could not help. That keeps
// the work within name length times pattern length, whatever the pattern.
bool WildcardMatch(std::string_view name, std::string_view pattern) {
  constexpr size_t kNoStar = std::string_view::npos;
  size_t ni = 0;
  size_t pi = 0;
  size_t afterStar = kNoStar;  // pattern position after the last star run met
  size_t starName = 0;         // name position where the rest after that star is being tried
  while (true) {
    if (pi < pattern.size() && pattern[pi] == '*') {
      while (pi < pattern.size() && pattern[pi] == '*') ++pi;
      if (pi == pattern.size()) return true;
      afterStar = pi;
      starName = ni;
      continue;
    }
    bool step = false;
    if (pi == pattern.size()) {
      if (ni == name.size()) return true;
    } else if (ni < name.size()) {
      const char p = pattern[pi];
      if (p == '?') {
        step = true;
        ++pi;
      } else if (p == '[') {
        ++pi;
        bool negated = false;
        if (pi < pattern.size() && pattern[pi] == '^') {
          negated = true;
          ++pi;
        }
        bool member = false;
        // An unterminated set ends every way through the pattern.
        if (!MatchSet(pattern, pi, name[ni], member)) return false;
        step = member != negated;
      } else if (name[ni] == p) {
        step = true;
        ++pi;
      }
    }
    if (step) {
      ++ni;
      continue;
    }
    // The last star takes one more byte and the rest after it starts again; it never needs to
    // try the end of the name, where the rest (at least one byte long) cannot match.
    if (afterStar == kNoStar || starName + 1 >= name.size()) return false;
    ni = ++starName;
    pi = afterStar;
  }
}

}  // namespace mardo
