// What a Linux host of the sharing server puts together: the component on an
// apartment thread of its own, owning the radio's port, and the glue from
// the endpoints' connections to the server's clients.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "hosts/share/server.hpp"
#include "platform/posix/endpoints/stream_endpoints.hpp"
#include "tovrak/posix_apartment.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::share {

class RadioThread {
 public:
  // The bytes of the component's port: 'R' read from the radio, 'W' written
  // to it, 'L' the reason the port was lost; told on the radio thread.
  using PortBytes = std::function<void(char direction, std::string bytes)>;

  // Starts the thread, lets `configure` set the port up there, opens it and
  // switches CAT on. Throws std::runtime_error with the reason when the port
  // does not open.
  RadioThread(std::function<void(TOVRAK_Protocol&)> configure, PortBytes bytes);
  // CAT off, the port closed, the thread ended.
  ~RadioThread();
  RadioThread(const RadioThread&) = delete;
  RadioThread& operator=(const RadioThread&) = delete;

  platform::Apartment& apartment() { return *apt_; }
  TOVRAK_Protocol& rig() { return *rig_; }

 private:
  std::thread thread_;
  platform::PosixApartment* apt_ = nullptr;
  TOVRAK_Protocol* rig_ = nullptr;
};

// The endpoints' connections as the server's clients.
class ClientGlue {
 public:
  explicit ClientGlue(ShareServer& server) : server_(server) {}
  ~ClientGlue();
  ClientGlue(const ClientGlue&) = delete;
  ClientGlue& operator=(const ClientGlue&) = delete;
  // A handler for an endpoint; `kind` names it in the clients' list ("tcp").
  platform::StreamHandler handler(const std::string& kind,
                                  std::function<void(const std::string&)> log);

 private:
  struct Link : ClientLink {
    platform::StreamConnection* conn;
    explicit Link(platform::StreamConnection& c) : conn(&c) {}
    void send(std::string_view bytes) override { conn->send(bytes); }
    void close() override { conn->close(); }
  };
  ShareServer& server_;
  std::map<platform::StreamConnection*, std::pair<int, std::unique_ptr<Link>>> links_;
};

}  // namespace tovrak::share
