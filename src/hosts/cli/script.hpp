// Session scripts: a text of member calls and radio directives, run against the
// component, printing the wire, the results and the events in order.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/station/bytes_text.hpp"
#include "tovrak/platform.hpp"
#include "tovrak/protocol.hpp"
#include "tovrak/variant.hpp"

namespace tovrak::hosts {

struct Statement {
  enum class Kind { Let, Read, Call, Radio, Wait, Clock, FailOpen };
  Kind kind;
  int line;
  std::string name;           // member name (Let, Read, Call)
  std::vector<Variant> args;  // arguments; the value of a Let
  bool parenthesized = false;
  std::string text;     // Radio, FailOpen
  double number = 0.0;  // Wait (ms), Clock (s)
};

class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// Parses a whole script; raises ScriptError at the first line it cannot read.
std::vector<Statement> parse_script(std::string_view text);

// The longest @wait, in milliseconds: a day.
constexpr double kLongestWaitMs = 86'400'000;

// A value as the script prints it: integers plain; Double with up to 15
// significant digits and Single with up to 7, as the scripting host prints
// them (600000, 14.25, 0.5; an exponent only beyond that: 1E+15);
// True/False, strings in double quotes (with "" for a quote), Empty.
std::string format_value(const Variant& v);
// Bytes as the TX lines print them: printable text as it is, other bytes as
// \xNN (the wire log's form).
using station::format_bytes;
// Seconds with three decimals from microseconds.
std::string format_time(int64_t us);

// Where a script runs: the apartment, its clock, and what the radio end can
// be told to do.
class ScriptPlatform {
 public:
  virtual ~ScriptPlatform() = default;
  virtual platform::Apartment& apartment() = 0;
  // Time since the script started, in microseconds.
  virtual int64_t elapsed_us() = 0;
  // Lets the time pass while messages are processed.
  virtual void wait_ms(double ms) = 0;
  // Waits at most `ms`, returning as soon as the apartment did some work
  // (an answer read); in virtual time, the same as wait_ms.
  virtual void wait_for_work_ms(double ms) { wait_ms(ms); }
  // Directives of the virtual radio; a real port refuses them with a
  // ScriptError-worthy message (std::runtime_error).
  virtual void radio_sends(std::string_view bytes) = 0;
  virtual void set_clock(double seconds) = 0;
  virtual void fail_next_open(std::string description) = 0;
  // Observer of every write to the port.
  virtual void on_write(std::function<void(std::string_view)> observer) = 0;
};

// Runs one statement on the control object and prints its line; false when
// the call failed, with the call and its error in `failure` when given. A
// directive the platform refuses raises ScriptError.
bool run_statement(TOVRAK_Protocol& rig, const Statement& st, ScriptPlatform& platform,
                   std::ostream& out, std::string* failure = nullptr);

// What a runner of a whole script may want to know or say.
struct ScriptHooks {
  // Each failed call, with the line of its statement.
  std::function<void(int line, const std::string& failure)> failed;
  // Asked before each statement: true ends the script there.
  std::function<bool()> stop;
};

// Runs a parsed script on the shared TOVRAK_Protocol of the platform's
// apartment, writing one line per happening to `out`. `prepare`, when given,
// sets the control object up before the first statement. Returns the number
// of calls that failed.
int run_script(const std::vector<Statement>& script, ScriptPlatform& platform, std::ostream& out,
               const std::function<void(TOVRAK_Protocol&)>& prepare = {},
               const ScriptHooks& hooks = {});

}  // namespace tovrak::hosts
