// Tuning and the two VFOs: what goes on the wire, when, and the state after.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

struct VfoCommands : Commands {
  void SetUp() override {
    Commands::SetUp();
    s.VFOA_Freq = 7.05;
    s.VFOA_Mode = 0;
    s.VFOB_Freq = 21.2;
    s.VFOB_Mode = 1;
    s.Freq = 7.05;
    s.Mode = 0;
  }
};

// ---- SetFreq

TEST_F(VfoCommands, SetFreqChangesBandFirstAndWaitsBeforeTuning) {
  s.TransceiverID = 570;
  EXPECT_TRUE(p.SetFreq(14.2));
  EXPECT_TRUE(wire_is(Wire{{0, "BS05;"}, {200, "FA014200000;"}}));
  EXPECT_EQ(s.Band, 5);
  EXPECT_EQ(s.Freq, 14.2);
  EXPECT_EQ(s.VFOA_Freq, 14.2);
  EXPECT_EQ(s.VFOB_Freq, 21.2);
  EXPECT_EQ(now_ms(), 200);
}

TEST_F(VfoCommands, SetFreqInsideTheBandTunesAtOnce) {
  EXPECT_TRUE(p.SetFreq(7.06));
  EXPECT_TRUE(wire_is(Wire{{0, "FA07060000;"}}));
  EXPECT_EQ(s.VFOA_Freq, 7.06);
  EXPECT_EQ(s.Band, 0);  // no band command
  // The next tuning within the band keeps the command spacing.
  EXPECT_TRUE(p.SetFreq(7.07));
  EXPECT_TRUE(wire_is(Wire{{100, "FA07070000;"}}));
}

TEST_F(VfoCommands, SetFreqOutsideEveryBandSelectsBandEleven) {
  s.VFOA_Freq = 14.2;
  EXPECT_TRUE(p.SetFreq(11.0));
  EXPECT_TRUE(wire_is(Wire{{0, "BS11;"}, {200, "FA11000000;"}}));
  EXPECT_EQ(s.Band, 11);
}

TEST_F(VfoCommands, SetFreqWithoutBandSelectionTunesAlone) {
  s.Property[core::cap::SetBand] = 0;
  EXPECT_TRUE(p.SetFreq(14.2));
  EXPECT_TRUE(wire_is(Wire{{0, "FA14200000;"}}));
  EXPECT_EQ(s.Band, 0);
  EXPECT_EQ(s.VFOA_Freq, 14.2);
}

TEST_F(VfoCommands, SetFreqOnVfoBNeverChangesBand) {
  s.VFO = 1;
  EXPECT_TRUE(p.SetFreq(14.2));
  EXPECT_TRUE(wire_is(Wire{{0, "FB14200000;"}}));
  EXPECT_EQ(s.Freq, 14.2);
  EXPECT_EQ(s.VFOB_Freq, 14.2);
  EXPECT_EQ(s.VFOA_Freq, 7.05);
  EXPECT_EQ(s.Band, 0);
}

TEST_F(VfoCommands, SetFreqRefusals) {
  EXPECT_REFUSED(p.SetFreq(61.0));
  EXPECT_REFUSED(p.SetFreq(0.0));
  EXPECT_REFUSED(p.SetFreq(0.0299));
  EXPECT_REFUSED(p.SetFreq(-14.2));
  s.MemMode = 1;
  EXPECT_REFUSED(p.SetFreq(14.2));
  s.MemMode = 0;
  s.VFO = 2;  // the sub receiver has no tuning command
  EXPECT_REFUSED(p.SetFreq(14.2));
  s.VFO = 0;
  s.Property[core::cap::SetFreq] = 0;
  EXPECT_REFUSED(p.SetFreq(14.2));
}

// ---- SetVFO

TEST_F(VfoCommands, SetVFOInMemoryModeOnlyLeavesIt) {
  s.MemMode = 1;
  m.polling.vfo_poll_index = 9;
  EXPECT_TRUE(p.SetVFO(i16(1)));
  EXPECT_TRUE(wire_is(Wire{{0, "VM;"}}));
  EXPECT_EQ(s.MemMode, 0);
  EXPECT_EQ(s.VFO, 0);  // VFO A, whatever was asked
  EXPECT_EQ(s.Freq, 7.05);
  EXPECT_EQ(now_ms(), 0);  // no wait
  EXPECT_EQ(m.polling.vfo_poll_index, 9);
  EXPECT_FALSE(m.port_and_timers().tmrPollVFO->enabled());
}

