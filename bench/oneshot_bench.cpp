// tovrak get / set as a shell script runs them, against `tovrak sim --pty`
// at its defaults: each sample is a whole process, started and waited for.
// Beside them, in the same run, the reference: a bare client that opens the
// same pseudo-terminal, writes one query and reads its answer. Through a
// sharing server: `tovrak get freq --server` against `tovrak share --sim`.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.hpp"

extern char** environ;

namespace tovrak::bench {
namespace {

// Starts a program with its output thrown away; returns its process id.
pid_t start(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  posix_spawn_file_actions_addopen(&io, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&io, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &io, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&io);
  return pid;
}

// Runs a program to its end; its time in ms, or -1 when it failed.
double run_ms(const std::vector<std::string>& args) {
  const int64_t t0 = now_ns();
  const pid_t pid = start(args);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return -1;
  }
  return static_cast<double>(now_ns() - t0) / 1e6;
}

// The median of `n` runs; -1 when any failed.
double median_ms(const std::vector<std::string>& args, int n) {
  std::vector<double> ms;
  for (int i = 0; i < n; ++i) {
    const double t = run_ms(args);
    if (t < 0) return -1;
    ms.push_back(t);
  }
  return percentile(ms, 50);
}

// A background program (the simulated radio, a sharing server), ended with
// SIGTERM.
struct Background {
  pid_t pid;
  explicit Background(const std::vector<std::string>& args) : pid(start(args)) {}
  ~Background() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
};

void BM_OneShotCommands(benchmark::State& state) {
  const std::string tovrak = TOVRAK_PROGRAM, bare = TOVRAK_BARE_CLIENT;
  const int n = static_cast<int>(env_number("TOVRAK_BENCH_ONESHOT_SAMPLES", 20));
  const auto dir =
      std::filesystem::temp_directory_path() / ("tovrak-oneshot-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string link = (dir / "radio").string();
  Background sim({tovrak, "sim", "--pty", link});
  for (int i = 0; i < 100 && !std::filesystem::exists(link); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const uint16_t port = static_cast<uint16_t>(20000 + getpid() % 20000);
  const std::string server = "127.0.0.1:" + std::to_string(port);
  Background share({tovrak, "share", "--sim", "--listen", server, "--plain"});
  auto get = [&](std::vector<std::string> names) {
    names.insert(names.begin(), {tovrak, "get"});
    names.insert(names.end(), {"--port", link});
    return names;
  };
  for (auto _ : state) {
    const double ref = median_ms({bare, link, "FA;"}, n);
    const double freq = median_ms(get({"freq"}), n);
    double worst = 0;
    for (const char* name : {"freq", "txfreq", "mode", "vfo", "split", "ptt", "smeter", "width",
                             "power", "af", "rf", "sql"}) {
      const double t = median_ms(get({name}), std::max(3, n / 4));
      worst = (t < 0 || worst < 0) ? -1 : std::max(worst, t);
    }
    const double all = median_ms(get({"freq", "txfreq", "mode", "vfo", "split", "ptt", "smeter",
                                      "width", "power", "af", "rf", "sql"}),
                                 std::max(3, n / 4));
    const double set = median_ms({tovrak, "set", "freq", "14.21", "--port", link}, n);
    const double shared = median_ms({tovrak, "get", "freq", "--server", server}, n);
    if (ref < 0 || freq < 0 || worst < 0 || all < 0 || set < 0 || shared < 0) {
      state.SkipWithError("a command failed (is the pseudo-terminal or the port free?)");
      break;
    }
    state.counters["ref_ms"] = ref;
    state.counters["get_freq_ms"] = freq;
    state.counters["ratio"] = freq / ref;
    state.counters["worst_get_ms"] = worst;
    state.counters["all_names_ms"] = all;
    state.counters["set_freq_ms"] = set;
    state.counters["server_get_freq_ms"] = shared;
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_OneShotCommands)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tovrak::bench
