// From the radio to the host: the time from an answer written at the
// radio's end of a real pseudo-terminal to the Change event raised on the
// host's apartment thread, against the bare round trip of the same kind of
// pseudo-terminal measured in the same run; and the heap allocations the
// whole receive path (port, receive buffer, decoding, consolidation, event)
// costs per answer once it runs steadily. And the same answer-to-event time
// with the radio behind ser2net (RFC 2217 on loopback), against the direct
// pseudo-terminal in the same run.
#include <benchmark/benchmark.h>
#include <poll.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <optional>

#include "alloc_count.hpp"
#include "bench_support.hpp"
#include "hosts/cli/ser2net_server.hpp"

namespace tovrak::bench {
namespace {

// One answer at a time: the radio thread writes, the apartment thread
// raises the event and says so.
struct Handshake {
  std::mutex m;
  std::condition_variable cv;
  int done = 0;
  std::vector<int64_t> at;  // when each event was raised

  void raised(int64_t t) {
    std::lock_guard<std::mutex> lock(m);
    if (static_cast<size_t>(done) < at.size()) at[static_cast<size_t>(done)] = t;
    ++done;
    cv.notify_one();
  }
  // False when the event did not come within a second.
  bool wait_for(int count) {
    std::unique_lock<std::mutex> lock(m);
    return cv.wait_for(lock, std::chrono::seconds(1), [&] { return done >= count; });
  }
};

void drain(int fd) {
  char buf[512];
  while (::read(fd, buf, sizeof buf) > 0) {
  }
}

// Answer-to-event latency of the component, in microseconds, one sample per
// answer. The radio writes an S-meter answer whose value differs from the
// last one, so each raises Change(3). `remote`: the component reaches the
// pseudo-terminal through ser2net on loopback.
std::vector<double> component_latency(int samples, std::string& error, bool remote = false) {
  Pty pty;
  if (!pty.ok()) {
    error = "no pseudo-terminal";
    return {};
  }
  Pty::nonblocking(pty.master);
  std::optional<hosts::Ser2netServer> server;
  if (remote) {
    try {
      server.emplace(pty.path);
    } catch (const std::exception& e) {
      error = e.what();
      return {};
    }
  }
  Host host(remote ? server->locator() : pty.path, "115200");
  if (!host.ok()) {
    error = host.error;
    return {};
  }
  constexpr int kWarmup = 50;
  const int total = samples + kWarmup;
  Handshake hs;
  hs.at.assign(static_cast<size_t>(total), 0);
  host.rig->AdviseChange([&](int16_t& state) {
    if (state == change::kSMeter) hs.raised(now_ns());
  });
  std::vector<double> lat;
  lat.reserve(static_cast<size_t>(samples));
  std::thread radio([&] {
    for (int i = 0; i < total; ++i) {
      pause_us(500 + (i * 7919) % 1000);  // not in step with anything
      const char* text = i % 2 ? "SM0012;" : "SM0013;";
      int64_t sent = now_ns();
      if (::write(pty.master, text, 7) != 7 || !hs.wait_for(i + 1)) {
        error = "an answer raised no event";
        break;
      }
      if (i >= kWarmup)
        lat.push_back(static_cast<double>(hs.at[static_cast<size_t>(i)] - sent) / 1e3);
      drain(pty.master);  // the queries the first answer provokes
    }
    host.apt.quit();
  });
  host.apt.run();
  radio.join();
  return lat;
}

// The bare pseudo-terminal: bytes written at the master end, read at the
// slave end by a thread waiting in poll() and written straight back, read
// again at the master end.
std::vector<double> bare_round_trip(int samples, std::string& error) {
  Pty pty;
  if (!pty.ok()) {
    error = "no pseudo-terminal";
    return {};
  }
  std::atomic<bool> stop{false};
  std::thread echo([&] {
    char buf[64];
    while (!stop.load()) {
      pollfd p{pty.slave, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      ssize_t n = ::read(pty.slave, buf, sizeof buf);
      if (n > 0 && ::write(pty.slave, buf, static_cast<size_t>(n)) != n) break;
    }
  });
  std::vector<double> rtt;
  rtt.reserve(static_cast<size_t>(samples));
  char buf[64];
  for (int i = 0; i < samples + 50; ++i) {
    pause_us(500 + (i * 7919) % 1000);
    int64_t sent = now_ns();
    if (::write(pty.master, "SM0012;", 7) != 7) {
      error = "write";
      break;
    }
    size_t got = 0;
    while (got < 7) {
      pollfd p{pty.master, POLLIN, 0};
      if (::poll(&p, 1, 1000) <= 0) break;
      ssize_t n = ::read(pty.master, buf, sizeof buf);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    if (got < 7) {
      error = "the echo did not come back";
      break;
    }
    if (i >= 50) rtt.push_back(static_cast<double>(now_ns() - sent) / 1e3);
  }
  stop = true;
  echo.join();
  return rtt;
}

// p50_us, p99_us: answer written -> Change raised; ref_*: bare round trip.
void BM_AnswerToChangeEvent(benchmark::State& state) {
  const int samples = static_cast<int>(env_number("TOVRAK_BENCH_LATENCY_SAMPLES", 2000));
  std::vector<double> lat, ref;
  std::string error;
  for (auto _ : state) {
    // Side by side: halves of each, alternating, so that both see the same
    // machine.
    for (int half = 0; half < 2 && error.empty(); ++half) {
      auto l = component_latency(samples / 2, error);
      auto r = bare_round_trip(samples / 2, error);
      lat.insert(lat.end(), l.begin(), l.end());
      ref.insert(ref.end(), r.begin(), r.end());
    }
  }
  if (!error.empty()) {
    state.SkipWithError(error.c_str());
    return;
  }
  state.counters["p50_us"] = percentile(lat, 50);
  state.counters["p99_us"] = percentile(lat, 99);
  state.counters["ref_p50_us"] = percentile(ref, 50);
  state.counters["ref_p99_us"] = percentile(ref, 99);
  state.counters["ratio_p50"] = percentile(lat, 50) / percentile(ref, 50);
  state.counters["ratio_p99"] = percentile(lat, 99) / percentile(ref, 99);
  state.counters["samples"] = static_cast<double>(lat.size());
}
BENCHMARK(BM_AnswerToChangeEvent)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// p50_us, p99_us: answer written -> Change raised with ser2net between;
// ref_*: the same over the pseudo-terminal directly.
void BM_RemoteAnswerToChangeEvent(benchmark::State& state) {
  const int samples = static_cast<int>(env_number("TOVRAK_BENCH_LATENCY_SAMPLES", 2000));
  std::vector<double> lat, ref;
  std::string error;
  for (auto _ : state) {
    for (int half = 0; half < 2 && error.empty(); ++half) {
      auto l = component_latency(samples / 2, error, true);
      auto r = component_latency(samples / 2, error);
      lat.insert(lat.end(), l.begin(), l.end());
      ref.insert(ref.end(), r.begin(), r.end());
    }
  }
  if (!error.empty()) {
    state.SkipWithError(error.c_str());
    return;
  }
  state.counters["p50_us"] = percentile(lat, 50);
  state.counters["p99_us"] = percentile(lat, 99);
  state.counters["ref_p50_us"] = percentile(ref, 50);
  state.counters["ref_p99_us"] = percentile(ref, 99);
  state.counters["ratio_p50"] = percentile(lat, 50) / percentile(ref, 50);
  state.counters["ratio_p99"] = percentile(lat, 99) / percentile(ref, 99);
}
BENCHMARK(BM_RemoteAnswerToChangeEvent)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A radio's steady stream over a real pseudo-terminal, each answer followed
// by an S-meter answer that raises the event the radio waits for; the heap
// allocations on the apartment thread per answer, after a warm-up.
void BM_ReceivePathAllocations(benchmark::State& state) {
  // The 8-digit forms: no identification has been asked for.
  static constexpr const char* kAnswers[] = {"FA14195000;", "IF00514195000+000000200000;",
                                             "AG0117;",     "FB07050000;",
                                             "FT0;",        "TX0;",
                                             "RM00123;",    "MD02;",
                                             "SH016;",      "IS0+0000;"};
  constexpr int kKinds = sizeof kAnswers / sizeof kAnswers[0];
  Pty pty;
  if (!pty.ok()) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  Pty::nonblocking(pty.master);
  Host host(pty.path, "115200");
  if (!host.ok()) {
    state.SkipWithError(host.error.c_str());
    return;
  }
  const int rounds = static_cast<int>(env_number("TOVRAK_BENCH_ALLOC_ROUNDS", 2000));
  constexpr int kWarmup = 200;
  Handshake hs;
  uint64_t allocs_at_warm = 0;
  host.rig->AdviseChange([&](int16_t& s) {
    if (s != change::kSMeter) return;
    if (hs.done + 1 == kWarmup) allocs_at_warm = thread_allocations();
    hs.raised(0);
  });
  std::string error;
  uint64_t allocated = 0;
  for (auto _ : state) {
    std::thread radio([&] {
      for (int i = 0; i < rounds + kWarmup; ++i) {
        std::string text = kAnswers[i % kKinds];
        text += i % 2 ? "SM0012;" : "SM0013;";
        pause_us(200);
        if (::write(pty.master, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
            !hs.wait_for(i + 1)) {
          error = "an answer raised no event";
          break;
        }
        drain(pty.master);
      }
      host.apt.quit();
    });
    host.apt.run();
    radio.join();
    allocated = thread_allocations() - allocs_at_warm;
  }
  if (!error.empty()) {
    state.SkipWithError(error.c_str());
    return;
  }
  state.counters["allocs_per_answer"] =
      static_cast<double>(allocated) / static_cast<double>(2 * rounds);
  state.counters["answers"] = static_cast<double>(2 * rounds);
}
BENCHMARK(BM_ReceivePathAllocations)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tovrak::bench
