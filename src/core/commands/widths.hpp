// Passband width tables: the radio's width step or narrow-filter setting in
// hertz.
#pragma once

#include <cstdint>

namespace tovrak::core {

// The width in Hz of narrow-filter setting `Index` of mode group `Group`
// (0, 1 SSB; 2 CW; 3 AM; 4 FM; 5, 6 FSK and PKT).
int16_t NarrowFilterWidth(int16_t Group, int16_t Index);

// The width in Hz of width step `Code` in `Mode` with the narrow filter off.
int16_t WideFilterWidth(int16_t Code, int16_t Mode);

}  // namespace tovrak::core
