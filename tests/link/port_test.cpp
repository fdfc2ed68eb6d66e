// Choosing, configuring, opening and closing the port.
#include <gtest/gtest.h>

#include "support/rig.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::test {
namespace {

using Ops = std::vector<std::string>;

struct Port : ::testing::Test {
  Rig r;
  VBool set_port(bool open, std::string* msg_out = nullptr) {
    VBool flag = VBool::of(open);
    std::string a = "ignored", c = "ignored", msg = "stale";
    VBool result = r.rig->SetPort(flag, a, c, msg);
    if (msg_out) *msg_out = msg;
    return result;
  }
};

TEST_F(Port, SpeedWhileClosedConfiguresTheControlInOrder) {
  r.rig->put_Port(3);
  r.line().clear_operations();
  r.rig->put_PortSpeed("9600");
  EXPECT_EQ(r.line().operations(), (Ops{"Settings=9600,N,8,1", "InputMode=1", "Handshaking=2"}));
  EXPECT_EQ(r.s().PortSettings, "9600,N,8,1");
  EXPECT_EQ(r.line().config().comm_port, 3);
}

TEST_F(Port, HandshakingFollowsRtsOnlyWhenTheSpeedIsApplied) {
  r.rig->put_PortSpeed("4800");
  r.rig->put_PortRTS(VFalse);
  EXPECT_EQ(r.line().config().handshaking, 2);
  EXPECT_FALSE(r.line().config().rts);  // the line itself follows at once
  r.rig->put_PortSpeed("4800");
  EXPECT_EQ(r.line().config().handshaking, 0);
}

TEST_F(Port, WhileOpenOnlyTheFieldsChange) {
  r.rig->put_Port(1);
  r.rig->put_PortSpeed("9600");
  ASSERT_EQ(set_port(true), VTrue);
  r.line().clear_operations();
  r.rig->put_PortSpeed("38400");
  r.rig->put_Port(4);
  EXPECT_TRUE(r.line().operations().empty());
  EXPECT_EQ(r.rig->get_PortSpeed(), "38400");
  EXPECT_EQ(r.s().PortSettings, "38400,N,8,1");
  EXPECT_EQ(r.rig->get_Port(), 4);
  r.rig->put_PortDTR(VTrue);  // the lines change at once, open or not
  EXPECT_EQ(r.line().operations(), (Ops{"DTREnable=True"}));
}

TEST_F(Port, ControlErrorsReachTheCallerAfterTheFieldIsStored) {
  try {
    r.rig->put_PortSpeed("fast");
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number(), 380);
  }
  EXPECT_EQ(r.rig->get_PortSpeed(), "fast");
  EXPECT_EQ(r.line().config().settings, "9600,N,8,1");
  EXPECT_THROW(r.rig->put_Port(0), ComError);
  EXPECT_EQ(r.rig->get_Port(), 0);
}

TEST_F(Port, SetPortOpensClosesAndReportsFailures) {
  std::string msg;
  r.line().fail_next_open("COM1: the device is in use by another program");
  EXPECT_EQ(set_port(true, &msg), VFalse);
  EXPECT_EQ(msg, "COM1: the device is in use by another program");
  EXPECT_EQ(r.rig->get_PortOpen(), VFalse);
  EXPECT_EQ(set_port(true, &msg), VTrue);
  EXPECT_EQ(msg, "");
  EXPECT_EQ(r.rig->get_PortOpen(), VTrue);
  EXPECT_EQ(set_port(true, &msg), VFalse);  // already open
  EXPECT_EQ(r.rig->get_PortOpen(), VTrue);
  EXPECT_EQ(set_port(false, &msg), VTrue);
  EXPECT_EQ(r.rig->get_PortOpen(), VFalse);
  EXPECT_EQ(set_port(false, &msg), VTrue);  // closing a closed port is no error
}

TEST_F(Port, OpeningStartsChangeDetectionOver) {
  ASSERT_EQ(set_port(true), VTrue);
  r.radio("SM0005;");
  r.take_events();
  r.radio("SM0005;");
  EXPECT_TRUE(r.take_events().empty());
  set_port(false);
  set_port(true);
  r.radio("SM0005;");  // the same values raise again after opening
  EXPECT_EQ(r.take_events(), (std::vector<int16_t>{3, 1}));
  EXPECT_EQ(r.sent(), (std::vector<std::string>{"SH0;", "IS0;", "SH0;", "IS0;"}));
}

TEST_F(Port, ClosingStopsPolling) {
  ASSERT_EQ(set_port(true), VTrue);
  int16_t on = 1;
  r.rig->SetCAT(on);
  r.apt.advance_ms(3000);
  EXPECT_FALSE(r.sent().empty());
  set_port(false);
  r.apt.advance_ms(3000);
  EXPECT_TRUE(r.sent().empty());
}

TEST_F(Port, TheDeviceCanBeNamedBeyondItsNumber) {
  r.rig->SetPortDevice("/dev/ttyUSB0");
  EXPECT_EQ(r.rig->GetPortDevice(), "/dev/ttyUSB0");
  EXPECT_EQ(r.line().config().device, "/dev/ttyUSB0");
}

}  // namespace
}  // namespace tovrak::test
