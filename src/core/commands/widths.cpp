#include "core/commands/widths.hpp"

#include <array>

#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/values/arrays.hpp"

namespace tovrak::core {

namespace {

// Width by step 0..31 for SSB and for CW, FSK and PKT.
constexpr std::array<int16_t, 32> kSSB = {
    200,  200,  400,  600,  850,  1100, 1350, 1500, 1650, 1800, 1950, 2100, 2100, 2250, 2250, 2400,
    2400, 2400, 2450, 2450, 2500, 2600, 2700, 2800, 2900, 3000, 3200, 3400, 3600, 3800, 4000, 4000};
constexpr std::array<int16_t, 32> kCW = {
    25,  25,  50,  50,  100, 100,  200,  200,  200,  300,  300,  300,  400,  400,  400,  500,
    500, 500, 800, 800, 800, 1200, 1200, 1200, 1400, 1400, 1700, 1700, 2000, 2000, 2400, 2400};

constexpr std::array<int16_t, 12> kNarrowSSB = {200,  400,  600,  850,  1100, 1350,
                                                1500, 1650, 1800, 1950, 2100, 2250};
constexpr std::array<int16_t, 12> kNarrowCW = {25,  50,  100,  200,  300,  400,
                                               500, 800, 1200, 1400, 1700, 2000};
constexpr std::array<int16_t, 6> kNarrowData = {25, 50, 100, 200, 300, 400};

template <size_t N>
int16_t lookup(const std::array<int16_t, N>& table, int16_t i, int16_t otherwise) {
  return (i >= 0 && static_cast<size_t>(i) < N) ? table[static_cast<size_t>(i)] : otherwise;
}

}  // namespace

int16_t NarrowFilterWidth(int16_t Group, int16_t Index) {
  switch (Group) {
    case 0:
    case 1:
      return lookup(kNarrowSSB, Index, 4000);
    case 2:
      return lookup(kNarrowCW, Index, 4000);
    case 3:
      return 6000;
    case 4:
      return 9000;
    case 5:
    case 6:
      return lookup(kNarrowData, Index, 4000);
    default:
      return 4000;
  }
}

int16_t WideFilterWidth(int16_t Code, int16_t Mode) {
  switch (Mode) {
    case 0:
    case 1:
      return lookup(kSSB, Code, 2400);
    case 2:
    case 5:
    case 6:
      return lookup(kCW, Code, 2400);
    case 3:
      return 9000;
    case 4:
      return 16000;
    default:
      return 2400;
  }
}

int16_t Protocol::FilterWidth(int16_t Code, int16_t Mode, const Variant& VFO) {
  int16_t narrow = s.Property[cap::NarrowFlag];
  if (Mode < 0 || Mode > 6) return 2400;
  if (narrow == 0) return WideFilterWidth(Code, Mode);
  if (narrow != 1) return 2400;
  int32_t v = VFO.to_i32();
  if (v < 0 || v > 1) throw ComError::subscript_out_of_range();
  const auto& setting = s.NarrowSetting[static_cast<size_t>(v)];
  switch (Mode) {
    case 0:
    case 1:
      return NarrowFilterWidth(0, setting[0]);
    case 2:
      return NarrowFilterWidth(2, setting[1]);
    case 3:
      return NarrowFilterWidth(3, 0);
    case 4:
      return NarrowFilterWidth(4, 0);
    case 5:
      return NarrowFilterWidth(5, setting[2]);
    default:
      return NarrowFilterWidth(6, setting[3]);
  }
}

// AM and FM always have their own width and no IF shift.
void Protocol::AMFMWidth(int16_t Mode) {
  bool narrow = s.Property[cap::NarrowFlag] == 1;
  if (Mode == 3) {
    s.IFS = 0;
    s.BW = narrow ? 6000 : 9000;
  } else if (Mode == 4) {
    s.IFS = 0;
    s.BW = narrow ? 12500 : 25000;
  }
}

}  // namespace tovrak::core
