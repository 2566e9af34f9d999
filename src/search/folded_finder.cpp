#include "search/folded_finder.h"

#include <cstdint>

#include "base/text_compare.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mardo {
namespace {}  // namespace

int ByteCommonness(unsigned char c) {
  if (c >= 'a' && c <= 'z') {
    static const char kLetters[] = "etaoinsrlcdmphugfbyvwkxjqz";  // most common first
    for (int i = 0; kLetters[i] != '\0'; ++i) {
      if (kLetters[i] == c) return 200 - i;
    }
  }
  if (c == '.' || c == '-' || c == '_') return 190;
  if (c >= '0' && c <= '9') return 170;
  if (c == ' ') return 160;
  if (c < 0x80) return 100;
  return 120;  // bytes of UTF-8 sequences
}

namespace {

// The mask that makes a byte and its upper-case form compare equal: letters differ in bit 5 only.
uint8_t FoldMask(char c) {
  return (c >= 'a' && c <= 'z') ? 0x20 : 0x00;
}

}  // namespace

FoldedFinder::FoldedFinder(std::string_view needle) : needle_(needle) {
  // The rarest byte, then the rarest at another offset.
  for (size_t i = 1; i < needle_.size(); ++i) {
    if (ByteCommonness(needle_[i]) < ByteCommonness(needle_[probeA_])) probeA_ = i;
  }
  probeB_ = probeA_ == 0 && needle_.size() > 1 ? 1 : 0;
  for (size_t i = 0; i < needle_.size(); ++i) {
    if (i != probeA_ && ByteCommonness(needle_[i]) < ByteCommonness(needle_[probeB_])) probeB_ = i;
  }
}

bool FoldedFinder::MatchesAt(const char* p) const {
  for (size_t j = 0; j < needle_.size(); ++j) {
    if (FoldAscii(p[j]) != needle_[j]) return false;
  }
  return true;
}

const char* FoldedFinder::Find(const char* begin, const char* end) const {
  const size_t n = needle_.size();
  if (end - begin < static_cast<ptrdiff_t>(n)) return nullptr;
  const char* last = end - n;  // the last position where the needle fits
  const char* p = begin;
#if defined(__SSE2__)
  const size_t reach = (probeA_ > probeB_ ? probeA_ : probeB_) + 16;
  const __m128i maskA = _mm_set1_epi8(static_cast<char>(FoldMask(needle_[probeA_])));
  const __m128i maskB = _mm_set1_epi8(static_cast<char>(FoldMask(needle_[probeB_])));
  const __m128i wantA = _mm_set1_epi8(needle_[probeA_]);
  const __m128i wantB = _mm_set1_epi8(needle_[probeB_]);
  while (end - p >= static_cast<ptrdiff_t>(reach) && p <= last) {
    const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + probeA_)), maskA);
    const __m128i b = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + probeB_)), maskB);
    unsigned bits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, wantA), _mm_cmpeq_epi8(b, wantB))));
    while (bits != 0) {
      const char* candidate = p + __builtin_ctz(bits);
      if (candidate <= last && MatchesAt(candidate)) return candidate;
      bits &= bits - 1;
    }
    p += 16;
  }
#endif
  for (; p <= last; ++p) {
    if (MatchesAt(p)) return p;
  }
  return nullptr;
}

}  // namespace mardo
