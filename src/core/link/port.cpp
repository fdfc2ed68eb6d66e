// Choosing, configuring, opening and closing the serial port.
#include "core/component/protocol.hpp"
#include "core/link/port_and_timers.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::core {

platform::SerialControl& Protocol::ComDLL() { return *m.port_and_timers().ComDLL; }

// While the port is open only the field changes; the control takes the number
// at the next assignment made while closed.
void Protocol::put_Port(int16_t value) {
  s.Port = value;
  auto& com = ComDLL();
  if (!com.PortOpen()) com.CommPort(value);
}

void Protocol::put_PortSpeed(std::string value) {
  s.PortSpeed = std::move(value);
  s.PortSettings = s.PortSpeed + ",N,8,1";
  auto& com = ComDLL();
  if (com.PortOpen()) return;
  com.Settings(s.PortSettings);
  com.InputMode(1);  // received data as bytes
  // Handshaking follows PortRTS only here, when the speed is applied.
  com.Handshaking(s.PortRTS ? 2 : 0);
}

void Protocol::put_PortDTR(VBool value) {
  s.PortDTR = value;
  ComDLL().DTREnable(static_cast<bool>(value));
}

void Protocol::put_PortRTS(VBool value) {
  s.PortRTS = value;
  ComDLL().RTSEnable(static_cast<bool>(value));
}

VBool Protocol::SetPort(VBool& PortOpen, std::string& /*Address*/, std::string& /*Code*/,
                        std::string& MSG) {
  try {
    ComDLL().PortOpen(static_cast<bool>(PortOpen));
  } catch (const ComError& e) {
    // The field keeps its value; the caller learns why in MSG.
    MSG = e.description();
    return VFalse;
  }
  s.PortOpen = VBool::of(static_cast<bool>(PortOpen));
  MSG.clear();
  if (PortOpen) {
    // The first answers after opening raise their events again.
    m.answers.last_mode = -1;
    m.answers.last_freq = 0.0;
    m.answers.last_smeter = -1;
  }
  return VTrue;
}

void Protocol::SetPortDevice(const std::string& locator) { ComDLL().Device(locator); }

std::string Protocol::GetPortDevice() { return ComDLL().Device(); }

}  // namespace tovrak::core
