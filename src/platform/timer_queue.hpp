// Window-style timers on one monotonic clock: the queue of the apartments
// that keep their own (the virtual one and the Linux one; the Windows
// apartment uses window timers). One set of rules for both:
//   - a timer's periods run on a grid from the moment it was started (created,
//     enabled, or given an interval);
//   - periods that passed while no messages were processed give one tick, and
//     the next tick falls on the grid again;
//   - due timers tick in due order (deadline, then creation);
//   - a timer never ticks inside its own handler: a handler that processes
//     messages sees the other timers only;
//   - an interval of 0 or less, or a disabled timer, never ticks.
// The apartment decides when ticks are delivered (after its posted tasks).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "tovrak/platform.hpp"

namespace tovrak::platform {

class TimerQueue {
 public:
  static constexpr int64_t kNever = INT64_MAX;
  // Now, in nanoseconds; never goes back.
  using Clock = std::function<int64_t()>;

  // `changed` is called when the earliest deadline may have moved: a timer
  // was created, started, stopped, given an interval or destroyed.
  explicit TimerQueue(Clock now, std::function<void()> changed = nullptr);
  ~TimerQueue();
  TimerQueue(const TimerQueue&) = delete;
  TimerQueue& operator=(const TimerQueue&) = delete;

  // The timer may outlive the queue; it then never ticks.
  std::unique_ptr<Timer> create(int32_t interval_ms, bool enabled, std::function<void()> tick);

  // The earliest deadline of a timer that may tick; kNever when there is none.
  int64_t next_due() const;
  // Ticks the earliest timer if it is due now; true when one ticked.
  bool tick_earliest();
  // Each timer due now ticks once, in due order.
  void tick_all_due();

  struct Slot;
  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace tovrak::platform
