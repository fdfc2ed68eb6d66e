// Reading the fields of an answer: positions count from 1 with the code at 1
// and 2; a field's value is its text read as a decimal number.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/values/numbers.hpp"

namespace tovrak::core {

// The value of the field at position s, n characters long.
inline double val(std::string_view answer, int s, int n) {
  return read_number(field(answer, s, n));
}
// The same, rounded half to even into a 16-bit field (overflow raises).
inline int16_t ival(std::string_view answer, int s, int n) { return to_i16(val(answer, s, n)); }
// One character of the answer, empty past its end.
inline std::string_view chr(std::string_view answer, int s) { return field(answer, s, 1); }

// The switch-and-level folding: the level while the function is on, the level
// plus 1000 while it is off.
inline int16_t fold(int16_t on, int16_t level) { return to_i16(level + (on == 1 ? 0 : 1000)); }

}  // namespace tovrak::core
