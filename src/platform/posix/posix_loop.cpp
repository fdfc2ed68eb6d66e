#include "platform/posix/posix_loop.hpp"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <system_error>
#include <utility>

#include "platform/posix/serial_link.hpp"

namespace tovrak::platform {

namespace {

// epoll keys of the loop's own descriptors; ports get keys from here on.
constexpr uint64_t kWakeKey = 0;
constexpr uint64_t kTimerKey = 1;
constexpr uint64_t kStopKey = 2;
constexpr uint64_t kFirstWatchKey = 3;
constexpr int64_t kNever = INT64_MAX;

[[noreturn]] void fail(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void add_to(int epoll_fd, int fd, uint64_t key, int op = EPOLL_CTL_ADD, uint32_t flags = 0) {
  epoll_event ev{};
  ev.events = EPOLLIN | flags;
  ev.data.u64 = key;
  if (epoll_ctl(epoll_fd, op, fd, &ev) != 0) fail("epoll_ctl");
}

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
// Made when the library loads, so that a signal handler finds it there.
const int g_stop_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

class MonotonicClock : public LoopClock {
 public:
  int64_t now_ns() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
  }
  void sleep_until(int64_t deadline_ns, int stop_fd) override {
    // An absolute deadline: a signal that interrupts the sleep does not
    // lengthen it; a stop request ends it.
    for (int64_t now = now_ns(); now < deadline_ns; now = now_ns()) {
      if (stop_fd >= 0 && stop_request::raised()) return;
      const int64_t left = deadline_ns - now;
      timespec span{left / 1'000'000'000, left % 1'000'000'000};
      pollfd p{stop_fd, POLLIN, 0};
      ppoll(&p, stop_fd >= 0 ? 1 : 0, &span, nullptr);
    }
  }
};

}  // namespace

// ---------------------------------------------------------------- stop request

namespace stop_request {

void raise() {
  g_stop.store(true);
  uint64_t one = 1;
  // Saturated (EAGAIN) is readable anyway.
  if (g_stop_fd >= 0) (void)!write(g_stop_fd, &one, sizeof one);
}

void withdraw() {
  g_stop.store(false);
  uint64_t count;
  if (g_stop_fd >= 0) (void)!read(g_stop_fd, &count, sizeof count);
}

bool raised() { return g_stop.load(); }
int fd() { return g_stop_fd; }

}  // namespace stop_request

// ---------------------------------------------------------------- loop

PosixLoop::PosixLoop(LoopSeams seams)
    : clock_(seams.clock ? std::move(seams.clock) : std::make_shared<MonotonicClock>()),
      open_link_(seams.open_link ? std::move(seams.open_link) : open_serial_link),
      timers_([clock = clock_] { return clock->now_ns(); }, [this] { rearm(); }),
      armed_at_ns_(kNever),
      next_watch_id_(kFirstWatchKey) {
  epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
  if (epoll_fd_ < 0) fail("epoll_create1");
  wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_fd_ < 0) {
    int err = errno;
    close(epoll_fd_);
    throw std::system_error(err, std::generic_category(), "eventfd");
  }
  timer_fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  if (timer_fd_ < 0) {
    int err = errno;
    close(wake_fd_);
    close(epoll_fd_);
    throw std::system_error(err, std::generic_category(), "timerfd_create");
  }
  try {
    add_to(epoll_fd_, wake_fd_, kWakeKey);
    add_to(epoll_fd_, timer_fd_, kTimerKey);
    // Reported once per stop request: a host that watches fd() and lets the
    // request be is woken once, not for as long as the request stands.
    if (g_stop_fd >= 0) add_to(epoll_fd_, g_stop_fd, kStopKey, EPOLL_CTL_ADD, EPOLLONESHOT);
    stop_armed_ = g_stop_fd >= 0;
  } catch (...) {
    close(timer_fd_);
    close(wake_fd_);
    close(epoll_fd_);
    throw;
  }
}

PosixLoop::~PosixLoop() {
  close(timer_fd_);
  close(wake_fd_);
  close(epoll_fd_);
}

