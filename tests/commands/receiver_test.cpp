// Receiver commands: gains, roofing filter, AGC, attenuator, preamplifier,
// blanker, noise reduction, notch, auto-notch, dual watch and antennas.
#include <gtest/gtest.h>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

TEST(ReceiverCommands, Rows) {
  const std::vector<Row> rows = {
    // The receiver argument picks the level; VFO B's digit elsewhere.
    row("AF", SET(s.VFO = 1), CALL(SetAFLevel(i16(0), i16(5))), {{0, "AG0005;"}},
        CHANGE(s.AFLevel[0] = 5; f.pause())),
    row("AF sub", {}, CALL(SetAFLevel(i16(1), i16(255))), {{0, "AG1255;"}},
        CHANGE(s.AFLevel[1] = 255; f.pause())),
    row("AF negative", {}, CALL(SetAFLevel(i16(0), i16(-5))), {{0, "AG000-5;"}},
        CHANGE(s.AFLevel[0] = -5; f.pause())),
    row("RF inverted", SET(s.VFO = 1; s.RFLevel = {77, 77}), CALL(SetRFLevel(i16(0), i16(0))),
        {{0, "RG1255;"}}, CHANGE(s.RFLevel[0] = 0; f.pause())),
    row("RF full", {}, CALL(SetRFLevel(i16(1), i16(255))), {{0, "RG0000;"}},
        CHANGE(s.RFLevel[1] = 255; f.pause())),
    row("RF mid", {}, CALL(SetRFLevel(i16(0), i16(200))), {{0, "RG0055;"}},
        CHANGE(s.RFLevel[0] = 200; f.pause())),
    row("SQ", {}, CALL(SetSQLevel(i16(1), i16(1000))), {{0, "SQ11000;"}},
        CHANGE(s.SQLevel[1] = 1000; f.pause())),
    row("SQ low", {}, CALL(SetSQLevel(i16(0), i16(7))), {{0, "SQ0007;"}},
        CHANGE(s.SQLevel[0] = 7; f.pause())),
    row("RFT", {}, CALL(SetRFT(i16(0), i16(3))), {{0, "RF03;"}}, CHANGE(s.RFT[0] = 3)),
    row("RFT sub", SET(s.RFT[1] = 2), CALL(SetRFT(i16(1), i16(0))), {{0, "RF10;"}},
        CHANGE(s.RFT[1] = 0)),
    row("AGC", SET(s.VFO = 1), CALL(SetAGC(i16(4))), {{0, "GT14;"}}, CHANGE(s.AGC = 4)),
    row("Att", SET(s.VFO = 1), CALL(SetAtt(i16(3))), {{0, "RA13;"}}, CHANGE(s.Att = 3)),
    row("Att sub receiver", SET(s.VFO = 2), CALL(SetAtt(i16(1))), {{0, "RA21;"}},
        CHANGE(s.Att = 1)),
    row("Att negative", {}, CALL(SetAtt(i16(-1))), {{0, "RA0-1;"}}, CHANGE(s.Att = -1)),
    row("PreAmp", SET(s.VFO = 1), CALL(SetPreAmp(i16(1))), {{0, "PA11;"}}, CHANGE(s.PreAmp = 1)),
    row("AutoNF as Integer16", SET(s.VFO = 1), CALL(SetAutoNF(i16(1))), {{0, "BC11;"}},
        CHANGE(s.AutoNF = Variant(int16_t{1}))),
    row("AutoNF off", SET(s.VFO = 2), CALL(SetAutoNF(i16(0))), {{0, "BC20;"}},
        CHANGE(s.AutoNF = Variant(int16_t{0}))),
    row("Dual", {}, CALL(SetDual(i16(7))), {{0, "FR2;"}}, CHANGE(s.Dual = 7)),
    row("Dual off", SET(s.Dual = 1), CALL(SetDual(i16(0))), {{0, "FR0;"}}, CHANGE(s.Dual = 0)),
    row("Antenna", SET(s.VFO = 1), CALL(SetAntenna(i16(3))), {{0, "AN14;"}}, CHANGE(s.Antenna = 3)),
    row("Antenna 1", SET(s.Antenna = 2), CALL(SetAntenna(i16(0))), {{0, "AN01;"}},
        CHANGE(s.Antenna = 0)),
    row("Antenna negative", {}, CALL(SetAntenna(i16(-1))), {{0, "AN00;"}}, CHANGE(s.Antenna = -1)),
    // Only upper bounds are tested; each bound itself is accepted.
    row("AF receiver 2", {}, CALL(SetAFLevel(i16(2), i16(5))), {}, {}, F),
    row("RF receiver 2", {}, CALL(SetRFLevel(i16(2), i16(5))), {}, {}, F),
    row("SQ receiver 2", {}, CALL(SetSQLevel(i16(2), i16(5))), {}, {}, F),
    row("RFT 4", {}, CALL(SetRFT(i16(0), i16(4))), {}, {}, F),
    row("RFT 3", {}, CALL(SetRFT(i16(1), i16(3))), {{0, "RF13;"}}, CHANGE(s.RFT[1] = 3)),
    row("AGC 5", {}, CALL(SetAGC(i16(5))), {}, {}, F),
    row("AGC 4", {}, CALL(SetAGC(i16(4))), {{0, "GT04;"}}, CHANGE(s.AGC = 4)),
    row("Att 4", {}, CALL(SetAtt(i16(4))), {}, {}, F),
    row("PreAmp 2", {}, CALL(SetPreAmp(i16(2))), {}, {}, F),
    row("PreAmp 1", {}, CALL(SetPreAmp(i16(1))), {{0, "PA01;"}}, CHANGE(s.PreAmp = 1)),
    row("NB 256", {}, CALL(SetNB(i16(256))), {}, {}, F),
    row("NR 16", {}, CALL(SetNR(i16(16))), {}, {}, F),
    row("NF 401", {}, CALL(SetNF(i16(401))), {}, {}, F),
    row("Antenna 4", {}, CALL(SetAntenna(i16(4))), {}, {}, F),
    row("Antenna 3", {}, CALL(SetAntenna(i16(3))), {{0, "AN04;"}}, CHANGE(s.Antenna = 3)),
    without(SET(s.Property[core::cap::SetAFLevel] = 0), CALL(SetAFLevel(i16(0), i16(5)))),
    without(SET(s.Property[core::cap::SetRFLevel] = 0), CALL(SetRFLevel(i16(0), i16(5)))),
    without(SET(s.Property[core::cap::SetSQLevel] = 0), CALL(SetSQLevel(i16(0), i16(5)))),
    without(SET(s.Property[core::cap::SetRFT] = 0), CALL(SetRFT(i16(0), i16(0)))),
    without(SET(s.Property[core::cap::SetAGC] = 0), CALL(SetAGC(i16(0)))),
    without(SET(s.Property[core::cap::SetAtt] = 0), CALL(SetAtt(i16(0)))),
    without(SET(s.Property[core::cap::SetPreAmp] = 0), CALL(SetPreAmp(i16(0)))),
    without(SET(s.Property[core::cap::SetNB] = 0), CALL(SetNB(i16(0)))),
    without(SET(s.Property[core::cap::SetNR] = 0), CALL(SetNR(i16(0)))),
    without(SET(s.Property[core::cap::SetNF] = 0), CALL(SetNF(i16(0)))),
    without(SET(s.Property[core::cap::SetAutoNF] = 0), CALL(SetAutoNF(i16(1)))),
    without(SET(s.Property[core::cap::SetDual] = 0), CALL(SetDual(i16(1)))),
    without(SET(s.Property[core::cap::SetRXAnt] = 0), CALL(SetRXAnt(i16(1)))),
    without(SET(s.Property[core::cap::SetAntenna] = 0), CALL(SetAntenna(i16(0)))),
    // A receiver outside the arrays fails after the write.
    row("AF receiver -1", {}, CALL(SetAFLevel(i16(-1), i16(5))), {{0, "AG-1005;"}},
        CHANGE(f.pause()), E9),
    row("RF receiver -1", {}, CALL(SetRFLevel(i16(-1), i16(5))), {{0, "RG0250;"}},
        CHANGE(f.pause()), E9),
    row("SQ receiver -2", {}, CALL(SetSQLevel(i16(-2), i16(5))), {{0, "SQ-2005;"}},
        CHANGE(f.pause()), E9),
    row("RFT receiver 5", {}, CALL(SetRFT(i16(5), i16(2))), {{0, "RF52;"}}, {}, E9),
    row("RFT receiver -1", {}, CALL(SetRFT(i16(-1), i16(2))), {{0, "RF-12;"}}, {}, E9),
  };
  run(rows);
}