TEST_F(VfoCommands, SetVFOSelectsAndRestartsTheVfoSequence) {
  m.polling.vfo_poll_index = 9;
  EXPECT_TRUE(p.SetVFO(i16(1)));
  EXPECT_TRUE(wire_is(Wire{{0, "VS1;"}}));
  EXPECT_EQ(s.VFO, 1);
  EXPECT_EQ(s.Freq, 21.2);
  EXPECT_EQ(s.Mode, 1);
  EXPECT_EQ(s.Split, 1);  // B receives, A transmits
  EXPECT_EQ(now_ms(), 200);
  EXPECT_EQ(m.polling.vfo_poll_index, 0);
  EXPECT_TRUE(m.port_and_timers().tmrPollVFO->enabled());
  // The sequence starts from its first step at the next tick.
  r.apt.advance_ms(250);
  EXPECT_TRUE(wire_is(Wire{{400, "FT;"}}));

  s.TX_VFO = 0;
  EXPECT_TRUE(p.SetVFO(i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"VS0;"}));
  EXPECT_EQ(s.Freq, 7.05);
  EXPECT_EQ(s.Mode, 0);
  EXPECT_EQ(s.Split, 0);
}

TEST_F(VfoCommands, SetVFOToTheSubReceiverSendsNothingButStillRestarts) {
  s.TX_VFO = 1;
  m.polling.vfo_poll_index = 4;
  EXPECT_TRUE(p.SetVFO(i16(2)));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(s.VFO, 2);
  EXPECT_EQ(s.Freq, 7.05);
  EXPECT_EQ(s.Mode, 0);
  EXPECT_EQ(s.Split, 1);  // |2 - 1|
  EXPECT_EQ(now_ms(), 200);
  EXPECT_EQ(m.polling.vfo_poll_index, 0);
  EXPECT_TRUE(m.port_and_timers().tmrPollVFO->enabled());
}

// ---- SetSplit

TEST_F(VfoCommands, SetSplitSendsOnlyTheChange) {
  struct Case {
    int16_t vfo, split_before, split;
    const char* sent;  // nullptr: nothing
    int16_t tx_vfo;
  };
  const Case cases[] = {
      {0, 0, 1, "FT3;", 1},  {0, 1, 0, "FT2;", 0},  {1, 0, 1, "FT2;", 0},  {1, 1, 0, "FT3;", 1},
      {0, 1, 1, nullptr, 1}, {0, 0, 0, nullptr, 0}, {1, 1, 1, nullptr, 0}, {2, 0, 1, nullptr, -1},
      {2, 1, 0, nullptr, 2}, {0, 0, 5, nullptr, 1},
  };
  for (const auto& c : cases) {
    s.VFO = c.vfo;
    s.Split = c.split_before;
    s.TX_VFO = 7;
    s.MemMode = 1;  // not consulted
    EXPECT_TRUE(p.SetSplit(i16(c.split)));
    EXPECT_EQ(r.sent(), c.sent ? Texts{c.sent} : Texts{}) << c.vfo << c.split_before << c.split;
    EXPECT_EQ(s.Split, c.split);
    EXPECT_EQ(s.TX_VFO, c.tx_vfo) << c.vfo << c.split_before << c.split;
    r.apt.sleep_ms(200);
  }
  s.Property[core::cap::SetSplit] = 0;
  EXPECT_REFUSED(p.SetSplit(i16(1)));
}

// ---- SetTX

TEST_F(VfoCommands, SetTXLoadsVfoBTwiceAroundItsModeAndSplits) {
  int16_t mode = 7;  // wide FM goes out as FM
  EXPECT_TRUE(p.SetTX(dbl(14.1), mode));
  EXPECT_EQ(mode, 4);
  EXPECT_TRUE(wire_is(
      Wire{{0, "FB14100000;"}, {100, "MD14;"}, {200, "FB14100000;"}, {400, "FT3;"}, {500, "FT;"}}));
  EXPECT_EQ(s.VFOB_Freq, 14.1);
  EXPECT_EQ(s.VFOB_Mode, 4);
  EXPECT_EQ(s.TX_Freq, 14.1);
  EXPECT_EQ(s.TX_Mode, 4);
  EXPECT_EQ(s.Split, 1);
  EXPECT_EQ(s.TX_VFO, 0);  // left for the radio's answer
  EXPECT_EQ(s.VFOA_Freq, 7.05);
  EXPECT_EQ(s.Freq, 7.05);
}

