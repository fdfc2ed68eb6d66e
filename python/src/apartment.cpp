#include "apartment.hpp"

#include <chrono>
#include <cmath>
#include <stdexcept>

#include "tovrak/connector.hpp"

namespace tovrak::python {

namespace {
// The loop comes back to Python this often, so that Python's signal handlers
// run (Ctrl-C ends the loop at once).
constexpr double kSliceSeconds = 0.2;
// A span no run reaches (some 30 years): run_for runs until quit().
constexpr double kNoEndSeconds = 1e9;

std::weak_ptr<Apartment>& this_threads() {
  thread_local std::weak_ptr<Apartment> mine;
  return mine;
}
}  // namespace

Apartment::Apartment()
    : owner_(std::this_thread::get_id()), native_(std::make_unique<NativeApartment>()) {
  native_->on_serial_write([this](std::string_view bytes) { transmitter_.on_write(bytes); });
}

Apartment::~Apartment() {
  release_transmitter();
  // The component ends with the native apartment and drops the Python
  // handlers it holds: that needs the interpreter lock, which the Python
  // object holding this has.
  native_.reset();
}

std::shared_ptr<Apartment> Apartment::current() {
  auto a = this_threads().lock();
  if (!a) {
    a = std::make_shared<Apartment>();
    this_threads() = a;
  }
  return a;
}

std::shared_ptr<Apartment> Apartment::existing() { return this_threads().lock(); }

void Apartment::check_thread() const {
  if (std::this_thread::get_id() != owner_) {
    throw std::runtime_error("tovrak: an apartment is used only by the thread that created it");
  }
}

void Apartment::run() { run_until_quit(std::nullopt); }

void Apartment::run_for(double seconds) {
  if (std::isnan(seconds) || seconds < 0) {
    throw py::value_error("run_for: seconds must be a number, 0 or more");
  }
  run_until_quit(seconds < kNoEndSeconds ? std::optional<double>(seconds) : std::nullopt);
}

void Apartment::run_until_quit(std::optional<double> seconds) {
  check_thread();
  using Clock = std::chrono::steady_clock;
  const auto end = seconds ? Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                std::chrono::duration<double>(*seconds))
                           : Clock::time_point::max();
  quit_ = false;
  for (;;) {
    const double left = std::chrono::duration<double>(end - Clock::now()).count();
    const double slice = std::min(left, kSliceSeconds);
    call_native([&] {
      if (slice > 0) {
        native_->run_for(std::chrono::milliseconds(static_cast<int64_t>(slice * 1000.0 + 0.5)));
      } else {
        native_->pump_once();
      }
    });
    if (quit_.exchange(false) || Clock::now() >= end) return;
  }
}

void Apartment::pump() {
  check_thread();
  call_native([&] { native_->pump_once(); });
}

void Apartment::quit() {
  quit_ = true;
  native_->quit();
}

std::shared_ptr<TOVRAK_Connector> Apartment::make_connector() {
  auto* connector = new TOVRAK_Connector(*native_);
  ++connectors_;
  return std::shared_ptr<TOVRAK_Connector>(connector, [self = shared_from_this()](auto* c) {
    if (--self->connectors_ == 0) self->release_transmitter();
    delete c;
  });
}

void Apartment::keep_error(py::error_already_set&& e) {
  if (!kept_) kept_.emplace(std::move(e));
  quit();
}

void Apartment::back_in_python() {
  try {
    if (kept_) {
      py::error_already_set e = std::move(*kept_);
      kept_.reset();
      throw e;
    }
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
  } catch (py::error_already_set& e) {
    if (e.matches(PyExc_KeyboardInterrupt)) release_transmitter();
    throw;
  }
}

void Apartment::release_transmitter() {
  if (!transmitter_.keyed() || std::this_thread::get_id() != owner_) return;
  try {
    py::gil_scoped_release release;
    TOVRAK_Connector connector(*native_);
    auto rig = connector.get_TOVRAK_Protocol();
    // A closed port carries nothing; the guard says so and writes nothing.
    transmitter_.release(*rig, rig->get_PortOpen() ? "" : "the port is closed");
  } catch (const std::exception&) {
    // The port went or the component ended: nothing more can be written.
  }
}

}  // namespace tovrak::python
