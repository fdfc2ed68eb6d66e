#include "core/answers/character_codes.hpp"

#include "radio/modes.hpp"

namespace tovrak::core {

void ModeFromCode(std::string_view Code, int16_t& Mode, int16_t& Reverse) {
  Reverse = 0;
  if (Code.size() != 1) return;
  // A character outside the radio's table leaves the mode as the last answer
  // of this call left it.
  if (const radio::ModeChar* m = radio::FindModeChar(Code[0])) {
    Mode = static_cast<int16_t>(m->mode);
    Reverse = m->reverse ? 1 : 0;
  }
}

int16_t RFTFromCode(std::string_view Code) {
  if (Code.size() != 1) return 0;
  switch (Code[0]) {
    case '1':
    case '4':
      return 1;
    case '2':
    case '5':
      return 2;
    case '3':
    case '6':
      return 3;
    case '7':
    case '9':
      return 4;
    case '8':
    case 'A':
      return 5;
    default:
      return 0;
  }
}

}  // namespace tovrak::core
