// A pseudo-terminal pair, made in one place for every part of the program
// that needs one: the endpoints that stand in for a radio's serial port, the
// monitor's line editor, the tests.
#pragma once

#include <string>

namespace tovrak::platform {

class PseudoTerminal {
 public:
  enum class Mode {
    Raw,    // bytes pass as they are: no echo, no line editing, no signals
    Cooked  // as the kernel sets a terminal up (a line editor's)
  };
  // The master end is non-blocking; both ends close on exec. Throws
  // std::runtime_error with the reason.
  explicit PseudoTerminal(Mode mode);
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // This program's end.
  int master() const { return master_; }
  // The device's end, open until close_device(): -1 after.
  int device_fd() const { return device_fd_; }
  // The device's path, /dev/pts/N, for a client to open.
  const std::string& device() const { return device_; }
  // Leaves the device to the client: while none has it open, the master end
  // reports a hang-up.
  void close_device();

 private:
  int master_ = -1;
  int device_fd_ = -1;
  std::string device_;
};

}  // namespace tovrak::platform
