#pragma once

#include <cstddef>
#include <string_view>

namespace mardo {

// One character of a UTF-8 text: its code point and its length in bytes. A byte that does not
// begin a well-formed sequence (overlong, surrogate, beyond U+10FFFF, cut short) is one character
// of its own with `valid` false.
struct Utf8Character {
  char32_t codePoint = 0;
  size_t length = 1;
  bool valid = false;
};
Utf8Character DecodeUtf8(std::string_view text, size_t at);

// Whether a code point is a letter or a digit of some script, or a mark that belongs to one (an
// accent after its letter). Spaces, punctuation, symbols, pictographs, controls and private-use
// characters are not. Decided by fixed ranges, so no locale takes part.
bool IsLetterOrDigit(char32_t c);

}  // namespace mardo
