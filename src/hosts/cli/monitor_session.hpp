// A monitor's session with the radio, apart from its screen: opens the port
// and switches CAT on, runs the statements typed or piped in, says why a
// Set... call was refused, and on the way out (however it is left) releases
// a transmission the session started before it switches CAT off and closes
// the port.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "hosts/cli/script.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::hosts {

// Whether this program keyed the transmitter, from the commands it wrote.
class TransmitGuard {
 public:
  // Every write to the port: "TX1;"/"TX2;" key the transmitter, "TX0;"
  // releases it.
  void on_write(std::string_view bytes);
  bool keyed() const { return keyed_; }
  // Releases a transmission this program started: through SetPTT, or, when
  // the component refuses it, the release command itself. Returns what was
  // done, empty when there was nothing to release.
  std::string release(TOVRAK_Protocol& rig);

 private:
  bool keyed_ = false;
};

class MonitorSession {
 public:
  MonitorSession(TOVRAK_Protocol& rig, ScriptPlatform& platform);
  ~MonitorSession();  // close()
  MonitorSession(const MonitorSession&) = delete;
  MonitorSession& operator=(const MonitorSession&) = delete;

  // Opens the port and switches CAT on; false with the reason in `error`.
  bool open(std::string& error);
  // Runs the statements of one input line (line_number counts from 1, for
  // the messages); returns the printed lines, with the reason of a refusal.
  std::string execute(const std::string& line, int line_number);
  // Every write to the port goes here (the host wires its observer).
  void on_write(std::string_view bytes) { guard_.on_write(bytes); }
  // Leaves the radio safe; returns what it did ("transmitter released").
  std::string close();
  bool closed() const { return closed_; }

 private:
  TOVRAK_Protocol& rig_;
  ScriptPlatform& platform_;
  TransmitGuard guard_;
  bool closed_ = true;
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
