// The settings text of a serial port, "speed,parity,data,stop" ("9600,N,8,1"),
// read the same way by every platform.
#pragma once

#include <string>

namespace tovrak::platform {

struct SerialSettings {
  int speed = 9600;
  char parity = 'N';  // N, E, O, M or S
  int data_bits = 8;  // 4..8
  int stop_bits = 1;  // 1 or 2; 15 means one and a half
};

// Reads a settings text; a malformed text or a speed no serial port offers
// raises ComError "Invalid property value" naming what is wrong.
SerialSettings parse_serial_settings(const std::string& text);

// The speeds serial ports offer (the Linux rates and the classic PC rates).
bool is_standard_speed(int speed);

}  // namespace tovrak::platform
