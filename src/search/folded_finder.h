#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mardo {

// How common a byte is in file names, roughly (higher is more common; only the order counts).
int ByteCommonness(unsigned char c);

// Finds a lower-case needle in long runs of bytes without regard to case (A-Z only), many bytes
// at a time: two of the needle's rarest bytes are compared at 16 positions per step, and only
// positions where both agree are compared whole. Used to skip, in one pass over a catalog's name
// arena, every name that cannot contain the head of a name pattern.
class FoldedFinder {
 public:
  // `needle` is lower case and not empty.
  explicit FoldedFinder(std::string_view needle);

  // The first position in [begin, end) where the needle occurs, or nullptr.
  const char* Find(const char* begin, const char* end) const;

  size_t Size() const { return needle_.size(); }

 private:
  bool MatchesAt(const char* p) const;

  std::string needle_;
  size_t probeA_ = 0;  // offsets of the two probe bytes in the needle
  size_t probeB_ = 0;
};

}  // namespace mardo
