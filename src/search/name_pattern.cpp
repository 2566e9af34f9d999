#include "search/name_pattern.h"

#include <cstring>

#include "base/text_compare.h"

namespace mardo {

NamePattern CompileNamePattern(std::string_view text) {
  NamePattern pattern;
  std::string rest = FoldAscii(text);
  pattern.anchoredStart = !rest.empty() && rest.front() == '|';
  pattern.anchoredEnd = !rest.empty() && rest.back() == '|';
  if (pattern.anchoredStart && !rest.empty()) rest.erase(0, 1);
  if (pattern.anchoredEnd && !rest.empty()) rest.pop_back();

  const size_t star = rest.find('*');
  if (star == std::string::npos) {
    pattern.head = std::move(rest);  // active even when empty: only an empty name could match
    return pattern;
  }
  if (star == 0) {
    pattern.anchoredStart = false;
    pattern.head = rest.substr(1);
  } else if (star == rest.size() - 1) {
    pattern.anchoredEnd = false;
    pattern.head = rest.substr(0, star);
  } else {
    pattern.head = rest.substr(0, star);
    pattern.tail = rest.substr(star + 1);
  }
  pattern.active = !pattern.head.empty();
  return pattern;
}

size_t FindFolded(std::string_view text, std::string_view needle, size_t from) {
  if (from > text.size()) return std::string_view::npos;
  if (needle.empty()) return from;
  if (needle.size() > text.size() - from) return std::string_view::npos;
  const char first = needle[0];
  const char firstUpper = (first >= 'a' && first <= 'z') ? static_cast<char>(first - ('a' - 'A')) : first;
  const size_t last = text.size() - needle.size();
  for (size_t i = from; i <= last; ++i) {
    if (text[i] != first && text[i] != firstUpper) continue;
    size_t j = 1;
    while (j < needle.size() && FoldAscii(text[i + j]) == needle[j]) ++j;
    if (j == needle.size()) return i;
  }
  return std::string_view::npos;
}

bool MatchesName(const NamePattern& pattern, std::string_view name) {
  const size_t head = FindFolded(name, pattern.head);
  if (head == std::string_view::npos) return false;
  if (pattern.anchoredStart && head != 0) return false;
  const size_t headEnd = head + pattern.head.size();
  if (pattern.tail.empty()) return !pattern.anchoredEnd || headEnd == name.size();
  const size_t tail = FindFolded(name, pattern.tail, headEnd);
  if (tail == std::string_view::npos) return false;
  return !pattern.anchoredEnd || tail + pattern.tail.size() == name.size();
}

}  // namespace mardo
