#include "platform/program_code.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "platform/large_memory.h"

// The start of the program's image and the end of its code, as the linker places them.
extern "C" char __executable_start;
extern "C" char etext;

namespace mardo {

void MapProgramCode() {
#ifdef MADV_POPULATE_READ
  const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const uintptr_t from = reinterpret_cast<uintptr_t>(&__executable_start) / page * page;
  const auto to = reinterpret_cast<uintptr_t>(&etext);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_READ);
#endif
}

void PrepareHeapForShortRun() {
  constexpr int kFromHeap = 1 << 20;  // blocks below this come from the heap
  ::mallopt(M_MMAP_THRESHOLD, kFromHeap);
  // Pages given back at every free would be faulted in again by the next blocks.
  ::mallopt(M_TRIM_THRESHOLD, 8 * kFromHeap);
  constexpr size_t kGiven = kFromHeap - (64 << 10);
  if (void* room = std::malloc(kGiven)) {
    MapForWriting(room, kGiven);
    std::free(room);  // stays the heap's, its pages given, for the blocks to come
  }
}

}  // namespace mardo
