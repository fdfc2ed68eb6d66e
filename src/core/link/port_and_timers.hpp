// The component's port and timers, which no one sees: the serial control
// ComDLL and the four timers of the polling engine, created when the
// component first needs one of them. On load it takes a connector of its own,
// so from then on the shared instance lives as long as the component is
// loaded in the apartment; its event handlers act on the shared instance
// (FormProtocol).
#pragma once

#include <memory>
#include <string>

#include "tovrak/platform.hpp"

namespace tovrak {
class TOVRAK_Connector;
}

namespace tovrak::core {

class Module;
class Protocol;

class PortAndTimers {
 public:
  explicit PortAndTimers(Module& module);
  ~PortAndTimers();
  // Takes a connector of its own and the shared instance it hands out.
  void Load();

  // The timers (in the order they are created) and the serial control.
  std::unique_ptr<platform::Timer> tmrPollVFO;      // 200 ms, off
  std::unique_ptr<platform::Timer> tmrLevels;       // 200 ms, off
  std::unique_ptr<platform::Timer> tmrStopPolling;  // 1000 ms, off
  std::unique_ptr<platform::Timer> tmrPolling;      // 175 ms, on
  std::unique_ptr<platform::SerialControl> ComDLL;

  std::unique_ptr<TOVRAK_Connector> FormConnector;
  std::shared_ptr<Protocol> FormProtocol;

  // Sets the interval of tmrPolling as the control panel does: 0 stops its
  // ticks; a value outside 0..65535 is refused with "Invalid property value".
  void SetPollingInterval(int32_t ms);

 private:
  void ComDLL_OnComm();
  void tmrPolling_Timer();
  void tmrLevels_Timer();
  void tmrPollVFO_Timer();
  void tmrStopPolling_Timer();

  Module& module_;
};

}  // namespace tovrak::core
