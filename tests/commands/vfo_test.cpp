// Tuning and the two VFOs: what goes on the wire, when, and the state after.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

// VFO A on 7.05 MHz LSB receives; VFO B holds 21.2 MHz USB.
const Before kVfos = SET(s.VFOA_Freq = 7.05; s.VFOB_Freq = 21.2; s.VFOB_Mode = 1; s.Freq = 7.05);

TEST(VfoCommands, Tuning) {
  run(
      {
        row("band first, then a wait", SET(s.TransceiverID = 570), CALL(SetFreq(14.2)),
            {{0, "BS05;"}, {200, "FA014200000;"}}, CHANGE(s.Band = 5; s.Freq = s.VFOA_Freq = 14.2)),
            row("inside the band", {}, CALL(SetFreq(7.06)), {{0, "FA07060000;"}},
                CHANGE(s.Freq = s.VFOA_Freq = 7.06)),
            row("outside every band", SET(s.VFOA_Freq = 14.2), CALL(SetFreq(11.0)),
                {{0, "BS11;"}, {200, "FA11000000;"}},
                CHANGE(s.Band = 11; s.Freq = s.VFOA_Freq = 11.0)),
            row("without band selection", SET(s.Property[core::cap::SetBand] = 0),
                CALL(SetFreq(14.2)), {{0, "FA14200000;"}}, CHANGE(s.Freq = s.VFOA_Freq = 14.2)),
            row("VFO B never changes band", SET(s.VFO = 1), CALL(SetFreq(14.2)),
                {{0, "FB14200000;"}}, CHANGE(s.Freq = s.VFOB_Freq = 14.2)),
            row("above the range", {}, CALL(SetFreq(61.0)), {}, {}, F),
            row("zero", {}, CALL(SetFreq(0.0)), {}, {}, F),
            row("below the range", {}, CALL(SetFreq(0.0299)), {}, {}, F),
            row("negative", {}, CALL(SetFreq(-14.2)), {}, {}, F),
            row("memory mode", SET(s.MemMode = 1), CALL(SetFreq(14.2)), {}, {}, F),
            row("sub receiver", SET(s.VFO = 2), CALL(SetFreq(14.2)), {}, {}, F),
            without(SET(s.Property[core::cap::SetFreq] = 0), CALL(SetFreq(14.2))),
            // SetBand: two digits, then a wait.
            row("band", {}, CALL(SetBand(i16(5))), {{0, "BS05;"}}, CHANGE(s.Band = 5), T, 200),
            row("band 11", {}, CALL(SetBand(i16(11))), {{0, "BS11;"}}, CHANGE(s.Band = 11), T, 200),
            row("band 0", SET(s.Band = 3), CALL(SetBand(i16(0))), {{0, "BS00;"}},
                CHANGE(s.Band = 0), T, 200),
            without(SET(s.Property[core::cap::SetBand] = 0), CALL(SetBand(i16(3))))
      },
      kVfos);
}

