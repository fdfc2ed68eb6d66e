// A serial device served over the network on this machine, by ser2net with
// RFC 2217 on loopback: the remote form of the demo and the tests that reach
// the simulated radio as a remote station would. The configuration is written
// to a directory of its own; ser2net runs in the foreground as a child.
#pragma once

#include <sys/types.h>

#include <string>

namespace tovrak::hosts {

class Ser2netServer {
 public:
  // The ser2net program, or "" when it is not installed.
  static std::string program();

  // Serves `device` at 127.0.0.1 on a free TCP port, and starts. Throws
  // std::runtime_error when ser2net is missing or does not come up.
  explicit Ser2netServer(const std::string& device);
  ~Ser2netServer();
  Ser2netServer(const Ser2netServer&) = delete;
  Ser2netServer& operator=(const Ser2netServer&) = delete;

  // The locator a port opens: rfc2217://127.0.0.1:PORT.
  std::string locator() const;
  // Starts ser2net again on the same port; returns once it listens.
  void start();
  // Ends ser2net at once, as a server that crashed or lost power.
  void kill();

 private:
  std::string dir_;
  std::string device_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace tovrak::hosts
