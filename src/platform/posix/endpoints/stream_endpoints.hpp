// Byte-stream endpoints on an apartment's loop, for programs that expect a
// radio's serial port: a pseudo-terminal (behind a stable symbolic link, see
// pty_link.hpp), and TCP listeners. Each connection hands its bytes to a
// handler on the apartment thread and sends what it is given. Every client
// is served in turn: a connection reads at most kStreamReadBudget bytes per
// wake-up of the loop, and buffers at most kStreamOutputLimit bytes for a
// client that reads slowly (beyond it, the connection is closed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/endpoints/listen_address.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::platform {

class StreamConnection {
 public:
  virtual ~StreamConnection() = default;
  virtual void send(std::string_view bytes) = 0;
  // Ends the connection; the handler's `closed` is not called for it.
  virtual void close() = 0;
  // Where it comes from: the link's path, or the peer's address and port.
  virtual const std::string& peer() const = 0;
};

struct StreamHandler {
  // A client arrived; false refuses it (the connection is closed).
  std::function<bool(StreamConnection&)> opened;
  std::function<void(StreamConnection&, std::string_view)> bytes;
  // The other end went away.
  std::function<void(StreamConnection&)> closed;
  // Something worth a line in the log.
  std::function<void(const std::string&)> log;
};

// Largest output a connection buffers for a slow reader.
constexpr size_t kStreamOutputLimit = 64 * 1024;
// Most bytes a connection reads per wake-up of the loop; what is left waits
// for the next turn, after the other clients'.
constexpr size_t kStreamReadBudget = 16 * 1024;
// How long a listener that ran out of descriptors waits before it accepts
// again.
constexpr int kAcceptPauseMs = 500;

// A pseudo-terminal whose device a client opens, reached through a symbolic
// link at `link_path` claimed by the rule of pty_link.hpp (no link when
// empty: the device's own path only). Any speed and line setting the client
// chooses is accepted. A client opening the device is a connection; its last
// close ends it, and the next open is a new one.
class PtyEndpoint {
 public:
  // Throws std::runtime_error with the reason when it cannot be made.
  PtyEndpoint(PosixApartment& apt, std::string link_path, StreamHandler handler);
  ~PtyEndpoint();
  PtyEndpoint(const PtyEndpoint&) = delete;
  PtyEndpoint& operator=(const PtyEndpoint&) = delete;
  // The device (/dev/pts/N), and the link ("" for none).
  const std::string& device() const;
  const std::string& link() const;
  // The connection of the client that has the device open, if any.
  StreamConnection* connection() const;

  struct Impl;

 private:
  std::shared_ptr<Impl> impl_;
};

// A TCP listener on an IPv4 address. Peers on the loopback network are always
// let in; others only when an allowed network contains them.
class TcpEndpoint {
 public:
  // Throws std::runtime_error with the reason when it cannot listen.
  TcpEndpoint(PosixApartment& apt, const std::string& address, uint16_t port,
              std::vector<Cidr> allow, StreamHandler handler);
  ~TcpEndpoint();
  TcpEndpoint(const TcpEndpoint&) = delete;
  TcpEndpoint& operator=(const TcpEndpoint&) = delete;
  // The port listened on (the one chosen by the system for port 0).
  uint16_t port() const;

  struct Impl;

 private:
  std::shared_ptr<Impl> impl_;
};

}  // namespace tovrak::platform
