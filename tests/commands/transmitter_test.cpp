// Transmitter and keyer commands: PTT, power, speech, keyer, break-in,
// monitor, meter, messages and tuner.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

TEST(TransmitterCommands, Switches) {
  std::string text = "cq";
  const std::vector<Row> rows = {
      row("PTT", {}, CALL(SetPTT(i16(1))), {{0, "TX1;"}}, CHANGE(s.PTT = 1)),
      row("PTT off", SET(s.PTT = 1), CALL(SetPTT(i16(0))), {{0, "TX0;"}}, CHANGE(s.PTT = 0)),
      row("Comp", {}, CALL(SetComp(i16(1))), {{0, "PR1;"}}, CHANGE(s.Comp = 1)),
      row("Vox", {}, CALL(SetVox(i16(1))), {{0, "VX1;"}}, CHANGE(s.Vox = 1)),
      row("BK", {}, CALL(SetBK(i16(1))), {{0, "BI1;"}}, CHANGE(s.BK = 1)),
      row("TXW", {}, CALL(setTXW(i16(1))), {{0, "TS1;"}}, CHANGE(s.TXW = 1)),
      row("Spot stores nothing", {}, CALL(SetSpot(i16(1))), {{0, "CS1;"}}),
      row("StartTuner stores nothing", {}, CALL(SetStartTuner()), {{0, "AC002;"}}),
      row("MicGain reads no entry", SET(s.Property[core::cap::MicGain] = 0),
          CALL(SetMicGain(i16(7))), {{0, "MG007;"}}, CHANGE(s.MicGain = 7)),
      row("MicGain 255", {}, CALL(SetMicGain(i16(255))), {{0, "MG255;"}}, CHANGE(s.MicGain = 255)),
      row("tuner on", {}, CALL(SetTuner(i16(1))), {{0, "AC001;"}}, CHANGE(s.Tuner = 1)),
      row("tuner: only a change is written", SET(s.Tuner = 1), CALL(SetTuner(i16(1))), {}),
      row("tuner off", SET(s.Tuner = 1), CALL(SetTuner(i16(0))), {{0, "AC000;"}},
          CHANGE(s.Tuner = 0)),
      row("voice message 3", {}, CALL(SetVoiceMessage(i16(3))), {{0, "PB03;"}}),
      row("voice message 0", {}, CALL(SetVoiceMessage(i16(0))), {{0, "PB00;"}}),
      row("voice message 5", {}, CALL(SetVoiceMessage(i16(5))), {{0, "PB05;"}}),
      row("voice message 6", {}, CALL(SetVoiceMessage(i16(6))), {}, {}, F),
      row("TXEQ is never supported", {}, CALL(SetTXEQ(i16(1))), {}, {}, F),
      without(SET(s.Property[core::cap::SetPTT] = 0), CALL(SetPTT(i16(1)))),
      without(SET(s.Property[core::cap::SetRFPower] = 0), CALL(SetRFPower(i16(100)))),
      without(SET(s.Property[core::cap::SetPitch] = 0), CALL(SetPitch(i16(700)))),
      without(SET(s.Property[core::cap::SetKeyerSpeed] = 0), CALL(SetKeyerSpeed(i16(128)))),
      without(SET(s.Property[core::cap::SetComp] = 0), CALL(SetComp(i16(1)))),
      without(SET(s.Property[core::cap::SetVox] = 0), CALL(SetVox(i16(1)))),
      without(SET(s.Property[core::cap::SetBK] = 0), CALL(SetBK(i16(1)))),
      without(SET(s.Property[core::cap::SetBKIn] = 0), CALL(SetBKIn(i16(6)))),
      without(SET(s.Property[core::cap::SetMonitor] = 0), CALL(SetMonitor(i16(0), i16(1)))),
      without(SET(s.Property[core::cap::SetSpot] = 0), CALL(SetSpot(i16(1)))),
      without(SET(s.Property[core::cap::SetMeterSW] = 0), CALL(SetMeterSW(i16(3)))),
      without(SET(s.Property[core::cap::setTXW] = 0), CALL(setTXW(i16(1)))),
      without(SET(s.Property[core::cap::SetKeyerMessage] = 0),
              CALL(SetKeyerMessage(i16(0), i16(1), str("cq")))),
      without(SET(s.Property[core::cap::SetVoiceMessage] = 0), CALL(SetVoiceMessage(i16(1)))),
      without(SET(s.Property[core::cap::SetTuner] = 0), CALL(SetTuner(i16(1)))),
      without(SET(s.Property[core::cap::SetStartTuner] = 0), CALL(SetStartTuner())),
  };
  run(rows);
}

