// The monitor's session on a station in virtual time, with the simulated
// radio: why a call was refused, its help, and its reads from a pipe (a call
// while the port is lost: ways_out_test; reopening by hand: station_test).
#include "hosts/cli/monitor_session.hpp"

#include <gtest/gtest.h>

#include <algorithm>

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

// A refused call says why (each reason is a row); a done one, nothing.
TEST(MonitorSession, RefusedCallsSayWhy) {
  struct Row {
    const char* before;  // statements after the port is opened ("closed": never opened)
    const char* member;
    Variant arg;
    const char* reason;
  } rows[] = {
      {"closed", "SetFreq", Variant(7.1), "the port is closed"},
      {"SetCAT 0", "SetFreq", Variant(7.1), "CAT is off (SetCAT 1)"},
      {"SetVFOM 3, \"\"", "SetVFOB", Variant(7.1),
       "the radio is in memory mode (SetVFO 0 leaves it)"},
      {"SetVFOM 3, \"\"", "SetAFLevel", Variant(int16_t{0}),
       "the member is off in the radio's capabilities, or a value is out of its range"},
      {"", "SetTX", Variant(std::string("abc")), "the frequency is not a number"},
      {"", "SetVFOA_Freq", Variant(99999.0),
       "the frequency is out of the radio's range (0.03 to 60 MHz)"},
      {"", "SetFreq", Variant(), "the frequency is out of the radio's range (0.03 to 60 MHz)"},
      {"", "SetMode", Variant(int16_t{9}),
       "the member is off in the radio's capabilities, or a value is out of its range"},
  };
  for (const auto& r : rows) {
    test::StationBench b;
    MonitorSession session{b.station, b.time};
    if (std::string(r.before) != "closed") {
      b.open();
      if (*r.before) session.execute(r.before, 1);
    }
    EXPECT_EQ(refusal_reason(b.station.rig(), r.member, {r.arg}), r.reason) << r.member;
  }
  EXPECT_EQ(Bench().run("SetFreq 99999"),
            "SetFreq(99999) -> False\n  refused: the frequency is out of the radio's range (0.03 "
            "to 60 MHz)\n");
  EXPECT_EQ(Bench().run("SetFreq 7.1"), "SetFreq(7.1) -> True\n");
}

TEST(MonitorSession, HelpTellsTheMembers) {
  const std::pair<const char*, const char*> rows[] = {
      {"SetFreq", "SetFreq Freq   [method]  Freq Double  -> Boolean\n"},
      {"freq", "? Freq   [get]  -> Double\n  Current frequency (MHz)\n"},
      // Both kinds of a property, its help once.
      {"port",
       "Port = value   [let]  value Integer16\n  Com port number\n? Port   [get]  -> Integer16\n"},
      {"AFLevel",
       "? AFLevel(Receiver)   [get]  Receiver VARIANT (by reference)  -> Integer16\n"
       "  Audio Level (0-255)\n"},
      {"nosuch", "no member nosuch (help lists them)\n"},
  };
  for (const auto& [name, text] : rows) EXPECT_EQ(member_help(name), text);
  EXPECT_EQ(Bench().session.execute("help freq", 1), member_help("freq"));
  // A help text's escaped line breaks become spaces.
  const std::string property = member_help("Property");
  const std::string joined =
      "  Property indicates the supported functions. For each function SetXXX(Parameter...), a";
  EXPECT_EQ(property.substr(property.find('\n') + 1, joined.size()), joined);
  const std::string all = member_help("");
  EXPECT_NE(all.find("\n? PortOpen                     Com port status (open/closed)\n"),
            std::string::npos);
  EXPECT_NE(all.find("\nSetPort PortOpen, Address, Code, MSG \n"), std::string::npos);
  EXPECT_EQ(all.find("\n? Port "), std::string::npos);  // a name once, with its first kind
  EXPECT_EQ(all.substr(all.size() - 47), "help NAME tells more of one member; quit ends.\n");
}

TEST(MonitorSession, QuitWords) {
  const std::pair<const char*, bool> rows[] = {
      {"q", true},    {" QUIT ", true}, {"exit", true}, {"Exit\t", true},    {"quit now", false},
      {"q()", false}, {"? q", false},   {"", false},    {"quitting", false}, {"SetPTT 0", false}};
  for (const auto& [line, leaving] : rows) EXPECT_EQ(leaves(line), leaving) << '"' << line << '"';
}

// Statements from a pipe: the first "?" waits for the status cycle (without
// the wait it reads the defaults); the settings are read after it, once.
TEST(MonitorSession, PipedReadsWaitForTheStatusAndTheSettingsAreReadOnce) {
  for (bool wait : {true, false}) {
    test::StationBench b;
    MonitorSession session{b.station, b.time};
    b.station.on_read([&](std::string_view bytes) { session.heard(bytes); });
    std::string error;
    ASSERT_TRUE(session.open(error)) << error;
    if (wait) session.wait_for_status();
    session.tick();  // the status not read yet: nothing asked
    const std::string freq = session.execute("? Freq", 1);
    EXPECT_EQ(session.status_read(), wait);
    EXPECT_EQ(freq, wait ? "Freq = 14.2\n" : "Freq = 0\n") << wait;
    EXPECT_FALSE(b.wrote("PC;"));
    if (!wait) continue;
    session.tick();
    session.tick();
    b.apt.advance_ms(15'000);
    EXPECT_EQ(
        std::ranges::count(b.apt.line().writes(), "PC;", &platform::VirtualLine::Write::bytes), 1);
    EXPECT_EQ(b.station.rig().get_RFPower(), 100);  // the radio's 127 of 255
    Variant main(int16_t{0});
    EXPECT_EQ(b.station.rig().get_RFLevel(main), 255);  // its RF gain "000": full
  }
  // A radio that never answers: the first "?" waits the longest wait, once;
  // a lost port ends the wait at once.
  for (bool lost : {false, true}) {
    test::StationBench b;
    MonitorSession session{b.station, b.time};
    if (lost) b.open(), b.apt.line().lose("unplugged"), b.apt.process_pending();
    session.wait_for_status();
    for (int64_t waited : {lost ? 0 : 10'000'000, 0}) {
      const int64_t t0 = b.time.elapsed_us();
      session.execute("? Freq", 1);
      EXPECT_NEAR(static_cast<double>(b.time.elapsed_us() - t0), waited, 20'000) << lost;
    }
  }
}

}  // namespace
}  // namespace tovrak::hosts
