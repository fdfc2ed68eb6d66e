// The options of every tovrak command that talks to a serial port:
// --port PATH, --speed N, --no-rts, --dtr.
#pragma once

#include <string>
#include <vector>

#include "tovrak/protocol.hpp"

namespace tovrak::hosts {

struct PortOptions {
  std::string path;  // empty: port number n means /dev/ttyS<n-1>
  std::string speed;
  bool rts = true;
  bool dtr = false;
  bool given = false;  // any of the options was given

  // Takes the option at args[i] (and its value); false if it is none of them.
  // Raises std::invalid_argument for a missing or bad value.
  bool take(const std::vector<std::string>& args, size_t& i);
  // Binds the port to the path and sets the lines and speed as a host would,
  // before the port is opened.
  void apply(TOVRAK_Protocol& rig) const;

  static constexpr const char* kHelp =
      "  --port PATH   the serial device (/dev/ttyUSB0, /dev/ttyACM0, a pseudo-terminal...);\n"
      "                without it, port number n means /dev/ttyS<n-1>\n"
      "  --speed N     the speed in baud (4800, 9600, 38400, ...)\n"
      "  --no-rts      no RTS line and no RTS/CTS handshaking\n"
      "  --dtr         raise the DTR line\n";
};

}  // namespace tovrak::hosts
