// What the benchmarks over real pseudo-terminals share: a pseudo-terminal
// pair in raw mode, a TCP connection on loopback, the monotonic clock, a
// thread's processor time, the process's resident memory, and percentiles
// of samples.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tovrak/connector.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::bench {

inline int64_t now_ns() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

// Processor time of the calling thread.
inline int64_t thread_cpu_ns() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

// A line of /proc/self/status, in kiB ("VmRSS", "VmHWM").
inline int64_t status_kib(const char* key) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  int64_t kib = -1;
  const size_t n = std::strlen(key);
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, key, n) == 0 && line[n] == ':') {
      kib = std::strtoll(line + n + 1, nullptr, 10);
      break;
    }
  }
  std::fclose(f);
  return kib;
}

// The p-th percentile (0..100) of the samples, nearest rank.
inline double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  auto rank = static_cast<size_t>(p / 100.0 * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(rank, v.size() - 1)];
}

inline double mean(const std::vector<double>& v) {
  double sum = 0.0;
  for (double x : v) sum += x;
  return v.empty() ? 0.0 : sum / static_cast<double>(v.size());
}

// A pseudo-terminal in raw mode: the radio holds the master end, the
// component opens the slave by its path.
struct Pty {
  int master = -1;
  int slave = -1;
  std::string path;

  Pty() {
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) {
      master = slave = -1;
      return;
    }
    path = name;
  }
  ~Pty() { close_all(); }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool ok() const { return master >= 0; }
  void close_all() {
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
    master = slave = -1;
  }
  static void nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }
};

// Sleeps about `us` microseconds.
inline void pause_us(int64_t us) {
  timespec ts{static_cast<time_t>(us / 1'000'000), static_cast<long>(us % 1'000'000) * 1000};
  nanosleep(&ts, nullptr);
}

// A host on the Linux apartment of the calling thread with the port open on
// a device; CAT is left to the benchmark.
struct Host {
  platform::PosixApartment apt;
  std::unique_ptr<TOVRAK_Connector> connector;
  std::shared_ptr<TOVRAK_Protocol> rig;
  std::string error;

  Host(const std::string& device, const char* speed) {
    connector = std::make_unique<TOVRAK_Connector>(apt);
    rig = connector->get_TOVRAK_Protocol();
    rig->SetPortDevice(device);
    rig->put_Port(1);
    rig->put_PortSpeed(speed);
    VBool open = VTrue;
    std::string a, c;
    if (!rig->SetPort(open, a, c, error) && error.empty()) error = "the port did not open";
  }
  ~Host() {
    rig.reset();
    connector.reset();
  }
  bool ok() const { return error.empty(); }
};

// A TCP connection to a port on loopback, without delay on small writes;
// -1 when refused.
inline int tcp_client(uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    ::close(fd);
    return -1;
  }
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

// Reads what arrives on `fds` until `stop`, handing each read to `got` with
// the index of its descriptor (empty bytes: the other end closed); a false
// from `got` ends it. `between` runs before each wait of up to `wait_ms`.
inline void read_each(const std::vector<int>& fds, const std::atomic<bool>& stop, int wait_ms,
                      const std::function<bool(size_t, std::string_view)>& got,
                      const std::function<void()>& between = nullptr) {
  std::vector<pollfd> p;
  for (int fd : fds) p.push_back({fd, POLLIN, 0});
  char buf[65536];
  while (!stop) {
    if (between) between();
    if (::poll(p.data(), p.size(), wait_ms) <= 0) continue;
    for (size_t i = 0; i < p.size(); ++i) {
      if (!(p[i].revents & POLLIN)) continue;
      const ssize_t r = ::read(p[i].fd, buf, sizeof buf);
      if (!got(i, std::string_view(buf, r > 0 ? static_cast<size_t>(r) : 0))) return;
    }
  }
}

// Runs `f` on the apartment's thread and waits for its result.
template <class F>
auto run_on(platform::Apartment& apt, F f) {
  std::promise<decltype(f())> p;
  auto r = p.get_future();
  apt.post([&] { p.set_value(f()); });
  return r.get();
}

// A number from the environment, or the default.
inline double env_number(const char* name, double fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtod(v, nullptr) : fallback;
}

}  // namespace tovrak::bench
