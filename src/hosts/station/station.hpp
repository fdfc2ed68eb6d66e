// The station: the one way every front end works the radio's port. Given an
// apartment (the Linux one, or the virtual one with the simulated radio), it
// runs the component there with its port watched, and:
// - opens the port and switches CAT on (open), and on the way out releases a
//   transmission keyed through it, switches CAT off and closes the port
//   (close, also from the destructor): whatever the way out, end, error,
//   interrupt or a lost port;
// - keeps the link's health (answering, silent, lost, closed), which follows
//   the port through every close and reopen, a host's own SetPort included;
// - writes the wire log (--log FILE), the station's own writes (a front
//   end's raw queries) with the component's;
// - releases at once a transmission left keyed when the port comes back
//   after a loss or a close;
// - reopens a lost port when the front end asks it to (--reopen).
// Everything runs on the apartment's thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "hosts/station/link_health.hpp"
#include "hosts/station/tapped_apartment.hpp"
#include "hosts/station/transmit_guard.hpp"
#include "hosts/station/wire_log.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::station {

class Station {
 public:
  // Seconds on a monotonic clock (the front end's own, or virtual time).
  using Clock = std::function<double()>;
  // A lost port is tried again this often when the front end asks for it.
  static constexpr double kReopenEvery = 2.0;

  Station(platform::Apartment& apt, Clock now);
  ~Station();

  // The apartment the component lives on, its port watched: a host that
  // makes its own connector makes it here, and a front end writes raw
  // queries to the port through it (send).
  TappedApartment& apartment() { return tap_; }
  TOVRAK_Protocol& rig() { return *rig_; }

  // The wire log; shared with a front end that logs other parties too.
  WireLog& log() { return *log_; }
  void share_log(std::shared_ptr<WireLog> log) { log_ = std::move(log); }

  // The front end's observers, told on the apartment thread: each write that
  // reached the port, each read the component took, the port's loss (with
  // the reason), and what the station did by itself ("transmitter
  // released", "port reopened").
  void on_write(std::function<void(std::string_view)> f) { on_write_ = std::move(f); }
  void on_read(std::function<void(std::string_view)> f) { on_read_ = std::move(f); }
  void on_lost(std::function<void(const std::string&)> f) { on_lost_ = std::move(f); }
  void on_note(std::function<void(const std::string&)> f) { on_note_ = std::move(f); }

  // SetPort True, then SetCAT 1; false with SetPort's reason when the port
  // does not open. The port is set up (device, speed, lines) before.
  bool open(std::string& error);
  // The way out: a stop request that ended the waits is withdrawn (the
  // clean-up keeps the command spacing), a transmission keyed through the
  // station is released, CAT switched off and the port closed. Returns what
  // the guard did ("transmitter released", a warning, or "").
  std::string close();
  // With --reopen: a lost port is closed and opened again, at most every
  // kReopenEvery seconds; true when it opened now.
  bool reopen_if_lost();

  const LinkHealth& health() const { return health_; }
  // The health in words, now ("answering", "port lost: ...").
  std::string link() const { return health_.describe(now_()); }
  bool lost() const { return health_.is_lost(); }
  // Times the port was lost since the station began.
  int losses() const { return losses_; }
  TransmitGuard& guard() { return guard_; }
  double now() const { return now_(); }

 private:
  void opened();
  void closed();
  void lost(const std::string& reason);
  void note(const std::string& text);
  // Releases through the guard, with the reason the port cannot carry it.
  std::string release();

  TappedApartment tap_;
  Clock now_;
  std::shared_ptr<WireLog> log_ = std::make_shared<WireLog>();
  LinkHealth health_;
  TransmitGuard guard_;
  int losses_ = 0;
  double last_reopen_ = -1e9;
  // Tasks posted to the apartment find the station gone once it is.
  std::shared_ptr<Station*> self_ = std::make_shared<Station*>(this);
  std::unique_ptr<TOVRAK_Connector> connector_;
  std::shared_ptr<TOVRAK_Protocol> rig_;
  std::function<void(std::string_view)> on_write_, on_read_;
  std::function<void(const std::string&)> on_lost_, on_note_;
};

}  // namespace tovrak::station
