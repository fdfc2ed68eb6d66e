// The consolidation step after every answer: derived state and the Change
// events, row by row.
#include <gtest/gtest.h>

#include "support/rig.hpp"

namespace tovrak::test {
namespace {

using Events = std::vector<int16_t>;

struct Consolidation : ::testing::Test {
  Rig r;
  void SetUp() override {
    r.rig->put_Port(1);
    ASSERT_TRUE(r.open());
  }
  Events feed(const std::string& text) {
    r.take_events();
    int16_t fmt = 0;
    r.rig->SetCommand(fmt, "$" + text);
    return r.take_events();
  }
};

TEST_F(Consolidation, TheFirstAnswerAfterOpeningRaisesModeAndMeter) {
  EXPECT_EQ(feed("LK0;"), (Events{3, 1}));
  EXPECT_EQ(r.sent(), (std::vector<std::string>{"SH0;", "IS0;"}));
  EXPECT_EQ(feed("LK0;"), Events{});
}

TEST_F(Consolidation, TheMeterRaisesOncePerChange) {
  feed("SM0010;");
  EXPECT_EQ(feed("SM0010;"), Events{});
  EXPECT_EQ(feed("SM0011;"), (Events{3}));
}

TEST_F(Consolidation, AModeChangeAsksForWidthAndShiftOfTheCurrentVFO) {
  feed("SM0000;");
  r.sent();
  r.s().VFO = 1;
  r.s().TX_VFO = 1;
  feed("FB07050000;");  // the VFO moved: only the current-VFO sequence restarts
  EXPECT_EQ(feed("MD13;"), (Events{1}));
  EXPECT_EQ(r.sent(), (std::vector<std::string>{"SH1;", "IS1;"}));
}

TEST_F(Consolidation, SplitFollowsTheVFOsAfterEveryAnswer) {
  feed("SM0000;");
  r.s().TX_VFO = 1;
  EXPECT_EQ(feed("SM0000;"), (Events{1}));  // receive A, transmit B: every answer
  EXPECT_EQ(feed("SM0000;"), (Events{1}));
  EXPECT_EQ(r.rig->get_Split(), 1);
  r.s().TX_VFO = 0;
  r.s().Split = 1;
  feed("FT1;FT0;");
  EXPECT_EQ(r.rig->get_Split(), 0);
}

TEST_F(Consolidation, TransmitFrequencyFollowsSplitAndMemory) {
  feed("FA14000000;FB14100000;");
  EXPECT_EQ(r.rig->get_TX_Freq(), 14.0);
  feed("FT3;");  // B transmits: Split is 1 from this answer on
  feed("SM0000;");
  EXPECT_EQ(r.rig->get_TX_Freq(), 14.1);
  r.s().MemMode = 1;
  feed("SM0000;");
  EXPECT_EQ(r.rig->get_TX_Freq(), r.rig->get_Freq());
}

TEST_F(Consolidation, TheSubReceiverLeavesFreqAndModeAsDecoded) {
  feed("FA14000000;");
  r.s().VFO = 2;
  r.s().TX_VFO = 2;
  r.s().Freq = 50.1;
  feed("FA14010000;");
  EXPECT_EQ(r.rig->get_Freq(), 50.1);
  EXPECT_EQ(r.rig->get_TX_Freq(), 50.1);
}

TEST_F(Consolidation, AVFOChangeRestartsTheCurrentVFOSequenceOnce) {
  feed("SM0000;");
  auto& timer = *r.p->m.port_and_timers().tmrPollVFO;
  r.m().polling.vfo_poll_index = 9;
  feed("VS1;");
  EXPECT_EQ(r.m().polling.vfo_poll_index, 0);
  EXPECT_TRUE(timer.enabled());
  timer.set_enabled(false);
  r.m().polling.vfo_poll_index = 9;
  feed("VS1;");
  EXPECT_EQ(r.m().polling.vfo_poll_index, 9);
  EXPECT_FALSE(timer.enabled());
}

TEST_F(Consolidation, SettingAnswersRaiseFourEvenWhenNothingMoved) {
  feed("AG0100;");
  EXPECT_EQ(feed("AG0100;"), (Events{4}));
  r.rig->put_StatusChange(VFalse);
  feed("AG0100;");
  EXPECT_EQ(r.rig->get_StatusChange(), VTrue);  // only the host clears it
  feed("SM0000;");
  EXPECT_EQ(r.rig->get_StatusChange(), VTrue);
}

TEST_F(Consolidation, TrackedItemsRaiseFourOnceWhenTheyMove) {
  feed("SM0000;");
  r.s().PreAmp = 1;                       // changed by a command, say
  EXPECT_EQ(feed("PA11;"), (Events{4}));  // the other receiver: only the tracked move
  EXPECT_EQ(feed("PA11;"), Events{});
  r.s().AutoNF = Variant("1");  // compared as a number
  EXPECT_EQ(feed("SM0000;"), (Events{4}));
  r.s().AutoNF = Variant("on");  // cannot be compared: no event of its own
  EXPECT_EQ(feed("SM0000;"), Events{});
}

TEST_F(Consolidation, AFrequencyChangeRaisesNothingAndMarksThePolling) {
  feed("SM0000;");
  EXPECT_EQ(feed("FA14250000;"), Events{});
  EXPECT_EQ(r.m().polling.freq_changed, VTrue);
  feed("FA14250000;");
  EXPECT_EQ(r.m().polling.freq_changed, VFalse);
}

TEST_F(Consolidation, AModeOfAMOrFMSetsItsWidth) {
  feed("MD05;");
  EXPECT_EQ(r.rig->get_BW(), 9000);
  r.s().Property[core::cap::NarrowFlag] = 1;
  feed("MD04;");
  EXPECT_EQ(r.rig->get_BW(), 12500);
  EXPECT_EQ(r.rig->get_IFS(), 0);
}

TEST_F(Consolidation, EveryAnswerClearsThePendingPoll) {
  r.s().PollPending = VTrue;
  feed("ZZ;");
  EXPECT_EQ(r.s().PollPending, VFalse);
}

}  // namespace
}  // namespace tovrak::test
