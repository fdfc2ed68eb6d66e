#include "tovrak/stream_endpoints.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/posix/posix_loop.hpp"

namespace tovrak::platform {

namespace {

std::string os_error(const std::string& what) { return what + ": " + std::strerror(errno); }

void set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// One descriptor carrying a client's bytes both ways.
class FdConnection : public StreamConnection, public LoopWatcher {
 public:
  // `gone` is told once the other end went away or the output overflowed;
  // the owner then lets go of the connection.
  FdConnection(std::shared_ptr<PosixLoop> loop, int fd, std::string peer, StreamHandler& handler,
               std::function<void(FdConnection&)> gone)
      : loop_(std::move(loop)),
        fd_(fd),
        peer_(std::move(peer)),
        h_(handler),
        gone_(std::move(gone)) {
    int type = 0;
    socklen_t len = sizeof type;
    socket_ = getsockopt(fd_, SOL_SOCKET, SO_TYPE, &type, &len) == 0;
    watch_ = loop_->watch(fd_, this);
  }
  ~FdConnection() override { stop(); }

  void send(std::string_view bytes) override {
    if (stopped_) return;
    if (out_.empty()) {
      ssize_t n = put(bytes.data(), bytes.size());
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return end(true);
      bytes.remove_prefix(n > 0 ? static_cast<size_t>(n) : 0);
    }
    if (bytes.empty()) return;
    if (out_.size() + bytes.size() > kStreamOutputLimit) {
      if (h_.log) h_.log(peer_ + ": the client reads too slowly; closed");
      return end(true);
    }
    out_.append(bytes);
    loop_->want_write(watch_, true);
  }

  void close() override { end(false); }
  const std::string& peer() const override { return peer_; }

  void on_ready(uint32_t events) override {
    if (stopped_) return;
    if (events & EPOLLOUT) flush();
    if (events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
      char buf[4096];
      for (;;) {
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n > 0) {
          h_.bytes(*this, std::string_view(buf, static_cast<size_t>(n)));
          if (stopped_) return;
          continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        return end(true);  // end of stream, or EIO of a pseudo-terminal with no client
      }
      if (events & (EPOLLHUP | EPOLLERR)) end(true);
    }
  }

  int fd() const { return fd_; }
  bool stopped() const { return stopped_; }

