// One descriptor carrying a client's bytes both ways (a socket, or a
// pseudo-terminal's master end), with the endpoints' budgets: at most
// kStreamReadBudget bytes read per wake-up, at most kStreamOutputLimit
// bytes waiting for a slow reader.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/posix/endpoints/stream_endpoints.hpp"

namespace tovrak::platform {

class FdConnection : public StreamConnection {
 public:
  // `gone` is told once the other end went away or the output overflowed,
  // after the call that found it has returned; the owner then lets go of
  // the connection. The descriptor stays the owner's to close.
  FdConnection(PosixApartment& apt, int fd, std::string peer, StreamHandler& handler,
               std::function<void(FdConnection&)> gone);
  ~FdConnection() override;

  void send(std::string_view bytes) override;
  void close() override { end(false); }
  const std::string& peer() const override { return peer_; }

  int fd() const { return fd_; }

 private:
  void on_ready(FdEvents events);
  void read_some();
  ssize_t put(const char* data, size_t size);
  void flush();
  void stop();
  void end(bool tell);

  PosixApartment& apt_;
  int fd_;
  std::string peer_;
  StreamHandler& h_;
  std::function<void(FdConnection&)> gone_;
  std::unique_ptr<DescriptorWatch> watch_;
  std::string out_;
  bool stopped_ = false;
  bool socket_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tovrak::platform
