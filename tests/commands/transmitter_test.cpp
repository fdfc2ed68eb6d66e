// Transmitter and keyer commands: PTT, power, speech, keyer, break-in,
// monitor, meter, messages and tuner; set-up commands: power with its
// start-up sequence, dial lock, tuning speed, dimmer, and the reserved entry
// that mutes the link, loads filter presets and sets the narrow filter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

TEST(TransmitterCommands, Switches) {
  std::vector<Row> rows = {
      row("PTT", {}, CALL(SetPTT, 1), "TX1;", CHANGE(s.PTT = 1)),
      row("Comp", {}, CALL(SetComp, 1), "PR1;", CHANGE(s.Comp = 1)),
      row("Vox", {}, CALL(SetVox, 1), "VX1;", CHANGE(s.Vox = 1)),
      row("BK", {}, CALL(SetBK, 1), "BI1;", CHANGE(s.BK = 1)),
      row("TXW", {}, CALL(setTXW, 1), "TS1;", CHANGE(s.TXW = 1)),
      row("Spot stores nothing", {}, CALL(SetSpot, 1), "CS1;"),
      row("StartTuner stores nothing", {}, CALL(SetStartTuner), "AC002;"),
      row("MicGain reads no entry", SET(s.Property[cap::MicGain] = 0), CALL(SetMicGain, 7),
          "MG007;", CHANGE(s.MicGain = 7)),
      row("tuner on", {}, CALL(SetTuner, 1), "AC001;", CHANGE(s.Tuner = 1)),
      row("tuner: only a change is written", SET(s.Tuner = 1), CALL(SetTuner, 1), {}),
      row("voice message 5", {}, CALL(SetVoiceMessage, 5), "PB05;"),
  };
  refuse(rows, {CALL(SetVoiceMessage, 6), CALL(SetTXEQ, 1)});  // TXEQ is never supported
  rows.insert(rows.end(), {WITHOUT(SetPTT, 1), WITHOUT(SetRFPower, 100), WITHOUT(SetPitch, 700),
                           WITHOUT(SetKeyerSpeed, 128), WITHOUT(SetComp, 1), WITHOUT(SetVox, 1),
                           WITHOUT(SetBK, 1), WITHOUT(SetBKIn, 6), WITHOUT(SetMonitor, 0, 1),
                           WITHOUT(SetSpot, 1), WITHOUT(SetMeterSW, 3), WITHOUT(setTXW, 1),
                           WITHOUT(SetKeyerMessage, 0, 1, "cq"), WITHOUT(SetVoiceMessage, 1),
                           WITHOUT(SetTuner, 1), WITHOUT(SetStartTuner)});
  run(rows);
}

TEST(TransmitterCommands, Levels) {
  std::vector<Row> rows;
  // Watts scale to the radio's level, and polling pauses.
  const std::pair<int16_t, const char*> watts[] = {
      {0, "PC000;"}, {5, "PC006;"}, {87, "PC111;"}, {100, "PC127;"}, {300, "PC382;"}};
  for (auto [w, sent] : watts) {
    rows.push_back(row(sent, SET(s.RFPower = 9), CALL(SetRFPower, w), sent,
                       CHANGEV(s.RFPower = w, f.pause())));
  }
  // The pitch in 50 Hz steps from 300 Hz; step 10 is the first without a leading 0.
  const std::pair<int16_t, const char*> pitches[] = {{300, "KP00;"},  {349, "KP00;"},
                                                     {350, "KP01;"},  {800, "KP10;"},
                                                     {1000, "KP14;"}, {1050, "KP15;"}};
  for (auto [hz, sent] : pitches) {
    rows.push_back(row(sent, {}, CALL(SetPitch, hz), sent, CHANGEV(s.Pitch = hz)));
  }
  // The keyer speed maps to words per minute: level / 255 * 56 + 4, rounded.
  const std::tuple<int16_t, const char*, int16_t> speeds[] = {
      {2, "KS004;", 4},    {3, "KS005;", 5},    {64, "KS018;", 18},
      {100, "KS026;", 26}, {200, "KS048;", 48}, {254, "KS060;", 60}};
  for (auto [level, sent, wpm] : speeds) {
    rows.push_back(row(sent, SET(s.KeyerSpeed = 1; s.KeyerSwitch = 1), CALL(SetKeyerSpeed, level),
                       sent,
                       CHANGEV(s.KeyerSpeed = s.KeyerLevel = level; s.KeyerWPM = wpm; f.pause())));
  }
  run(rows);
}

