// The apartment as Python sees it: owned by the thread that creates it, which
// alone may call into it and drive it (run, run_for, pump, or an event loop
// watching fd). The interpreter lock is released while it waits and while
// the component works; Python handlers take it back when they run. Ctrl-C
// ends the component's waits, and a transmission the program keyed is
// released on every way out.
#pragma once

#include <pybind11/pybind11.h>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "hosts/station/transmit_guard.hpp"
#include "interrupt.hpp"
#include "native.hpp"

namespace tovrak {
class TOVRAK_Connector;
}

namespace tovrak::python {

namespace py = pybind11;

class Apartment : public std::enable_shared_from_this<Apartment> {
 public:
  Apartment();
  ~Apartment();
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

  // This thread's apartment, made on first use; it lives while Python holds
  // anything of it.
  static std::shared_ptr<Apartment> current();
  // This thread's apartment if Python holds one.
  static std::shared_ptr<Apartment> existing();

  // Raises RuntimeError unless called on the owning thread.
  void check_thread() const;
  NativeApartment& native() { return *native_; }

  void run();
  // Refuses NaN and negative seconds; a span beyond any run is no end.
  void run_for(double seconds);
  void pump();
  // Any thread: a running run()/run_for() returns.
  void quit();
  int fd() const { return native_->fd(); }

  // Runs the component's code: the interpreter lock released, Ctrl-C ending
  // its waits. Then raises what a Python handler raised meanwhile, or a
  // pending KeyboardInterrupt, releasing the transmitter first.
  template <class F>
  void call_native(F&& body) {
    try {
      StopOnInterrupt interrupts;
      py::gil_scoped_release release;
      body();
    } catch (...) {
      back_in_python();
      throw;
    }
    back_in_python();
  }

  // A connector of this apartment for Python: the transmitter is released
  // when the last one goes.
  std::shared_ptr<TOVRAK_Connector> make_connector();

  // A Python handler raised while the component ran: the exception is kept,
  // the running loop stops, and it is raised when control is back in Python.
  void keep_error(py::error_already_set&& e);

  // Releases a transmission the program keyed and left on (on this
  // apartment's thread only).
  void release_transmitter();

 private:
  void run_until_quit(std::optional<double> seconds);
  void back_in_python();

  std::thread::id owner_;
  std::unique_ptr<NativeApartment> native_;
  std::atomic<bool> quit_{false};
  std::optional<py::error_already_set> kept_;
  station::TransmitGuard transmitter_;
  int connectors_ = 0;
};

}  // namespace tovrak::python
