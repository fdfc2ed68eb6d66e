// What the component keeps once per apartment: the shared instance and its
// connector count, the port and timers, the receive buffer, the timing
// settings and the bookkeeping of the link, the control panel, the answer
// interpreter, the polling engine and the frequency ranges.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tovrak/platform.hpp"
#include "tovrak/variant.hpp"

namespace tovrak {
class TOVRAK_Protocol;
class ControlPanel;
}  // namespace tovrak

namespace tovrak::core {

class Protocol;
class PortAndTimers;
using tovrak::ControlPanel;

// The tracked status items the consolidation step compares after each answer.
struct StatusSnapshot {
  std::array<int16_t, 11> items{};
  bool operator==(const StatusSnapshot&) const = default;
};

// The module's variables, grouped by the subsystem that owns them; each says
// what it is for.

// component/lifecycle: the shared instance.
struct LifecycleVariables {
  // The one control object every connector of the apartment hands out.
  std::shared_ptr<TOVRAK_Protocol> shared_protocol;
  // Connectors alive; the shared instance ends with the last.
  int16_t connector_count = 0;
};

// link/: the port and timers, the receive buffer, the timing settings and the
// bookkeeping of SendCAT.
struct LinkVariables {
  // The serial control and the four polling timers, once first needed.
  std::unique_ptr<PortAndTimers> port_and_timers;
  // Received text not yet cut into answers (the text after the last ";").
  std::string rx_buffer;
  // The timing settings, in seconds (the control panel edits them): the
  // least time between a control command and the write before it, between a
  // poll and the write before it, the span after a write within which the
  // spacing applies at all, and the hold-off of polls after a control
  // command.
  float command_delay = 0.1f;
  float polling_delay = 0.01f;
  float error_delay = 3.0f;
  float after_command_delay = 1.0f;
  // Time of day of the last write, and of the last control command.
  float last_send_time = 0.0f;
  float last_command_time = 0.0f;
  // True: nothing is written to the radio (SetData 1, 0 mutes the link).
  VBool send_muted = VFalse;
};

// forms/: the control panel, which shows the commands sent while it is open.
struct PanelVariables {
  VBool open = VFalse;                     // the panel is loaded: echo control commands
  ControlPanel* loaded = nullptr;          // the control panel while it is loaded
  std::unique_ptr<ControlPanel> instance;  // the apartment's control panel
};

// answers/: the guard of ReadBuffer and the interpreter's change detection.
struct AnswerVariables {
  VBool read_busy = VFalse;  // ReadBuffer runs: a nested call returns at once
  // What the consolidation step saw after the previous answer.
  double last_freq = 0.0;
  int16_t last_mode = -1;
  int16_t last_smeter = -1;
  int16_t last_vfo = 0;
  StatusSnapshot prev_status;
};

// polling/: the polling engine.
struct PollingVariables {
  VBool refresh_active = VFalse;  // a status cycle runs; the two sequences wait
  int16_t level_index = 0;        // step of the level sequence, 0 when it is not running
  int16_t vfo_poll_index = 0;     // step of the current-VFO sequence
  int16_t poll_toggle = 0;        // the next ordinary tick polls status (0) or S-meter (1)
  VBool startup_query = VFalse;   // the next ordinary tick asks for the AF gain once
  VBool freq_changed = VFalse;    // the receive frequency moved: ticks poll it
  VBool poll_paused = VFalse;     // a command paused polling (read by nothing yet)
};

// commands/frequency: the frequency ranges (index 0 unused).
struct RangeVariables {
  // The ranges a valid frequency lies in (MHz): `count` of them, from 1.
  int16_t count = 1;
  std::array<double, 6> min{0.0, 0.03, 0.0, 0.0, 0.0, 0.0};
  std::array<double, 6> max{0.0, 60.0, 0.0, 0.0, 0.0, 0.0};
};

class Module : public platform::ApartmentModule {
 public:
  explicit Module(platform::Apartment& apartment);
  ~Module() override;

  // The module of an apartment, created on first use.
  static std::shared_ptr<Module> of(platform::Apartment& apartment);

  platform::Apartment& apartment() { return *apartment_; }
  // Seconds since local midnight, single precision.
  float now() const { return apartment_->clock(); }

  // The port and timers, loaded on first need.
  PortAndTimers& port_and_timers();
  bool port_and_timers_loaded() const { return link.port_and_timers != nullptr; }

  // Ends the component in this apartment: the port and timers, and
  // the shared instance.
  void shutdown() override;
  bool alive() const { return alive_; }

  // Resets the timing settings to their defaults (every new instance does).
  void reset_timing();

  LifecycleVariables lifecycle;
  LinkVariables link;
  PanelVariables panel;
  AnswerVariables answers;
  PollingVariables polling;
  RangeVariables ranges;

 private:
  platform::Apartment* apartment_;
  bool alive_ = true;
};

}  // namespace tovrak::core
