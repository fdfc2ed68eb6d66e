// The Linux serial control over pseudo-terminals: the test holds the master
// side as the radio and gives the control the slave's path. Real time, with
// generous deadlines; nothing here depends on TIOCOUTQ or TCOFLUSH, which do
// nothing on a pseudo-terminal.
#include "platform/posix/posix_serial.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::platform {
namespace {

using std::chrono::milliseconds;

// The radio's end of a pseudo-terminal pair.
class Radio {
 public:
  Radio() {
    fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0) throw std::runtime_error("openpt");
    char name[128];
    if (ptsname_r(fd_, name, sizeof name) != 0) throw std::runtime_error("ptsname");
    path_ = name;
  }
  ~Radio() { hang_up(); }

  const std::string& path() const { return path_; }
  int fd() const { return fd_; }
  void hang_up() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  // Writes everything, waiting for room if the line is full. A reader on the
  // same thread passes `drain`, which lets it read while the radio waits.
  void send(const std::string& bytes, const std::function<void()>& drain = {}) {
    size_t done = 0;
    auto end = std::chrono::steady_clock::now() + milliseconds(5000);
    while (done < bytes.size()) {
      ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (drain) {
        ASSERT_LT(std::chrono::steady_clock::now(), end) << "the line stays full";
        drain();
      } else {
        pollfd p{fd_, POLLOUT, 0};
        ASSERT_EQ(poll(&p, 1, 1000), 1);
      }
    }
  }
  // What has arrived so far.
  std::string take() {
    std::string got;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd_, buf, sizeof buf)) > 0) got.append(buf, static_cast<size_t>(n));
    return got;
  }
  // Waits up to a second for `count` bytes.
  std::string receive(size_t count) {
    std::string got = take();
    auto end = std::chrono::steady_clock::now() + milliseconds(1000);
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      poll(&p, 1, 50);
      got += take();
    }
    return got;
  }
  // The line parameters the control set (a pty master reports its slave's).
  termios line() const {
    termios t{};
    tcgetattr(fd_, &t);
    return t;
  }

 private:
  int fd_ = -1;
  std::string path_;
};

struct Session {
  PosixApartment apt;
  std::unique_ptr<SerialControl> port = apt.create_serial();
  int events = 0;

  PosixSerial& posix() { return dynamic_cast<PosixSerial&>(*port); }
  void open(const Radio& radio) {
    port->Device(radio.path());
    port->OnComm([this] { ++events; });
    port->PortOpen(true);
  }
  // Processes messages until `done` or a second has passed.
  bool run_until(const std::function<bool()>& done) {
    auto end = std::chrono::steady_clock::now() + milliseconds(1000);
    while (!done()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      apt.run_for(milliseconds(5));
    }
    return true;
  }
};

std::string open_error(SerialControl& port) {
  try {
    port.PortOpen(true);
  } catch (const ComError& e) {
    EXPECT_FALSE(port.PortOpen());
    return e.description();
  }
  ADD_FAILURE() << "the port opened";
  return {};
}

std::string pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('A' + (i * 7 + i / 251) % 26);
  return s;
}

// ---------------------------------------------------------------- input

TEST(PosixSerialInput, RadioBytesRaiseTheEventOnTheApartmentThread) {
  Radio radio;
  std::thread::id apartment_thread, event_thread;
  std::string received;
  std::atomic<bool> opened{false};
  std::thread apartment([&] {
    PosixApartment apt;
    auto port = apt.create_serial();
    port->Device(radio.path());
    port->OnComm([&] {
      event_thread = std::this_thread::get_id();
      received += port->Input();
      if (received.size() >= 14) apt.quit();
    });
    port->PortOpen(true);
    apartment_thread = std::this_thread::get_id();
    apt.post([&] { opened = true; });
    apt.run_for(milliseconds(2000));
  });
  while (!opened) std::this_thread::sleep_for(milliseconds(1));
  radio.send("FA00014200000;");
  apartment.join();
  EXPECT_EQ(received, "FA00014200000;");
  EXPECT_EQ(event_thread, apartment_thread);
}

TEST(PosixSerialInput, BytesWaitThroughASleepAndInputTakesThemAll) {
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
}

