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
#include "hosts/sim/sim_link.hpp"
#include "hosts/sim/sim_radio.hpp"

namespace tovrak::hosts {

namespace {

constexpr const char* kHelp = R"(usage: tovrak sim (--pty LINK | --stdio) [options]

Runs the simulated radio in real time: it reads the radio's text commands
(each ending in ";"), answers queries, applies settings, and with automatic
information on ("AI1;") reports its own changes. Ctrl-C (or SIGTERM) ends it.

Where it listens:
  --pty LINK            create a pseudo-terminal and make LINK a symbolic
                        link to it; point the component's port at LINK
                        (tovrak opens it like a serial device). The link is
                        removed on exit.
  --stdio               read commands from standard input and answer on
                        standard output (try: echo "ID;FA;" | tovrak sim --stdio)

The radio:
  --id N                identification number of the "ID" answer (default
                        570: 9-digit frequencies; any other: 8 digits)
  --operator            a simulated operator now and then tunes, changes the
                        mode and moves levels on the front panel
  --seed N              seed of the operator, the band's signals and the
                        faults (default 1); the same seed, the same radio

Faults of the line (probabilities per answer, 0 to 1):
  --latency MS          delay from a command to its answer (default 0)
  --drop P              the answer is lost
  --garble P            one byte of the answer is changed
  --split P             the answer arrives in two pieces, a few ms apart
  --silent-every S      every S seconds the radio goes deaf and mute for a
                        while (see --silent-for)
  --silent-for S        how long it stays silent (default 5)
  --power-cycle-every S every S seconds the radio is switched off for 2 s and
                        on again (automatic information is then off)

Examples:
  tovrak sim --pty /tmp/radio
  tovrak sim --pty /tmp/radio --operator --latency 20 --drop 0.01
)";

std::atomic<bool> g_stop{false};

extern "C" void on_stop_signal(int) { g_stop.store(true); }

bool parse_int(const std::string& text, int64_t& out) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && p == end;
}

bool parse_double(const std::string& text, double& out) {
  try {
    size_t used = 0;
    out = std::stod(text, &used);
    return used == text.size();
  } catch (...) {
    return false;
  }
}

int usage_error(const std::string& what) {
  std::cerr << "tovrak sim: " << what << "\n(tovrak sim --help)\n";
  return 2;
}

void catch_stop_signals() {
  struct sigaction sa {};
  sa.sa_handler = on_stop_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // poll() is interrupted and the loop looks at the flag
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
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
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::cout << kHelp;
      return 0;
    }
    if (a == "--stdio") {
      stdio = true;
      continue;
    }
    if (a == "--operator") {
      opt.operator_on = true;
      continue;
    }
    if (i + 1 >= args.size()) return usage_error(a + " needs a value");
    const std::string& v = args[++i];
    int64_t n = 0;
    double d = 0.0;
    if (a == "--pty") {
      pty = v;
    } else if (a == "--id") {
      if (!parse_int(v, n) || n < 0 || n > 9999) return usage_error("--id takes 0 to 9999");
      opt.id = static_cast<int>(n);
    } else if (a == "--seed") {
      if (!parse_int(v, n)) return usage_error("--seed takes a whole number");
      opt.seed = static_cast<uint64_t>(n);
    } else if (a == "--latency") {
      if (!parse_double(v, d) || d < 0) return usage_error("--latency takes milliseconds");
      opt.latency_us = static_cast<int64_t>(d * 1000.0);
    } else if (a == "--drop" || a == "--garble" || a == "--split") {
      if (!parse_double(v, d) || d < 0 || d > 1) return usage_error(a + " takes 0 to 1");
      (a == "--drop" ? opt.drop : a == "--garble" ? opt.garble : opt.split) = d;
    } else if (a == "--silent-every" || a == "--silent-for" || a == "--power-cycle-every") {
      if (!parse_double(v, d) || d <= 0) return usage_error(a + " takes seconds, more than 0");
      auto us = static_cast<int64_t>(d * 1e6);
      (a == "--silent-every" ? opt.silent_every_us
       : a == "--silent-for" ? opt.silent_for_us
                             : opt.power_cycle_every_us) = us;
    } else {
      return usage_error("unknown option " + a);
    }
  }
  if (stdio == !pty.empty()) return usage_error("give either --pty LINK or --stdio");

  catch_stop_signals();
  sim::SimRadio radio(opt);
  if (!pty.empty()) return run_on_pty(radio, pty);
  std::cerr << "tovrak sim: radio (ID " << opt.id << ") on standard input and output\n";
  return sim::run_on_fd(radio, STDIN_FILENO, STDOUT_FILENO, g_stop);
}

}  // namespace tovrak::hosts
