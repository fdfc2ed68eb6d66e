#include "apartment.hpp"

#include <chrono>
#include <stdexcept>

namespace tovrak::python {

namespace {
// The loop comes back to Python this often, so that Ctrl-C is seen.
constexpr double kSliceSeconds = 0.2;
}  // namespace

Apartment::Apartment()
    : owner_(std::this_thread::get_id()), native_(std::make_unique<NativeApartment>()) {}

Apartment::~Apartment() {
  // The component ends with the native apartment and drops the Python
  // handlers it holds: that needs the interpreter lock, which the Python
  // object holding this has.
  native_.reset();
}

std::shared_ptr<Apartment> Apartment::current() {
  thread_local std::weak_ptr<Apartment> mine;
  auto a = mine.lock();
  if (!a) {
    a = std::make_shared<Apartment>();
    mine = a;
  }
  return a;
}

void Apartment::check_thread() const {
  if (std::this_thread::get_id() != owner_) {
    throw std::runtime_error("tovrak: an apartment is used only by the thread that created it");
  }
}

void Apartment::run() { run_until_quit(std::nullopt); }

void Apartment::run_for(double seconds) {
  if (!(seconds >= 0)) throw std::invalid_argument("run_for: seconds must be 0 or more");
  run_until_quit(seconds);
}

void Apartment::run_until_quit(std::optional<double> seconds) {
  check_thread();
  using Clock = std::chrono::steady_clock;
  const auto end = seconds ? Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                std::chrono::duration<double>(*seconds))
                           : Clock::time_point::max();
  quit_ = false;
  for (;;) {
    auto left = std::chrono::duration<double>(end - Clock::now()).count();
    double slice = std::min(left, kSliceSeconds);
    if (slice > 0) {
      py::gil_scoped_release release;
      native_->run_for(std::chrono::milliseconds(static_cast<int64_t>(slice * 1000.0 + 0.5)));
    } else {
      py::gil_scoped_release release;
      native_->pump_once();
    }
    raise_kept();
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    if (quit_.exchange(false) || Clock::now() >= end) return;
  }
}

void Apartment::pump() {
  check_thread();
  {
    py::gil_scoped_release release;
    native_->pump_once();
  }
  raise_kept();
}

void Apartment::quit() {
  quit_ = true;
  native_->quit();
}

void Apartment::keep_error(py::error_already_set&& e) {
  if (!kept_) kept_.emplace(std::move(e));
  quit();
}

void Apartment::raise_kept() {
  if (!kept_) return;
  py::error_already_set e = std::move(*kept_);
  kept_.reset();
  throw e;
}

}  // namespace tovrak::python
