#include "hosts/station/transmit_guard.hpp"

#include <algorithm>

#include "tovrak/errors.hpp"

namespace tovrak::station {

void TransmitGuard::on_write(std::string_view bytes) {
  // The commands of one write, each ending in ';'.
  for (std::string_view rest = bytes; !rest.empty();) {
    const size_t end = std::min(rest.find(';'), rest.size());
    const std::string_view c = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    if (c.size() == 3 && c[0] == 'T' && c[1] == 'X' && c[2] >= '0' && c[2] <= '9') {
      keyed_ = c[2] != '0';
    }
  }
}

std::string TransmitGuard::release(TOVRAK_Protocol& rig, const std::string& reason) {
  if (!keyed_) return "";
  if (!reason.empty()) return reason + ": the transmitter may still be on!";
  try {
    int16_t off = 0;
    if (!rig.SetPTT(off)) {
      int16_t raw = 0;
      rig.SetCommand(raw, "TX0");
    }
  } catch (const ComError& e) {
    return "releasing the transmitter failed: " + e.description();
  }
  if (keyed_) return "releasing the transmitter failed: the command did not reach the radio";
  return "transmitter released";
}

}  // namespace tovrak::station
