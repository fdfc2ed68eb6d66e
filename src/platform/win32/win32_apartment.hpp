// The Windows apartment: one per thread that uses the component, created on
// first use on that thread. Its messages go through a hidden message-only
// window on the host's own message loop: posted tasks, timer ticks
// (SetTimer) and the serial control's receive notifications.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "tovrak/platform.hpp"

namespace tovrak::platform {

class Win32Timer;
class Win32Serial;

class Win32Apartment final : public Apartment {
 public:
  // The apartment of the calling thread, created on first use.
  static Win32Apartment& Current();
  // The calling thread's apartment, or null when it has none.
  static Win32Apartment* CurrentIfAny();
  // Ends the calling thread's apartment if nothing in it is alive any more
  // (no timer, no serial control). True when the thread has no apartment
  // afterwards.
  static bool EndCurrentIfIdle();
  // Ends the calling thread's apartment whatever it holds (the thread ends).
  static void EndCurrent();
  // Apartments alive in the process.
  static int Count();
  // Called when the module that holds the window procedure is unloaded.
  static void UnregisterWindowClass();

  // Creates the window on the calling thread, which then owns the apartment.
  Win32Apartment();
  ~Win32Apartment() override;

  void post(std::function<void()> task) override;
  void sleep_ms(int32_t ms) override;
  void pump_once() override;
  std::unique_ptr<Timer> create_timer(int32_t interval_ms, bool enabled,
                                      std::function<void()> tick) override;
  std::unique_ptr<SerialControl> create_serial() override;
  float clock() const override;

  HWND window() const { return hwnd_; }
  // Timers and serial controls alive in this apartment.
  size_t live_controls() const { return timers_.size() + serials_.size(); }

  // Runs f on this thread when the apartment ends, before the component ends
  // in it: what shows the component (its visible windows) goes first. The
  // number returned cancels it.
  int at_end(std::function<void()> f);
  void cancel_at_end(int id);

 private:
  friend class Win32Timer;
  friend class Win32Serial;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void run_tasks();
  void tick(UINT_PTR id);
  void serial_event(uintptr_t id);
  void note_marker(uint64_t seq);
  bool marker_seen(uint64_t seq) const { return highest_marker_seen_ >= seq; }

  HWND hwnd_ = nullptr;
  DWORD thread_ = 0;

  std::mutex tasks_mutex_;
  std::deque<std::function<void()>> tasks_;
  bool wake_posted_ = false;

  uint64_t next_marker_ = 1;
  uint64_t highest_marker_seen_ = 0;

  std::map<UINT_PTR, Win32Timer*> timers_;
  std::set<UINT_PTR> ticking_;  // timers whose handler is running
  UINT_PTR next_timer_id_ = 1;
  std::map<uintptr_t, Win32Serial*> serials_;
  uintptr_t next_serial_id_ = 1;

  std::map<int, std::function<void()>> at_end_;
  int next_at_end_ = 1;
};

}  // namespace tovrak::platform
