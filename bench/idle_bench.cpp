// What an idle component costs: CAT on with the default polling against the
// simulated radio on a pseudo-terminal (answering on its own thread), for
// 45 s by default (TOVRAK_BENCH_IDLE_SECONDS). Only the apartment's thread
// is counted; side by side, on a thread of its own, a bare apartment whose
// only work is a 175 ms timer is measured over the same time. And the
// resident memory of the process, with what the component and its radio
// added to it.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <thread>

#include "bench_support.hpp"
#include "hosts/sim/sim_on_pty.hpp"

namespace tovrak::bench {
namespace {

int64_t heap_in_use() {
  struct mallinfo2 mi = mallinfo2();
  return static_cast<int64_t>(mi.uordblks + mi.hblkhd);
}

// cpu_ms_per_min: processor time of the apartment's thread per minute.
void BM_IdleWithCatOn(benchmark::State& state) {
  const double seconds = env_number("TOVRAK_BENCH_IDLE_SECONDS", 45);
  const auto span = std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
  const int64_t rss_before = status_kib("VmRSS");
  const int64_t heap_before = heap_in_use();
  hosts::SimOnPty radio(sim::SimOptions{.id = 460, .seed = 1});
  Host host(radio.path(), "38400");
  if (!host.ok()) {
    state.SkipWithError(host.error.c_str());
    return;
  }
  int64_t writes = 0, events = 0;
  host.apt.on_serial_write([&](std::string_view) { ++writes; });
  host.rig->AdviseChange([&](int16_t&) { ++events; });
  int16_t on = 1;
  host.rig->SetCAT(on);
  host.apt.run_for(std::chrono::seconds(3));  // the first status cycle is over
  writes = events = 0;

  int64_t cpu = 0, bare_cpu = 0;
  uint64_t wakeups = 0, bare_wakeups = 0;
  double wall = 0;
  for (auto _ : state) {
    std::thread bare([&] {
      platform::PosixApartment apt;
      auto timer = apt.create_timer(175, true, [] {});
      uint64_t w0 = apt.wakeups();
      int64_t c0 = thread_cpu_ns();
      apt.run_for(span);
      bare_cpu = thread_cpu_ns() - c0;
      bare_wakeups = apt.wakeups() - w0;
    });
    uint64_t w0 = host.apt.wakeups();
    int64_t c0 = thread_cpu_ns(), t0 = now_ns();
    host.apt.run_for(span);
    cpu = thread_cpu_ns() - c0;
    wall = static_cast<double>(now_ns() - t0) / 1e9;
    wakeups = host.apt.wakeups() - w0;
    bare.join();
  }
  const double minutes = wall / 60.0;
  state.counters["cpu_ms_per_min"] = static_cast<double>(cpu) / 1e6 / minutes;
  state.counters["core_percent"] = 100.0 * static_cast<double>(cpu) / 1e9 / wall;
  state.counters["ref_cpu_ms_per_min"] = static_cast<double>(bare_cpu) / 1e6 / minutes;
  state.counters["ratio"] = static_cast<double>(cpu) / static_cast<double>(bare_cpu ? bare_cpu : 1);
  state.counters["wakeups_per_s"] = static_cast<double>(wakeups) / wall;
  state.counters["ref_wakeups_per_s"] = static_cast<double>(bare_wakeups) / wall;
  state.counters["writes_per_s"] = static_cast<double>(writes) / wall;
  state.counters["events_per_s"] = static_cast<double>(events) / wall;
  state.counters["wakeups_ratio"] =
      static_cast<double>(wakeups) / static_cast<double>(bare_wakeups ? bare_wakeups : 1);
  const int64_t rss = status_kib("VmRSS");
  state.counters["rss_mib"] = static_cast<double>(rss) / 1024.0;
  state.counters["ref_rss_mib"] = static_cast<double>(rss_before) / 1024.0;
  state.counters["rss_ratio"] = static_cast<double>(rss) / static_cast<double>(rss_before);
  state.counters["rss_added_kib"] = static_cast<double>(rss - rss_before);
  state.counters["heap_added_kib"] = static_cast<double>(heap_in_use() - heap_before) / 1024.0;
}
BENCHMARK(BM_IdleWithCatOn)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tovrak::bench
