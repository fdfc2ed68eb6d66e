#include "platform/serial_errors.hpp"

#include "tovrak/errors.hpp"

namespace tovrak::platform::serial_error {

void already_open() { throw ComError::with_text(kPortAlreadyOpen, "Port already open"); }

void not_open() {
  throw ComError::with_text(kPortNotOpen, "Operation valid only when the port is open");
}

void device_gone(const std::string& operation, const std::string& port, const std::string& reason) {
  throw ComError::with_text(kDeviceGone, "Cannot " + operation + " " + port +
                                             ": the device is gone (" + reason +
                                             "); close the port and open it again once it is "
                                             "back");
}

void cannot_open(const std::string& port, const std::string& why) {
  throw ComError::with_text(kInvalidPort, "Cannot open " + port + ": " + why);
}

void cannot_set_line(const std::string& port, const std::string& why) {
  throw ComError::with_text(kCannotSetLine, "Cannot set the parameters of " + port + ": " + why);
}

void invalid_settings(const std::string& text, const std::string& why) {
  throw ComError::with_text(kInvalidPropertyValue,
                            "Invalid property value: port settings \"" + text + "\": " + why);
}

void check_port_number(int16_t port) {
  if (port < 1) {
    throw ComError::with_text(kInvalidPort, "Invalid port number " + std::to_string(port));
  }
}

void check_input_mode(int16_t mode) {
  if (mode != 0 && mode != 1) {
    throw ComError::with_text(kInvalidPropertyValue,
                              "Invalid property value: the input mode is 0 or 1");
  }
}

void check_handshaking(int16_t mode) {
  if (mode < 0 || mode > 3) {
    throw ComError::with_text(kInvalidPropertyValue,
                              "Invalid property value: handshaking is 0 (none), 1 (XON/XOFF), "
                              "2 (RTS/CTS) or 3 (RTS/CTS and XON/XOFF)");
  }
}

}  // namespace tovrak::platform::serial_error
