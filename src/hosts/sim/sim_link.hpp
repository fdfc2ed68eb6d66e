// The simulated radio on the virtual platform's line, where every byte
// crosses at its virtual time (real time: real_time_radio.hpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "hosts/sim/sim_radio.hpp"
#include "tovrak/virtual_apartment.hpp"

namespace tovrak::sim {

// The radio connected to the virtual line of an apartment. Every write of
// the component reaches the radio at its virtual time; what the radio sends
// arrives at the virtual time it leaves the radio (latency and broken-up
// answers included), also during the component's non-pumping sleeps; the
// radio's own life (operator, S-meter, scanning) runs on the same clock.
// The line has one write observer and the link takes it: whoever else wants
// to see the writes (a script printing the wire) registers with the link.
// The link may outlive neither the radio nor the apartment while attached;
// once detached (or destroyed) it touches neither again.
// Keeps a radio's time going on a virtual apartment: whenever the radio has
// something due, the apartment wakes it then (also inside the component's
// non-pumping sleeps). Every connection of a radio to a virtual line uses it.
class RadioWakeups {
 public:
  RadioWakeups(SimRadio& radio, platform::VirtualApartment& apt);
  // The radio has something due at `at`.
  void wake(int64_t at);
  // No more wake-ups; those already scheduled find nothing to do.
  void stop();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

class SimLink {
 public:
  SimLink(SimRadio& radio, platform::VirtualApartment& apt);
  ~SimLink();
  SimLink(SimLink&& other) noexcept;
  SimLink& operator=(SimLink&&) = delete;
  SimLink(const SimLink&) = delete;
  SimLink& operator=(const SimLink&) = delete;

  // Sees every write of the component, before the radio does.
  void on_write(std::function<void(int64_t us, std::string_view bytes)> observer);
  // Sees what reaches the component's end, as it arrives.
  void on_arrive(std::function<void(std::string_view bytes)> observer);
  // Disconnects the radio from the line; nothing more crosses.
  void detach();

 private:
  struct Wire;
  std::shared_ptr<Wire> wire_;
};

// Connects the radio to the apartment's line (see SimLink).
[[nodiscard]] SimLink attach(SimRadio& radio, platform::VirtualApartment& apt);

}  // namespace tovrak::sim
