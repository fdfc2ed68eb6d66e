#include "platform/posix/endpoints/listen_address.hpp"

#include <arpa/inet.h>

#include <stdexcept>

namespace tovrak::platform {

namespace {

bool all_digits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

Cidr Cidr::parse(const std::string& text) {
  auto malformed = [&] {
    return std::invalid_argument("\"" + text +
                                 "\" is no network (ADDRESS/BITS, e.g. 192.168.1.0/24)");
  };
  Cidr c;
  std::string addr = text;
  if (size_t slash = text.find('/'); slash != std::string::npos) {
    addr = text.substr(0, slash);
    std::string bits = text.substr(slash + 1);
    if (!all_digits(bits) || bits.size() > 2 || std::stoi(bits) > 32) throw malformed();
    c.bits = std::stoi(bits);
  }
  in_addr a{};
  if (inet_pton(AF_INET, addr.c_str(), &a) != 1) throw malformed();
  c.net = ntohl(a.s_addr);
  return c;
}

bool Cidr::contains(uint32_t address) const {
  if (bits == 0) return true;
  uint32_t mask = ~uint32_t{0} << (32 - bits);
  return (address & mask) == (net & mask);
}

bool is_loopback(uint32_t address) { return (address >> 24) == 127; }

bool is_loopback(const std::string& address) {
  in_addr a{};
  return inet_pton(AF_INET, address.c_str(), &a) == 1 && is_loopback(ntohl(a.s_addr));
}

bool admitted(uint32_t address, const std::vector<Cidr>& allow) {
  if (is_loopback(address)) return true;
  for (const Cidr& net : allow) {
    if (net.contains(address)) return true;
  }
  return false;
}

void parse_listen(const std::string& text, uint16_t default_port, std::string& address,
                  uint16_t& port) {
  std::string addr = text, port_text;
  const size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    addr = text.substr(0, colon);
    port_text = text.substr(colon + 1);
  } else if (all_digits(text)) {
    addr.clear();
    port_text = text;
  }
  if (addr.empty() || addr == "localhost") addr = "127.0.0.1";
  in_addr a{};
  if (inet_pton(AF_INET, addr.c_str(), &a) != 1) {
    throw std::invalid_argument("\"" + text + "\": not an IPv4 address (ADDRESS:PORT)");
  }
  uint16_t chosen = default_port;
  if (!port_text.empty() || colon != std::string::npos) {
    if (!all_digits(port_text) || port_text.size() > 5 || std::stoi(port_text) > 65535) {
      throw std::invalid_argument("\"" + text + "\": the port is a number up to 65535");
    }
    chosen = static_cast<uint16_t>(std::stoi(port_text));
  }
  address = addr;
  port = chosen;
}

}  // namespace tovrak::platform
