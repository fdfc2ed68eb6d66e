// Number texts of the radio's fields, written and read in one place for the
// whole system: zero-padded and signed decimals, runs of digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tovrak::radio {

// The identification whose frequency fields have nine digits (hertz); every
// other radio answers with eight.
constexpr int kNineDigitId = 570;
// The frequency digits of an answer from the radio with this identification.
constexpr size_t HertzWidth(int id) { return id == kNineDigitId ? 9 : 8; }

// Plain decimal with "0" put in front until it is at least `width`
// characters long; a longer text is kept whole and a minus sign counts as a
// character: ZeroPad(5, 3) is "005", ZeroPad(1234, 3) "1234", ZeroPad(-5, 3) "0-5".
std::string ZeroPad(int64_t v, size_t width);

// A sign ("+" for zero too) and the zero-padded magnitude: SignPad(-20, 4) is "-0020".
std::string SignPad(int64_t v, size_t width);

// True when `text` is one or more decimal digits and nothing else.
bool IsDigits(std::string_view text);

// The value of a run of decimal digits (one that IsDigits accepts).
int64_t DigitsValue(std::string_view digits);

// The text without the line ends and blanks in front of it, which the radio
// skips before a command.
std::string_view SkipBlanks(std::string_view text);

}  // namespace tovrak::radio
