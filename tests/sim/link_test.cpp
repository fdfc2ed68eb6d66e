// The radio on a line: on the virtual platform each byte at its virtual
// time, the component at the other end in both forms; on descriptors.
#include "hosts/sim/sim_link.hpp"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <tuple>

#include "hosts/sim/real_time_radio.hpp"
#include "hosts/sim/simulated_radio.hpp"
#include "support/rig.hpp"

namespace tovrak::sim::test {
namespace {

using Heard = std::vector<std::pair<int64_t, std::string>>;

// The component's end of the virtual line, without the component: an open
// serial control that records what arrives and when it is read.
struct Ear {
  platform::VirtualApartment apt;
  std::unique_ptr<platform::SerialControl> port = apt.create_serial();
  Heard heard;

  Ear() {
    port->PortOpen(true);
    port->OnComm([this] {
      std::string in = port->Input();
      if (!in.empty()) heard.emplace_back(apt.now_us(), in);
    });
  }
};

TEST(SimVirtualLine, AnswersArriveAtTheirTimeAlsoDuringANonPumpingSleep) {
  Ear e;
  SimRadio radio(SimOptions{.latency_us = 20'000});
  SimLink link(radio, e.apt);
  e.apt.advance_ms(5);
  e.port->Output("FA;");
  e.apt.advance_ms(20);  // heard as it arrives, not before
  EXPECT_EQ(e.heard, (Heard{{25'000, "FA014200000;"}}));

  e.port->Output("ID;");
  e.apt.sleep_ms(50);
  EXPECT_EQ(e.heard.size(), 1u);          // no message processed yet
  EXPECT_EQ(e.port->InBufferCount(), 7);  // but the bytes are there
  e.apt.process_pending();
  EXPECT_EQ(e.heard.back(), (std::pair<int64_t, std::string>{75'000, "ID0570;"}));
}

TEST(SimVirtualLine, TheRadiosOwnLifeAndItsLineRunOnTheApartmentClockUntilDetached) {
  Ear e;
  SimRadio radio(SimOptions{.latency_us = 3'000, .faults = {.split = 1.0, .split_gap_us = 8'000}});
  SimLink link(radio, e.apt);
  Heard writes, arrived;
  link.on_write([&](int64_t us, std::string_view b) { writes.emplace_back(us, std::string(b)); });
  link.on_arrive([&](std::string_view b) { arrived.emplace_back(e.apt.now_us(), std::string(b)); });
  e.apt.advance_ms(1000);
  e.port->Output("AI1;");
  e.apt.advance_ms(1000);
  EXPECT_EQ(writes, (Heard{{1'000'000, "AI1;"}}));
  ASSERT_GE(e.heard.size(), 6u);
  EXPECT_EQ(arrived, e.heard);
  for (size_t i = 0; i + 1 < e.heard.size(); i += 2) {
    EXPECT_EQ((e.heard[i].second + e.heard[i + 1].second).substr(0, 3), "SM0");
    EXPECT_EQ(e.heard[i].first % 100'000, 3'000);  // a meter tick and the latency
    EXPECT_GT(e.heard[i + 1].first, e.heard[i].first);
  }

  link.detach();  // the radio's time stands still from here
  const int64_t left = radio.now_us();
  e.heard.clear();
  e.port->Output("ID;");
  e.apt.advance_ms(1000);
  EXPECT_TRUE(e.heard.empty());
  EXPECT_EQ(radio.now_us(), left);
}

// Until the input ends, then the answers on their way go out (stopping is
// the pseudo-terminal smoke test's).
TEST(SimRealTime, TheRadioAnswersOnDescriptorsUntilTheInputEnds) {
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
  SimRadio radio(SimOptions{.latency_us = 20'000});
  ASSERT_EQ(write(sv[0], "ID;FA;", 6), 6);
  shutdown(sv[0], SHUT_WR);
  platform::PosixApartment apt;
  const int rc = run_on_descriptors(radio, apt, sv[1], sv[1]);
  std::string got(64, '\0');
  got.resize(static_cast<size_t>(std::max<ssize_t>(0, read(sv[0], got.data(), got.size()))));
  EXPECT_EQ(got, "ID0570;FA014200000;");
  EXPECT_EQ(rc, 0);
  // Answers that cannot be written are lost; the input still ends the run.
  close(sv[0]);
  close(sv[1]);
  int in[2];
  ASSERT_EQ(pipe(in), 0);
  ASSERT_EQ(write(in[1], "ID;", 3), 3);
  close(in[1]);
  platform::PosixApartment again;
  EXPECT_EQ(run_on_descriptors(radio, again, in[0], -1), 0);
  close(in[0]);
  // The run ends once the latest answers had time to arrive.
  SimRadio slow(SimOptions{
      .latency_us = 20'000,
      .faults = {.split = 0.5, .split_gap_us = 5'000, .late = 0.5, .late_max_us = 40'000}});
  EXPECT_EQ(RealTimeRadio(slow, apt, nullptr).answers_in_flight_us(), 66'000);
}

// The radio on a pseudo-terminal and a thread of its own, worked by hand
// while it waits (what it answers there is the pseudo-terminal tests').
TEST(SimOnItsOwnThread, TheFrontPanelIsWorkedWhileTheRadioWaits) {
  SimulatedRadio radio(SimulatedRadioOptions{.id = 460});
  EXPECT_TRUE(radio.tune(1, 7'010'000));
  EXPECT_FALSE(radio.tune(2, 7'020'000));
  EXPECT_FALSE(radio.panel("FT4"));
  EXPECT_TRUE(radio.panel("VS1") && radio.panel("FT2") && radio.panel("TX1"));
  const SimulatedRadioState s = radio.state();
  EXPECT_EQ(std::tuple(s.power, s.vfo_a_hz, s.vfo_b_hz, s.rx_vfo, s.split, s.ptt),
            std::tuple(true, int64_t{14'200'000}, int64_t{7'010'000}, 1, true, true));
}

// Every option of the front ends' radio reaches the radio.
TEST(SimOnItsOwnThread, TakesEveryOption) {
  const SimOptions s = to_sim_options({.id = 460,
                                       .seed = 9,
                                       .operator_on = true,
                                       .latency_ms = 2.5,
                                       .drop = 0.1,
                                       .garble = 0.2,
                                       .split = 0.3,
                                       .late = 0.4});
  EXPECT_EQ(std::tuple(s.id, s.seed, s.operator_on, s.latency_us),
            std::tuple(460, uint64_t{9}, true, int64_t{2500}));
  EXPECT_EQ(std::tuple(s.faults.drop, s.faults.garble, s.faults.split, s.faults.late),
            std::tuple(0.1, 0.2, 0.3, 0.4));
}

class SimWithComponent : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(BothForms, SimWithComponent, ::testing::Values(570, 460));

TEST_P(SimWithComponent, CommandsReachTheRadioAndItsReportsReachTheState) {
  tovrak::test::Rig r;
  SimRadio radio{SimOptions{.id = GetParam(), .latency_us = 5'000}};
  SimLink link{radio, r.apt};
  radio.set_mode(mode::kCw, 0);    // in the 9-digit form, LSB and USB read as memory mode
  r.rig->put_AutoPolling(VFalse);  // the radio reports its own changes
  ASSERT_TRUE(r.open());
  r.rig->SetCAT(tovrak::test::i16(1));
  r.apt.advance_ms(12'000);  // past identification and the level sequence
  EXPECT_EQ(r.s().TransceiverID, GetParam());
  EXPECT_TRUE(r.rig->SetFreq(7.0305));
  EXPECT_TRUE(r.rig->SetMode(tovrak::test::i16(2), tovrak::test::i16(1)));  // CW reverse
  r.apt.advance_ms(300);
  EXPECT_EQ(radio.state().vfo[0].hz, 7'030'500);
  EXPECT_EQ(radio.state().vfo[0].mode, mode::kCwR);
  radio.set_mode(mode::kAm, r.apt.now_us());
  radio.turn_dial(1'000, r.apt.now_us());
  radio.panel("AG0211", r.apt.now_us());
  r.apt.advance_ms(50);
  EXPECT_DOUBLE_EQ(r.rig->get_Freq(), 7.0315);
  EXPECT_EQ(r.rig->get_Mode(), 3);
  Variant rx(int16_t{0});
  EXPECT_EQ(r.rig->get_AFLevel(rx), 211);
  EXPECT_EQ(radio.stats().unknown, 0);  // nothing the component wrote was refused
}

}  // namespace
}  // namespace tovrak::sim::test
