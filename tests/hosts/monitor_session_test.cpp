// The monitor's session on the virtual platform with the simulated radio,
// and the link's health it shows.
#include "hosts/cli/monitor_session.hpp"

#include <gtest/gtest.h>

#include <optional>

#include "hosts/cli/link_watch.hpp"
#include "hosts/cli/virtual_script_platform.hpp"
#include "hosts/sim/sim_link.hpp"
#include "tovrak/connector.hpp"

namespace tovrak::hosts {
namespace {

struct Bench {
  platform::VirtualApartment apt;
  sim::SimRadio radio{sim::SimOptions{}, 0};
  sim::SimLink link = sim::attach(radio, apt);
  VirtualScriptPlatform platform{apt, &link};
  TOVRAK_Connector connector{apt};
  std::shared_ptr<TOVRAK_Protocol> rig = connector.get_TOVRAK_Protocol();
  std::string wire;  // before the session, which still writes when it closes
  std::optional<MonitorSession> session;

  Bench() {
    session.emplace(*rig, platform);
    platform.on_write([this](std::string_view b) {
      wire += std::string(b);
      if (session) session->on_write(b);
    });
    std::string error;
    EXPECT_TRUE(session->open(error)) << error;
    apt.advance_us(1'000'000);
  }
  std::string run(const std::string& line) {
    std::string out = session->execute(line, 1);
    apt.advance_us(500'000);
    return out;
  }
};

TEST(MonitorSession, EveryWayOutReleasesATransmissionItStarted) {
  enum class Leave { Close, Destroy };
  struct Row {
    std::vector<std::string> lines;
    Leave leave;
    bool released;
  } rows[] = {
      {{"SetPTT 1"}, Leave::Close, true},
      {{"SetPTT 1"}, Leave::Destroy, true},  // an error or signal unwinding the monitor
      {{"SetPTT 1", "SetPTT 0"}, Leave::Close, false},
  };
  for (const auto& r : rows) {
    Bench b;
    for (const auto& l : r.lines) b.run(l);
    ASSERT_EQ(b.radio.state().ptt, r.released);  // keyed till the session ends
    size_t before = b.wire.size();
    if (r.leave == Leave::Close) {
      EXPECT_EQ(b.session->close(), r.released ? "transmitter released" : "");
    } else {
      b.session.reset();
    }
    b.apt.advance_us(200'000);
    EXPECT_EQ(b.wire.find("TX0;", before) != std::string::npos, r.released) << r.lines[0];
    EXPECT_FALSE(b.radio.state().ptt) << r.lines[0];
    EXPECT_FALSE(b.rig->get_PortOpen());
  }
}

TEST(MonitorSession, RefusedCallsSayWhy) {
  struct Row {
    const char* before;
    const char* call;
    const char* out;
  } rows[] = {
      {"SetVFOM 3, \"\"", "SetFreq 7.1",
       "SetFreq(7.1) -> False\n  refused: the radio is in memory mode (SetVFO 0 leaves it)\n"},
      {"", "SetFreq 99999",
       "SetFreq(99999) -> False\n  refused: the frequency is out of the radio's range (0.03 to 60 "
       "MHz)\n"},
      {"", "SetFreq 7.1", "SetFreq(7.1) -> True\n"},  // no reason for a done call
  };
  for (const auto& r : rows) {
    Bench b;
    if (*r.before) b.run(r.before);
    EXPECT_EQ(b.run(r.call), r.out);
  }
  EXPECT_EQ(Bench().session->execute("SetFreq (", 7).substr(0, 7), "line 7:");
}

TEST(LinkHealth, FollowsTheWireInVirtualTime) {
  LinkHealth h;
  h.opened(0);
  h.wrote(1.0);
  EXPECT_EQ(h.describe(4.0, true).substr(0, 14), "silent for 3 s");  // never answered
  h.heard(4.1);
  EXPECT_EQ(h.describe(4.2, true), "answering");
  h.wrote(5.0);
  h.wrote(6.0);  // still counts from the first unanswered command
  EXPECT_EQ(h.describe(6.5, true), "answering");
  EXPECT_EQ(h.describe(17.0, true), "silent for 12 s");
  EXPECT_EQ(h.describe(17.0, false), "port closed");
  h.lost(18.0, "/dev/ttyUSB0: disconnected or hung up");
  EXPECT_EQ(h.describe(19.0, true), "port lost: /dev/ttyUSB0: disconnected or hung up");
  h.opened(20.0);
  EXPECT_EQ(h.describe(20.0, true), "no answer yet");
}

}  // namespace
}  // namespace tovrak::hosts
