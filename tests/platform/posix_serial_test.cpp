// The Linux serial control over pseudo-terminals, the test holding the
// master side as the radio; real time, with generous deadlines (a device
// lost and found again under load is the cable-pulled soak's).
#include "platform/posix/posix_serial.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/endpoints/pseudo_terminal.hpp"
#include "support/refusal.hpp"
#include "support/run_until.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::platform {
namespace {

using namespace std::chrono_literals;

// The radio's end of a pseudo-terminal pair; the control opens the device.
struct Radio {
  PseudoTerminal pty{PseudoTerminal::Mode::Raw};
  int fd = pty.master();
  std::string path = pty.device();

  Radio() { pty.close_device(); }
  void send(const std::string& bytes) const {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  }
  std::string take() const { return test::read_all(fd); }
  // The line the control set (a pty master reports its slave's): speed,
  // framing and flow control, editing.
  auto line() const {
    termios t{};
    tcgetattr(fd, &t);
    return std::tuple(cfgetospeed(&t), t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS),
                      t.c_lflag & (ICANON | ECHO));
  }
};

struct Session {
  PosixApartment apt;
  std::unique_ptr<SerialControl> port = apt.create_serial();
  int events = 0;

  PosixSerial& posix() { return dynamic_cast<PosixSerial&>(*port); }
  void open(const Radio& radio) {
    port->Device(radio.path), port->OnComm([this] { ++events; }), port->PortOpen(true);
  }
  bool run_until(const std::function<bool()>& done) { return test::run_until(apt, 1s, done); }
};

using test::error_of;
using test::has;
std::string open_error(SerialControl& port) {
  std::string why = error_of([&] { port.PortOpen(true); });
  EXPECT_FALSE(port.PortOpen());
  return why;
}

// Bytes wait through a non-pumping sleep for the next message; a closed port
// raises nothing for what came before; a handler may destroy its control.
TEST(PosixSerial, BytesWaitThroughASleepAndTheControlMayGoInItsHandler) {
  Radio radio;
  Session s;
  s.open(radio);
  radio.send("ID;");
  s.apt.sleep_ms(30);
  EXPECT_EQ(s.events, 0);
  radio.send("AI0;");
  ASSERT_TRUE(s.run_until([&] { return s.events > 0; }));
  EXPECT_EQ(s.port->InBufferCount(), 7);
  EXPECT_EQ(s.port->Input(), "ID;AI0;");
  EXPECT_EQ(s.port->InBufferCount(), 0);

  s.events = 0;
  radio.send("FA;");
  s.apt.sleep_ms(20);
  s.port->PortOpen(false);
  s.apt.run_for(30ms);
  EXPECT_EQ(std::tuple(s.events, s.port->InBufferCount()), std::tuple(0, 0));

  s.port->PortOpen(true);
  s.port->OnComm([&] { s.port.reset(); });
  radio.send("IF;");
  ASSERT_TRUE(s.run_until([&] { return !s.port; }));
  s.apt.run_for(20ms);
}

TEST(PosixSerial, ConfiguresTheLineAndTheRadioReadsExactlyTheBytesWritten) {
  Radio radio;
  Session s;
  std::string wire;
  s.apt.on_serial_write([&](std::string_view bytes) { wire += bytes; });
  s.port->Settings("4800,N,8,1"), s.port->Handshaking(2), s.port->DTREnable(true);
  s.open(radio);
  EXPECT_EQ(radio.line(), std::tuple(speed_t{B4800}, tcflag_t{CS8 | CRTSCTS}, tcflag_t{0}));
  EXPECT_FALSE(s.posix().modem_lines_supported());  // a pty has none; the port works on

  const std::string bytes("AI0;ID;\n\0;", 10);
  s.port->Output(bytes.substr(0, 4)), s.port->Output(bytes.substr(4));
  std::string heard;
  EXPECT_TRUE(s.run_until([&] { return (heard += radio.take()).size() >= 10; }));
  EXPECT_EQ(heard, bytes);
  EXPECT_EQ(wire, bytes);

  // Applied at once while open. (A pty always keeps 8 data bits and no
  // parity, whatever it is told; speed and stop bits it keeps.)
  s.port->Settings("9600,N,8,2"), s.port->Handshaking(0);
  EXPECT_EQ(radio.line(), std::tuple(speed_t{B9600}, tcflag_t{CS8 | CSTOPB}, tcflag_t{0}));
}

