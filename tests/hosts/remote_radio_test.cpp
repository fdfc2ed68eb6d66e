// A radio behind a real ser2net on loopback: the test holds the radio's end
// of a pseudo-terminal, ser2net serves the other end with RFC 2217, and the
// serial control opens rfc2217://127.0.0.1:PORT. Real time, kept short.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "hosts/cli/ser2net_server.hpp"
#include "platform/posix/posix_serial.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {
namespace {

using namespace std::string_literals;
using std::chrono::milliseconds;

class RemoteRadio : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Ser2netServer::program().empty()) GTEST_SKIP() << "ser2net is not installed";
    // The device end is held from the start: ser2net may take the device
    // exclusively, and the test reads the line's settings through it.
    char name[128];
    ASSERT_EQ(openpty(&radio_, &device_, name, nullptr, nullptr), 0);
    for (int fd : {radio_, device_}) fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(radio_, F_SETFL, O_NONBLOCK);
    server_.emplace(name);
    port_ = apt_.create_serial();
    port_->OnComm([this] { ++events_; });
    port_->Device(server_->locator());
  }
  void TearDown() override {
    port_.reset();
    server_.reset();
    if (device_ >= 0) close(device_);
    if (radio_ >= 0) close(radio_);
  }

  // Runs the apartment until `done` or a deadline of two seconds.
  bool run_until(const std::function<bool()>& done) {
    auto end = std::chrono::steady_clock::now() + milliseconds(2000);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      apt_.run_for(milliseconds(5));
    }
    return true;
  }
  speed_t device_speed() const {
    termios t{};
    tcgetattr(device_, &t);
    return cfgetospeed(&t);
  }
  std::string radio_take() const {
    std::string got;
    char buf[512];
    ssize_t n;
    while ((n = read(radio_, buf, sizeof buf)) > 0) got.append(buf, static_cast<size_t>(n));
    return got;
  }

  int radio_ = -1, device_ = -1;
  std::optional<Ser2netServer> server_;
  platform::PosixApartment apt_;
  std::unique_ptr<platform::SerialControl> port_;
  int events_ = 0;
};

TEST_F(RemoteRadio, TheSpeedReachesTheDeviceAndEveryByteCrossesBothWays) {
  port_->Settings("38400,N,8,1");
  port_->PortOpen(true);
  EXPECT_TRUE(run_until([&] { return device_speed() == B38400; }));
  port_->Settings("4800,N,8,1");
  EXPECT_TRUE(run_until([&] { return device_speed() == B4800; })) << "a change while open";

  const std::string to_radio = "FA\xff\x01;\xff\xff"s, from_radio = "IF\xff;\xff\xff\xfa\xf0"s;
  port_->Output(to_radio);
  std::string got;
  EXPECT_TRUE(run_until([&] { return (got += radio_take()) == to_radio; })) << got;
  ASSERT_EQ(write(radio_, from_radio.data(), from_radio.size()), ssize_t(from_radio.size()));
  std::string in;
  EXPECT_TRUE(run_until([&] { return port_->InputTo(in), in == from_radio; })) << in;
  EXPECT_EQ(port_->OutBufferCount(), 0);
}

TEST_F(RemoteRadio, AServerThatGoesAwayIsAPulledCableAndOpeningAgainReconnects) {
  port_->PortOpen(true);
  server_->kill();
  ASSERT_TRUE(run_until([&] { return static_cast<platform::PosixSerial&>(*port_).device_lost(); }));
  EXPECT_EQ(events_, 1);
  uint64_t before = apt_.wakeups();
  apt_.run_for(milliseconds(100));
  EXPECT_LE(apt_.wakeups() - before, 2u) << "nothing spins on a lost connection";
  EXPECT_THROW(port_->Output("FA;"), ComError);

  port_->PortOpen(false);
  try {
    port_->PortOpen(true);
    ADD_FAILURE() << "opened with the server down";
  } catch (const ComError& e) {
    EXPECT_NE(e.description().find("refused the connection"), std::string::npos) << e.description();
  }
  server_->start();
  port_->PortOpen(true);
  radio_take();
  port_->Output("FA;");
  std::string got;
  EXPECT_TRUE(run_until([&] { return (got += radio_take()) == "FA;"; })) << got;
}

}  // namespace
}  // namespace tovrak::hosts
