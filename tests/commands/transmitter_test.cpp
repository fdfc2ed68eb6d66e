// Transmitter and keyer commands: PTT, power, speech, keyer, break-in,
// monitor, meter, messages and tuner.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

struct TransmitterCommands : Commands {
  void unpause() {
    m.polling.poll_paused = VFalse;
    m.port_and_timers().tmrStopPolling->set_enabled(false);
  }
};

TEST_F(TransmitterCommands, PlainMembersWriteTheirCommandAndStoreTheValue) {
  EXPECT_TRUE(p.SetPTT(i16(1)));
  EXPECT_EQ(s.PTT, 1);
  EXPECT_TRUE(p.SetPTT(i16(0)));
  EXPECT_EQ(s.PTT, 0);
  EXPECT_TRUE(p.SetComp(i16(1)));
  EXPECT_EQ(s.Comp, 1);
  EXPECT_TRUE(p.SetVox(i16(1)));
  EXPECT_EQ(s.Vox, 1);
  EXPECT_TRUE(p.SetBK(i16(1)));
  EXPECT_EQ(s.BK, 1);
  EXPECT_TRUE(p.setTXW(i16(1)));
  EXPECT_EQ(s.TXW, 1);
  const std::string before = picture(r);
  EXPECT_TRUE(p.SetSpot(i16(1)));  // stores nothing
  EXPECT_TRUE(p.SetStartTuner());  // nor does this
  const std::string after = picture(r);
  EXPECT_EQ(after.substr(0, after.find("muted=")), before.substr(0, before.find("muted=")));
  EXPECT_TRUE(wire_is(Wire{{0, "TX1;"},
                           {100, "TX0;"},
                           {200, "PR1;"},
                           {300, "VX1;"},
                           {400, "BI1;"},
                           {500, "TS1;"},
                           {600, "CS1;"},
                           {700, "AC002;"}}));
  EXPECT_FALSE(paused());
}

TEST_F(TransmitterCommands, WithoutTheFunctionNothingHappens) {
  struct Off {
    int entry;
    std::function<VBool(TOVRAK_Protocol&)> call;
  };
  std::string text = "cq";
  const std::vector<Off> cases = {
      {core::cap::SetPTT, [](auto& p) { return p.SetPTT(i16(1)); }},
      {core::cap::SetRFPower, [](auto& p) { return p.SetRFPower(i16(100)); }},
      {core::cap::SetPitch, [](auto& p) { return p.SetPitch(i16(700)); }},
      {core::cap::SetKeyerSpeed, [](auto& p) { return p.SetKeyerSpeed(i16(128)); }},
      {core::cap::SetComp, [](auto& p) { return p.SetComp(i16(1)); }},
      {core::cap::SetVox, [](auto& p) { return p.SetVox(i16(1)); }},
      {core::cap::SetBK, [](auto& p) { return p.SetBK(i16(1)); }},
      {core::cap::SetBKIn, [](auto& p) { return p.SetBKIn(i16(6)); }},
      {core::cap::SetMonitor, [](auto& p) { return p.SetMonitor(i16(0), i16(1)); }},
      {core::cap::SetSpot, [](auto& p) { return p.SetSpot(i16(1)); }},
      {core::cap::SetMeterSW, [](auto& p) { return p.SetMeterSW(i16(3)); }},
      {core::cap::setTXW, [](auto& p) { return p.setTXW(i16(1)); }},
      {core::cap::SetKeyerMessage,
       [&](auto& p) { return p.SetKeyerMessage(i16(0), i16(1), text); }},
      {core::cap::SetVoiceMessage, [](auto& p) { return p.SetVoiceMessage(i16(1)); }},
      {core::cap::SetTuner, [](auto& p) { return p.SetTuner(i16(1)); }},
      {core::cap::SetStartTuner, [](auto& p) { return p.SetStartTuner(); }},
  };
  for (const auto& c : cases) {
    const int16_t entry = s.Property[static_cast<size_t>(c.entry)];
    s.Property[static_cast<size_t>(c.entry)] = 0;
    EXPECT_REFUSED(c.call(p));
    s.Property[static_cast<size_t>(c.entry)] = entry;
  }
  EXPECT_REFUSED(p.SetTXEQ(i16(1)));  // never supported
}

