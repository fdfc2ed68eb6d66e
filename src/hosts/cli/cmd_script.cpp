// tovrak script: run a session script and print what happens.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/options.hpp"
#include "hosts/cli/port_options.hpp"
#include "hosts/cli/posix_script_platform.hpp"
#include "hosts/cli/script.hpp"
#include "hosts/cli/station_script.hpp"
#include "hosts/cli/terminal.hpp"
#include "hosts/cli/virtual_script_platform.hpp"
#include "hosts/sim/sim_radio.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::hosts {

namespace {

constexpr const char* kDescription =
    R"(Runs a session script against the component and prints, one line per
happening and in the order it happens, the bytes written to the port, the
results of the calls and the Change events. FILE "-" reads standard input.

  tovrak script --virtual [--sim [radio options]] FILE
  tovrak script --port PATH [--speed N] [--no-rts] [--dtr] FILE

With --virtual the script runs on a virtual clock that starts at 00:00:00
and moves only when the script waits, and on a virtual serial line on which
the script plays the radio (or, with --sim, the simulated radio answers, in
virtual time). With --port the script drives a real device in real time;
@wait then waits in real time while the component works, and the radio
directives are refused.)";

constexpr const char* kFooter = R"(
Statements, one per line; text after ' or # (outside a string) is ignored:
  Name = value            assign a property
  ? Name                  read a property
  ? Name(arg, ...)        read an indexed property, or a method's result
  Name                    call a method without arguments
  Name arg, arg, ...      call a method
Values: numbers (14.2, -5, 1000), strings in double quotes ("" for a quote
inside), True, False, Empty. Names are the member names of TOVRAK_Protocol.

Directives:
  @wait N                 N milliseconds (0 to 86400000) pass while messages
                          are processed (timer ticks, serial events)
  @radio "text"           (--virtual) the radio sends these bytes; they
                          arrive when messages are next processed
  @clock S                (--virtual) the time of day becomes S seconds
                          after midnight
  @failopen "text"        (--virtual) the next opening of the port fails
                          with this text

Output:
  TX t text               bytes written to the port, terminator included; t
                          is the time in seconds since the script started
  EV t Change(n)          the Change event was raised with State n
  Name(args) -> result    a call, its arguments as they are after the call
  Name(args)              a call of a method without result
  Name = value            a read
  ... !! code text        a call that failed; the script goes on

With --port the script's end, in any way, leaves the radio safe: a
transmission it keyed is released, CAT switched off and the port closed;
a port lost on the way (a cable pulled, a server gone) is named on
standard error when it goes.

Exit status: 0 when every call succeeded; 1 when a call failed (each failed
call is also named with its line on standard error) or the port was lost;
2 when the script cannot be read (it stops before it runs, with the line
number and what is wrong); 130 when interrupted (Ctrl-C, SIGTERM or SIGHUP
end the current wait).

Example:
  Port = 1
  PortSpeed = "9600"
  SetPort True, "", "", ""
  SetCAT 1
  @radio "ID0570;"
  @wait 300
  ? Freq
)";

// The longest script read: a larger file (or an endless one such as
// /dev/zero) is refused.
constexpr size_t kLongestScript = 16u << 20;

bool read_script_text(const std::string& file, std::string& text, std::string& why) {
  std::FILE* in = file == "-" ? stdin : std::fopen(file.c_str(), "rb");
  if (!in) {
    why = std::strerror(errno);
    return false;
  }
  char buf[65536];
  bool ok = true;
  for (;;) {
    size_t n = std::fread(buf, 1, sizeof buf, in);
    text.append(buf, n);
    if (text.size() > kLongestScript) {
      why = "longer than 16 MiB";
      ok = false;
      break;
    }
    if (n < sizeof buf) {
      if (std::ferror(in)) {
        why = std::strerror(errno);
        ok = false;
      }
      break;
    }
  }
  if (in != stdin) std::fclose(in);
  return ok;
}

}  // namespace

