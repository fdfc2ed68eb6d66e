// Receiver commands: gains, roofing filter, AGC, attenuator, preamplifier,
// blanker, noise reduction, notch, auto-notch, dual watch and antennas.
#include <gtest/gtest.h>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

TEST(ReceiverCommands, Rows) {
  std::vector<Row> rows = {
    // The receiver argument picks the level; VFO B's digit elsewhere.
    row("AF", SET(s.VFO = 1), CALL(SetAFLevel, 0, 5), "AG0005;",
        CHANGE(s.AFLevel[0] = 5; f.pause())),
    row("AF sub", {}, CALL(SetAFLevel, 1, 255), "AG1255;", CHANGE(s.AFLevel[1] = 255; f.pause())),
    row("RF inverted", SET(s.VFO = 1; s.RFLevel = {77, 77}), CALL(SetRFLevel, 0, 0), "RG1255;",
        CHANGE(s.RFLevel[0] = 0; f.pause())),
    row("RF full", {}, CALL(SetRFLevel, 1, 255), "RG0000;", CHANGE(s.RFLevel[1] = 255; f.pause())),
    row("SQ", {}, CALL(SetSQLevel, 1, 1000), "SQ11000;", CHANGE(s.SQLevel[1] = 1000; f.pause())),
    row("SQ low", {}, CALL(SetSQLevel, 0, 7), "SQ0007;", CHANGE(s.SQLevel[0] = 7; f.pause())),
    row("RFT", {}, CALL(SetRFT, 0, 3), "RF03;", CHANGE(s.RFT[0] = 3)),
    row("RFT sub", SET(s.RFT[1] = 2), CALL(SetRFT, 1, 0), "RF10;", CHANGE(s.RFT[1] = 0)),
    row("AGC", SET(s.VFO = 1), CALL(SetAGC, 4), "GT14;", CHANGE(s.AGC = 4)),
    row("Att", SET(s.VFO = 1), CALL(SetAtt, 3), "RA13;", CHANGE(s.Att = 3)),
    row("PreAmp", SET(s.VFO = 1), CALL(SetPreAmp, 1), "PA11;", CHANGE(s.PreAmp = 1)),
    row("AutoNF as Integer16", SET(s.VFO = 1), CALL(SetAutoNF, 1), "BC11;",
        CHANGE(s.AutoNF = Variant(int16_t{1}))),
    row("AutoNF off", SET(s.VFO = 2), CALL(SetAutoNF, 0), "BC20;",
        CHANGE(s.AutoNF = Variant(int16_t{0}))),
    row("Dual", {}, CALL(SetDual, 7), "FR2;", CHANGE(s.Dual = 7)),
    row("Dual off", SET(s.Dual = 1), CALL(SetDual, 0), "FR0;", CHANGE(s.Dual = 0)),
    row("Antenna", SET(s.VFO = 1), CALL(SetAntenna, 3), "AN14;", CHANGE(s.Antenna = 3)),
    row("Antenna 1", SET(s.Antenna = 2), CALL(SetAntenna, 0), "AN01;", CHANGE(s.Antenna = 0)),
    // A receiver outside the arrays fails after the write.
    row("AF receiver -1", {}, CALL(SetAFLevel, -1, 5), "AG-1005;", CHANGE(f.pause()), E9),
    row("RF receiver -1", {}, CALL(SetRFLevel, -1, 5), "RG0250;", CHANGE(f.pause()), E9),
    row("SQ receiver -2", {}, CALL(SetSQLevel, -2, 5), "SQ-2005;", CHANGE(f.pause()), E9),
    row("RFT receiver 5", {}, CALL(SetRFT, 5, 2), "RF52;", {}, E9),
    row("level of blanker 2", SET(s.NBType = 2; s.NBRec[1].On = 1), CALL(SetNB, 50), "NL0050;",
        CHANGE(s.NBRec[2].On = 1; s.NBRec[1].On = 0; s.NBRec[2].Level = 50; s.NB = 50;
               s.StatusChange = VTrue; f.pause())),
    row("level of blanker 1 on VFO B", SET(s.VFO = 1; s.NBRec[2] = {1, 50, "NL"}), CALL(SetNB, 255),
        "NL1255;",
        CHANGE(s.NBRec[1].On = 1; s.NBRec[2].On = 0; s.NBRec[1].Level = 255; s.NB = 255;
               s.StatusChange = VTrue; f.pause())),
    row("blanker off: only a pause", SET(s.NBType = 0), CALL(SetNB, 50), "", CHANGE(f.pause()), F),
    row("no such blanker", SET(s.NBType = 3), CALL(SetNB, 50), "", CHANGE(f.pause()), E9),
    row("notch on", {}, CALL(SetNF, 40), "BP00001; 100 BP01040;",
        CHANGE(s.NF = 40; s.FNotch = 400; s.NFSwitch = 1; s.NFLevel = 40; s.StatusChange = VTrue;
               f.pause())),
    row("notch level while on", SET(s.NF = 40; s.FNotch = 400; s.NFSwitch = 1; s.NFLevel = 40),
        CALL(SetNF, 5), "BP01005;", CHANGE(s.NF = 5; s.FNotch = 50; s.NFLevel = 5; f.pause())),
    row("notch off", SET(s.NF = 5; s.FNotch = 50; s.NFSwitch = 1; s.NFLevel = 5), CALL(SetNF, 0),
        "BP00000;", CHANGE(s.NF = 1005; s.NFSwitch = 0; f.pause())),
    row("notch on VFO B, bound", SET(s.VFO = 1), CALL(SetNF, 400), "BP10001; 100 BP11400;",
        CHANGE(s.NF = 400; s.FNotch = 4000; s.NFSwitch = 1; s.NFLevel = 400; s.StatusChange = VTrue;
               f.pause())),
    row("receive antenna", SET(s.Antenna = 2), CALL(SetRXAnt, 1), "AN05;", CHANGE(s.RXAnt = 1)),
    row("back to the connector", SET(s.Antenna = 2; s.RXAnt = 1), CALL(SetRXAnt, 0), "AN03;",
        CHANGE(s.RXAnt = 0)),
    row("other values are stored only", {}, CALL(SetRXAnt, 3), "", CHANGE(s.RXAnt = 3)),
    row("connector beyond the table", SET(s.Antenna = 7; s.RXAnt = 1), CALL(SetRXAnt, 0), "",
        CHANGE(s.RXAnt = 0)),
    row("connector refused", SET(s.Antenna = 1; s.Property[cap::SetAntenna] = 0; s.RXAnt = 1),
        CALL(SetRXAnt, 0), "", CHANGE(s.RXAnt = 0))
  };
  // One past each upper bound is refused; lower bounds are not tested.
  refuse(rows, {CALL(SetAFLevel, 2, 5), CALL(SetRFLevel, 2, 5), CALL(SetSQLevel, 2, 5),
                CALL(SetRFT, 0, 4), CALL(SetAGC, 5), CALL(SetAtt, 4), CALL(SetPreAmp, 2),
                CALL(SetNB, 256), CALL(SetNR, 16), CALL(SetNF, 401), CALL(SetAntenna, 4)});
  rows.insert(rows.end(),
              {WITHOUT(SetAFLevel, 0, 5), WITHOUT(SetRFLevel, 0, 5), WITHOUT(SetSQLevel, 0, 5),
               WITHOUT(SetRFT, 0, 0), WITHOUT(SetAGC, 0), WITHOUT(SetAtt, 0), WITHOUT(SetPreAmp, 0),
               WITHOUT(SetNB, 0), WITHOUT(SetNR, 0), WITHOUT(SetNF, 0), WITHOUT(SetAutoNF, 1),
               WITHOUT(SetDual, 1), WITHOUT(SetRXAnt, 1), WITHOUT(SetAntenna, 0)});
  run(rows);
}

