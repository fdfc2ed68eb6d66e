#include "hosts/sim/sim_link.hpp"

#include <algorithm>
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

}  // namespace tovrak::sim
