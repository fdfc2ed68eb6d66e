// The Windows platform under Wine: the apartment contract
// (tests/platform/apartment_contract.hpp) over window timers and the host's
// own message loop, an apartment per thread, and the serial control with
// this program as the radio on the far end of a port pair.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "host.hpp"
#include "platform/win32/win32_apartment.hpp"
#include "platform/win32/win32_serial.hpp"
#include "tovrak/errors.hpp"
#define CONTRACT_CHECK(cond) CHECK(cond)
#define CONTRACT_EQ(a, b) CHECK_EQ(a, b)
#include "platform/apartment_contract.hpp"

using tovrak::ComError;
using tovrak::platform::Win32Apartment;
using namespace tovrak::wintest;

namespace {

// Time passes on the host's own message loop; window timers keep neither
// the grid nor the due order of the shared timer queue.
struct WindowsPlatform {
  static constexpr bool kVirtual = false;
  static constexpr bool kTimerQueue = false;
  int64_t start = NowMs();

  tovrak::platform::Apartment& apt() { return Win32Apartment::Current(); }
  static std::unique_ptr<tovrak::platform::Apartment> fresh() {
    return std::make_unique<Win32Apartment>();
  }
  void pass_ms(int ms) {
    RunUntil([] { return false; }, ms);
  }
  int64_t elapsed_ms() const { return NowMs() - start; }
  static double local_time_of_day() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
  }
};

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

void ApartmentPerThread() {
  auto* here = &Win32Apartment::Current();
  Win32Apartment* there = nullptr;
  std::thread([&] {
    there = &Win32Apartment::Current();
    Win32Apartment::EndCurrent();
  }).join();
  CHECK(there != nullptr && there != here);
  CHECK_EQ(Win32Apartment::Count(), 1);
  // An apartment with a live timer stays; once idle it can end.
  {
    auto timer = here->create_timer(1000, false, [] {});
    CHECK(!Win32Apartment::EndCurrentIfIdle());
  }
  CHECK(Win32Apartment::EndCurrentIfIdle());
  CHECK_EQ(Win32Apartment::Count(), 0);

  // Ending, the apartment runs what was asked for at its end (the windows of
  // the component) before the component ends; a cancelled request never.
  static std::string order;
  struct Recorder final : tovrak::platform::ApartmentModule {
    void shutdown() override { order += "module "; }
  };
  std::thread([&] {
    auto& apartment = Win32Apartment::Current();
    apartment.module_slot() = std::make_shared<Recorder>();
    apartment.at_end([&] { order += "window "; });
    apartment.cancel_at_end(apartment.at_end([&] { order += "cancelled "; }));
    Win32Apartment::EndCurrent();
  }).join();
  CHECK_EQ(order, std::string("window module "));
}

void SerialRefusals() {
  auto serial = Win32Apartment::Current().create_serial();
  const struct {
    std::function<void()> call;
    int error;
    const char* said;  // in the description
  } rows[] = {
      {[&] { serial->CommPort(0); }, 8002, ""},
      {[&] { serial->Settings("9600,X,8,1"); }, 380, "9600,X,8,1"},
      {[&] { serial->Handshaking(4); }, 380, ""},
      {[&] { serial->InputMode(2); }, 380, ""},
      {[&] { serial->Output("FA;"); }, 8018, ""},
      // Opening a port that is not there says which port.
      {[&] { serial->CommPort(9), serial->PortOpen(true); }, 8002, "COM9"},
      {[&] { serial->Device("COM77"), serial->PortOpen(true); }, 8002, "COM77"},
  };
  for (const auto& row : rows) {
    std::string why;
    CHECK_EQ(ErrorOf(row.call, &why), row.error);
    CHECK(why.find(row.said) != std::string::npos && !serial->PortOpen());
  }
}

void SerialLine() {
  auto& apt = Win32Apartment::Current();
  FarEnd radio(kFarPort);
  if (!CHECK(radio.ok())) return;
  auto serial = apt.create_serial();
  DWORD event_thread = 0;
  std::string received;
  serial->OnComm([&] {
    event_thread = GetCurrentThreadId();
    if (serial->InBufferCount() > 0) received += serial->Input();
  });
  serial->CommPort(kPort), serial->Settings("9600,N,8,1"), serial->InputMode(1);
  serial->Handshaking(2), serial->RTSEnable(true);
  CHECK_EQ(ErrorOf([&] { serial->PortOpen(true); }), 0);
  CHECK_EQ(ErrorOf([&] { serial->PortOpen(true); }), 8005);
  CHECK_EQ(ErrorOf([&] { serial->CommPort(3); }), 8005);
  // Lines a pseudo-terminal does not have are tolerated.
  CHECK_EQ(ErrorOf([&] { serial->DTREnable(true), serial->RTSEnable(false); }), 0);
  CHECK_EQ(ErrorOf([&] { serial->Settings("4800,E,7,2"), serial->Settings("9600,N,8,1"); }), 0);

  // In: a long burst arrives whole and in order, told on the apartment's thread.
  std::string burst;
  for (int i = 0; i < 300; ++i) burst += "SM0" + std::to_string(1000 + i) + ";";
  radio.send(burst);
  CHECK(RunUntil([&] { return received.size() >= burst.size(); }));
  CHECK(received == burst);
  CHECK_EQ(event_thread, GetCurrentThreadId());

  // Bytes that wait are counted, taken once, and dropped on closing.
  serial->OnComm(nullptr);
  radio.send("ID;");
  CHECK(RunUntil([&] { return serial->InBufferCount() >= 3; }));
  std::string taken;
  CHECK(RunUntil([&] { return (taken += serial->Input()) == "ID;"; }));
  CHECK_EQ(serial->Input(), "");
  radio.send("IF;");
  CHECK(RunUntil([&] { return serial->InBufferCount() >= 3; }));
  serial->PortOpen(false);
  CHECK_EQ(serial->InBufferCount(), 0);
  CHECK_EQ(ErrorOf([&] { serial->Output("FA;"); }), 8018);
  // The port opens again after closing.
  CHECK_EQ(ErrorOf([&] { serial->PortOpen(true); }), 0);
  serial->Output("IF;");
  CHECK(RunUntil([&] { return radio.heard() == "IF;"; }));
}

}  // namespace

int main() {
  std::vector<Group> groups;
  for (const auto& c : tovrak::contract::apartment_contract<WindowsPlatform>())
    groups.push_back({c.name, c.run});
  // Last: it ends this thread's apartment.
  groups.insert(groups.end(), {{"serial refusals", SerialRefusals},
                               {"serial line", SerialLine},
                               {"apartment per thread", ApartmentPerThread}});
  return RunGroups(groups) ? 1 : 0;
}
