#include "core/commands/frequency.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/component/protocol.hpp"
#include "core/values/numbers.hpp"
#include "radio/bands.hpp"
#include "radio/digits.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::core {

namespace {

// A whole number as plain decimal text with at most 15 significant digits:
// no exponent, however large (1E+20 becomes 1 and twenty zeros).
std::string plain_whole(double whole) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", whole);
  std::string text = buf;
  const size_t e = text.find('E');
  if (e == std::string::npos) return text;
  const int exponent = std::atoi(text.c_str() + e + 1);
  std::string digits = text.substr(0, e);
  std::erase(digits, '.');
  if (static_cast<int>(digits.size()) < exponent + 1) {
    digits.append(static_cast<size_t>(exponent + 1) - digits.size(), '0');
  }
  return digits;
}

// Hertz as plain decimal text with at most 15 significant digits. A fraction
// of a hertz would put a decimal point into the command: it is rounded to
// the nearest whole hertz instead.
std::string decimal_hertz(double hz) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", hz);
  if (std::string_view(buf).find_first_of(".E") == std::string_view::npos) return buf;
  return plain_whole(round_half_even(hz));
}

std::string packed_digits(double freq) {
  const double f0 = std::fabs(freq);
  double f = f0;
  // Each digit is a 16-bit value; a frequency too large for that overflows.
  auto trunc16 = [](double x) {
    double t = std::trunc(x);
    if (!(t >= -32768 && t <= 32767)) throw ComError::overflow();
    return static_cast<int>(t);
  };
  std::array<int, 11> d{};
  // Split into decimal digits by truncating division, each step with a small
  // correction against floating-point error; d3 and d7 are fillers.
  d[0] = trunc16(f / 100 + 1e-7);
  if (f >= 100) f = f - d[0] * 100;
  d[1] = trunc16(f / 10 + 1e-7);
  d[2] = trunc16(f - d[1] * 10 + 1e-6);
  double k = f * 1000 - d[1] * 10000 - d[2] * 1000;  // kHz below the MHz
  d[3] = 10;
  d[4] = trunc16(k / 100 + 1e-5);
  d[5] = trunc16((k - d[4] * 100) / 10 + 1e-4);
  d[6] = trunc16(k - d[4] * 100 - d[5] * 10 + 0.001);
  double t = k * 100 - d[4] * 10000 - d[5] * 1000 - d[6] * 100;  // tens of Hz below the kHz
  d[7] = 10;
  d[8] = trunc16(t / 10 + 0.01);
  d[9] = trunc16(t - d[8] * 10 + 0.1);
  d[10] = trunc16(t * 10 - d[8] * 100 - d[9] * 10 + 0.1);
  if (d[0] > 9) {
    // 1000 MHz and above: every digit moves one place up.
    int old = d[0];
    for (size_t i = 10; i >= 1; --i) d[i] = d[i - 1];
    d[0] = trunc16(old / 10.0 + 0.01);
    d[1] = old - d[0] * 10;
  }
  auto pair = [&](size_t a, size_t b) { return decimal(d[a]) + decimal(d[b]); };
  if (f0 < 100) return decimal(d[1]) + pair(2, 4) + pair(5, 6) + pair(8, 9) + "0";
  if (f0 < 1000) return pair(0, 1) + pair(2, 4) + pair(5, 6) + pair(8, 9) + decimal(d[10]);
  return pair(0, 1) + pair(2, 3) + pair(5, 6) + pair(7, 9) + decimal(d[10]);
}

}  // namespace

std::string FreqDigits(double Freq, int16_t TransceiverID) {
  if (TransceiverID == radio::kNineDigitId) {
    std::string text = decimal_hertz(std::fabs(Freq) * 1'000'000.0);
    if (text.size() < 9) text.insert(0, 9 - text.size(), '0');
    return text;
  }
  return packed_digits(Freq);
}

// The radio's band table in megahertz (every band edge is exact in a double).
int16_t BandOf(double Freq) {
  for (size_t i = 0; i < radio::kBands.size(); ++i) {
    const radio::Band& b = radio::kBands[i];
    if (b.lo_hz / 1e6 <= Freq && Freq <= b.hi_hz / 1e6) return static_cast<int16_t>(i);
  }
  return radio::kOutsideBands;
}

VBool Protocol::ValidFreq(double& Freq) {
  bool valid = Freq != 0;
  if (m.ranges.count == 0) valid = false;
  bool in_range = false;
  for (int i = 1; i <= m.ranges.count && i < static_cast<int>(m.ranges.min.size()); ++i) {
    if (m.ranges.min[static_cast<size_t>(i)] <= Freq &&
        Freq <= m.ranges.max[static_cast<size_t>(i)]) {
      in_range = true;
    }
  }
  return VBool::of(valid && in_range);
}

}  // namespace tovrak::core
