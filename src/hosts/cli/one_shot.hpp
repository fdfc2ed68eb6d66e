// The radio read once, for tovrak get / set / ptt: on a station, the port
// opened, CAT on, and the component left to read the radio until it knows
// what was asked for. The station's way out (its close) leaves the radio
// safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hosts/cli/script.hpp"
#include "hosts/station/station.hpp"

namespace tovrak::hosts {

class OneShot {
 public:
  // The longest wait for the radio, in seconds.
  static constexpr double kLongestWait = 12;
  // The time a change is given to reach the radio, in seconds.
  static constexpr double kSettle = 0.5;

  OneShot(station::Station& station, ScriptPlatform& time);
  ~OneShot();
  OneShot(const OneShot&) = delete;
  OneShot& operator=(const OneShot&) = delete;

  TOVRAK_Protocol& rig() { return station_.rig(); }
  station::Station& station() { return station_; }

  // Opens the port, switches CAT on and waits until the component has read
  // the radio's answers of these codes ("IF", "SM", ...); false with the
  // reason.
  bool connect(const std::vector<std::string>& answers, std::string& error);
  // Lets the component write a change it accepted; false with the reason
  // when the port was lost meanwhile. A transmitter the change keyed
  // (`keys`) is handed to the user, to stay keyed as asked, unless the
  // program was stopped first: then the way out releases it.
  bool complete(bool keys, std::string& why);
  // True once the program is asked to stop.
  bool stopped() { return station_.apartment().stopping(); }

 private:
  double now() { return static_cast<double>(time_.elapsed_us()) / 1e6; }
  bool seen(const std::string& code) const { return rx_.find(code) != std::string::npos; }

  station::Station& station_;
  ScriptPlatform& time_;
  std::string rx_;  // the radio's answers so far (the first 64 kB find one of each)
};

}  // namespace tovrak::hosts
