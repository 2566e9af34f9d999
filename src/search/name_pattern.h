#pragma once

#include <string>
#include <string_view>

namespace mardo {

// The compiled name condition of a search. The pattern text is looked for in an entry's own name
// without regard to case (A-Z only); '|' at either end pins it to that end of the name; one '*'
// splits it into a head and a tail that must both occur, in that order.
struct NamePattern {
  std::string head;  // lower case; must occur in the name (an empty head occurs at 0)
  std::string tail;  // lower case; empty unless the text had a '*' strictly inside it
  bool anchoredStart = false;
  bool anchoredEnd = false;
  bool active = true;  // false: the pattern reduced to nothing and imposes no condition
};

// Compiles the Pattern box text exactly as typed (not empty).
NamePattern CompileNamePattern(std::string_view text);

// Whether `name` (an entry's own name, in its stored case) satisfies an active pattern. Every
// anchor test is made on the first occurrence found. Allocates nothing.
bool MatchesName(const NamePattern& pattern, std::string_view name);

// The first position at or after `from` where `needle` (lower case) occurs in `text` without
// regard to case, or npos. An empty needle occurs at `from`.
size_t FindFolded(std::string_view text, std::string_view needle, size_t from = 0);

}  // namespace mardo
