#include "hosts/web/web_server.hpp"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "hosts/web/web_assets.hpp"

namespace tovrak::web {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using std::chrono::milliseconds;

namespace {

constexpr auto kHandshakeTimeout = std::chrono::seconds(5);
// A page answers the transport's pings even when its own timers are held
// back (a hidden tab); one that answers nothing this long is gone.
constexpr auto kIdleTimeout = std::chrono::seconds(10);
constexpr int64_t kNoteEveryMs = 1000;

// Only the page's own scripts, styles and socket; no frames around it.
constexpr const char* kPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
    "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// The network thread's queue as the pages' outlets reach it from the
// apartment; closed when the server goes, after which posting does nothing.
struct Gate {
  std::mutex m;
  net::io_context* ioc = nullptr;
  template <class F>
  void post(F f) {
    std::lock_guard lock(m);
    if (ioc) net::post(*ioc, std::move(f));
  }
};

// Beast of this Boost speaks boost::string_view.
std::string_view sv(beast::string_view s) { return {s.data(), s.size()}; }
beast::string_view bsv(std::string_view s) { return {s.data(), s.size()}; }

int64_t steady_ms() {
  return std::chrono::duration_cast<milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string_view path_of(std::string_view target) {
  return target.substr(0, target.find_first_of("?#"));
}

// A name a browser sends in Host for this machine: an address, or localhost.
// Any other name reaching a loopback listener came through a name that
// points here from outside (DNS rebinding) and is refused.
bool local_host_name(std::string_view host) {
  if (host.starts_with('[')) return host.starts_with("[::1]");
  host = host.substr(0, host.find(':'));
  if (host == "localhost") return true;
  beast::error_code ec;
  net::ip::make_address_v4(std::string(host), ec);
  return !ec;
}

bool is_parse_error(const beast::error_code& ec) {
  return &ec.category() == &beast::error_code(http::error::bad_method).category() &&
         ec != http::error::end_of_stream && ec != http::error::partial_message;
}

}  // namespace

struct WebServer::Impl {
  platform::Apartment& apt;
  PageSink& sink;
  HttpOptions opt;
  std::function<void(const std::string&)> log;
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);  // read on the apartment
  std::shared_ptr<Gate> gate = std::make_shared<Gate>();
  uint16_t port = 0;
  // On the network thread:
  size_t connections = 0;
  int64_t noted_ms = -kNoteEveryMs;
  int unnoted = 0;
  std::thread thread;
  // Last, so that the sessions it still holds go before the rest.
  net::io_context ioc{1};
  tcp::acceptor acceptor{ioc};
  net::steady_timer retry{ioc};
  // The pages' sessions, held while they are open (a session waiting for the
  // apartment has no operation of its own that would hold it).
  std::map<const void*, std::shared_ptr<void>> live;

  Impl(platform::Apartment& a, PageSink& s, HttpOptions o,
       std::function<void(const std::string&)> l)
      : apt(a), sink(s), opt(std::move(o)), log(std::move(l)) {}

