// The monitor's session on a station in virtual time, with the simulated
// radio: why a call was refused, and a call made while the port is lost.
#include "hosts/cli/monitor_session.hpp"

#include <gtest/gtest.h>

#include "support/station_bench.hpp"

namespace tovrak::hosts {
namespace {

struct Bench : test::StationBench {
  MonitorSession session{station, time};

  Bench() { open(); }
  std::string run(const std::string& line) {
    std::string out = session.execute(line, 1);
    apt.advance_us(500'000);
    return out;
  }
};

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
  EXPECT_EQ(Bench().session.execute("SetFreq (", 7).substr(0, 7), "line 7:");
}

// The status line follows the port: lost, then reopened by hand.
TEST(MonitorSession, ACallWhileThePortIsLostIsShownWithTheLoss) {
  Bench b;
  b.apt.line().lose("the server closed the connection");
  b.apt.process_pending();
  EXPECT_EQ(b.run("SetFreq 7.1"),
            "SetFreq(7.1) -> True\n"
            "  not sent: port lost: COM1: the server closed the connection\n");
  EXPECT_EQ(b.run("? Freq"), "Freq = 7.1\n");  // a read is the component's memory
  b.run("SetPort False, \"\", \"\", \"\"");
  EXPECT_EQ(b.station.link(), "port closed");
  b.session.execute("SetPort True, \"\", \"\", \"\"", 1);
  EXPECT_EQ(b.station.link(), "no answer yet");
  EXPECT_EQ(b.run("SetCAT 1"), "SetCAT(1) -> -1\n");
  b.apt.advance_ms(1000);
  EXPECT_EQ(b.station.link(), "answering");
  EXPECT_EQ(b.run("SetAFLevel 0, 100"), "SetAFLevel(0, 100) -> True\n");
  EXPECT_EQ(b.radio.state().rx[0].af, 100);
}

}  // namespace
}  // namespace tovrak::hosts
