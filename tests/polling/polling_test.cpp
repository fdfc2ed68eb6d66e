// The polling engine in virtual time: CAT on and off, the status cycle, the
// S-meter, the level and current-VFO sequences, and the re-arming of
// automatic information.
#include <gtest/gtest.h>

#include "support/rig.hpp"

namespace tovrak::test {
namespace {

struct Polling : ::testing::Test {
  Rig r;
  bool echo = false;  // a radio that answers every command 20 ms later

  void SetUp() override {
    r.rig->put_Port(1);
    ASSERT_TRUE(r.open());
    // Past the first answer's width and shift queries, which would hold
    // polling off for a second.
    r.m().answers.last_mode = 0;
    r.m().answers.last_smeter = 0;
    r.line().on_write([this](int64_t us, std::string_view) {
      if (!echo) return;
      r.apt.schedule_outside(us + 20'000, [this] { r.line().radio_sends("LK0;"); });
    });
  }
  int16_t cat(int v) {
    int16_t c = static_cast<int16_t>(v);
    return r.rig->SetCAT(c);
  }
  // CAT on, past the status cycle and the startup query, `ms` later with an
  // empty wire.
  void settled(int ms) {
    cat(1);
    r.m().polling.refresh_active = VFalse;
    r.m().polling.startup_query = VFalse;
    r.apt.sleep_ms(ms);
    r.wire();
  }
};

TEST_F(Polling, OnlyCatZeroStopsAndNothingWhileThePortIsClosed) {
  cat(1);
  r.wire();
  // Braces: evaluated in order.
  EXPECT_EQ((std::tuple{cat(0), r.sent(), r.rig->get_CAT()}), std::tuple(-1, Texts{"AI0;"}, 0));
  EXPECT_EQ((std::tuple{cat(2), r.sent(), r.rig->get_CAT()}), std::tuple(-1, Texts{}, 2));
  r.apt.advance_ms(5000);
  EXPECT_FALSE(r.sent().empty());
  r.rig->SetPort(Ref<VBool>(VFalse), str(""), str(""), str(""));
  EXPECT_EQ((std::tuple{cat(1), r.rig->get_CAT()}), std::tuple(0, 0));
}

TEST_F(Polling, TheStatusCycleThenStatusAndMeterInTurnAndTheStartupQueryOnce) {
  echo = true;
  cat(1);
  r.apt.advance_ms(2500);
  EXPECT_EQ(r.wire(),
            wire_of("0 AI0; 100 ID; 1225 FA; 1400 FB; 1575 IF; 1750 FT; 1925 OI; 2100 TX; "
                    "2275 AC; 2450 VS;"));
  EXPECT_EQ(r.m().polling.refresh_active, VFalse);
  r.apt.advance_ms(6000);
  // The first ordinary tick: a status query, then "AG0" for VFO A, once; then
  // status and meter in turn.
  EXPECT_EQ(r.wire(), wire_of("2625 FA; 2725 AG0; 5775 FB; 5950 SM0; 6125 IF; 6300 SM0; 6475 FT; "
                              "6650 SM0; 6825 OI; 7000 SM0; 7175 TX; 7350 SM0; 7525 AC; 7700 SM0; "
                              "7875 VS; 8050 SM0; 8225 FA; 8400 SM0; 8575 FB;"));
}

TEST_F(Polling, ASilentRadioIsAskedOnceInThreeSecondsWithoutAnyWrite) {
  EXPECT_EQ(cat(1), -1);
  r.apt.advance_ms(15000);
  EXPECT_EQ(r.wire(), wire_of("0 AI0; 100 ID; 1225 FA; 4375 FB; 7525 IF; 10675 FT; 13825 OI;"));
  EXPECT_EQ(r.rig->get_CAT(), 1);
}

TEST_F(Polling, SetPollingNeedsCatAndAsksOnlyWhatCanBeAnswered) {
  int16_t rx = 0, meter = 3, startup = 4;
  r.rig->SetPolling(startup);
  EXPECT_TRUE(r.sent().empty());  // CAT is 0
  settled(5000);
  r.s().VFO = 2;
  r.rig->SetPolling(rx);  // the sub receiver has no frequency query
  r.s().VFO = 0;
  r.s().PollPending = VTrue;
  r.rig->SetPolling(meter);  // nor the meter while an answer is pending
  EXPECT_TRUE(r.sent().empty());
  r.s().PollPending = VFalse;
  r.rig->SetPolling(meter);
  r.rig->SetPolling(startup);
  EXPECT_EQ(r.sent(), (Texts{"SM0;", "AG0;"}));
}

TEST_F(Polling, AfterAPowerCycleAutomaticInformationIsSetAgain) {
  cat(1);
  r.apt.sleep_ms(3000);
  r.wire();
  r.s().AIState = -1;
  r.s().PollStep = 5;  // the status cycle starts over
  r.m().polling.refresh_active = VFalse;
  int16_t meter = 3;
  r.rig->SetPolling(meter);
  EXPECT_EQ(r.wire(), wire_of("3100 AI0; 3350 AI;"));
  EXPECT_EQ(std::tuple(r.m().polling.refresh_active, r.s().PollStep), std::tuple(VTrue, 0));
  r.rig->put_AutoPolling(VFalse);
  r.rig->SetPolling(meter);  // repeated until the radio answers "AI"
  EXPECT_EQ(r.sent(), (Texts{"AI1;", "AI;"}));
  r.radio("AI1;");
  r.wire();
  r.rig->SetPolling(meter);
  EXPECT_EQ(r.sent(), Texts{});  // no automatic polling: the meter is not polled
}

TEST_F(Polling, TheReceiveFrequencyIsPolledWhileItMovesAndARefreshStartsTheCycleAgain) {
  settled(5000);
  r.m().polling.freq_changed = VTrue;
  r.s().VFO = 1;
  r.apt.advance_ms(175);
  EXPECT_EQ(r.sent(), (Texts{"FB;"}));
  r.s().PollStep = 5;
  r.m().polling.poll_toggle = 1;
  r.m().polling.freq_changed = VTrue;
  r.rig->SetRefresh();
  const auto& p = r.m().polling;
  EXPECT_EQ(std::tuple(p.refresh_active, p.freq_changed, p.poll_toggle, r.s().PollStep),
            std::tuple(VTrue, VFalse, 0, 0));
}

struct LevelSequence : Polling {
  Texts run() {
    echo = true;
    r.rig->put_AutoPolling(VFalse);
    cat(1);
    r.apt.advance_ms(2400);  // the status cycle comes first
    r.wire();
    r.apt.advance_ms(14000);
    return r.sent();
  }
};

// The whole level sequence, then the startup query held back while it ran.
const Texts kLevels = {
    "AG0;",   "AG1;",   "RG0;",   "RG1;",   "PC;",    "NR0;",   "NR1;",  "RL0;",   "RL1;",
    "KS;",    "VX;",    "PR;",    "SD;",    "AN0;",   "AN1;",   "FR;",   "GT0;",   "GT1;",
    "RA0;",   "RA1;",   "PA0;",   "PA1;",   "BC0;",   "BC1;",   "BP00;", "BP10;",  "BP01;",
    "BP11;",  "NB0;",   "NB1;",   "IS0;",   "IS1;",   "SH0;",   "SH1;",  "SQ0;",   "SQ1;",
    "CO00;",  "CO10;",  "EX086;", "EX089;", "CO01;",  "CO11;",  "KR;",   "NA0;",   "NA1;",
    "KP;",    "OS0;",   "RF0;",   "RF1;",   "BI;",    "NL0;",   "NL1;",  "NL0;",   "NL1;",
    "EX055;", "ML0;",   "ML1;",   "MG;",    "MS;",    "OI;",    "BY;",   "EX095;", "EX098;",
    "EX101;", "EX104;", "EX107;", "EX110;", "EX113;", "EX116;", "CT0;",  "CN0;",   "LK;",
    "AG0;"};

TEST_F(LevelSequence, AllFiftyFourStepsInOrder) {
  EXPECT_EQ(run(), kLevels);
  EXPECT_EQ(r.m().polling.level_index, 0);
  EXPECT_FALSE(r.p->m.port_and_timers().tmrLevels->enabled());
}

TEST_F(LevelSequence, StepsWhoseCapabilityIsAbsentSendNothing) {
  r.s().Property[core::cap::SetSQLevel] = 1;   // one squelch
  r.s().Property[core::cap::Busy] = 2;         // busy only when exactly 1
  r.s().Property[core::cap::SetVox] = 0;       // no VOX
  r.s().Property[core::cap::SetRFPower] = 0;   // no power setting
  r.s().Property[core::cap::KeyerSwitch] = 0;  // no keyer switch
  Texts expected = kLevels;
  std::erase_if(expected, [](auto& t) {
    return t == "SQ1;" || t == "BY;" || t == "VX;" || t == "PC;" || t == "KR;";
  });
  EXPECT_EQ(run(), expected);
}

TEST_F(LevelSequence, StatusPollingWaitsWhileItRuns) {
  settled(3000);
  r.rig->PollLevels();  // a host may start it: step 0 arms the timer
  r.apt.advance_ms(1000);
  // The status tick due from the sleep goes first; then only the sequence.
  EXPECT_EQ(r.sent(), (Texts{"FA;", "AG0;", "AG1;", "RG0;", "RG1;", "PC;"}));
  EXPECT_EQ(r.m().polling.level_index, 5);
}

TEST_F(LevelSequence, NothingWhileTheRadioMustReportItsAutomaticInformation) {
  r.s().AIState = -1;
  r.m().polling.level_index = 5;
  r.rig->PollLevels();
  EXPECT_TRUE(r.sent().empty());
  EXPECT_EQ(r.m().polling.level_index, 5);
}

TEST_F(LevelSequence, AQueryGoesOutAtTheCommandSpacingAndHoldsOffPolls) {
  cat(1);
  r.apt.sleep_ms(2900);
  r.wire();
  r.p->SendCommand("XX");
  r.apt.sleep_ms(50);
  r.m().polling.level_index = 53;
  r.rig->PollLevels();
  EXPECT_EQ(r.wire(), wire_of("3000 XX; 3100 LK;"));
  r.apt.sleep_ms(500);
  EXPECT_FALSE(r.p->SendPoll("FA"));  // a control command for the hold-off
}

TEST_F(Polling, TheCurrentVFOSequenceCarriesTheVFODigit) {
  echo = true;
  cat(1);
  r.apt.advance_ms(3000);
  r.wire();
  r.s().VFO = 1;
  r.s().TX_VFO = 1;
  r.m().answers.last_vfo = 1;
  r.m().polling.vfo_poll_index = 0;
  r.rig->PollCurrVFO();
  r.apt.advance_ms(6200);
  Texts sent = r.sent();  // less the status and meter polls
  const std::string status = " SM0; FA; FB; IF; OI; TX; AC; VS; FT; ";
  std::erase_if(sent, [&](auto& t) { return status.find(" " + t + " ") != std::string::npos; });
  Texts expected = {"MD1;", "RG1;",  "NR1;",  "RL1;", "AN1;", "FR;",  "GT1;", "RA1;",  "PA1;",
                    "BC1;", "BP10;", "BP11;", "NB1;", "IS1;", "SH1;", "SQ1;", "CO10;", "CO11;",
                    "NA1;", "OS1;",  "RF1;",  "NL1;", "AG1;", "LK;",  "CT1;", "CN1;"};
  EXPECT_EQ(sent, expected);
  EXPECT_FALSE(r.p->m.port_and_timers().tmrPollVFO->enabled());
  EXPECT_EQ(r.m().polling.vfo_poll_index, 0);
}

// The output-drain wait processes messages, so the polling timer ticks inside
// a command; a tick is never delivered inside its own handler, so switching
// the radio on with CKBuffer set comes back, and polling goes on.
TEST(DrainWait, ATickInsideACommandComesBackAndPollingGoesOn) {
  Rig r(0.0);
  r.rig->put_Port(1);
  ASSERT_TRUE(r.open());
  r.rig->put_CKBuffer(VTrue);
  EXPECT_EQ(r.rig->SetCAT(i16(1)), -1);
  EXPECT_EQ(r.apt.now_us(), 205'000);
  r.line().radio_sends("ID0570;");
  r.apt.advance_ms(700);
  EXPECT_EQ(r.rig->SetPowerON(i16(1)), VTrue);
  EXPECT_EQ(r.apt.now_us(), 3'595'000);
  r.apt.advance_ms(1500);
  EXPECT_EQ(r.wire(), wire_of("105 AI0; 205 ID; 305 SH0; 410 IS0; 910 PS1; 2015 AI0; 2270 AI; "
                              "2270 PS1; 2880 AI0; 3135 AI; 3135 AI0; 3340 AI0; 3595 AI; 3595 ID; "
                              "3695 AI0; 3950 AI; 4050 AI0; 4305 AI; 4410 AI0; 4665 AI; 4765 AI0; "
                              "5020 AI; 5125 AI0; 5380 AI;"));
  EXPECT_EQ(r.take_events(), (std::vector<int16_t>{3, 1}));
  EXPECT_EQ(std::tuple(r.rig->get_CKBuffer(), r.rig->get_PowerON()), std::tuple(VTrue, 1));
}

}  // namespace
}  // namespace tovrak::test
