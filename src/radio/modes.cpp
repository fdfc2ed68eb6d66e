#include "radio/modes.hpp"

#include <array>

namespace tovrak::radio {

namespace {

constexpr auto kModeChars = std::to_array<ModeChar>({
    {mode::kLsb, "LSB", 0, false},
    {mode::kUsb, "USB", 1, false},
    {mode::kCw, "CW", 2, false},
    {mode::kFm, "FM", 4, false},
    {mode::kAm, "AM", 3, false},
    {mode::kFsk, "FSK", 5, false},
    {mode::kCwR, "CW-R", 2, true},
    {mode::kPkt, "PKT", 6, false},
    {mode::kFskR, "FSK-R", 5, true},
    {mode::kPktFm, "PKT-FM", 6, false},
    {mode::kFmN, "FM-N", 4, false},
    {mode::kPktR, "PKT-R", 6, false},
    {mode::kAmN, "AM-N", 3, false},
});

constexpr auto kInterfaceModes = std::to_array<InterfaceMode>({
    {0, "LSB", mode::kLsb, mode::kLsb},
    {1, "USB", mode::kUsb, mode::kUsb},
    {2, "CW", mode::kCw, mode::kCwR},
    {3, "AM", mode::kAm, mode::kAm},
    {4, "FM", mode::kFm, mode::kFm},
    {5, "FSK", mode::kFsk, mode::kFskR},
    {6, "PKT", mode::kPkt, mode::kPktR},
    {7, "WFM", mode::kFm, mode::kFm},
});

bool valid_number(int number) {
  return number >= 0 && number < static_cast<int>(kInterfaceModes.size());
}

}  // namespace

std::span<const ModeChar> ModeChars() { return kModeChars; }

const ModeChar* FindModeChar(char code) {
  for (const ModeChar& m : kModeChars) {
    if (m.code == code) return &m;
  }
  return nullptr;
}

std::span<const InterfaceMode> InterfaceModes() { return kInterfaceModes; }

std::string_view ModeName(int number) {
  return valid_number(number) ? kInterfaceModes[static_cast<size_t>(number)].name : "?";
}

int ModeNumber(std::string_view name) {
  for (const InterfaceMode& m : kInterfaceModes) {
    bool same = m.name.size() == name.size();
    for (size_t i = 0; same && i < name.size(); ++i) {
      char c = name[i];
      same = (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) == m.name[i];
    }
    if (same) return m.number;
  }
  return -1;
}

char ModeCode(int number, bool reverse) {
  if (!valid_number(number)) return '\0';
  const InterfaceMode& m = kInterfaceModes[static_cast<size_t>(number)];
  return reverse ? m.reverse_code : m.code;
}

}  // namespace tovrak::radio
