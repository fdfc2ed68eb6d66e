// Byte-stream endpoints on an apartment's loop, for programs that expect a
// radio's serial port: a pseudo-terminal behind a stable symbolic link, and
// TCP listeners. Each connection hands its bytes to a handler on the
// apartment thread and sends what it is given, buffering up to a bound when
// the other end reads slowly (beyond it, the connection is closed).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tovrak/export.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::platform {

class TOVRAK_API StreamConnection {
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

// A pseudo-terminal whose device is reached through a symbolic link at
// `link_path` (an existing link there is replaced; any other file is not).
// Any speed and line setting the client chooses is accepted. A client opening
// the device is a connection; its last close ends it, and the next open is a
// new one.
class TOVRAK_API PtyEndpoint {
 public:
  // Throws std::runtime_error with the reason when it cannot be made.
  PtyEndpoint(PosixApartment& apt, std::string link_path, StreamHandler handler);
  ~PtyEndpoint();
  PtyEndpoint(const PtyEndpoint&) = delete;
  PtyEndpoint& operator=(const PtyEndpoint&) = delete;
  const std::string& device() const;
  const std::string& link() const;

  struct Impl;

 private:
  std::shared_ptr<Impl> impl_;
};

// An IPv4 network and prefix length, "192.168.1.0/24" (a bare address is /32).
struct TOVRAK_API Cidr {
  uint32_t net = 0;  // host byte order
  int bits = 32;
  // Throws std::invalid_argument for a malformed text.
  static Cidr parse(const std::string& text);
  bool contains(uint32_t address) const;
};

// A TCP listener on an IPv4 address. Peers on the loopback network are always
// let in; others only when an allowed network contains them.
class TOVRAK_API TcpEndpoint {
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

// "ADDR:PORT", "PORT" or "ADDR" (with the default port) into its parts;
// "localhost" is 127.0.0.1. Throws std::invalid_argument when malformed.
TOVRAK_API void parse_listen(const std::string& text, uint16_t default_port, std::string& address,
                             uint16_t& port);
// True for an address on 127.0.0.0/8.
TOVRAK_API bool is_loopback(const std::string& address);

}  // namespace tovrak::platform
