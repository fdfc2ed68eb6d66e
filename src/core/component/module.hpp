// basTOVRAK_Dll: what the component keeps once per apartment. The shared
// instance and its connector count, the port and timers, the receive buffer, the
// timing settings and the bookkeeping of the link, the answer interpreter and
// the polling engine.
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
  bool port_and_timers_loaded() const { return port_and_timers_ != nullptr; }

  // Ends the component in this apartment: the port and timers, and
  // the shared instance.
  void shutdown() override;
  bool alive() const { return alive_; }

  // Resets the timing settings to their defaults (every new instance does).
  void reset_timing();

  // ---- lifecycle
  std::shared_ptr<TOVRAK_Protocol> gSharedProtocol;
  int16_t gConnectorCount = 0;

  // ---- link
  std::string gRxBuffer;
  float gCommandDelay = 0.1f;
  float gPollingDelay = 0.01f;
  float gErrorDelay = 3.0f;
  float gAfterCommandDelay = 1.0f;
  float gLastSendTime = 0.0f;
  float gLastCommandTime = 0.0f;
  VBool gSendMuted = VFalse;
  VBool gPanelOpen = VFalse;
  ControlPanel* panel = nullptr;  // the control panel while it is loaded
  std::unique_ptr<ControlPanel> control_panel;

  // ---- answers
  VBool gReadBusy = VFalse;
  double gLastFreq = 0.0;
  int16_t gLastMode = -1;
  int16_t gLastSMeter = -1;
  int16_t gLastVFO = 0;
  StatusSnapshot gPrevStatus;

  // ---- polling
  VBool gRefreshActive = VFalse;
  int16_t gLevelIndex = 0;
  int16_t gVFOPollIndex = 0;
  int16_t gPollToggle = 0;
  VBool gStartupQuery = VFalse;
  VBool gFreqChanged = VFalse;
  VBool gPollPaused = VFalse;

  // ---- frequency ranges (index 0 unused)
  int16_t gFreqRangeCount = 1;
  std::array<double, 6> gFreqRangeMin{0.0, 0.03, 0.0, 0.0, 0.0, 0.0};
  std::array<double, 6> gFreqRangeMax{0.0, 60.0, 0.0, 0.0, 0.0, 0.0};

 private:
  platform::Apartment* apartment_;
  std::unique_ptr<PortAndTimers> port_and_timers_;
  bool alive_ = true;
};

}  // namespace tovrak::core
