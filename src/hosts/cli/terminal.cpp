#include "hosts/cli/terminal.hpp"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace tovrak::hosts {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
termios g_saved{};
bool g_raw = false;

void restore() {
  if (!g_raw) return;
  g_raw = false;
  const char* back = "\x1b[?25h\x1b[?1049l";  // cursor on, main screen
  (void)!write(STDOUT_FILENO, back, 15);
  tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
}

void on_signal(int) { g_interrupted = 1; }

}  // namespace

bool interrupted() { return g_interrupted != 0; }

void catch_interrupts() {
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

bool Terminal::interactive() { return isatty(STDOUT_FILENO) && isatty(STDIN_FILENO); }

Terminal::Terminal() {
  tcgetattr(STDIN_FILENO, &g_saved);
  termios raw = g_saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  g_raw = true;
  std::atexit(restore);
  std::fputs("\x1b[?1049h\x1b[?25l\x1b[2J", stdout);
  std::fflush(stdout);
}

Terminal::~Terminal() { restore(); }

int Terminal::key() {
  pollfd p{STDIN_FILENO, POLLIN, 0};
  if (poll(&p, 1, 0) <= 0) return -1;
  unsigned char c = 0;
  if (read(STDIN_FILENO, &c, 1) != 1) return -1;
  if (c != 0x1b) return c;
  unsigned char seq[2] = {0, 0};
  if (poll(&p, 1, 20) <= 0 || read(STDIN_FILENO, &seq[0], 1) != 1) return 0x1b;
  if (poll(&p, 1, 20) <= 0 || read(STDIN_FILENO, &seq[1], 1) != 1) return 0x1b;
  if (seq[0] == '[' && seq[1] >= 'A' && seq[1] <= 'D') return 256 + seq[1];
  return -1;
}

void Terminal::draw(const std::string& screen) {
  std::fputs("\x1b[H", stdout);
  std::fputs(screen.c_str(), stdout);
  std::fflush(stdout);
}

int Terminal::width() const {
  winsize w{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &w) == 0 && w.ws_col > 0) return w.ws_col;
  return 80;
}

int Terminal::height() const {
  winsize w{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &w) == 0 && w.ws_row > 0) return w.ws_row;
  return 24;
}

}  // namespace tovrak::hosts