TEST(VfoCommands, SelectingAVfo) {
  run(
      {
        row("memory mode is only left", SET(s.MemMode = 1; m.polling.vfo_poll_index = 9),
            CALL(SetVFO(i16(1))), {{0, "VM;"}}, CHANGE(s.MemMode = 0)),
            row("VFO B restarts the VFO sequence", SET(m.polling.vfo_poll_index = 9),
                CALL(SetVFO(i16(1))), {{0, "VS1;"}},
                CHANGE(s.VFO = 1; s.Freq = 21.2; s.Mode = 1; s.Split = 1; f.vfo_index = 0;
                       f.vfo_timer = true),
                T, 200),
            row("back to VFO A", SET(s.VFO = 1; s.Freq = 21.2; s.Mode = 1; s.Split = 1),
                CALL(SetVFO(i16(0))), {{0, "VS0;"}},
                CHANGE(s.VFO = 0; s.Freq = 7.05; s.Mode = 0; s.Split = 0; f.vfo_timer = true), T,
                200),
            row("the sub receiver: nothing sent", SET(s.TX_VFO = 1; m.polling.vfo_poll_index = 4),
                CALL(SetVFO(i16(2))), {},
                CHANGE(s.VFO = 2; s.Split = 1; f.vfo_index = 0; f.vfo_timer = true), T, 200),
            // SetAeqB copies, then asks after a quarter second.
            row("A to B", {}, CALL(SetAeqB()), {{0, "AB;"}, {250, "FB;"}, {350, "MD1;"}},
                CHANGE(s.VFOB_Freq = 7.05; s.VFOB_Mode = 0)),
            row("B to A", SET(s.VFO = 1; s.VFOB_Freq = 21.3; s.VFOB_Mode = 2), CALL(SetAeqB()),
                {{0, "BA;"}, {250, "FA;"}, {350, "MD0;"}},
                CHANGE(s.VFOA_Freq = 21.3; s.VFOA_Mode = 2)),
            row("copy on the sub receiver", SET(s.VFO = 2), CALL(SetAeqB()), {}, {}),
            row("copy in memory mode", SET(s.MemMode = 1), CALL(SetAeqB()), {}, {}, F),
            without(SET(s.Property[core::cap::SetAeqB] = 0), CALL(SetAeqB())),
            // SetAexcB waits, exchanges, and goes on with the VFO sequence.
            row("exchange", SET(m.polling.vfo_poll_index = 5), CALL(SetAexcB()), {{200, "SV;"}},
                CHANGE(f.vfo_timer = true)),
            row("exchange in memory mode", SET(s.MemMode = 1), CALL(SetAexcB()), {}, {}, F),
            without(SET(s.Property[core::cap::SetAexcB] = 0), CALL(SetAexcB()))
      },
      kVfos);
}

TEST(VfoCommands, Split) {
  struct Case {
    int16_t vfo, before, split;
    const char* sent;  // nullptr: nothing
    int16_t tx_vfo;
  };
  const Case cases[] = {
      {0, 0, 1, "FT3;", 1},  {0, 1, 0, "FT2;", 0},  {1, 0, 1, "FT2;", 0},  {1, 1, 0, "FT3;", 1},
      {0, 1, 1, nullptr, 1}, {0, 0, 0, nullptr, 0}, {1, 1, 1, nullptr, 0}, {2, 0, 1, nullptr, -1},
      {2, 1, 0, nullptr, 2}, {0, 0, 5, nullptr, 1},
  };
  std::vector<Row> rows = {
      without(SET(s.Property[core::cap::SetSplit] = 0), CALL(SetSplit(i16(1))))};
  for (const Case& c : cases) {
    rows.push_back(row(
        std::to_string(c.vfo) + std::to_string(c.before) + std::to_string(c.split),
        [c](core::State& s, core::Module&) {
          s.VFO = c.vfo, s.Split = c.before, s.TX_VFO = 7, s.MemMode = 1;
        },
        [c](TOVRAK_Protocol& p) -> Res { return p.SetSplit(i16(c.split)); },
        c.sent ? Wire{{0, c.sent}} : Wire{},
        [c](core::State& s, Flags&) { s.Split = c.split, s.TX_VFO = c.tx_vfo; }));
  }
  run(rows);
}

// SetTX with a mode given by reference, checking what the call leaves in it.
Call set_tx(double mhz, int16_t mode, int16_t mode_after) {
  return [=](TOVRAK_Protocol& p) -> Res {
    int16_t m = mode;
    Res r = p.SetTX(dbl(mhz), m);
    EXPECT_EQ(m, mode_after);
    return r;
  };
}

