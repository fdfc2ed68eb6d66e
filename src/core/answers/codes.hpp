// Two-letter answer codes as one number, for dispatching on them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tovrak::core {

constexpr uint16_t code_of(char a, char b) {
  return static_cast<uint16_t>((static_cast<unsigned char>(a) << 8) |
                               static_cast<unsigned char>(b));
}

namespace codes {
constexpr uint16_t operator""_c(const char* s, size_t) { return code_of(s[0], s[1]); }
}  // namespace codes

}  // namespace tovrak::core
