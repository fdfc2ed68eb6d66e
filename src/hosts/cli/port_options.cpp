#include "hosts/cli/port_options.hpp"

#include <stdexcept>

namespace tovrak::hosts {

bool PortOptions::take(const std::vector<std::string>& args, size_t& i) {
  const std::string& a = args[i];
  auto value = [&]() -> const std::string& {
    if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
    return args[++i];
  };
  if (a == "--port") {
    path = value();
  } else if (a == "--speed") {
    speed = value();
    if (speed.empty() || speed.find_first_not_of("0123456789") != std::string::npos) {
      throw std::invalid_argument("--speed takes a number of baud, not \"" + speed + "\"");
    }
  } else if (a == "--no-rts") {
    rts = false;
  } else if (a == "--dtr") {
    dtr = true;
  } else {
    return false;
  }
  given = true;
  return true;
}

void PortOptions::apply(TOVRAK_Protocol& rig) const {
  if (!path.empty()) rig.SetPortDevice(path);
  rig.put_PortRTS(VBool::of(rts));
  rig.put_PortDTR(VBool::of(dtr));
  if (!speed.empty()) rig.put_PortSpeed(speed);
}

}  // namespace tovrak::hosts