TEST_F(VfoCommands, SetTXSkipsTheModeItHasAndTheSplitItIsIn) {
  s.VFOB_Mode = 4;
  s.Split = 1;
  EXPECT_TRUE(p.SetTX(dbl(14.1), i16(7)));
  EXPECT_TRUE(wire_is(Wire{{0, "FB14100000;"}, {100, "FB14100000;"}, {300, "FT;"}}));
}

TEST_F(VfoCommands, SetTXOnVfoBLoadsVfoA) {
  s.VFO = 1;
  s.TransceiverID = 570;
  EXPECT_TRUE(p.SetTX(dbl(7.06), i16(2)));
  EXPECT_TRUE(wire_is(Wire{
      {0, "FA007060000;"}, {100, "MD03;"}, {200, "FA007060000;"}, {400, "FT2;"}, {500, "FT;"}}));
  EXPECT_EQ(s.VFOA_Freq, 7.06);
  EXPECT_EQ(s.VFOA_Mode, 2);
  EXPECT_EQ(s.VFOB_Freq, 21.2);
  EXPECT_EQ(s.TX_Mode, 2);
  EXPECT_EQ(s.Split, 1);
}

TEST_F(VfoCommands, SetTXModeDigits) {
  const char* digits[] = {"1", "2", "3", "5", "4", "6", "8", "4"};
  for (int16_t mode = 0; mode <= 7; ++mode) {
    s.VFOB_Mode = 9;
    s.Split = 1;
    int16_t asked = mode;
    ASSERT_TRUE(p.SetTX(dbl(14.1), asked));
    EXPECT_EQ(r.sent(),
              (Texts{"FB14100000;", std::string("MD1") + digits[mode] + ";", "FB14100000;", "FT;"}))
        << mode;
    EXPECT_EQ(asked, mode == 7 ? 4 : mode);
    EXPECT_EQ(s.TX_Mode, asked);
    r.apt.sleep_ms(200);
  }
}

TEST_F(VfoCommands, SetTXRefusals) {
  int16_t mode = 7;
  EXPECT_REFUSED(p.SetTX(dbl(61.0), mode));
  EXPECT_EQ(mode, 7);  // the caller's mode is left alone
  EXPECT_REFUSED(p.SetTX(dbl(0.0), mode));
  EXPECT_REFUSED(p.SetTX(dbl(14.1), i16(8)));
  EXPECT_REFUSED(p.SetTX(dbl(14.1), i16(-1)));
  s.VFO = 2;
  EXPECT_REFUSED(p.SetTX(dbl(14.1), i16(1)));
  s.VFO = 0;
  s.MemMode = 1;
  EXPECT_REFUSED(p.SetTX(dbl(14.1), i16(1)));
  s.MemMode = 0;
  s.Property[core::cap::SetTX] = 0;
  EXPECT_REFUSED(p.SetTX(dbl(14.1), mode));
  EXPECT_EQ(mode, 7);
}

// ---- SetVFOB

TEST_F(VfoCommands, SetVFOBLoadsTheVfoTXWatchNames) {
  EXPECT_TRUE(p.SetVFOB(dbl(14.2)));
  EXPECT_TRUE(wire_is(Wire{{0, "FB14200000;"}}));
  EXPECT_EQ(s.VFOB_Freq, 14.2);
  EXPECT_EQ(s.Freq, 7.05);

  s.TXW = 1;
  s.MemMode = 1;                      // not consulted
  EXPECT_TRUE(p.SetVFOB(dbl(61.0)));  // and no range check
  EXPECT_TRUE(wire_is(Wire{{100, "FA61000000;"}}));
  EXPECT_EQ(s.VFOA_Freq, 61.0);
  EXPECT_EQ(s.VFOB_Freq, 14.2);

  s.Property[core::cap::SetVFOB] = 0;
  EXPECT_REFUSED(p.SetVFOB(dbl(14.2)));
}

