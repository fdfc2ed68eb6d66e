// The simulated radio on a pseudo-terminal, as front ends other than the
// command (the Python module) use it: the radio's side of the CAT wire
// answering on a thread of its own, as a radio on a cable would, for trying
// a host without a radio. The component opens path() as its port device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tovrak {

struct SimulatedRadioOptions {
  // Identification number the radio reports (with 570, frequency fields
  // have nine digits; with any other number, eight).
  int id = 570;
  // Seed of the operator, the band's signals and the faults.
  uint64_t seed = 1;
  // A simulated operator now and then tunes, changes mode and moves levels.
  bool operator_on = false;
  // Time from a command to its answer, in milliseconds.
  double latency_ms = 0;
  // Probabilities per answer: lost, one byte changed, sent in two pieces,
  // held back (up to 300 ms, with the answers behind it).
  double drop = 0;
  double garble = 0;
  double split = 0;
  double late = 0;
};

namespace sim {
struct SimOptions;
}
// The simulated radio's own options from these.
sim::SimOptions to_sim_options(const SimulatedRadioOptions& o);

// What the radio shows on its front panel.
struct SimulatedRadioState {
  bool power = false;
  int64_t vfo_a_hz = 0;
  int64_t vfo_b_hz = 0;
  int rx_vfo = 0;  // 0 A, 1 B
  bool split = false;
  bool ptt = false;
};

class SimulatedRadio {
 public:
  // Raises std::runtime_error when no pseudo-terminal can be had.
  explicit SimulatedRadio(const SimulatedRadioOptions& options = {});
  ~SimulatedRadio();
  SimulatedRadio(const SimulatedRadio&) = delete;
  SimulatedRadio& operator=(const SimulatedRadio&) = delete;

  // The device the component opens.
  const std::string& path() const;
  void set_operator(bool on);
  // Tunes a VFO (0 A, 1 B) by hand; false when the radio refuses it.
  bool tune(int vfo, int64_t hz);
  // Any setting in the radio's own command text, made by hand on the front
  // panel; false when the radio refuses it.
  bool panel(std::string_view setting);
  SimulatedRadioState state();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tovrak
