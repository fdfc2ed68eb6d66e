// `tovrak share --sim` over real endpoints, in real time: a program on the
// pseudo-terminal with its own line settings and two TCP clients at once see
// each other's changes; a client killed while transmitting has the
// transmitter released; a flood ends only the flooding connection. The
// checks wait for an answer with a generous deadline, never for a time.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Reads from fd until `text` has arrived, the end, or the deadline; returns all read.
std::string read_until(int fd, const std::string& text, int timeout_ms = 3000) {
  std::string got;
  auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (got.find(text) == std::string::npos && Clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buf[1024];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  return got;
}

// Until `done` holds or five seconds have passed.
template <class F>
bool eventually(F&& done) {
  for (auto end = Clock::now() + std::chrono::seconds(5); Clock::now() < end; usleep(50'000)) {
    if (done()) return true;
  }
  return false;
}

// Asks until the answer (up to the first ";") is `want`: the server learns
// from the radio's polls.
bool settles(int fd, const std::string& query, const std::string& want) {
  return eventually([&] {
    return write(fd, query.data(), query.size()) == static_cast<ssize_t>(query.size()) &&
           read_until(fd, ";") == want;
  });
}

struct Share {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tovrak-share-" + std::to_string(getpid()));
  pid_t pid = -1;
  int out = -1;
  int port = 0;

  Share() {
    const char* tovrak = std::getenv("TOVRAK");
    if (tovrak == nullptr) return;
    std::filesystem::create_directories(dir);
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      execl(tovrak, tovrak, "share", "--sim", "--pty", (dir / "radio").c_str(), "--listen",
            "127.0.0.1:0", "--plain", "--tx-timeout", "60", "--log", (dir / "log").c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    out = fds[0];
    std::string text = read_until(out, "endpoint tcp 127.0.0.1:");
    text += read_until(out, "\n", 2000);
    if (size_t at = text.find("endpoint tcp 127.0.0.1:"); at != std::string::npos) {
      port = std::atoi(text.c_str() + at + 23);
    }
  }
  ~Share() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    if (out >= 0) close(out);
    std::filesystem::remove_all(dir);
  }
  int tcp() const {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
      close(fd);
      return -1;
    }
    return fd;
  }
  // The pseudo-terminal, opened as a program opens it: raw, any speed.
  int pty() const {
    int fd = open((dir / "radio").c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B4800);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
  }
  std::string log() const {
    std::ifstream f(dir / "log");
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
};

TEST(ShareOverEndpoints, ClientsShareTheRadioAndNoneCanHoldOrFloodIt) {
  ASSERT_NE(std::getenv("TOVRAK"), nullptr) << "TOVRAK names the tovrak command";
  Share s;
  ASSERT_GT(s.port, 0) << "the server told no TCP endpoint";
  int a = s.tcp(), b = s.tcp(), p = s.pty();
  ASSERT_TRUE(a >= 0 && b >= 0 && p >= 0);
  ASSERT_EQ(write(a, "FA07012000;", 11), 11);
  EXPECT_TRUE(settles(b, "FA;", "FA07012000;"));
  EXPECT_TRUE(settles(p, "FA;", "FA07012000;"));
  ASSERT_EQ(write(p, "MD03;", 5), 5);
  EXPECT_TRUE(settles(a, "MD0;", "MD03;"));
  close(p);  // the program closes the port and opens it again
  p = s.pty();
  EXPECT_TRUE(settles(p, "MD0;", "MD03;"));
  close(p);

  // A client killed while transmitting: the server releases the transmitter.
  pid_t child = fork();
  if (child == 0) {
    int fd = s.tcp();
    if (fd < 0 || write(fd, "TX1;", 4) != 4) _exit(1);
    pause();
    _exit(0);
  }
  EXPECT_TRUE(settles(a, "TX;", "TX1;"));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(settles(a, "TX;", "TX0;"));
  EXPECT_TRUE(eventually([&] { return s.log().find("W radio TX0;") != std::string::npos; }));

  // A flood ends the flooding connection only: its reads come to an end.
  std::string burst;
  for (int i = 0; i < 400; ++i) burst += "PC100;";
  ASSERT_EQ(write(b, burst.data(), burst.size()), static_cast<ssize_t>(burst.size()));
  EXPECT_TRUE(eventually([&] {
    char buf[4096];
    return read(b, buf, sizeof buf) <= 0;
  }));
  EXPECT_TRUE(settles(a, "PC;", "PC100;"));
  close(a);
  close(b);
}

}  // namespace
