#include "store/name_arena.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace mardo {

void NameArena::Reserve(size_t bytes) {
  if (!blocks_.empty() && blocks_.back().capacity - blocks_.back().used >= bytes) return;
  AddChunk(std::max(bytes, kMinimumChunk));
}

std::string_view NameArena::Store(std::string_view name) {
  const size_t need = name.size() + 1;
  if (blocks_.empty() || blocks_.back().capacity - blocks_.back().used < need) {
    // Geometric: each chunk at least as large as all before it.
    AddChunk(std::max({need, kMinimumChunk, allocated_}));
  }
  Block& block = blocks_.back();
  char* at = block.bytes.get() + block.used;
  if (!name.empty()) std::memcpy(at, name.data(), name.size());
  at[name.size()] = '\0';
  block.used += need;
  bytesUsed_ += need;
  return {at, name.size()};
}

void NameArena::Clear() {
  blocks_.clear();
  bytesUsed_ = 0;
  allocated_ = 0;
}

NameArena::Chunk NameArena::ChunkOf(const char* p) const {
  // Blocks are few (they grow geometrically); the last ones are the large ones.
  for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it) {
    const char* begin = it->bytes.get();
    const char* end = begin + it->used;
    if (std::less_equal<const char*>()(begin, p) && std::less<const char*>()(p, end)) return {begin, end};
  }
  return {nullptr, nullptr};
}

void NameArena::AddChunk(size_t capacity) {
  Block block;
  block.bytes.reset(new char[capacity]);  // not zero-filled: untouched pages stay unmapped
  block.capacity = capacity;
  blocks_.push_back(std::move(block));
  allocated_ += capacity;
}

}  // namespace mardo
