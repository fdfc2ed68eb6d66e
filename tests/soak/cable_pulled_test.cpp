// The radio's cable pulled in the middle of a session, in real time over a
// pseudo-terminal: the radio's end goes away while CAT is on and polling.
// The component must stay quiet (no error reaches the host, no events, the
// apartment does not spin on the dead descriptor), stay responsive (reads
// and set calls return), and come back when the host closes the port and
// opens it on the device that is there again.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hosts/cli/sim_on_pty.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::test {
namespace {

using namespace std::chrono_literals;

// A host on the Linux apartment of this thread, with its radio on a
// pseudo-terminal of its own.
struct Station {
  std::unique_ptr<hosts::SimOnPty> radio;
  platform::PosixApartment apt;
  std::unique_ptr<TOVRAK_Connector> connector;
  std::shared_ptr<TOVRAK_Protocol> rig;
  std::vector<int16_t> events;
  std::vector<std::string> errors;  // errors that reached the host

  Station() {
    radio = std::make_unique<hosts::SimOnPty>(sim::SimOptions{.id = 460, .seed = 3});
    connector = std::make_unique<TOVRAK_Connector>(apt);
    rig = connector->get_TOVRAK_Protocol();
    rig->AdviseChange([this](int16_t& s) { events.push_back(s); });
  }
  ~Station() {
    rig.reset();
    connector.reset();
  }

  bool open(std::string& msg) {
    VBool on = VTrue;
    std::string a, c;
    return static_cast<bool>(rig->SetPort(on, a, c, msg));
  }
  bool close() {
    VBool off = VFalse;
    std::string a, c, msg;
    return static_cast<bool>(rig->SetPort(off, a, c, msg));
  }
  // A host call: what it returns, or the error that reached the host.
  bool call(const char* name, const std::function<bool()>& f) {
    try {
      return f();
    } catch (const ComError& e) {
      errors.push_back(std::string(name) + ": " + e.description());
    } catch (const std::exception& e) {
      errors.push_back(std::string(name) + ": " + e.what());
    }
    return false;
  }
  // Runs the apartment until `done` holds or the deadline passes.
  bool until(const std::function<bool()>& done, std::chrono::milliseconds deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      apt.run_for(50ms);
    }
    return done();
  }
  bool shows(double mhz) {
    return std::llround(rig->get_VFOA_Freq() * 1e6) == std::llround(mhz * 1e6);
  }
};

TEST(CablePulled, TheComponentStaysQuietAndRespondsAndComesBackOnTheDevice) {
  Station t;
  t.rig->SetPortDevice(t.radio->path());
  t.rig->put_Port(1);
  t.rig->put_PortSpeed("38400");
  std::string msg;
  ASSERT_TRUE(t.open(msg)) << msg;
  int16_t on = 1;
  t.rig->SetCAT(on);
  ASSERT_TRUE(t.until([&] { return t.shows(14.2); }, 6s));  // polling has read the radio
  EXPECT_TRUE(t.rig->SetFreq(21.25));
  t.apt.run_for(200ms);

  // The cable is pulled: the radio's end of the line is gone.
  t.radio.reset();
  t.events.clear();
  const uint64_t wakeups_before = t.apt.wakeups();
  const auto pulled_at = std::chrono::steady_clock::now();
  t.apt.run_for(500ms);

  // The host goes on working: reads answer from memory, set calls return.
  int16_t rx = 0, level = 90, split = 1, mode = 2, reverse = 0;
  EXPECT_TRUE(t.call("reads", [&] {
    Variant main_rx(int16_t{0});
    return t.rig->get_Freq() > 0 && t.rig->get_PortOpen() == VTrue &&
           t.rig->get_AFLevel(main_rx) >= 0;
  }));
  EXPECT_TRUE(t.call("SetFreq", [&] { return static_cast<bool>(t.rig->SetFreq(7.05)); }));
  EXPECT_TRUE(
      t.call("SetAFLevel", [&] { return static_cast<bool>(t.rig->SetAFLevel(rx, level)); }));
  EXPECT_TRUE(t.call("SetMode", [&] { return static_cast<bool>(t.rig->SetMode(mode, reverse)); }));
  EXPECT_TRUE(t.call("SetSplit", [&] { return static_cast<bool>(t.rig->SetSplit(split)); }));
  t.call("SetRefresh", [&] {
    t.rig->SetRefresh();
    return true;
  });
  t.apt.run_for(500ms);

  EXPECT_TRUE(t.errors.empty()) << t.errors.front();
  EXPECT_TRUE(t.events.empty()) << "no answers, no events";
  // Timers tick (the polling timer every 175 ms) and the dead descriptor
  // wakes the loop no more: a loop spinning on it would count thousands.
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - pulled_at).count();
  const uint64_t wakeups = t.apt.wakeups() - wakeups_before;
  EXPECT_LE(static_cast<double>(wakeups), 25.0 * seconds) << wakeups << " wake-ups";

  // The device is back (a new pseudo-terminal, maybe under another name):
  // the host closes the port, names the device and opens it again.
  t.radio = std::make_unique<hosts::SimOnPty>(sim::SimOptions{.id = 460, .seed = 4});
  EXPECT_TRUE(t.close());
  t.rig->SetPortDevice(t.radio->path());
  ASSERT_TRUE(t.open(msg)) << msg;
  EXPECT_EQ(t.rig->get_CAT(), 1);
  // Polling goes on by itself and reads the radio that is there now.
  EXPECT_TRUE(t.until([&] { return t.rig->get_Split() == 0 && t.shows(14.2); }, 8s));
  EXPECT_FALSE(t.events.empty());
  level = 77;
  EXPECT_TRUE(t.rig->SetAFLevel(rx, level));
  t.apt.run_for(500ms);  // the radio's thread takes the command in
  EXPECT_EQ(t.radio->stop_and_state().rx[0].af, 77);
  EXPECT_TRUE(t.errors.empty());
}

}  // namespace
}  // namespace tovrak::test
