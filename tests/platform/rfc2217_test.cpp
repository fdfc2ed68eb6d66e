// A serial port over the network without a real server (real_port_test.cpp
// runs against one): the Telnet decoder fed byte by byte and the link over a
// socket pair. (An unknown host is among the serial control's refusals.)
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
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
#include "support/refusal.hpp"
#include "support/run_until.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"

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
  // (what, the reads, the data they bring)
  const std::tuple<const char*, std::vector<std::string>, std::string> rows[] = {
      {"doubled 0xFF at a read boundary", {"FA\xff", "\xff;"}, "FA\xff;"},
      {"commands between data", {"A" + tn("IAC 241") + "B" + tn("IAC 249") + "C"}, "ABC"},
      {"a modem-state notification split three ways",
       {"X" + tn("SB"), tn("44 107 0x30 IAC"), tn("240") + "Y"},
       "XY"},
      {"0xFF inside a subnegotiation", {tn("SB 44 101 0 0 IAC IAC"), tn("IAC IAC SE") + "Z"}, "Z"},
      {"a subnegotiation ended by another command", {tn("SB 44 106 1 IAC 241") + "Q"}, "Q"},
  };
  for (const auto& [what, chunks, data] : rows)
    for (bool bytewise : {false, true}) {
      telnet::Session s;
      std::string out;
      EXPECT_EQ(decode(s, chunks, bytewise, out), data) << what << ", bytewise " << bytewise;
    }
}

TEST(TelnetDecoder, NotificationsAndAnswersAreKept) {
  telnet::Session s;
  std::string out;
  decode(s, {tn("SB 44 107 0xB0 SE SB 44 106 0x60 SE SB 44 101 0x01 0x02 0x03 0x04 SE")}, true,
         out);
  EXPECT_EQ(std::tuple(s.modem_state(), s.line_state(), s.baud_rate_answer(), out),
            std::tuple(0xB0, 0x60, 0x01020304u, ""));
  // Answers of another length than their kind's, or of another option, are not taken.
  decode(s, {tn("SB 44 107 1 2 SE SB 44 106 SE SB 44 101 0 0 0x96 SE SB 24 107 1 SE")}, false, out);
  EXPECT_EQ(std::tuple(s.modem_state(), s.line_state(), s.baud_rate_answer()),
            std::tuple(0xB0, 0x60, 0x01020304u));
}

TEST(TelnetDecoder, NegotiationAnswersEachRequestOnceAndNeverLoops) {
  using CP = telnet::Session::ComPort;
  // (what, the server's words and our reply as tn() reads them; the COM-PORT
  // option's state, binary out, binary in)
  const std::tuple<const char*, const char*, const char*, CP, bool, bool> rows[] = {
      {"agrees to all we asked", "DO 44 DO 0 WILL 0 DO 3 WILL 3", "", CP::Accepted, true, true},
      {"agrees twice: one answer", "DO 44 DO 44 DO 0 DO 0", "", CP::Accepted, true, false},
      {"refuses the COM-PORT option", "DONT 44", "", CP::Refused, false, false},
      {"refuses binary, takes the port", "DONT 0 WONT 0 DO 44", "", CP::Accepted, false, false},
      {"asks for what we lack", "DO 24 WILL 1", "WONT 24 DONT 1", CP::Asked, false, false},
      {"binary on then off", "WILL 0 WONT 0 DO 0 DONT 0", "DONT 0 WONT 0", CP::Asked, false, false},
      {"refuses binary, then asks for it", "DONT 0 DO 0", "WILL 0", CP::Asked, true, false},
  };
  for (const auto& [what, from_server, reply, com_port, binary_out, binary_in] : rows)
    for (bool split : {false, true}) {
      telnet::Session s;
      std::string start, out;
      s.start(start);
      ASSERT_EQ(start, tn("WILL 44 WILL 0 WILL 3 DO 0 DO 3"));
      EXPECT_EQ(decode(s, {tn(from_server)}, split, out), "") << what;
      EXPECT_EQ(std::tuple(out, s.com_port(), s.binary_out(), s.binary_in()),
                std::tuple(tn(reply), com_port, binary_out, binary_in))
          << what;
    }
}

// Our end of a socket pair (the link's) and the server's; `sndbuf`, what our
// end's kernel side holds.
struct Pair {
  const std::string name = "rfc2217://radio:7000";
  int ours = -1, server = -1;
  explicit Pair(int sndbuf = 0) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0) throw 1;
    ours = fds[0], server = fds[1];
    if (sndbuf) setsockopt(ours, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
  }
  ~Pair() { hang_up(); }
  void hang_up() {
    if (server >= 0) close(std::exchange(server, -1));
  }
  void send(const std::string& s) const {
    ASSERT_EQ(write(server, s.data(), s.size()), ssize_t(s.size()));
  }
  std::string take() const { return test::read_all(server); }
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

