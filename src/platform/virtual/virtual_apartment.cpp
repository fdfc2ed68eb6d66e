#include "tovrak/virtual_apartment.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/serial_errors.hpp"
#include "platform/serial_settings.hpp"
#include "platform/timer_queue.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::platform {

namespace {
constexpr int64_t kDayUs = 86'400'000'000;
}

// ---------------------------------------------------------------- serial

class VirtualSerial : public SerialControl {
 public:
  explicit VirtualSerial(VirtualLine& line) : line_(line) { line_.control_ = this; }
  ~VirtualSerial() override {
    if (line_.control_ == this) line_.control_ = nullptr;
    line_.config_.open = false;
  }

  void CommPort(int16_t port) override {
    if (open_) serial_error::already_open();
    serial_error::check_port_number(port);
    line_.config_.comm_port = port;
    log("CommPort=" + std::to_string(port));
  }
  void Settings(const std::string& settings) override {
    parse_serial_settings(settings);
    line_.config_.settings = settings;
    log("Settings=" + settings);
  }
  void InputMode(int16_t mode) override {
    line_.config_.input_mode = mode;
    log("InputMode=" + std::to_string(mode));
  }
  void Handshaking(int16_t mode) override {
    line_.config_.handshaking = mode;
    log("Handshaking=" + std::to_string(mode));
  }
  void DTREnable(bool on) override {
    line_.config_.dtr = on;
    log(std::string("DTREnable=") + (on ? "True" : "False"));
  }
  void RTSEnable(bool on) override {
    line_.config_.rts = on;
    log(std::string("RTSEnable=") + (on ? "True" : "False"));
  }
  void PortOpen(bool open) override {
    if (open && open_) serial_error::already_open();
    if (open && !line_.fail_open_.empty()) {
      std::string why = std::move(line_.fail_open_);
      line_.fail_open_.clear();
      throw ComError::with_text(serial_error::kInvalidPort, why);
    }
    open_ = open;
    line_.config_.open = open;
    line_.lost_.clear();
    if (!open) line_.input_.clear();
    log(std::string("PortOpen=") + (open ? "True" : "False"));
  }
  bool PortOpen() const override { return open_; }
  void Output(std::string_view bytes) override {
    if (!open_) serial_error::not_open();
    if (!line_.lost_.empty()) serial_error::device_gone("write to", "the port", line_.lost_);
    line_.drain();
    line_.writes_.push_back({line_.apt_.now_us(), std::string(bytes)});
    if (line_.drain_rate_ >= 0) line_.out_pending_ += static_cast<double>(bytes.size());
    if (line_.on_write_) line_.on_write_(line_.apt_.now_us(), bytes);
  }
  int32_t OutBufferCount() override {
    line_.drain();
    return static_cast<int32_t>(std::ceil(line_.out_pending_));
  }
  void ClearOutBuffer() override { line_.out_pending_ = 0.0; }
  int32_t InBufferCount() override { return static_cast<int32_t>(line_.input_.size()); }
  void InputTo(std::string& buffer) override {
    buffer += line_.input_;
    line_.input_.clear();  // keeps its storage
  }
  void OnComm(std::function<void()> handler) override { handler_ = std::move(handler); }
  void Device(const std::string& locator) override { line_.config_.device = locator; }
  std::string Device() const override { return line_.config_.device; }
  std::string DeviceLost() const override {
    return line_.lost_.empty() ? std::string() : port_name() + ": " + line_.lost_;
  }

  void raise() {
    if (open_ && handler_) handler_();
  }

 private:
  void log(std::string op) { line_.ops_.push_back(std::move(op)); }
  std::string port_name() const {
    return line_.config_.device.empty() ? "COM" + std::to_string(line_.config_.comm_port)
                                        : line_.config_.device;
  }

  VirtualLine& line_;
  bool open_ = false;
  std::function<void()> handler_;
};

void VirtualLine::radio_sends(std::string_view bytes) {
  if (!control_ || !control_->PortOpen() || !lost_.empty()) return;
  input_.append(bytes);
  line_event();
}

void VirtualLine::lose(std::string reason) {
  if (!control_ || !control_->PortOpen()) return;
  lost_ = std::move(reason);
  input_.clear();
  line_event();
}

void VirtualLine::line_event() {
  apt_.post([this] {
    if (control_) control_->raise();
  });
}

