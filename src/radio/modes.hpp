// The radio's modes: the mode characters its "MD", "IF", "OI" and
// memory-write texts carry, and the mode numbers of the component's
// interface (0 LSB, 1 USB, 2 CW, 3 AM, 4 FM, 5 FSK, 6 PKT, 7 WFM) with the
// translation both ways.
#pragma once

#include <span>
#include <string_view>

namespace tovrak::radio {

// The radio's mode characters.
namespace mode {
constexpr char kLsb = '1';
constexpr char kUsb = '2';
constexpr char kCw = '3';
constexpr char kFm = '4';
constexpr char kAm = '5';
constexpr char kFsk = '6';
constexpr char kCwR = '7';
constexpr char kPkt = '8';
constexpr char kFskR = '9';
constexpr char kPktFm = 'A';
constexpr char kFmN = 'B';
constexpr char kPktR = 'C';
constexpr char kAmN = 'D';
}  // namespace mode

// A mode character as the component reads it: its interface mode number and
// reverse flag. Only reverse CW and reverse FSK read as reversed; reverse
// packet reads as plain PKT.
struct ModeChar {
  char code;
  std::string_view name;
  int mode;
  bool reverse;
};

// Every mode character of the radio, in the order of the characters.
std::span<const ModeChar> ModeChars();
// The row of a mode character; nullptr for a character that is none.
const ModeChar* FindModeChar(char code);

// A mode of the interface and the characters that select it on the radio,
// without and with the reverse flag (wide FM is sent as FM).
struct InterfaceMode {
  int number;
  std::string_view name;
  char code;
  char reverse_code;
};

// The interface's modes 0..7 in number order.
std::span<const InterfaceMode> InterfaceModes();
// "LSB" .. "WFM"; "?" for a number outside 0..7.
std::string_view ModeName(int number);
// The number of a mode name ("usb" reads as "USB"); -1 for any other text.
int ModeNumber(std::string_view name);
// The character the radio is sent for a mode, with the reverse flag or
// without; '\0' for a number outside 0..7.
char ModeCode(int number, bool reverse);

}  // namespace tovrak::radio