TEST_F(TransmitterCommands, SetMicGainReadsNoEntry) {
  s.Property[core::cap::MicGain] = 0;
  EXPECT_TRUE(p.SetMicGain(i16(7)));
  EXPECT_EQ(r.sent(), (Texts{"MG007;"}));
  EXPECT_EQ(s.MicGain, 7);
  EXPECT_TRUE(p.SetMicGain(i16(255)));
  EXPECT_EQ(r.sent(), (Texts{"MG255;"}));
  EXPECT_EQ(s.MicGain, 255);
}

TEST_F(TransmitterCommands, SetTunerWritesOnlyAChange) {
  EXPECT_TRUE(p.SetTuner(i16(1)));
  EXPECT_TRUE(p.SetTuner(i16(1)));
  EXPECT_EQ(r.sent(), (Texts{"AC001;"}));
  EXPECT_EQ(s.Tuner, 1);
  EXPECT_TRUE(p.SetTuner(i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"AC000;"}));
  EXPECT_EQ(s.Tuner, 0);
}

TEST_F(TransmitterCommands, SetVoiceMessageNumbers) {
  EXPECT_TRUE(p.SetVoiceMessage(i16(3)));
  EXPECT_TRUE(p.SetVoiceMessage(i16(0)));
  EXPECT_TRUE(p.SetVoiceMessage(i16(5)));
  EXPECT_EQ(r.sent(), (Texts{"PB03;", "PB00;", "PB05;"}));
  EXPECT_REFUSED(p.SetVoiceMessage(i16(6)));
}

// ---- SetRFPower

TEST_F(TransmitterCommands, SetRFPowerScalesWattsToTheRadiosLevel) {
  struct Case {
    int16_t watts;
    const char* sent;
  };
  const Case cases[] = {{0, "PC000;"},  {1, "PC001;"},   {5, "PC006;"},   {39, "PC049;"},
                        {87, "PC111;"}, {100, "PC127;"}, {200, "PC255;"}, {300, "PC382;"}};
  for (const auto& c : cases) {
    unpause();
    EXPECT_TRUE(p.SetRFPower(i16(c.watts)));
    EXPECT_EQ(r.sent(), (Texts{c.sent})) << c.watts;
    EXPECT_EQ(s.RFPower, c.watts);
    EXPECT_TRUE(paused());
  }
}

// ---- SetPitch

TEST_F(TransmitterCommands, SetPitchToFiftyHertzSteps) {
  struct Case {
    int16_t hz;
    const char* sent;
  };
  const Case cases[] = {{300, "KP00;"}, {325, "KP00;"},  {349, "KP00;"},
                        {350, "KP01;"}, {500, "KP04;"},  {700, "KP08;"},
                        {800, "KP10;"}, {1000, "KP14;"}, {1050, "KP15;"}};
  for (const auto& c : cases) {
    EXPECT_TRUE(p.SetPitch(i16(c.hz)));
    EXPECT_EQ(r.sent(), (Texts{c.sent})) << c.hz;
    EXPECT_EQ(s.Pitch, c.hz);
  }
  EXPECT_FALSE(paused());
}

// ---- SetKeyerSpeed

TEST_F(TransmitterCommands, SetKeyerSpeedSwitchesTheKeyerAndMapsToWordsPerMinute) {
  EXPECT_TRUE(p.SetKeyerSpeed(i16(255)));
  EXPECT_TRUE(wire_is(Wire{{0, "KR1;"}, {100, "KS060;"}}));
  EXPECT_EQ(s.KeyerWPM, 60);
  EXPECT_EQ(s.KeyerSpeed, 255);
  EXPECT_EQ(s.StatusChange, VTrue);
  EXPECT_TRUE(paused());

  EXPECT_TRUE(p.SetKeyerSpeed(i16(0)));
  EXPECT_TRUE(wire_is(Wire{{200, "KR0;"}}));
  EXPECT_EQ(s.KeyerSpeed, 1255);
  EXPECT_EQ(s.KeyerWPM, 60);

  s.StatusChange = VFalse;
  EXPECT_TRUE(p.SetKeyerSpeed(i16(128)));
  EXPECT_TRUE(wire_is(Wire{{300, "KR1;"}, {400, "KS032;"}}));
  EXPECT_EQ(s.KeyerSpeed, 128);
  EXPECT_EQ(s.KeyerWPM, 32);
  EXPECT_EQ(s.StatusChange, VTrue);

  s.StatusChange = VFalse;
  EXPECT_TRUE(p.SetKeyerSpeed(i16(1)));
  EXPECT_TRUE(wire_is(Wire{{500, "KS004;"}}));
  EXPECT_EQ(s.KeyerSpeed, 1);
  EXPECT_EQ(s.KeyerWPM, 4);
  EXPECT_EQ(s.StatusChange, VFalse);
}

