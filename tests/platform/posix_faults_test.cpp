// The Linux serial control against the faults a real device brings but a
// test cannot summon: reads that would block or are interrupted, short
// writes, a device that vanishes (ENXIO, EIO, end of file, a hang-up), a
// stream that never pauses; a scripted link (seams.hpp) stands for the device.
#include <gtest/gtest.h>
#include <poll.h>

#include <cerrno>
#include <string>
#include <tuple>
#include <vector>

#include "platform/posix/posix_serial.hpp"
#include "platform/seams.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::platform {
namespace {

using namespace std::string_literals;
using test::fails;
using test::Step;
using test::takes;

// A ComError's number and description; (0, "") when the call goes through.
std::tuple<int, std::string> error_of(const std::function<void()>& call) {
  try {
    call();
  } catch (const ComError& e) {
    return {e.number(), e.description()};
  }
  return {0, ""};
}

std::string gone(const std::string& operation, const std::string& reason) {
  return "Cannot " + operation + " /dev/fake: the device is gone (" + reason +
         "); close the port and open it again once it is back";
}

bool readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) == 1;
}

struct Port {
  test::ScriptedPorts ports;
  test::SeamApartment apt{ports.seams()};
  std::unique_ptr<SerialControl> serial = apt.create_serial();
  int events = 0;
  std::vector<std::string> lost;

  Port() {
    apt.on_serial_lost([this](const std::string& why) { lost.push_back(why); });
    serial->OnComm([this] { ++events; });
    serial->Device("/dev/fake");
    serial->PortOpen(true);
  }
  test::ScriptedLink& link() { return *ports.link; }
  PosixSerial& posix() { return dynamic_cast<PosixSerial&>(*serial); }
  void pump(int times = 3) {
    for (int i = 0; i < times; ++i) apt.pump_once();
  }
};

TEST(PosixSerialFaults, ReadsThatBlockAreInterruptedOrFindTheDeviceGone) {
  const struct Row {
    const char* what;
    std::vector<Step> reads;
    bool hang_up;
    std::string input;
    std::string lost;  // the reason, "" while the device is there
  } rows[] = {
      {"bytes, then nothing more for now", {{"ID;"}, fails(EAGAIN)}, false, "ID;", ""},
      {"a read interrupted", {fails(EINTR), {"FA;"}}, false, "FA;", ""},
      // A device that hung up is read to its end.
      {"end of file: the device hung up", {{"IF;"}, {}}, true, "IF;", "disconnected or hung up"},
      {"unplugged: no such device", {fails(ENXIO)}, false, "", "No such device or address"},
      {"an I/O error", {fails(EIO)}, false, "", "disconnected or hung up"},
      {"a hang-up with nothing left to read", {}, true, "", "disconnected or hung up"},
  };
  for (const Row& r : rows) {
    Port p;
    p.link().reads.assign(r.reads.begin(), r.reads.end());
    r.hang_up ? p.link().hang_up() : p.link().ready();
    p.pump();
    const bool is_lost = !r.lost.empty();
    // One event for the bytes or the loss, however often the loop comes back;
    // a lost device leaves the poll set: the loop has nothing more to do.
    EXPECT_EQ(std::tuple(p.events, p.posix().device_lost(), p.serial->PortOpen(), p.serial->Input(),
                         p.lost, readable(p.apt.fd())),
              std::tuple(1, is_lost, true, r.input,
                         is_lost ? std::vector<std::string>{"/dev/fake: " + r.lost}
                                 : std::vector<std::string>{},
                         false))
        << r.what;
    EXPECT_EQ(std::tuple(error_of([&] { p.serial->Output("FA;"); }),
                         error_of([&] { p.serial->OutBufferCount(); })),
              is_lost ? std::tuple(std::tuple(8012, gone("write to", r.lost)),
                                   std::tuple(8012, gone("count the output of", r.lost)))
                      : std::tuple(std::tuple(0, ""s), std::tuple(0, ""s)))
        << r.what;
  }
}

// A read shorter than asked took all there was: the wake-up reads no more,
// and the handler's take of the input reads nothing again; a take outside a
// wake-up reads the device.
TEST(PosixSerialFaults, AShortReadEndsTheWakeUp) {
  Port p;
  std::vector<std::tuple<std::string, size_t>> seen;
  p.serial->OnComm([&] { seen.emplace_back(p.serial->Input(), p.link().reads.size()); });
  p.link().reads.assign({{"ID;"}, {"IF;"}});
  p.link().ready();
  p.pump(1);
  EXPECT_EQ(seen, (std::vector<std::tuple<std::string, size_t>>{{"ID;", 1}}));
  EXPECT_EQ(p.serial->InBufferCount(), 3);
  EXPECT_TRUE(p.link().reads.empty());
}

