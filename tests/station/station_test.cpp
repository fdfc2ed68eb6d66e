// The station's rules in virtual time: the link's health through every
// close, loss and reopen; the transmit guard; the way out; the wire log; raw
// queries spaced from the component's commands.
#include "hosts/station/station.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include "hosts/station/tapped_apartment.hpp"
#include "support/station_bench.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/control_panel.hpp"

namespace tovrak::station {
namespace {

using test::StationBench;
using Spaced = std::vector<std::pair<std::string, int64_t>>;

// The writes from number `from` on, each with the microseconds since the
// write before it.
Spaced spaced(StationBench& b, size_t from) {
  const auto& w = b.apt.line().writes();
  Spaced out;
  for (size_t i = from; i < w.size(); ++i) out.emplace_back(w[i].bytes, w[i].us - w[i - 1].us);
  return out;
}

// The port closed or opened by hand, as a host does; lost, and the loss seen.
void port(StationBench& b, bool open) {
  VBool v = VBool::of(open);
  std::string a, c, m;
  b.station.rig().SetPort(v, a, c, m);
}
void lose(StationBench& b) {
  b.apt.line().lose("gone");
  b.apt.process_pending();
}

TEST(LinkHealth, FollowsWhatPassesOnThePort) {
  using S = LinkHealth::State;
  LinkHealth h;
  struct Step {
    std::function<void()> event;
    double at;
    S state;
    const char* words;
  } steps[] = {
      {[] {}, 0, S::Closed, "port closed"},
      {[&] { h.opened(); }, 0, S::NoAnswerYet, "no answer yet"},
      {[&] { h.wrote(0.5); }, 2.4, S::NoAnswerYet, "no answer yet"},
      // Silence counts from the first unanswered command, not the last.
      {[&] { h.wrote(0.9); }, 3.6, S::Silent,
       "silent for 3 s (never answered: radio off, wrong port or speed?)"},
      {[&] { h.heard(4.1); }, 4.2, S::Answering, "answering"},
      {[&] { h.wrote(5.0); }, 6.9, S::Answering, "answering"},
      {[&] { h.wrote(6.0); }, 17.0, S::Silent, "silent for 12 s"},
      {[&] { h.lost("COM1: the server closed the connection"); }, 18.0, S::Lost,
       "port lost: COM1: the server closed the connection"},
      {[&] { h.heard(18.5); }, 19.0, S::Lost, "port lost: COM1: the server closed the connection"},
      // Opened again, the link starts over: nothing heard, nothing lost.
      {[&] { h.opened(); }, 19.0, S::NoAnswerYet, "no answer yet"},
      {[&] { h.wrote(19.5); }, 21.0, S::NoAnswerYet, "no answer yet"},
  };
  for (const auto& s : steps) {
    s.event();
    EXPECT_EQ(h.state(s.at), s.state) << s.words;
    EXPECT_EQ(h.describe(s.at), s.words);
  }
  // On a clock that starts at zero (virtual time), an answer at 0 s counts.
  LinkHealth zero;
  zero.opened();
  zero.wrote(0);
  zero.heard(0);
  EXPECT_EQ(zero.state(1.0), S::Answering);
  zero.wrote(1.0);
  EXPECT_EQ(zero.describe(5.0), "silent for 4 s");
}

TEST(TransmitGuard, KeyedByWhatReachedTheWire) {
  struct Row {
    std::vector<const char*> writes;
    bool keyed;
  } rows[] = {
      {{"TX1;"}, true},        {{"TX2;"}, true},           {{"TX1;", "TX0;"}, false},
      {{"FA;TX1;"}, true},     {{"TX1;TX0;"}, false},      {{"TX;", "TX0;"}, false},
      {{"TX1;", "TX;"}, true}, {{"TXA;", "TX10;"}, false}, {{"TX1"}, true},
  };
  for (const auto& r : rows) {
    TransmitGuard g;
    for (const char* w : r.writes) g.on_write(w);
    EXPECT_EQ(g.keyed(), r.keyed) << r.writes[0];
  }
}

// The observers of a tapped apartment see the host's closes of the port, not
// the component's last one as the apartment ends with the port open.
TEST(TappedApartment, ObserversSeeTheHostsClosesNotTheModulesEnd) {
  platform::VirtualApartment apt;
  int closes = 0;
  {
    TappedApartment tap(apt, [&] { return static_cast<double>(apt.now_us()) / 1e6; });
    TOVRAK_Connector connector(tap);
    auto rig = connector.get_TOVRAK_Protocol();
    rig->put_Port(1);
    tap.on_closed([&] { ++closes; });
    for (bool open : {true, false, true}) {
      VBool v = VBool::of(open);
      std::string a, c, m;
      ASSERT_EQ(rig->SetPort(v, a, c, m), VBool::of(true));
    }
    EXPECT_EQ(closes, 1);
  }
  EXPECT_EQ(closes, 1);
}

TEST(Station, HealthFollowsThePortThroughLossAndReopenByHand) {
  StationBench b;
  auto& rig = b.station.rig();
  EXPECT_EQ(b.station.link(), "port closed");
  b.open();
  EXPECT_EQ(b.station.link(), "answering");
  b.apt.line().lose("the server closed the connection");
  b.apt.advance_ms(100);
  EXPECT_EQ(b.station.link(), "port lost: COM1: the server closed the connection");
  EXPECT_EQ(b.station.losses(), 1);
  b.apt.advance_ms(10'000);  // the polls fail: still lost, never "silent"
  EXPECT_TRUE(b.station.lost());
  port(b, false);
  EXPECT_EQ(b.station.link(), "port closed");
  port(b, true);
  EXPECT_EQ(b.station.link(), "no answer yet");
  int16_t on = 1;
  rig.SetCAT(on);
  b.apt.advance_ms(1000);
  EXPECT_EQ(b.station.link(), "answering");
  b.radio.set_power(false, b.apt.now_us());  // a radio switched off is silent
  b.apt.advance_ms(3000);
  EXPECT_EQ(b.station.link().substr(0, 11), "silent for ");
  EXPECT_EQ(b.station.losses(), 1);
}

TEST(Station, ReopensALostPortEveryTwoSecondsWhenAsked) {
  StationBench b;
  b.open();
  EXPECT_FALSE(b.station.reopen_if_lost());  // nothing lost
  lose(b);
  b.apt.line().fail_next_open("COM1: no such device");
  EXPECT_FALSE(b.station.reopen_if_lost());
  EXPECT_EQ(b.station.link(), "port lost: COM1: gone");  // still lost, tried again later
  b.apt.advance_ms(1900);
  EXPECT_FALSE(b.station.reopen_if_lost());
  b.apt.advance_ms(100);
  EXPECT_TRUE(b.station.reopen_if_lost());
  b.apt.advance_ms(1000);
  EXPECT_EQ(b.station.link(), "answering");
  EXPECT_EQ(b.station.losses(), 1);
  b.apt.line().lose("gone again");  // each opening's loss is told
  b.apt.process_pending();
  EXPECT_EQ(b.station.link(), "port lost: COM1: gone again");
  EXPECT_EQ(b.station.losses(), 2);
}

// Left keyed (or not) in each way the front ends' own table does not take:
// what the station says, whether the radio is still keyed, and whether the
// release reached the wire.
TEST(Station, TheGuardReleasesOnTheWayOutAndWhenThePortComesBack) {
  using Leave = void (*)(StationBench&, std::string & said);
  struct Row {
    bool key;
    Leave leave;
    const char* said;  // by close(), or by the station when the port came back
    bool keyed_after;
  } rows[] = {
      {true,
       [](StationBench& b, std::string& said) {
         lose(b);
         said = b.station.close();
       },
       "the port is lost (COM1: gone): the transmitter may still be on!", true},
      // The loss comes to light only as the release is written.
      {true,
       [](StationBench& b, std::string& said) {
         b.apt.line().lose("gone");
         said = b.station.close();
       },
       "releasing the transmitter failed: the command did not reach the radio", true},
      {true,
       [](StationBench& b, std::string& said) {
         port(b, false);
         said = b.station.close();
       },
       "the port is closed: the transmitter may still be on!", true},
      {true, [](StationBench& b, std::string&) { port(b, false), port(b, true); },
       "transmitter released (left keyed when the port went)", false},
      // The station ends before its release after the reopen runs: its way
      // out releases, and the late release finds nothing to do.
      {true, [](StationBench& b, std::string&) { port(b, false), port(b, true), b.drop(); }, "",
       false},
      {false, [](StationBench& b, std::string& said) { said = b.station.close(); }, "", false},
  };
  for (const auto& r : rows) {
    StationBench b;
    std::string said;
    b.station.on_note([&](const std::string& text) { said = text; });
    b.open();
    if (r.key) b.key();
    const size_t before = b.writes();
    r.leave(b, said);
    b.apt.advance_ms(500);
    EXPECT_EQ(said, r.said);
    EXPECT_EQ(b.keyed(), r.keyed_after) << r.said;
    EXPECT_EQ(b.wrote("TX0;", before), r.key && !r.keyed_after) << r.said;
  }
}

TEST(Station, TheWayOutAfterAStopRequestKeepsTheCommandSpacing) {
  StationBench b;
  b.open();
  b.key();
  b.apt.request_stop();
  const size_t before = b.writes();
  EXPECT_EQ(b.station.close(), "transmitter released");
  EXPECT_FALSE(b.apt.stopping());  // withdrawn for the clean-up
  // The release at once (the last write was the keying), the next spaced.
  EXPECT_EQ(spaced(b, before), (Spaced{{"TX0;", 300'000}, {"AI0;", 100'000}}));
  EXPECT_FALSE(b.station.rig().get_PortOpen());
  EXPECT_FALSE(b.keyed());
}

// A raw query waits for the command spacing after the last write, and the
// component's commands that come sooner after it wait in turn, each whole
// and in order; what waits still goes out before the port closes, and
// nothing is written on a closed or lost port. With a spacing changed on
// the control panel (the component's own is the stop request test's).
TEST(Station, RawQueriesAndTheComponentsCommandsKeepTheSpacing) {
  StationBench b;
  b.open();
  ControlPanel& panel = ControlPanelOf(b.station.rig());
  panel.txtMS[1] = "150";
  panel.cmdSet_Click(1);
  const int64_t spacing = 150'000;
  const auto& w = b.apt.line().writes();
  auto at = [&](const std::string& bytes, size_t from) {
    for (size_t i = from; i < w.size(); ++i) {
      if (w[i].bytes == bytes) return i;
    }
    ADD_FAILURE() << bytes << " not written";
    return w.size() - 1;
  };
  b.apt.advance_ms(480);
  const size_t from = b.writes();
  const int64_t asked = b.apt.now_us();
  ASSERT_TRUE(b.station.apartment().send("EX087"));
  b.apt.advance_ms(10);
  int16_t wpm = 25;
  b.station.rig().SetKeyerSpeed(wpm);                // two commands, both too soon
  ASSERT_TRUE(b.station.apartment().send("EX087"));  // behind them
  const size_t query = at("EX087;", from);
  EXPECT_EQ(w[query].us, std::max(asked, w[query - 1].us + spacing));
  b.apt.advance_ms(1000);
  EXPECT_EQ(spaced(b, query + 1),
            (Spaced{{"KR1;", spacing}, {"KS009;", spacing}, {"EX087;", spacing}}));

  // The way out's command comes too soon after a query: it still goes
  // out, spaced, before the port closes.
  b.apt.advance_ms(400);
  const size_t before_close = b.writes();
  const int64_t asked_last = b.apt.now_us();
  ASSERT_TRUE(b.station.apartment().send("EX088"));
  b.station.close();
  const size_t last = at("EX088;", before_close);
  EXPECT_EQ(w[last].us, std::max(asked_last, w[last - 1].us + spacing));
  EXPECT_FALSE(b.station.apartment().send("EX087"));
  b.apt.advance_ms(500);
  EXPECT_EQ(spaced(b, last + 1), (Spaced{{"AI0;", spacing}}));

  StationBench lost;
  lost.open();
  lose(lost);
  const size_t before = lost.writes();
  EXPECT_FALSE(lost.station.apartment().send("EX087"));
  lost.apt.advance_ms(500);
  EXPECT_EQ(lost.writes(), before);
}

TEST(Station, WritesOneWireLog) {
  const std::string path = testing::TempDir() + "station_wire.log";
  std::remove(path.c_str());
  StationBench b;
  // 2027-01-15 08:00:00 UTC: the same day in every time zone's local time.
  auto log = std::make_shared<WireLog>([&] { return 1'800'000'000.0 + b.apt.now_us() / 1e6; });
  log->open(path);
  b.station.share_log(log);
  int16_t raw = 0;
  b.open();
  b.key();
  b.station.close();
  b.open();
  b.station.rig().SetCommand(raw, "EX 1\x7f\x01");
  lose(b);
  b.station.reopen_if_lost();
  log->line("C3", "FA;");
  b.station.close();
  // Read while the log is open: every line is there at once.
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  const std::regex stamp(R"(2027-01-1\d \d\d:\d\d:\d\d\.\d{3}  .*)");
  for (const auto& l : lines) EXPECT_TRUE(std::regex_match(l, stamp)) << l;
  auto has = [&](const std::string& tail) {
    for (const auto& l : lines) {
      if (l.size() > 25 && l.substr(25) == tail) return true;
    }
    return false;
  };
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0].substr(19), ".000  -- port opened");
  EXPECT_EQ(lines[1].substr(19), ".100  TX AI0;");  // the command spacing after opening
  for (const char* tail :
       {"RX ID0570;", "TX EX 1\\x7F\\x01;", "-- port lost: COM1: gone", "-- port closed",
        "-- port reopened", "C3 FA;", "-- transmitter released"}) {
    EXPECT_TRUE(has(tail)) << tail;
  }
  EXPECT_EQ(lines.back().substr(25), "-- port closed");
}

}  // namespace
}  // namespace tovrak::station
