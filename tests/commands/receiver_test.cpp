// Receiver commands: gains, roofing filter, AGC, attenuator, preamplifier,
// blanker, noise reduction, notch, auto-notch, dual watch and antennas.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

struct ReceiverCommands : Commands {
  void unpause() {
    m.polling.poll_paused = VFalse;
    m.port_and_timers().tmrStopPolling->set_enabled(false);
  }
};

// One accepted call of a plain member: its bytes, whether it paused polling,
// and the state it left.
struct Plain {
  const char* name;
  std::function<VBool(TOVRAK_Protocol&)> call;
  const char* sent;
  bool pauses;
  std::function<bool(const core::State&)> stored;
};

TEST_F(ReceiverCommands, PlainMembersWriteTheirCommandAndStoreTheValue) {
  s.VFO = 1;  // the VFO digit differs from the receiver argument
  s.RFLevel = {77, 77};
  const Variant one(int16_t{1});  // an Integer16, as the switch is stored
  const std::vector<Plain> cases = {
      {"AF", [](auto& p) { return p.SetAFLevel(i16(0), i16(5)); }, "AG0005;", true,
       [](auto& s) { return s.AFLevel[0] == 5; }},
      {"AF sub", [](auto& p) { return p.SetAFLevel(i16(1), i16(255)); }, "AG1255;", true,
       [](auto& s) { return s.AFLevel[1] == 255; }},
      {"RF", [](auto& p) { return p.SetRFLevel(i16(0), i16(0)); }, "RG1255;", true,
       [](auto& s) { return s.RFLevel[0] == 0 && s.RFLevel[1] == 77; }},
      {"RF full", [](auto& p) { return p.SetRFLevel(i16(1), i16(255)); }, "RG1000;", true,
       [](auto& s) { return s.RFLevel[1] == 255; }},
      {"RF mid", [](auto& p) { return p.SetRFLevel(i16(0), i16(200)); }, "RG1055;", true,
       [](auto& s) { return s.RFLevel[0] == 200; }},
      {"SQ", [](auto& p) { return p.SetSQLevel(i16(1), i16(128)); }, "SQ1128;", true,
       [](auto& s) { return s.SQLevel[1] == 128; }},
      {"SQ low", [](auto& p) { return p.SetSQLevel(i16(0), i16(7)); }, "SQ0007;", true,
       [](auto& s) { return s.SQLevel[0] == 7; }},
      {"RFT", [](auto& p) { return p.SetRFT(i16(0), i16(3)); }, "RF03;", false,
       [](auto& s) { return s.RFT[0] == 3; }},
      {"RFT sub", [](auto& p) { return p.SetRFT(i16(1), i16(0)); }, "RF10;", false,
       [](auto& s) { return s.RFT[1] == 0; }},
      {"AGC", [](auto& p) { return p.SetAGC(i16(4)); }, "GT14;", false,
       [](auto& s) { return s.AGC == 4; }},
      {"Att", [](auto& p) { return p.SetAtt(i16(3)); }, "RA13;", false,
       [](auto& s) { return s.Att == 3; }},
      {"PreAmp", [](auto& p) { return p.SetPreAmp(i16(1)); }, "PA11;", false,
       [](auto& s) { return s.PreAmp == 1; }},
      {"AutoNF", [](auto& p) { return p.SetAutoNF(i16(1)); }, "BC11;", false,
       [&](auto& s) { return s.AutoNF == one; }},
      {"Dual", [](auto& p) { return p.SetDual(i16(7)); }, "FR2;", false,
       [](auto& s) { return s.Dual == 7; }},
      {"Dual off", [](auto& p) { return p.SetDual(i16(0)); }, "FR0;", false,
       [](auto& s) { return s.Dual == 0; }},
      {"Antenna", [](auto& p) { return p.SetAntenna(i16(3)); }, "AN14;", false,
       [](auto& s) { return s.Antenna == 3; }},
      {"Antenna 1", [](auto& p) { return p.SetAntenna(i16(0)); }, "AN11;", false,
       [](auto& s) { return s.Antenna == 0; }},
  };
  for (const auto& c : cases) {
    unpause();
    r.apt.sleep_ms(500);
    EXPECT_TRUE(c.call(p)) << c.name;
    EXPECT_EQ(r.sent(), (Texts{c.sent})) << c.name;
    EXPECT_EQ(paused(), c.pauses) << c.name;
    EXPECT_TRUE(c.stored(s)) << c.name;
  }
}