  // Runs `f` on the apartment unless the server has gone by then.
  template <class F>
  void to_apartment(F f) {
    apt.post([alive = std::weak_ptr<bool>(alive), f = std::move(f)]() mutable {
      if (auto a = alive.lock(); a && *a) f();
    });
  }
  // A line for the log, at most one a second (a flood must not flood it).
  void note(const std::string& what) {
    const int64_t now = steady_ms();
    if (now - noted_ms < kNoteEveryMs) {
      ++unnoted;
      return;
    }
    std::string line = "web: " + what;
    if (unnoted > 0) line += " (and " + std::to_string(unnoted) + " more since)";
    noted_ms = now;
    unnoted = 0;
    if (log) to_apartment([this, line] { log(line); });
  }
  bool allowed(const tcp::endpoint& peer) const {
    return peer.address().is_v4() &&
           platform::admitted(peer.address().to_v4().to_uint(), opt.allow);
  }
  void accept();
  void admit(tcp::socket socket);
};

namespace {

using Impl = WebServer::Impl;
using Request = http::request<http::empty_body>;

// One connection's place among the server's connections.
class Slot {
 public:
  explicit Slot(Impl& s) : s_(&s) { ++s_->connections; }
  Slot(Slot&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
  Slot& operator=(Slot&&) = delete;
  ~Slot() {
    if (s_) --s_->connections;
  }

 private:
  Impl* s_;
};

class WsSession;

// A page's end as the hub holds it.
struct Outlet : PageOut {
  std::weak_ptr<WsSession> session;
  std::shared_ptr<Gate> gate;
  Outlet(std::weak_ptr<WsSession> s, std::shared_ptr<Gate> g)
      : session(std::move(s)), gate(std::move(g)) {}
  void send(std::string text) override;
  void close(std::string why) override;
};

class WsSession : public std::enable_shared_from_this<WsSession> {
 public:
  WsSession(Impl& s, Slot slot, beast::tcp_stream stream, std::string peer)
      : s_(s),
        slot_(std::move(slot)),
        ws_(std::move(stream)),
        timer_(s.ioc),
        peer_(std::move(peer)) {}

  void start(Request req) {
    req_ = std::move(req);
    beast::get_lowest_layer(ws_).expires_never();
    ws_.set_option(websocket::stream_base::timeout{kHandshakeTimeout, kIdleTimeout, true});
    ws_.set_option(websocket::stream_base::decorator(
        [](websocket::response_type& r) { r.set(http::field::server, "tovrak"); }));
    ws_.read_message_max(s_.opt.frame_limit);
    ws_.async_accept(req_, [self = shared_from_this()](beast::error_code ec) {
      if (!ec) self->accepted();
    });
  }

  void send(std::string text) {
    if (closing_ || finished_) return;
    queued_ += text.size();
    if (queued_ > s_.opt.send_limit) return abort("the page does not read what it is sent");
    queue_.push_back(std::move(text));
    if (!writing_) write();
  }

  void close(std::string why) {
    if (closing_ || finished_) return;
    closing_ = true;
    if (why.size() > 120) why.resize(120);
    reason_ = std::move(why);
    if (!writing_) close_now();
  }

 private:
  void accepted() {
    s_.live[this] = shared_from_this();
    auto out = std::make_shared<Outlet>(weak_from_this(), s_.gate);
    s_.to_apartment([&sink = s_.sink, out, peer = peer_, gate = s_.gate, w = weak_from_this()] {
      const int id = sink.open(out, peer);
      gate->post([w, id] {
        if (auto self = w.lock()) self->opened(id);
      });
    });
  }

  void opened(int id) {
    page_ = id;
    if (id >= 0) read();
  }

  void read() {
    if (closing_ || finished_) return;
    ws_.async_read(in_,
                   [self = shared_from_this()](beast::error_code ec, size_t) { self->got(ec); });
  }

  void got(beast::error_code ec) {
    if (ec) return finish();
    if (!ws_.got_text()) return close("text messages only");
    std::string text = beast::buffers_to_string(in_.data());
    in_.consume(in_.size());
    // The next message is read once the apartment has taken this one.
    s_.to_apartment([&sink = s_.sink, id = page_, text = std::move(text), gate = s_.gate,
                     w = weak_from_this()] {
      sink.message(id, text);
      gate->post([w] {
        if (auto self = w.lock()) self->read();
      });
    });
  }

  void write() {
    writing_ = true;
    ws_.text(true);
    timer_.expires_after(milliseconds(s_.opt.write_timeout_ms));
    timer_.async_wait([w = weak_from_this()](beast::error_code ec) {
      if (auto self = w.lock(); self && !ec) self->abort("the page took too long to read");
    });
    ws_.async_write(net::buffer(queue_.front()),
                    [self = shared_from_this()](beast::error_code ec, size_t) { self->wrote(ec); });
  }

