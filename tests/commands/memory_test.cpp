// Memory channels, CTCSS tones, repeater direction and offset.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "command_fixture.hpp"
#include "core/commands/ctcss_tones.hpp"

namespace tovrak::test {
namespace {

TEST(ChannelCommands, Recall) {
  std::vector<Row> rows = {WITHOUT(SetChannel, 12)};
  refuse(rows, {CALL(SetChannel, 100), CALL(SetChannel, 0), CALL(SetChannel, -1)});
  refuse(rows, {CALL(SetChannel, 9)}, SET(s.ChannelMin = 10));
  refuse(rows, {CALL(SetChannel, 12)}, SET(s.VFO = 1));
  for (int16_t channel : {7, 99, 1, 10, 42, 120}) {
    char sent[16];
    std::snprintf(sent, sizeof sent, "MC%03d;", channel);
    rows.push_back(row(sent, SET(s.VFO = 2; s.ChannelMax = 300), CALL(SetChannel, channel),
                       sent + std::string(" 100 IF;"),
                       CHANGEV(s.Channel = channel; s.MemMode = 1)));
  }
  run(rows);
}

// The memory-write command from its fields, in order.
std::string mw(const std::string& channel, const std::string& freq, const std::string& mode,
               const std::string& tone_mode = "0", const std::string& tone = "00",
               const std::string& shift = "0") {
  return "MW" + channel + freq + "+000000" + mode + "0" + tone_mode + tone + shift + ";";
}

// SetVFOM into `channel`: the channel written, then the status asked for;
// wide FM is stored as FM.
Row store(std::string name, Before before, int16_t channel, const std::string& sent) {
  return row(std::move(name), std::move(before), CALL(SetVFOM, channel, ""), sent + " 200 IF;",
             CHANGEV(s.MemMode = 1; s.Channel = channel; if (s.Mode == 7) s.Mode = 4));
}

TEST(ChannelCommands, MemoryWrite) {
  const std::string f = "014250000";
  std::vector<Row> rows = {
    store("USB", {}, 12, mw("012", f, "2")),
    store("eight digits for other radios", SET(s.TransceiverID = 0), 5, mw("005", "14250000", "2")),
    store("FM: encode, shift down", SET(s.Mode = 4; s.Enc = 1; s.CTCSS = 88.5f; s.RPT = -1), 12,
          mw("012", f, "4", "2", "08", "2")),
    store("FM: decode too, shift up", SET(s.Mode = 4; s.Enc = s.Dec = 1; s.CTCSS = 67; s.RPT = 1),
          3, mw("003", f, "4", "1", "00", "1")),
    store("FM: the last tone", SET(s.Mode = 4; s.CTCSS = 254.1f), 3, mw("003", f, "4", "0", "49")),
    store("FM: no such tone", SET(s.Mode = 4; s.Dec = 1; s.CTCSS = 88.4f; s.RPT = -1), 3,
          mw("003", f, "4", "0", "00", "2")),
    store("FM: encode without a tone", SET(s.Mode = 4; s.Enc = 1; s.RPT = 1), 3,
          mw("003", f, "4", "2", "00", "1")),
    store("FM: decode not looked at while encoding is off",
          SET(s.Mode = 4; s.Dec = 9; s.CTCSS = 100), 3, mw("003", f, "4", "0", "12")),
    store("wide FM as FM", SET(s.Mode = 7; s.Enc = s.Dec = 1; s.CTCSS = 67; s.RPT = 1), 2,
          mw("002", f, "4", "1", "00", "1")),
    store("odd switches do not matter outside FM", SET(s.Enc = 2; s.RPT = 3), 1, mw("001", f, "2")),
    store("a long field is cut", SET(s.Freq = 1296.1), 1, mw("001", "129610000", "2")),
    store("nine packed digits are cut", SET(s.TransceiverID = 0; s.Freq = 144.2), 1,
          mw("001", "14420000", "2")),
    store("channel 0: no limits", {}, 0, mw("000", f, "2")),
    store("channel 500", {}, 500, mw("500", f, "2")),
    store("written even while muted", SET(m.link.send_muted = VTrue), 12, mw("012", f, "2")),
    WITHOUT(SetVFOM, 12, ""),
  };
  // In memory mode, also while muted.
  refuse(rows, {CALL(SetVFOM, 12, "")}, SET(s.MemMode = 1));
  refuse(rows, {CALL(SetVFOM, 12, "")}, SET(m.link.send_muted = VTrue; s.MemMode = 1));
  // Other modes carry no tone or shift.
  const std::tuple<int16_t, int16_t, const char*> modes[] = {
      {0, 0, "1"}, {1, 1, "2"}, {2, 0, "3"}, {2, 1, "7"}, {3, 1, "5"},
      {5, 0, "6"}, {5, 1, "9"}, {6, 0, "8"}, {6, 1, "8"}, {9, 0, "0"}};
  for (auto [mode, reverse, digit] : modes) {
    rows.push_back(store(
        digit, SETV(s.Enc = s.Dec = s.RPT = 1; s.CTCSS = 88.5f; s.Mode = mode; s.Reverse = reverse),
        1, mw("001", f, digit)));
  }
  // In FM a switch without a character of its own would garble the channel.
  const std::tuple<int16_t, int16_t, int16_t, int16_t> garbled[] = {
      {4, 2, 0, 0}, {4, -1, 0, 0}, {4, 1, 2, 0}, {4, 1, -1, 0},
      {4, 1, 1, 2}, {4, 0, 0, -2}, {7, 3, 0, 0}};
  for (auto [mode, enc, dec, rpt] : garbled) {
    refuse(rows, {CALL(SetVFOM, 12, "")},
           SETV(s.Mode = mode, s.CTCSS = 88.5f, s.Enc = enc, s.Dec = dec, s.RPT = rpt));
  }
  run(rows, SET(s.Freq = 14.25; s.Mode = 1; s.TransceiverID = 570));
}

TEST(ToneTable, EveryToneHasItsNumberAndNothingElseMatches) {
  const std::vector<float> tones = {
      67.0f,  69.3f,  71.9f,  74.4f,  77.0f,  79.7f,  82.5f,  85.4f,  88.5f,  91.5f,
      94.8f,  97.4f,  100.0f, 103.5f, 107.2f, 110.9f, 114.8f, 118.8f, 123.0f, 127.3f,
      131.8f, 136.5f, 141.3f, 146.2f, 151.4f, 156.7f, 159.8f, 162.2f, 165.5f, 167.9f,
      171.3f, 173.8f, 177.3f, 179.9f, 183.5f, 186.2f, 189.9f, 192.8f, 196.6f, 199.5f,
      203.5f, 206.5f, 210.7f, 218.1f, 225.7f, 229.1f, 233.6f, 241.8f, 250.3f, 254.1f};
  for (size_t i = 0; i < tones.size(); ++i) {
    EXPECT_EQ(core::ToneCode(tones[i]), static_cast<int16_t>(i)) << tones[i];
    // No tolerance: the nearest single values either side do not match.
    EXPECT_EQ(core::ToneCode(std::nextafter(tones[i], 0.0f)), -1) << tones[i];
    EXPECT_EQ(core::ToneCode(std::nextafter(tones[i], 1000.0f)), -1) << tones[i];
  }
  for (float other : {88.4f, 0.0f, -67.0f}) EXPECT_EQ(core::ToneCode(other), -1);
}

TEST(ToneCommands, Rows) {
  std::vector<Row> rows = {
    row("switch, then the tone", {}, CALL(SetTone, 67.0f, 0, 1, 1), "CT01; 100 CN000;",
        CHANGE(s.CTCSS = 67.0f; s.Enc = s.Dec = 1)),
    row("VFO B", SET(s.VFO = 1; s.Dec = 1), CALL(SetTone, 88.5f, 0, 1, 0), "CT12; 100 CN108;",
        CHANGE(s.CTCSS = 88.5f; s.Enc = 1; s.Dec = 0)),
    row("only VFO B has a digit", SET(s.VFO = 2), CALL(SetTone, 254.1f, 0, 0, 0),
        "CT00; 100 CN049;", CHANGE(s.CTCSS = 254.1f)),
    row("no such tone", {}, CALL(SetTone, 88.4f, 0, 0, 0), "CT00;", CHANGE(s.CTCSS = 88.4f)),
    row("no such encode switch", {}, CALL(SetTone, 100.0f, 0, 5, 0), "CN012;",
        CHANGE(s.CTCSS = 100.0f; s.Enc = 5)),
    row("no such decode switch", {}, CALL(SetTone, 100.0f, 0, 1, 3), "CN012;",
        CHANGE(s.CTCSS = 100.0f; s.Enc = 1; s.Dec = 3)),
    row("a DCS code where none is", {}, CALL(SetTone, 88.5f, 23, 1, 1), "", {}, F),
    row("a code where none is", {}, CALL(SetTone, 88.5f, -4, 1, 1), "CT01; 100 CN008;",
        CHANGE(s.CTCSS = 88.5f; s.DCS = -4; s.Enc = s.Dec = 1)),
    row("DCS only", SET(s.Property[cap::SetTone] = 2), CALL(SetTone, 0.0f, 23, 0, 0), "CT00;",
        CHANGE(s.DCS = 23)),
    row("DCS only, on", SET(s.Property[cap::SetTone] = 2), CALL(SetTone, -1.0f, 25, 1, 1), "CT01;",
        CHANGE(s.CTCSS = -1.0f; s.DCS = 25; s.Enc = s.Dec = 1)),
    row("DCS only, a tone", SET(s.Property[cap::SetTone] = 2), CALL(SetTone, 88.5f, 23, 1, 1), "",
        {}, F),
    row("both", SET(s.Property[cap::SetTone] = 3), CALL(SetTone, 88.5f, 23, 1, 1),
        "CT01; 100 CN008;", CHANGE(s.CTCSS = 88.5f; s.DCS = 23; s.Enc = s.Dec = 1)),
    WITHOUT(SetTone, 0.0f, 0, 0, 0),
  };
  for (int16_t mode : {0, 1, 2, 3, 5, 6, 7}) {
    refuse(rows, {CALL(SetTone, 88.5f, 0, 1, 1)}, SETV(s.Mode = mode));
  }
  run(rows, SET(s.Mode = 4));
}

TEST(RepeaterCommands, Rows) {
  std::vector<Row> rows = {
      WITHOUT(SetRPT, 1),
      WITHOUT(SetShift, 600000.0f),
      row("MClear does nothing", {}, CALL(MClear, 5), "", {}, F),
  };
  for (auto [dir, sent] : std::vector<std::pair<int16_t, const char*>>{
           {-1, "OS02;"}, {0, "OS00;"}, {1, "OS01;"}, {5, "OS0;"}, {-2, "OS0;"}}) {
    rows.push_back(row(sent, SET(s.RPT = 9), CALL(SetRPT, dir), sent, CHANGEV(s.RPT = dir)));
  }
  // The menu follows the frequency; the offset goes out in kHz.
  const std::tuple<double, float, const char*> shifts[] = {
      {14.2, 100000.0f, "EX0680100;"},    {51.0, 600000.0f, "EX0690600;"},
      {49.999, 600000.0f, "EX0680600;"},  {50.0, 600000.0f, "EX0690600;"},
      {29.6, 999.0f, "EX0680001;"},  // 0.999 kHz and the small correction make 1
      {29.6, 989.0f, "EX0680000;"},       {29.6, 0.0f, "EX0680000;"},
      {29.6, 12345678.0f, "EX06812345;"}, {29.6, -5000.0f, "EX06800-5;"},
  };
  for (auto [mhz, hz, sent] : shifts) {
    rows.push_back(row(sent, SETV(s.Freq = mhz, s.Shift = 1), CALL(SetShift, hz), sent,
                       CHANGEV(s.Shift = hz)));
  }
  run(rows);
}

}  // namespace
}  // namespace tovrak::test
