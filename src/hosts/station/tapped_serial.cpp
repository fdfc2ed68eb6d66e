#include "hosts/station/tapped_serial.hpp"

#include <algorithm>
#include <cmath>

#include "tovrak/errors.hpp"

namespace tovrak::station {

namespace {

// Whole milliseconds, rounded up, until `us` from `now`.
int32_t ms_until(int64_t us, int64_t now) {
  return static_cast<int32_t>(std::max<int64_t>(1, (us - now + 999) / 1000));
}

}  // namespace

TappedSerial::TappedSerial(platform::Apartment& apt, std::unique_ptr<platform::SerialControl> inner,
                           std::shared_ptr<TappedApartment::Shared> shared)
    : apt_(apt), in_(std::move(inner)), sh_(std::move(shared)) {}

TappedSerial::~TappedSerial() {
  if (sh_->open == this) sh_->open = nullptr;
}

int64_t TappedSerial::now_us() const { return std::llround(sh_->now() * 1e6); }

bool TappedSerial::writable() const { return in_->PortOpen() && in_->DeviceLost().empty(); }

void TappedSerial::PortOpen(bool open) {
  // What is held goes out before the port closes, still spaced.
  while (!open && !held_.empty() && writable()) {
    const bool stopping = apt_.stopping();
    if (!stopping) apt_.sleep_ms(ms_until(due(), now_us()));
    release(stopping);
  }
  held_.clear();
  in_->PortOpen(open);
  told_lost_ = false;
  if (in_->PortOpen()) {
    sh_->open = this;
  } else if (sh_->open == this) {
    sh_->open = nullptr;
  }
  const auto& tell = open ? sh_->taps.opened : sh_->taps.closed;
  if (tell) tell();
}

void TappedSerial::write(std::string_view bytes) {
  try {
    in_->Output(bytes);
  } catch (const ComError&) {
    check_lost();
    throw;
  }
  last_write_us_ = now_us();
  if (sh_->taps.write) sh_->taps.write(bytes);
}

void TappedSerial::Output(std::string_view bytes) {
  if (held_.empty() && now_us() >= hold_until_us_) {
    write(bytes);
    return;
  }
  held_.push_back({std::string(bytes), false});
  release();
}

bool TappedSerial::send(std::string text) {
  if (!writable()) return false;
  text += ';';
  held_.push_back({std::move(text), true});
  release();
  return true;
}

int64_t TappedSerial::due() const {
  return held_.front().station ? last_write_us_ + sh_->spacing_us : hold_until_us_;
}

void TappedSerial::release(bool force) {
  while (!held_.empty() && (force || now_us() >= due())) {
    if (!writable()) {
      held_.clear();  // nowhere to go: the port is lost
      break;
    }
    Held h = std::move(held_.front());
    held_.pop_front();
    try {
      write(h.bytes);
    } catch (const ComError&) {
      held_.clear();
      break;
    }
    // The component spaced its next write from the one it meant, not from
    // this one, which went out later (or was the station's).
    hold_until_us_ = last_write_us_ + sh_->spacing_us;
  }
  if (held_.empty()) {
    if (timer_) timer_->set_enabled(false);
    return;
  }
  const int32_t ms = ms_until(due(), now_us());
  if (!timer_) {
    timer_ = apt_.create_timer(ms, true, [this] { release(); });
  } else {
    timer_->set_interval(ms);
    timer_->set_enabled(true);
  }
}

void TappedSerial::sleep(int32_t ms) {
  while (ms > 0) {
    const int32_t step = held_.empty() ? ms : std::min(ms, ms_until(due(), now_us()));
    apt_.sleep_ms(step);
    ms -= step;
    release();
  }
}

int32_t TappedSerial::OutBufferCount() {
  int32_t held = 0;
  for (const Held& h : held_) held += static_cast<int32_t>(h.bytes.size());
  return in_->OutBufferCount() + held;
}

void TappedSerial::ClearOutBuffer() {
  held_.clear();
  in_->ClearOutBuffer();
}

void TappedSerial::InputTo(std::string& buffer) {
  const size_t before = buffer.size();
  in_->InputTo(buffer);
  if (sh_->taps.read && buffer.size() > before) {
    sh_->taps.read(std::string_view(buffer).substr(before));
  }
}

void TappedSerial::OnComm(std::function<void()> handler) {
  // A loss raises the event: the observers hear of it before the component
  // handles the event.
  in_->OnComm(handler ? std::function<void()>([this, handler = std::move(handler)] {
    check_lost();
    handler();
  })
                      : nullptr);
}

void TappedSerial::check_lost() {
  if (told_lost_) return;
  std::string reason = in_->DeviceLost();
  if (reason.empty()) return;
  told_lost_ = true;
  held_.clear();
  if (sh_->taps.lost) sh_->taps.lost(reason);
}

}  // namespace tovrak::station
