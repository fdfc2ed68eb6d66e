// What the Linux apartment costs: the processor time of an idle apartment
// whose only work is the 175 ms polling timer, and the turn-around of a
// message from the radio's end of a pseudo-terminal to the control's event
// and back.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "tovrak/posix_apartment.hpp"

namespace {

using tovrak::platform::PosixApartment;

double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return sec(u.ru_utime) + sec(u.ru_stime);
}

double wall_seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// cpu_percent: processor time over real time, in percent of one core.
void BM_PosixIdleApartment(benchmark::State& state) {
  PosixApartment apt;
  int64_t ticks = 0;
  auto timer = apt.create_timer(175, true, [&] { ++ticks; });
  double cpu = 0, wall = 0;
  uint64_t wakeups = apt.wakeups();
  for (auto _ : state) {
    double cpu0 = cpu_seconds(), wall0 = wall_seconds();
    apt.run_for(std::chrono::milliseconds(2000));
    cpu += cpu_seconds() - cpu0;
    wall += wall_seconds() - wall0;
  }
  state.counters["cpu_percent"] = 100.0 * cpu / wall;
  state.counters["ticks"] = static_cast<double>(ticks);
  state.counters["wakeups"] = static_cast<double>(apt.wakeups() - wakeups);
}
BENCHMARK(BM_PosixIdleApartment)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One command in from the radio's end, its event, one answer out, read back.
void BM_PosixPtyTurnAround(benchmark::State& state) {
  int radio = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  char name[128];
  if (radio < 0 || grantpt(radio) != 0 || unlockpt(radio) != 0 ||
      ptsname_r(radio, name, sizeof name) != 0) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  PosixApartment apt;
  auto port = apt.create_serial();
  port->Device(name);
  port->PortOpen(true);
  port->OnComm([&] {
    if (port->Input().empty()) return;
    port->Output("FA00014200000;");
    apt.quit();
  });
  const std::string query = "FA;";
  char buf[64];
  for (auto _ : state) {
    if (write(radio, query.data(), query.size()) != static_cast<ssize_t>(query.size())) {
      state.SkipWithError("write");
      break;
    }
    apt.run();
    size_t got = 0;
    while (got < 14) {
      pollfd p{radio, POLLIN, 0};
      poll(&p, 1, 1000);
      ssize_t n = read(radio, buf, sizeof buf);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
  }
  port->PortOpen(false);
  close(radio);
}
BENCHMARK(BM_PosixPtyTurnAround)->Unit(benchmark::kMicrosecond);

}  // namespace
