// tovrak share under polling clients: the time from a client's composite
// information query to its answer, answered from state, over TCP loopback
// and over a pseudo-terminal, with 1, 8 and 32 clients each polling at 20 Hz
// (faster where that gives fewer than kSamples answers in the run, so that
// every row's p99 rests on as many), beside a bare echo of the same kind of
// endpoint with as many clients polling alike at the same time; the
// server's processor time per 1000 client queries; the bytes the radio's
// line carries with 1 and with 32 clients polling, over half a minute.
// Beside them, one client's query the server cannot answer from state,
// forwarded to the radio: its time to the answer is one round trip of the
// radio's plus the wait for the command spacing after the component's polls.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "bench_support.hpp"
#include "hosts/share/server.hpp"
#include "hosts/share/share_host.hpp"
#include "hosts/sim/sim_on_pty.hpp"
#include "platform/posix/endpoints/stream_endpoints.hpp"
#include "platform/posix/posix_loop.hpp"

namespace tovrak::bench {
namespace {

constexpr int64_t kPeriodNs = 50'000'000;  // 20 Hz
// Answers each row's percentiles rest on, at least.
constexpr double kSamples = 6000;
// The run's blocks of time whose p99 ratios give the row's ratio (their
// median): a stall of the machine's own that lands in one block moves the
// whole run's p99 of whichever side it struck, not the median.
constexpr size_t kBlocks = 5;

// Each client's polling period: 20 Hz, or faster for kSamples in `seconds`.
int64_t period_ns(int clients, double seconds) {
  return std::min<int64_t>(kPeriodNs, static_cast<int64_t>(seconds * 1e9 * clients / kSamples));
}

int pty_client(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

// Clients polling `query` every `period` each, staggered, on one thread:
// the time from each query to the ";" of its answer, in microseconds, and
// in `from` (if given) the index of the client each answer came to.
std::vector<double> poll_clients(const std::vector<int>& fds, double seconds,
                                 int64_t period = kPeriodNs, std::string_view query = "IF;",
                                 std::vector<size_t>* from = nullptr) {
  const size_t n = fds.size();
  std::vector<int64_t> next(n), sent(n, 0);
  const int64_t start = now_ns();
  for (size_t i = 0; i < n; ++i) next[i] = start + period * static_cast<int64_t>(i) / n;
  std::vector<double> lat;
  const int64_t end = start + static_cast<int64_t>(seconds * 1e9);
  std::vector<pollfd> p(n);
  char buf[512];
  while (now_ns() < end) {
    int64_t t = now_ns(), wake = end;
    for (size_t i = 0; i < n; ++i) {
      if (sent[i] == 0 && t >= next[i]) {
        sent[i] = now_ns();
        if (::write(fds[i], query.data(), query.size()) != static_cast<ssize_t>(query.size())) {
          return {};
        }
        next[i] += period;
      }
      if (sent[i] == 0) wake = std::min(wake, next[i]);
      p[i] = {fds[i], POLLIN, 0};
    }
    // To the nanosecond: a wait rounded down to the millisecond would spin
    // through the rest on one of the machine's cores.
    const int64_t left = std::max<int64_t>(0, wake - now_ns());
    const timespec span{static_cast<time_t>(left / 1'000'000'000), left % 1'000'000'000};
    if (::ppoll(p.data(), n, &span, nullptr) <= 0) continue;
    for (size_t i = 0; i < n; ++i) {
      if (!(p[i].revents & POLLIN)) continue;
      ssize_t r = ::read(fds[i], buf, sizeof buf);
      if (r <= 0) return {};
      if (sent[i] != 0 && std::memchr(buf, ';', static_cast<size_t>(r))) {
        lat.push_back(static_cast<double>(now_ns() - sent[i]) / 1e3);
        if (from) from->push_back(i);
        sent[i] = 0;
      }
    }
  }
  return lat;
}

// The bare reference: a thread echoing every byte back on the other end.
struct Echo {
  std::vector<int> ends;
  std::atomic<bool> stop{false};
  std::thread t;
  double cpu_ms = 0;  // the echo thread's processor time
  double echoes = 0;
  void start() {
    t = std::thread([this] {
      const int64_t cpu0 = thread_cpu_ns();
      struct Done {
        Echo* e;
        int64_t cpu0;
        ~Done() { e->cpu_ms = static_cast<double>(thread_cpu_ns() - cpu0) / 1e6; }
      } done{this, cpu0};
      read_each(ends, stop, 100, [this](size_t i, std::string_view b) {
        if (b.empty()) return true;
        ++echoes;
        return ::write(ends[i], b.data(), b.size()) == static_cast<ssize_t>(b.size());
      });
    });
  }
  ~Echo() {
    stop = true;
    if (t.joinable()) t.join();
  }
};

// The bare reference's endpoints and clients, its echo thread running.
struct Reference {
  std::vector<int> client_fds;
  Echo echo;
  std::vector<std::unique_ptr<Pty>> ptys;
  int listener = -1;
  Reference(bool tcp, int clients) {
    if (tcp) {
      listener = ::socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in sa{};
      sa.sin_family = AF_INET;
      sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      socklen_t len = sizeof sa;
      ::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
      ::listen(listener, 64);
      getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);
      for (int i = 0; i < clients; ++i) {
        client_fds.push_back(tcp_client(ntohs(sa.sin_port)));
        int s = ::accept(listener, nullptr, nullptr);
        int one = 1;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        echo.ends.push_back(s);
      }
    } else {
      for (int i = 0; i < clients; ++i) {
        ptys.push_back(std::make_unique<Pty>());
        echo.ends.push_back(ptys.back()->master);
        client_fds.push_back(ptys.back()->slave);
      }
    }
    echo.start();
  }
  // The echo's processor time per 1000 answers, its thread stopped.
  double cpu_ms_per_1000() {
    echo.stop = true;
    echo.t.join();
    return echo.echoes > 0 ? echo.cpu_ms / echo.echoes * 1000 : 0;
  }
  ~Reference() {
    echo.stop = true;
    if (echo.t.joinable()) echo.t.join();
    if (listener < 0) return;
    for (int fd : client_fds) ::close(fd);
    for (int fd : echo.ends) ::close(fd);
    ::close(listener);
  }
};

// The simulated radio in a process of its own at the lowest priority. A
// radio on its cable takes none of the host's processor time: here it takes
// only what the server, the component and the clients leave, so that its
// answering does not stand in the server's tail.
class RadioProcess {
 public:
  RadioProcess() {
    int up[2], down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      ::close(up[0]);
      ::close(down[1]);
      ::setpriority(PRIO_PROCESS, 0, 19);
      try {
        hosts::SimOnPty radio(sim::SimOptions{.id = 19});
        const std::string line = radio.path() + "\n";
        if (::write(up[1], line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
          char c;
          while (::read(down[0], &c, 1) > 0) {  // until the benchmark closes its end
          }
        }
      } catch (...) {
        ::_exit(1);  // the benchmark reads no path and says so; the child never runs on
      }
      ::_exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    stop_ = down[1];
    char c;
    while (::read(up[0], &c, 1) == 1 && c != '\n') path_ += c;
    ::close(up[0]);
    if (path_.empty()) {
      ::close(stop_);
      ::waitpid(pid_, nullptr, 0);
      throw std::runtime_error("the simulated radio did not start");
    }
  }
  ~RadioProcess() {
    ::close(stop_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  RadioProcess(const RadioProcess&) = delete;
  RadioProcess& operator=(const RadioProcess&) = delete;
  const std::string& path() const { return path_; }

 private:
  pid_t pid_ = -1;
  int stop_ = -1;
  std::string path_;
};

// The sharing server with the simulated radio: the component on a thread of
// its own, the server and its endpoints (one TCP listener and `ptys`
// pseudo-terminals) on another, as `tovrak share` runs them.
struct ShareRig {
  std::unique_ptr<RadioProcess> radio;
  std::thread thread;
  platform::PosixApartment* apt = nullptr;
  share::ShareServer* server = nullptr;
  uint16_t port = 0;
  std::vector<std::string> links;
  std::filesystem::path dir;

  explicit ShareRig(int ptys) {
    radio = std::make_unique<RadioProcess>();
    dir =
        std::filesystem::temp_directory_path() / ("tovrak-share-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::promise<void> ready;
    auto started = ready.get_future();
    thread = std::thread([this, ptys, &ready] {
      platform::PosixApartment a;
      share::ShareServer* s_ptr = nullptr;
      share::RadioThread component(
          [&](station::Station& station) {
            TOVRAK_Protocol& rig = station.rig();
            rig.SetPortDevice(radio->path());
            rig.put_Port(1);
            rig.put_PortSpeed("38400");
          },
          [&](char d, std::string b) {
            a.post([&, d, b = std::move(b)] {
              if (!s_ptr) return;
              if (d == 'R') {
                s_ptr->radio_read(b);
              } else if (d == 'W') {
                s_ptr->radio_wrote(b);
              }
            });
          });
      share::ShareServer s(
          component.rig(), component.apartment(), a, [] { return now_ns() / 1'000'000; },
          share::ShareOptions{.max_clients = 64});
      s_ptr = &s;
      share::ClientGlue glue(s);
      platform::TcpEndpoint tcp(a, "127.0.0.1", 0, {}, glue.handler("tcp", {}, nullptr));
      std::vector<std::unique_ptr<platform::PtyEndpoint>> pty_eps;
      for (int i = 0; i < ptys; ++i) {
        links.push_back((dir / ("radio" + std::to_string(i))).string());
        pty_eps.push_back(std::make_unique<platform::PtyEndpoint>(
            a, links.back(), glue.handler("pty", {.limited = false}, nullptr)));
      }
      port = tcp.port();
      apt = &a;
      server = &s;
      ready.set_value();
      a.run();
      s_ptr = nullptr;
      server = nullptr;
    });
    started.wait();
  }
  ~ShareRig() {
    apt->quit();
    thread.join();
    std::filesystem::remove_all(dir);
  }
  // Runs f on the server's thread and waits for it.
  template <class F>
  auto on_server(F f) {
    return run_on(*apt, f);
  }
};

// The server's clients and the bare echo's poll side by side in one run,
// their queries interleaved (one of the server's, one of the echo's, ...):
// a stall of the machine's own, or a burst of the component's polling,
// falls on both alike, so the ratio of their tails is steady from run to
// run although each tail on its own is not.
void BM_ShareQueryFromState(benchmark::State& state) {
  const bool tcp = state.range(0) == 0;
  const int clients = static_cast<int>(state.range(1));
  const double seconds = env_number("TOVRAK_BENCH_SHARE_SECONDS", 10);
  std::vector<double> lat, ref;
  double cpu_ms = 0, queries = 0, ref_cpu = 0;
  for (auto _ : state) {
    ShareRig rig(tcp ? 0 : clients);
    std::vector<int> fds;
    for (int i = 0; i < clients; ++i) {
      fds.push_back(tcp ? tcp_client(rig.port) : pty_client(rig.links[static_cast<size_t>(i)]));
    }
    poll_clients(fds, 2.0);  // the component learns the radio; the clients are attached
    Reference bare(tcp, clients);
    std::vector<int> both;
    for (int i = 0; i < clients; ++i) {
      both.push_back(fds[static_cast<size_t>(i)]);
      both.push_back(bare.client_fds[static_cast<size_t>(i)]);
    }
    auto sample = [&] {
      return rig.on_server([&] {
        return std::array<double, 2>{static_cast<double>(thread_cpu_ns()),
                                     static_cast<double>(rig.server->answers_from_state())};
      });
    };
    const auto before = sample();
    std::vector<size_t> from;
    const auto all = poll_clients(both, seconds, period_ns(clients, seconds), "IF;", &from);
    const auto after = sample();
    cpu_ms = (after[0] - before[0]) / 1e6;
    queries = after[1] - before[1];
    ref_cpu = bare.cpu_ms_per_1000();
    for (size_t i = 0; i < all.size(); ++i) (from[i] % 2 ? ref : lat).push_back(all[i]);
    for (int fd : fds) ::close(fd);
  }
  if (lat.empty() || ref.empty()) {
    state.SkipWithError("no answers came back");
    return;
  }
  state.counters["p50_us"] = percentile(lat, 50);
  state.counters["p99_us"] = percentile(lat, 99);
  state.counters["ref_p50_us"] = percentile(ref, 50);
  state.counters["ref_p99_us"] = percentile(ref, 99);
  std::vector<double> ratios;
  for (size_t b = 0; b < kBlocks; ++b) {
    auto part = [b](const std::vector<double>& v) {
      return std::vector<double>(v.begin() + static_cast<ptrdiff_t>(v.size() * b / kBlocks),
                                 v.begin() + static_cast<ptrdiff_t>(v.size() * (b + 1) / kBlocks));
    };
    ratios.push_back(percentile(part(lat), 99) / percentile(part(ref), 99));
  }
  state.counters["ratio_p99"] = percentile(ratios, 50);
  state.counters["ratio_p99_low"] = percentile(ratios, 0);
  state.counters["ratio_p99_high"] = percentile(ratios, 100);
  state.counters["ratio_p99_whole"] = percentile(lat, 99) / percentile(ref, 99);
  state.counters["hz"] = 1e9 / static_cast<double>(period_ns(clients, seconds));
  state.counters["cpu_ms_per_1000"] = queries > 0 ? cpu_ms / queries * 1000 : 0;
  state.counters["ref_cpu_ms_per_1000"] = ref_cpu;
  state.counters["queries"] = queries;
  state.counters["samples"] = static_cast<double>(lat.size());
}
BENCHMARK(BM_ShareQueryFromState)
    ->ArgNames({"pty", "clients"})
    ->ArgsProduct({{0, 1}, {1, 8, 32}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The bytes the radio's line carries while 1 client polls and while 32 do,
// on one server, in alternating phases (so that a drift of the component's
// own polling touches both alike), each phase's bytes summed over the run.
void BM_ShareLineLoad(benchmark::State& state) {
  constexpr double kSettleSeconds = 8;
  const double seconds = env_number("TOVRAK_BENCH_LINE_SECONDS", 30);
  constexpr int kPhases = 6;
  std::array<double, 2> bytes{}, spent{};
  for (auto _ : state) {
    ShareRig rig(0);
    std::vector<int> fds;
    for (int i = 0; i < 32; ++i) fds.push_back(tcp_client(rig.port));
    // For its first seconds with CAT on the component asks for the radio's
    // status far more often than in its steady round: the phases begin once
    // that is over, so that the first phase does not carry it alone.
    poll_clients(fds, kSettleSeconds);
    auto written = [&] {
      return rig.on_server([&] { return static_cast<double>(rig.server->radio_bytes_written()); });
    };
    for (int phase = 0; phase < kPhases; ++phase) {
      const size_t many = phase % 2;
      const std::vector<int> polling(fds.begin(), fds.begin() + (many ? 32 : 1));
      const double before = written();
      const int64_t t0 = now_ns();
      poll_clients(polling, seconds / kPhases);
      bytes[many] += written() - before;
      spent[many] += static_cast<double>(now_ns() - t0) / 1e9;
    }
    for (int fd : fds) ::close(fd);
  }
  state.counters["line1_bytes_per_s"] = bytes[0] / spent[0];
  state.counters["line32_bytes_per_s"] = bytes[1] / spent[1];
  state.counters["ratio"] = (bytes[1] / spent[1]) / (bytes[0] / spent[0]);
  state.counters["window_s"] = spent[0] + spent[1];
}
BENCHMARK(BM_ShareLineLoad)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A menu item's value, which the server never keeps: each query goes to the
// radio, written with the command spacing after the last write on the port
// (the component's polls included), and its client is answered as soon as the
// radio's answer is read. The client asks four times a second, not at once
// after each answer, so that its own queries do not set the spacing it waits
// for: the wait is the radio's round trip plus what is left of the spacing.
void BM_ShareForwardedQuery(benchmark::State& state) {
  const double seconds = 2 * env_number("TOVRAK_BENCH_SHARE_SECONDS", 10);
  std::vector<double> lat;
  for (auto _ : state) {
    ShareRig rig(0);
    std::vector<int> fds{tcp_client(rig.port)};
    poll_clients(fds, 2.0);  // the component learns the radio
    lat = poll_clients(fds, seconds, 250'000'000, "EX087;");
    ::close(fds[0]);
  }
  if (lat.empty()) {
    state.SkipWithError("no answers came back");
    return;
  }
  // The component's default command spacing, the millisecond the station's
  // timer rounds it up to, and the simulated radio's answer (under one).
  constexpr double kGoalMs = 100 + 1 + 1;
  state.counters["p50_ms"] = percentile(lat, 50) / 1e3;
  state.counters["p99_ms"] = percentile(lat, 99) / 1e3;
  state.counters["goal_ms"] = kGoalMs;
  state.counters["ratio_p99"] = percentile(lat, 99) / 1e3 / kGoalMs;
  state.counters["samples"] = static_cast<double>(lat.size());
}
BENCHMARK(BM_ShareForwardedQuery)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tovrak::bench