int cmd_script(const Args& args) {
  bool virtual_mode = false;
  bool with_sim = false;
  sim::SimOptions sim_options;
  PortOptions port;
  std::string file;
  Options opt("script", kDescription);
  opt.positional("FILE", file, "the script; - reads standard input");
  opt.flag("--virtual", virtual_mode, "run on the virtual platform");
  opt.flag("--sim", with_sim, "(with --virtual) the simulated radio answers on the line");
  std::string log_path;
  opt.text("--log", log_path, "FILE",
           "(with --port) append the commands and answers with timestamps to FILE");
  add_port_options(opt, port);
  add_sim_options(opt, sim_options);
  opt.footer(kFooter);
  if (auto status = opt.parse(args)) return *status;
  const bool sim_options_given = opt.any_given(kSimGroup);
  if (virtual_mode == port.given) {
    return opt.usage_error("say where the script runs: --virtual, or --port PATH");
  }
  if ((with_sim || sim_options_given) && !virtual_mode) {
    return opt.usage_error("--sim runs the simulated radio in virtual time: add --virtual");
  }
  if (!log_path.empty() && virtual_mode) {
    return opt.usage_error("--log writes the wire of a real port: use it with --port");
  }
  if (sim_options_given && !with_sim) {
    return opt.usage_error("the radio options shape the simulated radio: add --sim");
  }
  std::string text;
  std::string why;
  if (!read_script_text(file, text, why)) {
    std::cerr << "tovrak script: cannot read " << (file == "-" ? "stdin" : file) << ": " << why
              << '\n';
    return 2;
  }
  const std::string where = file == "-" ? "stdin" : file;
  catch_interrupts();
  int status = 0;
  ScriptHooks hooks;
  hooks.failed = [&](int line, const std::string& failure) {
    std::cout.flush();
    std::cerr << "tovrak script: " << where << ": line " << line << ": " << failure << '\n';
  };
  hooks.stop = [] { return interrupted(); };
  try {
    auto script = parse_script(text);
    if (virtual_mode) {
      platform::VirtualApartment apt;
      std::optional<sim::SimRadio> radio;
      std::optional<sim::SimLink> link;
      if (with_sim) {
        radio.emplace(sim_options, apt.now_us());
        link.emplace(sim::attach(*radio, apt));
      }
      VirtualScriptPlatform platform(apt, link ? &*link : nullptr);
      int failures = run_script(script, platform, std::cout, {}, hooks);
      status = failures > 0 ? 1 : 0;
    } else {
      for (const auto& st : script) {
        if (st.kind == Statement::Kind::Radio || st.kind == Statement::Kind::Clock ||
            st.kind == Statement::Kind::FailOpen) {
          throw ScriptError(st.line,
                            "@radio, @clock and @failopen play the radio: they work "
                            "only with --virtual");
        }
      }
      platform::PosixApartment apt;
      PosixScriptPlatform time(apt);
      station::Station station(apt, [&] { return static_cast<double>(time.elapsed_us()) / 1e6; });
      if (!log_path.empty()) station.log().open(log_path);
      status = run_on_station(
          script, station, time, std::cout, std::cerr,
          {where, [&](TOVRAK_Protocol& rig) { port.apply(rig); }, [] { return interrupted(); }});
    }
  } catch (const ScriptError& e) {
    std::cout.flush();
    std::cerr << "tovrak script: " << where << ": " << e.what() << '\n';
    return 2;
  } catch (const PortRefused& e) {
    std::cout.flush();
    return opt.usage_error(e.what());
  } catch (const std::exception& e) {  // the port's set-up refused, the log not writable
    std::cout.flush();
    std::cerr << "tovrak script: " << e.what() << '\n';
    return 1;
  }
  if (interrupted()) {
    std::cerr << "tovrak script: interrupted\n";
    return 130;
  }
  return status;
}

}  // namespace tovrak::hosts