TEST(ReceiverCommands, NoiseBlanker) {
  const std::vector<Row> rows = {
    row("level of blanker 2", SET(s.NBType = 2; s.NBRec[1].On = 1), CALL(SetNB(i16(50))),
        {{0, "NL0050;"}},
        CHANGE(s.NBRec[2].On = 1; s.NBRec[1].On = 0; s.NBRec[2].Level = 50; s.NB = 50;
               s.StatusChange = VTrue; f.pause())),
    row("level of blanker 1 on VFO B", SET(s.VFO = 1; s.NBRec[2] = {1, 50, "NL"}),
        CALL(SetNB(i16(255))), {{0, "NL1255;"}},
        CHANGE(s.NBRec[1].On = 1; s.NBRec[2].On = 0; s.NBRec[1].Level = 255; s.NB = 255;
               s.StatusChange = VTrue; f.pause())),
    row("blanker off: only a pause", SET(s.NBType = 0), CALL(SetNB(i16(50))), {}, CHANGE(f.pause()),
        F),
    row("no such blanker", SET(s.NBType = 3), CALL(SetNB(i16(50))), {}, CHANGE(f.pause()), E9),
  };
  run(rows);
}

TEST(ReceiverCommands, NoiseReduction) {
  const std::vector<Row> rows = {
    row("on with a level", {}, CALL(SetNR(i16(5))), {{0, "NR01;"}, {100, "RL005;"}},
        CHANGE(s.NR = 5; s.NRSwitch = 1; s.NRLevel = 5; s.StatusChange = VTrue; f.pause()), T),
    row("level only while on", SET(s.NR = 5; s.NRSwitch = 1; s.NRLevel = 5), CALL(SetNR(i16(7))),
        {{0, "RL007;"}}, CHANGE(s.NR = 7; s.NRLevel = 7; f.pause()), T),
    row("off remembers the level", SET(s.NR = 7; s.NRSwitch = 1; s.NRLevel = 7),
        CALL(SetNR(i16(0))), {{0, "NR00;"}}, CHANGE(s.NR = 1007; s.NRSwitch = 0; f.pause()), T),
    row("off from fresh", {}, CALL(SetNR(i16(0))), {{0, "NR00;"}}, CHANGE(s.NR = 1000; f.pause()),
        T),
    row("on from a remembered level, VFO B", SET(s.VFO = 1; s.NR = 1007; s.NRLevel = 7),
        CALL(SetNR(i16(3))), {{0, "NR11;"}, {100, "RL103;"}},
        CHANGE(s.NR = 3; s.NRSwitch = 1; s.NRLevel = 3; s.StatusChange = VTrue; f.pause()), T),
    row("bound 15", {}, CALL(SetNR(i16(15))), {{0, "NR01;"}, {100, "RL015;"}},
        CHANGE(s.NR = 15; s.NRSwitch = 1; s.NRLevel = 15; s.StatusChange = VTrue; f.pause()), T),
  };
  run(rows);
  // The switch is read from the folded value the radio reported: 1000 or
  // more is off, anything else but 0 is on.
  std::vector<Row> folded;
  for (int16_t reported : {1000, 1015, 3000, 1, 999, -4}) {
    const bool off = reported >= 1000;
    folded.push_back(row(
        "reported " + std::to_string(reported),
        [reported](core::State& s, core::Module&) { s.NR = reported; }, CALL(SetNR(i16(2))),
        off ? Wire{{0, "NR01;"}, {100, "RL002;"}} : Wire{{0, "RL002;"}},
        [off](core::State& s, Flags& f) {
          s.NR = 2;
          s.NRLevel = 2;
          s.NRSwitch = 1;
          if (off) s.StatusChange = VTrue;
          f.pause();
        },
        T));
  }
  run(folded);
}

