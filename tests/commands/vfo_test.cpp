// Tuning and the two VFOs: what goes on the wire, when, and the state after;
// the frequency field of the tuning and memory commands, the band of a
// frequency, and the range check that guards tuning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "command_fixture.hpp"
#include "core/commands/frequency.hpp"

namespace tovrak::test {
namespace {

using core::BandOf;
using core::FreqDigits;

// Text of a whole number, left-padded with "0" to `width`.
std::string padded(int64_t n, int width) {
  std::string t = std::to_string(n);
  return std::string(static_cast<size_t>(std::max(0, width - static_cast<int>(t.size()))), '0') + t;
}

TEST(FrequencyDigits, WholeStepsInBothFormsAcrossTheRange) {
  // Radio 570 takes hertz; any other the packed form: 10 Hz steps in eight
  // digits below 100 MHz, hertz in nine to 1000 MHz, then 10 Hz steps.
  std::vector<int64_t> hz;
  for (int64_t n = 3'000; n < 10'000'000; n += 163) hz.push_back(n * 10);
  for (int64_t n = 1'400'000; n <= 1'401'000; ++n) hz.push_back(n * 10);
  // The digit split's small corrections may carry 9 Hz into the next step.
  for (int64_t h = 100'000'000; h < 1'000'000'000; h += 99'991) {
    if (h % 10 != 9) hz.push_back(h);
  }
  for (int64_t ten = 100'000'000; ten < 1'000'000'000; ten += 999'983) hz.push_back(ten * 10);
  for (int64_t h : hz) {
    const double mhz = static_cast<double>(h) / 1e6;
    const std::string packed = h < 100'000'000     ? padded(h, 8)
                               : h < 1'000'000'000 ? padded(h, 9)
                                                   : padded(h / 10, 9);
    // Only the size counts: the sign is dropped.
    for (double f : {mhz, -mhz}) {
      ASSERT_EQ(FreqDigits(f, 0), packed) << h << " Hz";
      ASSERT_EQ(FreqDigits(f, 570), padded(h, 9)) << h << " Hz";
    }
    ASSERT_EQ(FreqDigits(mhz, 569), packed);
    ASSERT_EQ(FreqDigits(mhz, -570), packed);
    if (h >= 100'000'000) continue;
    // A few hertz over a step: the packed form drops them, the decimal keeps them.
    const double over = static_cast<double>(h + 4) / 1e6;
    ASSERT_EQ(FreqDigits(over, 0), packed) << h + 4 << " Hz";
    ASSERT_EQ(FreqDigits(over, 570), padded(h + 4, 9)) << h + 4 << " Hz";
  }
}

TEST(FrequencyDigits, FractionsOfAStep) {
  // The decimal form rounds a fraction of a hertz: a whole number of hertz
  // never carries a decimal point into a command.
  const std::tuple<double, int16_t, const char*> cases[] = {
      {14.250017, 0, "14250010"},     {14.250017, 570, "014250017"}, {14.2000004, 570, "014200000"},
      {14.2000006, 570, "014200001"}, {0.0, 570, "000000000"},       {0.0, 0, "00000000"}};
  for (auto [mhz, id, digits] : cases) EXPECT_EQ(FreqDigits(mhz, id), digits) << mhz;
}

TEST(FrequencyDigits, BandEdgesAreInclusive) {
  const std::vector<std::pair<double, int>> cases = {
      {1.4999, 11},  {1.5, 0},   {2.0, 0},  {2.0001, 11},  {3.4999, 11}, {3.5, 1},
      {4.0, 1},      {5.0, 2},   {5.5, 2},  {7.0, 3},      {7.05, 3},    {7.5, 3},
      {7.5001, 11},  {10.0, 4},  {10.5, 4}, {14.0, 5},     {14.2, 5},    {14.5, 5},
      {18.0, 6},     {18.5, 6},  {21.0, 7}, {21.5, 7},     {24.49, 11},  {24.5, 8},
      {25.0, 8},     {28.0, 9},  {30.0, 9}, {30.0001, 11}, {50.0, 10},   {54.0, 10},
      {54.0001, 11}, {60.0, 11}, {0.0, 11}, {-14.2, 11},   {144.2, 11},
  };
  for (auto [mhz, band] : cases) EXPECT_EQ(BandOf(mhz), band) << mhz;
}

TEST(FrequencyRange, ValidFrequenciesLieInTheRangeTable) {
  // Checking sends nothing and changes nothing; SetFreq's refusals check 0 and 61 MHz.
  std::vector<Row> rows;
  const std::pair<double, int> one[] = {{0.03, T},  {60.0, T},  {60.0000001, F}, {0.0299, F},
                                        {-14.2, F}, {-0.03, F}, {144.2, F}};
  for (auto [f, valid] : one) rows.push_back(row("one", {}, CALL(ValidFreq, f), "", {}, valid));
  // A second range counts as well; an empty table makes every frequency invalid.
  const std::pair<double, int> two[] = {{144.0, T}, {146.0, T}, {14.2, T}, {100.0, F}};
  for (auto [f, valid] : two) {
    rows.push_back(row("two",
                       SET(m.ranges.count = 2; m.ranges.min[2] = 144.0; m.ranges.max[2] = 146.0),
                       CALL(ValidFreq, f), "", {}, valid));
  }
  rows.push_back(row("none", SET(m.ranges.count = 0), CALL(ValidFreq, 14.2), "", {}, F));
  run(rows);
}

// VFO A on 7.05 MHz LSB receives; VFO B holds 21.2 MHz USB.
const Before kVfos = SET(s.VFOA_Freq = 7.05; s.VFOB_Freq = 21.2; s.VFOB_Mode = 1; s.Freq = 7.05);

TEST(VfoCommands, Tuning) {
  std::vector<Row> rows = {
    row("band first, then a wait", SET(s.TransceiverID = 570), CALL(SetFreq, 14.2),
        "BS05; 200 FA014200000;", CHANGE(s.Band = 5; s.Freq = s.VFOA_Freq = 14.2)),
    row("inside the band", {}, CALL(SetFreq, 7.06), "FA07060000;",
        CHANGE(s.Freq = s.VFOA_Freq = 7.06)),
    row("outside every band", SET(s.VFOA_Freq = 14.2), CALL(SetFreq, 11.0), "BS11; 200 FA11000000;",
        CHANGE(s.Band = 11; s.Freq = s.VFOA_Freq = 11.0)),
    row("without band selection", SET(s.Property[cap::SetBand] = 0), CALL(SetFreq, 14.2),
        "FA14200000;", CHANGE(s.Freq = s.VFOA_Freq = 14.2)),
    row("VFO B never changes band", SET(s.VFO = 1), CALL(SetFreq, 14.2), "FB14200000;",
        CHANGE(s.Freq = s.VFOB_Freq = 14.2)),
    // SetBand: two digits, then a wait.
    row("band", {}, CALL(SetBand, 5), "BS05;", CHANGE(s.Band = 5), T, 200),
    WITHOUT(SetFreq, 14.2),
    WITHOUT(SetBand, 3),
  };
  // Out of the range, in memory mode, on the sub receiver.
  refuse(rows, {CALL(SetFreq, 61.0), CALL(SetFreq, 0.0)});
  refuse(rows, {CALL(SetFreq, 14.2)}, SET(s.MemMode = 1));
  refuse(rows, {CALL(SetFreq, 14.2)}, SET(s.VFO = 2));
  run(rows, kVfos);
}

TEST(VfoCommands, SelectingAVfo) {
  const std::vector<Row> rows = {
    row("memory mode is only left", SET(s.MemMode = 1; m.polling.vfo_poll_index = 9),
        CALL(SetVFO, 1), "VM;", CHANGE(s.MemMode = 0)),
    row("VFO B restarts the VFO sequence", SET(m.polling.vfo_poll_index = 9), CALL(SetVFO, 1),
        "VS1;",
        CHANGE(s.VFO = 1; s.Freq = 21.2; s.Mode = 1; s.Split = 1; f.vfo_index = 0;
               f.vfo_timer = true),
        T, 200),
    row("back to VFO A", SET(s.VFO = 1; s.Freq = 21.2; s.Mode = 1; s.Split = 1), CALL(SetVFO, 0),
        "VS0;", CHANGE(s.VFO = 0; s.Freq = 7.05; s.Mode = 0; s.Split = 0; f.vfo_timer = true), T,
        200),
    row("the sub receiver: nothing sent", SET(s.TX_VFO = 1; m.polling.vfo_poll_index = 4),
        CALL(SetVFO, 2), "", CHANGE(s.VFO = 2; s.Split = 1; f.vfo_index = 0; f.vfo_timer = true), T,
        200),
    // SetAeqB copies, then asks after a quarter second.
    row("A to B", {}, CALL(SetAeqB), "AB; 250 FB; 350 MD1;",
        CHANGE(s.VFOB_Freq = 7.05; s.VFOB_Mode = 0)),
    row("B to A", SET(s.VFO = 1; s.VFOB_Freq = 21.3; s.VFOB_Mode = 2), CALL(SetAeqB),
        "BA; 250 FA; 350 MD0;", CHANGE(s.VFOA_Freq = 21.3; s.VFOA_Mode = 2)),
    row("copy on the sub receiver", SET(s.VFO = 2), CALL(SetAeqB)),
    row("copy in memory mode", SET(s.MemMode = 1), CALL(SetAeqB), "", {}, F),
    WITHOUT(SetAeqB),
    // SetAexcB waits, exchanges, and goes on with the VFO sequence.
    row("exchange", SET(m.polling.vfo_poll_index = 5), CALL(SetAexcB), "200 SV;",
        CHANGE(f.vfo_timer = true)),
    row("exchange in memory mode", SET(s.MemMode = 1), CALL(SetAexcB), "", {}, F),
    WITHOUT(SetAexcB),
  };
  run(rows, kVfos);
}

TEST(VfoCommands, Split) {
  struct Case {
    int16_t vfo, before, split;
    const char* sent;
    int16_t tx_vfo;
  };
  const Case cases[] = {
      {0, 0, 1, "FT3;", 1}, {0, 1, 0, "FT2;", 0}, {1, 0, 1, "FT2;", 0}, {1, 1, 0, "FT3;", 1},
      {0, 1, 1, "", 1},     {0, 0, 0, "", 0},     {1, 1, 1, "", 0},     {2, 0, 1, "", -1},
      {2, 1, 0, "", 2},     {0, 0, 5, "", 1},
  };
  std::vector<Row> rows = {WITHOUT(SetSplit, 1)};
  for (const Case& c : cases) {
    rows.push_back(
        row("split", SETV(s.VFO = c.vfo, s.Split = c.before, s.TX_VFO = 7, s.MemMode = 1),
            CALL(SetSplit, c.split), c.sent, CHANGEV(s.Split = c.split, s.TX_VFO = c.tx_vfo)));
  }
  run(rows);
}

// SetTX, leaving `mode_after` in the host's mode.
Call set_tx(double mhz, int16_t mode, int16_t mode_after) {
  return leaving({mhz, mode_after}, &TOVRAK_Protocol::SetTX, mhz, mode);
}

TEST(VfoCommands, TransmitVfo) {
  std::vector<Row> rows = {
    row("VFO B loaded twice around its mode", {}, set_tx(14.1, 7, 4),
        "FB14100000; 100 MD14; 200 FB14100000; 400 FT3; 500 FT;",
        CHANGE(s.VFOB_Freq = s.TX_Freq = 14.1; s.VFOB_Mode = s.TX_Mode = 4; s.Split = 1)),
    row("the mode it has, the split it is in", SET(s.VFOB_Mode = 4; s.Split = 1),
        set_tx(14.1, 7, 4), "FB14100000; 100 FB14100000; 300 FT;",
        CHANGE(s.VFOB_Freq = s.TX_Freq = 14.1; s.TX_Mode = 4)),
    row("on VFO B VFO A is loaded", SET(s.VFO = 1; s.TransceiverID = 570), set_tx(7.06, 2, 2),
        "FA007060000; 100 MD03; 200 FA007060000; 400 FT2; 500 FT;",
        CHANGE(s.VFOA_Freq = s.TX_Freq = 7.06; s.VFOA_Mode = s.TX_Mode = 2; s.Split = 1)),
    without(cap::SetTX, set_tx(14.1, 7, 7)),
  };
  refuse(rows, {set_tx(61.0, 7, 7), set_tx(0.0, 7, 7), set_tx(14.1, 8, 8), set_tx(14.1, -1, -1)});
  refuse(rows, {set_tx(14.1, 1, 1)}, SET(s.VFO = 2));
  refuse(rows, {set_tx(14.1, 1, 1)}, SET(s.MemMode = 1));
  const char* digits = "12354684";
  for (int16_t mode = 0; mode <= 7; ++mode) {
    const int16_t stored = mode == 7 ? 4 : mode;
    rows.push_back(
        row("mode", SET(s.VFOB_Mode = 9; s.Split = 1), set_tx(14.1, mode, stored),
            "FB14100000; 100 MD1" + std::string(1, digits[mode]) + "; 200 FB14100000; 400 FT;",
            CHANGEV(s.VFOB_Freq = s.TX_Freq = 14.1; s.VFOB_Mode = s.TX_Mode = stored)));
  }
  run(rows, kVfos);
}

TEST(VfoCommands, LoadingTheOtherVfo) {
  std::vector<Row> rows = {
    row("VFO B", {}, CALL(SetVFOB, 14.2), "FB14200000;", CHANGE(s.VFOB_Freq = 14.2)),
    row("the VFO TXW names, without range or memory checks", SET(s.TXW = 1; s.MemMode = 1),
        CALL(SetVFOB, 61.0), "FA61000000;", CHANGE(s.VFOA_Freq = 61.0)),
    row("the widest field", SET(s.TransceiverID = 570), CALL(SetVFOB, 999.999999), "FB999999999;",
        CHANGE(s.VFOB_Freq = 999.999999)),
    WITHOUT(SetVFOB, 14.2),
    row("beyond the nine-digit field, sent whole", SET(s.TransceiverID = 570),
        CALL(SetVFOB, 1296.2), "FB1296200000;", CHANGE(s.VFOB_Freq = 1296.2)),
    row("a Double's plain digits, no exponent", SET(s.TransceiverID = 570), CALL(SetVFOB, 1e14),
        "FB100000000000000000000;", CHANGE(s.VFOB_Freq = 1e14)),
    row("a digit beyond 16 bits overflows", {}, CALL(SetVFOB, 1e7), "", {}, 1006),
  };
  // Only what is no number at all is refused.
  const double inf = std::numeric_limits<double>::infinity();
  refuse(rows, {CALL(SetVFOB, inf), CALL(SetVFOB, -inf), CALL(SetVFOB, std::nan(""))});
  run(rows, kVfos);
}

TEST(VfoCommands, ClarifierScanningAndSteps) {
  std::vector<Row> rows = {
    row("on with an offset beyond the field", {}, CALL(SetRIT, 1, 12.5), "RT1; 100 RC; 200 RU9999;",
        CHANGE(s.RITStatus = 1; s.RITOffset = 12.5)),
    row("off", SET(s.RITStatus = 1; s.RITOffset = 1.0), CALL(SetRIT, 0, 0.0), "RT0; 100 RC;",
        CHANGE(s.RITStatus = 0; s.RITOffset = 0.0)),
    row("off again", {}, CALL(SetRIT, 0, 0.0), "RC;"),
    row("RIT without the function", SET(s.Property[cap::SetRIT] = 0), CALL(SetRIT, 1, 1.0)),
    row("clear", SET(s.RITOffset = 2.5; s.RITStatus = 1), CALL(SetRITClear), "RC;",
        CHANGE(s.RITOffset = 0.0)),
    row("clear refused", SET(s.RITOffset = 2.5; s.Property[cap::SetRITClear] = 0),
        CALL(SetRITClear), "", {}, F),
    row("scan up", {}, CALL(SetScanning, 1, 3), "SC1;"),
    row("scan down", {}, CALL(SetScanning, -1, 3), "SC2;"),
    row("scan off", {}, CALL(SetScanning, 0, 3), "SC0;"),
    row("scan 5", {}, CALL(SetScanning, 5, 3)),
    WITHOUT(SetScanning, 1, 3),
    row("step -3: a signed comparison", SET(s.TuningStep = 100), CALL(SetTuningStep, -3), "",
        CHANGE(s.TuningStep = 0)),
    row("step beyond the entry", SET(s.TuningStep = 100), CALL(SetTuningStep, 1), "", {}, F),
    row("step at the entry", SET(s.Property[cap::SetTuningStep] = 3; s.TuningStep = 100),
        CALL(SetTuningStep, 3), "", CHANGE(s.TuningStep = 0)),
  };
  // The offset's digits round down.
  const std::pair<double, const char*> digits[] = {
      {0.001, "RU0001;"},  {0.02, "RU0020;"},    {9.999, "RU9999;"}, {10.0, "RU9999;"},
      {1.2345, "RU1234;"}, {-0.0004, "RD0001;"}, {-12.5, "RD9999;"}};
  for (auto [khz, sent] : digits) {
    rows.push_back(row(sent, SET(s.RITStatus = 1), CALL(SetRIT, 1, khz),
                       "RC; 100 " + std::string(sent), CHANGEV(s.RITOffset = khz)));
  }
  run(rows, kVfos);
}

}  // namespace
}  // namespace tovrak::test
