// The serial port of a tovrak command, as its options give it (--port PATH,
// --speed N, --no-rts, --dtr: add_port_options in options.hpp reads them).
#pragma once

#include <stdexcept>
#include <string>

#include "tovrak/protocol.hpp"

namespace tovrak::hosts {

// A port setting the component refuses (a speed no serial port offers): a
// mistake in the command's options, told as a usage error.
struct PortRefused : std::invalid_argument {
  using std::invalid_argument::invalid_argument;
};

struct PortOptions {
  std::string path;  // empty: port number n means /dev/ttyS<n-1>
  std::string speed;
  bool rts = true;
  bool dtr = false;
  bool given = false;  // any of the options was given

  // Binds the port to the path (port number 1, the path naming its device)
  // and sets the lines and speed as a host would, before the port is opened.
  // Throws PortRefused when the component refuses one of them.
  void apply(TOVRAK_Protocol& rig) const;
};

}  // namespace tovrak::hosts
