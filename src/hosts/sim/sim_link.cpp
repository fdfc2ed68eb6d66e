#include "hosts/sim/sim_link.hpp"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

namespace tovrak::sim {

// ---------------------------------------------------------------- virtual line

struct RadioWakeups::State : std::enable_shared_from_this<RadioWakeups::State> {
  SimRadio* radio;
  platform::VirtualApartment* apt;
  std::multiset<int64_t> pending;  // times at which the apartment will wake the radio
  bool running = true;

  State(SimRadio& r, platform::VirtualApartment& a) : radio(&r), apt(&a) {}

  // Wake-ups never get cancelled; one that finds nothing due is idle.
  void wake(int64_t at) {
    if (!running || at == SimRadio::kNever) return;
    if (!pending.empty() && *pending.begin() <= at) return;
    pending.insert(at);
    std::weak_ptr<State> weak = shared_from_this();
    apt->schedule_outside(at, [weak, at] {
      if (auto w = weak.lock()) w->fire(at);
    });
  }

  void fire(int64_t at) {
    if (auto it = pending.find(at); it != pending.end()) pending.erase(it);
    if (!running) return;
    radio->advance(apt->now_us());
    wake(radio->next_event_us());
  }
};

RadioWakeups::RadioWakeups(SimRadio& radio, platform::VirtualApartment& apt)
    : state_(std::make_shared<State>(radio, apt)) {}

void RadioWakeups::wake(int64_t at) { state_->wake(at); }

void RadioWakeups::stop() { state_->running = false; }

struct SimLink::Wire {
  SimRadio* radio;
  platform::VirtualApartment* apt;
  RadioWakeups wakeups;
  std::function<void(int64_t, std::string_view)> observer;
  std::function<void(std::string_view)> arrival;
  bool attached = true;

  Wire(SimRadio& r, platform::VirtualApartment& a) : radio(&r), apt(&a), wakeups(r, a) {}
};

SimLink::SimLink(SimRadio& radio, platform::VirtualApartment& apt)
    : wire_(std::make_shared<Wire>(radio, apt)) {
  std::weak_ptr<Wire> weak = wire_;
  apt.line().on_write([weak](int64_t us, std::string_view bytes) {
    auto w = weak.lock();
    if (!w || !w->attached) return;
    if (w->observer) w->observer(us, bytes);
    w->radio->receive(bytes, us);
  });
  radio.on_send([weak](std::string_view bytes) {
    auto w = weak.lock();
    if (!w || !w->attached) return;
    if (w->arrival) w->arrival(bytes);
    w->apt->line().radio_sends(bytes);
  });
  radio.on_due([weak](int64_t at) {
    if (auto w = weak.lock(); w && w->attached) w->wakeups.wake(at);
  });
  radio.advance(apt.now_us());
}

SimLink::~SimLink() { detach(); }

SimLink::SimLink(SimLink&& other) noexcept : wire_(std::move(other.wire_)) {}

SimLink& SimLink::operator=(SimLink&& other) noexcept {
  if (this != &other) {
    detach();
    wire_ = std::move(other.wire_);
  }
  return *this;
}

void SimLink::on_write(std::function<void(int64_t, std::string_view)> observer) {
  if (wire_) wire_->observer = std::move(observer);
}

void SimLink::on_arrive(std::function<void(std::string_view)> observer) {
  if (wire_) wire_->arrival = std::move(observer);
}

// The line's observer and the radio's sinks stay set (another link may have
// set them since); what they hold finds the wire detached or gone.
void SimLink::detach() {
  if (!wire_) return;
  wire_->attached = false;
  wire_->wakeups.stop();
}

SimLink attach(SimRadio& radio, platform::VirtualApartment& apt) { return SimLink(radio, apt); }

// ---------------------------------------------------------------- real time

namespace {

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

int run_on_fd(SimRadio& radio, int in_fd, int out_fd, const std::atomic<bool>& stop) {
  using Clock = std::chrono::steady_clock;
  constexpr int kLongestSleepMs = 250;  // stop is looked at least this often
  const auto start = Clock::now();
  const int64_t base = radio.now_us();
  auto now_us = [&] {
    return base +
           std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  };
  radio.on_send([out_fd](std::string_view bytes) { write_all(out_fd, bytes); });
  int result = 0;
  char buf[512];
  bool hung_up = false;  // a pseudo-terminal with nobody at the other end
  // After the end of the input, answers still on their way go out first.
  const LineFaults& faults = radio.options().faults;
  const int64_t grace = radio.options().latency_us + (faults.late > 0 ? faults.late_max_us : 0) +
                        (faults.split > 0 ? faults.split_gap_us : 0) + 1000;
  int64_t end_at = SimRadio::kNever;
  while (!stop.load()) {
    int64_t now = now_us();
    radio.advance(now);
    if (now >= end_at) break;
    int64_t next = radio.next_event_us();
    int timeout = kLongestSleepMs;
    if (next != SimRadio::kNever) {
      timeout = static_cast<int>(std::clamp<int64_t>((next - now + 999) / 1000, 0, timeout));
    }
    pollfd pfd{in_fd, POLLIN, 0};
    if (end_at != SimRadio::kNever) timeout = static_cast<int>(std::min<int64_t>(timeout, 10));
    int n = hung_up || end_at != SimRadio::kNever ? ::poll(nullptr, 0, std::min(timeout, 100))
                                                  : ::poll(&pfd, 1, timeout);
    hung_up = false;
    if (n < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "tovrak sim: poll: %s\n", std::strerror(errno));
      result = 1;
      break;
    }
    if (n == 0 || pfd.revents == 0) continue;
    ssize_t k = ::read(in_fd, buf, sizeof buf);
    if (k > 0) {
      radio.receive(std::string_view(buf, static_cast<size_t>(k)), now_us());
    } else if (k == 0) {
      end_at = now_us() + grace;
    } else if (errno == EIO) {
      hung_up = true;
    } else if (errno != EINTR && errno != EAGAIN) {
      std::fprintf(stderr, "tovrak sim: read: %s\n", std::strerror(errno));
      result = 1;
      break;
    }
  }
  radio.on_send(nullptr);
  return result;
}

}  // namespace tovrak::sim
