#include "radio/state.hpp"

namespace tovrak::radio {

int64_t RadioState::receiver_hz(int r) const {
  if (r == 0 && memory_mode) return memories[static_cast<size_t>(channel)].hz;
  return vfo[static_cast<size_t>(r)].hz;
}

char RadioState::receiver_mode(int r) const {
  if (r == 0 && memory_mode) return memories[static_cast<size_t>(channel)].mode;
  return vfo[static_cast<size_t>(r)].mode;
}

void RadioState::set_receiver_mode(int r, char mode) {
  if (r == 0 && memory_mode) {
    memories[static_cast<size_t>(channel)].mode = mode;
  } else {
    vfo[static_cast<size_t>(r)].mode = mode;
  }
}

int RadioState::transmit_meter() const {
  if (!ptt) return 0;
  switch (meter) {
    case 0:
      return power_level * 9 / 10;  // PO
    case 1:
      return mic_gain < 255 ? mic_gain : 255;  // MIC
    case 2:
      return 30 + power_level / 3;  // IDD
    case 3:
      return 20;  // SWR
    case 4:
      return processor ? 80 : 0;  // COMP
    default:
      return 40;
  }
}

}  // namespace tovrak::radio
