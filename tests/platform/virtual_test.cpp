// The virtual platform's ordering and time rules: every timing test of the
// component stands on these.
#include "tovrak/virtual_apartment.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "tovrak/errors.hpp"

namespace tovrak::platform {
namespace {

TEST(VirtualClock, MovesOnlyWhenMoved) {
  VirtualApartment apt;
  apt.set_time_of_day(3600.0);
  EXPECT_FLOAT_EQ(apt.clock(), 3600.0f);
  apt.sleep_ms(250);
  EXPECT_EQ(apt.now_us(), 250'000);
  EXPECT_FLOAT_EQ(apt.clock(), 3600.25f);
  apt.advance_ms(750);
  EXPECT_FLOAT_EQ(apt.clock(), 3601.0f);
}

TEST(VirtualClock, WrapsAtMidnight) {
  VirtualApartment apt;
  apt.set_time_of_day(86399.9);
  apt.sleep_ms(200);
  EXPECT_NEAR(apt.clock(), 0.1f, 1e-4);
  EXPECT_EQ(apt.now_us(), 200'000);  // script time runs on
}

TEST(VirtualTimers, TickAtTheirIntervalWhileTimePasses) {
  VirtualApartment apt;
  std::vector<int64_t> ticks;
  auto t = apt.create_timer(175, true, [&] { ticks.push_back(apt.now_us() / 1000); });
  apt.advance_ms(600);
  EXPECT_EQ(ticks, (std::vector<int64_t>{175, 350, 525}));
  t->set_enabled(false);
  apt.advance_ms(600);
  EXPECT_EQ(ticks.size(), 3u);
  t->set_enabled(true);  // a fresh period from now
  apt.advance_ms(200);
  EXPECT_EQ(ticks.back(), 1375);
}

TEST(VirtualTimers, NeverTickDuringANonPumpingSleepAndThenTickOnce) {
  VirtualApartment apt;
  int ticks = 0;
  auto t = apt.create_timer(100, true, [&] { ++ticks; });
  apt.sleep_ms(550);  // five periods pass without messages
  EXPECT_EQ(ticks, 0);
  apt.pump_once();
  EXPECT_EQ(ticks, 1);
  apt.pump_once();
  EXPECT_EQ(ticks, 1);
  apt.advance_ms(50);  // the next period is on the original grid: 600
  EXPECT_EQ(ticks, 2);
}

TEST(VirtualTimers, AHandlerThatSleepsPastAPeriodTicksAgainAtOnce) {
  VirtualApartment apt;
  std::vector<int64_t> ticks;
  auto t = apt.create_timer(100, true, [&] {
    ticks.push_back(apt.now_us() / 1000);
    apt.sleep_ms(130);
  });
  apt.advance_ms(400);
  EXPECT_EQ(ticks, (std::vector<int64_t>{100, 230, 360}));
}

TEST(VirtualTimers, ATickIsNeverDeliveredInsideItsOwnHandler) {
  // A handler that processes messages sees the other timers tick, never its
  // own; its missed periods give one tick after it returns.
  VirtualApartment apt;
  int depth = 0, deepest = 0, own = 0, other = 0;
  auto pumping = apt.create_timer(10, true, [&] {
    ++own;
    deepest = std::max(deepest, ++depth);
    for (int i = 0; i < 5; ++i) {
      apt.sleep_ms(10);
      apt.pump_once();
    }
    --depth;
  });
  auto plain = apt.create_timer(10, true, [&] { ++other; });
  apt.advance_ms(10);
  EXPECT_EQ(own, 1);
  EXPECT_EQ(other, 5);
  EXPECT_EQ(apt.now_us(), 60'000);
  apt.process_pending();
  EXPECT_EQ(own, 2);
  EXPECT_EQ(deepest, 1);
}

TEST(VirtualTimers, IntervalZeroNeverTicks) {
  VirtualApartment apt;
  int ticks = 0;
  auto t = apt.create_timer(0, true, [&] { ++ticks; });
  apt.advance_ms(1000);
  EXPECT_EQ(ticks, 0);
}

TEST(VirtualApartment, PostedMessagesComeBeforeTimerTicks) {
  VirtualApartment apt;
  std::string order;
  auto a = apt.create_timer(100, true, [&] { order += 'a'; });
  auto b = apt.create_timer(50, true, [&] { order += 'b'; });
  apt.sleep_ms(100);
  apt.post([&] { order += 'p'; });
  apt.process_pending();
  EXPECT_EQ(order, "pba");  // the posted task, then ticks in due order
}

TEST(VirtualApartment, PumpOnceIsReentrant) {
  VirtualApartment apt;
  std::string order;
  apt.post([&] {
    order += '1';
    apt.post([&] { order += '3'; });
    apt.pump_once();
    order += '4';
  });
  apt.post([&] { order += '2'; });
  apt.process_pending();
  EXPECT_EQ(order, "1234");
}

TEST(VirtualLine, RadioBytesRaiseTheEventWhenMessagesAreProcessed) {
  VirtualApartment apt;
  auto port = apt.create_serial();
  int events = 0;
  port->OnComm([&] { ++events; });
  apt.line().radio_sends("lost;");  // port closed: lost
  port->PortOpen(true);
  apt.line().radio_sends("FA;");
  EXPECT_EQ(events, 0);
  EXPECT_EQ(port->InBufferCount(), 3);
  apt.process_pending();
  EXPECT_EQ(events, 1);
  EXPECT_EQ(port->Input(), "FA;");
  EXPECT_EQ(port->InBufferCount(), 0);
}

TEST(VirtualLine, RecordsWritesWithTheirTime) {
  VirtualApartment apt;
  auto port = apt.create_serial();
  port->PortOpen(true);
  port->Output("AI0;");
  apt.sleep_ms(100);
  port->Output("ID;");
  ASSERT_EQ(apt.line().writes().size(), 2u);
  EXPECT_EQ(apt.line().writes()[1].us, 100'000);
  EXPECT_EQ(apt.line().writes()[1].bytes, "ID;");
}

TEST(VirtualLine, DrainRateKeepsBytesWaitingOut) {
  VirtualApartment apt;
  auto port = apt.create_serial();
  port->PortOpen(true);
  apt.line().set_drain_rate(1000.0);  // a byte per millisecond
  port->Output("0123456789");
  EXPECT_EQ(port->OutBufferCount(), 10);
  apt.sleep_ms(4);
  EXPECT_EQ(port->OutBufferCount(), 6);
  port->ClearOutBuffer();
  EXPECT_EQ(port->OutBufferCount(), 0);
  apt.line().set_drain_rate(0.0);  // stuck
  port->Output("AB");
  apt.sleep_ms(1000);
  EXPECT_EQ(port->OutBufferCount(), 2);
}

TEST(VirtualLine, FailsTheNextOpenWhenTold) {
  VirtualApartment apt;
  auto port = apt.create_serial();
  apt.line().fail_next_open("Port in use");
  try {
    port->PortOpen(true);
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.description(), "Port in use");
  }
  EXPECT_FALSE(port->PortOpen());
  port->PortOpen(true);
  EXPECT_TRUE(port->PortOpen());
}

TEST(VirtualLine, RefusesMalformedSettings) {
  VirtualApartment apt;
  auto port = apt.create_serial();
  port->Settings("4800,N,8,1");
  EXPECT_EQ(apt.line().config().settings, "4800,N,8,1");
  EXPECT_THROW(port->Settings("fast,N,8,1"), ComError);
  EXPECT_THROW(port->Settings("9600,N,8"), ComError);
  EXPECT_THROW(port->Settings("12345,N,8,1"), ComError);
  EXPECT_EQ(apt.line().config().settings, "4800,N,8,1");
}

}  // namespace
}  // namespace tovrak::platform

namespace tovrak::platform {
namespace {

TEST(VirtualOutside, ActsAtItsTimeEvenDuringANonPumpingSleep) {
  VirtualApartment apt;
  auto port = apt.create_serial();
  port->PortOpen(true);
  int events = 0;
  port->OnComm([&] { ++events; });
  std::vector<int64_t> acted;
  apt.schedule_outside(30'000, [&] {
    acted.push_back(apt.now_us());
    apt.line().radio_sends("FA;");
  });
  apt.schedule_outside(10'000, [&] { acted.push_back(apt.now_us()); });
  apt.sleep_ms(50);
  EXPECT_EQ(acted, (std::vector<int64_t>{10'000, 30'000}));
  EXPECT_EQ(events, 0);  // the bytes wait for messages to be processed
  EXPECT_EQ(port->InBufferCount(), 3);
  apt.advance_ms(0);
  EXPECT_EQ(events, 1);
}

TEST(VirtualOutside, InterleavesWithTicksInTimeOrder) {
  VirtualApartment apt;
  std::string order;
  auto t = apt.create_timer(100, true, [&] { order += 't'; });
  apt.schedule_outside(150'000, [&] { order += 'o'; });
  apt.schedule_outside(250'000, [&] { order += 'p'; });
  apt.advance_ms(300);
  EXPECT_EQ(order, "totpt");
}

}  // namespace
}  // namespace tovrak::platform
