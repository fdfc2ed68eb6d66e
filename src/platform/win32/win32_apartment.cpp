#include "platform/win32/win32_apartment.hpp"

#include <atomic>
#include <set>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "platform/win32/win32_serial.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::platform {

namespace {

constexpr UINT kTaskMessage = WM_APP + 0x10;
constexpr UINT kMarkerMessage = WM_APP + 0x11;
constexpr wchar_t kWindowClass[] = L"TovrakApartmentWindow";
// A pump stops after this many messages even when more keep coming.
constexpr int kPumpLimit = 10000;

thread_local Win32Apartment* tls_apartment = nullptr;
std::atomic<int> g_apartments{0};
std::once_flag g_class_once;
ATOM g_class = 0;

HINSTANCE this_module() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&this_module), &module);
  return module;
}

}  // namespace

// ---------------------------------------------------------------- timers

class Win32Timer final : public Timer {
 public:
  Win32Timer(Win32Apartment& apt, UINT_PTR id, int32_t interval_ms, bool enabled,
             std::function<void()> tick)
      : apt_(apt), id_(id), interval_(interval_ms), enabled_(enabled), tick_(std::move(tick)) {
    apt_.timers_[id_] = this;
    arm();
  }
  ~Win32Timer() override {
    KillTimer(apt_.hwnd_, id_);
    apt_.timers_.erase(id_);
  }

  void set_interval(int32_t ms) override {
    interval_ = ms;
    arm();
  }
  int32_t interval() const override { return interval_; }
  void set_enabled(bool enabled) override {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    arm();
  }
  bool enabled() const override { return enabled_; }

  const std::function<void()>& tick() const { return tick_; }

 private:
  // Setting the timer again starts a fresh period; an interval of 0 or less
  // never ticks.
  void arm() {
    if (enabled_ && interval_ > 0) {
      SetTimer(apt_.hwnd_, id_, static_cast<UINT>(interval_), nullptr);
    } else {
      KillTimer(apt_.hwnd_, id_);
    }
  }

  Win32Apartment& apt_;
  UINT_PTR id_;
  int32_t interval_;
  bool enabled_;
  std::function<void()> tick_;
};

// ---------------------------------------------------------------- apartment

Win32Apartment& Win32Apartment::Current() {
  if (!tls_apartment) tls_apartment = new Win32Apartment();
  return *tls_apartment;
}

Win32Apartment* Win32Apartment::CurrentIfAny() { return tls_apartment; }

bool Win32Apartment::EndCurrentIfIdle() {
  if (tls_apartment && tls_apartment->live_controls() == 0) EndCurrent();
  return tls_apartment == nullptr;
}

void Win32Apartment::EndCurrent() { delete std::exchange(tls_apartment, nullptr); }

int Win32Apartment::Count() { return g_apartments.load(); }

void Win32Apartment::UnregisterWindowClass() {
  if (g_class) UnregisterClassW(kWindowClass, this_module());
  g_class = 0;
}

Win32Apartment::Win32Apartment() : thread_(GetCurrentThreadId()) {
  std::call_once(g_class_once, [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Apartment::WindowProc;
    wc.hInstance = this_module();
    wc.lpszClassName = kWindowClass;
    g_class = RegisterClassExW(&wc);
  });
  hwnd_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, this_module(),
                          this);
  if (!hwnd_) {
    throw ComError::with_text(7, "Out of memory: cannot create the component's hidden window (" +
                                     std::to_string(GetLastError()) + ")");
  }
  ++g_apartments;
}

Win32Apartment::~Win32Apartment() {
  // The windows that show the component go before it; then the component
  // ends, while its timers and ports can still go.
  for (auto& [id, f] : std::exchange(at_end_, {})) f();
  release_module();
  DestroyWindow(hwnd_);
  --g_apartments;
}

