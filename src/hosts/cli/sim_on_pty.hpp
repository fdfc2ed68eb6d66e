// The simulated radio on a pseudo-terminal of its own, answering on a thread
// of its own, as a radio on a cable would.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "hosts/sim/sim_radio.hpp"

namespace tovrak::hosts {

class SimOnPty {
 public:
  explicit SimOnPty(sim::SimOptions options);
  ~SimOnPty();
  SimOnPty(const SimOnPty&) = delete;
  SimOnPty& operator=(const SimOnPty&) = delete;

  // The device the component opens.
  const std::string& path() const { return path_; }
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
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace tovrak::hosts
