// The addresses of the TCP endpoints as a user writes them: where to listen,
// and the networks that may connect.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovrak::platform {

// An IPv4 network and prefix length, "192.168.1.0/24" (a bare address is /32).
struct Cidr {
  uint32_t net = 0;  // host byte order
  int bits = 32;
  // Throws std::invalid_argument for a malformed text.
  static Cidr parse(const std::string& text);
  bool contains(uint32_t address) const;
};

// "ADDR:PORT", "PORT" or "ADDR" (with the default port) into its parts;
// "localhost" is 127.0.0.1. Throws std::invalid_argument when malformed.
void parse_listen(const std::string& text, uint16_t default_port, std::string& address,
                  uint16_t& port);
// True for an address on 127.0.0.0/8.
bool is_loopback(const std::string& address);
bool is_loopback(uint32_t address);
// Whether a peer at `address` (host byte order) may connect: from loopback
// always, from elsewhere when one of the allowed networks holds it.
bool admitted(uint32_t address, const std::vector<Cidr>& allow);

}  // namespace tovrak::platform
