// A serial port over the network without a real server (real_port_test.cpp
// runs against one): the Telnet decoder fed byte by byte and the link over a
// socket pair. (An unknown host is among the serial control's refusals.)
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/posix/endpoints/stream_endpoints.hpp"
#include "platform/posix/posix_serial.hpp"
#include "platform/posix/rfc2217_link.hpp"
#include "platform/posix/tcp_link.hpp"
#include "platform/posix/telnet_session.hpp"
#include "platform/seams.hpp"
#include "support/refusal.hpp"
#include "support/run_until.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::platform {
namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;

// Telnet bytes written as words: WILL, WONT, DO, DONT, SB and SE each with
// the IAC before it, IAC alone, and numbers (44 is the COM-PORT option).
std::string tn(const std::string& words) {
  static const std::map<std::string, std::string> named = {
      {"IAC", "\xff"},      {"SE", "\xff\xf0"}, {"SB", "\xff\xfa"},  {"WILL", "\xff\xfb"},
      {"WONT", "\xff\xfc"}, {"DO", "\xff\xfd"}, {"DONT", "\xff\xfe"}};
  std::istringstream in(words);
  std::string bytes;
  for (std::string w; in >> w;)
    bytes += named.count(w) ? named.at(w) : std::string(1, char(std::stoi(w, nullptr, 0)));
  return bytes;
}

// Feeds `chunks` to `s`, each whole or a byte at a time; returns the data,
// and the replies in `out`.
std::string decode(telnet::Session& s, std::vector<std::string> chunks, bool bytewise,
                   std::string& out) {
  std::string data;
  for (std::string& c : chunks)
    for (size_t at = 0, n = 0; at < c.size(); at += n) {
      n = bytewise ? 1 : c.size() - at;
      data.append(c, at, s.receive(&c[at], n, &c[at], out));
    }
  return data;
}

TEST(TelnetDecoder, CommandsNeverReachTheDataWhereverTheReadsSplitThem) {
  struct Row {
    const char* what;
    std::vector<std::string> chunks;
    std::string data;
  };
  const std::vector<Row> rows = {
      {"doubled 0xFF at a read boundary", {"FA\xff", "\xff;"}, "FA\xff;"},
      {"commands between data", {"A" + tn("IAC 241") + "B" + tn("IAC 249") + "C"}, "ABC"},
      {"a modem-state notification split three ways",
       {"X" + tn("SB"), tn("44 107 0x30 IAC"), tn("240") + "Y"},
       "XY"},
      {"0xFF inside a subnegotiation", {tn("SB 44 101 0 0 IAC IAC"), tn("IAC IAC SE") + "Z"}, "Z"},
      {"a subnegotiation ended by another command", {tn("SB 44 106 1 IAC 241") + "Q"}, "Q"},
  };
  for (const auto& r : rows)
    for (bool bytewise : {false, true}) {
      telnet::Session s;
      std::string out;
      EXPECT_EQ(decode(s, r.chunks, bytewise, out), r.data) << r.what << ", bytewise " << bytewise;
    }
}

TEST(TelnetDecoder, NotificationsAndAnswersAreKept) {
  telnet::Session s;
  std::string out;
  decode(s, {tn("SB 44 107 0xB0 SE SB 44 106 0x60 SE SB 44 101 0x01 0x02 0x03 0x04 SE")}, true,
         out);
  EXPECT_EQ(std::tuple(s.modem_state(), s.line_state(), s.baud_rate_answer(), out),
            std::tuple(0xB0, 0x60, 0x01020304u, ""));
  // Answers of another length than their kind's are not taken.
  decode(s, {tn("SB 44 107 1 2 SE SB 44 106 SE SB 44 101 0 0 0x96 SE")}, false, out);
  EXPECT_EQ(std::tuple(s.modem_state(), s.line_state(), s.baud_rate_answer()),
            std::tuple(0xB0, 0x60, 0x01020304u));
}

