// The capability table: for each Set... function a fixed index, holding the
// largest valid parameter, or 0 when the function is not supported.
#pragma once

#include <array>
#include <cstdint>

namespace tovrak::core {

// Indexes of the entries the component writes at run time.
inline constexpr int kWidthLevelEntry = 49;
inline constexpr int kContourLevelEntry = 51;
inline constexpr int kNarrowEntry = 57;

// Fills the table with the radio's start-up values; entries 84..100 read 0.
void fill_capabilities(std::array<int16_t, 101>& table);

}  // namespace tovrak::core
