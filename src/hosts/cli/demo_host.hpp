// The scripted host of `tovrak demo`: what a station program does in half
// a minute (tunes across bands, changes mode and filter, sets levels, uses a
// memory and split, keys the transmitter for a moment), run on a station in
// real or virtual time.
#pragma once

#include <functional>
#include <string>

#include "hosts/cli/script.hpp"
#include "hosts/station/station.hpp"

namespace tovrak::hosts {

struct DemoRun {
  double seconds = 30;  // the host works this long
  // Asked between rounds: true ends the run (a signal, the q key).
  std::function<bool()> stop;
  // Each step done, with its result ("SetFreq(7.074) -> True").
  std::function<void(const std::string&)> log;
  // After each round (the screen, the keys).
  std::function<void()> round;
};

// Runs the host's steps at their times, on the station's component (its
// port open, CAT on), the time passing on `time` in rounds of 40 ms; a lost
// port is reopened, as a host that keeps going does. True
// when the host did all it had to, false when stopped first. The way out is
// the caller's: the station's close().
bool run_demo_host(station::Station& station, ScriptPlatform& time, const DemoRun& run);

}  // namespace tovrak::hosts
