// The component over a real pseudo-terminal, in real time, against the
// simulated radio on its own thread: what a host on Linux gets, from CAT on
// to a pulled cable and back. One smoke test of a few seconds; it waits for
// a state with a generous deadline, never for a time. Convergence under
// every fault is the soak's (virtual time); this one shows the real port,
// the real apartment and the radio's real-time loop working together.
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

struct Station {
  std::unique_ptr<hosts::SimOnPty> radio;
  platform::PosixApartment apt;
  std::unique_ptr<TOVRAK_Connector> connector{std::make_unique<TOVRAK_Connector>(apt)};
  std::shared_ptr<TOVRAK_Protocol> rig{connector->get_TOVRAK_Protocol()};
  std::vector<int16_t> events;
  std::vector<std::string> errors;  // errors that reached the host

  Station() {
    rig->AdviseChange([this](int16_t& s) { events.push_back(s); });
  }
  ~Station() {
    rig.reset();
    connector.reset();
  }
  bool port(bool open) {
    VBool on = VBool::of(open);
    std::string a, c, msg;
    bool done = static_cast<bool>(rig->SetPort(on, a, c, msg));
    EXPECT_TRUE(done) << msg;
    return done;
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
  // The radio's state, read while its thread is paused.
  sim::RadioState radio_state() {
    sim::RadioState s;
    radio->while_paused([&](sim::SimRadio& r) { s = r.state(); });
    return s;
  }
  static int64_t hz(double mhz) { return std::llround(mhz * 1e6); }
  bool shows_the_radio() {
    const sim::RadioState s = radio_state();
    return hz(rig->get_VFOA_Freq()) == s.vfo[0].hz && hz(rig->get_VFOB_Freq()) == s.vfo[1].hz &&
           rig->get_VFOA_Mode() == 1 && rig->get_VFOB_Mode() == 0 &&
           (rig->get_Split() != 0) == s.split();
  }
};

TEST(OverPseudoTerminal, CatOnSettingsACablePulledAndBack) {
  Station t;
  // Half the answers arrive in two pieces, each read as it comes.
  t.radio = std::make_unique<hosts::SimOnPty>(
      sim::SimOptions{.id = 460, .seed = 5, .latency_us = 2'000, .faults = {.split = 0.5}});
  t.rig->SetPortDevice(t.radio->path());
  t.rig->put_Port(1);
  t.rig->put_PortSpeed("38400");
  ASSERT_TRUE(t.port(true));
  int16_t on = 1;
  t.rig->SetCAT(on);
  ASSERT_TRUE(t.until([&] { return t.shows_the_radio(); }, 6s));

  // Settings reach the radio.
  int16_t rx = 0, level = 77;
  EXPECT_TRUE(t.rig->SetFreq(21.25));
  EXPECT_TRUE(t.rig->SetAFLevel(rx, level));
  EXPECT_TRUE(t.until(
      [&] {
        const sim::RadioState s = t.radio_state();
        return s.vfo[0].hz == 21'250'000 && s.rx[0].af == 77;
      },
      2s));

  // The cable is pulled: the radio's end of the line is gone. The component
  // stays quiet (no error reaches the host, no events), reads answer from
  // memory, set calls return, and the loop does not spin on the dead
  // descriptor.
  t.radio.reset();
  t.events.clear();
  const uint64_t wakeups_before = t.apt.wakeups();
  const auto pulled_at = std::chrono::steady_clock::now();
  t.apt.run_for(500ms);
  int16_t split = 1, mode = 2, reverse = 0;
  EXPECT_TRUE(t.call("reads", [&] {
    Variant main_rx(int16_t{0});
    return t.rig->get_Freq() > 0 && t.rig->get_PortOpen() == VTrue &&
           t.rig->get_AFLevel(main_rx) >= 0;
  }));
  EXPECT_TRUE(t.call("SetFreq", [&] { return static_cast<bool>(t.rig->SetFreq(7.05)); }));
  EXPECT_TRUE(t.call("SetMode", [&] { return static_cast<bool>(t.rig->SetMode(mode, reverse)); }));
  EXPECT_TRUE(t.call("SetSplit", [&] { return static_cast<bool>(t.rig->SetSplit(split)); }));
  t.call("SetRefresh", [&] {
    t.rig->SetRefresh();
    return true;
  });
  t.apt.run_for(500ms);
  EXPECT_TRUE(t.errors.empty()) << t.errors.front();
  EXPECT_TRUE(t.events.empty()) << "no answers, no events";
  // Timers tick (polling every 175 ms); a loop spinning on the descriptor
  // would count thousands.
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - pulled_at).count();
  const uint64_t wakeups = t.apt.wakeups() - wakeups_before;
  EXPECT_LE(static_cast<double>(wakeups), 25.0 * seconds) << wakeups << " wake-ups";

  // The device is back (a new pseudo-terminal, maybe under another name):
  // the host closes the port, names the device and opens it again; CAT is
  // still on and polling reads the radio that is there now.
  t.radio = std::make_unique<hosts::SimOnPty>(sim::SimOptions{.id = 460, .seed = 4});
  EXPECT_TRUE(t.port(false));
  t.rig->SetPortDevice(t.radio->path());
  ASSERT_TRUE(t.port(true));
  EXPECT_EQ(t.rig->get_CAT(), 1);
  EXPECT_TRUE(t.until([&] { return t.shows_the_radio(); }, 8s));
  EXPECT_FALSE(t.events.empty());
  EXPECT_TRUE(t.errors.empty());
}

}  // namespace
}  // namespace tovrak::test
