// The serial port of a tovrak command, as its options give it (--port PATH,
// --speed N, --no-rts, --dtr: add_port_options in options.hpp reads them).
#pragma once

#include <string>

#include "tovrak/protocol.hpp"

namespace tovrak::hosts {

struct PortOptions {
  std::string path;  // empty: port number n means /dev/ttyS<n-1>
  std::string speed;
  bool rts = true;
  bool dtr = false;
  bool given = false;  // any of the options was given

  // Binds the port to the path (port number 1, the path naming its device)
  // and sets the lines and speed as a host would, before the port is opened.
  void apply(TOVRAK_Protocol& rig) const;
};

}  // namespace tovrak::hosts
