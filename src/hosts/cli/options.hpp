// The options of every tovrak command, read by one parser so that the same
// mistake gets the same clear message from every command.
//
// A command declares its options on an Options object, then parses:
//
//   Options opt("demo", "Runs the component against the simulated radio...");
//   double seconds = 30;
//   bool plain = false;
//   opt.number("--seconds", seconds, 1, 86400, "N", "how long the host works");
//   opt.flag("--plain", plain, "the plain log even on a terminal");
//   PortOptions port;
//   add_port_options(opt, port);      // --port, --speed, --no-rts, --dtr
//   sim::SimOptions radio;
//   add_sim_options(opt, radio);      // --id, --operator, --seed, --latency...
//   opt.footer("Examples: ...");      // text after the list of options
//   if (auto status = opt.parse(args)) return *status;
//
// parse() prints the help for --help/-h and returns 0; for a usage mistake it
// prints "tovrak demo: <what is wrong> (tovrak demo --help)" on standard error
// and returns 2; it returns nothing when the command goes on. Values are
// checked when they are read: a number that does not parse, is not finite or
// is outside its range is refused, naming the option, the value and the range.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tovrak::sim {
struct SimOptions;
}

namespace tovrak::hosts {

struct PortOptions;

// What a command declares, for its manual page and its completion.
struct OptionDoc {
  std::vector<std::string> names;  // "--port", or "-h", "--help"; a positional's name
  std::string value;               // the value's name ("PATH"); empty for a switch
  std::string help;
  std::string group;  // the heading it is listed under
  bool positional = false;
};
struct CommandDoc {
  std::string command, description, footer;
  std::vector<OptionDoc> options;
};

class Options {
 public:
  // `command` is the word after "tovrak"; `description` opens the help.
  Options(std::string command, std::string description);

  // A switch without a value.
  void flag(const std::string& name, bool& target, const std::string& help);
  void flag(const std::string& name, std::function<void()> on, const std::string& help);
  // An option with a value that `take` reads; `take` raises
  // std::invalid_argument with the message for a value it refuses.
  void option(const std::string& name, const std::string& value_name, const std::string& help,
              std::function<void(const std::string&)> take);
  // A whole number in [lo, hi].
  void whole(const std::string& name, int64_t& target, int64_t lo, int64_t hi,
             const std::string& value_name, const std::string& help);
  void whole(const std::string& name, int& target, int lo, int hi, const std::string& value_name,
             const std::string& help);
  // A finite number in [lo, hi].
  void number(const std::string& name, double& target, double lo, double hi,
              const std::string& value_name, const std::string& help);
  // Any text (a path, a name).
  void text(const std::string& name, std::string& target, const std::string& value_name,
            const std::string& help);
  // A word without a dash; `required` refuses a command line without it.
  void positional(const std::string& name, std::string& target, const std::string& help,
                  bool required = true);
  // Options listed under their own heading in the help ("The radio").
  void group(const std::string& heading) { group_ = heading; }
  void footer(const std::string& text);

  // True when the option was given on the command line (after parse()).
  bool given(const std::string& name) const;
  // True when any option under the heading was given.
  bool any_given(const std::string& heading) const;

  // See above: nothing to go on, 0 after the help, 2 after a usage mistake.
  // While a description is asked for (describe_into), parse() hands the
  // options over and returns 0, so the command ends before it does anything.
  std::optional<int> parse(const std::vector<std::string>& args);

  // The options declared so far.
  CommandDoc describe() const;
  // Commands run while `sink` is set only describe themselves into it;
  // nullptr ends that.
  static void describe_into(CommandDoc* sink);

  // A usage mistake found after parsing (options that do not go together):
  // prints it as parse() does and returns 2.
  int usage_error(const std::string& what) const;

  const std::string& command() const { return command_; }
  CLI::App& app() { return app_; }

 private:
  std::string command_;
  std::string group_ = "Options";
  CLI::App app_;
};

// Reads a whole number or a finite number in [lo, hi] as the options do;
// raises std::invalid_argument with the same message ("what" names the
// value, e.g. "--id" or "SetFreq's frequency").
int64_t read_whole(const std::string& what, const std::string& text, int64_t lo, int64_t hi);
double read_number(const std::string& what, const std::string& text, double lo, double hi);

// A port on the network as the serial layer reads it (rfc2217://HOST:PORT,
// tcp://HOST:PORT, an IPv6 address in brackets); a text without "://" is a
// device path and passes. Raises std::invalid_argument naming `option` for
// a malformed address, so that it is a usage mistake before any port opens.
void check_port_locator(const std::string& locator, const std::string& option);

// The headings of the port's and the simulated radio's options.
inline const std::string kPortGroup = "The serial port";
inline const std::string kSimGroup = "The simulated radio";

// The serial port options: --port PATH, --speed N, --no-rts, --dtr.
void add_port_options(Options& options, PortOptions& port);
// The simulated radio's options: --id, --operator, --seed and the faults of
// the line and the radio (--latency, --drop, --garble, --split, --late, --silent-every,
// --silent-for, --power-cycle-every).
void add_sim_options(Options& options, sim::SimOptions& radio);

}  // namespace tovrak::hosts
