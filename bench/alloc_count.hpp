// Heap allocations counted by the benchmark program's own operator new: in
// the whole process, and on the calling thread alone (the apartment's thread
// while a radio thread runs beside it).
#pragma once

#include <cstdint>

namespace tovrak::bench {

uint64_t allocations();
uint64_t thread_allocations();

}  // namespace tovrak::bench