TEST_F(ReceiverCommands, VfoDigitOfVfoAAndTheSubReceiver) {
  EXPECT_TRUE(p.SetAGC(i16(4)));
  EXPECT_TRUE(p.SetRFLevel(i16(1), i16(0)));
  EXPECT_TRUE(p.SetAntenna(i16(3)));
  s.VFO = 2;
  EXPECT_TRUE(p.SetAtt(i16(1)));
  EXPECT_TRUE(p.SetAutoNF(i16(0)));
  EXPECT_TRUE(wire_is(
      Wire{{0, "GT04;"}, {100, "RG0255;"}, {200, "AN04;"}, {300, "RA21;"}, {400, "BC20;"}}));
}

TEST_F(ReceiverCommands, BoundsAreTheCapabilityEntries) {
  EXPECT_REFUSED(p.SetAFLevel(i16(2), i16(5)));  // receivers 0 and 1
  EXPECT_REFUSED(p.SetRFLevel(i16(2), i16(5)));
  EXPECT_REFUSED(p.SetSQLevel(i16(2), i16(5)));
  EXPECT_REFUSED(p.SetRFT(i16(0), i16(4)));
  EXPECT_REFUSED(p.SetAGC(i16(5)));
  EXPECT_REFUSED(p.SetAtt(i16(4)));
  EXPECT_REFUSED(p.SetPreAmp(i16(2)));
  EXPECT_REFUSED(p.SetNB(i16(256)));
  EXPECT_REFUSED(p.SetNR(i16(16)));
  EXPECT_REFUSED(p.SetNF(i16(401)));
  EXPECT_REFUSED(p.SetAntenna(i16(4)));
  // Each bound itself is accepted.
  EXPECT_TRUE(p.SetAtt(i16(3)));
  EXPECT_TRUE(p.SetAGC(i16(4)));
  EXPECT_TRUE(p.SetRFT(i16(1), i16(3)));
  EXPECT_TRUE(p.SetPreAmp(i16(1)));
  EXPECT_TRUE(p.SetNB(i16(255)));
  EXPECT_EQ(p.SetNR(i16(15)), -1);
  EXPECT_TRUE(p.SetNF(i16(400)));
  EXPECT_EQ(r.sent(), (Texts{"RA03;", "GT04;", "RF13;", "PA01;", "NL0255;", "NR01;", "RL015;",
                             "BP00001;", "BP01400;"}));
}

TEST_F(ReceiverCommands, OnlyUpperBoundsAreTested) {
  EXPECT_TRUE(p.SetAtt(i16(-1)));
  EXPECT_TRUE(p.SetAFLevel(i16(0), i16(-5)));
  EXPECT_TRUE(p.SetSQLevel(i16(1), i16(1000)));
  EXPECT_TRUE(p.SetAntenna(i16(-1)));
  EXPECT_EQ(r.sent(), (Texts{"RA0-1;", "AG000-5;", "SQ11000;", "AN00;"}));
  EXPECT_EQ(s.Att, -1);
  EXPECT_EQ(s.AFLevel[0], -5);
  EXPECT_EQ(s.SQLevel[1], 1000);
  EXPECT_EQ(s.Antenna, -1);
}

TEST_F(ReceiverCommands, WithoutTheFunctionNothingHappens) {
  struct Off {
    int entry;
    std::function<bool(TOVRAK_Protocol&)> call;
  };
  const std::vector<Off> cases = {
      {core::cap::SetAFLevel, [](auto& p) { return bool(p.SetAFLevel(i16(0), i16(5))); }},
      {core::cap::SetRFLevel, [](auto& p) { return bool(p.SetRFLevel(i16(0), i16(5))); }},
      {core::cap::SetSQLevel, [](auto& p) { return bool(p.SetSQLevel(i16(0), i16(5))); }},
      {core::cap::SetRFT, [](auto& p) { return bool(p.SetRFT(i16(0), i16(0))); }},
      {core::cap::SetAGC, [](auto& p) { return bool(p.SetAGC(i16(0))); }},
      {core::cap::SetAtt, [](auto& p) { return bool(p.SetAtt(i16(0))); }},
      {core::cap::SetPreAmp, [](auto& p) { return bool(p.SetPreAmp(i16(0))); }},
      {core::cap::SetNB, [](auto& p) { return bool(p.SetNB(i16(0))); }},
      {core::cap::SetNR, [](auto& p) { return p.SetNR(i16(0)) != 0; }},
      {core::cap::SetNF, [](auto& p) { return bool(p.SetNF(i16(0))); }},
      {core::cap::SetAutoNF, [](auto& p) { return bool(p.SetAutoNF(i16(1))); }},
      {core::cap::SetDual, [](auto& p) { return bool(p.SetDual(i16(1))); }},
      {core::cap::SetRXAnt, [](auto& p) { return bool(p.SetRXAnt(i16(1))); }},
      {core::cap::SetAntenna, [](auto& p) { return bool(p.SetAntenna(i16(0))); }},
  };
  for (const auto& c : cases) {
    const int16_t entry = s.Property[static_cast<size_t>(c.entry)];
    s.Property[static_cast<size_t>(c.entry)] = 0;
    EXPECT_REFUSED(c.call(p));
    s.Property[static_cast<size_t>(c.entry)] = entry;
  }
}