TEST_F(TransmitterCommands, SetKeyerSpeedScale) {
  struct Case {
    int16_t level, wpm;
  };
  // level / 255 * 56 + 4, to the nearest whole word per minute
  const Case cases[] = {{2, 4}, {3, 5}, {64, 18}, {100, 26}, {200, 48}, {254, 60}};
  s.KeyerSpeed = 1;  // on: no switching
  for (const auto& c : cases) {
    EXPECT_TRUE(p.SetKeyerSpeed(i16(c.level)));
    EXPECT_EQ(r.sent(),
              (Texts{"KS0" + std::to_string(c.wpm / 10) + std::to_string(c.wpm % 10) + ";"}))
        << c.level;
    EXPECT_EQ(s.KeyerWPM, c.wpm);
  }
}

// ---- SetBKIn

TEST_F(TransmitterCommands, SetBKInDelayOrFullBreakIn) {
  EXPECT_TRUE(p.SetBKIn(i16(6)));
  EXPECT_TRUE(wire_is(Wire{{0, "SD0300;"}, {100, "EX0550;"}}));
  EXPECT_EQ(s.FullBK, 0);
  EXPECT_EQ(s.BKIn, 6);
  EXPECT_TRUE(p.SetBKIn(i16(0)));
  EXPECT_TRUE(wire_is(Wire{{200, "SD0000;"}, {300, "EX0551;"}}));
  EXPECT_EQ(s.FullBK, 1);
  EXPECT_EQ(s.BKIn, 0);
  EXPECT_TRUE(p.SetBKIn(i16(20)));
  EXPECT_EQ(r.sent(), (Texts{"SD1000;", "EX0550;"}));
  EXPECT_EQ(s.FullBK, 0);
  EXPECT_TRUE(p.SetBKIn(i16(1)));
  EXPECT_EQ(r.sent(), (Texts{"SD0050;", "EX0550;"}));
  EXPECT_FALSE(paused());
  EXPECT_REFUSED(p.SetBKIn(i16(21)));
}

// ---- SetMonitor

TEST_F(TransmitterCommands, SetMonitorSwitchLevelOrReadRequest) {
  EXPECT_TRUE(p.SetMonitor(i16(0), i16(1)));
  EXPECT_EQ(r.sent(), (Texts{"ML0001;"}));
  EXPECT_EQ(s.Monitor, 1);
  EXPECT_TRUE(p.SetMonitor(i16(1), i16(50)));
  EXPECT_EQ(r.sent(), (Texts{"ML1050;"}));
  EXPECT_EQ(s.MonitorLevel, 50);
  EXPECT_EQ(s.Monitor, 1);
  EXPECT_TRUE(p.SetMonitor(i16(1), i16(255)));
  EXPECT_EQ(r.sent(), (Texts{"ML1255;"}));

  const std::string before = picture(r);
  EXPECT_TRUE(p.SetMonitor(i16(2), i16(5)));
  EXPECT_EQ(r.sent(), (Texts{"ML;"}));
  const std::string after = picture(r);
  EXPECT_EQ(after.substr(0, after.find("muted=")), before.substr(0, before.find("muted=")));
}

// ---- SetMeterSW

TEST_F(TransmitterCommands, SetMeterSWSelectsThenReads) {
  EXPECT_TRUE(p.SetMeterSW(i16(3)));
  EXPECT_TRUE(wire_is(Wire{{0, "MS3;"}, {100, "RM00;"}}));
  EXPECT_EQ(s.MeterSW, 3);
  EXPECT_EQ(s.MeterCaption, "SWR");
  const char* names[] = {"PO", "MIC", "IDD", "SWR", "COMP"};
  for (int16_t ms = 0; ms <= 4; ++ms) {
    EXPECT_TRUE(p.SetMeterSW(i16(ms)));
    EXPECT_EQ(s.MeterCaption, names[ms]);
  }
  r.wire();
  EXPECT_TRUE(p.SetMeterSW(i16(14)));  // a meter without a name
  EXPECT_EQ(r.sent(), (Texts{"MS14;", "RM00;"}));
  EXPECT_EQ(s.MeterCaption, "");
}

