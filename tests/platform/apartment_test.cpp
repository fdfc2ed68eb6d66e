// The apartment contract (apartment_contract.hpp) over the virtual and the
// Linux apartments (tests/windows/platform_test.cpp runs it under Wine), and
// what only each of them has: the virtual clock, line and world outside; a
// Linux loop another thread can wake and a descriptor a host's loop can wait on.
#include <gtest/gtest.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#define CONTRACT_CHECK(cond) \
  { EXPECT_TRUE(cond); }
#define CONTRACT_EQ(a, b) \
  { EXPECT_EQ(a, b); }
#include "platform/apartment_contract.hpp"
#include "platform/posix/posix_loop.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"
#include "tovrak/virtual_apartment.hpp"

namespace tovrak::platform {
namespace {

using std::chrono::milliseconds;

struct VirtualPlatform {
  static constexpr bool kVirtual = true;
  static constexpr bool kTimerQueue = true;
  VirtualApartment a;

  Apartment& apt() { return a; }
  static std::unique_ptr<Apartment> fresh() { return std::make_unique<VirtualApartment>(); }
  void pass_ms(int ms) { a.advance_ms(ms); }
  int64_t elapsed_ms() const { return a.now_us() / 1000; }
  double local_time_of_day() const { return a.time_of_day(); }
};

struct LinuxPlatform {
  static constexpr bool kVirtual = false;
  static constexpr bool kTimerQueue = true;
  using Clock = std::chrono::steady_clock;
  PosixApartment a;
  Clock::time_point start = Clock::now();

  Apartment& apt() { return a; }
  static std::unique_ptr<Apartment> fresh() { return std::make_unique<PosixApartment>(); }
  void pass_ms(int ms) { a.run_for(milliseconds(ms)); }
  int64_t elapsed_ms() const {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
  }
  static double local_time_of_day() {
    time_t now = time(nullptr);
    tm local{};
    return localtime_r(&now, &local), local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
  }
};

struct ContractCase : ::testing::Test {
  explicit ContractCase(void (*run)()) : run(run) {}
  void TestBody() override { run(); }
  void (*run)();
};

template <class P>
bool register_contract(const char* suite) {
  for (const auto& c : contract::apartment_contract<P>())
    ::testing::RegisterTest(suite, c.name, nullptr, nullptr, __FILE__, __LINE__,
                            [run = c.run]() -> ::testing::Test* { return new ContractCase(run); });
  return true;
}

[[maybe_unused]] const bool registered =
    register_contract<VirtualPlatform>("VirtualApartmentContract") &&
    register_contract<LinuxPlatform>("LinuxApartmentContract");

bool readable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeout_ms) == 1 && (p.revents & POLLIN);
}

// A stop request from anywhere (a signal handler, another thread) ends a
// blocked wait and a sleep at once, and every wait until it is withdrawn; an
// apartment that plays the world outside the program goes on through it
// until it is quit. (A post from another thread waking a blocked loop, and
// its quit, are the web server tests'.)
TEST(PosixLoop, AStopRequestEndsWaitsUntilWithdrawnButNotTheWorldOutside) {
  PosixApartment apt;
  std::thread other([] {
    std::this_thread::sleep_for(milliseconds(20));
    PosixApartment::request_stop();
  });
  apt.sleep_ms(3'600'000);
  other.join();
  EXPECT_TRUE(apt.stopping());
  PosixLoop loop;
  loop.wait(-1, false);  // no work, no timeout: the request alone ends it
  apt.sleep_ms(3'600'000);
  apt.run_for(milliseconds(3'600'000));

  PosixApartment outside(StopRequests::Ignore);
  EXPECT_FALSE(outside.stopping());
  int ticks = 0;
  bool ran = false;
  auto t = outside.create_timer(1, true, [&] { ++ticks; });
  outside.post([&] { ran = true; });
  while (ticks < 3) outside.run_for(milliseconds(5));
  EXPECT_TRUE(ran);
  t.reset();
  const uint64_t woken = outside.wakeups();
  outside.run_for(milliseconds(30));  // the standing request wakes it once at most
  EXPECT_LE(outside.wakeups() - woken, 2u);
  outside.quit();
  outside.run();  // returns: quit

  PosixApartment::clear_stop();
  EXPECT_FALSE(apt.stopping());
  apt.post([&] { ran = false; });
  apt.run_for(milliseconds(1));
  EXPECT_FALSE(ran);

  // A second request ends a wait of a loop that saw the first.
  std::thread again([] {
    std::this_thread::sleep_for(milliseconds(20));
    PosixApartment::request_stop();
  });
  loop.wait(-1, false);
  again.join();
  PosixApartment::clear_stop();
}