TEST(Rfc2217Link, OpeningFailsClearlyWhenTheServerDoesNotSpeakItOrTheProgramStops) {
  // (what the server does: sends bytes, hangs up or keeps silent while the
  // program is asked to stop; how long the link waits; what it says)
  const std::tuple<std::string, int, const char*> rows[] = {
      {tn("DONT 44"), 1000, "refused the COM-PORT option"},
      {"", 20, "does not speak RFC 2217"},
      {"closed", 1000, "closed the connection"},
      {"stop", 60'000, ": interrupted: the program is stopping"}};
  for (const auto& [does, timeout_ms, said] : rows) {
    Pair p;
    does == "closed" ? p.hang_up() : p.send(does == "stop" ? "" : does);
    std::thread stop([stop = does == "stop"] {
      if (stop) std::this_thread::sleep_for(20ms), PosixApartment::request_stop();
    });
    const std::string why = error_of([&] { start_rfc2217_link(p.ours, p.name, timeout_ms); });
    stop.join();
    PosixApartment::clear_stop();
    EXPECT_TRUE(has(why, "Cannot open " + p.name) && has(why, said)) << why;
  }
}

// Each step applies line settings, sets the modem lines and may purge: what
// changed goes to the server, as COM-PORT commands, and nothing else.
TEST(Rfc2217Link, SettingsLinesAndPurgeGoAsComPortCommandsOnlyWhenTheyChange) {
  Pair p;
  auto link = p.start("early");  // data before the agreement is not the port's
  // Speed 1, data size 2, parity 3, stop size 4, control 5 (flow control,
  // then DTR, then RTS), purge 12.
  const struct Step {
    LineParams params;
    const char* lines;  // D: DTR on, R: RTS on, P: and a purge
    const char* commands;
  } steps[] = {
      {{{38400, 'E', 7, 2}, 2},
       "D",
       "SB 44 1 0 0 0x96 0 SE SB 44 2 7 SE SB 44 3 3 SE SB 44 4 2 SE SB 44 5 3 SE SB 44 5 8 SE "
       "SB 44 5 12 SE"},
      {{{0xFFFFFF, 'E', 7, 2}, 1},
       "DRP",  // 0xFF doubled
       "SB 44 1 0 IAC IAC IAC IAC IAC IAC SE SB 44 5 2 SE SB 44 5 11 SE SB 44 12 2 SE"},
      {{{9600, 'N', 8, 1}, 0},
       "",
       "SB 44 1 0 0 0x25 0x80 SE SB 44 2 8 SE SB 44 3 1 SE SB 44 4 1 SE SB 44 5 1 SE SB 44 5 9 SE "
       "SB 44 5 12 SE"},
      {{{9600, 'O', 8, 15}, 3}, "", "SB 44 3 2 SE SB 44 4 3 SE SB 44 5 3 SE"},
      {{{9600, 'M', 8, 1}, 3}, "", "SB 44 3 4 SE SB 44 4 1 SE"},
      {{{9600, 'S', 8, 1}, 3}, "", "SB 44 3 5 SE"},
  };
  for (const Step& s : steps) {
    const std::string lines = s.lines;
    link->apply(s.params), link->set_modem_lines(has(lines, "D"), has(lines, "R"));
    if (has(lines, "P")) link->discard_out();
    EXPECT_EQ(p.take(), tn(s.commands)) << s.commands;
  }
  EXPECT_THROW(link->apply({{9600, 'N', 4, 1}, 0}), ComError);
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
  Pair p(4096);
  auto link = p.start();
  // After the "A", the socket's cuts fall between the halves of doubled bytes.
  const std::string data = "A" + std::string(100001, '\xff') + "END;";
  std::string wire;
  for (size_t pos = 0, rounds = 0; (pos < data.size() || link->unsent()) && ++rounds < 100000;
       wire += p.take()) {
    ASSERT_EQ(link->flush(), 0);
    const ssize_t n = link->write_some(data.data() + pos, data.size() - pos);
    ASSERT_TRUE(n > 0 || errno == EAGAIN) << n << " " << errno;
    pos += size_t(std::max<ssize_t>(n, 0));
    // What the link holds is counted as not yet handed on: at most the
    // second half of one doubled byte.
    EXPECT_EQ(link->pending_out(), link->unsent() ? 1 : 0);
  }
  wire += p.take();
  EXPECT_TRUE(wire == "A" + std::string(200002, '\xff') + "END;") << wire.size();
}

TEST(Rfc2217Link, AServerThatFloodsRequestsAndNeverReadsIsNotServedWithoutLimit) {
  Pair p(4096);
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

TEST(NetworkPorts, LocatorsAreReadOrRefusedSayingHowToWriteThem) {
  // "LOCATOR NAME": read, and the port named NAME; "LOCATOR" alone: refused.
  for (const std::string row :
       {"rfc2217://radio.example:7000 rfc2217://radio.example:7000",
        "tcp://127.0.0.1:7373 tcp://127.0.0.1:7373", "tcp://[::1]:7373 tcp://[::1]:7373",
        "tcp://radio:07373 tcp://radio:7373", "/dev/ttyUSB0 /dev/ttyUSB0", "tcp://radio",
        "tcp://radio:", "tcp://:7373", "tcp://radio:0", "tcp://radio:65536", "tcp://radio:73x",
        "tcp://::1:7373", "tcp://ra/dio:7373", "rfc2217://radio:-1"}) {
    const std::string locator = row.substr(0, row.find(' '));
    std::string got;
    try {
      got = " " + parse_port_locator(locator, 1).display();
    } catch (const ComError& e) {
      EXPECT_EQ(std::tuple(e.number(), e.description()),
                std::tuple(8002, "Cannot open " + locator + ": a network port is written " +
                                     locator.substr(0, locator.find(':')) +
                                     "://HOST:PORT, with PORT from 1 to 65535 (an IPv6 address "
                                     "in brackets: [::1])"));
    }
    EXPECT_EQ(locator + got, row);
  }
  EXPECT_EQ(error_of([] { parse_port_locator("telnet://radio:23", 1); }),
            "Cannot open telnet://radio:23: unknown kind of port \"telnet://\"; give a device "
            "path such as /dev/ttyUSB0, rfc2217://HOST:PORT or tcp://HOST:PORT");
  EXPECT_EQ(parse_port_locator("", 3).display(), "/dev/ttyS2");
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
  client->close();  // the server goes: the port is lost, as a pulled cable
  EXPECT_TRUE(
      test::run_until(apt, 2s, [&] { return dynamic_cast<PosixSerial&>(*port).device_lost(); }));
}

// A dead server or a cut network ends a tcp:// port within half a minute:
// keep-alive probes after 10 s of silence, every 5 s, three of them, and 20 s
// for written bytes to be acknowledged. With no server, both kinds say so.
TEST(NetworkPorts, ATcpPortNoticesADeadPeerAndNothingListeningIsSaidSo) {
  PosixApartment apt;
  auto server =
      std::make_unique<TcpEndpoint>(apt, "127.0.0.1", 0, std::vector<Cidr>{}, StreamHandler{});
  const std::string port = std::to_string(server->port());
  auto link = open_tcp_link(parse_port_locator("tcp://127.0.0.1:" + port, 1));
  std::vector<int> got;
  const std::pair<int, int> options[] = {
      {IPPROTO_TCP, TCP_NODELAY},   {SOL_SOCKET, SO_KEEPALIVE}, {IPPROTO_TCP, TCP_KEEPIDLE},
      {IPPROTO_TCP, TCP_KEEPINTVL}, {IPPROTO_TCP, TCP_KEEPCNT}, {IPPROTO_TCP, TCP_USER_TIMEOUT}};
  for (auto [level, name] : options) {
    int v = -1;
    socklen_t n = sizeof v;
    getsockopt(link->fd(), level, name, &v, &n);
    got.push_back(v);
  }
  EXPECT_EQ(got, (std::vector<int>{1, 1, 10, 5, 3, 20000}));

  server.reset();
  for (const std::string kind : {"rfc2217", "tcp"}) {
    auto serial = apt.create_serial();
    serial->Device(kind + "://127.0.0.1:" + port);
    EXPECT_EQ(error_of([&] { serial->PortOpen(true); }),
              "Cannot open " + serial->Device() +
                  ": the server refused the connection: nothing listens on port " + port +
                  " of 127.0.0.1" +
                  (kind == "tcp" ? " (is the server running?)"
                                 : " (is ser2net running, with this port in its configuration?)"));
  }
  EXPECT_EQ(std::tuple(seconds_text(2000), seconds_text(1500), seconds_text(1001)),
            std::tuple("2 s", "1500 ms", "1001 ms"));
}

}  // namespace
}  // namespace tovrak::platform
