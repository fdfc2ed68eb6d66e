#include "radio/bands.hpp"

namespace tovrak::radio {

int BandOf(int64_t hz) {
  for (size_t i = 0; i < kBands.size(); ++i) {
    if (hz >= kBands[i].lo_hz && hz <= kBands[i].hi_hz) return static_cast<int>(i);
  }
  return kOutsideBands;
}

}  // namespace tovrak::radio
