// Decoding throughput: answers per second on one core for a realistic mixed
// stream (S-meter, frequencies, the composite "IF", settings), consolidation
// included, against what a 115200-baud line can deliver; and the heap
// allocations a steady stream costs per answer.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/component/protocol.hpp"
#include "platform/virtual/virtual_apartment.hpp"
#include "tovrak/connector.hpp"

namespace {

std::atomic<uint64_t> g_allocations{0};

// A radio's steady stream: mostly meter and frequency, some status and
// settings, values moving a little as on a live band.
std::string stream(int rounds) {
  std::string s;
  for (int i = 0; i < rounds; ++i) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "SM00%02d;FA%08d;SM00%02d;IF00514%06d000000000020000000000;AG0%03d;"
                  "SM00%02d;FB07050000;RM00%03d;FT0;TX0;",
                  i % 30, 14195000 + (i % 7) * 10, (i + 3) % 30, 195000 + (i % 5) * 10, 100 + i % 9,
                  (i + 5) % 30, i % 200);
    s += buf;
  }
  return s;
}
constexpr int kAnswersPerRound = 10;

void BM_DecodeMixedStream(benchmark::State& state) {
  tovrak::platform::VirtualApartment apt;
  apt.set_time_of_day(3600);
  tovrak::TOVRAK_Connector c(apt);
  auto rig = c.get_TOVRAK_Protocol();
  auto* p = static_cast<tovrak::core::Protocol*>(rig.get());
  p->m.gSendMuted = tovrak::VTrue;  // the mode queries of the first answer stay off the wire
  const std::string text = stream(100);
  std::string buffer;
  buffer.reserve(text.size());
  tovrak::VBool read = tovrak::VFalse;
  buffer = text;
  rig->ReadBuffer(buffer, read);  // warm up: every buffer at its working size
  uint64_t answers = 0;
  uint64_t allocations = 0;
  for (auto _ : state) {
    buffer = text;
    uint64_t before = g_allocations.load(std::memory_order_relaxed);
    rig->ReadBuffer(buffer, read);
    allocations += g_allocations.load(std::memory_order_relaxed) - before;
    answers += 100 * kAnswersPerRound;
  }
  state.counters["answers_per_s"] =
      benchmark::Counter(static_cast<double>(answers), benchmark::Counter::kIsRate);
  // A 115200-baud line carries 11520 bytes/s; the stream averages about 14
  // bytes an answer, some 800 answers a second.
  state.counters["x_115200_line"] =
      benchmark::Counter(static_cast<double>(answers) / 800.0, benchmark::Counter::kIsRate);
  state.counters["allocs_per_answer"] =
      static_cast<double>(allocations) / static_cast<double>(answers ? answers : 1);
}
BENCHMARK(BM_DecodeMixedStream);

}  // namespace

// Counting allocations: the global operator new of this benchmark program.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
