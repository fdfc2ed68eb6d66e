// The station's page under the sharing server: how soon a radio answer shows
// in a browser, and what each connected page costs the server.
//
// The radio is the benchmark itself, at the far end of a pseudo-terminal: it
// tells its identity, then moves its S-meter 20 times a second. The
// component reads the answers, the server learns them and pushes the change.
// - Push latency: from the instant the server takes the answer to the page
//   having put it on screen, as headless Chromium reports it (the page,
//   opened with #bench, sends back the stamp of each state it showed with
//   its own clock's time; both clocks are this machine's). Beside it, in the
//   same run and from the same instant, a TCP client with automatic
//   information on is told of the same change.
// - Server CPU per page: the processor time of the server's thread and the
//   network thread with 8 pages connected (each sends its heartbeat and
//   reads every push), less that with none, per page; beside it the same
//   for 8 TCP clients with automatic information on.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <map>
#include <thread>
#include <vector>

#include "bench_support.hpp"
#include "hosts/share/server.hpp"
#include "hosts/share/share_host.hpp"
#include "hosts/web/page_hub.hpp"
#include "hosts/web/web_server.hpp"
#include "platform/posix/endpoints/stream_endpoints.hpp"

namespace tovrak::bench {
namespace {

constexpr int64_t kMeterPeriodNs = 50'000'000;  // 20 Hz

double wall_ms() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// The server, its page hub and HTTP side, and one TCP listener, on a thread
// of their own; the component on another, its port on `radio`.
struct WebRig {
  Pty radio;
  std::thread thread;
  platform::PosixApartment* apt = nullptr;
  share::ShareServer* server = nullptr;
  web::PageHub* hub = nullptr;
  web::WebServer* web = nullptr;
  uint16_t tcp_port = 0, http_port = 0;
  std::map<int, double> learned;  // S-meter value -> when the server took it (server thread)

  WebRig() {
    std::promise<void> ready;
    auto started = ready.get_future();
    thread = std::thread([this, &ready] {
      platform::PosixApartment a;
      share::ShareServer* s_ptr = nullptr;
      share::RadioThread component(
          [&](station::Station& station) {
            TOVRAK_Protocol& rig = station.rig();
            rig.SetPortDevice(radio.path);
            rig.put_Port(1);
          },
          [&](char d, std::string b) {
            a.post([&, d, b = std::move(b)] {
              if (s_ptr && d == 'R') s_ptr->radio_read(b);
            });
          });
      share::ShareServer s(component.rig(), component.apartment(), a,
                           [] { return now_ns() / 1'000'000; }, {.max_clients = 64});
      s_ptr = &s;
      s.watch([this](char kind, int, std::string_view text) {
        if (kind == 'R' && text.starts_with("SM0") && text.size() == 6) {
          learned[std::stoi(std::string(text.substr(3)))] = wall_ms();
        }
      });
      web::PageHub h(
          s, a, [] { return now_ns() / 1'000'000; }, wall_ms, {}, nullptr,
          web::component_width(component.rig(), component.apartment(), a));
      web::HttpOptions o;
      o.port = 0;
      o.max_connections = 64;
      web::WebServer w(a, h, o);
      share::ClientGlue glue(s);
      platform::TcpEndpoint tcp(a, "127.0.0.1", 0, {}, glue.handler("tcp", {}, nullptr));
      tcp_port = tcp.port();
      http_port = w.port();
      apt = &a;
      server = &s;
      hub = &h;
      web = &w;
      ready.set_value();
      a.run();
      s_ptr = nullptr;
    });
    started.wait();
  }
  ~WebRig() {
    apt->quit();
    thread.join();
  }
  template <class F>
  auto on_server(F f) {
    return run_on(*apt, f);
  }
  // Processor time of the server's thread and the network thread, in ns.
  int64_t server_cpu_ns() {
    std::promise<int64_t> net;
    auto n = net.get_future();
    web->on_network_thread([&] { net.set_value(thread_cpu_ns()); });
    return on_server([] { return thread_cpu_ns(); }) + n.get();
  }
  // The radio tells its identity, then moves its S-meter at 20 Hz for
  // `seconds`, reading (and dropping) what the component writes.
  void meter_stream(double seconds) {
    const std::string id = "ID0019;";
    if (::write(radio.master, id.data(), id.size()) < 0) return;
    const int64_t end = now_ns() + static_cast<int64_t>(seconds * 1e9);
    char buf[512];
    for (int i = 0; now_ns() < end; ++i) {
      char answer[16];
      std::snprintf(answer, sizeof answer, "SM0%03d;", 10 + (i * 37) % 240);
      if (::write(radio.master, answer, 7) != 7) return;
      const int64_t next = now_ns() + kMeterPeriodNs;
      while (now_ns() < next) {
        pollfd p{radio.master, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>((next - now_ns()) / 1'000'000) + 1) > 0) {
          if (::read(radio.master, buf, sizeof buf) < 0) return;
        }
      }
    }
  }
};

// TCP clients with automatic information on, reading what they are told on
// a thread of their own; the delay of each S-meter change from when the
// server took it.
struct TcpListeners {
  std::vector<int> fds;
  std::atomic<bool> stop{false};
  std::vector<std::pair<int, double>> told;  // (value, wall ms)
  std::thread t;
  TcpListeners(uint16_t port, int n) {
    for (int i = 0; i < n; ++i) {
      fds.push_back(tcp_client(port));
      if (::write(fds.back(), "AI1;", 4) != 4) return;
    }
    t = std::thread([this] {
      read_each(fds, stop, 50, [this](size_t fd, std::string_view got) {
        const double at = wall_ms();
        for (size_t i = got.find("SM0"); fd == 0 && i != got.npos && i + 7 <= got.size();
             i = got.find("SM0", i + 7)) {
          told.emplace_back(std::stoi(std::string(got.substr(i + 3, 3))), at);
        }
        return true;
      });
    });
  }
  ~TcpListeners() {
    stop = true;
    if (t.joinable()) t.join();
    for (int fd : fds) ::close(fd);
  }
};

// Pages without a browser, as the page behaves: the WebSocket opened, a
// heartbeat every 250 ms, every push read.
struct FakePages {
  std::vector<int> fds;
  std::atomic<bool> stop{false};
  std::thread t;
  FakePages(uint16_t port, int n) {
    const std::string upgrade =
        "GET /ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    for (int i = 0; i < n; ++i) {
      fds.push_back(tcp_client(port));
      if (::write(fds.back(), upgrade.data(), upgrade.size()) < 0) return;
    }
    t = std::thread([this] {
      // {"t":"ping"}, masked with a zero key.
      const std::string ping = std::string("\x81\x8c\0\0\0\0", 6) + R"({"t":"ping"})";
      int64_t next = now_ns();
      read_each(
          fds, stop, 50, [](size_t, std::string_view got) { return !got.empty(); },
          [&] {
            if (now_ns() < next) return;
            for (int fd : fds) (void)!::write(fd, ping.data(), ping.size());
            next += 250'000'000;
          });
    });
  }
  ~FakePages() {
    stop = true;
    if (t.joinable()) t.join();
    for (int fd : fds) ::close(fd);
  }
};

