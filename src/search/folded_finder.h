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

// Passes over names that cannot hold a needle, where names lie one after another in one run of
// bytes (a chunk of a catalog's name arena, a block of an index): the needle's next occurrence in
// the run is found once, and every name that ends before it is passed over with one comparison.
class NextOccurrence {
 public:
  // Forgets the run: the next name may lie in another one.
  void Reset() { searchedFrom_ = nullptr; }

  // Whether the `size` bytes at `name`, which lie in a run that ends at `runEnd`, may hold the
  // needle of `finder` (the same finder at every call between two Resets).
  bool MayHold(const FoldedFinder& finder, const char* name, size_t size, const char* runEnd) {
    if (searchedFrom_ == nullptr || name < searchedFrom_ || occurrence_ < name) {
      const char* hit = finder.Find(name, runEnd);
      occurrence_ = hit != nullptr ? hit : runEnd;
      searchedFrom_ = name;
    }
    return static_cast<size_t>(runEnd - occurrence_) >= finder.Size() &&
           occurrence_ + finder.Size() <= name + size;
  }

 private:
  const char* searchedFrom_ = nullptr;  // occurrence_ is the first one at or after this place
  const char* occurrence_ = nullptr;
};

}  // namespace mardo
