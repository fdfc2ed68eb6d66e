// tovrak get / set / ptt on a station: the port opened, CAT on, and exactly
// the queries the names need asked through the component, without waiting
// for its polling timers: the status queries through its polling path, one
// after the other as their answers come, the S-meter likewise, the levels in
// one raw command. A value is printed only from an answer the radio gave
// during this call. The station's way out (its close) leaves the radio safe.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/cli/script.hpp"
#include "hosts/station/station.hpp"

namespace tovrak::hosts {

class OneShot {
 public:
  // The longest wait for the answers of one reading, in seconds: beyond the
  // component's error delay, after which an unanswered poll is asked again.
  static constexpr double kLongestWait = 4;
  // A poll whose answer has not come in this many seconds is given up, and
  // the next asked.
  static constexpr double kAskAgain = 0.5;

  OneShot(station::Station& station, ScriptPlatform& time);
  ~OneShot();
  OneShot(const OneShot&) = delete;
  OneShot& operator=(const OneShot&) = delete;

  TOVRAK_Protocol& rig() { return station_.rig(); }
  station::Station& station() { return station_; }

  // Opens the port and switches CAT on, with the component's spacing of
  // commands and polls set to none while the one-shot only asks; false with
  // SetPort's reason.
  bool open(std::string& error);
  // Asks the radio what the names (see names()) need and waits until their
  // answers are decoded; returns the names whose answers did not come.
  std::vector<std::string> read(const std::vector<std::string>& names);
  // Runs a change with the component's own spacing of commands; returns
  // what it wrote.
  template <class F>
  std::string change(F&& apply) {
    normal_timing();
    written_.clear();
    writing_ = true;
    apply();
    writing_ = false;
    quick_timing();
    return written_;
  }

  // The radio's last answer with this key during the latest reading ("IF",
  // "PC", "AG0"); empty when none came.
  std::string answer(const std::string& key) const;
  // The radio's identification (0 before its answer).
  int id() const { return id_; }
  // The radio's own memory switch from its last "IF" answer (the component
  // reads a nine-digit radio's mode character in its place).
  bool radio_in_memory() const;
  bool stopped() { return station_.apartment().stopping(); }
  double now() { return static_cast<double>(time_.elapsed_us()) / 1e6; }

 private:
  void heard(std::string_view bytes);
  void wrote(std::string_view bytes);
  void quick_timing();
  void normal_timing();

  station::Station& station_;
  ScriptPlatform& time_;
  std::string partial_;                       // an answer without its ";" yet
  std::map<std::string, std::string> heard_;  // the latest reading's answers by key
  int id_ = 0;
  std::vector<double> normal_ms_;  // the component's own delays, kept while quick
  bool writing_ = false;
  std::string written_;  // what a change wrote
  std::string asked_;    // the poll waiting for its answer ("FA", "SM0")
  double asked_at_ = 0;
};

// Every name the one-shot reads, in help order, with its help.
const std::vector<std::pair<std::string, std::string>>& names();
bool known_name(const std::string& name);

// Power in whole watts from the radio's 0..255 "PC" scale: the watts whose
// SetRFPower gives that step (so a power set reads back as set), else the
// nearest.
int watts_of(int step);

struct ShotOutput {
  bool json = false;
  // The endpoint is a sharing server, which releases a transmitter its
  // client keyed when the client leaves.
  bool shared = false;
  std::ostream& out;
  std::ostream& err;
  std::string command;  // "get", "set", "ptt": for messages
  std::string port;     // the port's name, for messages
};

// tovrak get NAME...: reads and prints; the exit status (0, 1 not read or
// no radio, 130 interrupted).
int run_get(OneShot& shot, const std::vector<std::string>& names, const ShotOutput& o);
// The change a set or ptt makes, checked before the port opens; throws
// std::invalid_argument with a usage message.
void check_change(const std::string& what, const std::string& value);
// tovrak set NAME VALUE / ptt on|off: changes, reads back and prints; the
// exit status (0, 1 refused, not read or no radio, 130 interrupted).
int run_set(OneShot& shot, const std::string& what, const std::string& value, const ShotOutput& o);

}  // namespace tovrak::hosts