// Reads that bring bytes, or only the link's own traffic (EINTR), without a
// pause: each wake-up reads its budget and returns to the loop.
TEST(PosixSerialFaults, ADeviceThatNeverPausesIsReadABudgetAtATime) {
  Port p;
  const int steps = 3 * PosixSerial::kReadsPerWakeup;
  std::string sent;
  for (int i = 0; i < steps; ++i) {
    p.link().reads.push_back(i % 3 ? Step{std::string(PosixSerial::kReadSize, char('a' + i % 26))}
                                   : fails(EINTR));
    sent += p.link().reads.back().bytes;
  }
  size_t seen = 0;
  p.apt.on_serial_read([&](std::string_view bytes) { seen += bytes.size(); });
  p.link().ready();
  p.apt.pump_once();
  EXPECT_EQ(p.link().reads.size(), size_t(steps - PosixSerial::kReadsPerWakeup));
  EXPECT_TRUE(readable(p.apt.fd()));  // the loop has more to do
  p.pump(2);
  EXPECT_TRUE(p.link().reads.empty());
  // All of it was seen arriving; the input buffer keeps the first up to its limit.
  EXPECT_EQ(std::tuple(seen, p.serial->Input()),
            std::tuple(sent.size(), sent.substr(0, PosixSerial::kInputLimit)));
}

TEST(PosixSerialFaults, ShortAndFailedWritesKeepTheOrderOrEndThePort) {
  const struct Row {
    const char* what;
    std::vector<Step> writes;
    std::string wire_at_once;  // what the device took during Output
    int32_t waiting;           // OutBufferCount after it
    std::string lost;          // why the device is gone; "" while it is there
  } rows[] = {
      {"a little, then blocks",
       {takes(2), fails(EAGAIN), fails(EAGAIN), fails(EAGAIN)},
       "AB",
       4,
       ""},
      {"a write that takes nothing", {takes(0), fails(EAGAIN), fails(EAGAIN)}, "", 6, ""},
      {"writes interrupted", {fails(EINTR), takes(3), fails(EINTR)}, "ABCDEF", 0, ""},
      {"the device fails", {fails(EIO)}, "", 0, "disconnected or hung up"},
      {"goes after a part", {takes(2), fails(EPIPE)}, "AB", 0, "Broken pipe"},
      {"gone later", {takes(1), fails(EAGAIN), fails(ENXIO)}, "A", 0, "No such device or address"},
  };
  for (const Row& r : rows) {
    Port p;
    const bool is_lost = !r.lost.empty();
    p.link().writes.assign(r.writes.begin(), r.writes.end());
    EXPECT_EQ(error_of([&] { p.serial->Output("ABCDEF"); }),
              is_lost ? std::tuple(8012, gone("write to", r.lost)) : std::tuple(0, std::string()))
        << r.what;
    EXPECT_EQ(p.link().wire, r.wire_at_once) << r.what;
    EXPECT_TRUE(is_lost || p.serial->OutBufferCount() == r.waiting) << r.what;
    // The loop hands the rest on once the device has room; a loss is one event.
    p.pump();
    EXPECT_EQ(std::tuple(p.link().wire, p.events, p.posix().device_lost()),
              std::tuple(is_lost ? r.wire_at_once : "ABCDEF", int(is_lost), is_lost))
        << r.what;
    EXPECT_TRUE(is_lost || p.serial->OutBufferCount() == 0) << r.what;
  }
  // Cleared, what waits is dropped; what comes after follows what had gone.
  Port p;
  p.link().writes = {takes(2), fails(EAGAIN), fails(EAGAIN)};
  p.serial->Output("ABCDEF");
  p.serial->ClearOutBuffer();
  EXPECT_EQ(p.serial->OutBufferCount(), 0);
  p.serial->Output("END;");
  p.pump();
  EXPECT_EQ(p.link().wire, "ABEND;");
  // Bytes the link owes itself that cannot go end the port; cleared output
  // needs no device; settings wait for the next open.
  p.link().flush_err = ECONNRESET;
  EXPECT_EQ(error_of([&] { p.serial->OutBufferCount(); }),
            std::tuple(8012, gone("count the output of", "Connection reset by peer")));
  EXPECT_EQ(error_of([&] { p.serial->ClearOutBuffer(); }), std::tuple(0, ""));
  const int applied = p.link().applied;
  p.serial->Settings("4800,N,8,1");
  EXPECT_EQ(p.link().applied, applied);
}

}  // namespace
}  // namespace tovrak::platform
