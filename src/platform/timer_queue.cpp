#include "platform/timer_queue.hpp"

#include <algorithm>
#include <utility>
#include <vector>

namespace tovrak::platform {

struct TimerQueue::Slot : std::enable_shared_from_this<Slot> {
  int32_t interval_ms = 0;
  bool enabled = false;
  bool alive = true;     // its Timer exists
  bool ticking = false;  // its handler is running
  int64_t next_due = 0;
  uint64_t seq = 0;
  std::function<void()> tick;

  bool can_tick() const { return alive && enabled && interval_ms > 0 && !ticking; }
  bool before(const Slot& other) const {
    return next_due != other.next_due ? next_due < other.next_due : seq < other.seq;
  }
  void restart(int64_t now) { next_due = now + int64_t{interval_ms} * 1'000'000; }
};

struct TimerQueue::Shared {
  Clock now;
  std::function<void()> changed;
  std::vector<std::shared_ptr<Slot>> slots;
  uint64_t next_seq = 0;

  void notify() {
    if (changed) changed();
  }
  Slot* earliest() const {
    Slot* best = nullptr;
    for (auto& s : slots) {
      if (s->can_tick() && (!best || s->before(*best))) best = s.get();
    }
    return best;
  }
  void fire(Slot& s) {
    // Periods run on the grid from the timer's start; all that passed give
    // one tick.
    int64_t period = int64_t{s.interval_ms} * 1'000'000;
    int64_t late = now() - s.next_due;
    s.next_due += (late / period + 1) * period;
    // The handler may destroy the timer: the slot, and so the handler, is held.
    struct Ticking {
      std::shared_ptr<Slot> slot;
      explicit Ticking(std::shared_ptr<Slot> s) : slot(std::move(s)) { slot->ticking = true; }
      ~Ticking() { slot->ticking = false; }
    } ticking(s.shared_from_this());
    ticking.slot->tick();
  }
};

namespace {

class QueuedTimer : public Timer {
 public:
  QueuedTimer(std::weak_ptr<TimerQueue::Shared> queue, std::shared_ptr<TimerQueue::Slot> slot)
      : queue_(std::move(queue)), slot_(std::move(slot)) {}
  ~QueuedTimer() override {
    slot_->alive = false;
    auto queue = queue_.lock();
    if (!queue) return;
    std::erase(queue->slots, slot_);
    queue->notify();
  }

  void set_interval(int32_t ms) override {
    slot_->interval_ms = ms;
    restart();
  }
  int32_t interval() const override { return slot_->interval_ms; }
  void set_enabled(bool enabled) override {
    if (enabled == slot_->enabled) return;
    slot_->enabled = enabled;
    restart();
  }
  bool enabled() const override { return slot_->enabled; }

 private:
  void restart() {
    auto queue = queue_.lock();
    if (!queue) return;
    slot_->restart(queue->now());
    queue->notify();
  }

  std::weak_ptr<TimerQueue::Shared> queue_;
  std::shared_ptr<TimerQueue::Slot> slot_;
};

}  // namespace

TimerQueue::TimerQueue(Clock now, std::function<void()> changed)
    : shared_(std::make_shared<Shared>()) {
  shared_->now = std::move(now);
  shared_->changed = std::move(changed);
}

TimerQueue::~TimerQueue() = default;

std::unique_ptr<Timer> TimerQueue::create(int32_t interval_ms, bool enabled,
                                          std::function<void()> tick) {
  auto slot = std::make_shared<Slot>();
  slot->interval_ms = interval_ms;
  slot->enabled = enabled;
  slot->restart(shared_->now());
  slot->seq = shared_->next_seq++;
  slot->tick = std::move(tick);
  shared_->slots.push_back(slot);
  shared_->notify();
  return std::make_unique<QueuedTimer>(shared_, std::move(slot));
}

int64_t TimerQueue::next_due() const {
  Slot* s = shared_->earliest();
  return s ? s->next_due : kNever;
}

bool TimerQueue::tick_earliest() {
  Slot* s = shared_->earliest();
  if (!s || s->next_due > shared_->now()) return false;
  shared_->fire(*s);
  return true;
}

void TimerQueue::tick_all_due() {
  int64_t now = shared_->now();
  std::vector<std::shared_ptr<Slot>> due;
  for (auto& s : shared_->slots) {
    if (s->can_tick() && s->next_due <= now) due.push_back(s);
  }
  if (due.empty()) return;
  std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a->before(*b); });
  for (auto& s : due) {
    // An earlier handler may have stopped, restarted or destroyed this timer.
    if (s->can_tick() && s->next_due <= shared_->now()) shared_->fire(*s);
  }
}

}  // namespace tovrak::platform