  void wrote(beast::error_code ec) {
    timer_.cancel();
    if (ec) return finish();
    queued_ -= queue_.front().size();
    queue_.pop_front();
    if (!queue_.empty()) return write();
    writing_ = false;
    if (closing_) close_now();
  }

  void close_now() {
    ws_.async_close(websocket::close_reason(websocket::close_code::policy_error, reason_),
                    [self = shared_from_this()](beast::error_code) { self->finish(); });
  }

  void abort(const std::string& why) {
    s_.note(peer_ + ": " + why + "; disconnected");
    finish();
  }

  void finish() {
    if (finished_) return;
    finished_ = true;
    timer_.cancel();
    beast::get_lowest_layer(ws_).close();
    if (page_ >= 0) s_.to_apartment([&sink = s_.sink, id = page_] { sink.closed(id); });
    s_.live.erase(this);  // the caller still holds the session
  }

  Impl& s_;
  Slot slot_;
  Request req_;  // the upgrade, until it is answered
  websocket::stream<beast::tcp_stream> ws_;
  net::steady_timer timer_;
  std::string peer_;
  beast::flat_buffer in_;
  std::deque<std::string> queue_;
  size_t queued_ = 0;
  bool writing_ = false;
  bool closing_ = false;
  bool finished_ = false;
  std::string reason_;
  int page_ = -1;
};

void Outlet::send(std::string text) {
  gate->post([w = session, text = std::move(text)]() mutable {
    if (auto s = w.lock()) s->send(std::move(text));
  });
}

void Outlet::close(std::string why) {
  gate->post([w = session, why = std::move(why)]() mutable {
    if (auto s = w.lock()) s->close(std::move(why));
  });
}

class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(Impl& s, tcp::socket socket, std::string peer, bool loopback)
      : s_(s), slot_(s), stream_(std::move(socket)), peer_(std::move(peer)), loopback_(loopback) {}

  void read() {
    parser_.emplace();
    parser_->header_limit(static_cast<uint32_t>(s_.opt.header_limit));
    parser_->body_limit(0);
    stream_.expires_after(milliseconds(s_.opt.request_timeout_ms));
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec, size_t) { self->got(ec); });
  }

 private:
  using Response = http::response<http::string_body>;

  void got(beast::error_code ec) {
    if (ec == http::error::header_limit) return fail(http::status::request_header_fields_too_large);
    if (ec == http::error::body_limit || ec == http::error::unexpected_body) {
      return fail(http::status::payload_too_large);
    }
    if (is_parse_error(ec)) return fail(http::status::bad_request);
    if (ec) return;  // the peer went, or took too long: the connection ends
    const Request& req = parser_->get();
    if (loopback_ && !local_host_name(sv(req[http::field::host])))
      return fail(http::status::forbidden);
    const std::string_view path = path_of(sv(req.target()));
    if (websocket::is_upgrade(req)) {
      if (path != "/ws") return fail(http::status::not_found);
      // A page of another site may not drive the radio from a browser here.
      const std::string_view origin = sv(req[http::field::origin]);
      if (!origin.empty() && origin != "http://" + std::string(sv(req[http::field::host]))) {
        return fail(http::status::forbidden);
      }
      std::make_shared<WsSession>(s_, std::move(slot_), std::move(stream_), peer_)
          ->start(parser_->release());
      return;
    }
    if (req.method() != http::verb::get && req.method() != http::verb::head) {
      auto res = response(http::status::method_not_allowed, "text/plain", "GET or HEAD only\n");
      res->set(http::field::allow, "GET, HEAD");
      return reply(res, false);
    }
    const Asset* asset = find_asset(path);
    if (!asset) return fail(http::status::not_found);
    auto res = response(http::status::ok, asset->type, asset->body);
    if (req.method() == http::verb::head) {
      res->body().clear();
      res->content_length(asset->body.size());
    }
    reply(res, req.keep_alive());
  }