TEST(TransmitterCommands, Levels) {
  std::vector<Row> rows;
  // Watts scale to the radio's level, and polling pauses.
  const std::pair<int16_t, const char*> watts[] = {{0, "PC000;"},   {1, "PC001;"},  {5, "PC006;"},
                                                   {39, "PC049;"},  {87, "PC111;"}, {100, "PC127;"},
                                                   {200, "PC255;"}, {300, "PC382;"}};
  for (auto [w, sent] : watts) {
    rows.push_back(row(
        sent, SET(s.RFPower = 9), [w](TOVRAK_Protocol& p) -> Res { return p.SetRFPower(i16(w)); },
        {{0, sent}}, [w](core::State& s, Flags& f) { s.RFPower = w, f.pause(); }));
  }
  // The pitch in 50 Hz steps from 300 Hz.
  const std::pair<int16_t, const char*> pitches[] = {
      {300, "KP00;"}, {325, "KP00;"}, {349, "KP00;"},  {350, "KP01;"}, {500, "KP04;"},
      {700, "KP08;"}, {800, "KP10;"}, {1000, "KP14;"}, {1050, "KP15;"}};
  for (auto [hz, sent] : pitches) {
    rows.push_back(row(
        sent, {}, [hz](TOVRAK_Protocol& p) -> Res { return p.SetPitch(i16(hz)); }, {{0, sent}},
        [hz](core::State& s, Flags&) { s.Pitch = hz; }));
  }
  // The keyer speed maps to words per minute: level / 255 * 56 + 4, rounded.
  const std::pair<int16_t, const char*> speeds[] = {{2, "KS004;"},   {3, "KS005;"},
                                                    {64, "KS018;"},  {100, "KS026;"},
                                                    {200, "KS048;"}, {254, "KS060;"}};
  for (auto [level, sent] : speeds) {
    rows.push_back(row(
        sent, SET(s.KeyerSpeed = 1; s.KeyerSwitch = 1),
        [level](TOVRAK_Protocol& p) -> Res { return p.SetKeyerSpeed(i16(level)); }, {{0, sent}},
        [level, sent](core::State& s, Flags& f) {
          s.KeyerSpeed = s.KeyerLevel = level;
          s.KeyerWPM = static_cast<int16_t>(std::stoi(sent + 2));
          f.pause();
        }));
  }
  run(rows);
}

