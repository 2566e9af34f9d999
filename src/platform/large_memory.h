#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

namespace mardo {

// Arrays from this many bytes on are given memory of their own, backed by huge pages where the
// system gives them on request.
inline constexpr size_t kLargeArrayBytes = size_t{256} << 10;

// `bytes` of memory aligned to huge pages and asked to be backed by them: the first write to a
// page of ordinary memory costs a fault (on a virtual machine, several microseconds), and an array
// filled at once pays that for every 4 KiB, where a huge page pays it once for 2 MiB. Throws
// std::bad_alloc when there is no room.
void* AllocateLarge(size_t bytes);
// Gives back what AllocateLarge(bytes) returned.
void FreeLarge(void* memory, size_t bytes) noexcept;

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
// An array of `size` plain values left unwritten, in memory from LargeAllocator: for arrays
// filled soon after, perhaps on several threads, as memory is first written where it is filled.
template <class T>
class LargeArray {
  static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);

 public:
  explicit LargeArray(size_t size) : size_(size), data_(LargeAllocator<T>().allocate(size)) {}
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
