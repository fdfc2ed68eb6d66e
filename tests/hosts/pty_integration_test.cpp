// The component over a real pseudo-terminal, in real time, against the
// simulated radio on its own thread: what a host on Linux gets. Each test
// takes a few seconds; the checks wait for a state with a generous deadline
// rather than for a time.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>

#include "hosts/cli/sim_on_pty.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::test {
namespace {

using namespace std::chrono_literals;

struct OverPty {
  sim::SimOptions options;
  std::unique_ptr<hosts::SimOnPty> radio;
  platform::PosixApartment apt;
  std::unique_ptr<TOVRAK_Connector> connector;
  std::shared_ptr<TOVRAK_Protocol> rig;

  explicit OverPty(sim::SimOptions o) : options(o) {
    radio = std::make_unique<hosts::SimOnPty>(options);
    connector = std::make_unique<TOVRAK_Connector>(apt);
    rig = connector->get_TOVRAK_Protocol();
    rig->SetPortDevice(radio->path());
    rig->put_Port(1);
    rig->put_PortSpeed("38400");
    VBool open = VTrue;
    std::string a, c, msg;
    EXPECT_EQ(rig->SetPort(open, a, c, msg), VTrue) << msg;
  }
  ~OverPty() {
    rig.reset();
    connector.reset();
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
  int64_t hz(double mhz) { return std::llround(mhz * 1e6); }
};

TEST(OverPseudoTerminal, CatOnAndTheStatusConvergesToTheRadio) {
  OverPty t({.id = 460, .seed = 5});
  int16_t on = 1;
  t.rig->SetCAT(on);
  EXPECT_TRUE(t.until(
      [&] {
        return t.hz(t.rig->get_VFOA_Freq()) == 14'200'000 &&
               t.hz(t.rig->get_VFOB_Freq()) == 7'050'000 && t.rig->get_VFOA_Mode() == 1 &&
               t.rig->get_VFOB_Mode() == 0;
      },
      6s));
}

TEST(OverPseudoTerminal, ASetCommandReachesTheRadio) {
  OverPty t({.id = 570, .seed = 5});
  int16_t on = 1;
  t.rig->SetCAT(on);
  ASSERT_TRUE(t.until([&] { return t.rig->get_VFOA_Freq() != 0; }, 6s));
  EXPECT_EQ(t.rig->SetFreq(21.25), VTrue);
  int16_t rx = 0, level = 77;
  EXPECT_EQ(t.rig->SetAFLevel(rx, level), VTrue);
  t.apt.run_for(300ms);
  const auto& radio = t.radio->stop_and_state();
  EXPECT_EQ(radio.vfo[0].hz, 21'250'000);
  EXPECT_EQ(radio.rx[0].af, 77);
}

TEST(OverPseudoTerminal, WithAutomaticInformationTheRadioReportsItsOwnChanges) {
  OverPty t({.id = 460, .seed = 9, .operator_on = true});
  t.rig->put_AutoPolling(VFalse);
  int16_t on = 1;
  t.rig->SetCAT(on);
  // The operator tunes by itself; the reports alone keep the component up
  // to date, without status polling.
  double first = 0;
  ASSERT_TRUE(t.until([&] { return (first = t.rig->get_VFOA_Freq()) != 0; }, 6s));
  EXPECT_TRUE(t.until(
      [&] { return t.rig->get_VFOA_Freq() != first || t.rig->get_VFOB_Freq() != 7.05; }, 8s));
}

TEST(OverPseudoTerminal, AnswersDroppedAndSplitStillConverge) {
  OverPty t({.id = 460, .seed = 11, .faults = {.drop = 0.1, .split = 0.5}});
  int16_t on = 1;
  t.rig->SetCAT(on);
  EXPECT_TRUE(t.until(
      [&] {
        return t.hz(t.rig->get_VFOA_Freq()) == 14'200'000 &&
               t.hz(t.rig->get_VFOB_Freq()) == 7'050'000;
      },
      15s));  // a lost answer costs three seconds of waiting
}

}  // namespace
}  // namespace tovrak::test