TEST(ReceiverCommands, NoiseReduction) {
  std::vector<Row> rows = {
    row("on with a level", {}, CALL(SetNR, 5), "NR01; 100 RL005;",
        CHANGE(s.NR = 5; s.NRSwitch = 1; s.NRLevel = 5; s.StatusChange = VTrue; f.pause())),
    row("level only while on", SET(s.NR = 5; s.NRSwitch = 1; s.NRLevel = 5), CALL(SetNR, 7),
        "RL007;", CHANGE(s.NR = 7; s.NRLevel = 7; f.pause())),
    row("off remembers the level", SET(s.NR = 7; s.NRSwitch = 1; s.NRLevel = 7), CALL(SetNR, 0),
        "NR00;", CHANGE(s.NR = 1007; s.NRSwitch = 0; f.pause())),
    row("on from a remembered level, VFO B", SET(s.VFO = 1; s.NR = 1007; s.NRLevel = 7),
        CALL(SetNR, 3), "NR11; 100 RL103;",
        CHANGE(s.NR = 3; s.NRSwitch = 1; s.NRLevel = 3; s.StatusChange = VTrue; f.pause())),
  };
  // The switch is read from the folded value the radio reported: 1000 or
  // more is off, anything else but 0 is on.
  for (int16_t reported : {1000, 3000, 999, -4}) {
    const bool off = reported >= 1000;
    rows.push_back(row(
        "reported " + std::to_string(reported), SETV(s.NR = reported), CALL(SetNR, 2),
        off ? "NR01; 100 RL002;" : "RL002;",
        CHANGEV(s.NR = s.NRLevel = 2; s.NRSwitch = 1; f.pause(); if (off) s.StatusChange = VTrue)));
  }
  run(rows);
}

}  // namespace
}  // namespace tovrak::test