void PosixLoop::sleep_until(int64_t deadline_ns, bool ignore_stop) {
  clock_->sleep_until(deadline_ns, ignore_stop ? -1 : stop_request::fd());
}

std::unique_ptr<SerialLink> PosixLoop::open_link(const PortLocator& where) {
  return open_link_(where);
}

void PosixLoop::post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(posted_mutex_);
    posted_.push_back(std::move(task));
  }
  wake();
}

void PosixLoop::wake() {
  uint64_t one = 1;
  // EAGAIN means the counter is saturated: the loop is awake anyway.
  while (write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void PosixLoop::wait(int timeout_ms, bool ignore_stop) {
  // One system call: what epoll finds here is what the pump handles.
  if (!ignore_stop) arm_stop();
  ready_n_ = gather(ready_, timeout_ms);
  ++wakeups_;
}

void PosixLoop::arm_stop() {
  if (stop_armed_ || g_stop_fd < 0) return;
  add_to(epoll_fd_, g_stop_fd, kStopKey, EPOLL_CTL_MOD, EPOLLONESHOT);
  stop_armed_ = true;
}

int PosixLoop::gather(Events& evs, int timeout_ms) {
  int n = epoll_wait(epoll_fd_, evs.data(), kMaxEvents, timeout_ms);
  if (n < 0 && errno != EINTR) fail("epoll_wait");
  n = std::max(n, 0);
  for (int i = 0; i < n; ++i) {
    if (evs[i].data.u64 == kStopKey) stop_armed_ = false;
  }
  return n;
}

void PosixLoop::pump_once() {
  // Taken whole at entry: a task that pumps messages itself gathers its own.
  Events evs;
  int n = ready_n_;
  if (n >= 0) {
    evs = ready_;
    ready_n_ = -1;
  } else {
    n = gather(evs, 0);
  }
  // Posted tasks come with the wake-up set; one posted after this look sets
  // it again and brings the loop straight back.
  if (std::any_of(evs.begin(), evs.begin() + n,
                  [](const epoll_event& e) { return e.data.u64 == kWakeKey; })) {
    run_posted();
  }
  dispatch_ports(evs, n);
  timers_.tick_all_due();
  rearm();
}

void PosixLoop::run_posted() {
  // Clear the wake-up first: a task posted from now on sets it again and
  // brings the loop back for it.
  uint64_t count;
  while (read(wake_fd_, &count, sizeof count) < 0 && errno == EINTR) {
  }
  size_t n;
  {
    std::lock_guard<std::mutex> lock(posted_mutex_);
    n = posted_.size();
  }
  // Only the tasks present at entry; a task may pump messages itself and
  // take some of them first.
  for (; n > 0; --n) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(posted_mutex_);
      if (posted_.empty()) break;
      task = std::move(posted_.front());
      posted_.pop_front();
    }
    task();
  }
}

void PosixLoop::dispatch_ports(const Events& evs, int n) {
  // Ports beyond kMaxEvents stay ready and come next time round. A handler
  // (or a task before them) may close or destroy any port, or read what made
  // it ready: each is looked up again, and a port finds nothing to read.
  for (int i = 0; i < n; ++i) {
    if (evs[i].data.u64 < kFirstWatchKey) continue;
    if (Watch* w = find(evs[i].data.u64)) w->watcher->on_ready(evs[i].events);
  }
  std::vector<uint64_t> files;
  for (const Watch& w : watches_) {
    if (w.always_ready) files.push_back(w.id);
  }
  for (uint64_t id : files) {
    Watch* w = find(id);
    if (w && w->always_ready) w->watcher->on_ready(EPOLLIN | (w->writing ? EPOLLOUT : 0u));
  }
  // Still ready at the next processing: the loop does not block meanwhile.
  if (!files.empty()) wake();
  // Watchers that asked for attention (bytes read outside the loop, a device
  // found gone during a write) get a call of their own.
  if (attention_.empty()) return;
  std::vector<uint64_t> asked;
  asked.swap(attention_);
  for (uint64_t id : asked) {
    if (Watch* w = find(id)) w->watcher->on_ready(0);
  }
}

