#include "hosts/cli/terminal.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/endpoints/stop_signals.hpp"

namespace tovrak::hosts {

namespace {

volatile std::sig_atomic_t g_redraw = 0;
// The terminal as the user had it, and as the live screen wants it. Set
// before the handlers can use them; read in signal handlers, so only
// async-signal-safe calls touch them there.
termios g_saved{};
termios g_raw_mode{};
volatile std::sig_atomic_t g_raw = 0;

constexpr char kEnter[] = "\x1b[?1049h\x1b[?25l\x1b[2J";  // alternate screen, no cursor
constexpr char kLeave[] = "\x1b[?25h\x1b[?1049l";         // cursor on, main screen

void put(const char* s, size_t n) { (void)!write(STDOUT_FILENO, s, n); }

// Puts the terminal back as the user had it (async-signal-safe).
void leave_screen() {
  put(kLeave, sizeof kLeave - 1);
  tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
}

void enter_screen() {
  tcsetattr(STDIN_FILENO, TCSANOW, &g_raw_mode);
  put(kEnter, sizeof kEnter - 1);
}

void restore() {
  if (!g_raw) return;
  g_raw = 0;
  leave_screen();
}

// A second Ctrl-C ends a stuck program: the terminal goes back first.
void last_words() {
  if (g_raw) leave_screen();
}

// Ctrl-Z: the terminal goes back to the shell while the program is stopped,
// and comes back, redrawn, when it resumes.
void on_suspend(int sig) {
  if (g_raw) leave_screen();
  platform::act_as_default(sig);  // stops here until SIGCONT
  struct sigaction sa {};
  sa.sa_handler = on_suspend;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTSTP, &sa, nullptr);
  if (g_raw) enter_screen();
  g_redraw = 1;
}

// Resumed after a stop we did not see (SIGSTOP): the shell may have reset
// the terminal.
void on_continue(int) {
  if (g_raw) tcsetattr(STDIN_FILENO, TCSANOW, &g_raw_mode);
  g_redraw = 1;
}

void on_resize(int) { g_redraw = 1; }

void handle(int sig, void (*fn)(int)) {
  struct sigaction sa {};
  sa.sa_handler = fn;
  sigemptyset(&sa.sa_mask);
  sigaction(sig, &sa, nullptr);
}

}  // namespace

bool interrupted() { return platform::interrupted(); }

void catch_interrupts() {
  platform::stop_on_signals(last_words);
  handle(SIGTSTP, on_suspend);
  handle(SIGCONT, on_continue);
  handle(SIGWINCH, on_resize);
}

bool Terminal::interactive() { return isatty(STDOUT_FILENO) && isatty(STDIN_FILENO); }

Terminal::Terminal() {
  tcgetattr(STDIN_FILENO, &g_saved);
  g_raw_mode = g_saved;
  g_raw_mode.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  g_raw_mode.c_cc[VMIN] = 0;
  g_raw_mode.c_cc[VTIME] = 0;
  std::fflush(stdout);
  enter_screen();
  g_raw = 1;
  std::atexit(restore);
}

Terminal::~Terminal() { restore(); }

void Terminal::keep_raw() { tcsetattr(STDIN_FILENO, TCSANOW, &g_raw_mode); }

int Terminal::key() {
  pollfd p{STDIN_FILENO, POLLIN, 0};
  if (poll(&p, 1, 0) <= 0) return -1;
  unsigned char c = 0;
  if (read(STDIN_FILENO, &c, 1) != 1) return -1;
  if (c != 0x1b) return c;
  unsigned char seq[3] = {0, 0, 0};
  if (poll(&p, 1, 20) <= 0 || read(STDIN_FILENO, &seq[0], 1) != 1) return 0x1b;
  if (poll(&p, 1, 20) <= 0 || read(STDIN_FILENO, &seq[1], 1) != 1) return 0x1b;
  if (seq[0] == '[' && seq[1] >= 'A' && seq[1] <= 'D') return 256 + seq[1];
  if (seq[0] == '[' && (seq[1] == '5' || seq[1] == '6')) {  // Page Up, Page Down
    if (poll(&p, 1, 20) > 0) (void)!read(STDIN_FILENO, &seq[2], 1);
    return seq[1] == '5' ? kPageUp : kPageDown;
  }
  return -1;
}

void Terminal::draw(const std::string& screen) {
  if (g_redraw) {
    g_redraw = 0;
    std::fputs("\x1b[2J", stdout);
  }
  std::fputs("\x1b[H", stdout);
  std::fputs(screen.c_str(), stdout);
  std::fflush(stdout);
}

// Off a terminal the size stays zero: the screen is 80x24.
int Terminal::width() const {
  winsize w{};
  ioctl(STDOUT_FILENO, TIOCGWINSZ, &w);
  return w.ws_col ? w.ws_col : 80;
}

int Terminal::height() const {
  winsize w{};
  ioctl(STDOUT_FILENO, TIOCGWINSZ, &w);
  return w.ws_row ? w.ws_row : 24;
}

PlainOut::PlainOut(int fd) : fd_(fd) {
  std::signal(SIGPIPE, SIG_IGN);
  flags_ = fcntl(fd_, F_GETFL);
  if (flags_ >= 0) fcntl(fd_, F_SETFL, flags_ | O_NONBLOCK);
}

PlainOut::~PlainOut() {
  flush();
  if (flags_ >= 0) fcntl(fd_, F_SETFL, flags_);
}

void PlainOut::line(const std::string& text) {
  if (gone_) return;
  if (buffer_.size() + text.size() + 1 > kLimit) {
    ++dropped_;
    return;
  }
  if (dropped_ > 0) {
    buffer_.append("(").append(std::to_string(dropped_));
    buffer_.append(dropped_ == 1 ? " line" : " lines");
    buffer_.append(" not shown: standard output was full)\n");
    dropped_ = 0;
  }
  buffer_ += text;
  buffer_ += '\n';
  flush();
}

void PlainOut::flush() {
  while (!buffer_.empty() && !gone_) {
    const ssize_t n = ::write(fd_, buffer_.data(), buffer_.size());
    if (n > 0) {
      buffer_.erase(0, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      return;
    } else {
      gone_ = true;
      buffer_.clear();
    }
  }
}

}  // namespace tovrak::hosts
