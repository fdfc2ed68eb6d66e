// The simulated radio: the radio's side of the CAT wire. A deterministic,
// single-threaded model of the transceiver that reads the commands the
// component writes, answers in the layouts the component's decoders read,
// applies settings, and lives on its own between commands: an operator at the
// front panel, an S-meter that moves like a band with signals, scanning, the
// antenna tuner, silence and power cycles; its answers leave through a line
// with the faults of a real one (fault_line.hpp).
//
// Time is given to the radio in microseconds by whoever drives it: the
// virtual apartment (sim_link) or the wall clock (real_time_radio). Everything the
// radio does is a function of its options, its seed and the calls made.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/sim/fault_line.hpp"
#include "radio/state.hpp"

namespace tovrak::sim {

// The simulated radio keeps its state in the radio layer's terms.
using radio::Memory;
using radio::RadioState;
using radio::Receiver;
using radio::Vfo;
namespace mode = radio::mode;

struct SimOptions {
  // Identification number of the "ID" answer. 570 gives 9-digit frequency
  // fields ("FA" answers of 11 characters); any other number 8 digits (10).
  int id = 570;
  // Seed of everything random: the operator, the band's signals, the line's
  // faults. The same seed and the same commands at the same times give the
  // same answers at the same times.
  uint64_t seed = 1;
  // A simulated operator now and then tunes, changes mode, moves levels.
  bool operator_on = false;
  // Time from the ";" of a command to its answer leaving the radio.
  int64_t latency_us = 0;
  // The faults of the line the answers leave through.
  LineFaults faults{};
  // Periodic silence (neither hears nor answers) and power cycles; 0: never.
  int64_t silent_every_us = 0;
  int64_t silent_for_us = 5'000'000;
  int64_t power_cycle_every_us = 0;
  int64_t power_off_for_us = 2'000'000;
};

struct SimStats {
  int64_t commands = 0;
  int64_t answers = 0;
  int64_t unknown = 0;  // "?;" answers
};

class SimRadio {
 public:
  static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

  explicit SimRadio(SimOptions options = {}, int64_t start_us = 0);

  const SimOptions& options() const { return opt_; }
  const RadioState& state() const { return s_; }
  const SimStats& stats() const { return stats_; }
  // What the line did to the answers.
  const LineStats& line_stats() const { return line_.stats(); }
  // The line's faults from now on.
  void set_line_faults(const LineFaults& faults) { line_.set_faults(faults); }
  // The radio's time: the last time given to it, or while bytes leave, the
  // time they leave.
  int64_t now_us() const { return now_; }

  // Where the radio's bytes go, at the time they leave the radio.
  void on_send(std::function<void(std::string_view)> sink) { sink_ = std::move(sink); }
  // Told whenever something new becomes due (the time is next_event_us()),
  // so that a driver can wake the radio then.
  void on_due(std::function<void(int64_t at_us)> f) { due_ = std::move(f); }

  // Bytes the component wrote, arriving at now_us. Commands end at ";";
  // text after the last ";" waits for the rest.
  void receive(std::string_view bytes, int64_t now_us);
  // Radio time passes up to now_us: operator, S-meter, scanning, answers
  // leaving and arriving, silence and power cycles.
  void advance(int64_t now_us);
  // When something is next due; kNever when nothing is.
  int64_t next_event_us() const;

  // From outside: the radio neither hears nor answers for a span (a cable
  // pulled, a radio busy with itself).
  void go_silent(int64_t now_us, int64_t span_us);
  // Switched off and on again; on again after off_us. Afterwards automatic
  // information is off, as after "PS0" and "PS1".
  void power_cycle(int64_t now_us, int64_t off_us = 0);
  // The power switch.
  void set_power(bool on, int64_t now_us);
  // The simulated operator comes to the radio or leaves it.
  void set_operator(bool on, int64_t now_us);

  // The front panel, as the operator works it. Each acts at now_us and, with
  // automatic information on, the radio reports what changed.
  bool turn_dial(int64_t delta_hz, int64_t now_us);
  bool set_frequency(int vfo, int64_t hz, int64_t now_us);
  bool set_mode(char mode_char, int64_t now_us);
  bool select_vfo(int vfo, int64_t now_us);
  bool set_split(bool on, int64_t now_us);
  // Any setting in the radio's own command text ("AG0120", "SH016",
  // "EX086-10"...), made by hand: applied like the command, reported like
  // an own change. False when the radio refuses it.
  bool panel(std::string_view setting, int64_t now_us);

  // The signal the band holds at a frequency for a passband, 0..255, at a
  // time: what the S-meter shows before the receiver's own settings.
  int band_signal(int64_t hz, int width_hz, int64_t at_us) const;

 private:
  enum class Origin { kCat, kPanel, kReport };
  struct Out {
    int64_t at;
    std::string bytes;
  };

  // Commands.
  void execute(std::string_view cmd);
  void dispatch(std::string_view cmd);
  void answer(std::string text);
  void refuse();
  void report(std::string_view query);
  void emit(std::string bytes);
  void notify_due();
  void step_to(int64_t t);
  void deliver_due(int64_t t);

  // Radio life.
  void power_off();
  void power_on();
  void operator_acts();
  void scan_step();
  void update_meters();
  int receiver_level(int r) const;
  int width_hz(int r) const;

  // Front panel and operator.
  bool apply_panel(std::string_view setting);
  std::string dial_setting(int64_t delta_hz) const;
  std::string frequency_setting(int vfo, int64_t hz) const;
  std::vector<std::string> reports_for(std::string_view setting) const;

  // The settings the radio acts on beyond storing their value.
  void cmd_band(size_t band);
  void cmd_memory_recall(int channel);
  void cmd_scan(int direction);

  SimOptions opt_;
  RadioState s_;
  SimStats stats_;
  std::function<void(std::string_view)> sink_;
  std::function<void(int64_t)> due_;
  int64_t now_ = 0;

  std::string input_;
  std::deque<Out> out_;
  int64_t out_tail_ = 0;  // answers leave in order: none before this time
  Origin origin_ = Origin::kCat;
  bool refused_ = false;

  Dice op_rng_;
  FaultLine line_;
  int64_t next_meter_ = kNever;
  int64_t next_op_ = kNever;
  int op_burst_left_ = 0;
  int64_t op_burst_step_ = 0;
  int64_t next_scan_ = kNever;
  int64_t tune_done_ = kNever;
  int64_t silent_until_ = 0;
  int64_t next_silence_ = kNever;
  int64_t next_power_cycle_ = kNever;
  int64_t power_on_at_ = kNever;
};

}  // namespace tovrak::sim
