#include "platform/posix/endpoints/fd_connection.hpp"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tovrak::platform {

FdConnection::FdConnection(PosixApartment& apt, int fd, std::string peer, StreamHandler& handler,
                           std::function<void(FdConnection&)> gone)
    : apt_(apt), fd_(fd), peer_(std::move(peer)), h_(handler), gone_(std::move(gone)) {
  int type = 0;
  socklen_t len = sizeof type;
  socket_ = getsockopt(fd_, SOL_SOCKET, SO_TYPE, &type, &len) == 0;
  watch_ = apt_.watch(fd_, [this](FdEvents e) { on_ready(e); });
}

FdConnection::~FdConnection() { stop(); }

void FdConnection::send(std::string_view bytes) {
  if (stopped_) return;
  if (out_.empty()) {
    ssize_t n = put(bytes.data(), bytes.size());
    if (n < 0 && errno != EAGAIN && errno != EINTR) return end(true);
    bytes.remove_prefix(n > 0 ? static_cast<size_t>(n) : 0);
  }
  if (bytes.empty()) return;
  if (out_.size() + bytes.size() > kStreamOutputLimit) {
    if (h_.log) h_.log(peer_ + ": the client reads too slowly; closed");
    return end(true);
  }
  out_.append(bytes);
  watch_->want_output(true);
}

void FdConnection::on_ready(FdEvents e) {
  if (e.output) flush();
  if (stopped_ || !(e.input || e.hang_up)) return;
  char buf[4096];
  // The rest waits for the next wake-up: the other clients' turns come first.
  for (size_t budget = kStreamReadBudget; budget > 0;) {
    const size_t want = std::min(sizeof buf, budget);
    ssize_t n = ::read(fd_, buf, want);
    if (n > 0) {
      budget -= static_cast<size_t>(n);
      h_.bytes(*this, std::string_view(buf, static_cast<size_t>(n)));
      if (stopped_) return;
      // A short read took all there was: bytes that come later make the
      // descriptor ready again, and one system call less per query counts
      // in a shared radio's answer time. A hang-up is read to its end.
      if (static_cast<size_t>(n) < want && !e.hang_up) return;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      if (e.hang_up) end(true);
      return;
    } else {
      return end(true);  // end of stream, or EIO of a pseudo-terminal with no client
    }
  }
}

// A socket whose peer went away must not raise SIGPIPE in the server.
ssize_t FdConnection::put(const char* data, size_t size) {
  if (socket_) return ::send(fd_, data, size, MSG_NOSIGNAL);
  return ::write(fd_, data, size);
}

void FdConnection::flush() {
  while (!out_.empty()) {
    ssize_t n = put(out_.data(), out_.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    if (n <= 0) return end(true);
    out_.erase(0, static_cast<size_t>(n));
  }
  watch_->want_output(false);
}

void FdConnection::stop() {
  if (stopped_) return;
  stopped_ = true;
  watch_.reset();
  out_.clear();
}

// The connection ends from this side of the server: the handler hears of it
// after the current call has returned.
void FdConnection::end(bool tell) {
  if (stopped_) return;
  stop();
  std::weak_ptr<bool> alive = alive_;
  apt_.post([this, alive, tell] {
    if (alive.expired()) return;
    if (tell && h_.closed) h_.closed(*this);
    gone_(*this);
  });
}

}  // namespace tovrak::platform
