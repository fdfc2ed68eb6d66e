// A real port in real time, a few seconds at most; it waits for a state
// with a generous deadline, never for a time.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "hosts/cli/ser2net_server.hpp"
#include "platform/posix/endpoints/pseudo_terminal.hpp"
#include "platform/posix/posix_serial.hpp"
#include "support/refusal.hpp"
#include "support/run_until.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {
namespace {

using namespace std::chrono_literals;
using test::run_until;

// A radio behind a real ser2net on loopback: the test holds the radio's end
// of a pseudo-terminal, ser2net serves the other end with RFC 2217, and the
// serial control opens rfc2217://127.0.0.1:PORT.
class RemoteRadio : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Ser2netServer::program().empty()) GTEST_SKIP() << "ser2net is not installed";
    // The device end is held from the start: ser2net may take the device
    // exclusively, and the test reads the line's settings through it.
    pty_.emplace(platform::PseudoTerminal::Mode::Cooked);
    radio_ = pty_->master();
    device_ = pty_->device_fd();
    server_.emplace(pty_->device());
    port_ = apt_.create_serial();
    port_->OnComm([this] { ++events_; });
    port_->Device(server_->locator());
  }

  std::string radio_take() const { return test::read_all(radio_); }

  std::optional<platform::PseudoTerminal> pty_;
  int radio_ = -1, device_ = -1;
  std::optional<Ser2netServer> server_;
  platform::PosixApartment apt_;
  std::unique_ptr<platform::SerialControl> port_;
  int events_ = 0;
};

// The bytes crossing, 0xFF included, are left to the link's own tests and
// the remote demo.
TEST_F(RemoteRadio, TheSpeedReachesTheDeviceAndALostServerIsAPulledCable) {
  port_->Settings("38400,N,8,1");
  port_->PortOpen(true);
  EXPECT_TRUE(run_until(apt_, 2s, [&] {
    termios t{};
    return tcgetattr(device_, &t) == 0 && cfgetospeed(&t) == B38400;
  }));

  server_->kill();
  ASSERT_TRUE(run_until(apt_, 2s,
                        [&] { return static_cast<platform::PosixSerial&>(*port_).device_lost(); }));
  EXPECT_EQ(events_, 1);
  uint64_t before = apt_.wakeups();
  apt_.run_for(100ms);
  EXPECT_LE(apt_.wakeups() - before, 2u) << "nothing spins on a lost connection";
  EXPECT_THROW(port_->Output("FA;"), ComError);

  port_->PortOpen(false);
  const std::string refused = test::error_of([&] { port_->PortOpen(true); });
  EXPECT_TRUE(test::has(refused, "refused the connection")) << "[" << refused << "]";
  server_->start();
  port_->PortOpen(true);
  radio_take();
  port_->Output("FA;");
  std::string got;
  EXPECT_TRUE(run_until(apt_, 2s, [&] { return (got += radio_take()) == "FA;"; })) << got;
}

}  // namespace
}  // namespace tovrak::hosts
