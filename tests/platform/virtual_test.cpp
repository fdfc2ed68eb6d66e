// What only the virtual platform has: its clock, its line and the world
// outside acting in virtual time. (The line's drain rate is the link tests';
// the apartment's rules, apartment_contract.hpp.)
#include "tovrak/virtual_apartment.hpp"

#include <gtest/gtest.h>

#include "tovrak/errors.hpp"

namespace tovrak::platform {
namespace {

TEST(VirtualClock, MovesOnlyWhenMovedAndWrapsAtMidnight) {
  VirtualApartment apt;
  apt.set_time_of_day(3600.0);
  EXPECT_FLOAT_EQ(apt.clock(), 3600.0f);
  apt.sleep_ms(250);
  EXPECT_EQ(apt.now_us(), 250'000);
  EXPECT_FLOAT_EQ(apt.clock(), 3600.25f);
  apt.advance_ms(750);
  EXPECT_FLOAT_EQ(apt.clock(), 3601.0f);
  apt.set_time_of_day(86399.9);
  apt.sleep_ms(200);
  EXPECT_NEAR(apt.clock(), 0.1f, 1e-4);
  EXPECT_EQ(apt.now_us(), 1'200'000);  // script time runs on
}

TEST(VirtualLine, RadioBytesWaitForMessagesWritesKeepTheirTimeBadSettingsAreRefused) {
  VirtualApartment apt;
  auto port = apt.create_serial();
  port->Settings("4800,N,8,1");
  for (const char* bad : {"fast,N,8,1", "9600,N,8", "12345,N,8,1"})
    EXPECT_THROW(port->Settings(bad), ComError) << bad;
  EXPECT_EQ(apt.line().config().settings, "4800,N,8,1");  // the last good one kept
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

  port->Output("AI0;");
  apt.sleep_ms(100);
  port->Output("ID;");
  ASSERT_EQ(apt.line().writes().size(), 2u);
  EXPECT_EQ(apt.line().writes()[1].us, 100'000);
  EXPECT_EQ(apt.line().writes()[1].bytes, "ID;");
}

TEST(VirtualOutside, ActsAtItsTimeEvenDuringANonPumpingSleepInterleavedWithTicks) {
  VirtualApartment apt;
  auto port = apt.create_serial();
  port->PortOpen(true);
  int events = 0;
  port->OnComm([&] { ++events; });
  std::vector<int64_t> acted;
  apt.schedule_outside(30'000,
                       [&] { acted.push_back(apt.now_us()), apt.line().radio_sends("FA;"); });
  apt.schedule_outside(10'000, [&] { acted.push_back(apt.now_us()); });
  apt.sleep_ms(50);
  EXPECT_EQ(acted, (std::vector<int64_t>{10'000, 30'000}));
  EXPECT_EQ(events, 0);  // the bytes wait for messages to be processed
  EXPECT_EQ(port->InBufferCount(), 3);
  apt.advance_ms(0);
  EXPECT_EQ(events, 1);

  // Interleaved with ticks in time order.
  std::string order;
  auto t = apt.create_timer(100, true, [&] { order += 't'; });
  apt.schedule_outside(apt.now_us() + 150'000, [&] { order += 'o'; });
  apt.schedule_outside(apt.now_us() + 250'000, [&] { order += 'p'; });
  apt.advance_ms(300);
  EXPECT_EQ(order, "totpt");
}

}  // namespace
}  // namespace tovrak::platform
