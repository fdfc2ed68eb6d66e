// `tovrak share --sim` over real endpoints, in real time: a program on the
// pseudo-terminal with its own line settings and two TCP clients at once see
// each other's changes; a client killed while transmitting has the
// transmitter released; a flood ends only the flooding connection. The
// checks wait for an answer with a generous deadline, never for a time.
#include <arpa/inet.h>
#include <fcntl.h>
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
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

using Clock = std::chrono::steady_clock;

// Reads from fd until `text` has arrived or the deadline passed; returns all read.
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

// Sends a query and returns the answers up to the first ";".
std::string ask(int fd, const std::string& query) {
  if (write(fd, query.data(), query.size()) != static_cast<ssize_t>(query.size())) return "";
  return read_until(fd, ";");
}

// Asks until the answer is `want` (the server learns from the radio's polls).
bool settles(int fd, const std::string& query, const std::string& want) {
  auto end = Clock::now() + std::chrono::seconds(5);
  while (Clock::now() < end) {
    if (ask(fd, query) == want) return true;
    usleep(50'000);
  }
  return false;
}

int connect_tcp(int port) {
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

class ShareOverEndpoints : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* tovrak = std::getenv("TOVRAK");
    ASSERT_NE(tovrak, nullptr) << "TOVRAK names the tovrak command";
    dir_ = std::filesystem::temp_directory_path() / ("tovrak-share-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      execl(tovrak, tovrak, "share", "--sim", "--pty", (dir_ / "radio").c_str(), "--listen",
            "127.0.0.1:0", "--plain", "--tx-timeout", "60", "--log", (dir_ / "log").c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    out_ = out[0];
    std::string text = read_until(out_, "endpoint tcp 127.0.0.1:");
    text += read_until(out_, "\n", 2000);
    size_t at = text.find("endpoint tcp 127.0.0.1:");
    ASSERT_NE(at, std::string::npos) << text;
    port_ = std::atoi(text.c_str() + at + 23);
  }
  static void TearDownTestSuite() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    std::filesystem::remove_all(dir_);
  }
  static std::string log() {
    std::ifstream f(dir_ / "log");
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

  static inline std::filesystem::path dir_;
  static inline pid_t pid_ = -1;
  static inline int out_ = -1;
  static inline int port_ = 0;
};

TEST_F(ShareOverEndpoints, PtyAndTwoTcpClientsSeeEachOthersChanges) {
  int a = connect_tcp(port_), b = connect_tcp(port_);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  auto open_pty = [] {
    int fd = open((dir_ / "radio").c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B4800);  // any speed is accepted
    tcsetattr(fd, TCSANOW, &t);
    return fd;
  };
  int p = open_pty();
  ASSERT_GE(p, 0);
  ASSERT_EQ(write(a, "FA07012000;", 11), 11);
  EXPECT_TRUE(settles(b, "FA;", "FA07012000;"));
  EXPECT_TRUE(settles(p, "FA;", "FA07012000;"));
  ASSERT_EQ(write(p, "MD03;", 5), 5);
  EXPECT_TRUE(settles(a, "MD0;", "MD03;"));
  EXPECT_EQ(ask(b, "XX;"), "?;");

  close(p);  // the program closes the port and opens it again
  p = open_pty();
  EXPECT_TRUE(settles(p, "MD0;", "MD03;"));
  close(p);
  close(a);
  close(b);
}

TEST_F(ShareOverEndpoints, ClientKilledWhileTransmittingIsReleased) {
  int watcher = connect_tcp(port_);
  ASSERT_GE(watcher, 0);
  pid_t child = fork();
  if (child == 0) {
    int fd = connect_tcp(port_);
    if (fd < 0 || write(fd, "TX1;", 4) != 4) _exit(1);
    pause();
    _exit(0);
  }
  EXPECT_TRUE(settles(watcher, "TX;", "TX1;"));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(settles(watcher, "TX;", "TX0;"));
  auto end = Clock::now() + std::chrono::seconds(3);
  while (log().find("W radio TX0;") == std::string::npos && Clock::now() < end) usleep(50'000);
  EXPECT_NE(log().find("W radio TX0;"), std::string::npos);
  close(watcher);
}

TEST_F(ShareOverEndpoints, FloodEndsOnlyTheFloodingConnection) {
  int flood = connect_tcp(port_), calm = connect_tcp(port_);
  ASSERT_GE(flood, 0);
  ASSERT_GE(calm, 0);
  std::string burst;
  for (int i = 0; i < 400; ++i) burst += "PC100;";
  ASSERT_EQ(write(flood, burst.data(), burst.size()), static_cast<ssize_t>(burst.size()));
  // The server closes the flooding connection: its reads come to an end.
  auto end = Clock::now() + std::chrono::seconds(3);
  bool closed = false;
  while (!closed && Clock::now() < end) {
    pollfd p{flood, POLLIN, 0};
    char buf[256];
    if (poll(&p, 1, 50) > 0 && read(flood, buf, sizeof buf) <= 0) closed = true;
  }
  EXPECT_TRUE(closed);
  EXPECT_TRUE(settles(calm, "PC;", "PC100;"));
  close(flood);
  close(calm);
}

}  // namespace
