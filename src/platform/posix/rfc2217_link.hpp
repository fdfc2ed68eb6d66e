// A serial port served over the network (RFC 2217: Telnet with the COM-PORT
// option), as ser2net and hardware serial servers offer it. The link speaks
// Telnet on a TCP socket: the port's data crosses with 0xFF doubled, its line
// parameters and modem lines go as COM-PORT commands, and the server's
// notifications are taken and never reach the data. Nothing waits for an
// answer once the port is open: every byte is handled as the apartment's
// loop finds the socket ready.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/serial_link.hpp"

namespace tovrak::platform {

// How long opening may take: connecting, and the server's agreement to the
// COM-PORT option.
inline constexpr int kRemoteOpenTimeoutMs = 5000;

// Connects to the server at `where` and agrees the options. Raises ComError
// (8002) naming the port: name not resolved, connection refused, no answer in
// time, or a server that does not speak RFC 2217.
std::unique_ptr<SerialLink> open_rfc2217_link(const PortLocator& where,
                                              int timeout_ms = kRemoteOpenTimeoutMs);

// The same over a socket already connected (a test's socket pair); the link
// owns `fd` from here on, also when it raises.
std::unique_ptr<SerialLink> start_rfc2217_link(int fd, const std::string& name, int timeout_ms);

}  // namespace tovrak::platform
