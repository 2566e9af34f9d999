#include "platform/program_code.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

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
  // Blocks up to 32 MiB come from the heap and are used again once freed, as the system library
  // itself would allow once it had seen blocks that large freed (its limit rises as they are);
  // setting any of these turns that rise off, and building an index then took a quarter longer.
  constexpr int kFromHeap = 32 << 20;
  ::mallopt(M_MMAP_THRESHOLD, kFromHeap);
  ::mallopt(M_TRIM_THRESHOLD, 2 * kFromHeap);  // as the rise would set it
  // The heap grows 8 MiB at a time (room not written costs no memory): each growth of a helper
  // thread's heap holds up the other threads' faults and mappings, and a search grew them often.
  ::mallopt(M_TOP_PAD, 8 << 20);
}

}  // namespace mardo
