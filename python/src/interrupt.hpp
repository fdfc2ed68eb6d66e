// Ctrl-C while the component works for Python. Python's own SIGINT handler
// only notes the signal, and the component's waits (the command spacing,
// the fixed sleeps of some commands, the apartment's loop) would run on. While
// one of its calls runs on the main thread, SIGINT first asks every apartment
// to stop, which ends those waits, and then goes on to Python's handler, which
// raises KeyboardInterrupt once control is back in Python.
#pragma once

namespace tovrak::python {

class StopOnInterrupt {
 public:
  // Takes SIGINT on the main thread while Python handles it (not when the
  // program ignores it or leaves it to the system).
  StopOnInterrupt();
  // Gives SIGINT back to Python and withdraws the stop request it made, so
  // that what runs next (the release of the transmitter) keeps the command
  // spacing.
  ~StopOnInterrupt();
  StopOnInterrupt(const StopOnInterrupt&) = delete;
  StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;

 private:
  bool taken_ = false;
};

}  // namespace tovrak::python
