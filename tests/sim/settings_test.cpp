// Settings the component writes change what later queries return; text the
// radio does not take is answered "?;" and changes nothing.
#include <gtest/gtest.h>

#include "sim/sim_support.hpp"

namespace tovrak::sim::test {
namespace {

class SimSettings : public ::testing::TestWithParam<int> {
 protected:
  SimSettings() : b(SimOptions{.id = GetParam()}) {}
  int id() const { return GetParam(); }
  int w() const { return freq_width(id()); }
  std::string fa(int64_t hz) { return "FA" + freq_digits(id(), hz); }
  std::string fb(int64_t hz) { return "FB" + freq_digits(id(), hz); }
  Bench b;
};

INSTANTIATE_TEST_SUITE_P(BothForms, SimSettings, ::testing::Values(570, 460),
                         [](const auto& info) { return "Id" + std::to_string(info.param); });

TEST_P(SimSettings, TuningInEitherDigitFormMovesTheVfo) {
  b.send({fa(21'074'000), fb(3'573'000)});
  EXPECT_EQ(b.ask("FA"), fa(21'074'000));
  EXPECT_EQ(b.ask("FB"), fb(3'573'000));
  // Until the component knows the radio it writes 8 digits; they are hertz too.
  b.send({"FA14250010"});
  EXPECT_EQ(b.radio.state().vfo[0].hz, 14'250'010);
  b.send({"FB018100000"});
  EXPECT_EQ(b.radio.state().vfo[1].hz, 18'100'000);
  EXPECT_EQ(at(b.ask("IF"), 6, w()), 14'250'010);
}

TEST_P(SimSettings, ModeDigitsSetTheModeOfEachVfo) {
  for (char c : std::string("1234567889C")) {
    SCOPED_TRACE(c);
    b.send({std::string("MD0") + c, "MD1" + std::string(1, c == '1' ? '2' : '1')});
    EXPECT_EQ(b.ask("MD0"), std::string("MD0") + c);
    EXPECT_EQ(ch(b.ask("IF"), id() == 570 ? 22 : 21), std::string(1, c));
    EXPECT_EQ(ch(b.ask("OI"), 21), c == '1' ? "2" : "1");
  }
}

TEST_P(SimSettings, ReceiveAndTransmitVfoMakeTheSplit) {
  b.send({fa(7'010'000), fb(7'020'000), "VS0", "FT3"});
  EXPECT_TRUE(b.radio.state().split());
  EXPECT_EQ(at(b.ask("FT"), 3, 1), 1);
  b.send({"FT2"});
  EXPECT_FALSE(b.radio.state().split());
  EXPECT_EQ(at(b.ask("FT"), 3, 1), 0);
  // Receiving on B while A transmits is split too; "IF" tells what is heard.
  b.send({"VS1"});
  EXPECT_TRUE(b.radio.state().split());
  EXPECT_EQ(at(b.ask("VS"), 3, 1), 1);
  EXPECT_EQ(at(b.ask("IF"), 6, w()), 7'020'000);
  EXPECT_EQ(at(b.ask("OI"), 6, w()), 7'010'000);
  b.send({"VS0"});
  EXPECT_EQ(at(b.ask("IF"), 6, w()), 7'010'000);
}

TEST_P(SimSettings, CopyAndExchangeVfos) {
  b.send({fa(14'000'000), "MD02", fb(7'000'000), "MD11", "SV"});
  EXPECT_EQ(b.ask("FA"), fa(7'000'000));
  EXPECT_EQ(b.ask("MD0"), "MD01");
  b.send({"AB"});
  EXPECT_EQ(b.ask("FB"), fb(7'000'000));
  b.send({fb(10'100'000), "BA"});
  EXPECT_EQ(b.radio.state().vfo[0].hz, 10'100'000);
}

TEST_P(SimSettings, BandSelectKeepsTheLastFrequencyOfEachBand) {
  b.send({fa(7'123'000), "BS05"});
  EXPECT_EQ(b.radio.state().vfo[0].hz, 14'200'000);
  b.send({fa(14'070'000), "BS03"});
  EXPECT_EQ(b.radio.state().vfo[0].hz, 7'123'000);
  b.send({"BS05"});
  EXPECT_EQ(b.radio.state().vfo[0].hz, 14'070'000);
}

TEST_P(SimSettings, MemoriesAreWrittenRecalledAndLeft) {
  // The memory write of the component: channel, frequency, clarifier, mode,
  // tone mode, tone number and shift.
  b.send({"MW012" + freq_digits(id(), 14'250'000) + "+000000200000",
          "MW013" + freq_digits(id(), 29'620'000) + "+000000402082"});
  const Memory& m = b.radio.state().memories[13];
  EXPECT_TRUE(m.used);
  EXPECT_EQ(m.hz, 29'620'000);
  EXPECT_EQ(m.mode, '4');
  EXPECT_EQ(m.tone_mode, 2);
  EXPECT_EQ(m.tone, 8);
  EXPECT_EQ(m.shift, 2);
  EXPECT_FALSE(b.radio.state().memory_mode);  // a write does not recall

  b.send({"VS1", "MC012"});
  EXPECT_TRUE(b.radio.state().memory_mode);
  EXPECT_EQ(b.radio.state().rx_vfo, 0);  // memories are worked on the main receiver
  std::string info = b.ask("IF");
  EXPECT_EQ(at(info, 4, 2), 12);
  EXPECT_EQ(at(info, 6, w()), 14'250'000);
  EXPECT_EQ(ch(info, id() == 570 ? 22 : 21), "2");
  EXPECT_EQ(b.ask("MC"), "MC012");

  b.send({"MC013"});
  info = b.ask("IF");
  EXPECT_EQ(at(info, id() == 570 ? 24 : 23, 1), 2);  // tone mode
  EXPECT_EQ(at(info, id() == 570 ? 25 : 24, 2), 8);  // tone number
  EXPECT_EQ(b.ask("MD0"), "MD04");                   // the channel's mode

  b.send({"VM"});
  EXPECT_FALSE(b.radio.state().memory_mode);
  EXPECT_EQ(b.ask("MC000"), "?");  // no channel 0
  EXPECT_EQ(b.ask("MC050"), "?");  // an empty channel
  EXPECT_FALSE(b.radio.state().memory_mode);
}

TEST_P(SimSettings, RitMovesByStepsFromZero) {
  b.send({"RT1", "RC", "RU1500", "RD0500"});
  EXPECT_TRUE(b.radio.state().rit);
  EXPECT_EQ(b.radio.state().rit_hz, 1000);
  std::string info = b.ask("IF");
  EXPECT_EQ(at(info, 6 + w(), 5), 1000);
  EXPECT_EQ(at(info, 11 + w(), 1), 1);
  b.send({"RD9999", "RD9999"});
  EXPECT_EQ(b.radio.state().rit_hz, -9999);
  b.send({"RC"});
  EXPECT_EQ(b.radio.state().rit_hz, 0);
}

TEST_P(SimSettings, TransmitterKeyerAndSetupSettings) {
  b.send({"PC255", "KS060", "KR1", "KP15", "SD0000", "EX0551", "BI1", "MG100", "MS4", "ML0001",
          "ML1200", "TS1", "FS1", "LK1", "DA03040506", "KM2CQ TEST", "PB03"});
  EXPECT_EQ(b.take(), "");
  const RadioState& s = b.radio.state();
  EXPECT_EQ(s.power_level, 255);
  EXPECT_EQ(s.keyer_wpm, 60);
  EXPECT_EQ(s.pitch_step, 15);
  EXPECT_EQ(s.break_in_delay_ms, 0);
  EXPECT_EQ(s.menu.at(55), 1);
  EXPECT_TRUE(s.break_in && s.monitor && s.tx_watch && s.fast && s.lock);
  EXPECT_EQ(s.mic_gain, 100);
  EXPECT_EQ(s.meter, 4);
  EXPECT_EQ(s.monitor_level, 200);
  EXPECT_EQ(s.keyer_messages[2], "CQ TEST");
  EXPECT_EQ(s.voice_playing, 3);
  EXPECT_EQ(b.ask("DA"), "DA03040506");
}

TEST_P(SimSettings, TheTunerTunesForAWhileThenIsOn) {
  b.send({"AC002"});
  EXPECT_EQ(b.ask("AC"), "AC002");
  b.wait_ms(2000);
  EXPECT_EQ(b.ask("AC"), "AC001");
  b.send({"AC000"});
  EXPECT_EQ(b.radio.state().tuner, 0);
}

TEST_P(SimSettings, WhatTheRadioDoesNotTakeIsAnsweredWithAQuestionMark) {
  b.send({fa(7'100'000), "AG0100"});
  const std::vector<std::string> refused = {
      "XX",           "ag0",      "A",      "AG2",   "AG0256", "AG01",  "FA12",     "FA0000",
      fa(61'000'000), "MD0Z",     "MD2",    "SH032", "BS12",   "EX999", "EX086+50", "EX08605",
      "IS01500",      "IS0+1300", "KS003",  "KP16",  "NA12",   "FT4",   "RM07",     "AN06",
      "BP02",         "BP01401",  "CO0141", "MW012", "IF0"};
  for (const auto& bad : refused) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(b.ask(bad), "?");
  }
  EXPECT_EQ(b.radio.state().vfo[0].hz, 7'100'000);
  EXPECT_EQ(b.radio.state().rx[0].af, 100);
  EXPECT_EQ(b.radio.stats().unknown, static_cast<int64_t>(refused.size()));
}

TEST_P(SimSettings, CommandsAreCutAtTheTerminatorAcrossWrites) {
  b.radio.receive("F", 0);
  EXPECT_EQ(b.take(), "");
  b.radio.receive("A;FB", 0);
  std::string first = b.take();
  EXPECT_EQ(first, fa(14'200'000) + ";");
  b.radio.receive(";\r\nID;;", 0);  // line ends before a code are skipped, empty text too
  std::string both = b.take();
  EXPECT_EQ(both, fb(7'050'000) + ";ID" + (id() == 570 ? "0570" : "0460") + ";");
}

}  // namespace
}  // namespace tovrak::sim::test
