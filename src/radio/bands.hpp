// What the radio tunes: its frequency range and the amateur bands its band
// command ("BS" and a band number) switches between.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tovrak::radio {

// The radio tunes from 30 kHz to 60 MHz, both ends included.
constexpr int64_t kMinHz = 30'000;
constexpr int64_t kMaxHz = 60'000'000;

// An amateur band, both ends included, and the frequency the radio takes
// when the band is chosen for the first time.
struct Band {
  int64_t lo_hz, hi_hz, start_hz;
};

// Bands 0..10; band 11 is every frequency outside them.
constexpr auto kBands = std::to_array<Band>({{1'500'000, 2'000'000, 1'840'000},
                                             {3'500'000, 4'000'000, 3'700'000},
                                             {5'000'000, 5'500'000, 5'357'000},
                                             {7'000'000, 7'500'000, 7'050'000},
                                             {10'000'000, 10'500'000, 10'120'000},
                                             {14'000'000, 14'500'000, 14'200'000},
                                             {18'000'000, 18'500'000, 18'100'000},
                                             {21'000'000, 21'500'000, 21'200'000},
                                             {24'500'000, 25'000'000, 24'940'000},
                                             {28'000'000, 30'000'000, 28'500'000},
                                             {50'000'000, 54'000'000, 50'150'000}});
constexpr int kOutsideBands = static_cast<int>(kBands.size());
constexpr int64_t kOutsideStartHz = 15'000'000;

// The band number 0..10 of a frequency, kOutsideBands outside every band.
int BandOf(int64_t hz);

// The frequency each band number 0..11 starts on.
using BandFrequencies = std::array<int64_t, kBands.size() + 1>;
constexpr BandFrequencies BandStarts() {
  BandFrequencies starts{};
  for (size_t i = 0; i < kBands.size(); ++i) starts[i] = kBands[i].start_hz;
  starts[kOutsideBands] = kOutsideStartHz;
  return starts;
}

}  // namespace tovrak::radio