TEST_F(VfoCommands, SetVFOBRefusesAFrequencyTheDigitFieldCannotHold) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    int16_t id;
    double mhz;
  } rows[] = {{570, inf}, {570, 1e300}, {570, std::nan("")}, {570, 1000.0},
              {0, inf},   {0, 1e300},   {0, 10000.0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.id) + " " + std::to_string(row.mhz));
    s.TransceiverID = row.id;
    EXPECT_REFUSED(p.SetVFOB(dbl(row.mhz)));
  }
  s.TransceiverID = 570;  // the widest that fits still goes out
  EXPECT_TRUE(p.SetVFOB(dbl(999.999999)));
  EXPECT_EQ(r.sent(), Texts{"FB999999999;"});
}

// ---- SetAeqB, SetAexcB

TEST_F(VfoCommands, SetAeqBCopiesThenAsksAfterAQuarterSecond) {
  EXPECT_TRUE(p.SetAeqB());
  EXPECT_TRUE(wire_is(Wire{{0, "AB;"}, {250, "FB;"}, {350, "MD1;"}}));
  EXPECT_EQ(s.VFOB_Freq, 7.05);
  EXPECT_EQ(s.VFOB_Mode, 0);

  s.VFO = 1;
  s.VFOB_Freq = 21.3;
  s.VFOB_Mode = 2;
  r.apt.sleep_ms(1000);
  EXPECT_TRUE(p.SetAeqB());
  EXPECT_TRUE(wire_is(Wire{{1350, "BA;"}, {1600, "FA;"}, {1700, "MD0;"}}));
  EXPECT_EQ(s.VFOA_Freq, 21.3);
  EXPECT_EQ(s.VFOA_Mode, 2);
}

TEST_F(VfoCommands, SetAeqBOnTheSubReceiverDoesNothingButSucceeds) {
  s.VFO = 2;
  const std::string before = picture(r);
  EXPECT_TRUE(p.SetAeqB());
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(picture(r), before);
  EXPECT_EQ(now_ms(), 0);
}

TEST_F(VfoCommands, SetAeqBRefusals) {
  s.MemMode = 1;
  EXPECT_REFUSED(p.SetAeqB());
  s.MemMode = 0;
  s.Property[core::cap::SetAeqB] = 0;
  EXPECT_REFUSED(p.SetAeqB());
}

TEST_F(VfoCommands, SetAexcBWaitsThenExchangesAndGoesOnWithTheVfoSequence) {
  m.polling.vfo_poll_index = 5;
  EXPECT_TRUE(p.SetAexcB());
  EXPECT_TRUE(wire_is(Wire{{200, "SV;"}}));
  EXPECT_EQ(m.polling.vfo_poll_index, 5);  // not reset
  EXPECT_TRUE(m.port_and_timers().tmrPollVFO->enabled());
  EXPECT_EQ(s.VFOA_Freq, 7.05);  // the exchange arrives through the answers
  EXPECT_EQ(s.VFOB_Freq, 21.2);

  s.MemMode = 1;
  EXPECT_REFUSED(p.SetAexcB());
  s.MemMode = 0;
  s.Property[core::cap::SetAexcB] = 0;
  EXPECT_REFUSED(p.SetAexcB());
}

// ---- SetBand

TEST_F(VfoCommands, SetBandSendsTwoDigitsAndWaits) {
  EXPECT_TRUE(p.SetBand(i16(5)));
  EXPECT_TRUE(wire_is(Wire{{0, "BS05;"}}));
  EXPECT_EQ(now_ms(), 200);
  EXPECT_EQ(s.Band, 5);
  EXPECT_TRUE(p.SetBand(i16(11)));
  EXPECT_TRUE(wire_is(Wire{{200, "BS11;"}}));
  EXPECT_EQ(s.Band, 11);
  EXPECT_TRUE(p.SetBand(i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"BS00;"}));

  s.Property[core::cap::SetBand] = 0;
  EXPECT_REFUSED(p.SetBand(i16(3)));
}

// ---- SetRIT, SetRITClear

