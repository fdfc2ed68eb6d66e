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

#include "platform/posix/tcp_link.hpp"

namespace tovrak::platform {

// Answers the link owes the server (replies to its option requests) beyond
// this many bytes, unsent because the server does not read them, end the
// link: a server that floods requests and never reads is not served.
inline constexpr size_t kRfc2217UnsentLimit = 64 * 1024;

// Connects to the server at `where` and agrees the options. Raises ComError
// (8002) naming the port: name not resolved, connection refused, no answer in
// time, a server that does not speak RFC 2217, or a stop request.
std::unique_ptr<SerialLink> open_rfc2217_link(const PortLocator& where,
                                              int timeout_ms = kRemoteOpenTimeoutMs);

// The same over a socket already connected (a test's socket pair); the link
// owns `fd` from here on, also when it raises.
std::unique_ptr<SerialLink> start_rfc2217_link(int fd, const std::string& name, int timeout_ms);

}  // namespace tovrak::platform
