#include "core/link/port_and_timers.hpp"

#include "core/component/module.hpp"
#include "core/component/protocol.hpp"
#include "core/values/steps.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::core {

// Each event handler runs as one core::step: it has no caller to report a
// failure to.
PortAndTimers::PortAndTimers(Module& module) : module_(module) {
  auto& apt = module.apartment();
  tmrPollVFO = apt.create_timer(200, false, [this] { step([this] { tmrPollVFO_Timer(); }); });
  tmrLevels = apt.create_timer(200, false, [this] { step([this] { tmrLevels_Timer(); }); });
  tmrStopPolling =
      apt.create_timer(1000, false, [this] { step([this] { tmrStopPolling_Timer(); }); });
  tmrPolling = apt.create_timer(175, true, [this] { step([this] { tmrPolling_Timer(); }); });
  ComDLL = apt.create_serial();
  ComDLL->OnComm([this] { step([this] { ComDLL_OnComm(); }); });
}

PortAndTimers::~PortAndTimers() {
  // The timers and the port go before the connector, so no handler runs while
  // the rest is half gone.
  tmrPolling.reset();
  tmrStopPolling.reset();
  tmrLevels.reset();
  tmrPollVFO.reset();
  ComDLL.reset();
  FormProtocol.reset();
  FormConnector.reset();
}

void PortAndTimers::Load() {
  FormConnector = std::make_unique<TOVRAK_Connector>(module_.apartment());
  FormProtocol = std::static_pointer_cast<Protocol>(FormConnector->get_TOVRAK_Protocol());
}

void PortAndTimers::SetPollingInterval(int32_t ms) {
  if (ms < 0 || ms > 65535) throw ComError::invalid_property_value();
  tmrPolling->set_interval(ms);
}

void PortAndTimers::ComDLL_OnComm() {
  if (!FormProtocol) return;
  VBool read = VTrue;
  FormProtocol->ReadBuffer(module_.link.rx_buffer, read);
}

void PortAndTimers::tmrPolling_Timer() {
  if (FormProtocol) FormProtocol->tmrPolling_Timer();
}
void PortAndTimers::tmrLevels_Timer() {
  if (FormProtocol) FormProtocol->tmrLevels_Timer();
}
void PortAndTimers::tmrPollVFO_Timer() {
  if (FormProtocol) FormProtocol->tmrPollVFO_Timer();
}
void PortAndTimers::tmrStopPolling_Timer() {
  if (FormProtocol) FormProtocol->tmrStopPolling_Timer();
}

}  // namespace tovrak::core