TEST(ReceiverCommands, Notch) {
  const std::vector<Row> rows = {
    row("on", {}, CALL(SetNF(i16(40))), {{0, "BP00001;"}, {100, "BP01040;"}},
        CHANGE(s.NF = 40; s.FNotch = 400; s.NFSwitch = 1; s.NFLevel = 40; s.StatusChange = VTrue;
               f.pause())),
    row("level while on", SET(s.NF = 40; s.FNotch = 400; s.NFSwitch = 1; s.NFLevel = 40),
        CALL(SetNF(i16(5))), {{0, "BP01005;"}},
        CHANGE(s.NF = 5; s.FNotch = 50; s.NFLevel = 5; f.pause())),
    row("off", SET(s.NF = 5; s.FNotch = 50; s.NFSwitch = 1; s.NFLevel = 5), CALL(SetNF(i16(0))),
        {{0, "BP00000;"}}, CHANGE(s.NF = 1005; s.NFSwitch = 0; f.pause())),
    row("off from fresh", {}, CALL(SetNF(i16(0))), {{0, "BP00000;"}},
        CHANGE(s.NF = 1000; f.pause())),
    row("VFO B, bound", SET(s.VFO = 1), CALL(SetNF(i16(400))), {{0, "BP10001;"}, {100, "BP11400;"}},
        CHANGE(s.NF = 400; s.FNotch = 4000; s.NFSwitch = 1; s.NFLevel = 400; s.StatusChange = VTrue;
               f.pause())),
  };
  run(rows);
}

TEST(ReceiverCommands, ReceiveAntenna) {
  const std::vector<Row> rows = {
    row("receive antenna", SET(s.Antenna = 2), CALL(SetRXAnt(i16(1))), {{0, "AN05;"}},
        CHANGE(s.RXAnt = 1)),
    row("back to the connector", SET(s.Antenna = 2; s.RXAnt = 1), CALL(SetRXAnt(i16(0))),
        {{0, "AN03;"}}, CHANGE(s.RXAnt = 0)),
    row("other values are stored only", {}, CALL(SetRXAnt(i16(3))), {}, CHANGE(s.RXAnt = 3)),
    row("connector beyond the table", SET(s.Antenna = 7; s.RXAnt = 1), CALL(SetRXAnt(i16(0))), {},
        CHANGE(s.RXAnt = 0)),
    row("connector refused", SET(s.Antenna = 1; s.Property[core::cap::SetAntenna] = 0; s.RXAnt = 1),
        CALL(SetRXAnt(i16(0))), {}, CHANGE(s.RXAnt = 0)),
  };
  run(rows);
}

}  // namespace
}  // namespace tovrak::test
