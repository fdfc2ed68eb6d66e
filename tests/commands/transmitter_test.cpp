// Transmitter and keyer commands: PTT, power, speech, keyer, break-in,
// monitor, meter, messages and tuner.
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
  const std::pair<int16_t, const char*> watts[] = {{0, "PC000;"},   {1, "PC001;"},  {5, "PC006;"},
                                                   {39, "PC049;"},  {87, "PC111;"}, {100, "PC127;"},
                                                   {200, "PC255;"}, {300, "PC382;"}};
  for (auto [w, sent] : watts) {
    rows.push_back(row(sent, SET(s.RFPower = 9), CALL(SetRFPower, w), sent,
                       CHANGEV(s.RFPower = w, f.pause())));
  }
  // The pitch in 50 Hz steps from 300 Hz.
  const std::pair<int16_t, const char*> pitches[] = {
      {300, "KP00;"}, {325, "KP00;"}, {349, "KP00;"},  {350, "KP01;"}, {500, "KP04;"},
      {700, "KP08;"}, {800, "KP10;"}, {1000, "KP14;"}, {1050, "KP15;"}};
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

}  // namespace
}  // namespace tovrak::test
