#include "alloc_count.hpp"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<uint64_t> g_allocations{0};
thread_local uint64_t t_allocations = 0;
}  // namespace

namespace tovrak::bench {
uint64_t allocations() { return g_allocations.load(std::memory_order_relaxed); }
uint64_t thread_allocations() { return t_allocations; }
}  // namespace tovrak::bench

// The global operator new of the benchmark program.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  ++t_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
