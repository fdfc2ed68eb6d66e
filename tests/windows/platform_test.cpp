// The Windows platform under Wine: the apartment's message handling, its
// timers and clock, and the serial control over a pair of connected ports
// (COM1 and COM2 are the two ends of one pseudo-terminal pair; this program
// plays the far end on COM2).
//
//   tovrak_platform_test [PORT FAR_PORT]      default 1 2
#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "check.hpp"
#include "host.hpp"
#include "platform/win32/win32_apartment.hpp"
#include "platform/win32/win32_serial.hpp"
#include "tovrak/errors.hpp"

using tovrak::ComError;
using tovrak::platform::Win32Apartment;
using tovrak::wintest::FarEnd;
using tovrak::wintest::RunUntil;

namespace {

int16_t g_port = 1;
int16_t g_far_port = 2;

// The error number a call raises, 0 when it raises none.
template <class F>
int ErrorOf(F&& f, std::string* description = nullptr) {
  try {
    f();
  } catch (const ComError& e) {
    if (description) *description = e.description();
    return e.number();
  }
  return 0;
}

void PostedTasks() {
  auto& apt = Win32Apartment::Current();
  std::vector<int> ran;
  apt.post([&] { ran.push_back(1); });
  apt.post([&] {
    ran.push_back(2);
    apt.post([&] { ran.push_back(3); });
  });
  apt.sleep_ms(30);
  CHECK(ran.empty());  // a sleep processes no messages
  apt.pump_once();
  // What a task posts waits for the next round.
  CHECK_EQ(ran.size(), 2u);
  apt.pump_once();
  CHECK_EQ(ran.size(), 3u);
  CHECK(ran == (std::vector<int>{1, 2, 3}));
  // The host's own loop runs them as well.
  bool done = false;
  apt.post([&] { done = true; });
  CHECK(RunUntil([&] { return done; }));
}

void Timers() {
  auto& apt = Win32Apartment::Current();
  int fast = 0, zero = 0, off = 0;
  auto t_fast = apt.create_timer(20, true, [&] { ++fast; });
  auto t_zero = apt.create_timer(0, true, [&] { ++zero; });
  auto t_off = apt.create_timer(20, false, [&] { ++off; });
  CHECK(RunUntil([&] { return fast >= 5; }));
  CHECK_EQ(zero, 0);  // an interval of 0 never ticks
  CHECK_EQ(off, 0);
  CHECK(!t_off->enabled());
  CHECK_EQ(t_zero->interval(), 0);

  // Periods that pass while no messages are processed give one tick.
  t_zero.reset();
  t_off.reset();
  RunUntil([] { return false; }, 30);
  fast = 0;
  apt.sleep_ms(200);
  CHECK_EQ(fast, 0);
  apt.pump_once();
  CHECK_EQ(fast, 1);

  // Enabling, a new interval, and a timer that ends itself in its tick.
  t_fast->set_enabled(false);
  std::unique_ptr<tovrak::platform::Timer> self_ending;
  int self_ticks = 0;
  self_ending = apt.create_timer(15, true, [&] {
    ++self_ticks;
    self_ending.reset();
  });
  t_fast->set_interval(25);
  t_fast->set_enabled(true);
  fast = 0;
  CHECK(RunUntil([&] { return fast >= 3; }));
  CHECK_EQ(self_ticks, 1);
  CHECK(!self_ending);
}

void Clock() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  double now = t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
  double c = Win32Apartment::Current().clock();
  double diff = std::abs(c - now);
  if (diff > 43200) diff = 86400 - diff;  // across midnight
  CHECK(diff < 2.0);
  CHECK(c >= 0.0 && c < 86400.0);
}

void ApartmentPerThread() {
  auto* here = &Win32Apartment::Current();
  CHECK_EQ(here, &Win32Apartment::Current());
  Win32Apartment* there = nullptr;
  int count_there = 0;
  std::thread other([&] {
    there = &Win32Apartment::Current();
    count_there = Win32Apartment::Count();
    Win32Apartment::EndCurrent();
  });
  other.join();
  CHECK(there != nullptr && there != here);
  CHECK_EQ(count_there, 2);
  CHECK_EQ(Win32Apartment::Count(), 1);
  // An apartment with a live timer stays; once idle it can end.
  {
    auto timer = here->create_timer(1000, false, [] {});
    CHECK(!Win32Apartment::EndCurrentIfIdle());
    CHECK_EQ(Win32Apartment::CurrentIfAny(), here);
  }
  CHECK(Win32Apartment::EndCurrentIfIdle());
  CHECK_EQ(Win32Apartment::CurrentIfAny(), nullptr);
  CHECK_EQ(Win32Apartment::Count(), 0);

  // Ending, the apartment runs what was asked for at its end (the windows of
  // the component) before the component ends; a cancelled request never.
  struct Recorder final : tovrak::platform::ApartmentModule {
    explicit Recorder(std::string& order) : order(order) {}
    void shutdown() override { order += "module "; }
    std::string& order;
  };
  std::string order;
  std::thread ending([&] {
    auto& apartment = Win32Apartment::Current();
    apartment.module_slot() = std::make_shared<Recorder>(order);
    apartment.at_end([&] { order += "window "; });
    apartment.cancel_at_end(apartment.at_end([&] { order += "cancelled "; }));
    Win32Apartment::EndCurrent();
  });
  ending.join();
  CHECK_EQ(order, std::string("window module "));
}

