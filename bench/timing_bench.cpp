// How closely the component keeps the spacing of control commands on a real
// pseudo-terminal: the host calls set methods back to back and the radio's
// end timestamps each command as it arrives; the gaps are compared with the
// command delay (100 ms). The component's clock is the time of day in single
// precision, whose step grows through the day (about 1 ms in the first
// hours, 8 ms before midnight): the time of day of the run is reported.
#include <benchmark/benchmark.h>
#include <poll.h>

#include <atomic>
#include <cmath>
#include <ctime>
#include <thread>
#include <vector>

#include "bench_support.hpp"
#include "core/component/protocol.hpp"

namespace tovrak::bench {
namespace {

double time_of_day() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec;
}

// mean_gap_ms, worst_gap_ms: between consecutive control commands.
void BM_ControlCommandSpacing(benchmark::State& state) {
  const int commands = static_cast<int>(env_number("TOVRAK_BENCH_COMMANDS", 60));
  Pty pty;
  if (!pty.ok()) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  Host host(pty.path, "38400");
  if (!host.ok()) {
    state.SkipWithError(host.error.c_str());
    return;
  }
  auto* p = static_cast<core::Protocol*>(host.rig.get());
  const double delay_ms = 1000.0 * static_cast<double>(p->m.link.command_delay);
  std::vector<int64_t> arrivals;
  arrivals.reserve(static_cast<size_t>(commands) + 8);
  std::atomic<bool> stop{false};
  std::thread radio([&] {
    char buf[256];
    while (!stop.load()) {
      pollfd pf{pty.master, POLLIN, 0};
      if (::poll(&pf, 1, 50) <= 0) continue;
      int64_t t = now_ns();
      ssize_t n = ::read(pty.master, buf, sizeof buf);
      for (ssize_t i = 0; i < n; ++i) {
        if (buf[i] == ';') arrivals.push_back(t);
      }
    }
  });
  double tod = time_of_day();
  for (auto _ : state) {
    for (int i = 0; i < commands; ++i) {
      int16_t rx = 0, level = static_cast<int16_t>(i % 256);
      if (i % 2) {
        host.rig->SetAFLevel(rx, level);
      } else {
        host.rig->SetSQLevel(rx, level);
      }
    }
    host.apt.run_for(std::chrono::milliseconds(200));
  }
  stop = true;
  radio.join();
  std::vector<double> gaps;
  for (size_t i = 1; i < arrivals.size(); ++i) {
    gaps.push_back(static_cast<double>(arrivals[i] - arrivals[i - 1]) / 1e6);
  }
  if (gaps.size() + 1 != static_cast<size_t>(commands)) {
    state.SkipWithError("commands went missing");
    return;
  }
  double worst = 0;
  for (double g : gaps) worst = std::max(worst, std::fabs(g - delay_ms));
  const auto clock = static_cast<float>(tod);
  state.counters["mean_gap_ms"] = mean(gaps);
  state.counters["worst_gap_ms"] = *std::max_element(gaps.begin(), gaps.end());
  state.counters["least_gap_ms"] = *std::min_element(gaps.begin(), gaps.end());
  state.counters["ref_delay_ms"] = delay_ms;
  state.counters["mean_dev_ms"] = mean(gaps) - delay_ms;
  state.counters["worst_dev_ms"] = worst;
  state.counters["ratio"] = mean(gaps) / delay_ms;
  state.counters["worst_ratio"] = *std::max_element(gaps.begin(), gaps.end()) / delay_ms;
  state.counters["time_of_day_s"] = tod;
  state.counters["clock_step_ms"] =
      1000.0 * static_cast<double>(std::nextafter(clock, 1e9f) - clock);
}
BENCHMARK(BM_ControlCommandSpacing)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tovrak::bench
