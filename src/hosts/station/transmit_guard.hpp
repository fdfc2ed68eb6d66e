// The transmit guard: whether the transmitter was keyed through this
// station, from the commands that reached the wire, and its release on the
// way out. Every front end leaves the radio through it (Station::close), and
// a port that comes back after a loss or a close has a transmission it left
// behind released at once.
#pragma once

#include <string>
#include <string_view>

#include "tovrak/protocol.hpp"

namespace tovrak::station {

class TransmitGuard {
 public:
  // Every write that reached the port: "TX1;"/"TX2;" key the transmitter,
  // "TX0;" releases it. Commands split across writes are not expected: the
  // component writes each whole.
  void on_write(std::string_view bytes);
  bool keyed() const { return keyed_; }
  // Releases a transmission keyed through this station: SetPTT 0, or the
  // raw release command when the component refuses it. Returns what was
  // done ("transmitter released"), a warning when the release did not reach
  // the wire, or "" when there was nothing to release. `reason` says why the
  // port cannot carry it ("the port is lost"), empty when it can.
  std::string release(TOVRAK_Protocol& rig, const std::string& reason = {});
  // The program leaves the transmitter as the user asked (tovrak ptt on):
  // nothing is released on the way out.
  void hand_over() { keyed_ = false; }

 private:
  bool keyed_ = false;
};

}  // namespace tovrak::station
