// What only the Linux apartment has: a loop another thread can wake and a
// descriptor a host's own loop can wait on. The apartment's rules are the
// contract (apartment_contract.hpp), run over this platform too.
#include "tovrak/posix_apartment.hpp"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tovrak::platform {
namespace {

using std::chrono::milliseconds;

bool readable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeout_ms) == 1 && (p.revents & POLLIN);
}

TEST(PosixLoop, APostFromAnotherThreadWakesABlockedLoopAndQuitEndsIt) {
  PosixApartment apt;
  std::thread::id ran_on;
  std::atomic<bool> quit_called{false};
  bool ran_before_quit = false;
  std::thread other([&] {
    std::this_thread::sleep_for(milliseconds(20));
    apt.post([&] { ran_on = std::this_thread::get_id(), ran_before_quit = !quit_called; });
    std::this_thread::sleep_for(milliseconds(100));
    quit_called = true;
    apt.quit();
  });
  apt.run();
  other.join();
  EXPECT_EQ(ran_on, std::this_thread::get_id());
  EXPECT_TRUE(ran_before_quit);
}

TEST(PosixLoop, TheDescriptorIsReadableExactlyWhileThereIsWork) {
  PosixApartment apt;
  int ticks = 0, never = 0;
  auto t = apt.create_timer(20, true, [&] { ++ticks; });
  auto zero = apt.create_timer(0, true, [&] { ++never; });
  auto off = apt.create_timer(10, false, [&] { ++never; });
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
  EXPECT_EQ(never, 0);
  EXPECT_LE(apt.wakeups() - before, 2u);
}

}  // namespace
}  // namespace tovrak::platform
