#pragma once

namespace mardo {

// Maps all of the program's code at once. Started from a cold disk, a short run would otherwise
// pay a fault for every few pages of code it reaches (tens of microseconds each on a virtual
// machine); with the code in memory already, the mapping costs about as much as those faults.
// Without support from the system it does nothing.
void MapProgramCode();

// Shapes the heap for short runs that read many pieces: blocks of up to 32 MiB come from the heap,
// where they are used again, rather than from fresh mappings that cost a fault for every page
// written; and the heap grows in large steps. (Giving the heap's first MiB its pages at once cost
// a rare search more than the faults it saved: it uses a fraction of that MiB.)
void PrepareHeapForShortRun();

}  // namespace mardo