void SerialRefusals() {
  auto serial = Win32Apartment::Current().create_serial();
  std::string why;
  CHECK_EQ(ErrorOf([&] { serial->CommPort(0); }), 8002);
  CHECK_EQ(ErrorOf([&] { serial->Settings("9600,X,8,1"); }, &why), 380);
  CHECK(why.find("9600,X,8,1") != std::string::npos);
  CHECK_EQ(ErrorOf([&] { serial->Settings("12345,N,8,1"); }), 380);
  CHECK_EQ(ErrorOf([&] { serial->Handshaking(4); }), 380);
  CHECK_EQ(ErrorOf([&] { serial->InputMode(2); }), 380);
  CHECK_EQ(ErrorOf([&] { serial->Output("FA;"); }), 8018);
  // Opening a port that is not there says which port and why.
  serial->CommPort(9);
  CHECK_EQ(ErrorOf([&] { serial->PortOpen(true); }, &why), 8002);
  CHECK(why.find("COM9") != std::string::npos);
  CHECK(!serial->PortOpen());
  serial->Device("COM77");
  CHECK_EQ(ErrorOf([&] { serial->PortOpen(true); }, &why), 8002);
  CHECK(why.find("COM77") != std::string::npos);
}

void SerialLine() {
  auto& apt = Win32Apartment::Current();
  FarEnd radio(g_far_port);
  CHECK(radio.ok());
  if (!radio.ok()) return;
  auto serial = apt.create_serial();
  int events = 0;
  DWORD event_thread = 0;
  std::string received;
  serial->OnComm([&] {
    ++events;
    event_thread = GetCurrentThreadId();
    if (serial->InBufferCount() > 0) received += serial->Input();
  });
  serial->CommPort(g_port);
  serial->Settings("9600,N,8,1");
  serial->InputMode(1);
  serial->Handshaking(2);
  serial->RTSEnable(true);
  CHECK_EQ(ErrorOf([&] { serial->PortOpen(true); }), 0);
  CHECK(serial->PortOpen());
  CHECK_EQ(ErrorOf([&] { serial->PortOpen(true); }), 8005);
  CHECK_EQ(ErrorOf([&] { serial->CommPort(3); }), 8005);
  // Lines a pseudo-terminal does not have are tolerated.
  CHECK_EQ(ErrorOf([&] { serial->DTREnable(true); }), 0);
  CHECK_EQ(ErrorOf([&] { serial->RTSEnable(false); }), 0);
  CHECK_EQ(ErrorOf([&] { serial->Settings("4800,E,7,2"); }), 0);
  CHECK_EQ(ErrorOf([&] { serial->Settings("9600,N,8,1"); }), 0);

  // Out, in order.
  serial->Output("FA;");
  serial->Output("MD;");
  CHECK_EQ(radio.receive(6), "FA;MD;");
  CHECK(RunUntil([&] { return serial->OutBufferCount() == 0; }));

  // In: the event comes on the apartment's thread with the bytes waiting.
  radio.send("FA00014250000;");
  CHECK(RunUntil([&] { return received.size() >= 14; }));
  CHECK_EQ(received, "FA00014250000;");
  CHECK(events >= 1);
  CHECK_EQ(event_thread, GetCurrentThreadId());

  // A long burst arrives whole and in order.
  std::string burst;
  for (int i = 0; i < 300; ++i) burst += "SM0" + std::to_string(1000 + i) + ";";
  received.clear();
  radio.send(burst);
  CHECK(RunUntil([&] { return received.size() >= burst.size(); }));
  CHECK(received == burst);

  // Bytes that wait are counted, and taken once.
  serial->OnComm(nullptr);
  radio.send("ID;");
  CHECK(RunUntil([&] { return serial->InBufferCount() >= 3; }));
  std::string taken;
  CHECK(RunUntil([&] {
    taken += serial->Input();
    return taken == "ID;";
  }));
  CHECK_EQ(serial->Input(), "");

  serial->PortOpen(false);
  CHECK(!serial->PortOpen());
  CHECK_EQ(serial->InBufferCount(), 0);
  CHECK_EQ(ErrorOf([&] { serial->Output("FA;"); }), 8018);
  // The port opens again after closing.
  CHECK_EQ(ErrorOf([&] { serial->PortOpen(true); }), 0);
  serial->Output("IF;");
  CHECK_EQ(radio.receive(3), "IF;");
  serial.reset();  // closes
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3) {
    g_port = static_cast<int16_t>(std::atoi(argv[1]));
    g_far_port = static_cast<int16_t>(std::atoi(argv[2]));
  }
  using tovrak::wintest::Group;
  int failed = tovrak::wintest::RunGroups({
      {"posted tasks", PostedTasks},
      {"timers", Timers},
      {"clock", Clock},
      {"serial refusals", SerialRefusals},
      {"serial line", SerialLine},
      {"apartment per thread", ApartmentPerThread},
  });
  return failed ? 1 : 0;
}
