// What the Linux front ends stand on besides the component: the link rule of
// pseudo-terminals, and the stream endpoints' service of their clients (each
// in turn within a read budget, slow readers cut off, no spinning).
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/posix/endpoints/fd_connection.hpp"
#include "platform/posix/endpoints/pseudo_terminal.hpp"
#include "platform/posix/endpoints/pty_link.hpp"
#include "platform/posix/endpoints/stop_signals.hpp"
#include "platform/posix/endpoints/stream_endpoints.hpp"
#include "platform/seams.hpp"
#include "support/lan_address.hpp"
#include "support/run_until.hpp"

namespace tovrak::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace std::string_literals;

std::string target_of(const std::string& path) {
  std::error_code ec;
  return fs::read_symlink(path, ec).string();
}

// A directory of the test's own.
struct Dir {
  std::string path;
  Dir() {
    char tmpl[] = "/tmp/tovrak-endpoints-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~Dir() { fs::remove_all(path); }
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// The message a claim is refused with; "" when it is granted (`held` runs
// while it is, and then it is let go).
std::string claim(
    PosixApartment& apt, const std::string& path, const std::string& device,
    const std::function<void()>& held = [] {}) {
  try {
    PtyLink link(apt, path, device);
    held();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

TEST(PtyLinkRule, WhatIsTakenWhatIsRefusedAndWhatIsLeft) {
  Dir dir;
  PosixApartment apt;
  PseudoTerminal ours(PseudoTerminal::Mode::Raw), unowned(PseudoTerminal::Mode::Raw);
  const std::string link = dir / "radio";
  const std::string not_link = " exists and is not a symbolic link; not replaced";
  const struct Row {
    const char* what;
    std::function<void()> before;
    std::string refused;  // the message after the path; "" when taken
  } rows[] = {
      {"nothing there", [] {}, ""},
      {"a link nobody owns to a terminal gone",
       [&] { fs::create_symlink("/dev/pts/999999", link); }, ""},
      {"a link nobody owns to a terminal still open (its number given again)",
       [&] { fs::create_symlink(unowned.device(), link); }, ""},
      {"a link nobody owns to nothing at all", [&] { fs::create_symlink(dir / "gone", link); }, ""},
      {"a file", [&] { std::fclose(std::fopen(link.c_str(), "w")); }, not_link},
      {"a directory", [&] { fs::create_directory(link); }, not_link},
      {"a link to another device", [&] { fs::create_symlink("/dev/null", link); },
       " leads to /dev/null, which is no pseudo-terminal; not replaced"},
  };
  for (const Row& r : rows) {
    fs::remove_all(link);
    r.before();
    const auto was = std::tuple(fs::symlink_status(link).type(), target_of(link));
    std::string held;
    EXPECT_EQ(claim(apt, link, ours.device(), [&] { held = target_of(link); }),
              r.refused.empty() ? "" : link + r.refused)
        << r.what;
    // Taken, the link leads to ours and goes with us; refused, what was there stays.
    if (r.refused.empty())
      EXPECT_EQ(std::tuple(held, fs::exists(fs::symlink_status(link))),
                std::tuple(ours.device(), false))
          << r.what;
    else
      EXPECT_EQ(std::tuple(fs::symlink_status(link).type(), target_of(link)), was) << r.what;
  }
}

TEST(PtyLinkRule, ARunningOwnerKeepsItsLinkAndItsOwnIsAllItRemoves) {
  Dir dir;
  PosixApartment apt;
  PseudoTerminal first(PseudoTerminal::Mode::Raw), second(PseudoTerminal::Mode::Raw);
  const std::string link = dir / "radio";
  {
    PtyLink owner(apt, link, first.device());
    const std::string in_use = " is in use by a running tovrak (process " +
                               std::to_string(getpid()) + "); stop it or choose another path";
    // The same link by another name is the same link.
    EXPECT_EQ(claim(apt, dir.path + "/./radio", second.device()), dir.path + "/./radio" + in_use);
    // However many ask, each is told who holds it: the owner's loop lets the askers go.
    for (int i = 0; i < 20; ++i) {
      apt.pump_once();
      ASSERT_EQ(claim(apt, link, second.device()), link + in_use) << i;
    }
    EXPECT_EQ(target_of(link), first.device());
    // Someone points the link elsewhere meanwhile: it is no longer ours to remove.
    fs::remove(link);
    fs::create_symlink("/dev/null", link);
  }
  // Let go of, the path can be had again (the rule refuses /dev/null, not the lock).
  EXPECT_EQ(claim(apt, link, second.device()),
            link + " leads to /dev/null, which is no pseudo-terminal; not replaced");
}

// An owner killed without cleaning up (its destructor never runs, as kill -9
// leaves it) holds nothing once it is gone: its link is taken over. (A
// running owner in another process is refused by name: oneshot_test.sh.)
TEST(PtyLinkRule, TheLinkOfAProgramKilledWithoutCleaningUpIsTakenOver) {
  Dir dir;
  const std::string link = dir / "radio";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    PosixApartment apt;
    PseudoTerminal pty(PseudoTerminal::Mode::Raw);
    new PtyLink(apt, link, pty.device());
    _exit(0);
  }
  waitpid(child, nullptr, 0);
  ASSERT_NE(target_of(link), "") << "the owner died without leaving its link";
  PosixApartment apt;
  PseudoTerminal ours(PseudoTerminal::Mode::Raw);
  EXPECT_EQ(claim(apt, link, ours.device(), [&] { EXPECT_EQ(target_of(link), ours.device()); }),
            "");
}

TEST(PtyLinkRule, LockNamesFollowThePlaceNotTheSpelling) {
  Dir dir;
  fs::create_directory(dir / "sub");
  const std::string prefix = "tovrak-pty-link:" + fs::canonical(dir.path).string() + "/";
  EXPECT_EQ(PtyLink::lock_name(dir / "sub/../radio"), prefix + "radio");
  EXPECT_NE(PtyLink::lock_name(dir / "sub/radio"), prefix + "radio");
  // A name fills the abstract socket address (107 bytes) at most; a longer
  // path is named by its hash.
  const std::string fits(107 - prefix.size(), 'a');
  EXPECT_EQ(PtyLink::lock_name(dir.path + "/" + fits), prefix + fits);
  const std::string hashed = PtyLink::lock_name(dir.path + "/" + fits + "b");
  EXPECT_EQ(hashed.size(), std::string("tovrak-pty-link:#").size() + 16) << hashed;
  EXPECT_NE(PtyLink::lock_name(dir.path + "/" + fits + "c"), hashed);
}

// What `fd` gives within a second a read at a time, until it has `n` bytes.
std::string read_for(int fd, size_t n) {
  std::string got;
  char buf[64];
  pollfd p{fd, POLLIN, 0};
  for (ssize_t k; got.size() < n && poll(&p, 1, 1000) == 1 && (k = read(fd, buf, sizeof buf)) > 0;)
    got.append(buf, size_t(k));
  return got;
}

// Raw, bytes pass as they are; cooked, the terminal edits them (a carriage
// return read as a new line), as a line editor wants.
TEST(PseudoTerminals, RawPassesBytesAsTheyAreCookedAsATerminalDoes) {
  using Mode = PseudoTerminal::Mode;
  for (const auto& [mode, bytes, read_as] :
       {std::tuple(Mode::Raw, "ID;\r\x03\x1a\xff\n"s, "ID;\r\x03\x1a\xff\n"s),
        std::tuple(Mode::Cooked, "ID;\r"s, "ID;\n"s)}) {
    PseudoTerminal pty(mode);
    EXPECT_EQ(
        std::tuple(fcntl(pty.master(), F_GETFL) & O_NONBLOCK,
                   fcntl(pty.master(), F_GETFD) & FD_CLOEXEC, pty.device().rfind("/dev/pts/", 0)),
        std::tuple(O_NONBLOCK, FD_CLOEXEC, 0u));
    ASSERT_EQ(write(pty.master(), bytes.data(), bytes.size()), ssize_t(bytes.size()));
    EXPECT_EQ(read_for(pty.device_fd(), read_as.size()), read_as);
  }
}

TEST(ListenAddress, LoopbackAlwaysOthersOnlyFromAnAllowedNetworkAndListenTexts) {
  auto ip = [](const char* text) { return inet_network(text); };  // in host order
  const std::vector<Cidr> lan = {Cidr::parse("192.168.1.0/24"), Cidr::parse("10.0.0.7")};
  // (peer, admitted from the allowed networks, admitted with none allowed)
  const std::tuple<const char*, bool, bool> rows[] = {
      {"127.0.0.1", true, true},      {"127.255.0.9", true, true},   {"128.0.0.1", false, false},
      {"192.168.1.200", true, false}, {"192.168.2.1", false, false}, {"10.0.0.7", true, false},
      {"10.0.0.8", false, false}};
  for (const auto& [peer, with_lan, without] : rows)
    EXPECT_EQ(std::tuple(admitted(ip(peer), lan), admitted(ip(peer), {})),
              std::tuple(with_lan, without))
        << peer;
  EXPECT_TRUE(admitted(ip("8.8.8.8"), {Cidr::parse("0.0.0.0/0")}));
  for (const char* bad : {"10.0.0.0/33", "10.0.0/8", "10.0.0.0/", "net"})
    EXPECT_THROW(Cidr::parse(bad), std::invalid_argument) << bad;
  // "TEXT ADDRESS:PORT": what --listen TEXT listens on; "TEXT" alone: refused.
  for (const std::string row :
       {"7400 127.0.0.1:7400", "localhost 127.0.0.1:7373", "0.0.0.0:80 0.0.0.0:80",
        "192.168.1.5 192.168.1.5:7373", ":9000 127.0.0.1:9000", "1.2.3", "host:1",
        "127.0.0.1:", "127.0.0.1:70000", "::1"}) {
    const std::string text = row.substr(0, row.find(' '));
    std::string address, got;
    uint16_t port = 0;
    try {
      parse_listen(text, 7373, address, port);
      got = " " + address + ":" + std::to_string(port);
    } catch (const std::invalid_argument&) {
    }
    EXPECT_EQ(text + got, row);
  }
}

// ---------------------------------------------------------------- endpoints

// A client's end of a TCP connection to the endpoint at `port`.
int connect_to(uint16_t port) { return test::connect_at("127.0.0.1", port); }

// The server's view: bytes per client, in the order they were handed over.
struct Server {
  std::map<std::string, std::string> got;
  std::vector<std::pair<std::string, size_t>> order;  // (peer, bytes) per handing-over
  std::vector<std::string> log, opened, closed;
  StreamConnection* last = nullptr;  // the last opened, while it lasts
  StreamHandler handler() {
    StreamHandler h;
    h.opened = [this](StreamConnection& c) {
      opened.push_back(c.peer());
      return last = &c, true;
    };
    h.bytes = [this](StreamConnection& c, std::string_view b) {
      got[c.peer()] += b;
      order.emplace_back(c.peer(), b.size());
    };
    h.closed = [this](StreamConnection& c) {
      closed.push_back(c.peer());
      if (last == &c) last = nullptr;
    };
    h.log = [this](const std::string& line) { log.push_back(line); };
    return h;
  }
};

TEST(StreamEndpoints, AClientThatNeverPausesGetsABudgetAndTheOthersTheirTurn) {
  PosixApartment apt;
  Server server;
  TcpEndpoint tcp(apt, "127.0.0.1", 0, {}, server.handler());
  const int flood = connect_to(tcp.port()), polite = connect_to(tcp.port());
  ASSERT_TRUE(test::run_until(apt, 2s, [&] { return server.opened.size() == 2; }));
  // A line with no end: as much as the connection takes.
  const std::string block(64 * 1024, 'x');
  size_t sent = 0;
  for (ssize_t n; (n = send(flood, block.data(), block.size(), MSG_DONTWAIT)) > 0;)
    sent += size_t(n);
  ASSERT_GT(sent, 4 * kStreamReadBudget);
  ASSERT_EQ(write(polite, "FA;", 3), 3);
  while (server.got[server.opened[1]].empty()) apt.pump_once();
  // Whatever came before the polite client's command, the flood had at most
  // one budget of it.
  size_t flood_before = 0;
  for (const auto& [peer, n] : server.order) {
    if (peer == server.opened[1]) break;
    flood_before += n;
  }
  EXPECT_LE(flood_before, kStreamReadBudget);
  EXPECT_EQ(server.got[server.opened[1]], "FA;");
  // And the flood is all read in the end; a client that goes away is told of, once.
  close(polite);
  ASSERT_TRUE(test::run_until(apt, 2s, [&] {
    return server.got[server.opened[0]].size() == sent && !server.closed.empty();
  }));
  apt.run_for(20ms);
  EXPECT_EQ(server.closed, std::vector<std::string>{server.opened[1]});
  close(flood);
}

// A peer from this machine's own network address, to a listener on all
// interfaces: turned away with a note unless an allowed network holds it.
TEST(StreamEndpoints, APeerFromOutsideLoopbackComesInOnlyFromAnAllowedNetwork) {
  const auto lan = test::lan_address();
  if (!lan) GTEST_SKIP() << "no network interface besides loopback";
  for (const bool allowed : {false, true}) {
    PosixApartment apt;
    Server server;
    std::vector<Cidr> allow = {Cidr::parse("10.255.255.0/24")};
    if (allowed) allow.push_back(Cidr::parse(*lan));
    TcpEndpoint tcp(apt, "0.0.0.0", 0, allow, server.handler());
    const int c = test::connect_at(*lan, tcp.port());
    ASSERT_GE(c, 0);
    ASSERT_TRUE(test::run_until(apt, 2s, [&] { return server.opened.size() + server.log.size(); }));
    if (allowed) {
      ASSERT_EQ(server.opened.size(), 1u);
      EXPECT_TRUE(server.opened[0].starts_with(*lan + ":")) << server.opened[0];
      EXPECT_EQ(server.log, std::vector<std::string>{});
    } else {
      ASSERT_EQ(server.log.size(), 1u);
      EXPECT_TRUE(server.log[0].starts_with("refused " + *lan + ":")) << server.log[0];
      EXPECT_TRUE(server.log[0].ends_with(": not in an allowed network")) << server.log[0];
      EXPECT_EQ(server.opened, std::vector<std::string>{});
      char b;
      EXPECT_EQ(read(c, &b, 1), 0);  // closed at once
    }
    close(c);
  }
}

// One connection over a socket pair whose kernel side holds little: what
// the client has not read yet waits in the connection.
struct PairConnection {
  int ends[2];  // the server's, the client's
  PosixApartment apt;
  Server server;
  StreamHandler handler = server.handler();
  int gone = 0;
  std::unique_ptr<FdConnection> conn;
  PairConnection() {
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends);
    int small = 4096;
    setsockopt(ends[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    conn = std::make_unique<FdConnection>(apt, ends[0], "pair", handler,
                                          [this](FdConnection&) { ++gone; });
  }
  ~PairConnection() {
    conn.reset();
    close(ends[0]);
    close(ends[1]);
  }
};

std::string numbered(int i) {
  std::string line = "FA" + std::to_string(100000000 + i) + ";";
  return line + std::string(1000 - line.size(), ' ');
}

TEST(StreamEndpoints, ASlowReaderGetsEverythingInOrderUntilItsOutputPassesTheLimit) {
  PairConnection q;
  // What the kernel takes at once leaves the connection nothing to do.
  q.conn->send("ID;");
  pollfd loop{q.apt.fd(), POLLIN, 0};
  EXPECT_EQ(poll(&loop, 1, 0), 0);
  std::string sent = "ID;";
  for (int i = 0; i < 40; ++i) q.conn->send(numbered(i)), sent += numbered(i);
  // The kernel took a little; the rest waits, and goes as the client reads.
  std::string got = test::read_all(q.ends[1]);
  ASSERT_LT(got.size(), sent.size()) << "the socket took it all: no test";
  for (int round = 0; round < 1000 && got.size() < sent.size(); ++round) {
    got += test::read_all(q.ends[1]);
    q.apt.pump_once();
  }
  EXPECT_TRUE(got == sent) << got.size() << " of " << sent.size();
  EXPECT_EQ(std::tuple(q.gone, q.server.closed.size()), std::tuple(0, size_t{0}));

  // A client that never reads: with the kernel's side full, the connection
  // keeps 64 KiB waiting for it and ends, once, at the byte beyond.
  const std::string full(64 * 1024, 'x');
  while (write(q.ends[0], full.data(), 512) > 0) {
  }
  q.conn->send(full);
  q.apt.run_for(10ms);
  EXPECT_EQ(q.gone, 0);
  q.conn->send("y");
  q.apt.run_for(10ms);
  EXPECT_EQ(std::tuple(q.gone, q.server.closed, q.server.log),
            std::tuple(1, std::vector<std::string>{"pair"},
                       std::vector<std::string>{"pair: the client reads too slowly; closed"}));
  q.conn->send("late;");  // to a connection that ended: nothing, no error
  q.apt.run_for(5ms);
  EXPECT_EQ(q.gone, 1);
}

TEST(StreamEndpoints, AListenerOutOfDescriptorsWaitsInsteadOfSpinningAndSaysSoOnce) {
#ifdef TOVRAK_SANITIZED
  // The sanitizers' own checks open descriptors, which this test leaves none.
  GTEST_SKIP() << "not under the sanitizers";
#endif
  test::ScriptedPorts seams;
  test::SeamApartment apt(seams.seams());
  Server server;
  TcpEndpoint tcp(apt, "127.0.0.1", 0, {}, server.handler());
  const int first = connect_to(tcp.port());
  // No descriptor left for the process: the lowest free one is the limit.
  rlimit was{};
  getrlimit(RLIMIT_NOFILE, &was);
  int lowest = dup(0);
  close(lowest);
  rlimit tight = was;
  tight.rlim_cur = static_cast<rlim_t>(lowest);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  for (int i = 0; i < 5; ++i) apt.pump_once();
  pollfd p{apt.fd(), POLLIN, 0};
  const bool busy = poll(&p, 1, 0) == 1;
  setrlimit(RLIMIT_NOFILE, &was);
  EXPECT_FALSE(busy) << "the loop keeps finding the listener ready";
  EXPECT_TRUE(server.opened.empty());
  EXPECT_EQ(server.log,
            std::vector<std::string>{"cannot accept new clients: Too many open files; they wait"});
  // Descriptors are back, but the listener rests its while.
  apt.pump_once();
  EXPECT_TRUE(server.opened.empty());
  seams.clock->pass_ms(kAcceptPauseMs);
  for (int i = 0; i < 3 && server.opened.empty(); ++i) apt.pump_once();
  EXPECT_EQ(server.opened.size(), 1u);
  EXPECT_EQ(server.log.back(), "accepting clients again");
  close(first);
}

// (A client that comes back is the share shell test's.)
TEST(StreamEndpoints, APseudoTerminalClientComesAndGoes) {
  Dir dir;
  PosixApartment apt;
  Server server;
  const std::string path = dir / "radio";
  PtyEndpoint pty(apt, path, server.handler());
  EXPECT_EQ(target_of(path), pty.device());
  // Waiting for a client costs the loop nothing.
  const uint64_t idle = apt.wakeups();
  apt.run_for(300ms);
  EXPECT_EQ(std::tuple(apt.wakeups() - idle <= 1, pty.connection()), std::tuple(true, nullptr));
  int client = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(client, 0);
  ASSERT_TRUE(test::run_until(apt, 2s, [&] { return server.last; }));
  EXPECT_EQ(pty.connection(), server.last);
  ASSERT_EQ(write(client, "ID;", 3), 3);
  ASSERT_TRUE(test::run_until(apt, 2s, [&] { return server.got[path] == "ID;"; }));
  server.last->send("ID019;");
  EXPECT_EQ(read_for(client, 6), "ID019;");
  close(client);
  ASSERT_TRUE(test::run_until(apt, 2s, [&] { return !server.last; }));
  EXPECT_EQ(std::tuple(server.opened, server.closed),
            std::tuple(std::vector<std::string>{path}, std::vector<std::string>{path}));
}

// The program's stop signals, in a child of the test's own: the first asks
// to stop; the second, for a program stuck in spite of it, has its last
// words said and ends the program by that signal.
TEST(StopSignals, TheFirstAsksToStopTheSecondEndsTheProgram) {
  static int words = -1;
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    words = pipe_ends[1];
    stop_on_signals([] { (void)!write(words, "bye", 3); });
    raise(SIGTERM);
    const char first[] = {interrupted() ? 'i' : '-', PosixApartment::stop_requested() ? 's' : '-',
                          signal(SIGPIPE, SIG_IGN) == SIG_IGN ? 'p' : '-'};
    (void)!write(words, first, sizeof first);
    raise(SIGTERM);
    _exit(0);  // not reached
  }
  close(pipe_ends[1]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(test::read_all(pipe_ends[0]), "ispbye");
  close(pipe_ends[0]);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
}

}  // namespace
}  // namespace tovrak::platform
