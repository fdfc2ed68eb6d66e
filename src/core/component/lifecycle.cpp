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
  if (!link.port_and_timers) {
    // They exist before their load runs, so that what the load does (a
    // connector of its own) finds them.
    link.port_and_timers = std::make_unique<PortAndTimers>(*this);
    link.port_and_timers->Load();
  }
  return *link.port_and_timers;
}

void Module::shutdown() {
  if (!alive_) return;
  alive_ = false;
  if (link.port_and_timers) {
    if (link.port_and_timers->ComDLL && link.port_and_timers->ComDLL->PortOpen()) {
      try {
        link.port_and_timers->ComDLL->PortOpen(false);
      } catch (const ComError&) {
      }
    }
  }
  panel.instance.reset();
  // Release in an order that never reaches half-destroyed port and timers.
  auto released = std::move(link.port_and_timers);
  released.reset();
  lifecycle.shared_protocol.reset();
}

void Module::reset_timing() {
  link.command_delay = 0.1f;
  link.polling_delay = 0.01f;
  link.error_delay = 3.0f;
  link.after_command_delay = 1.0f;
}

// ---------------------------------------------------------------- protocol

Protocol::Protocol(std::shared_ptr<Module> module) : m(*module), module_(std::move(module)) {
  s.About = "TOVRAK V" TOVRAK_VERSION_STRING;
  m.reset_timing();
  fill_capabilities(s.Property);
  // The interpreter's change detection starts over, so the first answers
  // raise their events.
  m.answers.last_freq = 0.0;
  m.answers.last_mode = -1;
  m.answers.last_smeter = -1;
  m.ranges.count = 1;
  m.ranges.min = {0.0, 0.03, 0.0, 0.0, 0.0, 0.0};
  m.ranges.max = {0.0, 60.0, 0.0, 0.0, 0.0, 0.0};
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
  if (!m.lifecycle.shared_protocol)
    m.lifecycle.shared_protocol = std::make_shared<core::Protocol>(module_);
  if (m.lifecycle.connector_count == INT16_MAX) throw ComError::overflow();
  ++m.lifecycle.connector_count;
}

TOVRAK_Connector::~TOVRAK_Connector() {
  auto& m = *module_;
  --m.lifecycle.connector_count;
  if (m.lifecycle.connector_count == 0) m.lifecycle.shared_protocol.reset();
}

std::shared_ptr<TOVRAK_Protocol> TOVRAK_Connector::get_TOVRAK_Protocol() const {
  return module_->lifecycle.shared_protocol;
}

int SettingsReadStep(TOVRAK_Protocol& rig) {
  auto* component = dynamic_cast<core::Protocol*>(&rig);
  return component ? component->m.polling.level_index : 0;
}

}  // namespace tovrak
