// The CTCSS tone table.
#pragma once

#include <cstdint>

namespace tovrak::core {

// The tone number 0..49 of a tone in Hz, matched exactly in single
// precision; -1 when the tone is not in the table.
int16_t ToneCode(float CTCSS);

}  // namespace tovrak::core