TEST(TransmitterCommands, KeyerBreakInMonitorAndMeter) {
  std::vector<Row> rows = {
    row("keyer on at full speed", {}, CALL(SetKeyerSpeed, 255), "KR1; 100 KS060;",
        CHANGE(s.KeyerWPM = 60; s.KeyerSpeed = s.KeyerLevel = 255; s.KeyerSwitch = 1;
               s.StatusChange = VTrue; f.pause())),
    row("keyer off keeps the speed", SET(s.KeyerSpeed = s.KeyerLevel = 255; s.KeyerSwitch = 1),
        CALL(SetKeyerSpeed, 0), "KR0;", CHANGE(s.KeyerSpeed = 1255; s.KeyerSwitch = 0; f.pause())),
    row("keyer on again", SET(s.KeyerSpeed = 1255; s.KeyerLevel = 255), CALL(SetKeyerSpeed, 128),
        "KR1; 100 KS032;",
        CHANGE(s.KeyerSpeed = s.KeyerLevel = 128; s.KeyerWPM = 32; s.KeyerSwitch = 1;
               s.StatusChange = VTrue; f.pause())),
    row("break-in delay", SET(s.FullBK = 1), CALL(SetBKIn, 6), "SD0300; 100 EX0550;",
        CHANGE(s.FullBK = 0; s.BKIn = 6)),
    row("full break-in", SET(s.BKIn = 6), CALL(SetBKIn, 0), "SD0000; 100 EX0551;",
        CHANGE(s.FullBK = 1; s.BKIn = 0)),
    row("break-in 20", {}, CALL(SetBKIn, 20), "SD1000; 100 EX0550;", CHANGE(s.BKIn = 20)),
    row("break-in 21", {}, CALL(SetBKIn, 21), "", {}, F),
    row("monitor switch", {}, CALL(SetMonitor, 0, 1), "ML0001;", CHANGE(s.Monitor = 1)),
    row("monitor level", {}, CALL(SetMonitor, 1, 50), "ML1050;", CHANGE(s.MonitorLevel = 50)),
    row("monitor read request", {}, CALL(SetMonitor, 2, 5), "ML;"),
    row("a meter without a name", SET(s.MeterCaption = "SWR"), CALL(SetMeterSW, 14),
        "MS14; 100 RM00;", CHANGE(s.MeterSW = 14; s.MeterCaption = "")),
    row("beyond the names: fails after selecting", SET(s.MeterCaption = "SWR"),
        CALL(SetMeterSW, 15), "MS15;", CHANGE(s.MeterSW = 15), E9),
    row("meter -1", {}, CALL(SetMeterSW, -1), "MS-1;", CHANGE(s.MeterSW = -1), E9),
  };
  const char* names[] = {"PO", "MIC", "IDD", "SWR", "COMP"};
  for (int16_t meter = 0; meter <= 4; ++meter) {
    rows.push_back(row(names[meter], SET(s.MeterSW = 9), CALL(SetMeterSW, meter),
                       "MS" + std::to_string(meter) + "; 100 RM00;",
                       CHANGEV(s.MeterSW = meter; s.MeterCaption = names[meter])));
  }
  run(rows);
}

TEST(TransmitterCommands, KeyerMessages) {
  std::vector<Row> rows = {
      row("play 1", {}, CALL(SetKeyerMessage, 0, 1, "ignored"), "KY6;"),
      row("play 5", {}, CALL(SetKeyerMessage, 0, 5, ""), "KYA;"),
      row("play 6", {}, CALL(SetKeyerMessage, 0, 6, ""), "", {}, F),
      row("parameter 2 does nothing", {}, CALL(SetKeyerMessage, 2, 1, "cq"), {}),
  };
  // Stored upper-cased, cut to forty characters, then trimmed. Characters,
  // not bytes: capitals beyond ASCII, a multi-byte character counts once and
  // the cut never splits one; a byte that is not UTF-8 is one Latin-1 character.
  const std::tuple<int16_t, std::string, std::string> texts[] = {
      {2, " cq test ", "KM2CQ TEST;"},
      {5, std::string(39, 'a') + " " + std::string(10, 'b'), "KM5" + std::string(39, 'A') + ";"},
      {1, "  " + std::string(45, 'x'), "KM1" + std::string(38, 'X') + ";"},
      {3, "   ", "KM3;"},
      {4, "cq été żółw яблоко", "KM4CQ ÉTÉ ŻÓŁW ЯБЛОКО;"},
      {4, std::string(39, 'a') + "éé", "KM4" + std::string(39, 'A') + "É;"},
      {4, std::string(38, 'a') + "€x", "KM4" + std::string(38, 'A') + "€X;"},
      {4, std::string(39, 'a') + "अआ", "KM4" + std::string(39, 'A') + "अ;"},
      {4, "\xe9t\xe9 \x80", "KM4\xc9T\xc9 \x80;"},
      {4, "straße ÿ", "KM4STRAßE Ÿ;"},
      {4, std::string(39, 'a') + "\xdf\xbf", "KM4" + std::string(39, 'A') + "\xdf\xbf;"},
      {4, "\xf0\x8f\xbf\xbf", "KM4\xd0\x8f\xbf\xbf;"},  // an overlong form is not UTF-8
      {4, "à ā ĺ ё ά έ ς", "KM4À Ā Ĺ Ё Ά Έ Σ;"},
      {4, "\xed\xa0\x80\xed\x9f\xbf", "KM4\xcd\xa0\x80\xed\x9f\xbf;"},  // a surrogate is not UTF-8
  };
  for (const auto& [message, text, sent] : texts) {
    rows.push_back(row(text, {}, CALL(SetKeyerMessage, 1, message, text), sent));
  }
  run(rows);
}

