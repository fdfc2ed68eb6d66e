#include "platform/posix/serial_link.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/posix/rfc2217_link.hpp"
#include "platform/posix/tcp_link.hpp"
#include "platform/serial_errors.hpp"

namespace tovrak::platform {

// ---------------------------------------------------------------- locators

namespace {

struct Scheme {
  std::string_view name;
  PortLocator::Kind kind;
};
constexpr Scheme kSchemes[] = {{"rfc2217", PortLocator::Kind::Rfc2217},
                               {"tcp", PortLocator::Kind::Tcp}};

std::string_view scheme_of(PortLocator::Kind kind) {
  for (const Scheme& s : kSchemes) {
    if (s.kind == kind) return s.name;
  }
  return "";
}

}  // namespace

std::string PortLocator::display() const {
  if (kind == Kind::Local) return path;
  bool v6 = host.find(':') != std::string::npos;
  return std::string(scheme_of(kind)) + "://" + (v6 ? "[" + host + "]" : host) + ":" +
         std::to_string(tcp_port);
}

PortLocator parse_port_locator(const std::string& locator, int16_t comm_port) {
  PortLocator where;
  if (locator.empty()) {
    where.path = "/dev/ttyS" + std::to_string(comm_port - 1);
    return where;
  }
  auto sep = locator.find("://");
  if (sep == std::string::npos) {
    where.path = locator;
    return where;
  }
  std::string_view scheme(locator.data(), sep);
  std::string_view rest = std::string_view(locator).substr(sep + 3);
  const Scheme* known = nullptr;
  for (const Scheme& s : kSchemes) {
    if (s.name == scheme) known = &s;
  }
  if (!known) {
    serial_error::cannot_open(locator, "unknown kind of port \"" + std::string(scheme) +
                                           "://\"; give a device path such as /dev/ttyUSB0, "
                                           "rfc2217://HOST:PORT or tcp://HOST:PORT");
  }
  auto malformed = [&] {
    serial_error::cannot_open(locator, "a network port is written " + std::string(scheme) +
                                           "://HOST:PORT, with PORT from 1 to 65535 (an IPv6 "
                                           "address in brackets: [::1])");
  };
  auto colon = rest.rfind(':');
  int port = 0;
  if (colon == std::string_view::npos ||
      std::from_chars(rest.data() + colon + 1, rest.data() + rest.size(), port).ptr !=
          rest.data() + rest.size() ||
      port < 1 || port > 65535) {
    malformed();
  }
  std::string_view host = rest.substr(0, colon);
  // An IPv6 address is written in brackets: rfc2217://[::1]:7000.
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string_view::npos) {
    malformed();
  }
  if (host.empty() || host.find_first_of("/[]@ ") != std::string_view::npos) malformed();
  where.kind = known->kind;
  where.host = std::string(host);
  where.tcp_port = port;
  return where;
}

// ---------------------------------------------------------------- termios

namespace {

// The rates termios has, by their speeds in baud.
constexpr std::pair<int, speed_t> kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000}};

std::optional<speed_t> termios_speed(int speed) {
  for (const auto& [baud, rate] : kRates) {
    if (baud == speed) return rate;
  }
  return std::nullopt;
}

std::string reason(int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "no such device. Check that the cable or USB adapter is plugged in, or run "
             "`tovrak ports` to list the serial ports of this machine";
    case EIO:
      return "no device answers there (a serial port without hardware behind it). Run "
             "`tovrak ports` to list the serial ports of this machine";
    case EBUSY:
    case EWOULDBLOCK:
      return "the port is busy: another program has it open. Close that program or choose "
             "another port";
    case EACCES:
    case EPERM:
      return "permission denied. Serial ports belong to the dialout group: add your user to it "
             "(sudo usermod -aG dialout $USER) and log in again";
    case ENOTTY:
    case EISDIR:
      return "this is not a serial device";
    default:
      return std::strerror(err);
  }
}

[[noreturn]] void cannot_open(const std::string& path, int err) {
  serial_error::cannot_open(path, reason(err));
}

class TtyLink : public SerialLink {
 public:
  TtyLink(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~TtyLink() override {
    ioctl(fd_, TIOCNXCL);
    close(fd_);
  }

  int fd() const override { return fd_; }

  void apply(const LineParams& p) override {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) fail_settings(errno);
    if (!line_termios(t, p)) fail_settings(EINVAL);
    if (tcsetattr(fd_, TCSANOW, &t) != 0) fail_settings(errno);
  }

