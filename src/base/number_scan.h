#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace mardo {

// How scanf reads one number from a text.
enum class NumberStyle {
  kDecimal,  // %d, %u, atoi: optional sign, decimal digits
  kAny,      // %i: a 0x or 0X prefix for hexadecimal, a leading 0 for octal, decimal otherwise
};

// Reads one number at `pos` as scanf does: blanks skipped first, then an optional sign and digits.
// On success `pos` stands after the last digit and `value` holds the number, its magnitude capped
// at 2^63 - 1 so that a long digit run saturates instead of overflowing. Nothing changes on failure.
// "0x" without a hexadecimal digit after it reads as 0, leaving `pos` at the "x". A `width` above 0
// is scanf's field width: at most that many characters after the blanks, the sign included.
bool ScanNumber(std::string_view text, size_t& pos, NumberStyle style, int64_t& value, size_t width = 0);

// The value clamped to the signed 32-bit range.
int32_t Saturate32(int64_t value);

// The leading integer of a text as atoi reads it; 0 when there is none.
int32_t LeadingInteger(std::string_view text);
// The same without the 32-bit clamp: up to +-(2^63 - 1).
int64_t LeadingInteger64(std::string_view text);

// The whole text as one decimal integer (blanks around it allowed), clamped to 32 bits.
// False when the text is not a number.
bool ParseWholeInteger(std::string_view text, int32_t& value);

}  // namespace mardo
