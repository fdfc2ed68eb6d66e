// The simulated radio on a pseudo-terminal (the platform's PtyEndpoint):
// on an apartment of the caller's (RadioOnPty: `tovrak sim --pty`), or
// answering on a thread and apartment of its own as a radio on a cable would
// (SimOnPty: beside a component in the same process: share --sim, monitor
// --sim, the demo, the Python module's SimulatedRadio).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "hosts/sim/real_time_radio.hpp"
#include "hosts/sim/sim_radio.hpp"
#include "platform/posix/endpoints/stream_endpoints.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {

class RadioOnPty {
 public:
  // A pseudo-terminal reached through `link` ("" for none; the platform's
  // rule for such links). Throws std::runtime_error saying why it cannot be
  // made. `log` hears of clients too slow to read.
  RadioOnPty(sim::SimRadio& radio, platform::PosixApartment& apt, const std::string& link,
             std::function<void(const std::string&)> log = nullptr);

  // The device the component opens.
  const std::string& device() const { return endpoint_->device(); }
  sim::RealTimeRadio& real_time() { return *rt_; }

 private:
  std::unique_ptr<platform::PtyEndpoint> endpoint_;
  std::unique_ptr<sim::RealTimeRadio> rt_;
};

class SimOnPty {
 public:
  // Throws std::runtime_error when no pseudo-terminal can be had.
  explicit SimOnPty(sim::SimOptions options);
  ~SimOnPty();
  SimOnPty(const SimOnPty&) = delete;
  SimOnPty& operator=(const SimOnPty&) = delete;

  // The device the component opens.
  const std::string& path() const { return line_->device(); }
  // Turns the radio's own operator on or off.
  void set_operator(bool on);
  // Pauses the radio's thread while `act` works the radio by hand; what the
  // radio sends meanwhile goes out on the line.
  void while_paused(const std::function<void(sim::SimRadio&)>& act);
  // Stops the radio and returns its state.
  const sim::RadioState& stop_and_state();

 private:
  void start();
  void stop();

  sim::SimRadio radio_;
  // A stop request (Ctrl-C) leaves the radio answering: the component's
  // clean-up after it still has a radio to talk to.
  platform::PosixApartment apt_{platform::StopRequests::Ignore};
  std::unique_ptr<RadioOnPty> line_;
  std::thread thread_;
};

}  // namespace tovrak::hosts
