// The simulated radio in real time, on a Linux apartment's loop: what comes
// down the line reaches the radio as the loop finds it, the radio's time is
// the monotonic clock, and a timer of the apartment wakes it whenever it has
// something due. One loop carries the line, the radio and anything else on
// the apartment.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "hosts/sim/sim_radio.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::sim {

class RealTimeRadio {
 public:
  // What the radio sends goes to `send` as it leaves the radio.
  RealTimeRadio(SimRadio& radio, platform::PosixApartment& apt,
                std::function<void(std::string_view)> send);
  ~RealTimeRadio();
  RealTimeRadio(const RealTimeRadio&) = delete;
  RealTimeRadio& operator=(const RealTimeRadio&) = delete;

  // Bytes from the line, arriving now.
  void receive(std::string_view bytes);
  // Brings the radio to now and sets the timer at its next event; after the
  // radio was worked by hand, on the apartment's thread or with its loop
  // stopped.
  void catch_up();
  // The radio's time now, in microseconds.
  int64_t now_us() const;
  // How long after the line's last command its answers may still be on
  // their way (latency, late and broken-up answers).
  int64_t answers_in_flight_us() const;

 private:
  SimRadio& radio_;
  int64_t start_ns_;
  int64_t base_us_;
  std::unique_ptr<platform::Timer> wake_;
};

// Runs the radio on `apt`, its line on descriptors: commands from `in_fd`,
// answers to `out_fd` (standard input and output). Returns 0 once `in_fd`
// ended and the answers on their way went out, or the apartment was asked to
// stop; 1 when reading failed (the reason on standard error). Output that
// cannot be written at once on a non-blocking `out_fd` is lost, as bytes sent
// to nobody on a serial line are.
int run_on_descriptors(SimRadio& radio, platform::PosixApartment& apt, int in_fd, int out_fd);

}  // namespace tovrak::sim
