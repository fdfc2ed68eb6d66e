// tovrak sim: the simulated radio on a pseudo-terminal or on standard input
// and output, in real time, for the component (or a person) to talk to.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/options.hpp"
#include "hosts/sim/sim_link.hpp"
#include "hosts/sim/sim_radio.hpp"

namespace tovrak::hosts {

namespace {

constexpr const char* kDescription =
    R"(Runs the simulated radio in real time: it reads the radio's text commands
(each ending in ";"), answers queries, applies settings, and with automatic
information on ("AI1;") reports its own changes. Ctrl-C (or SIGTERM) ends it.

  tovrak sim --pty LINK [options]
  tovrak sim --stdio [options])";

constexpr const char* kFooter = R"(
Examples:
  tovrak sim --pty /tmp/radio
  tovrak sim --pty /tmp/radio --operator --latency 20 --drop 0.01
)";

std::atomic<bool> g_stop{false};

extern "C" void on_stop_signal(int) { g_stop.store(true); }

void catch_stop_signals() {
  struct sigaction sa {};
  sa.sa_handler = on_stop_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // poll() is interrupted and the loop looks at the flag
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

// The pseudo-terminal: raw, its master end non-blocking (answers nobody reads
// are lost, as on a serial line), the slave end kept open by us so that the
// line stays up while no component has it open.
int run_on_pty(sim::SimRadio& radio, const std::string& link) {
  int master = -1, slave = -1;
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    std::cerr << "tovrak sim: cannot create a pseudo-terminal: " << std::strerror(errno) << "\n";
    return 1;
  }
  termios tio{};
  if (tcgetattr(slave, &tio) == 0) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(slave, TCSANOW, &tio);
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

  struct stat st {};
  if (lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      std::cerr << "tovrak sim: " << link << " exists and is not a symbolic link; not replaced\n";
      close(master);
      close(slave);
      return 1;
    }
    // A link to a terminal that still exists belongs to a running radio
    // (another sim); a link to one that has gone was left by a sim that was
    // killed, and is taken over.
    char target[256] = {};
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    struct stat dev {};
    if (n > 0 && stat(target, &dev) == 0) {
      std::cerr << "tovrak sim: " << link << " is in use: it leads to " << target
                << ", a terminal still open (another tovrak sim?); stop that one or choose "
                   "another path\n";
      close(master);
      close(slave);
      return 1;
    }
    unlink(link.c_str());
  }
  if (symlink(name, link.c_str()) != 0) {
    std::cerr << "tovrak sim: cannot create " << link << ": " << std::strerror(errno) << "\n";
    close(master);
    close(slave);
    return 1;
  }
  std::cout << link << "\n" << std::flush;
  std::cerr << "tovrak sim: radio (ID " << radio.options().id << ") on " << link << " -> " << name
            << "; Ctrl-C ends\n";
  int rc = sim::run_on_fd(radio, master, master, g_stop);

  // Remove the link only if it still points at our terminal.
  char target[256] = {};
  ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
  if (n > 0 && std::string(target, static_cast<size_t>(n)) == name) unlink(link.c_str());
  close(master);
  close(slave);
  return rc;
}

}  // namespace

int cmd_sim(const Args& args) {
  sim::SimOptions opt;
  std::string pty;
  bool stdio = false;
  Options options("sim", kDescription);
  options.group("Where it listens");
  options.text("--pty", pty, "LINK",
               "create a pseudo-terminal and make LINK a symbolic link to it; point the "
               "component's port at LINK. The link is removed on every way out (Ctrl-C, SIGTERM, "
               "SIGHUP); a link another running sim owns is refused");
  options.flag("--stdio", stdio,
               "read commands from standard input and answer on standard output (try: echo "
               "\"ID;FA;\" | tovrak sim --stdio)");
  add_sim_options(options, opt);
  options.footer(kFooter);
  if (auto status = options.parse(args)) return *status;
  if (stdio == !pty.empty()) return options.usage_error("give either --pty LINK or --stdio");

  catch_stop_signals();
  sim::SimRadio radio(opt);
  if (!pty.empty()) return run_on_pty(radio, pty);
  std::cerr << "tovrak sim: radio (ID " << opt.id << ") on standard input and output\n";
  return sim::run_on_fd(radio, STDIN_FILENO, STDOUT_FILENO, g_stop);
}

}  // namespace tovrak::hosts
