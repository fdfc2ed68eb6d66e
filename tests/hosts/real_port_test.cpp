// The real ports in real time, each test a few seconds at most; they wait
// for a state with a generous deadline, never for a time.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hosts/cli/ser2net_server.hpp"
#include "hosts/sim/sim_on_pty.hpp"
#include "platform/posix/endpoints/pseudo_terminal.hpp"
#include "platform/posix/posix_serial.hpp"
#include "support/refusal.hpp"
#include "support/rig.hpp"
#include "support/run_until.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using test::i16;
using test::run_until;
using test::str;

// The component over a real pseudo-terminal against the simulated radio on
// its own thread, from CAT on to a pulled cable and back (convergence under
// every fault is the soak's, in virtual time).
struct Station {
  std::unique_ptr<SimOnPty> radio;
  platform::PosixApartment apt;
  TOVRAK_Connector connector{apt};
  std::shared_ptr<TOVRAK_Protocol> rig{connector.get_TOVRAK_Protocol()};
  std::vector<int16_t> events;

  Station() {
    rig->AdviseChange([this](int16_t& s) { events.push_back(s); });
  }
  bool port(bool open) {
    str msg("");
    const bool done =
        static_cast<bool>(rig->SetPort(test::Ref<VBool>(VBool::of(open)), str(""), str(""), msg));
    EXPECT_TRUE(done) << msg.v;
    return done;
  }
  // Whether the component shows the radio's state (read while its thread is paused).
  bool shows_the_radio() {
    sim::RadioState s;
    radio->while_paused([&](sim::SimRadio& r) { s = r.state(); });
    auto hz = [](double mhz) { return std::llround(mhz * 1e6); };
    return hz(rig->get_VFOA_Freq()) == s.vfo[0].hz && hz(rig->get_VFOB_Freq()) == s.vfo[1].hz &&
           rig->get_VFOA_Mode() == 1 && rig->get_VFOB_Mode() == 0 &&
           (rig->get_Split() != 0) == s.split();
  }
};

TEST(OverPseudoTerminal, CatOnACablePulledAndBack) {
  Station t;
  // Half the answers arrive in two pieces, each read as it comes.
  t.radio = std::make_unique<SimOnPty>(
      sim::SimOptions{.id = 460, .seed = 5, .latency_us = 2'000, .faults = {.split = 0.5}});
  t.rig->SetPortDevice(t.radio->path());
  t.rig->put_Port(1);
  t.rig->put_PortSpeed("38400");
  ASSERT_TRUE(t.port(true));
  t.rig->SetCAT(i16(1));
  ASSERT_TRUE(run_until(t.apt, 12s, [&] { return t.shows_the_radio(); }));

  // The cable is pulled: no error reaches the host, no events, reads answer
  // from memory, and the loop does not spin on the dead descriptor.
  t.radio.reset();
  t.events.clear();
  const uint64_t wakeups_before = t.apt.wakeups();
  const auto pulled_at = std::chrono::steady_clock::now();
  t.apt.run_for(500ms);
  EXPECT_NO_THROW({
    Variant main_rx(int16_t{0});
    EXPECT_TRUE(t.rig->get_Freq() > 0 && t.rig->get_PortOpen() == VTrue &&
                t.rig->get_AFLevel(main_rx) >= 0);
    EXPECT_TRUE(t.rig->SetFreq(7.05));
    EXPECT_TRUE(t.rig->SetMode(i16(2), i16(0)));
    EXPECT_TRUE(t.rig->SetSplit(i16(1)));
    t.rig->SetRefresh();
  });
  t.apt.run_for(500ms);
  EXPECT_TRUE(t.events.empty()) << "no answers, no events";
  // Timers tick (polling every 175 ms); a loop spinning on the descriptor
  // would count thousands.
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - pulled_at).count();
  const uint64_t wakeups = t.apt.wakeups() - wakeups_before;
  EXPECT_LE(static_cast<double>(wakeups), 25.0 * seconds) << wakeups << " wake-ups";

  // The device is back, maybe under another name: the host reopens the port
  // and polling, still on, reads the radio that is there now.
  t.radio = std::make_unique<SimOnPty>(sim::SimOptions{.id = 460, .seed = 4});
  EXPECT_TRUE(t.port(false));
  t.rig->SetPortDevice(t.radio->path());
  ASSERT_TRUE(t.port(true));
  EXPECT_EQ(t.rig->get_CAT(), 1);
  EXPECT_TRUE(run_until(t.apt, 12s, [&] { return t.shows_the_radio(); }));
  EXPECT_FALSE(t.events.empty());
}

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

  std::string radio_take() const {
    std::string got;
    char buf[512];
    ssize_t n;
    while ((n = read(radio_, buf, sizeof buf)) > 0) got.append(buf, static_cast<size_t>(n));
    return got;
  }

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
