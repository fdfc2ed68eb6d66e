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

 private:
  station::Station& station_;
  ScriptPlatform& platform_;
};

// "help": one line per member, its use and its help text; "help NAME": the
// member's kinds, arguments and types, and its help text.
std::string member_help(const std::string& name);

// Why the component refused a Set... call, from its state: the port closed,
// CAT off, memory mode, the member's capability off, a value out of range.
// Empty when no reason is known.
std::string refusal_reason(TOVRAK_Protocol& rig, const std::string& member,
                           const std::vector<Variant>& args);

}  // namespace tovrak::hosts
