// Whether the program keyed the transmitter through this module, and its
// release on the way out: the apartment watches every write to its ports,
// "TX1;" and "TX2;" key the transmitter and "TX0;" releases it. The apartment
// releases a transmission still keyed when KeyboardInterrupt leaves one of
// its calls, when the program's last connector goes, and at interpreter exit.
#pragma once

#include <string_view>

#include "tovrak/protocol.hpp"

namespace tovrak::python {

class TransmitGuard {
 public:
  void on_write(std::string_view bytes);
  bool keyed() const { return keyed_; }
  // SetPTT(0), or the release command itself when the component refuses
  // SetPTT; nothing when the port is closed.
  void release(TOVRAK_Protocol& rig);

 private:
  bool keyed_ = false;
};

}  // namespace tovrak::python