TEST_F(VfoCommands, SetRITClampsTheWireButKeepsTheOffset) {
  EXPECT_TRUE(p.SetRIT(i16(1), dbl(12.5)));
  EXPECT_TRUE(wire_is(Wire{{0, "RT1;"}, {100, "RC;"}, {200, "RU9999;"}}));
  EXPECT_EQ(s.RITStatus, 1);
  EXPECT_EQ(s.RITOffset, 12.5);

  EXPECT_TRUE(p.SetRIT(i16(1), dbl(-1.5)));
  EXPECT_EQ(r.sent(), (Texts{"RC;", "RD1500;"}));
  EXPECT_EQ(s.RITOffset, -1.5);

  EXPECT_TRUE(p.SetRIT(i16(1), dbl(-12.5)));
  EXPECT_EQ(r.sent(), (Texts{"RC;", "RD9999;"}));
  EXPECT_EQ(s.RITOffset, -12.5);

  EXPECT_TRUE(p.SetRIT(i16(0), dbl(0.0)));
  EXPECT_EQ(r.sent(), (Texts{"RT0;", "RC;"}));
  EXPECT_EQ(s.RITStatus, 0);

  EXPECT_TRUE(p.SetRIT(i16(0), dbl(0.0)));
  EXPECT_EQ(r.sent(), (Texts{"RC;"}));
}

TEST_F(VfoCommands, SetRITDigitsRoundDown) {
  s.RITStatus = 1;
  struct Case {
    double khz;
    const char* sent;
  };
  const Case cases[] = {{0.001, "RU0001;"}, {0.02, "RU0020;"},   {9.999, "RU9999;"},
                        {10.0, "RU9999;"},  {1.2345, "RU1234;"}, {-0.0004, "RD0001;"},
                        {-0.02, "RD0020;"}, {-9.9999, "RD9999;"}};
  for (const auto& c : cases) {
    EXPECT_TRUE(p.SetRIT(i16(1), dbl(c.khz)));
    EXPECT_EQ(r.sent(), (Texts{"RC;", c.sent})) << c.khz;
    EXPECT_EQ(s.RITOffset, c.khz);
  }
}

TEST_F(VfoCommands, SetRITWithoutTheFunctionStillSucceeds) {
  s.Property[core::cap::SetRIT] = 0;
  const std::string before = picture(r);
  EXPECT_TRUE(p.SetRIT(i16(1), dbl(1.0)));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(picture(r), before);
}

TEST_F(VfoCommands, SetRITClear) {
  s.RITOffset = 2.5;
  s.RITStatus = 1;
  EXPECT_TRUE(p.SetRITClear());
  EXPECT_TRUE(wire_is(Wire{{0, "RC;"}}));
  EXPECT_EQ(s.RITOffset, 0.0);
  EXPECT_EQ(s.RITStatus, 1);
  s.RITOffset = 2.5;
  s.Property[core::cap::SetRITClear] = 0;
  EXPECT_REFUSED(p.SetRITClear());
}

// ---- SetScanning, SetTuningStep

TEST_F(VfoCommands, SetScanningDirections) {
  int16_t step = 3;
  EXPECT_TRUE(p.SetScanning(i16(1), step));
  EXPECT_TRUE(p.SetScanning(i16(-1), step));
  EXPECT_TRUE(p.SetScanning(i16(0), step));
  EXPECT_TRUE(wire_is(Wire{{0, "SC1;"}, {100, "SC2;"}, {200, "SC0;"}}));
  const std::string before = picture(r);
  EXPECT_TRUE(p.SetScanning(i16(5), step));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(picture(r), before);
  s.Property[core::cap::SetScanning] = 0;
  EXPECT_REFUSED(p.SetScanning(i16(1), step));
}

TEST_F(VfoCommands, SetTuningStepAcceptsIndexesUpToItsEntry) {
  s.TuningStep = 100;
  EXPECT_TRUE(p.SetTuningStep(i16(0)));
  EXPECT_EQ(s.TuningStep, 0.0f);
  s.TuningStep = 100;
  EXPECT_TRUE(p.SetTuningStep(i16(-3)));  // a signed comparison
  EXPECT_EQ(s.TuningStep, 0.0f);
  s.TuningStep = 100;
  EXPECT_REFUSED(p.SetTuningStep(i16(1)));
  s.Property[core::cap::SetTuningStep] = 3;
  EXPECT_TRUE(p.SetTuningStep(i16(3)));
  EXPECT_EQ(s.TuningStep, 0.0f);
  EXPECT_REFUSED(p.SetTuningStep(i16(4)));
  EXPECT_EQ(r.wire(), Wire{});
}

}  // namespace
}  // namespace tovrak::test