  std::shared_ptr<Response> response(http::status status, std::string_view type,
                                     std::string_view body) {
    auto res = std::make_shared<Response>(status, 11);
    res->set(http::field::server, "tovrak");
    res->set(http::field::content_type, bsv(type));
    res->set(http::field::cache_control, "no-store");
    res->set("X-Content-Type-Options", "nosniff");
    res->set("Content-Security-Policy", kPolicy);
    res->set("Referrer-Policy", "no-referrer");
    res->body() = std::string(body);
    res->prepare_payload();
    return res;
  }

  // The request is at fault: its status, and the connection ends.
  void fail(http::status status) {
    std::string text = std::to_string(static_cast<int>(status)) + " " +
                       std::string(http::obsolete_reason(status)) + "\n";
    reply(response(status, "text/plain; charset=utf-8", text), false);
  }

  void reply(std::shared_ptr<Response> res, bool keep_alive) {
    res->keep_alive(keep_alive);
    stream_.expires_after(milliseconds(s_.opt.write_timeout_ms));
    http::async_write(stream_, *res,
                      [self = shared_from_this(), res](beast::error_code ec, size_t) {
                        if (!ec && res->keep_alive()) return self->read();
                        beast::error_code ignored;
                        self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
                      });
  }

  Impl& s_;
  Slot slot_;
  beast::tcp_stream stream_;
  std::string peer_;
  bool loopback_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::empty_body>> parser_;
};

}  // namespace

void WebServer::Impl::accept() {
  acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
    if (ec == net::error::operation_aborted) return;
    if (!ec) {
      admit(std::move(socket));
      return accept();
    }
    // Out of descriptors, most likely: try again shortly instead of spinning.
    note("cannot accept: " + ec.message());
    retry.expires_after(milliseconds(100));
    retry.async_wait([this](beast::error_code e) {
      if (!e) accept();
    });
  });
}

void WebServer::Impl::admit(tcp::socket socket) {
  beast::error_code ec;
  const tcp::endpoint peer = socket.remote_endpoint(ec);
  if (ec) return;
  const std::string name = peer.address().to_string() + ":" + std::to_string(peer.port());
  if (!allowed(peer)) return note("refused " + name + ": not an allowed network");
  if (connections >= opt.max_connections) {
    return note("refused " + name + ": " + std::to_string(connections) + " connections already");
  }
  socket.set_option(tcp::no_delay(true), ec);
  const bool loopback = platform::is_loopback(peer.address().to_v4().to_uint());
  std::make_shared<HttpSession>(*this, std::move(socket), name, loopback)->read();
}

WebServer::WebServer(platform::Apartment& apt, PageSink& sink, HttpOptions options,
                     std::function<void(const std::string&)> log)
    : impl_(std::make_shared<Impl>(apt, sink, std::move(options), std::move(log))) {
  Impl& s = *impl_;
  const std::string where = s.opt.address + ":" + std::to_string(s.opt.port);
  try {
    const tcp::endpoint at(net::ip::make_address_v4(s.opt.address), s.opt.port);
    s.acceptor.open(at.protocol());
    s.acceptor.set_option(tcp::acceptor::reuse_address(true));
    s.acceptor.bind(at);
    s.acceptor.listen(64);
    s.port = s.acceptor.local_endpoint().port();
  } catch (const boost::system::system_error& e) {
    throw std::runtime_error("cannot serve the page on " + where + ": " + e.code().message());
  }
  s.gate->ioc = &s.ioc;
  s.accept();
  s.thread = std::thread([&s] { s.ioc.run(); });
}

WebServer::~WebServer() {
  *impl_->alive = false;
  {
    std::lock_guard lock(impl_->gate->m);
    impl_->gate->ioc = nullptr;
  }
  impl_->ioc.stop();
  impl_->thread.join();
  impl_->live.clear();  // while the network's context is still there
}

uint16_t WebServer::port() const { return impl_->port; }

void WebServer::on_network_thread(std::function<void()> task) {
  impl_->gate->post(std::move(task));
}

}  // namespace tovrak::web
