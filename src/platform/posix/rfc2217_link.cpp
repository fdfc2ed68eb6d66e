#include "platform/posix/rfc2217_link.hpp"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

#include "platform/posix/telnet_session.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::platform {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void cannot_open(const std::string& name, const std::string& why) {
  throw ComError::with_text(8002, "Cannot open " + name + ": " + why);
}

int ms_left(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::string seconds_text(int ms) {
  return ms % 1000 ? std::to_string(ms) + " ms" : std::to_string(ms / 1000) + " s";
}

std::string byte(int v) { return std::string(1, static_cast<char>(v)); }

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

class Rfc2217Link : public SerialLink {
 public:
  Rfc2217Link(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  ~Rfc2217Link() override { close(fd_); }

  // Asks for the options and waits, up to `timeout_ms`, for the server to take
  // the COM-PORT option. Data arriving before is dropped, as a local device
  // drops what came before it was opened.
  void agree(int timeout_ms) {
    session_.start(out_);
    if (int err = flush()) fail_greeting(err);
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    char buf[512];
    while (session_.com_port() == telnet::Session::ComPort::Asked) {
      pollfd p{fd_, POLLIN, 0};
      int left = ms_left(deadline);
      if (left == 0 || poll(&p, 1, left) == 0) {
        cannot_open(name_,
                    "the server does not speak RFC 2217: no answer to the COM-PORT option "
                    "within " +
                        seconds_text(timeout_ms) + not_rfc2217_hint());
      }
      ssize_t n = recv(fd_, buf, sizeof buf, 0);
      if (n == 0) fail_greeting(0);
      if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) continue;
        fail_greeting(errno);
      }
      session_.receive(buf, static_cast<size_t>(n), buf, out_);
      if (int err = flush()) fail_greeting(err);
    }
    if (session_.com_port() == telnet::Session::ComPort::Refused) {
      cannot_open(name_, "the server does not speak RFC 2217: it refused the COM-PORT option" +
                             not_rfc2217_hint());
    }
  }

  int fd() const override { return fd_; }

  void apply(const LineParams& p) override {
    if (p.framing.data_bits < 5) {
      throw ComError::with_text(
          8015, "Cannot set the parameters of " + name_ + ": a remote port takes 5 to 8 data bits");
    }
    const bool all = !applied_;
    const SerialSettings& was = last_.framing;
    const SerialSettings& now = p.framing;
    if (all || now.speed != was.speed) {
      auto s = static_cast<uint32_t>(now.speed);
      telnet::append_com_port(
          out_, telnet::kSetBaudRate,
          byte(s >> 24 & 0xFF) + byte(s >> 16 & 0xFF) + byte(s >> 8 & 0xFF) + byte(s & 0xFF));
    }
    if (all || now.data_bits != was.data_bits) {
      telnet::append_com_port(out_, telnet::kSetDataSize, byte(now.data_bits));
    }
    if (all || now.parity != was.parity) {
      int code = now.parity == 'O'   ? 2
                 : now.parity == 'E' ? 3
                 : now.parity == 'M' ? 4
                 : now.parity == 'S' ? 5
                                     : 1;
      telnet::append_com_port(out_, telnet::kSetParity, byte(code));
    }
    if (all || now.stop_bits != was.stop_bits) {
      int code = now.stop_bits == 2 ? 2 : now.stop_bits == 15 ? 3 : 1;
      telnet::append_com_port(out_, telnet::kSetStopSize, byte(code));
    }
    if (all || p.handshaking != last_.handshaking) {
      // One flow control at a time on the server: RTS/CTS wins over XON/XOFF.
      int code = (p.handshaking & 2) ? 3 : (p.handshaking & 1) ? 2 : 1;
      telnet::append_com_port(out_, telnet::kSetControl, byte(code));
    }
    applied_ = true;
    last_ = p;
    flush();  // a failure shows at the next read, as the port going away
  }

  bool set_modem_lines(bool dtr, bool rts) override {
    // Servers on devices without modem lines do not answer these; nothing
    // waits for an answer.
    if (!lines_set_ || dtr != dtr_) {
      telnet::append_com_port(out_, telnet::kSetControl, byte(dtr ? 8 : 9));
    }
    if (!lines_set_ || rts != rts_) {
      telnet::append_com_port(out_, telnet::kSetControl, byte(rts ? 11 : 12));
    }
    lines_set_ = true;
    dtr_ = dtr;
    rts_ = rts;
    flush();
    return true;
  }

  ssize_t read_some(char* buf, size_t size) override {
    for (;;) {
      ssize_t n = recv(fd_, buf, size, 0);
      if (n <= 0) return n;
      size_t had = out_.size();
      size_t got = session_.receive(buf, static_cast<size_t>(n), buf, out_);
      if (out_.size() != had) flush();  // answers to the server's requests
      // Only Telnet commands came: look again, so that a caller reading
      // until EAGAIN never takes "nothing" for "no more".
      if (got > 0) return static_cast<ssize_t>(got);
    }
  }

  ssize_t write_some(const char* buf, size_t size) override {
    if (int err = flush()) {
      errno = err;
      return -1;
    }
    if (!out_.empty()) {
      errno = EAGAIN;
      return -1;
    }
    encoded_.clear();
    telnet::append_data(encoded_, std::string_view(buf, size));
    ssize_t n = send(fd_, encoded_.data(), encoded_.size(), MSG_NOSIGNAL);
    if (n < 0) return -1;
    // The data bytes that went out whole.
    size_t used = 0, taken = 0;
    while (taken < size) {
      size_t width = static_cast<uint8_t>(buf[taken]) == telnet::kIac ? 2 : 1;
      if (used + width > static_cast<size_t>(n)) break;
      used += width;
      ++taken;
    }
    if (used < static_cast<size_t>(n)) {
      // Half of a doubled 0xFF went: the other half goes before anything else.
      out_.assign(1, static_cast<char>(telnet::kIac));
      out_data_ = 1;
      ++taken;
    }
    return static_cast<ssize_t>(taken);
  }

  int32_t pending_out() override { return out_data_; }

  void discard_out() override {
    // What the server holds for the device; what is already on the wire to
    // the server cannot be taken back.
    telnet::append_com_port(out_, telnet::kPurgeData, byte(2));
    flush();
  }

  bool unsent() const override { return sent_ < out_.size(); }

  int flush() override {
    while (sent_ < out_.size()) {
      ssize_t n = send(fd_, out_.data() + sent_, out_.size() - sent_, MSG_NOSIGNAL);
      if (n > 0) {
        sent_ += static_cast<size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return 0;
      } else {
        return n < 0 ? errno : EPIPE;
      }
    }
    out_.clear();
    sent_ = 0;
    out_data_ = 0;
    return 0;
  }

  std::string loss_reason(int err) const override {
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

 private:
  [[noreturn]] void fail_greeting(int err) const {
    if (err == 0 || err == EPIPE || err == ECONNRESET) {
      cannot_open(name_,
                  "the server closed the connection at once (another client may have the "
                  "port, or the server does not speak RFC 2217)");
    }
    cannot_open(name_, std::strerror(err));
  }
  static std::string not_rfc2217_hint() {
    return "; a ser2net port speaks it with the accepter telnet(rfc2217),tcp,PORT";
  }

  int fd_;
  std::string name_;
  telnet::Session session_;
  std::string out_;  // Telnet bytes not yet sent, from sent_
  size_t sent_ = 0;
  int32_t out_data_ = 0;  // port data among them
  std::string encoded_;
  LineParams last_;
  bool applied_ = false;
  bool lines_set_ = false, dtr_ = false, rts_ = false;
};

std::string connect_failure(const PortLocator& where, int err, int timeout_ms) {
  switch (err) {
    case ECONNREFUSED:
      return "the server refused the connection: nothing listens on port " +
             std::to_string(where.tcp_port) + " of " + where.host +
             " (is ser2net running, with this port in its configuration?)";
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

}  // namespace

std::unique_ptr<SerialLink> start_rfc2217_link(int fd, const std::string& name, int timeout_ms) {
  auto link = std::make_unique<Rfc2217Link>(fd, name);
  link->agree(timeout_ms);
  return link;
}

std::unique_ptr<SerialLink> open_rfc2217_link(const PortLocator& where, int timeout_ms) {
  const std::string name = where.display();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int rc = getaddrinfo(where.host.c_str(), std::to_string(where.tcp_port).c_str(), &hints, &found);
  if (rc == EAI_NONAME || rc == EAI_FAIL || rc == EAI_NODATA) {
    cannot_open(name, "the name \"" + where.host +
                          "\" is not known (check its spelling, or give the server's address)");
  }
  if (rc != 0) {
    cannot_open(name, "cannot look up \"" + where.host + "\": " + gai_strerror(rc) +
                          " (is the network up?)");
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  int fd = -1;
  int err = ETIMEDOUT;
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
      pollfd p{s, POLLOUT, 0};
      int r;
      while ((r = poll(&p, 1, ms_left(deadline))) < 0 && errno == EINTR) {
      }
      socklen_t len = sizeof err;
      if (r == 0) {
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
  freeaddrinfo(found);
  if (fd < 0) cannot_open(name, connect_failure(where, err, timeout_ms));
  tune(fd);
  return start_rfc2217_link(fd, name, timeout_ms);
}

}  // namespace tovrak::platform
