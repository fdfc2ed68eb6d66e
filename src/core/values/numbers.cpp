#include "core/values/numbers.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "tovrak/errors.hpp"

namespace tovrak::core {

namespace {

// Walks a number as answer fields are read: blanks skipped anywhere, an
// optional sign, digits with one decimal point, up to the first other
// character. Hands each digit to `digit(d, after_point)`; returns whether
// there was one, and the sign.
struct Scanned {
  bool any_digit = false;
  bool negative = false;
};
template <class Digit>
Scanned scan_number(std::string_view text, Digit&& digit) {
  Scanned r;
  bool seen_sign = false;
  bool seen_point = false;
  for (char c : text) {
    if (c == ' ' || c == '\t') continue;
    const unsigned d = static_cast<unsigned char>(c) - unsigned{'0'};
    if (d <= 9) {
      digit(d, seen_point);
      r.any_digit = true;
    } else if ((c == '+' || c == '-') && !seen_sign && !r.any_digit && !seen_point) {
      seen_sign = true;
      r.negative = c == '-';
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
  }
  return r;
}

// Texts up to this long hold at most 15 digits: an integer a double holds
// exactly, as it holds every power of ten up to 1e15.
constexpr size_t kShortText = 15;
constexpr std::array<double, kShortText + 1> kPowersOfTen = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Longer texts: the digits without blanks, read by from_chars (kept out of
// line, so that the short fields' path stays lean).
[[gnu::noinline]] double read_long_number(std::string_view text) {
  std::string digits;
  size_t point = std::string::npos;
  const Scanned n = scan_number(text, [&](unsigned d, bool after_point) {
    if (after_point && point == std::string::npos) point = digits.size();
    digits.push_back(static_cast<char>('0' + d));
  });
  if (!n.any_digit) return 0.0;
  if (point != std::string::npos) digits.insert(point, 1, '.');
  double value = 0.0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return n.negative ? -value : value;
}

}  // namespace

double read_number(std::string_view text) {
  if (text.size() > kShortText) return read_long_number(text);
  // The fields of answers are short: their digits make an exact integer, and
  // dividing it by an exact power of ten rounds once, to the nearest double
  // of the decimal text.
  uint64_t digits = 0;
  size_t decimals = 0;
  const Scanned n = scan_number(text, [&](unsigned d, bool after_point) {
    digits = digits * 10 + d;
    decimals += after_point ? 1 : 0;
  });
  if (!n.any_digit) return 0.0;
  const double value = static_cast<double>(digits) / kPowersOfTen[decimals];
  return n.negative ? -value : value;
}

// The default floating-point rounding mode is to nearest, ties to even.
double round_half_even(double x) { return std::nearbyint(x); }

namespace {

template <class T>
T checked(double r) {
  if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
        r <= static_cast<double>(std::numeric_limits<T>::max()))) {
    throw ComError::overflow();
  }
  return static_cast<T>(r);
}

}  // namespace

int16_t to_i16(double x) { return checked<int16_t>(round_half_even(x)); }
int32_t to_i32(double x) { return checked<int32_t>(round_half_even(x)); }
int16_t floor_i16(double x) { return checked<int16_t>(std::floor(x)); }
int32_t floor_i32(double x) { return checked<int32_t>(std::floor(x)); }

float to_single(double x) {
  if (std::isfinite(x) && std::fabs(x) > static_cast<double>(std::numeric_limits<float>::max())) {
    throw ComError::overflow();
  }
  return static_cast<float>(x);
}

std::string decimal(int64_t x) { return std::to_string(x); }

std::string two_digits(int64_t x) {
  std::string s = decimal(x);
  if (x < 10) s.insert(0, 1, '0');
  return s;
}

std::string three_digits(int64_t x) {
  std::string s = decimal(x);
  if (x < 100) s.insert(0, 1, '0');
  if (x < 10) s.insert(0, 1, '0');
  return s;
}

namespace {

template <class T>
std::string shortest_impl(T x) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x < 0 ? "-Infinity" : "Infinity";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, x);
  return std::string(buf, res.ptr);
}

}  // namespace

std::string shortest(double x) { return shortest_impl(x); }
std::string shortest(float x) { return shortest_impl(x); }

}  // namespace tovrak::core
