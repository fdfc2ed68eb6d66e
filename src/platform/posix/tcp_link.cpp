#include "platform/posix/tcp_link.hpp"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/posix_loop.hpp"
#include "platform/serial_errors.hpp"

namespace tovrak::platform {

namespace {

int ms_left(RemoteClock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - RemoteClock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// A dead server or a cut network is noticed within about half a minute,
// also on an idle port: keep-alive probes after 10 s of silence, every 5 s,
// three unanswered end the connection; written bytes unacknowledged for 20 s
// end it too.
void tune(int fd) {
  int on = 1, idle = 10, interval = 5, count = 3;
  unsigned user_timeout_ms = 20000;
  // Best effort: a socket without these still works, it notices a dead peer
  // later.
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
  setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &user_timeout_ms, sizeof user_timeout_ms);
}

std::string connect_failure(const PortLocator& where, int err, int timeout_ms) {
  switch (err) {
    case ECONNREFUSED:
      return "the server refused the connection: nothing listens on port " +
             std::to_string(where.tcp_port) + " of " + where.host +
             (where.kind == PortLocator::Kind::Rfc2217
                  ? " (is ser2net running, with this port in its configuration?)"
                  : " (is the server running?)");
    case ETIMEDOUT:
      return "no answer from " + where.host + " within " + seconds_text(timeout_ms) +
             " (check the address, that the server is on, and any firewall on the way)";
    case EHOSTUNREACH:
    case ENETUNREACH:
      return "no route to " + where.host + " (check the address and the network)";
    default:
      return std::strerror(err);
  }
}

// The raw byte stream.
class TcpLink : public SocketLink {
 public:
  using SocketLink::SocketLink;
  // A byte stream has no line: settings and modem lines drive nothing.
  void apply(const LineParams&) override {}
  bool set_modem_lines(bool, bool) override { return false; }
  ssize_t read_some(char* buf, size_t size) override { return recv(fd_, buf, size, 0); }
  ssize_t write_some(const char* buf, size_t size) override {
    return send(fd_, buf, size, MSG_NOSIGNAL);
  }
  int32_t pending_out() override { return 0; }
  void discard_out() override {}
};

}  // namespace

std::string seconds_text(int ms) {
  return ms % 1000 ? std::to_string(ms) + " ms" : std::to_string(ms / 1000) + " s";
}

bool wait_ready(int fd, short events, RemoteClock::time_point deadline, const std::string& name) {
  for (;;) {
    if (stop_request::raised()) {
      serial_error::cannot_open(name, "interrupted: the program is stopping");
    }
    int left = ms_left(deadline);
    if (left == 0) return false;
    pollfd p[2] = {{fd, events, 0}, {stop_request::fd(), POLLIN, 0}};
    int n = poll(p, 2, left);
    if (n > 0 && p[0].revents) return true;
  }
}

int connect_to_server(const PortLocator& where, int timeout_ms) {
  const std::string name = where.display();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int rc = getaddrinfo(where.host.c_str(), std::to_string(where.tcp_port).c_str(), &hints, &found);
  if (rc == EAI_NONAME || rc == EAI_FAIL || rc == EAI_NODATA) {
    serial_error::cannot_open(
        name, "the name \"" + where.host +
                  "\" is not known (check its spelling, or give the server's address)");
  }
  if (rc != 0) {
    serial_error::cannot_open(name, "cannot look up \"" + where.host + "\": " + gai_strerror(rc) +
                                        " (is the network up?)");
  }
  const auto deadline = RemoteClock::now() + std::chrono::milliseconds(timeout_ms);
  int fd = -1;
  int err = ETIMEDOUT;
  try {
    // Each address of the name in turn, all within the one deadline.
    for (addrinfo* ai = found; ai && fd < 0 && ms_left(deadline) > 0; ai = ai->ai_next) {
      int s = socket(ai->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      if (s < 0) {
        err = errno;
        continue;
      }
      if (connect(s, ai->ai_addr, ai->ai_addrlen) == 0) {
        fd = s;
        break;
      }
      err = errno;
      if (err == EINPROGRESS) {
        bool answered;
        try {
          answered = wait_ready(s, POLLOUT, deadline, name);
        } catch (...) {
          close(s);
          throw;
        }
        socklen_t len = sizeof err;
        if (!answered) {
          err = ETIMEDOUT;
        } else if (getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) != 0) {
          err = errno;
        }
        if (err == 0) {
          fd = s;
          break;
        }
      }
      close(s);
    }
  } catch (...) {
    freeaddrinfo(found);
    throw;
  }
  freeaddrinfo(found);
  if (fd < 0) serial_error::cannot_open(name, connect_failure(where, err, timeout_ms));
  tune(fd);
  return fd;
}

SocketLink::~SocketLink() { close(fd_); }

std::string SocketLink::loss_reason(int err) const {
  switch (err) {
    case 0:
    case EPIPE:
      return "the server closed the connection";
    case ECONNRESET:
      return "the server reset the connection";
    case ETIMEDOUT:
      return "the server stopped answering";
    default:
      return std::string("the connection failed: ") + std::strerror(err);
  }
}

std::unique_ptr<SerialLink> start_tcp_link(int fd, const std::string& name) {
  return std::make_unique<TcpLink>(fd, name);
}

std::unique_ptr<SerialLink> open_tcp_link(const PortLocator& where, int timeout_ms) {
  return start_tcp_link(connect_to_server(where, timeout_ms), where.display());
}

}  // namespace tovrak::platform