TEST(PosixSerialInput, TheInputBufferIsCappedAndTheLoopKeepsDraining) {
  Radio radio;
  Session s;
  s.open(radio);
  std::string flood = pattern(100 * 1024);
  for (size_t at = 0; at < flood.size(); at += 8192) {
    radio.send(flood.substr(at, 8192), [&] { s.apt.run_for(milliseconds(1)); });
    s.apt.run_for(milliseconds(2));
  }
  s.run_until([&] { return s.port->InBufferCount() >= int32_t{PosixSerial::kInputLimit}; });
  EXPECT_EQ(s.port->Input(), flood.substr(0, PosixSerial::kInputLimit));
}

TEST(PosixSerialInput, AClosedPortRaisesNoEventForBytesThatCameBeforeTheClose) {
  Radio radio;
  Session s;
  s.open(radio);
  radio.send("FA;");
  s.apt.sleep_ms(20);
  s.port->PortOpen(false);
  s.apt.run_for(milliseconds(30));
  EXPECT_EQ(s.events, 0);
  EXPECT_EQ(s.port->InBufferCount(), 0);
}

TEST(PosixSerialInput, AHandlerMayDestroyTheControlThatRaisedTheEvent) {
  Radio radio;
  Session s;
  s.open(radio);
  bool raised = false;
  s.port->OnComm([&] {
    raised = true;
    s.port.reset();
  });
  radio.send("IF;");
  ASSERT_TRUE(s.run_until([&] { return raised; }));
  s.apt.run_for(milliseconds(20));
}

// ---------------------------------------------------------------- output

TEST(PosixSerialOutput, ConfiguresTheLineAndTheRadioReadsExactlyTheBytesWritten) {
  Radio radio;
  Session s;
  std::string wire;
  s.apt.on_serial_write([&](std::string_view bytes) { wire += bytes; });
  s.port->Settings("4800,N,8,1");
  s.port->InputMode(1);
  s.port->Handshaking(2);
  s.port->DTREnable(true);
  s.port->RTSEnable(true);
  s.open(radio);
  termios t = radio.line();
  EXPECT_EQ(cfgetospeed(&t), speed_t{B4800});
  EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t{CS8});
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_FALSE(s.posix().modem_lines_supported());  // a pty has none; the port works on

  s.port->Output("AI0;");
  s.port->Output(std::string("ID;\n\0;", 6));
  EXPECT_EQ(radio.receive(10), std::string("AI0;ID;\n\0;", 10));
  EXPECT_EQ(wire, std::string("AI0;ID;\n\0;", 10));

  // Applied at once while open. (A pty always keeps 8 data bits and no
  // parity, whatever it is told; speed and stop bits it keeps.)
  s.port->Settings("9600,N,8,2");
  s.port->Handshaking(0);
  t = radio.line();
  EXPECT_EQ(cfgetospeed(&t), speed_t{B9600});
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
}

TEST(PosixSerialOutput, WhatTheDeviceCannotTakeAtOnceIsQueuedAndSentInOrder) {
  Radio radio;
  Session s;
  s.open(radio);
  std::string big = pattern(256 * 1024);
  s.port->Output(big.substr(0, 1000));
  s.port->Output(big.substr(1000));  // returns without waiting
  EXPECT_GT(s.port->OutBufferCount(), 0);
  std::string got;
  s.run_until([&] {
    got += radio.take();
    return got.size() >= big.size();
  });
  EXPECT_TRUE(got == big) << "received " << got.size() << " of " << big.size() << " bytes";
  EXPECT_EQ(s.port->OutBufferCount(), 0);
}

TEST(PosixSerialOutput, ClearingTheOutputDropsTheQueueAndLaterWritesFollowWhatWasSent) {
  Radio radio;
  Session s;
  s.open(radio);
  std::string big = pattern(256 * 1024);
  s.port->Output(big);
  s.port->ClearOutBuffer();
  EXPECT_EQ(s.port->OutBufferCount(), 0);
  s.port->Output("END;");
  std::string got;
  s.run_until([&] {
    got += radio.take();
    return got.size() >= 4 && got.compare(got.size() - 4, 4, "END;") == 0;
  });
  ASSERT_GE(got.size(), 4u);
  EXPECT_LT(got.size(), big.size());
  EXPECT_EQ(got.substr(got.size() - 4), "END;");
  EXPECT_TRUE(big.compare(0, got.size() - 4, got, 0, got.size() - 4) == 0);
}

