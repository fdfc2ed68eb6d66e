// Answers as rows: the state before (empty: the fresh one), the text the
// radio sends, the change it makes to the state and the polling flags
// (empty: none), the Change events it raises and the queries it sends.
// Every row runs on a fresh component with its port open, past the first
// answer's events; what a row does not name must stay. A row raising 4 also
// expects the status mark set, as every setting answer sets it.
#include <gtest/gtest.h>

#include <algorithm>

#include "commands/command_fixture.hpp"

namespace tovrak::test {
namespace {

using Events = std::vector<int16_t>;
namespace cap = core::cap;

struct Answer {
  Before before;
  std::string text;
  Change after = {};
  Events events = {};
  Texts sent = {};
};

Answer on(Before before, std::string text, Change after = {}, Events events = {}, Texts sent = {}) {
  return {std::move(before), std::move(text), std::move(after), std::move(events), std::move(sent)};
}
Answer on(std::string text, Change after = {}, Events events = {}, Texts sent = {}) {
  return on({}, std::move(text), std::move(after), std::move(events), std::move(sent));
}

// The width and shift queries of VFO A and of VFO B.
const Texts kAskA = {"SH0;", "IS0;"}, kAskB = {"SH1;", "IS1;"};

void feed(Rig& r, const std::string& text) { r.rig->SetCommand(i16(0), "$" + text); }

void run(const std::vector<Answer>& rows, const Before& common = {}) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const Answer& row = rows[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + row.text);
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
    if (std::count(row.events.begin(), row.events.end(), 4)) state.StatusChange = VTrue;
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
  // The other VFO's mode character at 21.
  auto oi = [](char mode) { return "OI" + std::string(18, '0') + mode + "00000;"; };
  const std::vector<Answer> rows = {
    on("FA14200000;", CHANGE(s.VFOA_Freq = s.Freq = s.TX_Freq = 14.2; f.freq_changed = true)),
    on("FA014200000;"),  // nine digits are the wrong length
    on("ID0570;", CHANGE(s.TransceiverID = 570)),
    on(SET(s.TransceiverID = 570), "FA14200000;"),  // radio 570: eight digits are wrong
    on(SET(s.TransceiverID = 570), "FA007050000;",
       CHANGE(s.VFOA_Freq = s.Freq = s.TX_Freq = 7.05; f.freq_changed = true)),
    on("FB07060000;", CHANGE(s.VFOB_Freq = 7.06)),  // while A receives
    on(SET(s.VFO = 1; s.TX_VFO = 1; s.Freq = s.TX_Freq = 7.05), "FB07060000;",
       CHANGE(s.VFOB_Freq = s.Freq = s.TX_Freq = 7.06; f.freq_changed = true)),
    on("VS1;",
       CHANGE(s.VFO = 1; s.Freq = s.TX_Freq = 7.05; s.Split = 1;
              f.vfo_timer = f.freq_changed = true),
       {1}),
    on(SET(s.VFO = 1; s.TX_VFO = 1), "VS2;"),  // no such VFO
    // The sub receiver keeps Freq as decoded.
    on(SET(s.VFO = s.TX_VFO = 2; s.Freq = 50.1), "FA14010000;",
       CHANGE(s.VFOA_Freq = 14.01; s.TX_Freq = 50.1)),
    on(info("05", "14195000", '2', '0'),
       CHANGE(s.Channel = 5; s.VFOA_Freq = s.Freq = s.TX_Freq = 14.195; s.VFOA_Mode = s.Mode = 1;
              f.freq_changed = true),
       {1}, kAskA),
    // VFO B receives: channel and memory only.
    on(SET(s.VFO = s.TX_VFO = 1), info("07", "07000000", '3', '0'), CHANGE(s.Channel = 7)),
    on(SET(s.VFO = s.TX_VFO = 1), info("12", "21300000", '4', '1'),
       CHANGE(s.Channel = 12; s.MemMode = 1; s.Freq = s.TX_Freq = 21.3; s.Mode = 4; s.BW = 25000;
              f.freq_changed = true),
       {1}, kAskB),
    on(SET(s.Channel = 12), info("12", "14250000", '1', '2'), CHANGE(s.MemMode = 1)),
    on(SET(s.Channel = 12; s.MemMode = 1), info("12", "14250000", '1', '3'), CHANGE(s.MemMode = 0)),
    on(SET(s.TransceiverID = 570), info("03", "007050000", '3', '0', true),
       CHANGE(s.Channel = 3; s.VFOA_Freq = s.Freq = s.TX_Freq = 7.05; s.VFOA_Mode = s.Mode = 2;
              f.freq_changed = true),
       {1}, kAskA),
    on("IF0" + std::string(22, '1') + ";"),  // 25 characters
    on(oi('5'), CHANGE(s.VFOB_Mode = 3)),
    on(SET(s.VFO = s.TX_VFO = 1), oi('4'), CHANGE(s.VFOA_Mode = 4)),
    on("OI000;"),
    on("FT3;", CHANGE(s.TX_VFO = 1; s.Split = 1; s.TX_Freq = 7.05), {1}),
    on(SET(s.VFO = s.TX_VFO = 1; s.Freq = s.TX_Freq = 7.05), "FT2;",
       CHANGE(s.TX_VFO = 0; s.Split = 1), {1}),
    // B transmits and receives: the transmit frequency follows one answer later.
    on(SET(s.VFO = 1; s.Freq = 7.05; s.Split = 1), "FT1;", CHANGE(s.TX_VFO = 1; s.Split = 0)),
    on(SET(s.TX_VFO = 1), "FT7;", {}, {1}),  // no such transmit VFO
    // Memory mode transmits on Freq.
    on(SET(s.MemMode = 1), "FT3;", CHANGE(s.TX_VFO = 1; s.Split = 1), {1}),
  };
  run(rows, kVfos);
}

TEST(Answers, Modes) {
  std::vector<Answer> rows = {
    on("MD07;", CHANGE(s.VFOA_Mode = s.Mode = 2; s.Reverse = 1), {1}, kAskA),
    // VFO B: the receive mode stays A's.
    on(SET(s.Mode = s.VFOA_Mode = 6), "MD19;", CHANGE(s.VFOB_Mode = 5; s.Reverse = 1)),
    // Unknown: the mode decoded last in the same call; a new call starts from LSB.
    on("MD03;MD1Z;", CHANGE(s.VFOA_Mode = s.Mode = s.VFOB_Mode = 2), {1}, kAskA),
    on(SET(s.VFOB_Mode = 2), "MD1Z;", CHANGE(s.VFOB_Mode = 0)),
    on("MD13;MD1;", CHANGE(s.VFOB_Mode = 2)),  // ends after its VFO digit
    on("MD05;", CHANGE(s.VFOA_Mode = s.Mode = 3; s.BW = 9000), {1}, kAskA),
    on(SET(s.Property[cap::NarrowFlag] = 1; s.IFS = 300), "MD04;",
       CHANGE(s.VFOA_Mode = s.Mode = 4; s.BW = 12500; s.IFS = 0), {1}, kAskA),
    on(SET(s.VFO = s.TX_VFO = 1), "MD13;", CHANGE(s.VFOB_Mode = s.Mode = 2), {1}, kAskB),
  };
  const std::pair<char, int16_t> table[] = {{'1', 0}, {'2', 1}, {'3', 2}, {'4', 4},
                                            {'5', 3}, {'6', 5}, {'8', 6}, {'A', 6},
                                            {'B', 4}, {'C', 6}, {'D', 3}};
  for (auto [c, mode] : table) {
    auto after = [mode = mode](core::State& s, Flags&) {
      s.VFOA_Mode = s.Mode = mode;
      s.Reverse = 0;
      if (mode == 3) s.BW = 9000;
      if (mode == 4) s.BW = 25000;
    };
    rows.push_back(on(SET(s.Mode = s.VFOA_Mode = 9; s.Reverse = 1), std::string("MD0") + c + ";",
                      after, {1}, kAskA));
  }
  run(rows, kVfos);
}

TEST(Answers, ReceiverSettings) {
  const std::vector<Answer> rows = {
    on("AG1123;", CHANGE(s.AFLevel[1] = 123), {4}),
    on("AG2050;", {}, {4}),                          // no such receiver: still marked
    on("RG0123;", CHANGE(s.RFLevel[0] = 132), {4}),  // reported inverted
    on("RG1000;", {}, {4}),                          // the other receiver
    on("RG0;", CHANGE(s.RFLevel[0] = 255), {4}),     // the missing field reads 0
    on("SQ1128;", CHANGE(s.SQLevel[1] = 128), {4}),
    on("RL000;", CHANGE(s.NRLevel = 1; s.NR = 1001), {4}),   // a level of 0 becomes 1
    on("RL015;", CHANGE(s.NRLevel = 15; s.NR = 1015), {4}),  // while off
    on(SET(s.NRLevel = 1; s.NR = 1001), "NR01;", CHANGE(s.NRSwitch = 1; s.NR = 1), {4}),
    on("NR11;"),  // the other receiver
    on("BP01040;", CHANGE(s.NFLevel = 40; s.FNotch = 400; s.NF = 1040), {4}),
    on("BP010409;", CHANGE(s.NFLevel = 40; s.FNotch = 400; s.NF = 1040), {4}),  // three digits
    on(SET(s.NFLevel = 40; s.NF = 1040), "BP00001;", CHANGE(s.NFSwitch = 1; s.NF = 40), {4}),
    on("FR2;", CHANGE(s.Dual = 1), {4}),
    on(SET(s.Dual = 1), "FR1;", CHANGE(s.Dual = 0), {4}),
    on("GT07;", CHANGE(s.AGC = 4), {4}),
    on("GT02;", CHANGE(s.AGC = 2), {4}),
    on(SET(s.AGC = 2), "GT02;", {}, {4}),  // marked by its code: told again though nothing moved
    on("RA03;", CHANGE(s.Att = 3), {4}),
    on("PA01;", CHANGE(s.PreAmp = 1), {4}),
    on("PA11;"),  // the other receiver
    on("BC01;", CHANGE(s.AutoNF = Variant(1.0)), {4}),
    on("BC11;"),  // the other receiver
    // Marked through the tracked items; again, nothing moved.
    on("AN032;", CHANGE(s.Antenna = 2; s.RXAnt = 2), {4}),
    on(SET(s.Antenna = s.RXAnt = 2), "AN032;"),
    on(SET(s.Antenna = 2), "AN09;", CHANGE(s.Antenna = 0), {4}),  // beyond the connectors
    on("RF19;", CHANGE(s.RFT[1] = 4), {4}),
    on("RF0A;", CHANGE(s.RFT[0] = 5), {4}),
    on(SET(s.RFT[0] = 5), "RF0A;", {}, {4}),
    on(SET(s.NBRec[2].Level = 70), "NB02;", CHANGE(s.NBType = 2; s.NBRec[2].On = 1; s.NB = 70),
       {4}),
    on(SET(s.NBType = 2; s.NBRec[2].On = 1), "NL0033;", CHANGE(s.NBRec[2].Level = 33; s.NB = 33),
       {4}),
    on(SET(s.NBRec[1].On = 1; s.NB = 33), "NB00;", CHANGE(s.NBType = 0; s.NBRec[1].On = 0), {4}),
    // No such blanker: the type kept, the rest skipped.
    on(SET(s.NB = 33), "NB07;", CHANGE(s.NBType = 7), {4}),
    on(SET(s.NBType = 7; s.NB = 33), "NL0099;", {}, {4}),
    on("IS0-0500;", CHANGE(s.IFShift = 64; s.IFS = -500), {4}),
    on("IS0+0500;", CHANGE(s.IFShift = -64; s.IFS = 500), {4}),
    on("IS0-2000;", CHANGE(s.IFShift = 128; s.IFS = -2000), {4}),
    // No sign: the scratch sign of this call.
    on(SET(s.IFShift = 5), "IS0 0500;", CHANGE(s.IFShift = 0; s.IFS = 500), {4}),
    on("SH031;",
       CHANGE(s.WidthCode = 31; s.WidthLevel = s.Property[cap::WidthLevel] = 255; s.BW = 4000),
       {4}),
    on("SH016;",
       CHANGE(s.WidthCode = 16; s.WidthLevel = s.Property[cap::WidthLevel] = 132; s.BW = 2400),
       {4}),
    on("SH105;", {}, {4}),  // the other receiver: marked only
    on("NA01;", CHANGE(s.Property[cap::NarrowFlag] = 1; s.BW = 1800), {4}),
    on(SET(s.ContourSign = 1), "CO0120;",
       CHANGE(s.ContourLevel = s.Property[cap::ContourLevel] = 127; s.FContour = 2000), {4}),
    // Before the contour menu told its sign, the frequency reads as 0.
    on("CO0120;", CHANGE(s.ContourLevel = s.Property[cap::ContourLevel] = 127), {4}),
    on("CO0002;", CHANGE(s.ContourState = s.ContourSwitch = 2), {4}),
    on(SET(s.FContour = 2000), "EX086-05;",
       CHANGE(s.ContourSign = -1; s.FContour = -2000; s.BW = 200), {4}),
    on("EX0551;", CHANGE(s.FullBK = 1; s.BW = 200), {4}),
    // VFO A's contour menu is none for VFO B, which has one of its own.
    on(SET(s.VFO = s.TX_VFO = 1), "EX086-05;"),
    on(SET(s.VFO = s.TX_VFO = 1; s.FContour = 2000), "EX089-05;",
       CHANGE(s.ContourSign = -1; s.FContour = -2000; s.BW = 200), {4}),
    // Narrow settings: receiver 0 FSK, receiver 1 SSB and FSK.
    on("EX10102;", CHANGE(s.NarrowSetting[0][2] = 2; s.BW = 200), {4}),
    on("EX11603;", CHANGE(s.NarrowSetting[1][0] = 3; s.BW = 200), {4}),
    on("EX11301;", CHANGE(s.NarrowSetting[1][2] = 1; s.BW = 200), {4}),
    on("EX999;"),  // no such menu
  };
  run(rows, kVfos);
}

TEST(Answers, TransmitterSettingsReadingsAndAutomaticInformation) {
  const std::vector<Answer> rows = {
    on("PC255;", CHANGE(s.RFPower = 200), {4}),
    on("PC128;", CHANGE(s.RFPower = 100), {4}),
    on("SD0300;", CHANGE(s.BKIn = 6), {4}),
    on("SD2000;", CHANGE(s.BKIn = 20), {4}),
    on(SET(s.Property[cap::SetBKIn] = 0; s.BKIn = 300), "SD0300;"),  // without the entry
    // The keyer speed while off, the keyer on, a short speed.
    on("KS025;", CHANGE(s.KeyerLevel = 96; s.KeyerWPM = 25; s.KeyerSpeed = 1096), {4}),
    on(SET(s.KeyerLevel = 96; s.KeyerSpeed = 1096), "KR1;",
       CHANGE(s.KeyerSwitch = 1; s.KeyerSpeed = 96), {4}),
    on("KSx;", CHANGE(s.KeyerLevel = -18; s.KeyerSpeed = 982), {4}),
    on("KP14;", CHANGE(s.Pitch = 1000)),
    on(SET(s.Pitch = 700), "KP00;", CHANGE(s.Pitch = 300)),
    on("MS3;", CHANGE(s.MeterSW = 3; s.MeterCaption = "SWR"), {4}),
    on(SET(s.MeterCaption = "SWR"), "MS7;", CHANGE(s.MeterSW = 7; s.MeterCaption = ""), {4}),
    on("ML0001;", CHANGE(s.Monitor = 1), {4}),
    on("ML1050;", CHANGE(s.MonitorLevel = 50), {4}),
    on("PR1;", CHANGE(s.Comp = 1), {4}),
    on(SET(s.Comp = 1), "PR0;", CHANGE(s.Comp = 0), {4}),
    on("MG99999;", CHANGE(s.MicGain = 999), {4}),  // three characters are read
    // Oversize: skipped, decoding goes on.
    on(SET(s.FContour = -32768), "EX086+05;", CHANGE(s.ContourSign = 1; s.BW = 200), {4}),
    on("OS02;", CHANGE(s.RPT = -1)),
    on("TX2;", CHANGE(s.PTT = 1)),
    on(SET(s.PTT = 1), "TX0;", CHANGE(s.PTT = 0)),
    on("SM1200;"),  // another meter
    on("SM0011;", CHANGE(s.SMeter = 11), {3}),
    on("RM04120;", CHANGE(s.SMeter = 120), {3}),
    on(SET(s.SMeter = 120), "RM01050;"),  // another meter reading
    on("AC001;", CHANGE(s.Tuner = 1)),
    on(SET(s.Tuner = 1), "AC000;", CHANGE(s.Tuner = 0)),
    on("LK1;", CHANGE(s.LockDial = 1)),
    on("BY1;", CHANGE(s.Busy = 1)),
    on("TS1;", CHANGE(s.TXW = 1)),
    on(SET(s.StatusChange = VTrue), "SM0000;"),       // only the host clears the status mark
    on(SET(s.AFLevel[0] = 100), "AG0100;", {}, {4}),  // settings raise 4 when nothing moved
    // Automatic information on: after a power cycle with the radio reporting
    // (automatic polling off), the levels are read again.
    on(SET(s.AIState = -1), "AI1;", CHANGE(s.AIState = 1)),
    on(SET(s.AutoPolling = VFalse), "AI1;", CHANGE(s.AIState = 1)),
    on(SET(s.AutoPolling = VFalse; s.AIState = -1), "AI1;",
       CHANGE(s.AIState = 1; f.levels_timer = true)),
  };
  run(rows, kVfos);
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
  for (double fraction : {2.6, 0.4}) {  // kept as 3 and 0: differs after every answer
    r.s().AutoNF = Variant(fraction);
    EXPECT_EQ(events("SM0000;"), (Events{4}));
    EXPECT_EQ(events("SM0000;"), (Events{4}));
  }
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
