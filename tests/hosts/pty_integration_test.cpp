// The component over a real pseudo-terminal, in real time, against the
// simulated radio on its own thread: what a host on Linux gets, from CAT on
// to a pulled cable and back. It waits for a state with a generous deadline,
// never for a time. Convergence under every fault is the soak's (virtual
// time); this shows the real port, apartment and radio loop working together.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hosts/cli/sim_on_pty.hpp"
#include "support/rig.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::test {
namespace {

using namespace std::chrono_literals;

struct Station {
  std::unique_ptr<hosts::SimOnPty> radio;
  platform::PosixApartment apt;
  TOVRAK_Connector connector{apt};
  std::shared_ptr<TOVRAK_Protocol> rig{connector.get_TOVRAK_Protocol()};
  std::vector<int16_t> events;

  Station() {
    rig->AdviseChange([this](int16_t& s) { events.push_back(s); });
  }
  bool port(bool open) {
    str msg("");
    const bool done =
        static_cast<bool>(rig->SetPort(Ref<VBool>(VBool::of(open)), str(""), str(""), msg));
    EXPECT_TRUE(done) << msg.v;
    return done;
  }
  // Runs the apartment until `done` holds or the deadline passes.
  bool until(const std::function<bool()>& done, std::chrono::milliseconds deadline) {
    for (auto end = std::chrono::steady_clock::now() + deadline;
         !done() && std::chrono::steady_clock::now() < end;) {
      apt.run_for(50ms);
    }
    return done();
  }
  // Whether the component shows the radio's state (read while its thread is paused).
  bool shows_the_radio() {
    sim::RadioState s;
    radio->while_paused([&](sim::SimRadio& r) { s = r.state(); });
    auto hz = [](double mhz) { return std::llround(mhz * 1e6); };
    return hz(rig->get_VFOA_Freq()) == s.vfo[0].hz && hz(rig->get_VFOB_Freq()) == s.vfo[1].hz &&
           rig->get_VFOA_Mode() == 1 && rig->get_VFOB_Mode() == 0 &&
           (rig->get_Split() != 0) == s.split();
  }
};

TEST(OverPseudoTerminal, CatOnACablePulledAndBack) {
  Station t;
  // Half the answers arrive in two pieces, each read as it comes.
  t.radio = std::make_unique<hosts::SimOnPty>(
      sim::SimOptions{.id = 460, .seed = 5, .latency_us = 2'000, .faults = {.split = 0.5}});
  t.rig->SetPortDevice(t.radio->path());
  t.rig->put_Port(1);
  t.rig->put_PortSpeed("38400");
  ASSERT_TRUE(t.port(true));
  t.rig->SetCAT(i16(1));
  ASSERT_TRUE(t.until([&] { return t.shows_the_radio(); }, 6s));

  // The cable is pulled: the radio's end of the line is gone. The component
  // stays quiet (no error reaches the host, no events), reads answer from
  // memory, set calls return, and the loop does not spin on the dead
  // descriptor.
  t.radio.reset();
  t.events.clear();
  const uint64_t wakeups_before = t.apt.wakeups();
  const auto pulled_at = std::chrono::steady_clock::now();
  t.apt.run_for(500ms);
  EXPECT_NO_THROW({
    Variant main_rx(int16_t{0});
    EXPECT_TRUE(t.rig->get_Freq() > 0 && t.rig->get_PortOpen() == VTrue &&
                t.rig->get_AFLevel(main_rx) >= 0);
    EXPECT_TRUE(t.rig->SetFreq(7.05));
    EXPECT_TRUE(t.rig->SetMode(i16(2), i16(0)));
    EXPECT_TRUE(t.rig->SetSplit(i16(1)));
    t.rig->SetRefresh();
  });
  t.apt.run_for(500ms);
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
}

}  // namespace
}  // namespace tovrak::test
