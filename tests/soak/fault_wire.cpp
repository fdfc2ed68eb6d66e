#include "soak/fault_wire.hpp"

#include <algorithm>
#include <string>
#include <utility>

namespace tovrak::soak {

struct FaultWire::Wire : std::enable_shared_from_this<FaultWire::Wire> {
  sim::SimRadio* radio;
  platform::VirtualApartment* apt;
  Dice dice;
  LineFaults faults;
  LineStats stats;
  std::function<void(int64_t, std::string_view)> observer;
  std::function<void(std::string_view)> arrival;
  sim::RadioWakeups wakeups;
  int64_t tail_us = 0;  // bytes leave the cable in order: none before this time
  bool attached = true;

  Wire(sim::SimRadio& r, platform::VirtualApartment& a, uint64_t seed)
      : radio(&r), apt(&a), dice{seed ^ 0x63616272656C696Eull}, wakeups(r, a) {}

  // Bytes reach the component's end at `at`, after everything sent before.
  void arrive(int64_t at, std::string bytes) {
    at = std::max(at, tail_us);
    tail_us = at;
    if (at <= apt->now_us()) {
      deliver(bytes);
      return;
    }
    std::weak_ptr<Wire> weak = shared_from_this();
    apt->schedule_outside(at, [weak, b = std::move(bytes)] {
      if (auto w = weak.lock(); w && w->attached) w->deliver(b);
    });
  }
  void deliver(std::string_view bytes) {
    if (arrival) arrival(bytes);
    apt->line().radio_sends(bytes);
  }

  // One answer of the radio, as it leaves the radio now.
  void from_radio(std::string_view answer) {
    ++stats.answers;
    if (dice.chance(faults.drop)) {
      ++stats.dropped;
      return;
    }
    std::string bytes(answer);
    if (!bytes.empty() && dice.chance(faults.garble)) {
      auto i = static_cast<size_t>(dice.below(static_cast<int64_t>(bytes.size())));
      char c;
      do {
        c = static_cast<char>(0x21 + dice.below(0x5E));
      } while (c == bytes[i]);
      bytes[i] = c;
      ++stats.garbled;
    }
    int64_t at = apt->now_us();
    if (faults.max_delay_us > 0 && dice.chance(faults.delay)) {
      at += dice.between(1, faults.max_delay_us);
      ++stats.delayed;
    }
    if (bytes.size() >= 2 && faults.split_gap_us > 0 && dice.chance(faults.split)) {
      auto cut = static_cast<size_t>(dice.between(1, static_cast<int64_t>(bytes.size()) - 1));
      arrive(at, bytes.substr(0, cut));
      arrive(at + dice.between(1, faults.split_gap_us), bytes.substr(cut));
      ++stats.split;
      return;
    }
    arrive(at, std::move(bytes));
  }
};

FaultWire::FaultWire(sim::SimRadio& radio, platform::VirtualApartment& apt, uint64_t seed)
    : wire_(std::make_shared<Wire>(radio, apt, seed)) {
  std::weak_ptr<Wire> weak = wire_;
  apt.line().on_write([weak](int64_t us, std::string_view bytes) {
    auto w = weak.lock();
    if (!w || !w->attached) return;
    if (w->observer) w->observer(us, bytes);
    w->radio->receive(bytes, us);
  });
  radio.on_send([weak](std::string_view bytes) {
    if (auto w = weak.lock(); w && w->attached) w->from_radio(bytes);
  });
  radio.on_due([weak](int64_t at) {
    if (auto w = weak.lock(); w && w->attached) w->wakeups.wake(at);
  });
  wire_->tail_us = apt.now_us();
  radio.advance(apt.now_us());
}

FaultWire::~FaultWire() {
  wire_->attached = false;
  wire_->wakeups.stop();
  wire_->radio->on_send(nullptr);
  wire_->radio->on_due(nullptr);
}

void FaultWire::set_faults(const LineFaults& faults) { wire_->faults = faults; }
void FaultWire::on_arrive(std::function<void(std::string_view)> observer) {
  wire_->arrival = std::move(observer);
}
const LineStats& FaultWire::stats() const { return wire_->stats; }
void FaultWire::on_write(std::function<void(int64_t, std::string_view)> observer) {
  wire_->observer = std::move(observer);
}

}  // namespace tovrak::soak
