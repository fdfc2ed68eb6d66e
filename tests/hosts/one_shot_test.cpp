// tovrak get / set / ptt in virtual time over the simulated radio (the
// nine-digit one unless a row says otherwise).
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

// True when each text appears in the wire in this order, none marked "!"
// appears at all ("!;": nothing was written), and each marked "=" appears
// once only.
bool in_order(const std::string& wire, const Words& texts) {
  size_t at = 0;
  for (const auto& t : texts) {
    if (t[0] == '!') {
      if (wire.find(t.substr(1)) != std::string::npos) return false;
    } else if (t[0] == '=') {
      const size_t first = wire.find(t.substr(1), at);
      if (first == std::string::npos || wire.find(t.substr(1), first + 1) != std::string::npos) {
        return false;
      }
      at = first + t.size() - 1;
    } else if ((at = wire.find(t, at)) == std::string::npos) {
      return false;
    } else {
      at += t.size();
    }
  }
  return true;
}

const Before kSplit = [](test::StationBench& b) { b.radio.set_split(true, 0); };
const Before kMemory = [](test::StationBench& b) { b.radio.panel("MC001", 0); };
const Before kVfoB = [](test::StationBench& b) { b.radio.select_vfo(1, 0); };
const Before kSilent = [](test::StationBench& b) { b.radio.go_silent(0, 60'000'000); };
const Before kNoDevice = [](test::StationBench& b) { b.time.fail_next_open("no such device"); };
const Before kNoDeviceStopped = [](test::StationBench& b) {
  b.time.fail_next_open("no such device");
  b.apt.request_stop();
};
const sim::SimOptions kEightDigits{.id = 19};
const sim::SimOptions kSlow{.latency_us = 400'000};  // each answer 0.4 s after its command
#define HOLDS(...) [](const sim::RadioState& s) { return __VA_ARGS__; }

// A change's line on a nine-digit radio, which reads the memory indicator first.
std::string nine(const std::string& said) {
  return said +
         " (VM sent first: a nine-digit radio's mode character in LSB and USB stands where the "
         "component reads the memory indicator)\n";
}

// Each row: the words, the radio before, the status, standard output, the
// wire (in_order's texts), what the radio then holds, standard error, and
// whether the port is a sharing server's.
struct Row {
  std::string words;
  Before before;
  sim::SimOptions options;
  int status;
  std::string out, wire;
  std::function<bool(const sim::RadioState&)> after;
  std::string err;
  bool shared;
};
Row row(std::string words, Before before, sim::SimOptions options, int status, std::string out,
        std::string wire, std::function<bool(const sim::RadioState&)> after = nullptr,
        std::string err = "", bool shared = false) {
  return {words, before, options, status, out, wire, after, err, shared};
}

Words split(const std::string& text) {
  Words w;
  std::istringstream in(text);
  for (std::string t; in >> t;) w.push_back(t);
  return w;
}

TEST(OneShot, GetsSetsAndRefusals) {
  const Row rows[] = {
      row("get freq", {}, {}, 0, "14.200000 MHz\n", "AI0; ID; IF; !FT; !SM0; !PC;"),
      row("get freq", {}, kEightDigits, 0, "14.200000 MHz\n", "ID; IF; !VS;"),
      row("get txfreq", kSplit, {}, 0, "14.200000 MHz\n", "FT; VS;"),
      row("get vfo", kMemory, kEightDigits, 0, "memory 1\n", "IF;"),
      row("get split", kSplit, {}, 0, "on\n", "FT;"),
      row("get ptt", {}, {}, 0, "off\n", "TX; !AC; !VS;"),
      row("get power", {}, {}, 0, "100 W\n", "PC; !IF;"),
      row("get rf", {}, {}, 0, "255/255\n", "RG0;"),
      row("get smeter sql", {}, {}, 0, "smeter S2  sql 0/255\n", "SM0; SQ0;"),
      row("get smeter --json", {}, {}, 0, "{\"smeter\": {\"raw\": 30, \"s\": \"S2\"}}\n", "SM0;"),
      row("get freq txfreq mode vfo split ptt width power af rf sql --json", {}, {}, 0,
          "{\"freq\": 14200000, \"txfreq\": 14200000, \"mode\": \"USB\", \"vfo\": \"A\", "
          "\"split\": "
          "false, \"ptt\": false, \"width\": 2400, \"power\": 100, \"af\": 64, \"rf\": 255, "
          "\"sql\": 0}\n",
          "AG0; RG0; SQ0;"),
      // The queries of several names go in one write, once, and a slow
      // radio's answers are awaited past the write's own wait.
      row("get power af rf sql", {}, kSlow, 0, "power 100 W  af 64/255  rf 255/255  sql 0/255\n",
          "=PC;AG0;RG0;SQ0;"),
      row("set freq 7.074", {}, {}, 0, nine("freq 7.074000 MHz"), "VM; BS03; FA007074000; IF;",
          HOLDS(s.vfo[0].hz == 7'074'000)),
      row("set freq 7074kHz", {}, kEightDigits, 0, "freq 7.074000 MHz\n", "FA07074000;",
          HOLDS(s.vfo[0].hz == 7'074'000)),
      row("set freq 14.1", kVfoB, {}, 0, nine("freq 14.100000 MHz"), "VM; VS1; FB014100000;",
          HOLDS(s.vfo[1].hz == 14'100'000)),
      row("set mode usb", {}, {}, 0, nine("mode USB"), "VM; MD02; BI;",
          HOLDS(s.vfo[0].mode == '2')),
      row("set mode CW", {}, kEightDigits, 0, "mode CW\n", "MD03;", HOLDS(s.vfo[0].mode == '3')),
      row("set vfo B", {}, {}, 0, nine("vfo B"), "VM; VS1; VS;", HOLDS(s.rx_vfo == 1)),
      row("set vfo A", kMemory, kEightDigits, 0, "vfo A (left memory mode first (VM))\n",
          "VM; VS0;", HOLDS(!s.memory_mode)),
      row("set split on", {}, {}, 0, "split on\n", "FT3; FT;", HOLDS(s.tx_vfo == 1)),
      row("set split off", kSplit, {}, 0, "split off\n", "FT2; FT;", HOLDS(s.tx_vfo == 0)),
      row("set split off", {}, {}, 0, "split off (already so: nothing sent)\n", "FT; !FT2;"),
      row("set power 50", {}, {}, 0, "power 50 W\n", "PC063; PC;", HOLDS(s.power_level == 63)),
      row("set af 100", {}, {}, 0, "af 100/255\n", "AG0100; AG0;", HOLDS(s.rx[0].af == 100)),
      row("set rf 30", {}, {}, 0, "rf 30/255\n", "RG0225; RG0;"),
      row("set sql 20", {}, {}, 0, "sql 20/255\n", "SQ0020; SQ0;"),
      row("ptt on", {}, {}, 0, "ptt on\n", "TX1; TX;", HOLDS(s.ptt)),
      row("ptt off", {}, {}, 0, "ptt off\n", "TX0; TX;", HOLDS(!s.ptt)),
      // Refusals: the component's own reason, and what the radio has now.
      row("set freq 99", {}, kEightDigits, 1,
          "freq refused: the frequency is out of the radio's range (0.03 to 60 MHz) (now 14.200000 "
          "MHz)\n",
          "IF; !FA0", HOLDS(s.vfo[0].hz == 14'200'000)),
      row("set freq 7.1", kMemory, kEightDigits, 1,
          "freq refused: the radio is in memory mode (SetVFO 0 leaves it) (now 7.050000 MHz)\n",
          "!FA0", HOLDS(s.memory_mode)),
      row("set freq 99 --json", {}, kEightDigits, 1,
          "{\"freq\": 14200000, \"done\": false, \"reason\": \"the frequency is out of the radio's "
          "range (0.03 to 60 MHz)\"}\n",
          ""),
      row("set split off --json", {}, {}, 0,
          "{\"split\": false, \"done\": true, \"note\": \"already so: nothing sent\"}\n", ""),
      row("set mode WFM", {}, kEightDigits, 1,
          "mode refused: the radio's capabilities do not offer WFM (now USB)\n", "!MD"),
      // What went wrong on the way, on standard error.
      row("get freq power", kSilent, {}, 1, "", "IF;", nullptr,
          "tovrak get: the radio on P did not tell freq (no answer to IF), power (no answer to "
          "PC)\n"),
      row("get freq", kNoDevice, {}, 1, "", "!;", nullptr,
          "tovrak get: no radio on P: no such device\n"),
      row("get freq", kNoDeviceStopped, {}, 130, "", "!;", nullptr,
          "tovrak get: no radio on P: no such device\n"),
      row("ptt on", {}, {}, 1,
          "ptt refused: the sharing server releases a transmitter as soon as the client that keyed "
          "it leaves, and this command leaves at once (key it from a client that stays "
          "connected)\n",
          "!;", HOLDS(!s.ptt), "", true),
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.words);
    const Result got = run(split(r.words), r.before, r.options, r.shared);
    EXPECT_EQ(std::tie(got.status, got.out, got.err), std::tie(r.status, r.out, r.err));
    EXPECT_TRUE(in_order(got.wire, split(r.wire))) << got.wire;
    EXPECT_TRUE(!r.after || r.after(got.radio)) << got.wire;
  }
}

TEST(OneShot, PowerReadsBackAsSetForEveryWholeWatt) {
  for (int w = 0; w <= 200; ++w) {
    const float scaled = static_cast<float>(w) / 200.0f * 255.0f;  // SetRFPower's step
    EXPECT_EQ(watts_of(static_cast<int>(std::floor(static_cast<double>(scaled) + 0.1))), w);
  }
  EXPECT_EQ(watts_of(4), 3);  // a step no whole watt gives: the nearest
}

}  // namespace
}  // namespace tovrak::hosts
