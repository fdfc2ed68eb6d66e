// A serial port over the network without a real server (remote_radio_test
// runs against one): the Telnet decoder fed byte by byte, the link over a
// socket pair, and the serial control's error when no server is there.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/posix/rfc2217_link.hpp"
#include "platform/posix/telnet_session.hpp"
#include "support/refusal.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::platform {
namespace {

using namespace std::string_literals;

std::string iac(std::initializer_list<int> bytes) {
  return std::string(bytes.begin(), bytes.end());
}
const std::string kAcceptComPort = iac({255, 253, 44});  // IAC DO COM-PORT

// Feeds `chunks` to a fresh session; returns the data, and the replies in `out`.
std::string decode(const std::vector<std::string>& chunks, std::string& out,
                   telnet::Session* keep = nullptr) {
  telnet::Session local;
  telnet::Session& s = keep ? *keep : local;
  std::string data;
  for (std::string c : chunks) data.append(c, 0, s.receive(c.data(), c.size(), c.data(), out));
  return data;
}

std::vector<std::string> bytewise(const std::vector<std::string>& chunks) {
  std::vector<std::string> one;
  for (const auto& c : chunks)
    for (char b : c) one.emplace_back(1, b);
  return one;
}

TEST(TelnetDecoder, CommandsNeverReachTheDataWhereverTheReadsSplitThem) {
  struct Row {
    const char* what;
    std::vector<std::string> chunks;
    std::string data;
  };
  const std::vector<Row> rows = {
      {"doubled 0xFF at a read boundary", {"FA\xff", "\xff;"}, "FA\xff;"},
      {"commands between data", {"A" + iac({255, 241}) + "B" + iac({255, 249}) + "C"}, "ABC"},
      {"a modem-state notification split three ways",
       {"X" + iac({255, 250}), iac({44, 107, 0x30, 255}), iac({240}) + "Y"},
       "XY"},
      {"0xFF inside a subnegotiation",
       {iac({255, 250, 44, 101, 0, 0, 255, 255}), iac({255, 255, 255, 240}) + "Z"},
       "Z"},
      {"a subnegotiation ended by another command",
       {iac({255, 250, 44, 106, 1, 255, 241}) + "Q"},
       "Q"},
  };
  for (const auto& r : rows) {
    std::string out1, out2;
    EXPECT_EQ(decode(r.chunks, out1), r.data) << r.what;
    EXPECT_EQ(decode(bytewise(r.chunks), out2), r.data) << r.what << ", byte by byte";
  }
}

TEST(TelnetDecoder, NotificationsAndAnswersAreKept) {
  telnet::Session s;
  std::string out;
  decode(
      bytewise({iac({255, 250, 44, 107, 0xB0, 255, 240}), iac({255, 250, 44, 106, 0x60, 255, 240}),
                iac({255, 250, 44, 101, 0, 0, 0x96, 0, 255, 240})}),
      out, &s);
  EXPECT_EQ(std::tuple(s.modem_state(), s.line_state(), s.baud_rate_answer(), out),
            std::tuple(0xB0, 0x60, 38400u, ""));
}

TEST(TelnetDecoder, NegotiationAnswersEachRequestOnceAndNeverLoops) {
  struct Row {
    const char* what;
    std::string from_server;
    std::string reply;
    telnet::Session::ComPort com_port;
    bool binary_out, binary_in;
  };
  using CP = telnet::Session::ComPort;
  const std::vector<Row> rows = {
      {"agrees to all we asked",
       iac({255, 253, 44, 255, 253, 0, 255, 251, 0, 255, 253, 3, 255, 251, 3}), "", CP::Accepted,
       true, true},
      {"agrees twice: the second time needs no answer",
       iac({255, 253, 44, 255, 253, 44, 255, 253, 0, 255, 253, 0}), "", CP::Accepted, true, false},
      {"refuses the COM-PORT option", iac({255, 254, 44}), "", CP::Refused, false, false},
      {"refuses binary both ways, takes the port", iac({255, 254, 0, 255, 252, 0, 255, 253, 44}),
       "", CP::Accepted, false, false},
      {"asks for options we do not have", iac({255, 253, 24, 255, 251, 1}),
       iac({255, 252, 24, 255, 254, 1}), CP::Asked, false, false},
      {"takes binary, then leaves it", iac({255, 251, 0, 255, 252, 0, 255, 253, 0, 255, 254, 0}),
       iac({255, 254, 0, 255, 252, 0}), CP::Asked, false, false},
  };
  for (const auto& r : rows) {
    for (bool split : {false, true}) {
      telnet::Session s;
      std::string start;
      s.start(start);
      ASSERT_EQ(start, iac({255, 251, 44, 255, 251, 0, 255, 251, 3, 255, 253, 0, 255, 253, 3}));
      std::string out;
      std::vector<std::string> chunks{r.from_server};
      EXPECT_EQ(decode(split ? bytewise(chunks) : chunks, out, &s), "") << r.what;
      EXPECT_EQ(std::tuple(out, s.com_port(), s.binary_out(), s.binary_in()),
                std::tuple(r.reply, r.com_port, r.binary_out, r.binary_in))
          << r.what;
    }
  }
}

// Our end of a socket pair (the link's) and the server's.
struct Pair {
  const std::string name = "rfc2217://radio:7000";
  int ours = -1, server = -1;
  Pair() {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0) throw 1;
    ours = fds[0], server = fds[1];
  }
  ~Pair() { hang_up(); }
  void hang_up() {
    if (server >= 0) close(server);
    server = -1;
  }
  void send(const std::string& s) const {
    ASSERT_EQ(write(server, s.data(), s.size()), ssize_t(s.size()));
  }
  std::string take() const {
    std::string got;
    char buf[4096];
    for (ssize_t n; (n = read(server, buf, sizeof buf)) > 0;) got.append(buf, size_t(n));
    return got;
  }
  // The link, once the server has taken the COM-PORT option.
  std::unique_ptr<SerialLink> start(const std::string& first = "") {
    send(kAcceptComPort + first);
    auto link = start_rfc2217_link(ours, name, 1000);
    take();
    return link;
  }
};

