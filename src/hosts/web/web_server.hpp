// The HTTP side of `tovrak share --http`: serves the page (its files are in
// the program) and carries each page's WebSocket at /ws, with Boost.Beast
// over Boost.Asio on a thread of its own. Everything a page says is posted
// to the server's apartment, one message at a time (the next is read once
// the apartment has taken this one), and what the apartment sends a page is
// posted back; the apartment never waits on the network.
//
// What the outside world can do to it is bounded: a listener on IPv4 that
// lets in loopback and the allowed networks only; a number of connections
// at once; a request's header size, no request bodies; a deadline to send a
// request and to take an answer; the size of a WebSocket message; the bytes
// waiting for a page that does not read. Beyond a bound the connection gets
// an HTTP error or is closed, and nothing else notices.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/web/page_hub.hpp"
#include "platform/posix/endpoints/listen_address.hpp"
#include "tovrak/platform.hpp"

namespace tovrak::web {

constexpr uint16_t kDefaultHttpPort = 7374;

struct HttpOptions {
  std::string address = "127.0.0.1";
  uint16_t port = kDefaultHttpPort;
  // Networks that may connect besides loopback.
  std::vector<platform::Cidr> allow;
  size_t max_connections = 32;
  size_t header_limit = 8 * 1024;
  size_t frame_limit = 4 * 1024;
  int request_timeout_ms = 10'000;  // to send a whole request
  int write_timeout_ms = 5'000;     // for a page to take what it is sent
  size_t send_limit = 256 * 1024;   // bytes waiting for one page
};

class WebServer {
 public:
  // Listens at once; throws std::runtime_error with the reason when it
  // cannot. `log` is told of refused connections, on the apartment.
  WebServer(platform::Apartment& apt, PageSink& sink, HttpOptions options,
            std::function<void(const std::string&)> log = nullptr);
  // Closes every connection and ends the thread; must run on the apartment.
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  uint16_t port() const;
  // Runs `task` on the network thread (a benchmark reads its processor time).
  void on_network_thread(std::function<void()> task);

  struct Impl;

 private:
  std::shared_ptr<Impl> impl_;
};

}  // namespace tovrak::web
