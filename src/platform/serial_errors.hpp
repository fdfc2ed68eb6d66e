// The serial control's errors, named once for every platform (the numbers
// are those of the serial communications control hosts know), and the
// checks every platform makes the same way.
#pragma once

#include <cstdint>
#include <string>

namespace tovrak::platform::serial_error {

inline constexpr int kInvalidPropertyValue = 380;
inline constexpr int kInvalidPort = 8002;      // no such port, or it cannot be opened
inline constexpr int kPortAlreadyOpen = 8005;  // also: the port is in use elsewhere
inline constexpr int kHardwareUnavailable = 8010;
inline constexpr int kDeviceGone = 8012;     // the open device went away
inline constexpr int kCannotSetLine = 8015;  // the device refuses the line settings
inline constexpr int kPortNotOpen = 8018;

// Refusals, each raising ComError with its number and a text a user acts on.
[[noreturn]] void already_open();
[[noreturn]] void not_open();
// "Cannot <operation> <port>: the device is gone (<reason>); ...".
[[noreturn]] void device_gone(const std::string& operation, const std::string& port,
                              const std::string& reason);
// "Cannot open <port>: <why>" (kInvalidPort).
[[noreturn]] void cannot_open(const std::string& port, const std::string& why);
// "Cannot set the parameters of <port>: <why>" (kCannotSetLine).
[[noreturn]] void cannot_set_line(const std::string& port, const std::string& why);
// "Invalid property value: port settings "<text>": <why>".
[[noreturn]] void invalid_settings(const std::string& text, const std::string& why);

// Port numbers start at 1.
void check_port_number(int16_t port);
// Received bytes are delivered as bytes in either mode: 0 or 1.
void check_input_mode(int16_t mode);
// 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both.
void check_handshaking(int16_t mode);

}  // namespace tovrak::platform::serial_error
