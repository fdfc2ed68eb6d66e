// The Linux platform with its seams in a test's hands: a clock that moves
// only when the test moves it, and serial links that fail the way devices
// fail (would block, interrupted, short writes, gone), driven by scripts.
#pragma once

#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <utility>

#include "platform/posix/posix_loop.hpp"
#include "platform/posix/serial_link.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::test {

// Time that passes only when the test says, or a sleep asks for it. It
// starts an hour ahead of the monotonic clock, so that the loop's timerfd,
// armed at its deadlines, never fires while a test runs.
struct FakeClock : platform::LoopClock {
  int64_t now = [] {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t{ts.tv_sec} + 3600) * 1'000'000'000 + ts.tv_nsec;
  }();
  int64_t now_ns() override { return now; }
  void sleep_until(int64_t deadline_ns, int) override { now = std::max(now, deadline_ns); }
  void pass_ms(int64_t ms) { now += ms * 1'000'000; }
};

// A Linux apartment on a loop with the given seams.
struct SeamApartment : platform::PosixApartment {
  explicit SeamApartment(platform::LoopSeams seams)
      : PosixApartment(std::make_shared<platform::PosixLoop>(std::move(seams)),
                       platform::StopRequests::End) {}
};

// One result of the link's read_some or write_some: bytes (a read's data, or
// as many bytes as a write takes), or the errno it fails with; a read with
// neither is the end of the file.
struct Step {
  std::string bytes;
  int err = 0;
};
inline Step fails(int err) { return {"", err}; }
inline Step takes(size_t n) { return {std::string(n, '.'), 0}; }

// A serial link whose reads and writes follow scripts. Its descriptor is
// one end of a socket pair: the test makes it readable (ready()) or hangs
// the other end up, and the loop calls the control as for a device.
struct ScriptedLink : platform::SerialLink {
  int ends[2] = {-1, -1};
  std::deque<Step> reads;   // after the last: would block
  std::deque<Step> writes;  // after the last: takes everything
  std::string wire;         // what the writes took
  int flush_err = 0;
  int applied = 0;

  ScriptedLink() { socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends); }
  ~ScriptedLink() override { close(ends[0]), hang_up(); }
  void ready() const { (void)!write(ends[1], "!", 1); }
  void hang_up() {
    if (ends[1] >= 0) close(std::exchange(ends[1], -1));
  }

  int fd() const override { return ends[0]; }
  void apply(const platform::LineParams&) override { ++applied; }
  bool set_modem_lines(bool, bool) override { return true; }
  ssize_t read_some(char* buf, size_t size) override {
    if (reads.empty()) {
      char drain[64];
      while (read(ends[0], drain, sizeof drain) > 0) {
      }
      errno = EAGAIN;
      return -1;
    }
    Step s = reads.front();
    reads.pop_front();
    if (s.err) return errno = s.err, -1;
    size_t n = std::min(size, s.bytes.size());
    std::memcpy(buf, s.bytes.data(), n);
    return static_cast<ssize_t>(n);
  }
  ssize_t write_some(const char* buf, size_t size) override {
    size_t n = size;
    if (!writes.empty()) {
      Step s = writes.front();
      writes.pop_front();
      if (s.err) return errno = s.err, -1;
      n = std::min(size, s.bytes.size());
    }
    wire.append(buf, n);
    errno = 0;  // a write that takes nothing says nothing more
    return static_cast<ssize_t>(n);
  }
  int32_t pending_out() override { return 0; }
  void discard_out() override {}
  int flush() override { return flush_err; }
};

// Seams whose serial links are scripted; `link` is the last one opened.
struct ScriptedPorts {
  std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
  ScriptedLink* link = nullptr;

  platform::LoopSeams seams() {
    platform::LoopSeams s;
    s.clock = clock;
    s.open_link = [this](const platform::PortLocator&) {
      auto l = std::make_unique<ScriptedLink>();
      link = l.get();
      return l;
    };
    return s;
  }
};

}  // namespace tovrak::test
