// The port: choosing, configuring, opening and closing it; and SendCAT's
// timing rules, terminator and muting, in virtual time.
#include <gtest/gtest.h>

#include "commands/command_fixture.hpp"

namespace tovrak::test {
namespace {

using Ops = std::vector<std::string>;

struct Port : ::testing::Test {
  Rig r;
  // SetPort's result and message, and whether the port is open after it.
  std::tuple<VBool, std::string, VBool> set_port(bool open) {
    std::string msg = "stale";
    VBool result = r.rig->SetPort(Ref<VBool>(VBool::of(open)), str("ignored"), str("ignored"), msg);
    return {result, msg, r.rig->get_PortOpen()};
  }
};

struct Link : Port {
  void SetUp() override {
    r.rig->put_Port(1);
    ASSERT_TRUE(r.open());
  }
  void command(const std::string& c) { r.p->SendCommand(c); }
  bool poll(const std::string& c) { return r.p->SendPoll(c); }
  void at(int64_t ms) { r.apt.sleep_ms(static_cast<int32_t>(ms - r.apt.now_us() / 1000)); }
};

TEST_F(Port, SpeedWhileClosedConfiguresTheControlInOrderAndHandshakingFollowsRts) {
  r.rig->put_Port(3);
  r.rig->SetPortDevice("/dev/ttyUSB0");  // a device named beyond its number
  r.rig->put_PortSpeed("9600");
  r.rig->put_PortRTS(VFalse);  // the line at once, handshaking with the next speed
  r.rig->put_PortSpeed("4800");
  EXPECT_EQ(r.line().operations(),
            (Ops{"CommPort=3", "Settings=9600,N,8,1", "InputMode=1", "Handshaking=2",
                 "RTSEnable=False", "Settings=4800,N,8,1", "InputMode=1", "Handshaking=0"}));
  EXPECT_EQ(r.s().PortSettings, "4800,N,8,1");
  EXPECT_EQ(r.rig->GetPortDevice(), "/dev/ttyUSB0");
}

TEST_F(Link, WhileOpenOnlyTheFieldsChange) {
  r.line().clear_operations();
  r.rig->put_PortSpeed("38400");
  r.rig->put_Port(4);
  r.rig->put_PortDTR(VTrue);  // the lines change at once, open or not
  EXPECT_EQ(r.line().operations(), (Ops{"DTREnable=True"}));
  EXPECT_EQ(std::tuple(r.rig->get_PortSpeed(), r.s().PortSettings, r.rig->get_Port()),
            std::tuple("38400", "38400,N,8,1", 4));
}

TEST_F(Port, ControlErrorsReachTheCallerAfterTheFieldIsStored) {
  const int speed = error_number([&] { r.rig->put_PortSpeed("fast"); });
  const int port = error_number([&] { r.rig->put_Port(0); });
  EXPECT_EQ(std::tuple(speed, port, r.rig->get_PortSpeed(), r.line().config().settings,
                       r.rig->get_Port()),
            std::tuple(380, 8002, "fast", "9600,N,8,1", 0));
}

TEST_F(Port, SetPortOpensClosesAndReportsFailures) {
  const std::string busy = "COM1: the device is in use by another program";
  r.line().fail_next_open(busy);
  using Said = std::tuple<VBool, std::string, VBool>;
  EXPECT_EQ(set_port(true), Said(VFalse, busy, VFalse));
  EXPECT_EQ(set_port(true), Said(VTrue, "", VTrue));
  EXPECT_EQ(set_port(true), Said(VFalse, "Port already open", VTrue));
  EXPECT_EQ(set_port(false), Said(VTrue, "", VFalse));
  EXPECT_EQ(set_port(false), Said(VTrue, "", VFalse));  // closing a closed port is no error
}

TEST_F(Link, OpeningStartsChangeDetectionOver) {
  r.radio("SM0005;");
  set_port(false);
  set_port(true);
  r.radio("SM0005;");  // the same values raise again after opening
  EXPECT_EQ(r.take_events(), (std::vector<int16_t>{3, 1, 3, 1}));
  EXPECT_EQ(r.sent(), (Texts{"SH0;", "IS0;", "SH0;", "IS0;"}));
}

TEST_F(Link, ControlCommandsKeepTheirSpacing) {
  command("AA");
  at(50);
  command("BB");  // 50 ms after a write: held until 100 ms after it
  at(3600);
  command("CC");  // 3.5 s after: at once
  at(6500);
  command("DD");  // 2.9 s after: no more than the spacing asks
  EXPECT_EQ(r.wire(), (Wire{{0, "AA;"}, {100, "BB;"}, {3600, "CC;"}, {6500, "DD;"}}));
}

TEST(Spacing, AWaitEndsWhenTheDayTurns) {
  Rig r(86399.95);  // 50 ms before midnight
  open_rig(r);
  r.p->SendCommand("AA");
  r.apt.sleep_ms(20);
  r.p->SendCommand("BB");  // held until midnight, not 100 ms after AA
  EXPECT_EQ(r.wire(), (Wire{{0, "AA;"}, {50, "BB;"}}));
}

TEST_F(Link, PollsComingTooSoonAreDroppedNotQueued) {
  r.m().link.after_command_delay = 0;  // only the polling spacing
  command("AA");
  at(5);
  EXPECT_FALSE(poll("P1"));  // 5 ms after a write
  at(10);
  EXPECT_TRUE(poll("P2"));
  EXPECT_EQ(r.wire(), (Wire{{0, "AA;"}, {10, "P2;"}}));
}

TEST_F(Link, PollsWaitASecondAfterACommandThenOneAtATimeAndCommandsPauseWhileOneIsPending) {
  command("AA");
  at(500);
  EXPECT_FALSE(poll("FA"));
  at(1000);
  EXPECT_TRUE(poll("FA"));
  EXPECT_EQ(r.s().PollPending, VTrue);
  at(1200);
  EXPECT_FALSE(poll("FB"));
  at(4000);
  EXPECT_FALSE(poll("FB"));  // 3 s since the last write: still blocked
  at(4005);
  EXPECT_TRUE(poll("FB"));  // more than 3 s: the unanswered poll no longer blocks
  at(4500);
  command("BB");  // a poll pending: 25 ms pause, the spacing already met
  at(4800);
  command("CC");  // no poll pending now: the spacing alone
  EXPECT_EQ(r.wire(),
            (Wire{{0, "AA;"}, {1000, "FA;"}, {4005, "FB;"}, {4525, "BB;"}, {4800, "CC;"}}));
  EXPECT_EQ(r.s().PollPending, VFalse);
}

TEST_F(Link, TerminatorAndBlanks) {
  for (const char* c : {"FA", " FA; ", "FA;", "  MD02  ", "FA ;", ""}) command(c);
  EXPECT_EQ(r.sent(), (Texts{"FA;", "FA;", "FA;", "MD02  ;", "FA ;", ";"}));
}

TEST_F(Link, MutedOrClosedWritesNothingAndLeavesIsPoll) {
  r.m().link.send_muted = VTrue;
  std::string c = "FA";
  VBool is_poll = VTrue;
  r.p->SendCAT(c, is_poll);
  EXPECT_EQ(r.rig->SetPTT(i16(1)), VTrue);  // the state still follows
  EXPECT_EQ(r.s().PTT, 1);
  r.m().link.send_muted = VFalse;
  set_port(false);
  r.p->SendCAT(c, is_poll);
  EXPECT_EQ(is_poll, VTrue);
  EXPECT_TRUE(r.sent().empty());
  set_port(true);
  r.p->SendCAT(c, is_poll);
  EXPECT_EQ(is_poll, VFalse);  // written
  EXPECT_EQ(r.sent(), (Texts{"FA;"}));
}

TEST_F(Link, DrainWaitGivesUpAfterHalfASecondAndDiscardsTheOutput) {
  r.line().set_drain_rate(0.0);  // nothing leaves the buffer
  command("AA");
  r.rig->put_CKBuffer(VTrue);
  command("BB");
  // The spacing, then the drain passes up to more than half a second.
  EXPECT_EQ(r.wire(), (Wire{{0, "AA;"}, {100 + 505, "BB;"}}));
  EXPECT_EQ(r.rig->get_CKBuffer(), VFalse);
  command("CC");  // no more waiting: 505 ms have passed since BB's turn
  EXPECT_EQ(r.wire(), (Wire{{605, "CC;"}}));
}

TEST_F(Link, DrainWaitSettlesAfterTheBufferEmpties) {
  r.line().set_drain_rate(1000.0);  // a byte a millisecond
  command("0123456789ABCDEFGHI");   // 20 bytes waiting
  r.rig->put_CKBuffer(VTrue);
  at(1000);
  command("AA");  // empty already: one pass of 5 ms
  at(2000);
  r.m().link.command_delay = 0;
  command("0123456789ABCDEFGHI");
  command("BB");  // 20 bytes still out: passes of 5, 10 and 10 ms, then 100 ms more
  EXPECT_EQ(r.wire(), (Wire{{0, "0123456789ABCDEFGHI;"},
                            {1005, "AA;"},
                            {2005, "0123456789ABCDEFGHI;"},
                            {2005 + 25 + 100, "BB;"}}));
  EXPECT_EQ(r.rig->get_CKBuffer(), VTrue);
}

TEST_F(Link, AStopRequestEndsTheSpacingAndTheDrainWait) {
  r.m().link.command_delay = 3600;  // the longest delay the panel takes
  r.line().set_drain_rate(0.0);
  command("AA");
  r.rig->put_CKBuffer(VTrue);
  r.apt.request_stop();
  command("BB");
  command("CC");
  EXPECT_EQ(r.wire(), (Wire{{0, "AA;"}, {0, "BB;"}, {0, "CC;"}}));
}

TEST_F(Link, OnlyTheDrainWaitLetsTheRadiosAnswersIn) {
  command("AA");
  r.line().radio_sends("FA14250000;");
  command("BB");  // the spacing sleeps 100 ms without processing messages
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 0.0);
  r.rig->put_CKBuffer(VTrue);
  command("CC");
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.25);  // decoded inside the wait
}

}  // namespace
}  // namespace tovrak::test
