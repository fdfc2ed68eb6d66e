#include "platform/posix/posix_serial.hpp"

#include <sys/epoll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/serial_errors.hpp"

namespace tovrak::platform {

namespace {

bool is_remote(const std::string& locator) { return locator.find("://") != std::string::npos; }

}  // namespace

PosixSerial::PosixSerial(std::shared_ptr<PosixLoop> loop) : loop_(std::move(loop)) {
  params_.framing = parse_serial_settings(settings_text_);
}

PosixSerial::~PosixSerial() { close_port(); }

// ---------------------------------------------------------------- configuration

void PosixSerial::CommPort(int16_t port) {
  if (open_) serial_error::already_open();
  serial_error::check_port_number(port);
  port_ = port;
}

void PosixSerial::Device(const std::string& locator) {
  if (open_) serial_error::already_open();
  device_ = locator;
}

std::string PosixSerial::Device() const { return device_; }

std::string PosixSerial::port_name() const {
  return device_.empty() ? parse_port_locator(device_, port_).display() : device_;
}

void PosixSerial::Settings(const std::string& settings) {
  LineParams params = params_;
  params.framing = parse_serial_settings(settings);
  if (!is_remote(device_)) check_local_settings(params.framing, settings);
  if (open_ && !lost_) {
    link_->apply(params);
    want_room();
  }
  params_ = params;
  settings_text_ = settings;
}

void PosixSerial::InputMode(int16_t mode) { serial_error::check_input_mode(mode); }

void PosixSerial::Handshaking(int16_t mode) {
  serial_error::check_handshaking(mode);
  LineParams params = params_;
  params.handshaking = mode;
  if (open_ && !lost_) {
    link_->apply(params);
    want_room();
  }
  params_ = params;
}

void PosixSerial::DTREnable(bool on) {
  dtr_ = on;
  if (open_ && !lost_) {
    modem_lines_ = link_->set_modem_lines(dtr_, rts_);
    want_room();
  }
}

void PosixSerial::RTSEnable(bool on) {
  rts_ = on;
  if (open_ && !lost_) {
    modem_lines_ = link_->set_modem_lines(dtr_, rts_);
    want_room();
  }
}

// ---------------------------------------------------------------- open, close

void PosixSerial::PortOpen(bool open) {
  if (!open) {
    close_port();
    return;
  }
  if (open_) serial_error::already_open();
  PortLocator where = parse_port_locator(device_, port_);
  if (where.kind == PortLocator::Kind::Local) check_local_settings(params_.framing, settings_text_);
  std::unique_ptr<SerialLink> link = loop_->open_link(where);
  link->apply(params_);
  modem_lines_ = link->set_modem_lines(dtr_, rts_);
  watch_ = loop_->watch(link->fd(), this);
  link_ = std::move(link);
  open_ = true;
  lost_ = false;
  input_.clear();
  output_.clear();
  out_pos_ = 0;
  data_event_ = line_event_ = false;
  want_room();
}

bool PosixSerial::PortOpen() const { return open_; }

std::string PosixSerial::DeviceLost() const {
  return lost_ ? port_name() + ": " + lost_reason_ : std::string();
}

void PosixSerial::close_port() {
  if (!open_) return;
  loop_->unwatch(watch_);
  link_.reset();
  open_ = false;
  lost_ = false;
  input_.clear();
  output_.clear();
  out_pos_ = 0;
  data_event_ = line_event_ = false;
}

void PosixSerial::lose_device(int err) {
  if (lost_) return;
  lost_ = true;
  lost_reason_ = link_->loss_reason(err);
  // A hung-up descriptor stays readable for ever: stop watching it, or the
  // loop would never block again.
  loop_->stop_polling(watch_);
  output_.clear();
  out_pos_ = 0;
  line_event_ = true;
  loop_->attention(watch_);
  loop_->observe_lost(DeviceLost());
}

void PosixSerial::ensure_writable(const char* operation) const {
  if (!open_) serial_error::not_open();
  if (lost_) serial_error::device_gone(operation, port_name(), lost_reason_);
}

// ---------------------------------------------------------------- output

void PosixSerial::Output(std::string_view bytes) {
  ensure_writable("write to");
  size_t done = 0;
  if (out_pos_ == output_.size()) {
    // Nothing queued: the device takes what it can straight away.
    output_.clear();
    out_pos_ = 0;
    while (done < bytes.size()) {
      ssize_t n = link_->write_some(bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (n == 0 || errno == EAGAIN) {
        break;
      } else if (errno != EINTR) {
        lose_device(errno);
        ensure_writable("write to");
      }
    }
  }
  if (done < bytes.size()) {
    output_.append(bytes.substr(done));
    flush_output();
    ensure_writable("write to");
  }
  loop_->observe_write(bytes);
}

void PosixSerial::want_room() {
  loop_->want_write(watch_, out_pos_ < output_.size() || link_->unsent());
}

void PosixSerial::flush_output() {
  if (int err = link_->flush()) {
    lose_device(err);
    return;
  }
  while (out_pos_ < output_.size()) {
    ssize_t n = link_->write_some(output_.data() + out_pos_, output_.size() - out_pos_);
    if (n > 0) {
      out_pos_ += static_cast<size_t>(n);
    } else if (n == 0 || errno == EAGAIN) {
      break;
    } else if (errno != EINTR) {
      lose_device(errno);
      return;
    }
  }
  if (out_pos_ == output_.size()) {
    output_.clear();
    out_pos_ = 0;
  } else if (out_pos_ > output_.size() / 2) {
    output_.erase(0, out_pos_);
    out_pos_ = 0;
  }
  // The loop writes the rest when the device has room again.
  want_room();
}

int32_t PosixSerial::OutBufferCount() {
  ensure_writable("count the output of");
  flush_output();
  ensure_writable("count the output of");
  size_t queued = output_.size() - out_pos_;
  return static_cast<int32_t>(std::min<size_t>(queued, INT32_MAX / 2)) + link_->pending_out();
}

void PosixSerial::ClearOutBuffer() {
  output_.clear();
  out_pos_ = 0;
  if (open_ && !lost_) {
    link_->discard_out();
    want_room();
  }
}

// ---------------------------------------------------------------- input

bool PosixSerial::read_available(bool hung_up) {
  char buf[kReadSize];
  just_drained_ = false;
  bool drained = false;
  // What is left after the budget is still readable: the loop comes back for it.
  for (int reads = 0; reads < kReadsPerWakeup && !drained; ++reads) {
    ssize_t n = link_->read_some(buf, sizeof buf);
    if (n > 0) {
      size_t room = kInputLimit - std::min(input_.size(), kInputLimit);
      input_.append(buf, std::min(static_cast<size_t>(n), room));
      data_event_ = true;
      loop_->observe_read(std::string_view(buf, static_cast<size_t>(n)));
      drained = static_cast<size_t>(n) < sizeof buf && !hung_up;
    } else if (n == 0) {
      lose_device(0);  // end of file: the device hung up
      return false;
    } else if (errno == EAGAIN) {  // (EWOULDBLOCK is EAGAIN on Linux)
      drained = true;
    } else if (errno != EINTR) {  // EINTR: interrupted, or only the link's own traffic came
      lose_device(errno);
      return false;
    }
  }
  if (link_->unsent()) want_room();  // answers the link owes its peer
  return drained;
}

int32_t PosixSerial::InBufferCount() {
  if (open_ && !lost_) {
    // Bytes that arrived since the loop last looked count too; their event
    // follows when messages are next processed.
    read_available();
    if (data_event_) loop_->attention(watch_);
  }
  return static_cast<int32_t>(input_.size());
}

void PosixSerial::InputTo(std::string& buffer) {
  if (open_ && !lost_ && !just_drained_) read_available();
  just_drained_ = false;
  buffer += input_;
  input_.clear();  // keeps its storage for the next bytes
}

void PosixSerial::OnComm(std::function<void()> handler) { handler_ = std::move(handler); }

void PosixSerial::on_ready(uint32_t events) {
  if (!open_) return;
  if (!lost_) {
    if (events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
      just_drained_ = read_available(events & (EPOLLHUP | EPOLLERR));
    }
    if (!lost_ && (events & (EPOLLHUP | EPOLLERR))) lose_device(EIO);
    if (!lost_ && (events & EPOLLOUT)) flush_output();
  }
  bool raise = line_event_ || (data_event_ && !input_.empty());
  line_event_ = data_event_ = false;
  if (raise && handler_) {
    auto handler = handler_;  // the handler may replace itself, close the port or destroy it
    const std::weak_ptr<const char> alive = alive_;
    handler();
    if (alive.expired()) return;
  }
  just_drained_ = false;
}

}  // namespace tovrak::platform