TEST(VfoCommands, TransmitVfo) {
  std::vector<Row> rows = {
    row("VFO B loaded twice around its mode", {}, set_tx(14.1, 7, 4),
        {{0, "FB14100000;"}, {100, "MD14;"}, {200, "FB14100000;"}, {400, "FT3;"}, {500, "FT;"}},
        CHANGE(s.VFOB_Freq = s.TX_Freq = 14.1; s.VFOB_Mode = s.TX_Mode = 4; s.Split = 1)),
    row("the mode it has, the split it is in", SET(s.VFOB_Mode = 4; s.Split = 1),
        set_tx(14.1, 7, 4), {{0, "FB14100000;"}, {100, "FB14100000;"}, {300, "FT;"}},
        CHANGE(s.VFOB_Freq = s.TX_Freq = 14.1; s.TX_Mode = 4)),
    row("on VFO B VFO A is loaded", SET(s.VFO = 1; s.TransceiverID = 570), set_tx(7.06, 2, 2),
        {{0, "FA007060000;"}, {100, "MD03;"}, {200, "FA007060000;"}, {400, "FT2;"}, {500, "FT;"}},
        CHANGE(s.VFOA_Freq = s.TX_Freq = 7.06; s.VFOA_Mode = s.TX_Mode = 2; s.Split = 1)),
    row("above the range", {}, set_tx(61.0, 7, 7), {}, {}, F),
    row("zero", {}, set_tx(0.0, 7, 7), {}, {}, F),
    row("mode 8", {}, set_tx(14.1, 8, 8), {}, {}, F),
    row("mode -1", {}, set_tx(14.1, -1, -1), {}, {}, F),
    row("sub receiver", SET(s.VFO = 2), set_tx(14.1, 1, 1), {}, {}, F),
    row("memory mode", SET(s.MemMode = 1), set_tx(14.1, 1, 1), {}, {}, F),
    without(SET(s.Property[core::cap::SetTX] = 0), set_tx(14.1, 7, 7)),
  };
  const char* digits[] = {"1", "2", "3", "5", "4", "6", "8", "4"};
  for (int16_t mode = 0; mode <= 7; ++mode) {
    const int16_t stored = mode == 7 ? 4 : mode;
    rows.push_back(row("mode " + std::to_string(mode), SET(s.VFOB_Mode = 9; s.Split = 1),
                       set_tx(14.1, mode, stored),
                       {{0, "FB14100000;"},
                        {100, std::string("MD1") + digits[mode] + ";"},
                        {200, "FB14100000;"},
                        {400, "FT;"}},
                       [stored](core::State& s, Flags&) {
                         s.VFOB_Freq = s.TX_Freq = 14.1;
                         s.VFOB_Mode = s.TX_Mode = stored;
                       }));
  }
  run(rows, kVfos);
}

TEST(VfoCommands, LoadingTheOtherVfo) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<Row> rows = {
    row("VFO B", {}, CALL(SetVFOB(dbl(14.2))), {{0, "FB14200000;"}}, CHANGE(s.VFOB_Freq = 14.2)),
    row("the VFO TXW names, without range or memory checks", SET(s.TXW = 1; s.MemMode = 1),
        CALL(SetVFOB(dbl(61.0))), {{0, "FA61000000;"}}, CHANGE(s.VFOA_Freq = 61.0)),
    row("the widest field", SET(s.TransceiverID = 570), CALL(SetVFOB(dbl(999.999999))),
        {{0, "FB999999999;"}}, CHANGE(s.VFOB_Freq = 999.999999)),
    without(SET(s.Property[core::cap::SetVFOB] = 0), CALL(SetVFOB(dbl(14.2)))),
  };
  // A frequency the digit field cannot hold is refused.
  for (int16_t id : {570, 0}) {
    for (double mhz : {inf, 1e300, std::nan(""), id ? 1000.0 : 10000.0}) {
      rows.push_back(row(
          std::to_string(id) + " " + std::to_string(mhz),
          [id](core::State& s, core::Module&) { s.TransceiverID = id; },
          [mhz](TOVRAK_Protocol& p) -> Res { return p.SetVFOB(dbl(mhz)); }, {}, {}, F));
    }
  }
  run(rows, kVfos);
}

