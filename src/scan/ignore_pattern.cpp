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

bool MatchFrom(std::string_view name, size_t ni, std::string_view pattern, size_t pi) {
  while (true) {
    if (pi == pattern.size()) return ni == name.size();
    const char p = pattern[pi];
    if (p == '*') {
      while (pi < pattern.size() && pattern[pi] == '*') ++pi;
      if (pi == pattern.size()) return true;
      if (ni == name.size()) return false;
      // Plain backtracking: the rest of the pattern at every later position of the name.
      for (size_t k = ni; k < name.size(); ++k) {
        if (MatchFrom(name, k, pattern, pi)) return true;
      }
      return false;
    }
    if (ni == name.size()) return false;
    if (p == '?') {
      ++ni;
      ++pi;
      continue;
    }
    if (p == '[') {
      ++pi;
      bool negated = false;
      if (pi < pattern.size() && pattern[pi] == '^') {
        negated = true;
        ++pi;
      }
      bool member = false;
      if (!MatchSet(pattern, pi, name[ni], member)) return false;
      if (member == negated) return false;
      ++ni;
      continue;
    }
    if (name[ni] != p) return false;
    ++ni;
    ++pi;
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

bool WildcardMatch(std::string_view name, std::string_view pattern) {
  return MatchFrom(name, 0, pattern, 0);
}

}  // namespace mardo
