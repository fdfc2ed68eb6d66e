// Number semantics shared by every part of the component: reading a number
// from text the way answer fields are read, rounding into 16-bit fields, and
// the number texts of commands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tovrak::core {

// Reads text as a decimal number: blanks are skipped anywhere, an optional
// sign and one decimal point are accepted, reading stops at the first other
// character, and text without digits reads as 0.
double read_number(std::string_view text);

// Rounds to the nearest integer, a half going to the even neighbour.
double round_half_even(double x);

// Round half to even into a 16-bit value; outside -32768..32767 raises the
// overflow error.
int16_t to_i16(double x);
// Round half to even into a 32-bit value, with the overflow error.
int32_t to_i32(double x);
// Floor into a 16-bit value ("rounded down"), with the overflow error.
int16_t floor_i16(double x);
// Floor into a 32-bit value, with the overflow error.
int32_t floor_i32(double x);
// A double into single precision; beyond its range raises the overflow error.
float to_single(double x);

// Number texts of commands.
// Plain decimal, "-" in front of a negative value.
std::string decimal(int64_t x);
// decimal(x) with one "0" in front when x is below 10 ("05", "31", "0-2").
std::string two_digits(int64_t x);
// decimal(x) with one "0" in front when x is below 100 and one more when x is
// below 10, so 0..999 gives exactly three digits and -5 gives "00-5".
std::string three_digits(int64_t x);

// Text of a field of an answer: the n characters from 1-based position s, cut
// short at the end of the answer, empty when it starts past the end.
inline std::string_view field(std::string_view answer, int s, int n) {
  if (s < 1 || n <= 0 || static_cast<size_t>(s) > answer.size()) return {};
  return answer.substr(static_cast<size_t>(s - 1), static_cast<size_t>(n));
}

// Shortest text that reads back to the same value ("14.2", "0.03", "60").
std::string shortest(double x);
std::string shortest(float x);

}  // namespace tovrak::core
