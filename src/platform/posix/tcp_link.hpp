// Ports reached over TCP. What every such port shares: the connection (the
// name looked up, each of its addresses in turn within one deadline, a stop
// request ending the wait at once) and the socket under the link. And the
// plainest of them, tcp://HOST:PORT: the port's bytes cross the connection as
// they are, with no Telnet and no line settings, as the TCP endpoints of
// `tovrak share` and raw serial servers speak.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/posix/serial_link.hpp"

namespace tovrak::platform {

// How long opening may take: connecting, and for RFC 2217 the server's
// agreement to the COM-PORT option.
inline constexpr int kRemoteOpenTimeoutMs = 5000;

using RemoteClock = std::chrono::steady_clock;

// "5 s", "250 ms".
std::string seconds_text(int ms);

// Connects to where.host:where.tcp_port. Returns a non-blocking socket that
// notices a dead server within about half a minute; raises ComError
// (kInvalidPort) naming the port and what went wrong.
int connect_to_server(const PortLocator& where, int timeout_ms);

// Waits until `fd` is ready for `events` (poll's) or `deadline` passed
// (false). A stop request ends the wait: raises ComError naming `name`.
bool wait_ready(int fd, short events, RemoteClock::time_point deadline, const std::string& name);

// A link over a connected socket, which it owns.
class SocketLink : public SerialLink {
 public:
  SocketLink(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  ~SocketLink() override;
  int fd() const override { return fd_; }
  std::string loss_reason(int err) const override;

 protected:
  int fd_;
  std::string name_;
};

// tcp://HOST:PORT: connects and hands the bytes on as they are.
std::unique_ptr<SerialLink> open_tcp_link(const PortLocator& where,
                                          int timeout_ms = kRemoteOpenTimeoutMs);
// The same over a socket already connected (a test's socket pair).
std::unique_ptr<SerialLink> start_tcp_link(int fd, const std::string& name);

}  // namespace tovrak::platform