// ---- receiver-indexed state

TEST_F(ReceiverCommands, AReceiverOutsideTheArraysFailsAfterTheWrite) {
  struct Case {
    std::function<void(TOVRAK_Protocol&)> call;
    const char* sent;
  };
  const std::vector<Case> cases = {
      {[](auto& p) { p.SetAFLevel(i16(-1), i16(5)); }, "AG-1005;"},
      {[](auto& p) { p.SetRFLevel(i16(-1), i16(5)); }, "RG0250;"},
      {[](auto& p) { p.SetSQLevel(i16(-2), i16(5)); }, "SQ-2005;"},
      {[](auto& p) { p.SetRFT(i16(5), i16(2)); }, "RF52;"},  // only RFT is tested
      {[](auto& p) { p.SetRFT(i16(-1), i16(2)); }, "RF-12;"},
  };
  for (const auto& c : cases) {
    const float last_send = m.link.last_send_time;
    const float last_command = m.link.last_command_time;
    const std::string before = picture(r);
    EXPECT_EQ(error_number([&] { c.call(p); }), 9) << c.sent;
    EXPECT_EQ(r.sent(), (Texts{c.sent}));
    // Nothing but the write (and the polling pause) happened.
    m.link.last_send_time = last_send;
    m.link.last_command_time = last_command;
    unpause();
    EXPECT_EQ(picture(r), before) << c.sent;
  }
}

// ---- SetNB

TEST_F(ReceiverCommands, SetNBSetsTheLevelOfTheSelectedBlanker) {
  s.NBType = 2;
  s.NBRec[1].On = 1;
  EXPECT_TRUE(p.SetNB(i16(50)));
  EXPECT_TRUE(wire_is(Wire{{0, "NL0050;"}}));
  EXPECT_EQ(s.NBRec[2].On, 1);
  EXPECT_EQ(s.NBRec[1].On, 0);
  EXPECT_EQ(s.NBRec[2].Level, 50);
  EXPECT_EQ(s.NBRec[1].Level, 0);
  EXPECT_EQ(s.NB, 50);
  EXPECT_EQ(s.StatusChange, VTrue);
  EXPECT_TRUE(paused());

  s.NBType = 1;
  s.VFO = 1;
  EXPECT_TRUE(p.SetNB(i16(5)));
  EXPECT_EQ(r.sent(), (Texts{"NL1005;"}));
  EXPECT_EQ(s.NBRec[1].On, 1);
  EXPECT_EQ(s.NBRec[2].On, 0);
  EXPECT_EQ(s.NBRec[1].Level, 5);
  EXPECT_EQ(s.NBRec[2].Level, 50);
}

TEST_F(ReceiverCommands, SetNBWithTheBlankerOffOnlyPausesPolling) {
  s.NBType = 0;
  unpause();
  const std::string before = picture(r);
  EXPECT_FALSE(p.SetNB(i16(50)));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_TRUE(paused());
  unpause();
  EXPECT_EQ(picture(r), before);
}

TEST_F(ReceiverCommands, SetNBWithAnUnknownBlankerFailsBeforeWriting) {
  s.NBType = 3;
  const std::string before = picture(r);
  EXPECT_EQ(error_number([&] { p.SetNB(i16(50)); }), 9);
  EXPECT_EQ(r.wire(), Wire{});
  unpause();
  EXPECT_EQ(picture(r), before);
}

// ---- SetNR

TEST_F(ReceiverCommands, SetNRSwitchesOnOnceAndRemembersTheLevelWhileOff) {
  EXPECT_EQ(p.SetNR(i16(5)), -1);
  EXPECT_TRUE(wire_is(Wire{{0, "NR01;"}, {100, "RL005;"}}));
  EXPECT_EQ(s.NR, 5);
  EXPECT_EQ(s.NRSwitch, 1);
  EXPECT_EQ(s.NRLevel, 5);
  EXPECT_EQ(s.StatusChange, VTrue);
  EXPECT_TRUE(paused());

  s.StatusChange = VFalse;
  EXPECT_EQ(p.SetNR(i16(7)), -1);
  EXPECT_TRUE(wire_is(Wire{{200, "RL007;"}}));
  EXPECT_EQ(s.NR, 7);
  EXPECT_EQ(s.StatusChange, VFalse);  // no switching

  EXPECT_EQ(p.SetNR(i16(0)), -1);
  EXPECT_TRUE(wire_is(Wire{{300, "NR00;"}}));
  EXPECT_EQ(s.NR, 1007);
  EXPECT_EQ(s.NRSwitch, 0);
  EXPECT_EQ(s.NRLevel, 7);

  EXPECT_REFUSED(p.SetNR(i16(16)));
  EXPECT_EQ(p.SetNR(i16(16)), 0);

  // Off with a remembered level counts as off.
  s.VFO = 1;
  EXPECT_EQ(p.SetNR(i16(3)), -1);
  EXPECT_EQ(r.sent(), (Texts{"NR11;", "RL103;"}));
  EXPECT_EQ(s.NR, 3);
}

