// Answers as rows: the state before, the text the radio sends, the change it
// makes to the state and the polling flags, the Change events it raises and
// the queries it sends. Every row runs on a fresh component with its port
// open, past the first answer's events; what a row does not name must stay.
#include <gtest/gtest.h>

#include "commands/command_fixture.hpp"

namespace tovrak::test {
namespace {

using Events = std::vector<int16_t>;

struct Answer {
  std::string name;
  Before before;  // empty: the fresh state
  std::string text;
  Change after;  // empty: nothing changes
  Events events = {};
  Texts sent = {};
};

Answer answer(std::string name, Before before, std::string text, Change after = {},
              Events events = {}, Texts sent = {}) {
  return {std::move(name),  std::move(before), std::move(text),
          std::move(after), std::move(events), std::move(sent)};
}

void feed(Rig& r, const std::string& text) {
  int16_t fmt = 0;
  r.rig->SetCommand(fmt, "$" + text);
}

void run(const std::vector<Answer>& rows, const Before& common = {}) {
  for (const Answer& row : rows) {
    SCOPED_TRACE(row.name + ": " + row.text);
    Rig r;
    open_rig(r);
    if (common) common(r.s(), r.m());
    if (row.before) row.before(r.s(), r.m());
    // Past the first answer's events and what `before` moved, twice: the
    // frequency mark only stays while the frequency moves.
    feed(r, "SM0000;");
    feed(r, "SM0000;");
    r.wire();
    r.take_events();
    core::State state = r.s();
    Flags flags = Flags::of(r);
    if (row.after) row.after(state, flags);
    feed(r, row.text);
    EXPECT_TRUE(same_state(r.s(), state));
    EXPECT_EQ(Flags::of(r), flags);
    EXPECT_EQ(r.take_events(), row.events);
    EXPECT_EQ(r.sent(), row.sent);
  }
}

// An "IF" answer of 26 characters: channel, frequency digits, the mode
// character and the memory indicator where the decoder reads them.
std::string info(const std::string& channel, const std::string& digits, char mode, char memory,
                 bool nine_digits = false) {
  std::string a = "IF0" + channel + digits;
  a.resize(26, '0');
  a[nine_digits ? 21 : 20] = mode;
  if (!nine_digits) a[21] = memory;
  return a + ";";
}

const Before kVfos = SET(s.VFOA_Freq = s.Freq = s.TX_Freq = 14.25; s.VFOB_Freq = 7.05);

TEST(Answers, FrequencyVfoAndMemory) {
  std::string oi = "OI" + std::string(24, '0');
  oi[20] = '5';  // AM at 21
  const std::vector<Answer> rows = {
    answer("VFO A", {}, "FA14200000;",
           CHANGE(s.VFOA_Freq = s.Freq = s.TX_Freq = 14.2; f.freq_changed = true)),
    answer("nine digits are the wrong length", {}, "FA014200000;", {}),
    answer("identification", {}, "ID0570;", CHANGE(s.TransceiverID = 570)),
    answer("radio 570: eight digits are wrong", SET(s.TransceiverID = 570), "FA14200000;", {}),
    answer("radio 570", SET(s.TransceiverID = 570), "FA007050000;",
           CHANGE(s.VFOA_Freq = s.Freq = s.TX_Freq = 7.05; f.freq_changed = true)),
    answer("VFO B while A receives", {}, "FB07060000;", CHANGE(s.VFOB_Freq = 7.06)),
    answer("VFO B while B receives", SET(s.VFO = 1; s.TX_VFO = 1; s.Freq = s.TX_Freq = 7.05),
           "FB07060000;", CHANGE(s.VFOB_Freq = s.Freq = s.TX_Freq = 7.06; f.freq_changed = true)),
    answer("VFO B selected", {}, "VS1;",
           CHANGE(s.VFO = 1; s.Freq = s.TX_Freq = 7.05; s.Split = 1;
                  f.vfo_timer = f.freq_changed = true),
           {1}),
    answer("no such VFO", SET(s.VFO = 1; s.TX_VFO = 1), "VS2;", {}),
    answer("the sub receiver keeps Freq as decoded", SET(s.VFO = s.TX_VFO = 2; s.Freq = 50.1),
           "FA14010000;", CHANGE(s.VFOA_Freq = 14.01; s.TX_Freq = 50.1)),
    answer("in VFO mode", {}, info("05", "14195000", '2', '0'),
           CHANGE(s.Channel = 5; s.VFOA_Freq = s.Freq = s.TX_Freq = 14.195;
                  s.VFOA_Mode = s.Mode = 1; f.freq_changed = true),
           {1}, {"SH0;", "IS0;"}),
    answer("VFO B receives: channel and memory only", SET(s.VFO = s.TX_VFO = 1),
           info("07", "07000000", '3', '0'), CHANGE(s.Channel = 7)),
    answer("in memory mode", SET(s.VFO = s.TX_VFO = 1), info("12", "21300000", '4', '1'),
           CHANGE(s.Channel = 12; s.MemMode = 1; s.Freq = s.TX_Freq = 21.3; s.Mode = 4;
                  s.BW = 25000; f.freq_changed = true),
           {1}, {"SH1;", "IS1;"}),
    answer("memory indicator 2", SET(s.Channel = 12), info("12", "14250000", '1', '2'),
           CHANGE(s.MemMode = 1)),
    answer("memory indicator 3", SET(s.Channel = 12; s.MemMode = 1),
           info("12", "14250000", '1', '3'), CHANGE(s.MemMode = 0)),
    answer("nine digits", SET(s.TransceiverID = 570), info("03", "007050000", '3', '0', true),
           CHANGE(s.Channel = 3; s.VFOA_Freq = s.Freq = s.TX_Freq = 7.05; s.VFOA_Mode = s.Mode = 2;
                  f.freq_changed = true),
           {1}, {"SH0;", "IS0;"}),
    answer("25 characters", {}, "IF0" + std::string(22, '1') + ";", {}),
    answer("other VFO: B's mode", {}, oi + ";", CHANGE(s.VFOB_Mode = 3)),
    answer("other VFO: A's mode", SET(s.VFO = s.TX_VFO = 1),
           "OI" + std::string(18, '0') + "4" + std::string(5, '0') + ";", CHANGE(s.VFOA_Mode = 4)),
    answer("other VFO: too short", {}, "OI000;", {}),
    answer("B transmits", {}, "FT3;", CHANGE(s.TX_VFO = 1; s.Split = 1; s.TX_Freq = 7.05), {1}),
    answer("A transmits while B receives", SET(s.VFO = s.TX_VFO = 1; s.Freq = s.TX_Freq = 7.05),
           "FT2;", CHANGE(s.TX_VFO = 0; s.Split = 1), {1}),
    answer("B transmits and receives", SET(s.VFO = 1; s.Freq = 7.05; s.Split = 1), "FT1;",
           CHANGE(s.TX_VFO = 1; s.Split = 0)),  // the transmit frequency follows one answer later
    answer("no such transmit VFO", SET(s.TX_VFO = 1), "FT7;", {}, {1}),
    answer("memory mode transmits on Freq", SET(s.MemMode = 1), "FT3;",
           CHANGE(s.TX_VFO = 1; s.Split = 1), {1}),
  };
  run(rows, kVfos);
}

TEST(Answers, Modes) {
  std::vector<Answer> rows = {
    answer("reverse CW", {}, "MD07;", CHANGE(s.VFOA_Mode = s.Mode = 2; s.Reverse = 1), {1},
           {"SH0;", "IS0;"}),
    answer("VFO B: the receive mode stays A's", SET(s.Mode = s.VFOA_Mode = 6), "MD19;",
           CHANGE(s.VFOB_Mode = 5; s.Reverse = 1)),
    answer("unknown: the mode decoded last in the same call", {}, "MD03;MD1Z;",
           CHANGE(s.VFOA_Mode = s.Mode = s.VFOB_Mode = 2), {1}, {"SH0;", "IS0;"}),
    answer("a new call starts from LSB", SET(s.VFOB_Mode = 2), "MD1Z;", CHANGE(s.VFOB_Mode = 0)),
    answer("ends after its VFO digit", {}, "MD13;MD1;", CHANGE(s.VFOB_Mode = 2)),
    answer("AM sets its width", {}, "MD05;", CHANGE(s.VFOA_Mode = s.Mode = 3; s.BW = 9000), {1},
           {"SH0;", "IS0;"}),
    answer("narrow FM", SET(s.Property[core::cap::NarrowFlag] = 1; s.IFS = 300), "MD04;",
           CHANGE(s.VFOA_Mode = s.Mode = 4; s.BW = 12500; s.IFS = 0), {1}, {"SH0;", "IS0;"}),
    answer("mode on VFO B asks for B's width", SET(s.VFO = s.TX_VFO = 1), "MD13;",
           CHANGE(s.VFOB_Mode = s.Mode = 2), {1}, {"SH1;", "IS1;"}),
  };
  const std::pair<char, int16_t> table[] = {{'1', 0}, {'2', 1}, {'3', 2}, {'4', 4}, {'5', 3},
                                            {'6', 5}, {'8', 6}, {'A', 6}, {'B', 4}, {'D', 3}};
  for (auto [c, mode] : table) {
    rows.push_back(answer(std::string(1, c), SET(s.Mode = s.VFOA_Mode = 9; s.Reverse = 1),
                          std::string("MD0") + c + ";",
                          [mode = mode](core::State& s, Flags&) {
                            s.VFOA_Mode = s.Mode = mode;
                            s.Reverse = 0;
                            if (mode == 3) s.BW = 9000;
                            if (mode == 4) s.BW = 25000;
                          },
                          {1}, {"SH0;", "IS0;"}));
  }
  run(rows, kVfos);
}

TEST(Answers, ReceiverSettings) {
  const std::vector<Answer> rows = {
    answer("AF", {}, "AG1123;", CHANGE(s.AFLevel[1] = 123; s.StatusChange = VTrue), {4}),
    answer("AF: no such receiver, still marked", {}, "AG2050;", CHANGE(s.StatusChange = VTrue),
           {4}),
    answer("RF reported inverted", {}, "RG0123;",
           CHANGE(s.RFLevel[0] = 132; s.StatusChange = VTrue), {4}),
    answer("RF: the other receiver", {}, "RG1000;", CHANGE(s.StatusChange = VTrue), {4}),
    answer("RF short: the missing field reads 0", {}, "RG0;",
           CHANGE(s.RFLevel[0] = 255; s.StatusChange = VTrue), {4}),
    answer("SQ", {}, "SQ1128;", CHANGE(s.SQLevel[1] = 128; s.StatusChange = VTrue), {4}),
    answer("a level of 0 becomes 1", {}, "RL000;",
           CHANGE(s.NRLevel = 1; s.NR = 1001; s.StatusChange = VTrue), {4}),
    answer("level while off", {}, "RL015;",
           CHANGE(s.NRLevel = 15; s.NR = 1015; s.StatusChange = VTrue), {4}),
    answer("NR on", SET(s.NRLevel = 1; s.NR = 1001), "NR01;",
           CHANGE(s.NRSwitch = 1; s.NR = 1; s.StatusChange = VTrue), {4}),
    answer("NR of the other receiver", {}, "NR11;", {}),
    answer("notch level", {}, "BP01040;",
           CHANGE(s.NFLevel = 40; s.FNotch = 400; s.NF = 1040; s.StatusChange = VTrue), {4}),
    answer("notch on", SET(s.NFLevel = 40; s.NF = 1040), "BP00001;",
           CHANGE(s.NFSwitch = 1; s.NF = 40; s.StatusChange = VTrue), {4}),
    answer("dual 2", {}, "FR2;", CHANGE(s.Dual = 1; s.StatusChange = VTrue), {4}),
    answer("dual 1", SET(s.Dual = 1), "FR1;", CHANGE(s.Dual = 0; s.StatusChange = VTrue), {4}),
    answer("AGC 7", {}, "GT07;", CHANGE(s.AGC = 4; s.StatusChange = VTrue), {4}),
    answer("AGC 2", {}, "GT02;", CHANGE(s.AGC = 2; s.StatusChange = VTrue), {4}),
    answer("attenuator", {}, "RA03;", CHANGE(s.Att = 3; s.StatusChange = VTrue), {4}),
    answer("preamp", {}, "PA01;", CHANGE(s.PreAmp = 1; s.StatusChange = VTrue), {4}),
    answer("preamp of the other receiver", {}, "PA11;", {}),
    answer("auto-notch", {}, "BC01;", CHANGE(s.AutoNF = Variant(1.0); s.StatusChange = VTrue), {4}),
    answer("antenna: marked through the tracked items", {}, "AN032;",
           CHANGE(s.Antenna = 2; s.RXAnt = 2; s.StatusChange = VTrue), {4}),
    answer("antenna again: nothing moved", SET(s.Antenna = s.RXAnt = 2), "AN032;", {}),
    answer("antenna beyond the connectors", SET(s.Antenna = 2), "AN09;",
           CHANGE(s.Antenna = 0; s.StatusChange = VTrue), {4}),
    answer("roofing filter", {}, "RF19;", CHANGE(s.RFT[1] = 4; s.StatusChange = VTrue), {4}),
    answer("roofing filter A", {}, "RF0A;", CHANGE(s.RFT[0] = 5; s.StatusChange = VTrue), {4}),
    answer("blanker 2", SET(s.NBRec[2].Level = 70), "NB02;",
           CHANGE(s.NBType = 2; s.NBRec[2].On = 1; s.NB = 70; s.StatusChange = VTrue), {4}),
    answer("blanker level", SET(s.NBType = 2; s.NBRec[2].On = 1), "NL0033;",
           CHANGE(s.NBRec[2].Level = 33; s.NB = 33; s.StatusChange = VTrue), {4}),
    answer("blankers off", SET(s.NBRec[1].On = 1; s.NB = 33), "NB00;",
           CHANGE(s.NBType = 0; s.NBRec[1].On = 0; s.StatusChange = VTrue), {4}),
    answer("no such blanker: type kept, the rest skipped", SET(s.NB = 33), "NB07;",
           CHANGE(s.NBType = 7; s.StatusChange = VTrue), {4}),
    answer("level of no such blanker", SET(s.NBType = 7; s.NB = 33), "NL0099;",
           CHANGE(s.StatusChange = VTrue), {4}),
    answer("IF shift minus", {}, "IS0-0500;",
           CHANGE(s.IFShift = 64; s.IFS = -500; s.StatusChange = VTrue), {4}),
    answer("IF shift plus", {}, "IS0+0500;",
           CHANGE(s.IFShift = -64; s.IFS = 500; s.StatusChange = VTrue), {4}),
    answer("IF shift beyond", {}, "IS0-2000;",
           CHANGE(s.IFShift = 128; s.IFS = -2000; s.StatusChange = VTrue), {4}),
    answer("no sign: the scratch sign of this call", SET(s.IFShift = 5), "IS0 0500;",
           CHANGE(s.IFShift = 0; s.IFS = 500; s.StatusChange = VTrue), {4}),
    answer("width", {}, "SH031;",
           CHANGE(s.WidthCode = 31; s.WidthLevel = s.Property[core::cap::WidthLevel] = 255;
                  s.BW = 4000; s.StatusChange = VTrue),
           {4}),
    answer("width 16", {}, "SH016;",
           CHANGE(s.WidthCode = 16; s.WidthLevel = s.Property[core::cap::WidthLevel] = 132;
                  s.BW = 2400; s.StatusChange = VTrue),
           {4}),
    answer("width of the other receiver: marked only", {}, "SH105;", CHANGE(s.StatusChange = VTrue),
           {4}),
    answer("narrow", {}, "NA01;",
           CHANGE(s.Property[core::cap::NarrowFlag] = 1; s.BW = 1800; s.StatusChange = VTrue), {4}),
    answer("contour level", SET(s.ContourSign = 1), "CO0120;",
           CHANGE(s.ContourLevel = s.Property[core::cap::ContourLevel] = 127; s.FContour = 2000;
                  s.StatusChange = VTrue),
           {4}),
    answer("contour switch", {}, "CO0002;",
           CHANGE(s.ContourState = s.ContourSwitch = 2; s.StatusChange = VTrue), {4}),
    answer("contour menu", SET(s.FContour = 2000), "EX086-05;",
           CHANGE(s.ContourSign = -1; s.FContour = -2000; s.BW = 200; s.StatusChange = VTrue), {4}),
    answer("full break-in menu", {}, "EX0551;",
           CHANGE(s.FullBK = 1; s.BW = 200; s.StatusChange = VTrue), {4}),
    answer("VFO A's contour menu is none for VFO B", SET(s.VFO = s.TX_VFO = 1), "EX086-05;", {}),
    answer("VFO B's contour menu", SET(s.VFO = s.TX_VFO = 1; s.FContour = 2000), "EX089-05;",
           CHANGE(s.ContourSign = -1; s.FContour = -2000; s.BW = 200; s.StatusChange = VTrue), {4}),
    answer("narrow setting, receiver 0 FSK", {}, "EX10102;",
           CHANGE(s.NarrowSetting[0][2] = 2; s.BW = 200; s.StatusChange = VTrue), {4}),
    answer("narrow setting, receiver 1 SSB", {}, "EX11603;",
           CHANGE(s.NarrowSetting[1][0] = 3; s.BW = 200; s.StatusChange = VTrue), {4}),
    answer("narrow setting, receiver 1 FSK", {}, "EX11301;",
           CHANGE(s.NarrowSetting[1][2] = 1; s.BW = 200; s.StatusChange = VTrue), {4}),
    answer("no such menu", {}, "EX999;", {}),
  };
  run(rows, kVfos);
}

TEST(Answers, TransmitterSettingsAndReadings) {
  const std::vector<Answer> rows = {
    answer("power", {}, "PC255;", CHANGE(s.RFPower = 200; s.StatusChange = VTrue), {4}),
    answer("power 128", {}, "PC128;", CHANGE(s.RFPower = 100; s.StatusChange = VTrue), {4}),
    answer("break-in delay", {}, "SD0300;", CHANGE(s.BKIn = 6; s.StatusChange = VTrue), {4}),
    answer("break-in delay 2000", {}, "SD2000;", CHANGE(s.BKIn = 20; s.StatusChange = VTrue), {4}),
    answer("break-in without the entry", SET(s.Property[core::cap::SetBKIn] = 0; s.BKIn = 300),
           "SD0300;", {}),
    answer("keyer speed while off", {}, "KS025;",
           CHANGE(s.KeyerLevel = 96; s.KeyerWPM = 25; s.KeyerSpeed = 1096; s.StatusChange = VTrue),
           {4}),
    answer("keyer on", SET(s.KeyerLevel = 96; s.KeyerSpeed = 1096), "KR1;",
           CHANGE(s.KeyerSwitch = 1; s.KeyerSpeed = 96; s.StatusChange = VTrue), {4}),
    answer("keyer speed short", {}, "KSx;",
           CHANGE(s.KeyerLevel = -18; s.KeyerSpeed = 982; s.StatusChange = VTrue), {4}),
    answer("pitch", {}, "KP08;", CHANGE(s.Pitch = 700)),
    answer("pitch 0", SET(s.Pitch = 700), "KP00;", CHANGE(s.Pitch = 300)),
    answer("meter", {}, "MS3;",
           CHANGE(s.MeterSW = 3; s.MeterCaption = "SWR"; s.StatusChange = VTrue), {4}),
    answer("meter without a name", SET(s.MeterCaption = "SWR"), "MS7;",
           CHANGE(s.MeterSW = 7; s.MeterCaption = ""; s.StatusChange = VTrue), {4}),
    answer("monitor", {}, "ML0001;", CHANGE(s.Monitor = 1; s.StatusChange = VTrue), {4}),
    answer("monitor level", {}, "ML1050;", CHANGE(s.MonitorLevel = 50; s.StatusChange = VTrue),
           {4}),
    answer("processor", {}, "PR1;", CHANGE(s.Comp = 1; s.StatusChange = VTrue), {4}),
    answer("mic gain", {}, "MG077;", CHANGE(s.MicGain = 77; s.StatusChange = VTrue), {4}),
    answer("three characters are read", {}, "MG99999;",
           CHANGE(s.MicGain = 999; s.StatusChange = VTrue), {4}),
    answer("oversize: skipped, decoding goes on", SET(s.FContour = -32768), "EX086+05;",
           CHANGE(s.ContourSign = 1; s.BW = 200; s.StatusChange = VTrue), {4}),
    answer("repeater", {}, "OS02;", CHANGE(s.RPT = -1)),
    answer("transmitting", {}, "TX2;", CHANGE(s.PTT = 1)),
    answer("another meter", {}, "SM1200;", {}),
    answer("S-meter: once per change", {}, "SM0011;", CHANGE(s.SMeter = 11), {3}),
    answer("meter reading", {}, "RM04120;", CHANGE(s.SMeter = 120), {3}),
    answer("another meter reading", SET(s.SMeter = 120), "RM01050;", {}),
    answer("tuner", {}, "AC001;", CHANGE(s.Tuner = 1)),
    answer("tuner off", SET(s.Tuner = 1), "AC000;", CHANGE(s.Tuner = 0)),
    answer("lock", {}, "LK1;", CHANGE(s.LockDial = 1)),
    answer("busy", {}, "BY1;", CHANGE(s.Busy = 1)),
    answer("TX watch", {}, "TS1;", CHANGE(s.TXW = 1)),
    answer("only the host clears the status mark", SET(s.StatusChange = VTrue), "SM0000;", {}),
    answer("settings raise 4 when nothing moved", SET(s.AFLevel[0] = 100), "AG0100;",
           CHANGE(s.StatusChange = VTrue), {4}),
  };
  run(rows, kVfos);
}

TEST(Answers, AutomaticInformationRestartsLevelReadingAfterAPowerCycle) {
  const std::vector<Answer> rows = {
    answer("automatic polling on: no restart", SET(s.AIState = -1), "AI1;", CHANGE(s.AIState = 1)),
    answer("not after a power cycle", SET(s.AutoPolling = VFalse), "AI1;", CHANGE(s.AIState = 1)),
    answer("after a power cycle", SET(s.AutoPolling = VFalse; s.AIState = -1), "AI1;",
           CHANGE(s.AIState = 1; f.levels_timer = true)),
  };
  run(rows);
}

// What consolidation does across answers.
struct Consolidation : ::testing::Test {
  Rig r;
  void SetUp() override { open_rig(r); }
  Events events(const std::string& text) {
    r.take_events();
    feed(r, text);
    return r.take_events();
  }
};

TEST_F(Consolidation, TheFirstAnswerAfterOpeningRaisesModeAndMeter) {
  EXPECT_EQ(events("LK0;"), (Events{3, 1}));
  EXPECT_EQ(r.sent(), (Texts{"SH0;", "IS0;"}));
  EXPECT_EQ(events("LK0;"), Events{});
}

TEST_F(Consolidation, SplitRaisesOneAfterEveryAnswer) {
  events("SM0000;");
  r.s().TX_VFO = 1;
  EXPECT_EQ(events("SM0000;"), (Events{1}));
  EXPECT_EQ(events("SM0000;"), (Events{1}));
}

TEST_F(Consolidation, AVFOChangeRestartsTheCurrentVFOSequenceOnce) {
  events("SM0000;");
  auto& timer = *r.m().port_and_timers().tmrPollVFO;
  events("VS1;");
  timer.set_enabled(false);
  r.m().polling.vfo_poll_index = 9;
  events("VS1;");
  EXPECT_EQ(r.m().polling.vfo_poll_index, 9);
  EXPECT_FALSE(timer.enabled());
}

TEST_F(Consolidation, TrackedItemsMovedByCommandsRaiseFourOnce) {
  events("SM0000;");
  r.s().PreAmp = 1;
  EXPECT_EQ(events("PA11;"), (Events{4}));  // the other receiver: only the tracked move
  EXPECT_EQ(events("PA11;"), Events{});
  r.s().AutoNF = Variant("1");  // compared as a number
  EXPECT_EQ(events("SM0000;"), (Events{4}));
  r.s().AutoNF = Variant("on");  // cannot be compared: no event of its own
  r.s().PollPending = VTrue;
  EXPECT_EQ(events("SM0000;"), Events{});
  EXPECT_EQ(r.s().PollPending, VFalse);  // every answer clears it
}

TEST_F(Consolidation, AFrequencyMarksThePollingOnlyWhileItMoves) {
  events("SM0000;");
  EXPECT_EQ(events("FA14250000;"), Events{});
  EXPECT_EQ(r.m().polling.freq_changed, VTrue);
  events("FA14250000;");
  EXPECT_EQ(r.m().polling.freq_changed, VFalse);
}

}  // namespace
}  // namespace tovrak::test
