#include "tovrak/posix_apartment.hpp"

#include <time.h>

#include <atomic>
#include <cerrno>
#include <climits>

#include "platform/posix/posix_loop.hpp"
#include "platform/posix/posix_serial.hpp"

namespace tovrak::platform {

namespace {
std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
}  // namespace

void PosixApartment::request_stop() { g_stop.store(true); }
bool PosixApartment::stop_requested() { return g_stop.load(); }
void PosixApartment::clear_stop() { g_stop.store(false); }
bool PosixApartment::stopping() const { return stop_requested(); }

PosixApartment::PosixApartment() : loop_(std::make_shared<PosixLoop>()) {}

PosixApartment::~PosixApartment() {
  release_module();
  loop_->shutdown();
}

void PosixApartment::post(std::function<void()> task) { loop_->post(std::move(task)); }

void PosixApartment::sleep_ms(int32_t ms) {
  if (ms <= 0 || stop_requested()) return;
  int64_t end = PosixLoop::now_ns() + int64_t{ms} * 1'000'000;
  timespec at{};
  at.tv_sec = end / 1'000'000'000;
  at.tv_nsec = end % 1'000'000'000;
  // An absolute deadline: a signal that interrupts the sleep does not
  // lengthen it; one that asks the program to stop ends it.
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR &&
         !stop_requested()) {
  }
}

void PosixApartment::pump_once() { loop_->pump_once(); }

std::unique_ptr<Timer> PosixApartment::create_timer(int32_t interval_ms, bool enabled,
                                                    std::function<void()> tick) {
  return loop_->create_timer(interval_ms, enabled, std::move(tick));
}

std::unique_ptr<SerialControl> PosixApartment::create_serial() {
  return std::make_unique<PosixSerial>(loop_);
}

float PosixApartment::clock() const {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  // The whole seconds of the day change once a second: the local time is
  // worked out then, not at every reading (the link reads the clock several
  // times a command).
  thread_local time_t second = -1;
  thread_local double seconds_of_day = 0.0;
  if (now.tv_sec != second) {
    tm local{};
    localtime_r(&now.tv_sec, &local);
    second = now.tv_sec;
    seconds_of_day = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
  }
  return static_cast<float>(seconds_of_day + static_cast<double>(now.tv_nsec) / 1e9);
}

void PosixApartment::run() { run_until(INT64_MAX); }

void PosixApartment::run_for(std::chrono::milliseconds duration) {
  run_until(PosixLoop::now_ns() +
            std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count());
}

void PosixApartment::run_until(int64_t end_ns) {
  while (!quit_.exchange(false) && !stop_requested()) {
    // A stop request interrupts the wait; one that comes just before it is
    // seen within a second.
    constexpr int kLongestWaitMs = 1000;
    int timeout = kLongestWaitMs;
    if (end_ns != INT64_MAX) {
      int64_t left = end_ns - PosixLoop::now_ns();
      if (left <= 0) return;
      timeout = static_cast<int>(std::min<int64_t>((left + 999'999) / 1'000'000, kLongestWaitMs));
    }
    loop_->wait(timeout);
    loop_->pump_once();
  }
}

void PosixApartment::quit() {
  quit_ = true;
  loop_->wake();
}

int PosixApartment::fd() const { return loop_->fd(); }

void PosixApartment::on_serial_write(std::function<void(std::string_view)> observer) {
  loop_->set_write_observer(std::move(observer));
}

void PosixApartment::on_serial_read(std::function<void(std::string_view)> observer) {
  loop_->set_read_observer(std::move(observer));
}

void PosixApartment::on_serial_lost(std::function<void(const std::string&)> observer) {
  loop_->set_lost_observer(std::move(observer));
}

uint64_t PosixApartment::wakeups() const { return loop_->wakeups(); }

}  // namespace tovrak::platform
