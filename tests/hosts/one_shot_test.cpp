// tovrak get / set / ptt in virtual time over the simulated radio: each row
// is the command's words, the radio before, the printed line, the exit status,
// what reached the wire and what the radio holds afterwards. The default
// radio is the nine-digit one, in LSB.
#include "hosts/cli/one_shot.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "support/station_bench.hpp"

namespace tovrak::hosts {
namespace {

using Words = std::vector<std::string>;

struct Result {
  int status = 0;
  std::string out, err, wire;
  sim::RadioState radio;
};

// The radio as a row finds it.
using Before = std::function<void(test::StationBench&)>;

Result run(const Words& words, const Before& before = nullptr, sim::SimOptions options = {},
           bool shared = false) {
  test::StationBench b(options);
  if (before) before(b);
  std::ostringstream out, err;
  Result r;
  {
    OneShot shot(b.station, b.time);
    Words rest(words.begin() + 1, words.end());
    const bool json = !rest.empty() && rest.back() == "--json";
    if (json) rest.pop_back();
    const ShotOutput o{json, shared, out, err, words[0], "P"};
    if (words[0] == "get") {
      r.status = run_get(shot, rest, o);
    } else if (words[0] == "ptt") {
      r.status = run_set(shot, "ptt", rest.at(0), o);
    } else {
      r.status = run_set(shot, rest.at(0), rest.at(1), o);
    }
    b.station.close();
  }
  b.apt.advance_ms(300);
  for (const auto& w : b.apt.line().writes()) r.wire += w.bytes;
  r.out = out.str();
  r.err = err.str();
  r.radio = b.radio.state();
  return r;
}

// True when each text appears in the wire, in this order.
bool in_order(const std::string& wire, const Words& texts) {
  size_t at = 0;
  for (const auto& t : texts) {
    at = wire.find(t, at);
    if (at == std::string::npos) return false;
    at += t.size();
  }
  return true;
}

const char* kNine =
    " (VM sent first: a nine-digit radio's mode character in LSB and USB stands where the "
    "component reads the memory indicator)";

const Before kSplit = [](test::StationBench& b) { b.radio.set_split(true, 0); };
const Before kMemory = [](test::StationBench& b) { b.radio.panel("MC001", 0); };
const Before kSilent = [](test::StationBench& b) { b.radio.go_silent(0, 60'000'000); };
const sim::SimOptions kEightDigits{.id = 19};

TEST(OneShot, GetsEveryNameFromTheRadiosAnswersOfThisCall) {
  struct Row {
    Words words;
    Before before;
    sim::SimOptions options;
    std::string out;
    Words wire;    // in this order
    Words unsent;  // never written
  } rows[] = {
      {{"get", "freq"}, {}, {}, "14.200000 MHz\n", {"AI0;", "ID;", "IF;"}, {"FT;", "SM0;", "PC;"}},
      {{"get", "freq"}, {}, kEightDigits, "14.200000 MHz\n", {"ID;", "IF;"}, {"VS;"}},
      {{"get", "txfreq"}, kSplit, {}, "14.200000 MHz\n", {"FT;", "VS;"}, {}},
      {{"get", "mode"}, {}, {}, "USB\n", {"IF;"}, {}},
      {{"get", "vfo"}, {}, {}, "A\n", {"IF;", "VS;"}, {}},
      {{"get", "vfo"}, kMemory, kEightDigits, "memory 1\n", {"IF;"}, {}},
      {{"get", "split"}, {}, {}, "off\n", {"FT;"}, {}},
      {{"get", "split"}, kSplit, {}, "on\n", {"FT;"}, {}},
      {{"get", "ptt"}, {}, {}, "off\n", {"TX;"}, {"AC;", "VS;"}},
      {{"get", "width"}, {}, {}, "2400 Hz\n", {"IF;", "SH0;"}, {}},
      {{"get", "power"}, {}, {}, "100 W\n", {"PC;"}, {"IF;"}},
      {{"get", "af"}, {}, {}, "64/255\n", {"AG0;"}, {}},
      {{"get", "rf"}, {}, {}, "255/255\n", {"RG0;"}, {}},
      {{"get", "sql"}, {}, {}, "0/255\n", {"SQ0;"}, {}},
      {{"get", "smeter", "sql"}, {}, {}, "smeter S2  sql 0/255\n", {"SM0;", "SQ0;"}, {}},
      {{"get", "smeter", "--json"},
       {},
       {},
       "{\"smeter\": {\"raw\": 30, \"s\": \"S2\"}}\n",
       {"SM0;"},
       {}},
  };
  for (const auto& r : rows) {
    std::string name;
    for (const auto& w : r.words) name += w + " ";
    SCOPED_TRACE(name);
    const Result got = run(r.words, r.before, r.options);
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(got.out, r.out);
    EXPECT_TRUE(in_order(got.wire, r.wire)) << got.wire;
    for (const auto& u : r.unsent) EXPECT_EQ(got.wire.find(u), std::string::npos) << u;
  }
}

// Every name in JSON (each one's plain text is a row above).
TEST(OneShot, AllNamesTogetherInJson) {
  Result j = run({"get", "freq", "txfreq", "mode", "vfo", "split", "ptt", "smeter", "width",
                  "power", "af", "rf", "sql", "--json"});
  // The S-meter moves with the band: its value is left out of the comparison.
  const size_t a = j.out.find("\"smeter\": ") + 10;
  j.out = j.out.substr(0, a) + "*" + j.out.substr(j.out.find(", \"width\"", a));
  EXPECT_EQ(j.out,
            "{\"freq\": 14200000, \"txfreq\": 14200000, \"mode\": \"USB\", \"vfo\": \"A\", "
            "\"split\": false, \"ptt\": false, \"smeter\": *, "
            "\"width\": 2400, \"power\": 100, \"af\": 64, \"rf\": 255, \"sql\": 0}\n");
  EXPECT_EQ(j.status, 0);
}

// A change: its words, the radio before, the printed line and the exit
// status, what reached the wire (in this order), and what the radio holds
// afterwards (unchecked when empty).
struct Change {
  Words words;
  Before before;
  sim::SimOptions options;
  std::string out;
  int status;
  Words wire;
  std::function<bool(const sim::RadioState&)> after;
};
Change change(Words words, Before before, sim::SimOptions options, std::string out, int status,
              Words wire, std::function<bool(const sim::RadioState&)> after = nullptr) {
  return {words, before, options, out, status, wire, after};
}
#define HOLDS(...) [](const sim::RadioState& s) { return __VA_ARGS__; }

// A change's line on a nine-digit radio, which reads the memory indicator first.
std::string nine(const std::string& said) { return said + kNine + "\n"; }

TEST(OneShot, SetsWriteTheCommandAndReadBack) {
  const Change rows[] = {
      change({"set", "freq", "7.074"}, {}, {}, nine("freq 7.074000 MHz"), 0,
             {"VM;", "BS03;", "FA007074000;", "IF;"}, HOLDS(s.vfo[0].hz == 7'074'000)),
      change({"set", "freq", "7074kHz"}, {}, kEightDigits, "freq 7.074000 MHz\n", 0,
             {"FA07074000;"}, HOLDS(s.vfo[0].hz == 7'074'000)),
      change(
          {"set", "freq", "14.1"}, [](test::StationBench& b) { b.radio.select_vfo(1, 0); }, {},
          nine("freq 14.100000 MHz"), 0, {"VM;", "VS1;", "FB014100000;"},
          HOLDS(s.vfo[1].hz == 14'100'000)),
      change({"set", "mode", "usb"}, {}, {}, nine("mode USB"), 0, {"VM;", "MD02;", "BI;"},
             HOLDS(s.vfo[0].mode == '2')),
      change({"set", "mode", "CW"}, {}, kEightDigits, "mode CW\n", 0, {"MD03;"},
             HOLDS(s.vfo[0].mode == '3')),
      change({"set", "vfo", "B"}, {}, {}, nine("vfo B"), 0, {"VM;", "VS1;", "VS;"},
             HOLDS(s.rx_vfo == 1)),
      change({"set", "vfo", "A"}, kMemory, kEightDigits, "vfo A (left memory mode first (VM))\n", 0,
             {"VM;", "VS0;"}, HOLDS(!s.memory_mode)),
      change({"set", "split", "on"}, {}, {}, "split on\n", 0, {"FT3;", "FT;"},
             HOLDS(s.tx_vfo == 1)),
      change({"set", "split", "off"}, kSplit, {}, "split off\n", 0, {"FT2;", "FT;"},
             HOLDS(s.tx_vfo == 0)),
      change({"set", "split", "off"}, {}, {}, "split off (already so: nothing sent)\n", 0, {"FT;"},
             HOLDS(s.tx_vfo == 0)),
      change({"set", "power", "50"}, {}, {}, "power 50 W\n", 0, {"PC063;", "PC;"},
             HOLDS(s.power_level == 63)),
      change({"set", "power", "25"}, {}, {}, "power 25 W\n", 0, {"PC031;"}),
      change({"set", "power", "10"}, {}, {}, "power 10 W\n", 0, {"PC012;"}),
      change({"set", "af", "100"}, {}, {}, "af 100/255\n", 0, {"AG0100;", "AG0;"},
             HOLDS(s.rx[0].af == 100)),
      change({"set", "rf", "30"}, {}, {}, "rf 30/255\n", 0, {"RG0225;", "RG0;"}),
      change({"set", "sql", "20"}, {}, {}, "sql 20/255\n", 0, {"SQ0020;", "SQ0;"}),
      change({"ptt", "on"}, {}, {}, "ptt on\n", 0, {"TX1;", "TX;"}, HOLDS(s.ptt)),
      change({"ptt", "off"}, {}, {}, "ptt off\n", 0, {"TX0;", "TX;"}, HOLDS(!s.ptt)),
      // Refusals: the component's own reason, and what the radio has now.
      change({"set", "freq", "99"}, {}, kEightDigits,
             "freq refused: the frequency is out of the radio's range (0.03 to 60 MHz) (now "
             "14.200000 MHz)\n",
             1, {"IF;"}, HOLDS(s.vfo[0].hz == 14'200'000)),
      change({"set", "freq", "7.1"}, kMemory, kEightDigits,
             "freq refused: the radio is in memory mode (SetVFO 0 leaves it) (now 7.050000 MHz)\n",
             1, {}, HOLDS(s.memory_mode)),
      change({"set", "freq", "99", "--json"}, {}, kEightDigits,
             "{\"freq\": 14200000, \"done\": false, \"reason\": \"the frequency is out of the "
             "radio's range (0.03 to 60 MHz)\"}\n",
             1, {}),
      change({"set", "split", "off", "--json"}, {}, {},
             "{\"split\": false, \"done\": true, \"note\": \"already so: nothing sent\"}\n", 0, {}),
      change({"set", "mode", "WFM"}, {}, kEightDigits,
             "mode refused: the radio's capabilities do not offer WFM (now USB)\n", 1, {}),
  };
  for (const auto& r : rows) {
    std::string name;
    for (const auto& w : r.words) name += w + " ";
    SCOPED_TRACE(name);
    const Result got = run(r.words, r.before, r.options);
    EXPECT_EQ(got.status, r.status) << got.err;
    EXPECT_EQ(got.out, r.out);
    EXPECT_TRUE(in_order(got.wire, r.wire)) << got.wire;
    if (r.after) {
      EXPECT_TRUE(r.after(got.radio)) << got.wire;
    }
  }
}

TEST(OneShot, SaysWhatWentWrong) {
  struct Row {
    Words words;
    Before before;
    bool shared;
    int status;
    std::string out, err;
    bool writes;
  };
  auto failure = [](Words words, Before before, bool shared, int status, std::string out,
                    std::string err,
                    bool writes) { return Row{words, before, shared, status, out, err, writes}; };
  const Row rows[] = {
      failure({"get", "freq", "power"}, kSilent, false, 1, "",
              "tovrak get: the radio on P did not tell freq (no answer to IF), power (no answer "
              "to PC)\n",
              true),
      failure(
          {"get", "freq"}, [](test::StationBench& b) { b.time.fail_next_open("no such device"); },
          false, 1, "", "tovrak get: no radio on P: no such device\n", false),
      failure(  // stopped while the port would not open
          {"get", "freq"},
          [](test::StationBench& b) {
            b.time.fail_next_open("no such device");
            b.apt.request_stop();
          },
          false, 130, "", "tovrak get: no radio on P: no such device\n", false),
      failure({"ptt", "on"}, {}, true, 1,
              "ptt refused: the sharing server releases a transmitter as soon as the client that "
              "keyed it leaves, and this command leaves at once (key it from a client that stays "
              "connected)\n",
              "", false),
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.err + r.out);
    const Result got = run(r.words, r.before, {}, r.shared);
    EXPECT_EQ(got.status, r.status);
    EXPECT_EQ(got.out, r.out);
    EXPECT_EQ(got.err, r.err);
    EXPECT_EQ(!got.wire.empty(), r.writes) << got.wire;
    EXPECT_FALSE(got.radio.ptt);
  }
}

TEST(OneShot, PowerReadsBackAsSetForEveryWholeWatt) {
  for (int w = 0; w <= 200; ++w) {
    const float scaled = static_cast<float>(w) / 200.0f * 255.0f;  // SetRFPower's step
    EXPECT_EQ(watts_of(static_cast<int>(std::floor(static_cast<double>(scaled) + 0.1))), w);
  }
  EXPECT_EQ(watts_of(4), 3);  // a step no whole watt gives: the nearest
}

TEST(OneShot, RefusesBadValuesBeforeThePortOpens) {
  const std::pair<Words, std::string> rows[] = {
      {{"mode", "XYZ"}, "mode takes one of LSB, USB, CW, AM, FM, FSK, PKT, WFM, not \"XYZ\""},
      {{"power", "101"}, "power 101 is out of range (0 to 100)"},
      {{"vfo", "C"}, "vfo takes one of A, B, not \"C\""},
      {{"freq", "fast"}, "the frequency takes a number from 0 to 1000000000000, not \"fast\""},
      {{"smeter", "3"}, "cannot set \"smeter\" (freq, mode, vfo, split, power, af, rf, sql)"},
  };
  for (const auto& [words, message] : rows) {
    try {
      check_change(words[0], words[1]);
      ADD_FAILURE() << message;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
}

}  // namespace
}  // namespace tovrak::hosts
