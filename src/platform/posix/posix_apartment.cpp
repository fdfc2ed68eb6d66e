#include "tovrak/posix_apartment.hpp"

#include <sys/epoll.h>
#include <time.h>

#include <climits>

#include "platform/posix/posix_loop.hpp"
#include "platform/posix/posix_serial.hpp"

namespace tovrak::platform {

namespace {

// A host's descriptor on the loop.
class FdWatch : public DescriptorWatch, private LoopWatcher {
 public:
  FdWatch(std::shared_ptr<PosixLoop> loop, int fd, std::function<void(FdEvents)> ready)
      : loop_(std::move(loop)), ready_(std::move(ready)) {
    id_ = loop_->watch(fd, this);
  }
  ~FdWatch() override { loop_->unwatch(id_); }
  void want_output(bool on) override { loop_->want_write(id_, on); }
  void pause(bool paused) override {
    paused ? loop_->stop_polling(id_) : loop_->resume_polling(id_);
  }

 private:
  void on_ready(uint32_t events) override {
    FdEvents e;
    e.input = events & EPOLLIN;
    e.output = events & EPOLLOUT;
    e.hang_up = events & (EPOLLHUP | EPOLLERR);
    auto ready = ready_;  // the handler may destroy this watch
    ready(e);
  }

  std::shared_ptr<PosixLoop> loop_;
  std::function<void(FdEvents)> ready_;
  uint64_t id_ = 0;
};

}  // namespace

void PosixApartment::request_stop() { stop_request::raise(); }
bool PosixApartment::stop_requested() { return stop_request::raised(); }
void PosixApartment::clear_stop() { stop_request::withdraw(); }
bool PosixApartment::stopping() const { return ends_on_stop() && stop_requested(); }

PosixApartment::PosixApartment(StopRequests on_stop)
    : PosixApartment(std::make_shared<PosixLoop>(), on_stop) {}

PosixApartment::PosixApartment(std::shared_ptr<PosixLoop> loop, StopRequests on_stop)
    : loop_(std::move(loop)), on_stop_(on_stop) {}

PosixApartment::~PosixApartment() {
  release_module();
  loop_->shutdown();
}

void PosixApartment::post(std::function<void()> task) { loop_->post(std::move(task)); }

void PosixApartment::sleep_ms(int32_t ms) {
  if (ms <= 0 || stopping()) return;
  loop_->sleep_until(loop_->now_ns() + int64_t{ms} * 1'000'000, !ends_on_stop());
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
  run_until(loop_->now_ns() +
            std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count());
}

void PosixApartment::run_once(std::chrono::milliseconds duration) {
  loop_->wait(static_cast<int>(duration.count()), !ends_on_stop());
  loop_->pump_once();
}

void PosixApartment::run_until(int64_t end_ns) {
  while (!quit_.exchange(false) && !stopping()) {
    // The wait ends at once on a stop request; the longest wait only bounds
    // how long a wrong clock could hold it.
    constexpr int kLongestWaitMs = 1000;
    int timeout = kLongestWaitMs;
    if (end_ns != INT64_MAX) {
      int64_t left = end_ns - loop_->now_ns();
      if (left <= 0) return;
      timeout = static_cast<int>(std::min<int64_t>((left + 999'999) / 1'000'000, kLongestWaitMs));
    }
    loop_->wait(timeout, !ends_on_stop());
    loop_->pump_once();
  }
}

void PosixApartment::quit() {
  quit_ = true;
  loop_->wake();
}

int PosixApartment::fd() const { return loop_->fd(); }

std::unique_ptr<DescriptorWatch> PosixApartment::watch(int fd,
                                                       std::function<void(FdEvents)> ready) {
  return std::make_unique<FdWatch>(loop_, fd, std::move(ready));
}

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
