#include "hosts/cli/port_options.hpp"

#include "tovrak/errors.hpp"

namespace tovrak::hosts {

void PortOptions::apply(TOVRAK_Protocol& rig) const {
  try {
    rig.put_Port(1);
    if (!path.empty()) rig.SetPortDevice(path);
    rig.put_PortRTS(VBool::of(rts));
    rig.put_PortDTR(VBool::of(dtr));
    if (!speed.empty()) rig.put_PortSpeed(speed);
  } catch (const ComError& e) {
    throw PortRefused(e.description());
  }
}

}  // namespace tovrak::hosts