void VirtualLine::set_drain_rate(double bytes_per_second) {
  drain();
  drain_rate_ = bytes_per_second;
  out_since_us_ = apt_.now_us();
}

void VirtualLine::drain() {
  int64_t now = apt_.now_us();
  if (drain_rate_ < 0) {
    out_pending_ = 0.0;
  } else if (drain_rate_ > 0) {
    out_pending_ =
        std::max(0.0, out_pending_ - drain_rate_ * static_cast<double>(now - out_since_us_) / 1e6);
  }
  out_since_us_ = now;
}

// ---------------------------------------------------------------- apartment

// The timers run on the virtual clock, in nanoseconds.
VirtualApartment::VirtualApartment()
    : timers_(std::make_unique<TimerQueue>([this] { return now_us_ * 1000; })), line_(*this) {}

VirtualApartment::~VirtualApartment() { release_module(); }

void VirtualApartment::post(std::function<void()> task) { posted_.push_back(std::move(task)); }

void VirtualApartment::sleep_ms(int32_t ms) {
  if (ms > 0 && !stopping_) move_clock(now_us_ + int64_t{ms} * 1000);
}

namespace {
bool later(const auto& a, const auto& b) {
  return a.at_us != b.at_us ? a.at_us > b.at_us : a.seq > b.seq;
}
}  // namespace

void VirtualApartment::schedule_outside(int64_t at_us, std::function<void()> action) {
  outside_.push_back({std::max(at_us, now_us_), next_outside_seq_++, std::move(action)});
  std::push_heap(outside_.begin(), outside_.end(), later<OutsideAction, OutsideAction>);
}

void VirtualApartment::move_clock(int64_t to_us) {
  while (!outside_.empty() && outside_.front().at_us <= to_us) {
    std::pop_heap(outside_.begin(), outside_.end(), later<OutsideAction, OutsideAction>);
    OutsideAction next = std::move(outside_.back());
    outside_.pop_back();
    if (next.at_us > now_us_) now_us_ = next.at_us;
    next.action();
  }
  if (to_us > now_us_) now_us_ = to_us;
}

std::unique_ptr<Timer> VirtualApartment::create_timer(int32_t interval_ms, bool enabled,
                                                      std::function<void()> tick) {
  return timers_->create(interval_ms, enabled, std::move(tick));
}

std::unique_ptr<SerialControl> VirtualApartment::create_serial() {
  return std::make_unique<VirtualSerial>(line_);
}

float VirtualApartment::clock() const { return static_cast<float>(time_of_day()); }

double VirtualApartment::time_of_day() const {
  int64_t tod = (tod_offset_us_ + now_us_) % kDayUs;
  if (tod < 0) tod += kDayUs;
  return static_cast<double>(tod) / 1e6;
}

void VirtualApartment::set_time_of_day(double seconds) {
  int64_t target = static_cast<int64_t>(std::llround(seconds * 1e6)) % kDayUs;
  if (target < 0) target += kDayUs;
  tod_offset_us_ = target - now_us_;
}

void VirtualApartment::run_until(int64_t target_us) {
  // A handler that sleeps can carry the time past the target: processing
  // stops there.
  while (now_us_ <= target_us) {
    if (!posted_.empty()) {
      auto task = std::move(posted_.front());
      posted_.pop_front();
      task();
      continue;
    }
    if (timers_->tick_earliest()) continue;
    // Nothing to do now: time passes to whatever comes first, a tick, an
    // action outside, or the target.
    int64_t next = target_us;
    int64_t due_ns = timers_->next_due();
    if (due_ns != TimerQueue::kNever && due_ns / 1000 < next) next = due_ns / 1000;
    if (!outside_.empty() && outside_.front().at_us < next) next = outside_.front().at_us;
    if (next <= now_us_) {
      if (outside_.empty() || outside_.front().at_us > now_us_) break;
    }
    move_clock(next);
  }
}

void VirtualApartment::advance_us(int64_t us) { run_until(now_us_ + std::max<int64_t>(us, 0)); }

void VirtualApartment::pump_once() {
  for (size_t n = posted_.size(); n > 0 && !posted_.empty(); --n) {
    auto task = std::move(posted_.front());
    posted_.pop_front();
    task();
  }
  timers_->tick_all_due();
}

}  // namespace tovrak::platform
