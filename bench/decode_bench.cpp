// Decoding throughput: answers per second on one core for a realistic mixed
// stream (S-meter, frequencies, the composite "IF", settings), consolidation
// included, against what a 115200-baud line can deliver; and the heap
// allocations a steady stream costs per answer.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "alloc_count.hpp"
#include "core/component/protocol.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/virtual_apartment.hpp"

namespace {

using tovrak::bench::allocations;

// A radio's steady stream: mostly meter and frequency, some status and
// settings, values moving a little as on a live band.
std::string stream(int rounds) {
  std::string s;
  for (int i = 0; i < rounds; ++i) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "SM00%02d;FA%08d;SM00%02d;IF00514%06d+000000200000;AG0%03d;"
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
  p->m.link.send_muted = tovrak::VTrue;  // the mode queries of the first answer stay off the wire
  const std::string text = stream(100);
  std::string buffer;
  buffer.reserve(text.size());
  tovrak::VBool read = tovrak::VFalse;
  buffer = text;
  rig->ReadBuffer(buffer, read);  // warm up: every buffer at its working size
  uint64_t answers = 0;
  uint64_t allocated = 0;
  for (auto _ : state) {
    buffer = text;
    uint64_t before = allocations();
    rig->ReadBuffer(buffer, read);
    allocated += allocations() - before;
    answers += 100 * kAnswersPerRound;
  }
  state.counters["answers_per_s"] =
      benchmark::Counter(static_cast<double>(answers), benchmark::Counter::kIsRate);
  // A 115200-baud line carries 11520 bytes/s: some 800 answers a second of
  // 14 bytes, some 1240 of this stream's (9.3 bytes an answer). The stream's
  // own rate is the reference.
  const double line_rate = 11520.0 / (static_cast<double>(text.size()) / (100 * kAnswersPerRound));
  state.counters["ref_answers_per_s"] = line_rate;
  state.counters["x_115200_line"] =
      benchmark::Counter(static_cast<double>(answers) / line_rate, benchmark::Counter::kIsRate);
  state.counters["allocs_per_answer"] =
      static_cast<double>(allocated) / static_cast<double>(answers ? answers : 1);
}
BENCHMARK(BM_DecodeMixedStream);

}  // namespace
