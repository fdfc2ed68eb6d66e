#include "transmit_guard.hpp"

#include <algorithm>

namespace tovrak::python {

void TransmitGuard::on_write(std::string_view bytes) {
  // The commands of one write, each ending in ';'.
  while (!bytes.empty()) {
    const size_t end = std::min(bytes.find(';'), bytes.size());
    const std::string_view command = bytes.substr(0, end);
    if (command == "TX0") keyed_ = false;
    if (command == "TX1" || command == "TX2") keyed_ = true;
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
  }
}

void TransmitGuard::release(TOVRAK_Protocol& rig) {
  if (!keyed_ || !rig.get_PortOpen()) return;
  int16_t off = 0;
  if (!rig.SetPTT(off)) {
    int16_t raw = 0;
    rig.SetCommand(raw, "TX0");
  }
}

}  // namespace tovrak::python
