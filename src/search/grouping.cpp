#include "search/grouping.h"

namespace mardo {
namespace {

template <class Packed>
Packed FoldedBytes(std::string_view name, size_t from) {
  Packed packed = 0;
  for (size_t i = from; i < from + sizeof(Packed); ++i) {
    packed = static_cast<Packed>(packed << 8) |
             (i < name.size() ? static_cast<unsigned char>(FoldAscii(name[i])) : 0u);
  }
  return packed;
}

}  // namespace

GroupedEntry GroupedEntry::Of(std::string_view name, int64_t length, uint32_t order) {
  return {FoldedBytes<uint64_t>(name, 0), length, FoldedBytes<uint32_t>(name, 8), order};
}

uint64_t GroupHash(std::string_view name, int64_t length, bool byLength) {
  uint64_t h = 0xcbf29ce484222325ull ^ (byLength ? static_cast<uint64_t>(length) * 0x9E3779B97F4A7C15ull : 0);
  for (const char c : name) h = (h ^ static_cast<unsigned char>(FoldAscii(c))) * 0x100000001b3ull;
  return h;
}

}  // namespace mardo