// Headless Chromium with the page, as this machine's network needs it.
struct Browser {
  pid_t pid = -1;
  std::filesystem::path profile;
  explicit Browser(const std::string& url) {
    profile = std::filesystem::temp_directory_path() / ("tovrak-bench-" + std::to_string(getpid()));
    const std::string data_dir = "--user-data-dir=" + profile.string();
    pid = fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      execl("/usr/bin/chromium", "chromium", "--headless", "--no-sandbox", "--disable-gpu",
            "--disable-quic", "--no-first-run", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", data_dir.c_str(),
            "--remote-debugging-port=0", url.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Browser() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    std::filesystem::remove_all(profile);
  }
};

// Waits up to `seconds` for `done`.
template <class F>
bool wait_for(F done, double seconds) {
  const int64_t end = now_ns() + static_cast<int64_t>(seconds * 1e9);
  while (!done()) {
    if (now_ns() > end) return false;
    pause_us(20'000);
  }
  return true;
}

void BM_WebPushLatency(benchmark::State& state) {
  const double seconds = env_number("TOVRAK_BENCH_WEB_SECONDS", 20);
  std::vector<double> page, tcp;
  for (auto _ : state) {
    if (!std::filesystem::exists("/usr/bin/chromium")) {
      state.SkipWithError("chromium is not installed");
      return;
    }
    WebRig rig;
    TcpListeners listener(rig.tcp_port, 1);
    Browser browser("http://127.0.0.1:" + std::to_string(rig.http_port) + "/#bench");
    if (!wait_for([&] { return rig.on_server([&] { return rig.hub->pages(); }) > 0; }, 20)) {
      state.SkipWithError("the browser's page did not connect");
      return;
    }
    rig.meter_stream(2.0);  // the page settles
    rig.on_server([&] { return rig.hub->take_shown().size(); });
    rig.meter_stream(seconds);
    page = rig.on_server([&] { return rig.hub->take_shown(); });
    listener.stop = true;
    listener.t.join();
    const auto learned = rig.on_server([&] { return rig.learned; });
    for (const auto& [value, at] : listener.told) {
      if (auto it = learned.find(value); it != learned.end() && at >= it->second) {
        tcp.push_back(at - it->second);
      }
    }
  }
  if (page.empty() || tcp.empty()) {
    state.SkipWithError("no pushes were measured");
    return;
  }
  state.counters["p50_ms"] = percentile(page, 50);
  state.counters["p99_ms"] = percentile(page, 99);
  state.counters["ref_p50_ms"] = percentile(tcp, 50);
  state.counters["ref_p99_ms"] = percentile(tcp, 99);
  state.counters["samples"] = static_cast<double>(page.size());
}
BENCHMARK(BM_WebPushLatency)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WebServerCpuPerPage(benchmark::State& state) {
  const double seconds = env_number("TOVRAK_BENCH_WEB_SECONDS", 20) / 2;
  constexpr int kClients = 8;
  double none = 0, pages = 0, tcp = 0;  // server ms per minute
  for (auto _ : state) {
    WebRig rig;
    auto measure = [&] {
      rig.meter_stream(1.0);
      const int64_t before = rig.server_cpu_ns();
      rig.meter_stream(seconds);
      return static_cast<double>(rig.server_cpu_ns() - before) / 1e6 * 60 / seconds;
    };
    none = measure();
    {
      FakePages p(rig.http_port, kClients);
      pages = measure();
    }
    {
      TcpListeners l(rig.tcp_port, kClients);
      tcp = measure();
    }
  }
  state.counters["none_ms_per_min"] = none;
  state.counters["per_page_ms_per_min"] = (pages - none) / kClients;
  state.counters["ref_per_tcp_ms_per_min"] = (tcp - none) / kClients;
}
BENCHMARK(BM_WebServerCpuPerPage)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tovrak::bench
