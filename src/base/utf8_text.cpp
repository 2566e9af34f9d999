#include "base/utf8_text.h"

#include <iterator>

namespace mardo {
namespace {

// Ranges of non-ASCII code points that are no letters or digits: punctuation, symbols, spaces,
// pictographs, controls and private use, block by block. Everything else beyond ASCII counts as a
// letter (the scripts' own punctuation inside their blocks is rare in names and is kept).
struct Range {
  char32_t first;
  char32_t last;
};
constexpr Range kNotLetters[] = {
    {0x0080, 0x00A9},   {0x00AB, 0x00B4},    {0x00B6, 0x00B9}, {0x00BB, 0x00BF}, {0x00D7, 0x00D7},
    {0x00F7, 0x00F7},   {0x037E, 0x037E},    {0x0387, 0x0387}, {0x055A, 0x055F}, {0x0589, 0x058A},
    {0x05BE, 0x05BE},   {0x05C0, 0x05C0},    {0x05C3, 0x05C3}, {0x05F3, 0x05F4}, {0x0600, 0x060F},
    {0x061B, 0x061F},   {0x066A, 0x066D},    {0x06D4, 0x06D4}, {0x0964, 0x0965}, {0x0E3F, 0x0E3F},
    {0x0E4F, 0x0E4F},   {0x0E5A, 0x0E5B},    {0x2000, 0x206F}, {0x20A0, 0x20CF}, {0x2100, 0x2101},
    {0x2103, 0x2106},   {0x2108, 0x2109},    {0x2116, 0x2118}, {0x211E, 0x2123}, {0x2125, 0x2125},
    {0x2127, 0x2127},   {0x2129, 0x2129},    {0x212E, 0x212E}, {0x213A, 0x213B}, {0x2140, 0x2144},
    {0x214A, 0x214D},   {0x214F, 0x214F},    {0x2190, 0x245F}, {0x2500, 0x2BFF}, {0x2E00, 0x2E7F},
    {0x3000, 0x3004},   {0x3008, 0x3020},    {0x3030, 0x3030}, {0x303D, 0x303F}, {0xD800, 0xF8FF},
    {0xFD3E, 0xFD3F},   {0xFE10, 0xFE1F},    {0xFE30, 0xFE6F}, {0xFEFF, 0xFEFF}, {0xFF00, 0xFF0F},
    {0xFF1A, 0xFF20},   {0xFF3B, 0xFF40},    {0xFF5B, 0xFF65}, {0xFFE0, 0xFFFF}, {0x1F000, 0x1FBFF},
    {0xE0000, 0xE007F}, {0xF0000, 0x10FFFF},
};

}  // namespace

Utf8Character DecodeUtf8(std::string_view text, size_t at) {
  Utf8Character c;
  if (at >= text.size()) return c;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1, true};
  size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else {
    return c;
  }
  if (at + length > text.size()) return c;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return c;
    value = value << 6 | (byte(i) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return c;
  return {value, length, true};
}

bool IsLetterOrDigit(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  for (const Range& range : kNotLetters) {
    if (c < range.first) return true;
    if (c <= range.last) return false;
  }
  return true;
}

}  // namespace mardo
