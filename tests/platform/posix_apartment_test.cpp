// The Linux apartment in real time: the ordering rules of the virtual
// platform hold, ticks and tasks arrive, and the loop blocks while idle.
// Deadlines are generous; no test measures speed.
#include "tovrak/posix_apartment.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace tovrak::platform {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int64_t ms_since(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

bool readable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeout_ms) == 1 && (p.revents & POLLIN);
}

TEST(PosixTimers, TickNeverEarlyAndNoMoreOftenThanTheirPeriod) {
  // The grid itself is a rule of virtual time; here only what holds on a
  // loaded machine: ticks come, and none before its period on the grid.
  PosixApartment apt;
  auto start = Clock::now();
  std::vector<int64_t> ticks;
  auto t = apt.create_timer(50, true, [&] { ticks.push_back(ms_since(start)); });
  apt.run_for(milliseconds(280));
  ASSERT_GE(ticks.size(), 1u);
  for (size_t i = 0; i < ticks.size(); ++i) {
    EXPECT_GE(ticks[i], 50 * static_cast<int64_t>(i + 1)) << "tick " << i;
  }
}

TEST(PosixTimers, ATickIsNeverDeliveredInsideItsOwnHandler) {
  PosixApartment apt;
  int depth = 0, deepest = 0, other = 0;
  auto pumping = apt.create_timer(5, true, [&] {
    deepest = std::max(deepest, ++depth);
    for (int i = 0; i < 3; ++i) {
      apt.sleep_ms(6);
      apt.pump_once();
    }
    --depth;
  });
  auto plain = apt.create_timer(5, true, [&] { ++other; });
  apt.sleep_ms(6);
  apt.pump_once();
  apt.sleep_ms(6);
  apt.pump_once();
  EXPECT_EQ(deepest, 1);
  EXPECT_GE(other, 3);
}

TEST(PosixTimers, PeriodsMissedDuringASleepGiveOneTickThenTheGridRunsOn) {
  PosixApartment apt;
  auto start = Clock::now();
  std::vector<int64_t> ticks;
  auto t = apt.create_timer(40, true, [&] { ticks.push_back(ms_since(start)); });
  apt.sleep_ms(130);  // three periods pass without messages
  EXPECT_TRUE(ticks.empty());
  apt.pump_once();
  apt.pump_once();
  ASSERT_EQ(ticks.size(), 1u);
  // The next period ends on the grid from the start (160 ms), not 40 ms
  // after the late tick.
  while (ticks.size() < 2 && ms_since(start) < 1000) apt.run_for(milliseconds(5));
  ASSERT_EQ(ticks.size(), 2u);
  EXPECT_GE(ticks[1], 160);
}

TEST(PosixTimers, EnablingAnEnabledTimerKeepsItsPeriodAndChangingTheIntervalRestartsIt) {
  PosixApartment apt;
  int kept = 0, restarted = 0;
  auto keep = apt.create_timer(100, true, [&] { ++kept; });
  auto restart = apt.create_timer(100, true, [&] { ++restarted; });
  apt.sleep_ms(60);
  keep->set_enabled(true);
  restart->set_interval(100);
  apt.sleep_ms(60);
  apt.pump_once();
  EXPECT_EQ(kept, 1);
  EXPECT_EQ(restarted, 0);
}

TEST(PosixTimers, IntervalZeroAndDisabledTimersNeverTickAndLeaveTheLoopAsleep) {
  PosixApartment apt;
  int ticks = 0;
  auto zero = apt.create_timer(0, true, [&] { ++ticks; });
  auto off = apt.create_timer(10, false, [&] { ++ticks; });
  uint64_t before = apt.wakeups();
  apt.run_for(milliseconds(100));
  EXPECT_EQ(ticks, 0);
  EXPECT_LE(apt.wakeups() - before, 2u);
}

