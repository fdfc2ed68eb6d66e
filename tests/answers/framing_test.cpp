// Cutting received text into answers, the receive path and SetCommand.
#include <gtest/gtest.h>

#include "support/rig.hpp"

namespace tovrak::test {
namespace {

struct Framing : ::testing::Test {
  Rig r;
  void SetUp() override {
    r.rig->put_Port(1);
    ASSERT_TRUE(r.open());
  }
  void read(std::string& buffer, bool from_port = false) {
    VBool read = VBool::of(from_port);
    r.rig->ReadBuffer(buffer, read);
  }
};

TEST_F(Framing, AnEmptyAnswerRunsTheConsolidationAndOneWithoutAKnownCodeDecodesNothing) {
  std::string b = ";";
  read(b);
  EXPECT_EQ(r.take_events(), (std::vector<int16_t>{3, 1}));  // the first answer after opening
  b = "ID;fa14250000;\r\nFA14250000;??;;";
  read(b);
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 0.0);  // lower case, and a line end before the code
  EXPECT_EQ(r.s().TransceiverID, 0);       // "ID" alone has no code
  EXPECT_EQ(b, "");
  // SetCommand takes nothing in another format than 0, which every decoder row uses.
  r.wire();
  r.rig->SetCommand(i16(1), "$FA07000000;");
  r.rig->SetCommand(i16(1), "FA");
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 0.0);
  EXPECT_TRUE(r.sent().empty());
}

TEST_F(Framing, AnAnswerWaitsForItsEndUpTo4096Characters) {
  r.radio("FA1425");
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 0.0);
  r.radio("0000;");
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.25);
  r.take_events();
  r.radio(std::string(4000, 'x'));
  EXPECT_EQ(r.m().link.rx_buffer.size(), 4000u);
  r.radio(std::string(90, 'y') + ";FB07050000;");  // 4102 characters: nothing is decoded
  EXPECT_EQ(std::tuple(r.m().link.rx_buffer, r.rig->get_VFOB_Freq(), r.take_events()),
            std::tuple("", 0.0, std::vector<int16_t>{}));
}

TEST_F(Framing, BlanksAroundDoNotCountTowardsTheLimitYetTheBufferStaysBounded) {
  r.radio(std::string(50, ' ') + std::string(4096, 'x') + std::string(50, ' '));
  EXPECT_EQ(r.m().link.rx_buffer.size(), 4196u);
  // But the buffer stays bounded whatever arrives; an answer after a flood
  // of blanks is read as usual.
  for (const std::string head : {"", "FA"}) {
    r.radio(head);
    for (int i = 0; i < 200; ++i) {
      r.radio(std::string(1000, ' '));
      ASSERT_LE(r.m().link.rx_buffer.size(), 4u * 4096) << i;
    }
    r.radio(";FB07050000;");
    EXPECT_EQ(r.m().link.rx_buffer, "");
  }
  EXPECT_EQ(r.rig->get_VFOB_Freq(), 7.05);
}

TEST_F(Framing, ANestedCallLeavesTheBufferAndThePortAlone) {
  r.line().radio_sends("FB07050000;");
  r.m().answers.read_busy = VTrue;
  std::string b = "FA14250000;";
  read(b, true);
  r.apt.process_pending();  // the receive event returns at once
  r.m().answers.read_busy = VFalse;
  EXPECT_EQ(b, "FA14250000;");
  EXPECT_EQ(r.p->ComDLL().InBufferCount(), 11);  // still waiting in the control
  r.line().line_event();
  r.apt.process_pending();
  EXPECT_EQ(r.rig->get_VFOB_Freq(), 7.05);
}

TEST_F(Framing, WhileARawCommandWaitsNothingIsDecoded) {
  r.s().WaitAnswer = VTrue;
  r.radio("FA14250000;");
  EXPECT_EQ(r.m().link.rx_buffer, "FA14250000;");
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 0.0);
  r.s().WaitAnswer = VFalse;
  r.line().line_event();  // a line-state event: nothing to read, the buffer decodes
  r.apt.process_pending();
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.25);
}

TEST_F(Framing, ChangeHandlersMayInjectAnswersWhileDecoding) {
  r.rig->AdviseChange([&](int16_t& state) {
    // Waits behind the answers being decoded.
    if (state == 3) r.rig->SetCommand(i16(0), "$FB07050000;");
  });
  r.radio("SM0001;FA14250000;");
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.25);
  EXPECT_EQ(r.rig->get_VFOB_Freq(), 7.05);  // decoded by the same call, after the others
  EXPECT_EQ(r.m().link.rx_buffer, "");
}

TEST_F(Framing, ARawCommandHoldsAQuarterSecondAndLeavesTheAnswerToTheReceivePath) {
  VBool waiting = VFalse;
  r.line().on_write([&](int64_t, std::string_view b) {
    waiting = r.s().WaitAnswer;  // the receive path leaves the answer alone meanwhile
    if (b == "FA;")
      r.apt.schedule_outside(r.apt.now_us() + 50'000, [&] { r.line().radio_sends("FA14250000;"); });
  });
  r.s().CATAnswer = "stale";
  r.rig->SetCommand(i16(0), "FA");
  // The answer arrived but waits to be processed.
  EXPECT_EQ(std::tuple(r.apt.now_us(), waiting, r.rig->get_CATAnswer(), r.s().WaitAnswer,
                       r.rig->get_VFOA_Freq()),
            std::tuple(250'000, VTrue, "", VFalse, 0.0));
  r.apt.process_pending();
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.25);
}

}  // namespace
}  // namespace tovrak::test
