#include "platform/program_code.h"

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

}  // namespace mardo