using test::error_of;
using test::has;

TEST(Rfc2217Link, OpeningFailsClearlyWhenTheServerDoesNotSpeakIt) {
  struct Row {
    std::string answer;  // what the server sends; "closed": it hangs up
    int timeout_ms;
    const char* said;
  };
  for (const Row& r : std::vector<Row>{{iac({255, 254, 44}), 1000, "refused the COM-PORT option"},
                                       {"", 20, "does not speak RFC 2217"},
                                       {"closed", 1000, "closed the connection"}}) {
    Pair p;
    r.answer == "closed" ? p.hang_up() : p.send(r.answer);
    std::string why = error_of([&] { start_rfc2217_link(p.ours, p.name, r.timeout_ms); });
    EXPECT_TRUE(has(why, p.name) && has(why, r.said)) << why;
  }
}

TEST(Rfc2217Link, SettingsLinesAndPurgeGoAsComPortCommandsOnlyWhenTheyChange) {
  Pair p;
  auto link = p.start("early");  // data before the agreement is not the port's
  LineParams params{{38400, 'E', 7, 2}, 2};
  link->apply(params), link->set_modem_lines(true, false);
  EXPECT_EQ(p.take(), iac({255, 250, 44, 1, 0,  0,   0x96, 0, 255, 240,  // 38400
                           255, 250, 44, 2, 7,  255, 240,                // 7 bits
                           255, 250, 44, 3, 3,  255, 240,                // even
                           255, 250, 44, 4, 2,  255, 240,                // 2 stop bits
                           255, 250, 44, 5, 3,  255, 240,                // RTS/CTS
                           255, 250, 44, 5, 8,  255, 240,                // DTR on
                           255, 250, 44, 5, 12, 255, 240}));             // RTS off
  params.framing.speed = 65535 * 256 + 255;  // a rate with 0xFF in it, doubled
  params.handshaking = 1;
  link->apply(params), link->set_modem_lines(true, true), link->discard_out();
  EXPECT_EQ(p.take(), iac({255, 250, 44,  1,   0,   255, 255, 255, 255, 255,
                           255, 255, 240, 255, 250, 44,  5,   2,   255, 240,  // XON/XOFF
                           255, 250, 44,  5,   11,  255, 240,                 // RTS on
                           255, 250, 44,  12,  2,   255, 240}));  // purge what waits for the device
  params.framing.data_bits = 4;
  EXPECT_THROW(link->apply(params), ComError);
}

TEST(Rfc2217Link, DataCrossesWith0xFFIntactAndCommandsAnsweredOnTheWay) {
  Pair p;
  auto link = p.start();
  const std::string out = "FA\xff\xff;"s;
  ASSERT_EQ(link->write_some(out.data(), out.size()), 5);
  EXPECT_EQ(p.take(), "FA\xff\xff\xff\xff;"s);

  // Only commands waiting: the read answers them and says "nothing yet".
  char buf[64];
  p.send(iac({255, 253, 24}));
  EXPECT_EQ(link->read_some(buf, sizeof buf), -1);
  EXPECT_EQ(errno, EAGAIN);
  EXPECT_EQ(p.take(), iac({255, 252, 24}));

  p.send("IF\xff"s);
  p.send("\xff;"s + iac({255, 250, 44, 107, 0, 255, 240}) + "X");
  std::string got;
  for (ssize_t n; (n = link->read_some(buf, 3)) > 0;) got.append(buf, size_t(n));
  EXPECT_EQ(got, "IF\xff;X"s);

  p.hang_up();
  EXPECT_EQ(link->read_some(buf, sizeof buf), 0);
  EXPECT_EQ(link->loss_reason(0), "the server closed the connection");
}

TEST(Rfc2217Link, AWriteTheSocketTakesInPartKeepsEveryDoubledByteWhole) {
  Pair p;
  int small = 4096;
  setsockopt(p.ours, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  auto link = p.start();
  // After the "A", the socket's cuts fall between the halves of doubled bytes.
  const std::string data = "A" + std::string(100001, '\xff') + "END;";
  std::string wire;
  size_t pos = 0;
  int rounds = 0;
  while ((pos < data.size() || link->unsent()) && ++rounds < 100000) {
    ASSERT_EQ(link->flush(), 0);
    ssize_t n = link->write_some(data.data() + pos, data.size() - pos);
    if (n > 0) {
      pos += static_cast<size_t>(n);
      // What the link holds is counted as not yet handed on: at most the
      // second half of one doubled byte.
      EXPECT_EQ(link->pending_out(), link->unsent() ? 1 : 0);
    } else {
      ASSERT_EQ(errno, EAGAIN);
    }
    wire += p.take();
  }
  wire += p.take();
  EXPECT_TRUE(wire == "A" + std::string(200002, '\xff') + "END;") << wire.size();
}

TEST(Rfc2217Control, AnUnknownHostIsNamed) {
  // (A server that refuses the connection is the remote radio test's.)
  PosixApartment apt;
  auto port = apt.create_serial();
  port->Device("rfc2217://no-such-host.invalid:7000");
  std::string why = error_of([&] { port->PortOpen(true); });
  EXPECT_TRUE(has(why, "\"no-such-host.invalid\" is not known")) << why;
  EXPECT_FALSE(port->PortOpen());
}

}  // namespace
}  // namespace tovrak::platform
