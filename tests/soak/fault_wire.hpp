// The simulated radio on the virtual line through a bad cable whose faults
// can be switched off: answers lost, garbled, broken in two and held back,
// always in the order the radio sent them. The radio's own silence and power
// cycles are asked of the radio itself. Like the plain link, every write of
// the component reaches the radio at its virtual time, and what comes back
// arrives also during the component's non-pumping sleeps.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "hosts/sim/sim_link.hpp"
#include "hosts/sim/sim_radio.hpp"
#include "tovrak/virtual_apartment.hpp"

namespace tovrak::soak {

// A small deterministic generator (splitmix64).
struct Dice {
  uint64_t x;
  uint64_t next() {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1.
  int64_t below(int64_t n) { return n <= 1 ? 0 : static_cast<int64_t>(next() % uint64_t(n)); }
  // lo .. hi, both included.
  int64_t between(int64_t lo, int64_t hi) { return lo + below(hi - lo + 1); }
  bool chance(double p) { return p > 0.0 && static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
};

struct LineFaults {
  double drop = 0.0;    // an answer is lost
  double garble = 0.0;  // one byte of an answer is changed
  double split = 0.0;   // an answer arrives in two pieces
  int64_t split_gap_us = 0;
  double delay = 0.0;  // an answer is held back (and those behind it)
  int64_t max_delay_us = 0;
};

struct LineStats {
  int64_t answers = 0;
  int64_t dropped = 0;
  int64_t garbled = 0;
  int64_t split = 0;
  int64_t delayed = 0;
};

class FaultWire {
 public:
  FaultWire(sim::SimRadio& radio, platform::VirtualApartment& apt, uint64_t seed);
  ~FaultWire();
  FaultWire(const FaultWire&) = delete;
  FaultWire& operator=(const FaultWire&) = delete;

  void set_faults(const LineFaults& faults);
  const LineStats& stats() const;
  // Sees every write of the component, with its virtual time.
  void on_write(std::function<void(int64_t us, std::string_view bytes)> observer);
  // Sees the bytes that reach the component's end, when they arrive.
  void on_arrive(std::function<void(std::string_view bytes)> observer);

 private:
  struct Wire;
  std::shared_ptr<Wire> wire_;
};

}  // namespace tovrak::soak
