// The option parser every tovrak command uses: values are checked in range,
// and every mistake ends in the same kind of message and status 2.
#include "hosts/cli/options.hpp"

#include <gtest/gtest.h>

#include "hosts/cli/port_options.hpp"
#include "hosts/sim/sim_radio.hpp"

namespace tovrak::hosts {
namespace {

using Args = std::vector<std::string>;

struct Outcome {
  std::optional<int> status;
  std::string error;
};

// A command with the port and radio options and two of its own.
Outcome parse(const Args& args, PortOptions& port, sim::SimOptions& radio, double& seconds) {
  Options opt("demo", "test");
  opt.number("--seconds", seconds, 5, 86'400, "N", "how long");
  add_port_options(opt, port);
  add_sim_options(opt, radio);
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  Outcome o{opt.parse(args), ""};
  testing::internal::GetCapturedStdout();
  o.error = testing::internal::GetCapturedStderr();
  return o;
}

TEST(Options, RefusesBadValuesWithTheSameMessageEverywhere) {
  struct Row {
    Args args;
    std::string message;
  } rows[] = {
      {{"--id", "abc"}, "--id takes a whole number from 0 to 9999, not \"abc\""},
      {{"--id", "-5"}, "--id -5 is out of range (0 to 9999)"},
      {{"--id", "7.5"}, "--id takes a whole number from 0 to 9999, not \"7.5\""},
      {{"--latency", "nan"}, "--latency takes a number from 0 to 60000, not \"nan\""},
      {{"--drop", "nan"}, "--drop takes a number from 0 to 1, not \"nan\""},
      {{"--drop", "1.5"}, "--drop 1.5 is out of range (0 to 1)"},
      {{"--seconds", "inf"}, "--seconds takes a number from 5 to 86400, not \"inf\""},
      {{"--speed", "99999999999999999999"},
       "--speed 99999999999999999999 is out of range (1 to 4000000)"},
      {{"--speed", "fast"}, "--speed takes a whole number from 1 to 4000000, not \"fast\""},
      {{"--seed"}, "--seed needs a value"},
      {{"--bogus"}, "unknown option --bogus"},
      {{"extra"}, "unexpected argument extra"},
  };
  for (const auto& r : rows) {
    PortOptions port;
    sim::SimOptions radio;
    double seconds = 30;
    auto o = parse(r.args, port, radio, seconds);
    EXPECT_EQ(o.status, 2) << r.message;
    EXPECT_EQ(o.error, "tovrak demo: " + r.message + " (tovrak demo --help)\n");
    EXPECT_EQ(radio.id, sim::SimOptions{}.id) << "a refused value changes nothing";
    EXPECT_EQ(radio.faults.drop, 0.0);
    EXPECT_EQ(seconds, 30);
  }
}

TEST(Options, TakesGoodValuesAndTellsWhichGroupsWereGiven) {
  PortOptions port;
  sim::SimOptions radio;
  double seconds = 30;
  auto o = parse({"--port", "/dev/ttyUSB0", "--speed", "38400", "--no-rts", "--id", "570",
                  "--latency", "2.5", "--drop", "0.25", "--seconds", "12"},
                 port, radio, seconds);
  EXPECT_FALSE(o.status);
  EXPECT_EQ(o.error, "");
  EXPECT_TRUE(port.given);
  EXPECT_EQ(port.path, "/dev/ttyUSB0");
  EXPECT_EQ(port.speed, "38400");
  EXPECT_FALSE(port.rts);
  EXPECT_EQ(radio.id, 570);
  EXPECT_EQ(radio.latency_us, 2500);
  EXPECT_EQ(radio.faults.drop, 0.25);
  EXPECT_EQ(seconds, 12);

  PortOptions untouched;
  EXPECT_EQ(parse({"--help"}, untouched, radio, seconds).status, 0);
  EXPECT_FALSE(untouched.given);
}

}  // namespace
}  // namespace tovrak::hosts
