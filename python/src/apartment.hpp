// The apartment as Python sees it: owned by the thread that creates it, which
// alone may call into it and drive it (run, run_for, pump, or an event loop
// watching fd). The interpreter lock is released while it waits and while
// the component works; Python handlers take it back when they run.
#pragma once

#include <pybind11/pybind11.h>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "native.hpp"

namespace tovrak::python {

namespace py = pybind11;

class Apartment {
 public:
  Apartment();
  ~Apartment();
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

  // This thread's apartment, made on first use; it lives while Python holds
  // anything of it.
  static std::shared_ptr<Apartment> current();

  // Raises RuntimeError unless called on the owning thread.
  void check_thread() const;
  NativeApartment& native() { return *native_; }

  void run();
  void run_for(double seconds);
  void pump();
  // Any thread: a running run()/run_for() returns.
  void quit();
  int fd() const { return native_->fd(); }

  // A Python handler raised while the component ran: the exception is kept,
  // the running loop stops, and it is raised when control is back in Python.
  void keep_error(py::error_already_set&& e);
  void raise_kept();

 private:
  void run_until_quit(std::optional<double> seconds);

  std::thread::id owner_;
  std::unique_ptr<NativeApartment> native_;
  std::atomic<bool> quit_{false};
  std::optional<py::error_already_set> kept_;
};

}  // namespace tovrak::python
