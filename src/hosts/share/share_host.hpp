// What a Linux host of the sharing server puts together: the component on an
// apartment thread of its own, owning the radio's port through a station,
// and the glue from the endpoints' connections to the server's clients.
#pragma once

#include <condition_variable>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "hosts/share/server.hpp"
#include "hosts/station/station.hpp"
#include "platform/posix/endpoints/stream_endpoints.hpp"
#include "tovrak/posix_apartment.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::share {

class RadioThread {
 public:
  // What the radio's port does, told on the radio thread: 'R' bytes the
  // component read from the radio, 'W' bytes it wrote, 'L' the port lost
  // (the reason), 'N' what the station did by itself (a note).
  using PortNews = std::function<void(char what, std::string text)>;

  // Starts the thread with a station on an apartment of its own, lets
  // `configure` set the port up there (device, speed, the wire log), opens
  // it and switches CAT on; a lost port is reopened every 2 s. Throws
  // std::runtime_error with the reason when the port does not open, and
  // what `configure` throws as it was thrown.
  RadioThread(std::function<void(station::Station&)> configure, PortNews news);
  // end(), if not done.
  ~RadioThread();
  RadioThread(const RadioThread&) = delete;
  RadioThread& operator=(const RadioThread&) = delete;

  // The station's way out on the radio thread (a transmission keyed through
  // it released, CAT off, the port closed), then the thread ends; returns
  // what the transmit guard did ("transmitter released", or ""). A stop
  // request (a signal) ends nothing by itself: the radio thread stops
  // processing messages and waits for this, so that it outlives every call
  // made to it. Whoever posts to the radio's apartment has gone before.
  std::string end();

  station::TappedApartment& apartment() { return *radio_apt_; }
  TOVRAK_Protocol& rig() { return *rig_; }
  // The station's word for the link's health ("answering", "port lost:
  // ..."), as of a quarter of a second ago; from any thread.
  std::string link();

 private:
  void run(const std::function<void(station::Station&)>& configure, const PortNews& news,
           std::promise<std::exception_ptr>& opened);

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ending_;
  bool end_ = false;                               // asked to end
  platform::PosixApartment* apt_ = nullptr;        // while the thread can be told to quit
  station::TappedApartment* radio_apt_ = nullptr;  // the station's, while the thread runs
  TOVRAK_Protocol* rig_ = nullptr;
  std::string link_;
  std::string farewell_;
};

// The endpoints' connections as the server's clients.
class ClientGlue {
 public:
  explicit ClientGlue(ShareServer& server) : server_(server) {}
  ~ClientGlue();
  ClientGlue(const ClientGlue&) = delete;
  ClientGlue& operator=(const ClientGlue&) = delete;
  // A handler for an endpoint; `name` names it in the clients' list ("tcp"),
  // `kind` says what its clients may do.
  platform::StreamHandler handler(const std::string& name, ClientKind kind,
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
