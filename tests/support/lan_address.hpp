// A peer from outside loopback for the admission tests: this machine's own
// address on a network interface. A connection to it from this machine
// arrives from that address, so a listener on all interfaces sees a peer
// that only an allowed network lets in.
#pragma once

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <string>

namespace tovrak::test {

// The first IPv4 address of an interface that is up and not loopback.
inline std::optional<std::string> lan_address() {
  ifaddrs* all = nullptr;
  if (getifaddrs(&all) != 0) return std::nullopt;
  std::optional<std::string> found;
  for (const ifaddrs* i = all; i && !found; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr, text,
              sizeof text);
    found = text;
  }
  freeifaddrs(all);
  return found;
}

// A blocking client connected to `address`:`port`, or -1.
inline int connect_at(const std::string& address, uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET, a.sin_port = htons(port);
  inet_pton(AF_INET, address.c_str(), &a.sin_addr);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace tovrak::test