 private:
  // A socket whose peer went away must not raise SIGPIPE in the server.
  ssize_t put(const char* data, size_t size) {
    if (socket_) return ::send(fd_, data, size, MSG_NOSIGNAL);
    return ::write(fd_, data, size);
  }
  void flush() {
    while (!out_.empty()) {
      ssize_t n = put(out_.data(), out_.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      if (n <= 0) return end(true);
      out_.erase(0, static_cast<size_t>(n));
    }
    loop_->want_write(watch_, false);
  }
  void stop() {
    if (stopped_) return;
    stopped_ = true;
    loop_->unwatch(watch_);
    out_.clear();
  }
  // The connection ends from this side of the server: the handler hears of
  // it after the current call has returned.
  void end(bool tell) {
    if (stopped_) return;
    stop();
    std::weak_ptr<bool> alive = alive_;
    loop_->post([this, alive, tell] {
      if (alive.expired()) return;
      if (tell && h_.closed) h_.closed(*this);
      gone_(*this);
    });
  }

  std::shared_ptr<PosixLoop> loop_;
  int fd_;
  std::string peer_;
  StreamHandler& h_;
  std::function<void(FdConnection&)> gone_;
  uint64_t watch_ = 0;
  std::string out_;
  bool stopped_ = false;
  bool socket_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace

// ---------------------------------------------------------------- pseudo-terminal

struct PtyEndpoint::Impl : std::enable_shared_from_this<PtyEndpoint::Impl> {
  std::shared_ptr<PosixLoop> loop;
  StreamHandler handler;
  std::string link, device;
  int master = -1;
  std::unique_ptr<FdConnection> conn;
  std::unique_ptr<Timer> waiting;  // looks for a client while none has the device open

  // A client has the device open when the master end no longer reports a
  // hang-up.
  bool client_present() const {
    pollfd p{master, POLLIN, 0};
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
  }
  void look() {
    if (conn || !client_present()) return;
    waiting->set_enabled(false);
    std::weak_ptr<Impl> self = weak_from_this();
    conn = std::make_unique<FdConnection>(loop, master, link, handler, [self](FdConnection&) {
      if (auto s = self.lock()) s->client_gone();
    });
    if (handler.opened && !handler.opened(*conn)) conn->close();
  }
  void client_gone() {
    conn.reset();
    waiting->set_enabled(true);
  }
};

PtyEndpoint::PtyEndpoint(PosixApartment& apt, std::string link_path, StreamHandler handler)
    : impl_(std::make_shared<Impl>()) {
  auto& m = *impl_;
  m.loop = apt.loop();
  m.handler = std::move(handler);
  m.link = std::move(link_path);
  struct stat st {};
  if (lstat(m.link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    throw std::runtime_error(m.link + " exists and is not a symbolic link; not replaced");
  }
  char name[256] = {};
  int slave = -1;
  termios raw{};
  cfmakeraw(&raw);
  if (openpty(&m.master, &slave, name, &raw, nullptr) != 0) {
    throw std::runtime_error(os_error("cannot create a pseudo-terminal"));
  }
  ::close(slave);  // the device is the client's to open
  set_nonblocking(m.master);
  fcntl(m.master, F_SETFD, FD_CLOEXEC);
  m.device = name;
  ::unlink(m.link.c_str());
  if (::symlink(m.device.c_str(), m.link.c_str()) != 0) {
    std::string why = os_error("cannot make the link " + m.link);
    ::close(m.master);
    throw std::runtime_error(why);
  }
  std::weak_ptr<Impl> self = impl_;
  m.waiting = m.loop->create_timer(100, true, [self] {
    if (auto s = self.lock()) s->look();
  });
}

PtyEndpoint::~PtyEndpoint() {
  impl_->waiting.reset();
  impl_->conn.reset();
  // Only the link this endpoint made goes.
  char target[256] = {};
  ssize_t n = readlink(impl_->link.c_str(), target, sizeof target - 1);
  if (n > 0 && impl_->device == std::string(target, static_cast<size_t>(n))) {
    ::unlink(impl_->link.c_str());
  }
  ::close(impl_->master);
}

const std::string& PtyEndpoint::device() const { return impl_->device; }
const std::string& PtyEndpoint::link() const { return impl_->link; }

// ---------------------------------------------------------------- TCP

Cidr Cidr::parse(const std::string& text) {
  Cidr c;
  std::string addr = text;
  size_t slash = text.find('/');
  if (slash != std::string::npos) {
    addr = text.substr(0, slash);
    std::string bits = text.substr(slash + 1);
    if (bits.empty() || bits.size() > 2 ||
        bits.find_first_not_of("0123456789") != std::string::npos || std::stoi(bits) > 32) {
      throw std::invalid_argument("\"" + text +
                                  "\" is no network (ADDRESS/BITS, e.g. 192.168.1.0/24)");
    }
    c.bits = std::stoi(bits);
  }
  in_addr a{};
  if (inet_pton(AF_INET, addr.c_str(), &a) != 1) {
    throw std::invalid_argument("\"" + text +
                                "\" is no network (ADDRESS/BITS, e.g. 192.168.1.0/24)");
  }
  c.net = ntohl(a.s_addr);
  return c;
}

bool Cidr::contains(uint32_t address) const {
  if (bits == 0) return true;
  uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : ~((1u << (32 - bits)) - 1);
  return (address & mask) == (net & mask);
}

bool is_loopback(const std::string& address) {
  in_addr a{};
  return inet_pton(AF_INET, address.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

void parse_listen(const std::string& text, uint16_t default_port, std::string& address,
                  uint16_t& port) {
  std::string addr = text, port_text;
  size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    addr = text.substr(0, colon);
    port_text = text.substr(colon + 1);
  } else if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
    addr.clear();
    port_text = text;
  }
  if (addr.empty() || addr == "localhost") addr = "127.0.0.1";
  in_addr a{};
  if (inet_pton(AF_INET, addr.c_str(), &a) != 1) {
    throw std::invalid_argument("\"" + text + "\": not an IPv4 address (ADDRESS:PORT)");
  }
  port = default_port;
  if (colon != std::string::npos || !port_text.empty()) {
    if (port_text.empty() || port_text.size() > 5 ||
        port_text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(port_text) > 65535) {
      throw std::invalid_argument("\"" + text + "\": the port is a number up to 65535");
    }
    port = static_cast<uint16_t>(std::stoi(port_text));
  }
  address = addr;
}

struct TcpEndpoint::Impl : LoopWatcher, std::enable_shared_from_this<TcpEndpoint::Impl> {
  std::shared_ptr<PosixLoop> loop;
  StreamHandler handler;
  std::vector<Cidr> allow;
  int fd = -1;
  uint64_t watch = 0;
  uint16_t port = 0;
  std::vector<std::unique_ptr<FdConnection>> conns;

  void on_ready(uint32_t) override {
    for (;;) {
      sockaddr_in peer{};
      socklen_t len = sizeof peer;
      int c = ::accept4(fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (c < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        return;
      }
      char text[INET_ADDRSTRLEN] = {};
      inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
      std::string name = std::string(text) + ":" + std::to_string(ntohs(peer.sin_port));
      const uint32_t addr = ntohl(peer.sin_addr.s_addr);
      bool allowed = (addr >> 24) == 127;
      for (const auto& n : allow) allowed = allowed || n.contains(addr);
      if (!allowed) {
        if (handler.log) handler.log("refused " + name + ": not in an allowed network");
        ::close(c);
        continue;
      }
      int one = 1;
      setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      std::weak_ptr<Impl> self = weak_from_this();
      conns.push_back(
          std::make_unique<FdConnection>(loop, c, name, handler, [self](FdConnection& gone) {
            if (auto s = self.lock()) s->remove(gone);
          }));
      FdConnection& conn = *conns.back();
      if (handler.opened && !handler.opened(conn)) remove(conn);
    }
  }
  void remove(FdConnection& c) {
    for (auto it = conns.begin(); it != conns.end(); ++it) {
      if (it->get() == &c) {
        int cfd = c.fd();
        conns.erase(it);
        ::close(cfd);
        return;
      }
    }
  }
};

TcpEndpoint::TcpEndpoint(PosixApartment& apt, const std::string& address, uint16_t port,
                         std::vector<Cidr> allow, StreamHandler handler)
    : impl_(std::make_shared<Impl>()) {
  auto& m = *impl_;
  m.loop = apt.loop();
  m.handler = std::move(handler);
  m.allow = std::move(allow);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  if (inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
    throw std::runtime_error("\"" + address + "\" is not an IPv4 address");
  }
  m.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (m.fd < 0) throw std::runtime_error(os_error("cannot make a socket"));
  int one = 1;
  setsockopt(m.fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  const std::string where = address + ":" + std::to_string(port);
  if (::bind(m.fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(m.fd, 16) != 0) {
    std::string why = os_error("cannot listen on " + where);
    ::close(m.fd);
    throw std::runtime_error(why);
  }
  socklen_t len = sizeof sa;
  getsockname(m.fd, reinterpret_cast<sockaddr*>(&sa), &len);
  m.port = ntohs(sa.sin_port);
  m.watch = m.loop->watch(m.fd, impl_.get());
}

TcpEndpoint::~TcpEndpoint() {
  impl_->loop->unwatch(impl_->watch);
  for (auto& c : impl_->conns) {
    int cfd = c->fd();
    c.reset();
    ::close(cfd);
  }
  ::close(impl_->fd);
}

uint16_t TcpEndpoint::port() const { return impl_->port; }

}  // namespace tovrak::platform
