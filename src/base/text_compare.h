#pragma once

#include <string>
#include <string_view>

namespace mardo {

// ASCII-only case folding: A-Z become a-z, every other byte stays as it is. Names are bytes
// (UTF-8 in practice) and are never re-encoded, so no locale takes part.
constexpr char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Folds `text` into `out` (reusing its capacity).
void FoldAsciiInto(std::string_view text, std::string& out);
std::string FoldAscii(std::string_view text);

// The one case-insensitive order of the program: A-Z folded to a-z, then bytes compared unsigned;
// when one text is a prefix of the other, the shorter comes first. Returns -1, 0 or 1.
int CompareNoCase(std::string_view a, std::string_view b);

// Byte order (unsigned), shorter first on a common prefix. Returns -1, 0 or 1.
int CompareBytes(std::string_view a, std::string_view b);

inline bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

}  // namespace mardo
