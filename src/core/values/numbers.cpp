#include "core/values/numbers.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "tovrak/errors.hpp"

namespace tovrak::core {

double read_number(std::string_view text) {
  bool negative = false;
  bool seen_sign = false;
  bool seen_point = false;
  bool seen_digit = false;
  // Digits are gathered without blanks and handed to from_chars, so that the
  // value is the correctly rounded double of the decimal text.
  std::string digits;
  for (char c : text) {
    if (c == ' ' || c == '\t') continue;
    if (c >= '0' && c <= '9') {
      digits.push_back(c);
      seen_digit = true;
    } else if ((c == '+' || c == '-') && !seen_sign && !seen_digit && !seen_point) {
      seen_sign = true;
      negative = c == '-';
    } else if (c == '.' && !seen_point) {
      seen_point = true;
      digits.push_back('.');
    } else {
      break;
    }
  }
  if (!seen_digit) return 0.0;
  double value = 0.0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return negative ? -value : value;
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

std::string_view field(std::string_view answer, int s, int n) {
  if (s < 1 || n <= 0 || static_cast<size_t>(s) > answer.size()) return {};
  return answer.substr(static_cast<size_t>(s - 1), static_cast<size_t>(n));
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
