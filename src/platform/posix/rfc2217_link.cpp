#include "platform/posix/rfc2217_link.hpp"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

#include "platform/posix/telnet_session.hpp"
#include "platform/serial_errors.hpp"

namespace tovrak::platform {

namespace {

std::string byte(int v) { return std::string(1, static_cast<char>(v)); }

class Rfc2217Link : public SocketLink {
 public:
  using SocketLink::SocketLink;

  // Asks for the options and waits, up to `timeout_ms`, for the server to take
  // the COM-PORT option. Data arriving before is dropped, as a local device
  // drops what came before it was opened.
  void agree(int timeout_ms) {
    session_.start(out_);
    if (int err = flush()) fail_greeting(err);
    auto deadline = RemoteClock::now() + std::chrono::milliseconds(timeout_ms);
    char buf[512];
    while (session_.com_port() == telnet::Session::ComPort::Asked) {
      if (!wait_ready(fd_, POLLIN, deadline, name_)) {
        serial_error::cannot_open(
            name_, "the server does not speak RFC 2217: no answer to the COM-PORT option within " +
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
      if (over_limit()) fail_greeting(ENOBUFS);
    }
    if (session_.com_port() == telnet::Session::ComPort::Refused) {
      serial_error::cannot_open(
          name_, "the server does not speak RFC 2217: it refused the COM-PORT option" +
                     not_rfc2217_hint());
    }
  }

  void apply(const LineParams& p) override {
    if (p.framing.data_bits < 5) {
      serial_error::cannot_set_line(name_, "a remote port takes 5 to 8 data bits");
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

  // One receive: its data, or -1 with EINTR when only Telnet commands came
  // (the caller reads again within its budget), or ENOBUFS when the answers
  // the server does not read have passed the limit.
  ssize_t read_some(char* buf, size_t size) override {
    ssize_t n = recv(fd_, buf, size, 0);
    if (n <= 0) return n;
    size_t had = out_.size();
    size_t got = session_.receive(buf, static_cast<size_t>(n), buf, out_);
    if (out_.size() != had) flush();  // answers to the server's requests
    if (over_limit()) {
      errno = ENOBUFS;
      return -1;
    }
    if (got > 0) return static_cast<ssize_t>(got);
    errno = EINTR;
    return -1;
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
      } else if (n < 0 && errno == EAGAIN) {
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
    if (err == ENOBUFS) {
      return "the server sends requests and does not read the answers (" +
             std::to_string(kRfc2217UnsentLimit / 1024) + " KiB of them unsent)";
    }
    return SocketLink::loss_reason(err);
  }

 private:
  bool over_limit() const { return out_.size() - sent_ > kRfc2217UnsentLimit; }

  [[noreturn]] void fail_greeting(int err) const {
    if (err == 0 || err == EPIPE || err == ECONNRESET) {
      serial_error::cannot_open(name_,
                                "the server closed the connection at once (another client may "
                                "have the port, or the server does not speak RFC 2217)");
    }
    serial_error::cannot_open(name_, loss_reason(err));
  }
  static std::string not_rfc2217_hint() {
    return "; a ser2net port speaks it with the accepter telnet(rfc2217),tcp,PORT";
  }

  telnet::Session session_;
  std::string out_;  // Telnet bytes not yet sent, from sent_
  size_t sent_ = 0;
  int32_t out_data_ = 0;  // port data among them
  std::string encoded_;
  LineParams last_;
  bool applied_ = false;
  bool lines_set_ = false, dtr_ = false, rts_ = false;
};

}  // namespace

std::unique_ptr<SerialLink> start_rfc2217_link(int fd, const std::string& name, int timeout_ms) {
  auto link = std::make_unique<Rfc2217Link>(fd, name);
  link->agree(timeout_ms);
  return link;
}

std::unique_ptr<SerialLink> open_rfc2217_link(const PortLocator& where, int timeout_ms) {
  return start_rfc2217_link(connect_to_server(where, timeout_ms), where.display(), timeout_ms);
}

}  // namespace tovrak::platform