TEST_F(TransmitterCommands, SetMeterSWBeyondTheNamesFailsAfterSelecting) {
  s.MeterCaption = "SWR";
  EXPECT_EQ(error_number([&] { p.SetMeterSW(i16(15)); }), 9);
  EXPECT_EQ(r.sent(), (Texts{"MS15;"}));  // no read
  EXPECT_EQ(s.MeterSW, 15);
  EXPECT_EQ(s.MeterCaption, "SWR");
  EXPECT_EQ(error_number([&] { p.SetMeterSW(i16(-1)); }), 9);
  EXPECT_EQ(r.sent(), (Texts{"MS-1;"}));
  EXPECT_EQ(s.MeterSW, -1);
}

// ---- SetKeyerMessage

TEST_F(TransmitterCommands, SetKeyerMessagePlays) {
  std::string mess = "ignored";
  for (auto [msg, sent] : std::vector<std::pair<int16_t, const char*>>{
           {1, "KY6;"}, {4, "KY9;"}, {5, "KYA;"}, {0, "KY5;"}}) {
    EXPECT_TRUE(p.SetKeyerMessage(i16(0), i16(msg), mess));
    EXPECT_EQ(r.sent(), (Texts{sent})) << msg;
  }
  EXPECT_EQ(mess, "ignored");
  EXPECT_REFUSED(p.SetKeyerMessage(i16(0), i16(6), mess));
}

TEST_F(TransmitterCommands, SetKeyerMessageStoresUpperCaseTrimmedText) {
  std::string mess = " cq test ";
  EXPECT_TRUE(p.SetKeyerMessage(i16(1), i16(2), mess));
  EXPECT_EQ(r.sent(), (Texts{"KM2CQ TEST;"}));
  EXPECT_EQ(mess, " cq test ");  // the caller's text is left alone

  // Cut to forty characters first, then trimmed: the blank at 40 goes too.
  std::string long_text = std::string(39, 'a') + " " + std::string(10, 'b');
  ASSERT_EQ(long_text.size(), 50u);
  EXPECT_TRUE(p.SetKeyerMessage(i16(1), i16(5), long_text));
  EXPECT_EQ(r.sent(), (Texts{"KM5" + std::string(39, 'A') + ";"}));

  std::string full = "  " + std::string(45, 'x');
  EXPECT_TRUE(p.SetKeyerMessage(i16(1), i16(1), full));
  EXPECT_EQ(r.sent(), (Texts{"KM1" + std::string(38, 'X') + ";"}));

  std::string blanks = "   ";
  EXPECT_TRUE(p.SetKeyerMessage(i16(1), i16(3), blanks));
  EXPECT_EQ(r.sent(), (Texts{"KM3;"}));

  // Characters, not bytes: capitals beyond ASCII, a multi-byte character
  // counts once, and the cut never splits one; a byte that is not UTF-8 is
  // one Latin-1 character.
  struct Row {
    std::string in, out;
  } rows[] = {
      {"cq été żółw яблоко", "CQ ÉTÉ ŻÓŁW ЯБЛОКО"},
      {std::string(39, 'a') + "éé", std::string(39, 'A') + "É"},
      {std::string(38, 'a') + "€x", std::string(38, 'A') + "€X"},
      {"\xe9t\xe9 \x80", "\xc9T\xc9 \x80"},
      {"straße ÿ", "STRAßE Ÿ"},
  };
  for (const Row& row : rows) {
    std::string text = row.in;
    EXPECT_TRUE(p.SetKeyerMessage(i16(1), i16(4), text));
    EXPECT_EQ(r.sent(), (Texts{"KM4" + row.out + ";"})) << row.in;
  }

  const std::string before = picture(r);
  EXPECT_TRUE(p.SetKeyerMessage(i16(2), i16(1), mess));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(picture(r), before);
}

}  // namespace
}  // namespace tovrak::test