TEST(PosixTimers, AHandlerMayDestroyItsOwnTimerOrStopAnotherDueOne) {
  PosixApartment apt;
  std::unique_ptr<Timer> first, second;
  int second_ticks = 0;
  first = apt.create_timer(10, true, [&] {
    second->set_enabled(false);
    first.reset();
  });
  second = apt.create_timer(10, true, [&] { ++second_ticks; });
  apt.sleep_ms(15);  // both due; the first comes first
  apt.pump_once();
  EXPECT_FALSE(first);
  EXPECT_EQ(second_ticks, 0);
}

TEST(PosixMessages, ASleepProcessesNothingAndThePumpThenRunsTasksBeforeTicks) {
  PosixApartment apt;
  std::string order;
  auto t = apt.create_timer(10, true, [&] { order += 't'; });
  apt.post([&] { order += 'p'; });
  apt.sleep_ms(30);
  EXPECT_EQ(order, "");
  apt.pump_once();
  EXPECT_EQ(order, "pt");
}

TEST(PosixMessages, PumpOnceIsReentrantAndTakesOnlyTheTasksPresentAtEntry) {
  PosixApartment apt;
  std::string order;
  apt.post([&] {
    order += '1';
    apt.post([&] { order += '3'; });
    apt.pump_once();
    order += '4';
  });
  apt.post([&] { order += '2'; });
  apt.pump_once();
  EXPECT_EQ(order, "1234");

  apt.post([&] { apt.post([&] { order += '6'; }); });
  apt.pump_once();
  EXPECT_EQ(order, "1234");
  EXPECT_TRUE(readable(apt.fd(), 0));  // the later task is still waiting
  apt.pump_once();
  EXPECT_EQ(order, "12346");
  EXPECT_FALSE(readable(apt.fd(), 0));
}

TEST(PosixMessages, APostFromAnotherThreadWakesABlockedLoopAndQuitEndsIt) {
  PosixApartment apt;
  std::thread::id ran_on;
  std::atomic<bool> quit_called{false};
  bool ran_before_quit = false;
  std::thread other([&] {
    std::this_thread::sleep_for(milliseconds(20));
    apt.post([&] {
      ran_on = std::this_thread::get_id();
      ran_before_quit = !quit_called;
    });
    std::this_thread::sleep_for(milliseconds(100));
    quit_called = true;
    apt.quit();
  });
  auto start = Clock::now();
  apt.run();
  other.join();
  EXPECT_EQ(ran_on, std::this_thread::get_id());
  EXPECT_TRUE(ran_before_quit);
  EXPECT_LT(ms_since(start), 1000);
}

TEST(PosixMessages, AHostLoopSeesTheDescriptorReadableWhenATimerIsDueAndQuietAfterThePump) {
  PosixApartment apt;
  int ticks = 0;
  auto t = apt.create_timer(20, true, [&] { ++ticks; });
  EXPECT_FALSE(readable(apt.fd(), 0));
  ASSERT_TRUE(readable(apt.fd(), 1000));
  apt.pump_once();
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(readable(apt.fd(), 0));
  t->set_enabled(false);
  EXPECT_FALSE(readable(apt.fd(), 60));
}

struct CountingModule : ApartmentModule {
  std::unique_ptr<Timer> timer;
  bool* shut = nullptr;
  void shutdown() override {
    timer.reset();  // the apartment is still whole here
    *shut = true;
  }
};

TEST(PosixApartmentLifetime, EndsTheModuleFirstAndDropsTasksThatNeverRan) {
  bool shut = false;
  auto held = std::make_shared<int>(0);
  {
    PosixApartment apt;
    auto module = std::make_shared<CountingModule>();
    module->shut = &shut;
    module->timer = apt.create_timer(10, true, [] {});
    apt.module_slot() = module;
    apt.post([held] {});
  }
  EXPECT_TRUE(shut);
  EXPECT_EQ(held.use_count(), 1);
}

TEST(PosixClock, GivesSecondsSinceLocalMidnight) {
  PosixApartment apt;
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  double expected = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
  double diff = std::fabs(apt.clock() - expected);
  EXPECT_LT(std::min(diff, 86400.0 - diff), 2.0);
}

}  // namespace
}  // namespace tovrak::platform