// SetData(selector, value, text): it always returns False.
Call data(int16_t l1, int16_t l2, std::string text = "") {
  return CALL(SetData, l1, l2, 1.5, text);
}

TEST(SetupCommands, Rows) {
  std::vector<Row> rows = {
    // On: the command twice, then CAT on with polling by the component.
    row("power on", {}, CALL(SetPowerON, 1), "PS1; 1000 PS1; 1500 AI0; 1600 ID;",
        CHANGE(s.PowerON = 1; s.CAT = 1; s.AIState = -1; f.refresh = f.startup = true)),
    row("power off waits and leaves CAT off", SET(s.CAT = 1; s.AIState = 1), CALL(SetPowerON, 0),
        "PS0;", CHANGE(s.PowerON = 0; s.CAT = 0; s.AIState = -1), T, 500),
    row("power 2: no repeat, no CAT", {}, CALL(SetPowerON, 2), "PS2;",
        CHANGE(s.PowerON = 2; s.CAT = 2; s.AIState = -1), T, 500),
    WITHOUT(SetPowerON, 1),
    row("lock", {}, CALL(SetLockDial, 1), "LK1;", CHANGE(s.LockDial = 1)),
    WITHOUT(SetLockDial, 1),
    row("fast", {}, CALL(SetFast, 1), "FS1;", CHANGE(s.Fast = 1; s.TuningStep = 100)),
    row("slow", SET(s.Fast = 1), CALL(SetFast, 0), "FS0;", CHANGE(s.Fast = 0; s.TuningStep = 10)),
    row("fast: a read request", SET(s.TuningStep = 10), CALL(SetFast, 2), "FS;",
        CHANGE(s.Fast = 2)),
    WITHOUT(SetFast, 1),
    row("dimmer 16", {}, CALL(SetDimLevel, 16), "", {}, F),
    WITHOUT(SetDimLevel, 0),
    // SetData 5: filter presets read in pairs, leniently: blanks skipped,
    // stopping at what cannot go on, rounded.
    row("presets", {}, data(5, 0, "0102030405060708091011"), {},
        CHANGE(s.FilterPresets = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), F),
    row("fewer presets", SET(s.FilterPresets.fill(9)), data(5, 0, "050607"), {},
        CHANGE(s.FilterPresets = {5, 6, 7}), F),
    row("one character", {}, data(5, 0, "3"), {}, CHANGE(s.FilterPresets = {3}), F),
    row("a last single character", {}, data(5, 0, "1234567"), {},
        CHANGE(s.FilterPresets = {12, 34, 56, 7}), F),
    row("lenient", {}, data(5, 0, " 58xx33x-2.72..51.  "), {},
        CHANGE(s.FilterPresets = {5, 8, 0, 3, -2, 1, 2, 0, 1}), F),
    // SetData 6: the narrow filter, and the width again.
    row("narrow on", SET(s.Mode = 1; s.WidthCode = 20), data(6, 1), "NA01;",
        CHANGE(s.Property[cap::NarrowFlag] = 1; s.BW = 1800; s.StatusChange = VTrue), F),
    row("narrow off on VFO B",
        SET(s.Mode = 2; s.WidthCode = 20; s.VFO = 1; s.Property[cap::NarrowFlag] = 1), data(6, 0),
        "NA10;", CHANGE(s.Property[cap::NarrowFlag] = 0; s.BW = 800; s.StatusChange = VTrue), F),
    row("narrow needs no entry", SET(s.Property.fill(0); s.Mode = 3), data(6, 1), "NA01;",
        CHANGE(s.Property[cap::NarrowFlag] = 1; s.BW = 6000; s.StatusChange = VTrue), F),
    row("mute", {}, data(1, 0), {}, CHANGE(f.muted = true), F),
    row("neither on nor off", SET(m.link.send_muted = VTrue), data(1, 2), {}, {}, F),
    row("unmute", SET(m.link.send_muted = VTrue), data(1, 1), {}, CHANGE(f.muted = false), F),
  };
  for (int16_t l1 : {0, 2, 3, 4, 7, -1}) {
    refuse(rows, {data(l1, 1, "0102")}, SET(s.Property.fill(0)));
  }
  const std::pair<int16_t, const char*> dims[] = {
      {9, "DA04040404;"}, {15, "DA07070707;"}, {1, "DA00000000;"}, {-3, "DA-2-2-2-2;"}};
  for (auto [level, sent] : dims) {
    rows.push_back(row(sent, SET(s.DimLevel = 5), CALL(SetDimLevel, level), sent,
                       CHANGEV(s.DimLevel = level)));
  }
  run(rows);
}

struct PowerOn : Commands {};
TEST_F(PowerOn, WaitsWithoutHandlingAnswers) {
  // An answer arriving during the waits stays unread until they are over.
  r.apt.schedule_outside(300'000, [&] { r.line().radio_sends("SM0012;"); });
  EXPECT_TRUE(p.SetPowerON(i16(1)));
  EXPECT_EQ(s.SMeter, 0);
  r.apt.process_pending();
  EXPECT_EQ(s.SMeter, 12);
}

}  // namespace
}  // namespace tovrak::test