TEST(PosixLoop, TheDescriptorIsReadableExactlyWhileThereIsWork) {
  PosixApartment apt;
  int ticks = 0;
  auto t = apt.create_timer(20, true, [&] { ++ticks; });
  auto zero = apt.create_timer(0, true, [] {});
  auto off = apt.create_timer(10, false, [] {});
  EXPECT_FALSE(readable(apt.fd(), 0));
  ASSERT_TRUE(readable(apt.fd(), 1000));  // the timer comes due
  apt.pump_once();
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(readable(apt.fd(), 0));
  t->set_enabled(false);
  EXPECT_FALSE(readable(apt.fd(), 60));

  // A task posted by a task waits for the next pump, and says so.
  bool later = false;
  apt.post([&] { apt.post([&] { later = true; }); });
  apt.pump_once();
  EXPECT_TRUE(readable(apt.fd(), 0));
  apt.pump_once();
  EXPECT_TRUE(later);
  EXPECT_FALSE(readable(apt.fd(), 0));

  // Timers that never tick leave the loop asleep.
  uint64_t before = apt.wakeups();
  apt.run_for(milliseconds(100));
  EXPECT_LE(apt.wakeups() - before, 2u);

  // A paused watch is no work until it is resumed; resumed twice, it is heard once.
  int ends[2], heard = 0;
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], "x", 1), 1);
  auto watch = apt.watch(ends[0], [&](FdEvents) { ++heard; });
  watch->pause(true);
  EXPECT_FALSE(readable(apt.fd(), 0));
  watch->pause(false), watch->pause(false);
  ASSERT_TRUE(readable(apt.fd(), 0));
  apt.pump_once();
  EXPECT_EQ(heard, 1);
  watch.reset();
  close(ends[0]), close(ends[1]);
}

// (Bytes waiting for messages, writes at their time and actions outside
// during a sleep are everyone's: the simulated radio's line and every rig.)
// Bad settings are refused, the last good ones kept; bytes to a closed port
// are lost. The clock moves only when moved, wraps at midnight, and the world
// outside acts at its time, in time order, interleaved with ticks.
TEST(VirtualApartment, ItsLineRefusesAndLosesItsClockMovesOnlyWhenMoved) {
  VirtualApartment apt;
  auto port = apt.create_serial();
  port->Settings("4800,N,8,1");
  for (const char* bad : {"fast,N,8,1", "9600,N,8", "12345,N,8,1"})
    EXPECT_THROW(port->Settings(bad), ComError) << bad;
  EXPECT_EQ(apt.line().config().settings, "4800,N,8,1");
  apt.line().radio_sends("lost;");
  port->PortOpen(true);
  apt.line().radio_sends("FA;");
  EXPECT_EQ(port->Input(), "FA;");

  std::string order;
  auto t = apt.create_timer(100, true, [&] { order += 't'; });
  apt.schedule_outside(250'000, [&] { order += 'p' + std::to_string(apt.now_us()); });
  apt.schedule_outside(150'000, [&] { order += 'o' + std::to_string(apt.now_us()); });
  apt.sleep_ms(200);              // no messages: no ticks, the actions all the same
  apt.set_time_of_day(86399.95);  // set while time has already run
  apt.advance_ms(100);
  EXPECT_EQ(order, "o150000tp250000t");
  EXPECT_NEAR(apt.clock(), 0.05f, 1e-4);
  EXPECT_EQ(apt.now_us(), 300'000);  // script time runs on
}

}  // namespace
}  // namespace tovrak::platform
