// The option parser every tovrak command uses: values are checked in range,
// and every mistake ends in the same kind of message and status 2.
#include "hosts/cli/options.hpp"

#include <gtest/gtest.h>

#include <tuple>

#include "hosts/cli/port_options.hpp"
#include "hosts/sim/sim_radio.hpp"

namespace tovrak::hosts {
namespace {

using Args = std::vector<std::string>;
using namespace std::string_literals;

// What a command with the port and radio options and one of its own made of
// its arguments: the status when it ends, its message, the values taken.
struct Parsed {
  std::optional<int> status;
  std::string out, error;
  PortOptions port;
  sim::SimOptions radio;
  double seconds = 30;

  explicit Parsed(const Args& args) {
    Options opt("demo", "test");
    opt.number("--seconds", seconds, 5, 86'400, "N", "how long");
    add_port_options(opt, port);
    add_sim_options(opt, radio);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    status = opt.parse(args);
    out = testing::internal::GetCapturedStdout();
    error = testing::internal::GetCapturedStderr();
  }
};

TEST(Options, RefusesBadValuesWithTheSameMessageEverywhere) {
  const std::string how =
      "://HOST:PORT, with PORT from 1 to 65535 (an IPv6 address in brackets: [::1])";
  const std::pair<Args, std::string> rows[] = {
      {{"--id", "-5"}, "--id -5 is out of range (0 to 9999)"},
      {{"--id", "7.5"}, "--id takes a whole number from 0 to 9999, not \"7.5\""},
      {{"--latency", "nan"}, "--latency takes a number from 0 to 60000, not \"nan\""},
      {{"--drop", "1.5"}, "--drop 1.5 is out of range (0 to 1)"},
      {{"--speed", "99999999999999999999"},
       "--speed 99999999999999999999 is out of range (1 to 4000000)"},
      {{"--speed", "fast"}, "--speed takes a whole number from 1 to 4000000, not \"fast\""},
      {{"--port", "rfc2217://foo"},
       "--port \"rfc2217://foo\": a network port is written rfc2217" + how},
      {{"--port", "tcp://::1:80"}, "--port \"tcp://::1:80\": a network port is written tcp" + how},
      {{"--port", "tcp://host:0"}, "--port \"tcp://host:0\": a network port is written tcp" + how},
      {{"--port", "ftp://host:21"},
       "--port \"ftp://host:21\": a network port is rfc2217://HOST:PORT or tcp://HOST:PORT"},
      {{"--seed"}, "--seed needs a value"},
      {{"--bogus"}, "unknown option --bogus"},
      {{"extra"}, "unexpected argument extra"},
  };
  for (const auto& [args, message] : rows) {
    const Parsed p(args);
    EXPECT_EQ(p.status, 2) << message;
    EXPECT_EQ(p.error, "tovrak demo: " + message + " (tovrak demo --help)\n");
    // A refused value changes nothing.
    EXPECT_EQ(std::tie(p.radio.id, p.radio.faults.drop, p.seconds),
              std::make_tuple(sim::SimOptions{}.id, 0.0, 30.0));
  }
}

TEST(Options, TakesGoodValuesAndTellsWhichGroupsWereGiven) {
  const Parsed p({"--port", "/dev/ttyUSB0", "--speed", "38400", "--no-rts", "--id", "570",
                  "--latency", "2.5", "--drop", "0.25", "--seconds", "12"});
  EXPECT_EQ(std::tie(p.status, p.error), std::make_tuple(std::nullopt, ""s));
  EXPECT_EQ(std::tie(p.port.given, p.port.path, p.port.speed, p.port.rts),
            std::make_tuple(true, "/dev/ttyUSB0"s, "38400"s, false));
  EXPECT_EQ(std::tie(p.radio.id, p.radio.latency_us, p.radio.faults.drop, p.seconds),
            std::make_tuple(570, 2500, 0.25, 12.0));
  const Parsed help({"--help"});
  EXPECT_EQ(help.status, 0);
  // Option texts wrap beside their names within 79 columns.
  EXPECT_NE(help.out.find("  --port PATH            the serial device (/dev/ttyUSB0, a\n"
                          "                         pseudo-terminal...), rfc2217://HOST:PORT for "
                          "a port\n"),
            std::string::npos)
      << help.out;
  // Without the options: RTS raised and handshaking, DTR low.
  EXPECT_EQ(std::tie(help.port.given, help.port.rts, help.port.dtr),
            std::make_tuple(false, true, false));
  // Any one of the port's options says the port was given.
  for (const Args& one : {Args{"--dtr"}, Args{"--no-rts"}, Args{"--speed", "4800"}}) {
    EXPECT_TRUE(Parsed(one).port.given) << one[0];
  }
  // A range holds its ends.
  const Parsed low({"--id", "0", "--drop", "0", "--seconds", "5"});
  const Parsed high({"--id", "9999", "--drop", "1", "--seconds", "86400"});
  EXPECT_EQ(std::tie(low.status, low.radio.id, low.radio.faults.drop, low.seconds),
            std::make_tuple(std::nullopt, 0, 0.0, 5.0));
  EXPECT_EQ(std::tie(high.status, high.radio.id, high.radio.faults.drop, high.seconds),
            std::make_tuple(std::nullopt, 9999, 1.0, 86400.0));
}

}  // namespace
}  // namespace tovrak::hosts
