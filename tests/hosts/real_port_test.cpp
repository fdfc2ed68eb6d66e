#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "hosts/cli/ser2net_server.hpp"
#include "platform/posix/endpoints/pseudo_terminal.hpp"
#include "platform/posix/posix_serial.hpp"
#include "support/run_until.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {
namespace {

using namespace std::chrono_literals;
using test::run_until;

// A radio behind a real ser2net on loopback, in real time (waiting for states
// with a generous deadline): the test holds the radio's end of a
// pseudo-terminal, ser2net serves the other with RFC 2217 (the bytes crossing
// and a refused connection: the link's and network ports' own tests).
TEST(RemoteRadio, TheSpeedReachesTheDeviceAndALostServerIsAPulledCable) {
  if (Ser2netServer::program().empty()) GTEST_SKIP() << "ser2net is not installed";
  // The device end is held from the start: ser2net may take the device
  // exclusively, and the test reads the line's settings through it.
  platform::PseudoTerminal pty(platform::PseudoTerminal::Mode::Cooked);
  Ser2netServer server(pty.device());
  platform::PosixApartment apt;
  auto port = apt.create_serial();
  int events = 0;
  port->OnComm([&] { ++events; });
  port->Device(server.locator());
  port->Settings("38400,N,8,1");
  port->PortOpen(true);
  EXPECT_TRUE(run_until(apt, 2s, [&] {
    termios t{};
    return tcgetattr(pty.device_fd(), &t) == 0 && cfgetospeed(&t) == B38400;
  }));

  server.kill();
  ASSERT_TRUE(
      run_until(apt, 2s, [&] { return static_cast<platform::PosixSerial&>(*port).device_lost(); }));
  EXPECT_EQ(events, 1);
  uint64_t before = apt.wakeups();
  apt.run_for(100ms);
  EXPECT_LE(apt.wakeups() - before, 2u) << "nothing spins on a lost connection";
  EXPECT_THROW(port->Output("FA;"), ComError);

  port->PortOpen(false);
  server.start();
  port->PortOpen(true);
  test::read_all(pty.master());
  port->Output("FA;");
  std::string got;
  EXPECT_TRUE(run_until(apt, 2s, [&] { return (got += test::read_all(pty.master())) == "FA;"; }))
      << got;
}

}  // namespace
}  // namespace tovrak::hosts