TEST(PosixSerial, RefusalsSayWhatAndChangeNothing) {
  // Opening names the device and the reason.
  // (device, port number, what the refusal says)
  const std::tuple<const char*, int16_t, std::vector<std::string>> rows[] = {
      {"/dev/tovrak-none", 1, {"/dev/tovrak-none", "no such device", "tovrak ports"}},
      {"", 200, {"/dev/ttyS199"}},
      {"/dev/null", 1, {"not a serial device"}},
      {"rfc2217://no-such-host.invalid:7000", 1, {"\"no-such-host.invalid\" is not known"}},
  };
  PosixApartment apt;
  // A refused open leaves no descriptor behind.
  auto descriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  const auto before = descriptors();
  for (const auto& [device, number, said] : rows) {
    auto port = apt.create_serial();
    port->Device(device), port->CommPort(number);
    std::string why = open_error(*port);
    for (const auto& part : said) EXPECT_TRUE(has(why, part)) << why;
  }
  EXPECT_EQ(descriptors(), before);

  Radio radio;
  Session s;
  EXPECT_THROW(s.port->CommPort(0), ComError);
  EXPECT_THROW(s.port->Output("FA;"), ComError);  // closed
  EXPECT_THROW(s.port->Handshaking(5), ComError);
  EXPECT_THROW(s.port->Settings("9600,N,4,1"), ComError);
  s.open(radio);
  EXPECT_THROW(s.port->CommPort(2), ComError);
  EXPECT_THROW(s.port->Device("/dev/ttyUSB0"), ComError);
  EXPECT_THROW(s.port->PortOpen(true), ComError);
  EXPECT_EQ(std::get<0>(radio.line()), speed_t{B9600});  // refused settings never reach it

  // The device is the control's alone: exclusive to the kernel (which only
  // root may pass, as this test may run) and locked for whoever asks.
  if (int fd = open(radio.path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC); fd >= 0) {
    int exclusive = 0;
    EXPECT_TRUE(ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive == 1);
    EXPECT_NE(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);
  } else {
    EXPECT_EQ(errno, EBUSY);
  }
  // A second open of the same device is refused as busy, until it closes.
  auto other = s.apt.create_serial();
  other->Device(radio.path);
  std::string why = open_error(*other);
  EXPECT_TRUE(has(why, radio.path) && has(why, "busy")) << why;
  s.port->PortOpen(false), other->PortOpen(true);
  EXPECT_TRUE(other->PortOpen());
}

// The termios a local device is given: every rate termios has, as that rate
// (glibc's cfsetspeed, which also takes plain numbers, says which), and the
// framing and flow control a pseudo-terminal cannot show (it keeps 8 bits
// and no parity).
TEST(PosixSerial, LineTermiosHasEveryRateFramingAndFlowControl) {
  for (int speed :
       {50,     75,     110,     134,     150,     200,     300,     600,     1200,    1800,
        2400,   4800,   9600,    19200,   38400,   57600,   115200,  230400,  460800,  500000,
        576000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000}) {
    termios want{}, t{};
    ASSERT_EQ(cfsetspeed(&want, static_cast<speed_t>(speed)), 0) << speed;
    ASSERT_TRUE(line_termios(t, {{speed, 'N', 8, 1}, 0})) << speed;
    EXPECT_EQ(std::tuple(cfgetispeed(&t), cfgetospeed(&t)),
              std::tuple(cfgetospeed(&want), cfgetospeed(&want)))
        << speed;
  }
  // (settings, handshaking; the size, parity, stop, RTS/CTS and XON/XOFF bits)
  using Bits = tcflag_t;
  const std::tuple<const char*, int16_t, Bits, Bits, Bits, Bits, Bits> rows[] = {
      {"9600,N,8,1", 0, CS8, 0, 0, 0, 0},
      {"9600,E,7,1", 1, CS7, PARENB, 0, 0, IXON | IXOFF},
      {"9600,O,6,2", 2, CS6, PARENB | PARODD, CSTOPB, CRTSCTS, 0},
      {"9600,M,5,1.5", 3, CS5, PARENB | PARODD | CMSPAR, CSTOPB, CRTSCTS, IXON | IXOFF},
      {"9600,S,8,2", 0, CS8, PARENB | CMSPAR, CSTOPB, 0, 0},
  };
  for (const auto& [settings, handshaking, size, parity, stop, rtscts, xonxoff] : rows) {
    termios t{};
    t.c_cflag = PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;  // whatever the device had
    t.c_iflag = IXON | IXOFF | IXANY;
    ASSERT_TRUE(line_termios(t, {parse_serial_settings(settings), handshaking}));
    EXPECT_EQ(
        std::tuple(t.c_cflag & CSIZE, t.c_cflag & (PARENB | PARODD | CMSPAR), t.c_cflag & CSTOPB,
                   t.c_cflag & CRTSCTS, t.c_iflag & (IXON | IXOFF | IXANY)),
        std::tuple(size, parity, stop, rtscts, xonxoff))
        << settings << " " << handshaking;
    // Raw, and a read returns what has arrived.
    EXPECT_EQ(std::tuple(t.c_cflag & (CLOCAL | CREAD), t.c_lflag & (ICANON | ECHO | ISIG),
                         t.c_cc[VMIN], t.c_cc[VTIME]),
              std::tuple(tcflag_t{CLOCAL | CREAD}, tcflag_t{0}, cc_t{1}, cc_t{0}))
        << settings;
  }
  // Speeds only other systems offer are refused before the port is touched.
  termios t{};
  EXPECT_FALSE(line_termios(t, {parse_serial_settings("14400,N,8,1"), 0}));
  Session s;
  EXPECT_EQ(error_of([&] { s.port->Settings("56000,N,8,1"); }),
            "Invalid property value: port settings \"56000,N,8,1\": a serial port on this system "
            "cannot be set to 56000 baud; choose a standard rate such as 4800, 9600, 19200, "
            "38400, 57600 or 115200");
}

}  // namespace
}  // namespace tovrak::platform
