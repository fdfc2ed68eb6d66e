// Bytes of the wire as text: printable characters as they are, any other
// byte as \xNN. The one form of the wire in every front end's output and log.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tovrak::station {

inline std::string format_bytes(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7f) {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

}  // namespace tovrak::station
