// tovrak script --port: a session script run on a station. The station
// watches the port: a lost port is named on the error stream when it goes,
// and fails the run. On every way out (the script's end, a statement that
// raises, a stop request) the station leaves the radio safe, and what its
// transmit guard did is said on the error stream.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "hosts/cli/script.hpp"
#include "hosts/station/station.hpp"

namespace tovrak::hosts {

struct StationScript {
  std::string where;  // the script's name in messages ("session.txt", "stdin")
  std::function<void(TOVRAK_Protocol&)> prepare;
  std::function<bool()> stop;  // asked before each statement
};

// Runs the script on the station's component, the time passing on `time`.
// Returns the exit status: 0 every call succeeded, 1 a call failed or the
// port was lost, 130 stopped. A ScriptError of a statement passes through,
// after the way out.
int run_on_station(const std::vector<Statement>& script, station::Station& station,
                   ScriptPlatform& time, std::ostream& out, std::ostream& err,
                   const StationScript& how);

}  // namespace tovrak::hosts