std::unique_ptr<Timer> PosixLoop::create_timer(int32_t interval_ms, bool enabled,
                                               std::function<void()> tick) {
  return timers_.create(interval_ms, enabled, std::move(tick));
}

void PosixLoop::rearm() {
  // A timer inside its own handler waits: the pump that ends the handler
  // arms the timerfd again.
  int64_t earliest = timers_.next_due();
  // Setting the timerfd also clears its expiry, so an expired deadline is
  // always set again: to the next one, or to one already due (fires at once).
  if (earliest == armed_at_ns_ && (earliest == kNever || earliest > clock_->now_ns())) return;
  itimerspec due{};
  if (earliest != kNever) {
    // A zero it_value would disarm: a deadline at the epoch is one nanosecond later.
    int64_t at = std::max<int64_t>(earliest, 1);
    due.it_value.tv_sec = at / 1'000'000'000;
    due.it_value.tv_nsec = at % 1'000'000'000;
  }
  if (timerfd_settime(timer_fd_, TFD_TIMER_ABSTIME, &due, nullptr) != 0) fail("timerfd_settime");
  armed_at_ns_ = earliest;
}

PosixLoop::Watch* PosixLoop::find(uint64_t id) {
  for (auto& w : watches_) {
    if (w.id == id) return &w;
  }
  return nullptr;
}

void PosixLoop::modify(const Watch& w) {
  epoll_event ev{};
  ev.events = EPOLLIN | (w.writing ? EPOLLOUT : 0u);
  ev.data.u64 = w.id;
  if (epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, w.fd, &ev) != 0) fail("epoll_ctl");
}

void PosixLoop::add(Watch& w) {
  w.polled = true;
  epoll_event ev{};
  ev.events = EPOLLIN | (w.writing ? EPOLLOUT : 0u);
  ev.data.u64 = w.id;
  if (epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, w.fd, &ev) == 0) return;
  if (errno != EPERM) fail("epoll_ctl");
  w.polled = false;
  w.always_ready = true;
  wake();
}

uint64_t PosixLoop::watch(int fd, LoopWatcher* watcher) {
  Watch w{next_watch_id_++, fd, watcher, false, false, false};
  add(w);
  watches_.push_back(w);
  return w.id;
}

void PosixLoop::unwatch(uint64_t id) {
  stop_polling(id);
  watches_.erase(
      std::remove_if(watches_.begin(), watches_.end(), [id](const Watch& w) { return w.id == id; }),
      watches_.end());
  attention_.erase(std::remove(attention_.begin(), attention_.end(), id), attention_.end());
}

void PosixLoop::want_write(uint64_t id, bool on) {
  Watch* w = find(id);
  if (!w || w->writing == on) return;
  w->writing = on;
  if (w->polled) modify(*w);
}

void PosixLoop::stop_polling(uint64_t id) {
  Watch* w = find(id);
  if (!w) return;
  w->always_ready = false;
  if (!w->polled) return;
  w->polled = false;
  // The descriptor may already be closed by the kernel's side of a hangup;
  // removing it then fails harmlessly.
  epoll_event ev{};
  epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, w->fd, &ev);
}

void PosixLoop::resume_polling(uint64_t id) {
  Watch* w = find(id);
  if (w && !w->polled && !w->always_ready) add(*w);
}

void PosixLoop::attention(uint64_t id) {
  if (!find(id)) return;
  if (std::find(attention_.begin(), attention_.end(), id) == attention_.end()) {
    attention_.push_back(id);
  }
  wake();
}

void PosixLoop::shutdown() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard<std::mutex> lock(posted_mutex_);
    dropped.swap(posted_);
  }
  dropped.clear();
  write_observer_ = nullptr;
  read_observer_ = nullptr;
  lost_observer_ = nullptr;
}

}  // namespace tovrak::platform
