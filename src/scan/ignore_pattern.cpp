#include "scan/ignore_pattern.h"

#include <memory>

#include "base/format_text.h"
#include "base/text_compare.h"
#include "scan/scan_texts.h"

namespace mardo {
namespace {

// isspace of the C locale, without the sign trouble of plain char.
bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Walks one bracket set from after its '[' (and '^'), calling member(low, high) for each member
// as signed bytes (low == high for a single byte). The first member is always taken literally,
// even ']'; after it the first ']' closes the set. On return `pi` is past the closing ']'.
// Returns false when the set is not terminated.
template <class Member>
bool WalkSet(std::string_view pattern, size_t& pi, Member&& member) {
  for (bool first = true;; first = false) {
    if (pi >= pattern.size()) return false;
    if (!first && pattern[pi] == ']') {
      ++pi;
      return true;
    }
    const auto low = static_cast<signed char>(pattern[pi]);
    if (pi + 2 < pattern.size() && pattern[pi + 1] == '-' && pattern[pi + 2] != ']') {
      member(low, static_cast<signed char>(pattern[pi + 2]));
      pi += 3;
    } else {
      member(low, low);
      pi += 1;
    }
  }
}

// One bracket set starting after its '[', where a '^' first negates it. On return `pi` is past
// the closing ']' and `matches` tells whether `c` matches the set. Returns false when the set is
// not terminated.
bool MatchSet(std::string_view pattern, size_t& pi, char c, bool& matches) {
  const bool negated = pi < pattern.size() && pattern[pi] == '^';
  if (negated) ++pi;
  const auto value = static_cast<signed char>(c);
  bool member = false;
  const bool closed = WalkSet(pattern, pi, [&](signed char low, signed char high) {
    if (low <= value && value <= high) member = true;
  });
  matches = member != negated;
  return closed;
}

// How a stored pattern is read where it may not be what was meant; "" when it reads plainly.
std::string ReadingNote(std::string_view pattern) {
  for (size_t pi = 0; pi < pattern.size();) {
    if (pattern[pi++] != '[') continue;
    if (pi < pattern.size() && pattern[pi] == '^') ++pi;
    std::string empty;  // the first range that holds no byte
    const bool closed = WalkSet(pattern, pi, [&empty](signed char low, signed char high) {
      if (high < low && empty.empty()) empty = {static_cast<char>(low), '-', static_cast<char>(high)};
    });
    if (!closed) return texts::kIgnoreUnterminatedSet;
    if (!empty.empty()) return FormatText(texts::kIgnoreEmptyRange, empty.c_str());
  }
  return {};
}

}  // namespace

void ParseIgnoreList(std::string_view text, RecordArray<IgnorePattern>& patterns,
                     std::vector<std::string>* notes) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i >= text.size()) break;
    auto pattern = std::make_unique<IgnorePattern>();
    const size_t start = i;
    while (i < text.size() && text[i] != ';' && !IsSpace(text[i])) {
      if (pattern->text.size() < IgnorePattern::kMaxLength) pattern->text.push_back(FoldAscii(text[i]));
      ++i;
    }
    if (notes != nullptr) {
      const std::string typed(text.substr(start, i - start));
      std::string reading = ReadingNote(pattern->text);
      if (i - start > IgnorePattern::kMaxLength) {
        const int kept = static_cast<int>(IgnorePattern::kMaxLength);
        if (!reading.empty()) reading = ", and then " + reading;
        reading = FormatText(texts::kIgnoreCut, kept, kept) + reading;
      }
      if (!reading.empty()) notes->push_back(FormatText(texts::kIgnoreNote, typed.c_str(), reading.c_str()));
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
        // An unterminated set ends every way through the pattern.
        if (!MatchSet(pattern, ++pi, name[ni], step)) return false;
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
