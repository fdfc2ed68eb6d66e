#include "hosts/cli/port_options.hpp"

namespace tovrak::hosts {

void PortOptions::apply(TOVRAK_Protocol& rig) const {
  rig.put_Port(1);
  if (!path.empty()) rig.SetPortDevice(path);
  rig.put_PortRTS(VBool::of(rts));
  rig.put_PortDTR(VBool::of(dtr));
  if (!speed.empty()) rig.put_PortSpeed(speed);
}

}  // namespace tovrak::hosts
