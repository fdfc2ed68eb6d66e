// The decoders of the radio's one-character codes: modes (by the radio
// layer's mode table) and roofing filters.
#pragma once

#include <cstdint>
#include <string_view>

namespace tovrak::core {

// Sets Reverse to 0, then Mode (and Reverse where the code says so) from the
// radio's mode character; a character outside the table leaves Mode as it is.
void ModeFromCode(std::string_view Code, int16_t& Mode, int16_t& Reverse);

// The RFT value of the radio's roofing-filter character; 0 for any other.
int16_t RFTFromCode(std::string_view Code);

}  // namespace tovrak::core