LRESULT CALLBACK Win32Apartment::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Apartment*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && hwnd == self->hwnd_) return self->handle(msg, wp, lp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT Win32Apartment::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kTaskMessage:
      run_tasks();
      return 0;
    case kMarkerMessage:
      note_marker(static_cast<uint64_t>(wp));
      return 0;
    case WM_TIMER:
      tick(static_cast<UINT_PTR>(wp));
      return 0;
    case Win32Serial::kEventMessage:
      serial_event(static_cast<uintptr_t>(wp));
      return 0;
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

int Win32Apartment::at_end(std::function<void()> f) {
  int id = next_at_end_++;
  at_end_[id] = std::move(f);
  return id;
}

void Win32Apartment::cancel_at_end(int id) { at_end_.erase(id); }

void Win32Apartment::post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(tasks_mutex_);
  tasks_.push_back(std::move(task));
  if (!wake_posted_) wake_posted_ = PostMessageW(hwnd_, kTaskMessage, 0, 0) != 0;
}

void Win32Apartment::run_tasks() {
  // The tasks queued when the message was posted run now; what they post
  // runs at the next message.
  size_t count;
  {
    std::lock_guard<std::mutex> lock(tasks_mutex_);
    wake_posted_ = false;
    count = tasks_.size();
  }
  for (; count > 0; --count) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(tasks_mutex_);
      if (tasks_.empty()) break;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

void Win32Apartment::tick(UINT_PTR id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  // A timer's tick is never delivered inside its own handler: a handler that
  // processes messages sees the other timers, never itself. The window
  // timer ticks again at its next period.
  if (!ticking_.insert(id).second) return;
  struct Ticking {
    std::set<UINT_PTR>& set;
    UINT_PTR id;
    ~Ticking() { set.erase(id); }
  } ticking{ticking_, id};
  auto tick = it->second->tick();  // the handler may destroy the timer
  tick();
}

void Win32Apartment::serial_event(uintptr_t id) {
  auto it = serials_.find(id);
  if (it != serials_.end()) it->second->on_event();
}

void Win32Apartment::note_marker(uint64_t seq) {
  if (seq > highest_marker_seen_) highest_marker_seen_ = seq;
}

void Win32Apartment::sleep_ms(int32_t ms) {
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

void Win32Apartment::pump_once() {
  // A marker message separates what is queued now from what the handlers
  // queue while they run: messages before it are processed, then the timer
  // ticks that are due, each timer once.
  const uint64_t seq = next_marker_++;
  PostMessageW(hwnd_, kMarkerMessage, static_cast<WPARAM>(seq), 0);
  std::set<std::tuple<HWND, UINT, WPARAM>> generated;  // ticks and paints done
  MSG msg;
  for (int n = 0; n < kPumpLimit; ++n) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) break;
    if (marker_seen(seq)) {
      if (msg.message != WM_TIMER && msg.message != WM_PAINT) break;
      if (generated.count({msg.hwnd, msg.message, msg.wParam})) break;
    }
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    if (msg.message == WM_QUIT) {
      // The host's loop must still see it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == kMarkerMessage && msg.hwnd == hwnd_) {
      note_marker(static_cast<uint64_t>(msg.wParam));
      continue;
    }
    if (msg.message == WM_TIMER || msg.message == WM_PAINT) {
      generated.insert({msg.hwnd, msg.message, msg.wParam});
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::unique_ptr<Timer> Win32Apartment::create_timer(int32_t interval_ms, bool enabled,
                                                    std::function<void()> tick) {
  return std::make_unique<Win32Timer>(*this, next_timer_id_++, interval_ms, enabled,
                                      std::move(tick));
}

std::unique_ptr<SerialControl> Win32Apartment::create_serial() {
  return std::make_unique<Win32Serial>(*this, next_serial_id_++);
}

float Win32Apartment::clock() const {
  SYSTEMTIME t;
  GetLocalTime(&t);
  double seconds = t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
  return static_cast<float>(seconds);
}

}  // namespace tovrak::platform
