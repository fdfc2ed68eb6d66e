// The machinery behind a PosixApartment. One epoll set holds the wake-up
// eventfd of posted tasks, a timerfd armed at the earliest timer deadline and
// the descriptors of the open serial ports, so that a single descriptor tells
// a host's own loop that the apartment has work, and the apartment's own loop
// waits on that descriptor until there is some.
#pragma once

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
  PosixLoop();
  ~PosixLoop();
  PosixLoop(const PosixLoop&) = delete;
  PosixLoop& operator=(const PosixLoop&) = delete;

  // CLOCK_MONOTONIC in nanoseconds.
  static int64_t now_ns();

  // Readable while there is work: a posted task, a ready port, a due timer.
  int fd() const { return epoll_fd_; }

  // Any thread.
  void post(std::function<void()> task);
  void wake();

  // Blocks until there is work or `timeout_ms` passed (negative: no limit).
  void wait(int timeout_ms);
  // Posted tasks present at entry, then ready ports, then each due timer once.
  void pump_once();
  // Times the loop came back from a wait: a measure of how often it wakes.
  uint64_t wakeups() const { return wakeups_; }

  std::unique_ptr<Timer> create_timer(int32_t interval_ms, bool enabled,
                                      std::function<void()> tick);

  // Ports. A watch stays registered until unwatch(); stop_polling() takes its
  // descriptor out of the poll set (a device that went away) while
  // attention() still reaches the watcher at the next processing.
  uint64_t watch(int fd, LoopWatcher* watcher);
  void unwatch(uint64_t id);
  void want_write(uint64_t id, bool on);
  void stop_polling(uint64_t id);
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
  };

  Watch* find(uint64_t id);
  void control(const Watch& w, int op);
  void run_posted();
  void dispatch_ports();
  void rearm();

  int epoll_fd_ = -1;
  int wake_fd_ = -1;
  int timer_fd_ = -1;

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
