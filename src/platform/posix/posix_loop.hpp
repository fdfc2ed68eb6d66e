// The machinery behind a PosixApartment. One epoll set holds the wake-up
// eventfd of posted tasks, a timerfd armed at the earliest timer deadline and
// the descriptors of the open serial ports, so that a single descriptor tells
// a host's own loop that the apartment has work, and the apartment's own loop
// waits on that descriptor until there is some.
#pragma once

#include <sys/epoll.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/timer_queue.hpp"
#include "tovrak/platform.hpp"

namespace tovrak::platform {

class SerialLink;
struct PortLocator;

// The program's stop request (Ctrl-C, SIGTERM), process-wide: a flag, and a
// descriptor that is readable while the flag is set, so that every wait of
// the platform (the loop's, a sleep, opening a remote port) ends on it at once.
namespace stop_request {
// Async-signal-safe.
void raise();
void withdraw();
bool raised();
int fd();
}  // namespace stop_request

// The loop's time. CLOCK_MONOTONIC, unless a test gives a clock of its own
// to drive timers late, early or exactly on time.
class LoopClock {
 public:
  virtual ~LoopClock() = default;
  // Nanoseconds.
  virtual int64_t now_ns() = 0;
  // Returns at `deadline_ns`, or as soon as `stop_fd` is readable (-1: none).
  virtual void sleep_until(int64_t deadline_ns, int stop_fd) = 0;
};

// What a test may put in place of the operating system's own: the clock, and
// what opens a serial port (a link that fails the way devices fail).
struct LoopSeams {
  std::shared_ptr<LoopClock> clock;  // none: CLOCK_MONOTONIC
  std::function<std::unique_ptr<SerialLink>(const PortLocator&)> open_link;  // none: the device's
};

// A descriptor the loop watches for the apartment (an open serial port).
class LoopWatcher {
 public:
  virtual ~LoopWatcher() = default;
  // Called on the apartment thread while messages are processed: `events`
  // are the epoll events of the descriptor, or 0 when the watcher asked for
  // attention itself.
  virtual void on_ready(uint32_t events) = 0;
};

class PosixLoop : public std::enable_shared_from_this<PosixLoop> {
 public:
  // Throws std::system_error when the kernel refuses a descriptor.
  explicit PosixLoop(LoopSeams seams = {});
  ~PosixLoop();
  PosixLoop(const PosixLoop&) = delete;
  PosixLoop& operator=(const PosixLoop&) = delete;

  // The loop's clock, in nanoseconds.
  int64_t now_ns() const { return clock_->now_ns(); }
  // Returns at `deadline_ns`, or at once when the program is asked to stop
  // (unless `ignore_stop`).
  void sleep_until(int64_t deadline_ns, bool ignore_stop);
  // Opens the serial link at `where` (the seam's, or the device's).
  std::unique_ptr<SerialLink> open_link(const PortLocator& where);

  // Readable while there is work: a posted task, a ready port, a due timer.
  int fd() const { return epoll_fd_; }

  // Any thread.
  void post(std::function<void()> task);
  void wake();

  // Blocks until there is work, `timeout_ms` passed (negative: no limit), or
  // (unless `ignore_stop`) the program is asked to stop. What it found ready
  // is what the pump_once() that follows handles.
  void wait(int timeout_ms, bool ignore_stop);
  // Posted tasks present at entry (when the wake-up was set), then ready
  // ports, then each due timer once.
  void pump_once();
  // Times the loop came back from a wait: a measure of how often it wakes.
  uint64_t wakeups() const { return wakeups_; }

  std::unique_ptr<Timer> create_timer(int32_t interval_ms, bool enabled,
                                      std::function<void()> tick);

  // Ports. A watch stays registered until unwatch(); stop_polling() takes its
  // descriptor out of the poll set (a device that went away, a listener that
  // cannot accept for now) while attention() still reaches the watcher at the
  // next processing; resume_polling() puts it back. A descriptor epoll cannot
  // watch (a regular file) is ready at every processing, as poll() has it.
  uint64_t watch(int fd, LoopWatcher* watcher);
  void unwatch(uint64_t id);
  void want_write(uint64_t id, bool on);
  void stop_polling(uint64_t id);
  void resume_polling(uint64_t id);
  void attention(uint64_t id);

  void set_write_observer(std::function<void(std::string_view)> observer) {
    write_observer_ = std::move(observer);
  }
  void observe_write(std::string_view bytes) {
    if (write_observer_) write_observer_(bytes);
  }
  // Bytes as they arrive from a device, and a device lost with the reason.
  void set_read_observer(std::function<void(std::string_view)> observer) {
    read_observer_ = std::move(observer);
  }
  void observe_read(std::string_view bytes) {
    if (read_observer_) read_observer_(bytes);
  }
  void set_lost_observer(std::function<void(const std::string&)> observer) {
    lost_observer_ = std::move(observer);
  }
  void observe_lost(const std::string& reason) {
    if (lost_observer_) lost_observer_(reason);
  }

  // Drops the posted tasks that never ran and the write observer: they may
  // hold objects that must go while the apartment still exists.
  void shutdown();

 private:
  struct Watch {
    uint64_t id;
    int fd;
    LoopWatcher* watcher;
    bool writing;
    bool polled;
    bool always_ready;  // a file epoll refuses
  };

  Watch* find(uint64_t id);
  // Into the poll set; a file epoll refuses is then always ready.
  void add(Watch& w);
  void modify(const Watch& w);
  static constexpr int kMaxEvents = 16;
  using Events = std::array<epoll_event, kMaxEvents>;
  // What epoll reports ready, waiting up to `timeout_ms`; the stop
  // request's descriptor, reported once, is taken out until re-armed.
  int gather(Events& evs, int timeout_ms);
  void arm_stop();
  void run_posted();
  void dispatch_ports(const Events& evs, int n);
  void rearm();

  std::shared_ptr<LoopClock> clock_;
  std::function<std::unique_ptr<SerialLink>(const PortLocator&)> open_link_;

  int epoll_fd_ = -1;
  int wake_fd_ = -1;
  int timer_fd_ = -1;
  bool stop_armed_ = false;  // the stop request's descriptor is in the poll set
  Events ready_{};           // what the last wait() found, for the next pump_once()
  int ready_n_ = -1;         // -1: nothing found by a wait() that no pump has taken

  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;

  TimerQueue timers_;
  int64_t armed_at_ns_;  // deadline the timerfd is set to; INT64_MAX when disarmed

  std::vector<Watch> watches_;
  std::vector<uint64_t> attention_;
  uint64_t next_watch_id_;

  std::function<void(std::string_view)> write_observer_;
  std::function<void(std::string_view)> read_observer_;
  std::function<void(const std::string&)> lost_observer_;
  uint64_t wakeups_ = 0;
};

}  // namespace tovrak::platform
