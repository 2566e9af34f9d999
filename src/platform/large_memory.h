#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

namespace mardo {

// Arrays from this many bytes on are given memory of their own.
inline constexpr size_t kLargeArrayBytes = size_t{256} << 10;
// From this many bytes on, that memory is backed by huge pages where the system gives them on
// request. Giving a huge page its memory clears all of its 2 MiB: it costs as much as some 180
// ordinary pages (measured), so only an array that fills several of them gains by it.
inline constexpr size_t kHugeArrayBytes = size_t{8} << 20;
// From this many bytes on, an array grown for filling gets its pages at once (GrowForFilling).
inline constexpr size_t kMapAtOnceBytes = size_t{64} << 10;

// `bytes` of memory aligned to huge pages and asked to be backed by them: the first write to a
// page of ordinary memory costs a fault (on a virtual machine, several microseconds), and an array
// filled at once pays that for every 4 KiB, where a huge page pays it once for 2 MiB. Throws
// std::bad_alloc when there is no room.
void* AllocateLarge(size_t bytes);
// Gives back what AllocateLarge(bytes) returned.
void FreeLarge(void* memory, size_t bytes) noexcept;

// Gives the pages of [memory, memory + bytes), which must be writable, their memory now, all in one
// call, where each would otherwise cost a fault when first written: on a virtual machine a fault
// costs about ten times as much as a page given so. What is in them is left as it is. Without
// support from the system it does nothing.
void MapForWriting(void* memory, size_t bytes) noexcept;

// Makes the elements an allocator's container makes without a value (`resize`) unwritten: their
// owner fills them, and growing costs no filling with zeros first.
struct LeavesNewElementsUnwritten {
  template <class U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <class U, class... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};

// An allocator for containers that may grow large and are filled soon after: small arrays come
// from the ordinary heap, large ones from AllocateLarge. Room reserved and never written still
// costs no memory, and elements made without a value (`resize`) are left unwritten: the
// container's owner fills them.
template <class T>
struct LargeAllocator : LeavesNewElementsUnwritten {
  using value_type = T;

  LargeAllocator() = default;
  template <class U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}

  T* allocate(size_t count) {
    if (count * sizeof(T) < kLargeArrayBytes) return std::allocator<T>().allocate(count);
    if (count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(AllocateLarge(count * sizeof(T)));
  }
  void deallocate(T* memory, size_t count) noexcept {
    if (count * sizeof(T) < kLargeArrayBytes) {
      std::allocator<T>().deallocate(memory, count);
    } else {
      FreeLarge(memory, count * sizeof(T));
    }
  }

  template <class U>
  bool operator==(const LargeAllocator<U>&) const noexcept {
    return true;
  }
};

// An allocator that leaves new elements unwritten: for buffers that reads overwrite whole, so that
// growing one does not first fill it with zeros.
template <class T>
struct UnwrittenAllocator : std::allocator<T>, LeavesNewElementsUnwritten {
  UnwrittenAllocator() = default;
  template <class U>
  UnwrittenAllocator(const UnwrittenAllocator<U>&) noexcept {}
  using LeavesNewElementsUnwritten::construct;
};
// Makes room in `array`, a vector of plain values whose allocator leaves new elements unwritten,
// for `more` elements beyond its size, at least doubling its capacity when it grows. New memory
// from kMapAtOnceBytes to kHugeArrayBytes gets its pages at once (MapForWriting) before the
// elements are copied into it: for arrays filled as they grow, where each page would cost a
// fault. (Below that, the call costs more than the few faults it spares, and the heap's pages
// are mostly had already.)
template <class Array>
void GrowForFilling(Array& array, size_t more) {
  if (array.capacity() - array.size() >= more) return;
  Array grown;
  grown.reserve(std::max(array.size() + more, 2 * array.capacity()));
  // Huge pages cost a fault each 2 MiB, where they are written; doubling leaves at most half of
  // the room unwritten.
  if (const size_t bytes = grown.capacity() * sizeof(*grown.data());
      bytes >= kMapAtOnceBytes && bytes < kHugeArrayBytes)
    MapForWriting(grown.data(), bytes);
  grown.resize(array.size());
  std::copy(array.begin(), array.end(), grown.begin());
  array.swap(grown);
}

// An array of `size` plain values left unwritten, in memory from LargeAllocator: for arrays
// filled soon after, perhaps on several threads, as memory is first written where it is filled.
template <class T>
class LargeArray {
  static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);

 public:
  explicit LargeArray(size_t size) : size_(size), data_(LargeAllocator<T>().allocate(size)) {
    // Huge pages cost a fault each 2 MiB, where they are filled; arrays in ordinary pages get
    // their pages now rather than a fault each.
    if (size * sizeof(T) < kHugeArrayBytes) MapForWriting(data_, size * sizeof(T));
  }
  LargeArray(const LargeArray&) = delete;
  LargeArray& operator=(const LargeArray&) = delete;
  ~LargeArray() { LargeAllocator<T>().deallocate(data_, size_); }

  T* data() const { return data_; }
  size_t size() const { return size_; }
  T& operator[](size_t k) const { return data_[k]; }

 private:
  size_t size_;
  T* data_;
};

}  // namespace mardo
