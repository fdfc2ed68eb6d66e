#include "platform/posix/endpoints/stream_endpoints.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "platform/posix/endpoints/fd_connection.hpp"
#include "platform/posix/endpoints/pseudo_terminal.hpp"
#include "platform/posix/endpoints/pty_link.hpp"

namespace tovrak::platform {

namespace {

std::string os_error(const std::string& what) { return what + ": " + std::strerror(errno); }

// How soon a pseudo-terminal looks for a client again after one left or
// was refused; without inotify, how often it looks while it has none.
constexpr int kLookForClientMs = 100;
// Connections a listener accepts per wake-up of the loop.
constexpr int kAcceptsPerWakeup = 16;

}  // namespace

// ---------------------------------------------------------------- pseudo-terminal

struct PtyEndpoint::Impl : std::enable_shared_from_this<PtyEndpoint::Impl> {
  PosixApartment& apt;
  StreamHandler handler;
  PseudoTerminal pty{PseudoTerminal::Mode::Raw};
  std::string link_path;
  std::optional<PtyLink> link;
  std::unique_ptr<FdConnection> conn;
  // A client opening the device is seen through inotify at once; where
  // inotify cannot watch it, the timer looks while no client has it open.
  int notify = -1;
  std::unique_ptr<DescriptorWatch> notify_watch;
  std::unique_ptr<Timer> waiting;

  Impl(PosixApartment& a, StreamHandler h) : apt(a), handler(std::move(h)) {}
  ~Impl() {
    notify_watch.reset();
    if (notify >= 0) ::close(notify);
  }

  void start(std::string path) {
    pty.close_device();  // the device is the client's to open
    link_path = std::move(path);
    if (!link_path.empty()) link.emplace(apt, link_path, pty.device());
    std::weak_ptr<Impl> self = weak_from_this();
    notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const bool notified =
        notify >= 0 && inotify_add_watch(notify, pty.device().c_str(), IN_OPEN) >= 0;
    waiting = apt.create_timer(kLookForClientMs, !notified, [self] {
      if (auto s = self.lock()) s->look();
    });
    if (!notified) return;
    notify_watch = apt.watch(notify, [self](FdEvents) {
      if (auto s = self.lock()) {
        char events[4096];
        while (::read(s->notify, events, sizeof events) > 0) {
        }
        s->look();
      }
    });
  }
  // A client has the device open when the master end no longer reports a
  // hang-up.
  bool client_present() const {
    pollfd p{pty.master(), POLLIN, 0};
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
  }
  void look() {
    if (conn || !client_present()) return;
    waiting->set_enabled(false);
    std::weak_ptr<Impl> self = weak_from_this();
    conn = std::make_unique<FdConnection>(apt, pty.master(),
                                          link_path.empty() ? pty.device() : link_path, handler,
                                          [self](FdConnection&) {
                                            if (auto s = self.lock()) s->client_gone();
                                          });
    if (handler.opened && !handler.opened(*conn)) conn->close();
  }
  // The client may have opened the device again already, or be one the
  // handler refused: the timer looks again in a moment.
  void client_gone() {
    conn.reset();
    waiting->set_enabled(true);
  }
};

PtyEndpoint::PtyEndpoint(PosixApartment& apt, std::string link_path, StreamHandler handler)
    : impl_(std::make_shared<Impl>(apt, std::move(handler))) {
  impl_->start(std::move(link_path));
}

PtyEndpoint::~PtyEndpoint() {
  impl_->waiting.reset();
  impl_->conn.reset();
  impl_->link.reset();
}

const std::string& PtyEndpoint::device() const { return impl_->pty.device(); }
const std::string& PtyEndpoint::link() const { return impl_->link_path; }
StreamConnection* PtyEndpoint::connection() const { return impl_->conn.get(); }

// ---------------------------------------------------------------- TCP

struct TcpEndpoint::Impl : std::enable_shared_from_this<TcpEndpoint::Impl> {
  PosixApartment& apt;
  StreamHandler handler;
  std::vector<Cidr> allow;
  int fd = -1;
  uint16_t port = 0;
  std::unique_ptr<DescriptorWatch> watch;
  std::unique_ptr<Timer> resume;  // a listener out of descriptors accepts again
  bool starved = false;           // said once per spell without descriptors
  std::vector<std::unique_ptr<FdConnection>> conns;

  Impl(PosixApartment& a, StreamHandler h, std::vector<Cidr> nets)
      : apt(a), handler(std::move(h)), allow(std::move(nets)) {}

  void accept_some() {
    for (int i = 0; i < kAcceptsPerWakeup; ++i) {
      sockaddr_in peer{};
      socklen_t len = sizeof peer;
      int c = ::accept4(fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (c < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if (errno != EAGAIN) out_of_descriptors();
        return;
      }
      if (starved && handler.log) handler.log("accepting clients again");
      starved = false;
      admit(c, peer);
    }
  }
  // EMFILE, ENFILE, ENOBUFS, ENOMEM: the listener stays readable, so it
  // leaves the loop for a moment instead of spinning; the clients wait in
  // the backlog.
  void out_of_descriptors() {
    if (!starved && handler.log) {
      handler.log(os_error("cannot accept new clients") + "; they wait");
    }
    starved = true;
    watch->pause(true);
    if (!resume) {
      std::weak_ptr<Impl> self = weak_from_this();
      resume = apt.create_timer(kAcceptPauseMs, false, [self] {
        if (auto s = self.lock()) {
          s->resume->set_enabled(false);
          s->watch->pause(false);
        }
      });
    }
    resume->set_enabled(true);
  }
  void admit(int c, const sockaddr_in& peer) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    std::string name = std::string(text) + ":" + std::to_string(ntohs(peer.sin_port));
    if (!admitted(ntohl(peer.sin_addr.s_addr), allow)) {
      if (handler.log) handler.log("refused " + name + ": not in an allowed network");
      ::close(c);
      return;
    }
    int one = 1;
    setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::weak_ptr<Impl> self = weak_from_this();
    conns.push_back(
        std::make_unique<FdConnection>(apt, c, name, handler, [self](FdConnection& gone) {
          if (auto s = self.lock()) s->remove(gone);
        }));
    FdConnection& conn = *conns.back();
    if (handler.opened && !handler.opened(conn)) remove(conn);
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
    : impl_(std::make_shared<Impl>(apt, std::move(handler), std::move(allow))) {
  auto& m = *impl_;
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
  std::weak_ptr<Impl> self = impl_;
  m.watch = apt.watch(m.fd, [self](FdEvents) {
    if (auto s = self.lock()) s->accept_some();
  });
}

TcpEndpoint::~TcpEndpoint() {
  impl_->watch.reset();
  impl_->resume.reset();
  for (auto& c : impl_->conns) {
    int cfd = c->fd();
    c.reset();
    ::close(cfd);
  }
  ::close(impl_->fd);
}

uint16_t TcpEndpoint::port() const { return impl_->port; }

}  // namespace tovrak::platform
