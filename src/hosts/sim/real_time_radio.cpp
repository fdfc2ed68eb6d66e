#include "hosts/sim/real_time_radio.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace tovrak::sim {

namespace {

int64_t monotonic_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Writes all of the bytes; on a descriptor that would block, the rest is lost.
void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return;
    }
  }
}

}  // namespace

RealTimeRadio::RealTimeRadio(SimRadio& radio, platform::PosixApartment& apt,
                             std::function<void(std::string_view)> send)
    : radio_(radio), start_ns_(monotonic_ns()), base_us_(radio.now_us()) {
  radio_.on_send(std::move(send));
  wake_ = apt.create_timer(0, false, [this] { catch_up(); });
  catch_up();
}

RealTimeRadio::~RealTimeRadio() { radio_.on_send(nullptr); }

int64_t RealTimeRadio::now_us() const { return base_us_ + (monotonic_ns() - start_ns_) / 1000; }

void RealTimeRadio::receive(std::string_view bytes) {
  const int64_t now = now_us();
  radio_.advance(now);
  radio_.receive(bytes, now);
  catch_up();
}

void RealTimeRadio::catch_up() {
  const int64_t now = now_us();
  radio_.advance(now);
  const int64_t next = radio_.next_event_us();
  if (next == SimRadio::kNever) {
    wake_->set_enabled(false);
    return;
  }
  // Whole milliseconds, rounded up: the timer never wakes the radio early.
  const int64_t ms = std::clamp<int64_t>((next - now + 999) / 1000, 1, INT32_MAX);
  wake_->set_interval(static_cast<int32_t>(ms));
  wake_->set_enabled(true);
}

int64_t RealTimeRadio::answers_in_flight_us() const {
  const LineFaults& faults = radio_.options().faults;
  return radio_.options().latency_us + (faults.late > 0 ? faults.late_max_us : 0) +
         (faults.split > 0 ? faults.split_gap_us : 0) + 1000;
}

int run_on_descriptors(SimRadio& radio, platform::PosixApartment& apt, int in_fd, int out_fd) {
  RealTimeRadio rt(radio, apt, [out_fd](std::string_view bytes) { write_all(out_fd, bytes); });
  int result = 0;
  std::unique_ptr<platform::Timer> ending;
  std::unique_ptr<platform::DescriptorWatch> input;
  input = apt.watch(in_fd, [&](platform::FdEvents) {
    char buf[4096];
    ssize_t n = ::read(in_fd, buf, sizeof buf);
    if (n > 0) {
      rt.receive(std::string_view(buf, static_cast<size_t>(n)));
      return;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    input.reset();
    if (n < 0) {
      std::fprintf(stderr, "tovrak sim: read: %s\n", std::strerror(errno));
      result = 1;
      apt.quit();
      return;
    }
    // The input ended: the answers still on their way go out first.
    const auto grace_ms = static_cast<int32_t>((rt.answers_in_flight_us() + 999) / 1000);
    ending = apt.create_timer(grace_ms, true, [&] { apt.quit(); });
  });
  apt.run();
  return result;
}

}  // namespace tovrak::sim
