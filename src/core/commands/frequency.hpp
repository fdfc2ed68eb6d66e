// Frequencies on the wire: megahertz on the interface, fixed-width digit
// fields in the radio's commands.
#pragma once

#include <cstdint>
#include <string>

namespace tovrak::core {

// The digit field of a frequency (without letters or ";"). The radio that
// identifies as 570 takes nine decimal digits in hertz; every other one the
// packed form: eight digits in 10 Hz steps below 100 MHz, nine in hertz up to
// 1000 MHz, nine in 10 Hz units above. The sign is dropped.
std::string FreqDigits(double Freq, int16_t TransceiverID);

// The amateur band number 0..10 of a frequency, 11 outside every band.
int16_t BandOf(double Freq);

}  // namespace tovrak::core