// ---------------------------------------------------------------- refusals

TEST(PosixSerialRefusals, OpeningFailsWithADescriptionNamingTheDeviceAndTheReason) {
  PosixApartment apt;
  auto port = apt.create_serial();

  port->Device("/dev/tovrak-no-such-port");
  std::string why = open_error(*port);
  EXPECT_NE(why.find("/dev/tovrak-no-such-port"), std::string::npos) << why;
  EXPECT_NE(why.find("no such device"), std::string::npos) << why;
  EXPECT_NE(why.find("tovrak ports"), std::string::npos) << why;

  port->Device("");
  port->CommPort(200);  // names /dev/ttyS199
  why = open_error(*port);
  EXPECT_NE(why.find("/dev/ttyS199"), std::string::npos) << why;

  port->Device("/dev/null");
  why = open_error(*port);
  EXPECT_NE(why.find("not a serial device"), std::string::npos) << why;

  port->Device("telnet://radio:23");
  why = open_error(*port);
  EXPECT_NE(why.find("telnet://"), std::string::npos) << why;
}

TEST(PosixSerialRefusals, ASecondOpenOfTheSameDeviceIsRefusedAsBusy) {
  Radio radio;
  Session s;
  s.open(radio);
  auto other = s.apt.create_serial();
  other->Device(radio.path());
  std::string why = open_error(*other);
  EXPECT_NE(why.find(radio.path()), std::string::npos) << why;
  EXPECT_NE(why.find("busy"), std::string::npos) << why;
  s.port->PortOpen(false);
  other->PortOpen(true);  // free again once closed
  EXPECT_TRUE(other->PortOpen());
}

TEST(PosixSerialRefusals, ConfigurationErrors) {
  Radio radio;
  Session s;
  EXPECT_THROW(s.port->CommPort(0), ComError);
  EXPECT_THROW(s.port->Output("FA;"), ComError);  // closed
  EXPECT_THROW(s.port->Handshaking(5), ComError);
  try {
    s.port->Settings("14400,N,8,1");  // no termios rate
    ADD_FAILURE();
  } catch (const ComError& e) {
    EXPECT_NE(e.description().find("14400"), std::string::npos) << e.description();
  }
  EXPECT_THROW(s.port->Settings("9600,N,4,1"), ComError);
  s.open(radio);
  EXPECT_THROW(s.port->CommPort(2), ComError);
  EXPECT_THROW(s.port->Device("/dev/ttyUSB0"), ComError);
  EXPECT_THROW(s.port->PortOpen(true), ComError);
  termios t = radio.line();  // the refused settings never reached the line
  EXPECT_EQ(cfgetospeed(&t), speed_t{B9600});
}

// ---------------------------------------------------------------- hang-up

TEST(PosixSerialHangUp, OneEventNoSpinWritesFailAndAReopenRecovers) {
  Session s;
  {
    Radio radio;
    s.open(radio);
    s.port->Output("ID;");
    EXPECT_EQ(radio.receive(3), "ID;");
  }  // the radio's end goes away mid-session
  ASSERT_TRUE(s.run_until([&] { return s.events > 0; }));
  uint64_t before = s.apt.wakeups();
  s.apt.run_for(milliseconds(200));
  EXPECT_EQ(s.events, 1);
  EXPECT_LE(s.apt.wakeups() - before, 3u);
  EXPECT_TRUE(s.port->PortOpen());
  EXPECT_TRUE(s.posix().device_lost());
  try {
    s.port->Output("FA;");
    ADD_FAILURE() << "the write went through";
  } catch (const ComError& e) {
    EXPECT_NE(e.description().find(s.port->Device()), std::string::npos) << e.description();
  }
  EXPECT_THROW(s.port->OutBufferCount(), ComError);

  s.port->PortOpen(false);
  Radio back;
  s.port->Device(back.path());
  s.port->PortOpen(true);
  EXPECT_FALSE(s.posix().device_lost());
  back.send("FA;");
  ASSERT_TRUE(s.run_until([&] { return s.events == 2; }));
  EXPECT_EQ(s.port->Input(), "FA;");
  s.port->Output("ID;");
  EXPECT_EQ(back.receive(3), "ID;");
}

}  // namespace
}  // namespace tovrak::platform
