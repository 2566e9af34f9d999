#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace mardo {

// The name bytes of one catalog's entries. Names are appended, each followed by a NUL, into large
// chunks that never move, so records keep plain pointers to their names. Names appended in record
// order lie in record order, which lets a search scan whole chunks at once.
class NameArena {
 public:
  struct Chunk {
    const char* begin;
    const char* end;  // one past the last used byte
  };

  NameArena() = default;
  NameArena(const NameArena&) = delete;
  NameArena& operator=(const NameArena&) = delete;

  // Makes sure that the next `bytes` bytes of names fit without another chunk. Loading passes an
  // upper bound; untouched pages of a large chunk cost no memory.
  void Reserve(size_t bytes);

  // Copies the name (and a NUL) into the arena and returns the stored bytes.
  std::string_view Store(std::string_view name);

  // Frees every chunk; every view handed out becomes invalid.
  void Clear();

  // The used part of the chunk that holds `p`, or an empty chunk when no chunk does.
  Chunk ChunkOf(const char* p) const;

  size_t BytesUsed() const { return bytesUsed_; }

 private:
  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t used = 0;
    size_t capacity = 0;
  };
  static constexpr size_t kMinimumChunk = 64 * 1024;

  void AddChunk(size_t capacity);

  std::vector<Block> blocks_;
  size_t bytesUsed_ = 0;
  size_t allocated_ = 0;
};

}  // namespace mardo