TEST_F(ReceiverCommands, SetNROffFromAFreshStateRemembersNoLevel) {
  EXPECT_EQ(p.SetNR(i16(0)), -1);
  EXPECT_EQ(r.sent(), (Texts{"NR00;"}));
  EXPECT_EQ(s.NR, 1000);
}

TEST_F(ReceiverCommands, SetNRReadsTheFoldedValueTheRadioReported) {
  // Any value of 1000 or more is off; anything else but 0 is on.
  for (int16_t reported : {1000, 1015, 3000}) {
    s.NR = reported;
    EXPECT_EQ(p.SetNR(i16(2)), -1);
    EXPECT_EQ(r.sent(), (Texts{"NR01;", "RL002;"})) << reported;
  }
  for (int16_t reported : {1, 999, -4}) {
    s.NR = reported;
    EXPECT_EQ(p.SetNR(i16(2)), -1);
    EXPECT_EQ(r.sent(), (Texts{"RL002;"})) << reported;
  }
}

// ---- SetNF

TEST_F(ReceiverCommands, SetNFSwitchesTheNotchOnAndOff) {
  EXPECT_TRUE(p.SetNF(i16(40)));
  EXPECT_TRUE(wire_is(Wire{{0, "BP00001;"}, {100, "BP01040;"}}));
  EXPECT_EQ(s.NF, 40);
  EXPECT_EQ(s.FNotch, 400);
  EXPECT_EQ(s.StatusChange, VTrue);
  EXPECT_TRUE(paused());

  EXPECT_TRUE(p.SetNF(i16(5)));
  EXPECT_TRUE(wire_is(Wire{{200, "BP01005;"}}));
  EXPECT_EQ(s.NF, 5);
  EXPECT_EQ(s.FNotch, 50);

  EXPECT_TRUE(p.SetNF(i16(0)));
  EXPECT_TRUE(wire_is(Wire{{300, "BP00000;"}}));
  EXPECT_EQ(s.NF, 1005);
  EXPECT_EQ(s.FNotch, 50);
  EXPECT_EQ(s.NFLevel, 5);

  s.VFO = 1;
  EXPECT_TRUE(p.SetNF(i16(123)));
  EXPECT_EQ(r.sent(), (Texts{"BP10001;", "BP11123;"}));
  EXPECT_EQ(s.NF, 123);
  EXPECT_EQ(s.FNotch, 1230);
}

TEST_F(ReceiverCommands, SetNFOffFromAFreshState) {
  EXPECT_TRUE(p.SetNF(i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"BP00000;"}));
  EXPECT_EQ(s.NF, 1000);
  EXPECT_EQ(s.FNotch, 0);
}

// ---- SetRXAnt

TEST_F(ReceiverCommands, SetRXAntSelectsTheReceiveAntennaOrTheSelectedConnector) {
  s.Antenna = 2;
  EXPECT_TRUE(p.SetRXAnt(i16(1)));
  EXPECT_EQ(r.sent(), (Texts{"AN05;"}));
  EXPECT_EQ(s.RXAnt, 1);
  EXPECT_TRUE(p.SetRXAnt(i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"AN03;"}));
  EXPECT_EQ(s.RXAnt, 0);
  EXPECT_EQ(s.Antenna, 2);

  const std::string before = picture(r);
  EXPECT_TRUE(p.SetRXAnt(i16(3)));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(s.RXAnt, 3);
  s.RXAnt = 0;
  EXPECT_EQ(picture(r), before);
}

TEST_F(ReceiverCommands, SetRXAntBackToAConnectorSetAntennaRefuses) {
  s.Antenna = 7;  // beyond the connectors
  EXPECT_TRUE(p.SetRXAnt(i16(0)));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(s.RXAnt, 0);
  s.Antenna = 1;
  s.Property[core::cap::SetAntenna] = 0;
  s.RXAnt = 1;
  EXPECT_TRUE(p.SetRXAnt(i16(0)));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_EQ(s.RXAnt, 0);
}

}  // namespace
}  // namespace tovrak::test
