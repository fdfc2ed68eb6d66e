// The component's lifetime in an apartment: the module, the connectors and the
// one shared TOVRAK_Protocol, and the creation of a control object.
#include "core/component/capability.hpp"
#include "core/component/module.hpp"
#include "core/component/protocol.hpp"
#include "core/forms/control_panel.hpp"
#include "core/link/port_and_timers.hpp"
#include "core/values/numbers.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/version.hpp"

namespace tovrak::core {

// ---------------------------------------------------------------- module

Module::Module(platform::Apartment& apartment) : apartment_(&apartment) {}

Module::~Module() = default;

std::shared_ptr<Module> Module::of(platform::Apartment& apartment) {
  auto& slot = apartment.module_slot();
  if (!slot) slot = std::make_shared<Module>(apartment);
  return std::static_pointer_cast<Module>(slot);
}

PortAndTimers& Module::port_and_timers() {
  if (!alive_) {
    throw ComError::with_text(91, "The component has ended in this apartment");
  }
  if (!port_and_timers_) {
    // They exist before their load runs, so that what the load does (a
    // connector of its own) finds them.
    port_and_timers_ = std::make_unique<PortAndTimers>(*this);
    port_and_timers_->Load();
  }
  return *port_and_timers_;
}

void Module::shutdown() {
  if (!alive_) return;
  alive_ = false;
  if (port_and_timers_) {
    if (port_and_timers_->ComDLL && port_and_timers_->ComDLL->PortOpen()) {
      try {
        port_and_timers_->ComDLL->PortOpen(false);
      } catch (const ComError&) {
      }
    }
  }
  control_panel.reset();
  // Release in an order that never reaches half-destroyed port and timers.
  auto released = std::move(port_and_timers_);
  released.reset();
  gSharedProtocol.reset();
}

void Module::reset_timing() {
  gCommandDelay = 0.1f;
  gPollingDelay = 0.01f;
  gErrorDelay = 3.0f;
  gAfterCommandDelay = 1.0f;
}

// ---------------------------------------------------------------- protocol

Protocol::Protocol(std::shared_ptr<Module> module) : m(*module), module_(std::move(module)) {
  s.About = "TOVRAK V" TOVRAK_VERSION_STRING;
  m.reset_timing();
  fill_capabilities(s.Property);
  // The interpreter's change detection starts over, so the first answers
  // raise their events.
  m.gLastFreq = 0.0;
  m.gLastMode = -1;
  m.gLastSMeter = -1;
  m.gFreqRangeCount = 1;
  m.gFreqRangeMin = {0.0, 0.03, 0.0, 0.0, 0.0, 0.0};
  m.gFreqRangeMax = {0.0, 60.0, 0.0, 0.0, 0.0, 0.0};
}

Protocol::~Protocol() = default;

std::string Protocol::vfo_digit() const { return decimal(s.VFO); }

}  // namespace tovrak::core

namespace tovrak {

std::shared_ptr<TOVRAK_Protocol> CreateProtocol(platform::Apartment& apartment) {
  return std::make_shared<core::Protocol>(core::Module::of(apartment));
}

// ---------------------------------------------------------------- connector

TOVRAK_Connector::TOVRAK_Connector(platform::Apartment& apartment)
    : module_(core::Module::of(apartment)) {
  auto& m = *module_;
  if (!m.alive()) throw ComError::with_text(91, "The component has ended in this apartment");
  if (!m.gSharedProtocol) m.gSharedProtocol = std::make_shared<core::Protocol>(module_);
  if (m.gConnectorCount == INT16_MAX) throw ComError::overflow();
  ++m.gConnectorCount;
}

TOVRAK_Connector::~TOVRAK_Connector() {
  auto& m = *module_;
  --m.gConnectorCount;
  if (m.gConnectorCount == 0) m.gSharedProtocol.reset();
}

std::shared_ptr<TOVRAK_Protocol> TOVRAK_Connector::get_TOVRAK_Protocol() const {
  return module_->gSharedProtocol;
}

int SettingsReadStep(TOVRAK_Protocol& rig) {
  auto* component = dynamic_cast<core::Protocol*>(&rig);
  return component ? component->m.gLevelIndex : 0;
}

}  // namespace tovrak