TEST(VfoCommands, ClarifierScanningAndSteps) {
  std::vector<Row> rows = {
    row("on with an offset beyond the field", {}, CALL(SetRIT(i16(1), dbl(12.5))),
        {{0, "RT1;"}, {100, "RC;"}, {200, "RU9999;"}}, CHANGE(s.RITStatus = 1; s.RITOffset = 12.5)),
    row("down", SET(s.RITStatus = 1), CALL(SetRIT(i16(1), dbl(-1.5))),
        {{0, "RC;"}, {100, "RD1500;"}}, CHANGE(s.RITOffset = -1.5)),
    row("down beyond the field", SET(s.RITStatus = 1), CALL(SetRIT(i16(1), dbl(-12.5))),
        {{0, "RC;"}, {100, "RD9999;"}}, CHANGE(s.RITOffset = -12.5)),
    row("off", SET(s.RITStatus = 1; s.RITOffset = 1.0), CALL(SetRIT(i16(0), dbl(0.0))),
        {{0, "RT0;"}, {100, "RC;"}}, CHANGE(s.RITStatus = 0; s.RITOffset = 0.0)),
    row("off again", {}, CALL(SetRIT(i16(0), dbl(0.0))), {{0, "RC;"}}, {}),
    row("RIT without the function", SET(s.Property[core::cap::SetRIT] = 0),
        CALL(SetRIT(i16(1), dbl(1.0))), {}, {}),
    row("clear", SET(s.RITOffset = 2.5; s.RITStatus = 1), CALL(SetRITClear()), {{0, "RC;"}},
        CHANGE(s.RITOffset = 0.0)),
    row("clear refused", SET(s.RITOffset = 2.5; s.Property[core::cap::SetRITClear] = 0),
        CALL(SetRITClear()), {}, {}, F),
    row("scan up", {}, CALL(SetScanning(i16(1), i16(3))), {{0, "SC1;"}}),
    row("scan down", {}, CALL(SetScanning(i16(-1), i16(3))), {{0, "SC2;"}}),
    row("scan off", {}, CALL(SetScanning(i16(0), i16(3))), {{0, "SC0;"}}),
    row("scan 5", {}, CALL(SetScanning(i16(5), i16(3))), {}),
    without(SET(s.Property[core::cap::SetScanning] = 0), CALL(SetScanning(i16(1), i16(3)))),
    row("step 0", SET(s.TuningStep = 100), CALL(SetTuningStep(i16(0))), {},
        CHANGE(s.TuningStep = 0)),
    row("step -3: a signed comparison", SET(s.TuningStep = 100), CALL(SetTuningStep(i16(-3))), {},
        CHANGE(s.TuningStep = 0)),
    row("step beyond the entry", SET(s.TuningStep = 100), CALL(SetTuningStep(i16(1))), {}, {}, F),
    row("step at the entry", SET(s.Property[core::cap::SetTuningStep] = 3; s.TuningStep = 100),
        CALL(SetTuningStep(i16(3))), {}, CHANGE(s.TuningStep = 0)),
    row("step past the entry", SET(s.Property[core::cap::SetTuningStep] = 3),
        CALL(SetTuningStep(i16(4))), {}, {}, F),
  };
  // The offset's digits round down.
  const std::pair<double, const char*> digits[] = {
      {0.001, "RU0001;"},  {0.02, "RU0020;"},    {9.999, "RU9999;"}, {10.0, "RU9999;"},
      {1.2345, "RU1234;"}, {-0.0004, "RD0001;"}, {-0.02, "RD0020;"}, {-9.9999, "RD9999;"}};
  for (auto [khz, sent] : digits) {
    rows.push_back(row(
        sent, SET(s.RITStatus = 1),
        [khz](TOVRAK_Protocol& p) -> Res { return p.SetRIT(i16(1), dbl(khz)); },
        {{0, "RC;"}, {100, sent}}, [khz](core::State& s, Flags&) { s.RITOffset = khz; }));
  }
  run(rows, kVfos);
}

}  // namespace
}  // namespace tovrak::test