TEST(TransmitterCommands, KeyerBreakInMonitorAndMeter) {
  std::vector<Row> rows = {
    row("keyer on at full speed", {}, CALL(SetKeyerSpeed(i16(255))), {{0, "KR1;"}, {100, "KS060;"}},
        CHANGE(s.KeyerWPM = 60; s.KeyerSpeed = s.KeyerLevel = 255; s.KeyerSwitch = 1;
               s.StatusChange = VTrue; f.pause())),
    row("keyer off keeps the speed", SET(s.KeyerSpeed = s.KeyerLevel = 255; s.KeyerSwitch = 1),
        CALL(SetKeyerSpeed(i16(0))), {{0, "KR0;"}},
        CHANGE(s.KeyerSpeed = 1255; s.KeyerSwitch = 0; f.pause())),
    row("keyer on again", SET(s.KeyerSpeed = 1255; s.KeyerLevel = 255),
        CALL(SetKeyerSpeed(i16(128))), {{0, "KR1;"}, {100, "KS032;"}},
        CHANGE(s.KeyerSpeed = s.KeyerLevel = 128; s.KeyerWPM = 32; s.KeyerSwitch = 1;
               s.StatusChange = VTrue; f.pause())),
    row("speed while on", SET(s.KeyerSpeed = s.KeyerLevel = 128; s.KeyerSwitch = 1),
        CALL(SetKeyerSpeed(i16(1))), {{0, "KS004;"}},
        CHANGE(s.KeyerSpeed = s.KeyerLevel = 1; s.KeyerWPM = 4; f.pause())),
    row("break-in delay", SET(s.FullBK = 1), CALL(SetBKIn(i16(6))),
        {{0, "SD0300;"}, {100, "EX0550;"}}, CHANGE(s.FullBK = 0; s.BKIn = 6)),
    row("full break-in", SET(s.BKIn = 6), CALL(SetBKIn(i16(0))), {{0, "SD0000;"}, {100, "EX0551;"}},
        CHANGE(s.FullBK = 1; s.BKIn = 0)),
    row("break-in 20", {}, CALL(SetBKIn(i16(20))), {{0, "SD1000;"}, {100, "EX0550;"}},
        CHANGE(s.BKIn = 20)),
    row("break-in 1", {}, CALL(SetBKIn(i16(1))), {{0, "SD0050;"}, {100, "EX0550;"}},
        CHANGE(s.BKIn = 1)),
    row("break-in 21", {}, CALL(SetBKIn(i16(21))), {}, {}, F),
    row("monitor switch", {}, CALL(SetMonitor(i16(0), i16(1))), {{0, "ML0001;"}},
        CHANGE(s.Monitor = 1)),
    row("monitor level", {}, CALL(SetMonitor(i16(1), i16(50))), {{0, "ML1050;"}},
        CHANGE(s.MonitorLevel = 50)),
    row("monitor level 255", {}, CALL(SetMonitor(i16(1), i16(255))), {{0, "ML1255;"}},
        CHANGE(s.MonitorLevel = 255)),
    row("monitor read request", {}, CALL(SetMonitor(i16(2), i16(5))), {{0, "ML;"}}),
    row("a meter without a name", SET(s.MeterCaption = "SWR"), CALL(SetMeterSW(i16(14))),
        {{0, "MS14;"}, {100, "RM00;"}}, CHANGE(s.MeterSW = 14; s.MeterCaption = "")),
    row("beyond the names: fails after selecting", SET(s.MeterCaption = "SWR"),
        CALL(SetMeterSW(i16(15))), {{0, "MS15;"}}, CHANGE(s.MeterSW = 15), E9),
    row("meter -1", {}, CALL(SetMeterSW(i16(-1))), {{0, "MS-1;"}}, CHANGE(s.MeterSW = -1), E9),
  };
  const char* names[] = {"PO", "MIC", "IDD", "SWR", "COMP"};
  for (int16_t meter = 0; meter <= 4; ++meter) {
    rows.push_back(row(
        names[meter], SET(s.MeterSW = 9),
        [meter](TOVRAK_Protocol& p) -> Res { return p.SetMeterSW(i16(meter)); },
        {{0, "MS" + std::to_string(meter) + ";"}, {100, "RM00;"}},
        [meter, &names](core::State& s, Flags&) {
          s.MeterSW = meter;
          s.MeterCaption = names[meter];
        }));
  }
  run(rows);
}

// SetKeyerMessage with `text`, checking that the caller's text is left alone.
Call keyer(int16_t param, int16_t message, std::string text) {
  return [=](TOVRAK_Protocol& p) -> Res {
    std::string t = text;
    Res r = p.SetKeyerMessage(i16(param), i16(message), t);
    EXPECT_EQ(t, text);
    return r;
  };
}

TEST(TransmitterCommands, KeyerMessages) {
  std::vector<Row> rows = {
      row("play 1", {}, keyer(0, 1, "ignored"), {{0, "KY6;"}}),
      row("play 4", {}, keyer(0, 4, ""), {{0, "KY9;"}}),
      row("play 5", {}, keyer(0, 5, ""), {{0, "KYA;"}}),
      row("play 0", {}, keyer(0, 0, ""), {{0, "KY5;"}}),
      row("play 6", {}, keyer(0, 6, ""), {}, {}, F),
      row("parameter 2 does nothing", {}, keyer(2, 1, "cq"), {}),
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
      {4, "\xe9t\xe9 \x80", "KM4\xc9T\xc9 \x80;"},
      {4, "straße ÿ", "KM4STRAßE Ÿ;"},
      {4, std::string(39, 'a') + "\xdf\xbf", "KM4" + std::string(39, 'A') + "\xdf\xbf;"},
      {4, "\xf0\x8f\xbf\xbf", "KM4\xd0\x8f\xbf\xbf;"},  // an overlong form is not UTF-8
      {4, "à ā ĺ ё ά έ ς", "KM4À Ā Ĺ Ё Ά Έ Σ;"},
      {4, "\xed\xa0\x80\xed\x9f\xbf", "KM4\xcd\xa0\x80\xed\x9f\xbf;"},  // a surrogate is not UTF-8
  };
  for (const auto& [message, text, sent] : texts) {
    rows.push_back(row(text, {}, keyer(1, message, text), {{0, sent}}));
  }
  run(rows);
}

}  // namespace
}  // namespace tovrak::test
