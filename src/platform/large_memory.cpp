#include "platform/large_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace mardo {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;

size_t Rounded(size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void* AllocateLarge(size_t bytes) {
  if (bytes > SIZE_MAX - 2 * kHugePage) throw std::bad_alloc();
  const size_t size = Rounded(bytes);
  // Reserved with a huge page to spare, then trimmed to an aligned start: only whole aligned
  // huge pages can be backed by one.
  void* p = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<uintptr_t>(p);
  const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) ::munmap(p, aligned - start);
  if (const uintptr_t end = start + size + kHugePage; end > aligned + size)
    ::munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
  // Without huge pages (too small, or the system declines) the memory is ordinary memory.
  if (bytes >= kHugeArrayBytes) ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* memory, size_t bytes) noexcept {
  if (memory != nullptr) ::munmap(memory, Rounded(bytes));
}

void MapForWriting(void* memory, size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
  if (memory == nullptr || bytes == 0) return;
  constexpr uintptr_t kPage = 4096;
  const auto from = reinterpret_cast<uintptr_t>(memory) / kPage * kPage;
  const uintptr_t to = reinterpret_cast<uintptr_t>(memory) + bytes;
  ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
  (void)memory;
  (void)bytes;
#endif
}

}  // namespace mardo
