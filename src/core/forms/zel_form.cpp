#include "core/forms/zel_form.hpp"

#include "core/component/module.hpp"
#include "core/component/protocol.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::core {

namespace {

// An event handler of the form has no caller to report to: a failure inside
// one ends that handler and the apartment goes on.
template <class F>
void guarded(F&& f) {
  try {
    f();
  } catch (const ComError&) {
  }
}

}  // namespace

ZelForm::ZelForm(Module& module) : module_(module) {
  auto& apt = module.apartment();
  tmrPollVFO = apt.create_timer(200, false, [this] { guarded([this] { tmrPollVFO_Timer(); }); });
  tmrLevels = apt.create_timer(200, false, [this] { guarded([this] { tmrLevels_Timer(); }); });
  tmrStopPolling =
      apt.create_timer(1000, false, [this] { guarded([this] { tmrStopPolling_Timer(); }); });
  tmrPolling = apt.create_timer(175, true, [this] { guarded([this] { tmrPolling_Timer(); }); });
  ComDLL = apt.create_serial();
  ComDLL->OnComm([this] { guarded([this] { ComDLL_OnComm(); }); });
}

ZelForm::~ZelForm() {
  // The timers and the port go before the connector, so no handler runs on a
  // form that is half gone.
  tmrPolling.reset();
  tmrStopPolling.reset();
  tmrLevels.reset();
  tmrPollVFO.reset();
  ComDLL.reset();
  FormProtocol.reset();
  FormConnector.reset();
}

void ZelForm::Load() {
  FormConnector = std::make_unique<TOVRAK_Connector>(module_.apartment());
  FormProtocol = std::static_pointer_cast<Protocol>(FormConnector->get_TOVRAK_Protocol());
}

void ZelForm::SetPollingInterval(int32_t ms) {
  if (ms < 0 || ms > 65535) throw ComError::invalid_property_value();
  tmrPolling->set_interval(ms);
}

void ZelForm::ComDLL_OnComm() {
  if (!FormProtocol) return;
  VBool read = VTrue;
  FormProtocol->ReadBuffer(module_.gRxBuffer, read);
}

void ZelForm::tmrPolling_Timer() {
  if (FormProtocol) FormProtocol->tmrPolling_Timer();
}
void ZelForm::tmrLevels_Timer() {
  if (FormProtocol) FormProtocol->tmrLevels_Timer();
}
void ZelForm::tmrPollVFO_Timer() {
  if (FormProtocol) FormProtocol->tmrPollVFO_Timer();
}
void ZelForm::tmrStopPolling_Timer() {
  if (FormProtocol) FormProtocol->tmrStopPolling_Timer();
}

}  // namespace tovrak::core