  bool set_modem_lines(bool dtr, bool rts) override {
    int dtr_bit = TIOCM_DTR;
    int rts_bit = TIOCM_RTS;
    // Devices without modem lines (pseudo-terminals) refuse these; the
    // port works without them.
    if (ioctl(fd_, dtr ? TIOCMBIS : TIOCMBIC, &dtr_bit) != 0) return false;
    if (ioctl(fd_, rts ? TIOCMBIS : TIOCMBIC, &rts_bit) != 0) return false;
    return true;
  }

  ssize_t read_some(char* buf, size_t size) override { return read(fd_, buf, size); }
  ssize_t write_some(const char* buf, size_t size) override { return write(fd_, buf, size); }

  int32_t pending_out() override {
    int n = 0;
    if (ioctl(fd_, TIOCOUTQ, &n) != 0) return 0;
    return n;
  }

  void discard_out() override { tcflush(fd_, TCOFLUSH); }

 private:
  [[noreturn]] void fail_settings(int err) {
    serial_error::cannot_set_line(
        path_, err == EINVAL ? std::string("the device refuses them") : std::strerror(err));
  }

  std::string path_;
  int fd_;
};

std::unique_ptr<SerialLink> open_tty(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) cannot_open(path, errno);
  auto refuse = [&](int err) {
    close(fd);
    cannot_open(path, err);
  };
  termios t{};
  if (tcgetattr(fd, &t) != 0) refuse(errno == EINVAL ? ENOTTY : errno);
  // Exclusive: the kernel refuses other opens (TIOCEXCL), and programs that
  // take the advisory lock see ours, which also holds against root, whom
  // TIOCEXCL does not stop.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) refuse(errno);
  if (ioctl(fd, TIOCEXCL) != 0) refuse(errno);
  return std::make_unique<TtyLink>(path, fd);
}

}  // namespace

bool line_termios(termios& t, const LineParams& p) {
  auto speed = termios_speed(p.framing.speed);
  if (!speed) return false;
  cfmakeraw(&t);
  // Modem-control lines never hang the port up; the receiver is on.
  t.c_cflag |= CLOCAL | CREAD;
  // A read returns what has arrived (the descriptor never blocks).
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, *speed);
  cfsetospeed(&t, *speed);
  constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag &= ~CSIZE;
  t.c_cflag |= kSizes[std::clamp(p.framing.data_bits, 5, 8) - 5];
  t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
  switch (p.framing.parity) {
    case 'E':
      t.c_cflag |= PARENB;
      break;
    case 'O':
      t.c_cflag |= PARENB | PARODD;
      break;
    case 'M':  // mark: the parity bit always 1
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case 'S':  // space: always 0
      t.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  // Two stop bits, or one and a half with five data bits.
  t.c_cflag = p.framing.stop_bits == 1 ? t.c_cflag & ~CSTOPB : t.c_cflag | CSTOPB;
  t.c_cflag = (p.handshaking & 2) ? t.c_cflag | CRTSCTS : t.c_cflag & ~CRTSCTS;
  // XON/XOFF both ways; only XON restarts output (never any key).
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (p.handshaking & 1) t.c_iflag |= IXON | IXOFF;
  return true;
}

void check_local_settings(const SerialSettings& s, const std::string& text) {
  if (!termios_speed(s.speed)) {
    serial_error::invalid_settings(
        text, "a serial port on this system cannot be set to " + std::to_string(s.speed) +
                  " baud; choose a standard rate such as 4800, 9600, 19200, 38400, 57600 or "
                  "115200");
  }
  if (s.data_bits < 5)
    serial_error::invalid_settings(text, "a serial port on this system takes 5 to 8 data bits");
  if (s.stop_bits == 15 && s.data_bits != 5) {
    serial_error::invalid_settings(text, "one and a half stop bits go only with 5 data bits");
  }
}

std::string SerialLink::loss_reason(int err) const {
  return (err == 0 || err == EIO) ? "disconnected or hung up" : std::strerror(err);
}

std::unique_ptr<SerialLink> open_serial_link(const PortLocator& where) {
  switch (where.kind) {
    case PortLocator::Kind::Rfc2217:
      return open_rfc2217_link(where);
    case PortLocator::Kind::Tcp:
      return open_tcp_link(where);
    default:
      return open_tty(where.path);
  }
}

}  // namespace tovrak::platform