TEST(TelnetDecoder, NegotiationAnswersEachRequestOnceAndNeverLoops) {
  struct Row {
    const char* what;
    const char* from_server;  // words, as tn() reads them
    const char* reply;
    telnet::Session::ComPort com_port;
    bool binary_out, binary_in;
  };
  using CP = telnet::Session::ComPort;
  const std::vector<Row> rows = {
      {"agrees to all we asked", "DO 44 DO 0 WILL 0 DO 3 WILL 3", "", CP::Accepted, true, true},
      {"agrees twice: one answer", "DO 44 DO 44 DO 0 DO 0", "", CP::Accepted, true, false},
      {"refuses the COM-PORT option", "DONT 44", "", CP::Refused, false, false},
      {"refuses binary, takes the port", "DONT 0 WONT 0 DO 44", "", CP::Accepted, false, false},
      {"asks for what we lack", "DO 24 WILL 1", "WONT 24 DONT 1", CP::Asked, false, false},
      {"binary on then off", "WILL 0 WONT 0 DO 0 DONT 0", "DONT 0 WONT 0", CP::Asked, false, false},
  };
  for (const auto& r : rows) {
    for (bool split : {false, true}) {
      telnet::Session s;
      std::string start;
      s.start(start);
      ASSERT_EQ(start, tn("WILL 44 WILL 0 WILL 3 DO 0 DO 3"));
      std::string out;
      EXPECT_EQ(decode(s, {tn(r.from_server)}, split, out), "") << r.what;
      EXPECT_EQ(std::tuple(out, s.com_port(), s.binary_out(), s.binary_in()),
                std::tuple(tn(r.reply), r.com_port, r.binary_out, r.binary_in))
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
    send(tn("DO 44") + first);
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
  for (const Row& r : std::vector<Row>{{tn("DONT 44"), 1000, "refused the COM-PORT option"},
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
  EXPECT_EQ(p.take(), tn("SB 44 1 0 0 0x96 0 SE "         // 38400
                         "SB 44 2 7 SE SB 44 3 3 SE "     // 7 bits, even
                         "SB 44 4 2 SE SB 44 5 3 SE "     // 2 stop bits, RTS/CTS
                         "SB 44 5 8 SE SB 44 5 12 SE"));  // DTR on, RTS off
  params.framing.speed = 65535 * 256 + 255;               // a rate with 0xFF in it, doubled
  params.handshaking = 1;
  link->apply(params), link->set_modem_lines(true, true), link->discard_out();
  EXPECT_EQ(p.take(), tn("SB 44 1 0 IAC IAC IAC IAC IAC IAC SE "  // 0x00FFFFFF
                         "SB 44 5 2 SE SB 44 5 11 SE "            // XON/XOFF, RTS on
                         "SB 44 12 2 SE"));                       // purge what waits for the device
  params.framing.data_bits = 4;
  EXPECT_THROW(link->apply(params), ComError);
}

TEST(Rfc2217Link, EveryParityStopSizeAndFlowControlHasItsCode) {
  const struct Row {
    char parity;
    int stop_bits;
    int16_t handshaking;
    const char* commands;  // after the first apply's speed and data size
  } rows[] = {
      {'N', 1, 0, "SB 44 3 1 SE SB 44 4 1 SE SB 44 5 1 SE"},
      {'O', 2, 1, "SB 44 3 2 SE SB 44 4 2 SE SB 44 5 2 SE"},
      {'E', 15, 2, "SB 44 3 3 SE SB 44 4 3 SE SB 44 5 3 SE"},
      {'M', 1, 3, "SB 44 3 4 SE SB 44 4 1 SE SB 44 5 3 SE"},
      {'S', 1, 0, "SB 44 3 5 SE SB 44 4 1 SE SB 44 5 1 SE"},
  };
  for (const Row& r : rows) {
    Pair p;
    auto link = p.start();
    link->apply({{9600, r.parity, 8, r.stop_bits}, r.handshaking});
    EXPECT_EQ(p.take(), tn("SB 44 1 0 0 0x25 0x80 SE SB 44 2 8 SE ") + tn(r.commands)) << r.parity;
  }
}

TEST(Rfc2217Link, DataCrossesWith0xFFIntactAndCommandsAnsweredOnTheWay) {
  Pair p;
  auto link = p.start();
  const std::string out = "FA\xff\xff;"s;
  ASSERT_EQ(link->write_some(out.data(), out.size()), 5);
  EXPECT_EQ(p.take(), "FA\xff\xff\xff\xff;"s);

  // Only commands came: the read answers them and says "again" (EINTR);
  // nothing at all: "nothing yet".
  char buf[64];
  p.send(tn("DO 24"));
  EXPECT_EQ(std::tuple(link->read_some(buf, sizeof buf), errno), std::tuple(-1, EINTR));
  EXPECT_EQ(p.take(), tn("WONT 24"));
  EXPECT_EQ(std::tuple(link->read_some(buf, sizeof buf), errno), std::tuple(-1, EAGAIN));

  p.send("IF\xff"s);
  p.send("\xff;"s + tn("SB 44 107 0 SE") + "X");
  std::string got;
  for (ssize_t n; (n = link->read_some(buf, 3)) > 0 || errno == EINTR;)
    got.append(buf, size_t(std::max<ssize_t>(n, 0)));
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

TEST(Rfc2217Link, AServerThatFloodsRequestsAndNeverReadsIsNotServedWithoutLimit) {
  Pair p;
  int small = 4096;
  setsockopt(p.ours, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  auto link = p.start();
  std::string requests;
  for (int i = 0; i < 1000; ++i) requests += tn("DO 24");  // each refused: WONT 24
  auto unread = [&] {
    int n = 0;
    return ioctl(p.ours, FIONREAD, &n), size_t(n);
  };
  char buf[4096];
  ssize_t n = 0;
  size_t taken = 0;  // request bytes the link took: as many answer bytes it owes
  // The server sends as fast as the socket takes it and reads nothing back.
  for (int round = 0; round < 100000; ++round) {
    (void)!write(p.server, requests.data(), requests.size());
    const size_t before = unread();
    n = link->read_some(buf, sizeof buf);
    taken += before - unread();
    if (n < 0 && errno != EINTR && errno != EAGAIN) break;
  }
  EXPECT_EQ(std::tuple(n, errno), std::tuple(-1, ENOBUFS));
  // What the server could have read, against what the link owed: the limit
  // passed by at most one read's answers.
  const size_t unsent = taken - p.take().size();
  EXPECT_GT(unsent, kRfc2217UnsentLimit);
  EXPECT_LE(unsent, kRfc2217UnsentLimit + sizeof buf);
  EXPECT_EQ(link->loss_reason(ENOBUFS),
            "the server sends requests and does not read the answers (64 KiB of them unsent)");
}

TEST(Rfc2217Link, AStopRequestEndsTheWaitForTheServer) {
  Pair p;  // a server that never answers
  std::thread stop([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PosixApartment::request_stop();
  });
  std::string why = error_of([&] { start_rfc2217_link(p.ours, p.name, 60'000); });
  stop.join();
  PosixApartment::clear_stop();
  EXPECT_EQ(why, "Cannot open " + p.name + ": interrupted: the program is stopping");
}

// The serial control over a link whose server streams Telnet commands
// without end: each wake-up reads its budget and the loop goes on.
TEST(Rfc2217Link, ACommandStreamLeavesTheLoopItsTurns) {
  Pair p;
  int big = 1 << 20;
  setsockopt(p.ours, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
  setsockopt(p.server, SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
  test::ScriptedPorts ports;
  platform::LoopSeams seams = ports.seams();
  seams.open_link = [&](const PortLocator&) {
    p.send(tn("DO 44"));
    return start_rfc2217_link(p.ours, p.name, 1000);
  };
  test::SeamApartment apt(std::move(seams));
  auto port = apt.create_serial();
  int events = 0;
  port->OnComm([&] { ++events; });
  port->Device(p.name);
  port->PortOpen(true);
  p.take();
  std::string stream;
  for (int i = 0; i < 100'000; ++i) stream += tn("IAC 241");
  size_t sent = 0;
  while (sent < stream.size()) {
    ssize_t w = write(p.server, stream.data() + sent, stream.size() - sent);
    if (w <= 0) break;
    sent += size_t(w);
  }
  ASSERT_GT(sent, size_t(PosixSerial::kReadsPerWakeup) * PosixSerial::kReadSize);
  apt.pump_once();
  int waiting = 0;
  ioctl(p.ours, FIONREAD, &waiting);
  EXPECT_GE(size_t(waiting), sent - size_t(PosixSerial::kReadsPerWakeup) * PosixSerial::kReadSize);
  EXPECT_EQ(std::tuple(events, port->InBufferCount()), std::tuple(0, 0));
}

TEST(NetworkPorts, LocatorsAreReadOrRefusedSayingHowToWriteThem) {
  const std::string how =
      ": a network port is written tcp://HOST:PORT, with PORT from 1 to 65535 "
      "(an IPv6 address in brackets: [::1])";
  const struct Row {
    std::string locator;
    std::string shown;  // as the port is named once read; "" when refused
    std::string refused;
  } rows[] = {
      {"rfc2217://radio.example:7000", "rfc2217://radio.example:7000", ""},
      {"tcp://127.0.0.1:7373", "tcp://127.0.0.1:7373", ""},
      {"tcp://[::1]:7373", "tcp://[::1]:7373", ""},
      {"tcp://radio:07373", "tcp://radio:7373", ""},
      {"/dev/ttyUSB0", "/dev/ttyUSB0", ""},
      {"tcp://radio", "", "Cannot open tcp://radio" + how},
      {"tcp://radio:", "", "Cannot open tcp://radio:" + how},
      {"tcp://:7373", "", "Cannot open tcp://:7373" + how},
      {"tcp://radio:0", "", "Cannot open tcp://radio:0" + how},
      {"tcp://radio:65536", "", "Cannot open tcp://radio:65536" + how},
      {"tcp://radio:73x", "", "Cannot open tcp://radio:73x" + how},
      {"tcp://::1:7373", "", "Cannot open tcp://::1:7373" + how},
      {"tcp://ra/dio:7373", "", "Cannot open tcp://ra/dio:7373" + how},
      {"rfc2217://radio:-1", "",
       "Cannot open rfc2217://radio:-1: a network port is written "
       "rfc2217://HOST:PORT, with PORT from 1 to 65535 (an IPv6 "
       "address in brackets: [::1])"},
      {"telnet://radio:23", "",
       "Cannot open telnet://radio:23: unknown kind of port "
       "\"telnet://\"; give a device path such as /dev/ttyUSB0, "
       "rfc2217://HOST:PORT or tcp://HOST:PORT"},
  };
  for (const Row& r : rows) {
    std::string shown, why;
    try {
      shown = parse_port_locator(r.locator, 1).display();
    } catch (const ComError& e) {
      EXPECT_EQ(e.number(), 8002) << r.locator;
      why = e.description();
    }
    EXPECT_EQ(std::tuple(shown, why), std::tuple(r.shown, r.refused)) << r.locator;
  }
  EXPECT_EQ(parse_port_locator("", 3).display(), "/dev/ttyS2");
}

// A socket bound to a free loopback port, listening when asked; its port in `port`.
int loopback_socket(std::string& port, bool listening) {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), len), 0);
  if (listening) {
    EXPECT_EQ(listen(s, 1), 0);
  }
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  port = std::to_string(ntohs(a.sin_port));
  return s;
}

TEST(NetworkPorts, NothingListeningIsSaidSoForEitherKind) {
  // How long was waited, in the messages of a server that does not answer.
  EXPECT_EQ(std::tuple(seconds_text(2000), seconds_text(1500), seconds_text(1001)),
            std::tuple("2 s", "1500 ms", "1001 ms"));
  std::string port;
  close(loopback_socket(port, false));  // a port that was free a moment ago
  PosixApartment apt;
  for (const char* kind : {"rfc2217", "tcp"}) {
    auto serial = apt.create_serial();
    const std::string where = std::string(kind) + "://127.0.0.1:" + port;
    serial->Device(where);
    EXPECT_EQ(error_of([&] { serial->PortOpen(true); }),
              "Cannot open " + where +
                  ": the server refused the connection: nothing listens on port " + port +
                  " of 127.0.0.1" +
                  (kind == std::string("tcp")
                       ? " (is the server running?)"
                       : " (is ser2net running, with this port in its configuration?)"));
  }
}

// tcp://HOST:PORT reaches a byte stream with no Telnet: here the TCP
// endpoint `tovrak share` offers, on the same loop.
TEST(NetworkPorts, ARawTcpPortCarriesTheBytesAsTheyAre) {
  PosixApartment apt;
  StreamConnection* client = nullptr;
  std::string heard;
  StreamHandler h;
  h.opened = [&](StreamConnection& c) { return client = &c, true; };
  h.bytes = [&](StreamConnection&, std::string_view b) { heard += b; };
  TcpEndpoint server(apt, "127.0.0.1", 0, {}, std::move(h));
  auto port = apt.create_serial();
  port->Device("tcp://127.0.0.1:" + std::to_string(server.port()));
  // Line settings and modem lines have nothing to drive, and are no error.
  port->Settings("38400,E,7,2"), port->Handshaking(2), port->DTREnable(true);
  port->PortOpen(true);
  EXPECT_FALSE(dynamic_cast<PosixSerial&>(*port).modem_lines_supported());
  port->Output("ID;\xff"s);
  ASSERT_TRUE(test::run_until(apt, 2s, [&] { return heard.size() == 4 && client; }));
  EXPECT_EQ(heard, "ID;\xff"s);
  client->send("ID019;\xff"s);
  ASSERT_TRUE(test::run_until(apt, 2s, [&] { return port->InBufferCount() == 7; }));
  EXPECT_EQ(port->Input(), "ID019;\xff"s);
  // The server goes: the port is lost, as a pulled cable.
  client->close();
  ASSERT_TRUE(
      test::run_until(apt, 2s, [&] { return dynamic_cast<PosixSerial&>(*port).device_lost(); }));
  EXPECT_EQ(error_of([&] { port->Output("FA;"); }),
            "Cannot write to tcp://127.0.0.1:" + std::to_string(server.port()) +
                ": the device is gone (the server closed the connection); close the port and "
                "open it again once it is back");
}

// A dead server or a cut network ends a tcp:// port within half a minute:
// keep-alive probes after 10 s of silence, every 5 s, three of them, and 20 s
// for written bytes to be acknowledged.
TEST(NetworkPorts, ATcpPortNoticesADeadPeer) {
  std::string port;
  const int listener = loopback_socket(port, true);
  auto link = open_tcp_link(parse_port_locator("tcp://127.0.0.1:" + port, 1));
  auto option = [&](int level, int name) {
    int v = -1;
    socklen_t n = sizeof v;
    getsockopt(link->fd(), level, name, &v, &n);
    return v;
  };
  EXPECT_EQ(
      std::vector<int>({option(IPPROTO_TCP, TCP_NODELAY), option(SOL_SOCKET, SO_KEEPALIVE),
                        option(IPPROTO_TCP, TCP_KEEPIDLE), option(IPPROTO_TCP, TCP_KEEPINTVL),
                        option(IPPROTO_TCP, TCP_KEEPCNT), option(IPPROTO_TCP, TCP_USER_TIMEOUT)}),
      std::vector<int>({1, 1, 10, 5, 3, 20000}));
  link.reset();
  close(listener);
}

}  // namespace
}  // namespace tovrak::platform
