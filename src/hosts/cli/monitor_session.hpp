// A monitor's session with the radio, apart from its screen: on a station
// (which opens the port, switches CAT on and on the way out, however the
// monitor is left, releases a transmission the session started, switches
// CAT off and closes the port), it runs the statements typed or piped in,
// says why a Set... call was refused, and shows a call made while the port
// is lost with the loss.
#pragma once

#include <string>
#include <vector>

#include "hosts/cli/script.hpp"
#include "hosts/station/station.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::hosts {

class MonitorSession {
 public:
  MonitorSession(station::Station& station, ScriptPlatform& platform);
  MonitorSession(const MonitorSession&) = delete;
  MonitorSession& operator=(const MonitorSession&) = delete;

  // Opens the port and switches CAT on; false with the reason in `error`.
  bool open(std::string& error) { return station_.open(error); }
  // Runs the statements of one input line (line_number counts from 1, for
  // the messages); returns the printed lines, with the reason of a refusal
  // and the loss of the port.
  std::string execute(const std::string& line, int line_number);
  // Leaves the radio safe; returns what it did ("transmitter released").
  std::string close() { return station_.close(); }

  // The radio's answers as the component reads them.
  void heard(std::string_view answers);
  // Statements read from a pipe: the first "?" waits until the component
  // has read the radio's status once (the answers of its first status
  // cycle), the port is lost, or kLongestStatusWait has passed, so that it
  // prints the radio's values rather than the defaults.
  void wait_for_status() { wait_for_status_ = true; }
  static constexpr double kLongestStatusWait = 10;
  // True once every answer of the status cycle was heard.
  bool status_read() const;
  // Called as the component works: once the status has been read, has the
  // component read the radio's settings (levels, switches) once, which it
  // does not do by itself while it polls (PollLevels).
  void tick();

 private:
  station::Station& station_;
  ScriptPlatform& platform_;
  bool wait_for_status_ = false;
  bool settings_asked_ = false;
  std::string unfinished_;          // of the answers heard
  std::vector<std::string> heard_;  // the status cycle's codes heard so far
};

// True for a line that leaves the monitor: "q", "quit" or "exit", in any
// case, with spaces around.
bool leaves(const std::string& line);

// "help": one line per member, its use and its help text; "help NAME": the
// member's kinds, arguments and types, and its help text.
std::string member_help(const std::string& name);

// Why the component refused a Set... call, from its state: the port closed,
// CAT off, memory mode, the member's capability off, a value out of range.
// Empty when no reason is known.
std::string refusal_reason(TOVRAK_Protocol& rig, const std::string& member,
                           const std::vector<Variant>& args);

}  // namespace tovrak::hosts
