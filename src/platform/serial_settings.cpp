#include "platform/serial_settings.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string_view>
#include <vector>

#include "platform/serial_errors.hpp"

namespace tovrak::platform {

namespace {

std::vector<std::string_view> split(std::string_view s) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    size_t comma = s.find(',', start);
    std::string_view p = s.substr(start, comma == std::string_view::npos ? s.npos : comma - start);
    while (!p.empty() && p.front() == ' ') p.remove_prefix(1);
    while (!p.empty() && p.back() == ' ') p.remove_suffix(1);
    parts.push_back(p);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parts;
}

bool to_int(std::string_view s, int& out) {
  if (s.empty()) return false;
  auto res = std::from_chars(s.data(), s.data() + s.size(), out);
  return res.ec == std::errc() && res.ptr == s.data() + s.size();
}

}  // namespace

bool is_standard_speed(int speed) {
  static constexpr std::array<int, 36> kSpeeds = {
      50,      75,      110,     134,     150,     200,     300,     600,     1200,
      1800,    2400,    4800,    9600,    14400,   19200,   28800,   38400,   56000,
      57600,   115200,  128000,  230400,  256000,  460800,  500000,  576000,  921600,
      1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000, 0};
  return speed > 0 && std::find(kSpeeds.begin(), kSpeeds.end(), speed) != kSpeeds.end();
}

SerialSettings parse_serial_settings(const std::string& text) {
  auto parts = split(text);
  if (parts.size() != 4)
    serial_error::invalid_settings(text, "expected speed,parity,data bits,stop bits");
  SerialSettings s;
  if (!to_int(parts[0], s.speed)) serial_error::invalid_settings(text, "the speed is not a number");
  if (!is_standard_speed(s.speed))
    serial_error::invalid_settings(text,
                                   "no serial port offers the speed " + std::string(parts[0]));
  if (parts[1].size() != 1)
    serial_error::invalid_settings(text, "the parity is one of N, E, O, M, S");
  s.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parts[1][0])));
  if (std::string_view("NEOMS").find(s.parity) == std::string_view::npos) {
    serial_error::invalid_settings(text, "the parity is one of N, E, O, M, S");
  }
  if (!to_int(parts[2], s.data_bits) || s.data_bits < 4 || s.data_bits > 8) {
    serial_error::invalid_settings(text, "the data bits are 4 to 8");
  }
  if (parts[3] == "1.5") {
    s.stop_bits = 15;
  } else if (!to_int(parts[3], s.stop_bits) || (s.stop_bits != 1 && s.stop_bits != 2)) {
    serial_error::invalid_settings(text, "the stop bits are 1, 1.5 or 2");
  }
  return s;
}

}  // namespace tovrak::platform
