// basTOVRAK_Dll: what the component keeps once per apartment. The shared
// instance and its connector count, the port and timers, the receive buffer, the
// timing settings and the bookkeeping of the link, the control panel, the
// answer interpreter, the polling engine and the frequency ranges.
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

// The module's variables, grouped by the subsystem that owns them. Each member
// keeps the name it has in basTOVRAK_Dll in a comment.

// component/lifecycle: the shared instance.
struct LifecycleVariables {
  std::shared_ptr<TOVRAK_Protocol> shared_protocol;  // gSharedProtocol
  int16_t connector_count = 0;                       // gConnectorCount
};

// link/: the port and timers, the receive buffer, the timing settings and the
// bookkeeping of SendCAT.
struct LinkVariables {
  std::unique_ptr<PortAndTimers> port_and_timers;  // frmZELDll, once loaded
  std::string rx_buffer;                           // gRxBuffer
  float command_delay = 0.1f;                      // gCommandDelay
  float polling_delay = 0.01f;                     // gPollingDelay
  float error_delay = 3.0f;                        // gErrorDelay
  float after_command_delay = 1.0f;                // gAfterCommandDelay
  float last_send_time = 0.0f;                     // gLastSendTime
  float last_command_time = 0.0f;                  // gLastCommandTime
  VBool send_muted = VFalse;                       // gSendMuted
};

// forms/: the control panel, which shows the commands sent while it is open.
struct PanelVariables {
  VBool open = VFalse;                     // gPanelOpen
  ControlPanel* loaded = nullptr;          // the control panel while it is loaded
  std::unique_ptr<ControlPanel> instance;  // the apartment's control panel
};

// answers/: the guard of ReadBuffer and the interpreter's change detection.
struct AnswerVariables {
  VBool read_busy = VFalse;    // gReadBusy
  double last_freq = 0.0;      // gLastFreq
  int16_t last_mode = -1;      // gLastMode
  int16_t last_smeter = -1;    // gLastSMeter
  int16_t last_vfo = 0;        // gLastVFO
  StatusSnapshot prev_status;  // gPrevStatus
};

// polling/: the polling engine.
struct PollingVariables {
  VBool refresh_active = VFalse;  // gRefreshActive
  int16_t level_index = 0;        // gLevelIndex
  int16_t vfo_poll_index = 0;     // gVFOPollIndex
  int16_t poll_toggle = 0;        // gPollToggle
  VBool startup_query = VFalse;   // gStartupQuery
  VBool freq_changed = VFalse;    // gFreqChanged
  VBool poll_paused = VFalse;     // gPollPaused
};

// commands/frequency: the frequency ranges (index 0 unused).
struct RangeVariables {
  int16_t count = 1;                                         // gFreqRangeCount
  std::array<double, 6> min{0.0, 0.03, 0.0, 0.0, 0.0, 0.0};  // gFreqRangeMin
  std::array<double, 6> max{0.0, 60.0, 0.0, 0.0, 0.0, 0.0};  // gFreqRangeMax
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

  // The port and timers (frmZELDll), loaded on first need.
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
