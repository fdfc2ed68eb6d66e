// The Linux apartment: the message queue of the thread that creates it, in
// real time. Posted tasks, serial events and timer ticks are delivered on that
// thread while it processes messages: in run()/run_for(), or in pump_once()
// called by a host that watches fd() in a loop of its own.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "tovrak/export.hpp"
#include "tovrak/platform.hpp"

namespace tovrak::platform {

class PosixLoop;

// What a watched descriptor is ready for.
struct FdEvents {
  bool input = false;    // readable (or at its end)
  bool output = false;   // takes output (reported only while asked for)
  bool hang_up = false;  // the other end went away, or the descriptor failed
};

// A descriptor of the host's own (a socket, a pseudo-terminal, standard
// input) on the apartment's loop. Destroying the watch takes the descriptor
// out of the loop; the descriptor stays open.
class TOVRAK_API DescriptorWatch {
 public:
  virtual ~DescriptorWatch() = default;
  // Whether the handler also hears when the descriptor takes output.
  virtual void want_output(bool on) = 0;
  // Takes the descriptor out of the loop for now, or puts it back: a
  // listener that cannot accept waits this way instead of spinning.
  virtual void pause(bool paused) = 0;
};

// What a stop request (request_stop) does to an apartment.
enum class StopRequests {
  End,    // its waits end at once and run()/run_for() return: the program's own
  Ignore  // it goes on until quit(): a thread playing the world outside the
          // program (a simulated radio beside the component)
};

class TOVRAK_API PosixApartment : public Apartment {
 public:
  // Throws std::system_error when the kernel refuses the loop's descriptors.
  explicit PosixApartment(StopRequests on_stop = StopRequests::End);
  ~PosixApartment() override;

  // Safe from any thread; wakes the loop.
  void post(std::function<void()> task) override;
  // Sleeps on the monotonic clock without processing messages.
  void sleep_ms(int32_t ms) override;
  // Posted tasks present at entry, then serial events, then each due timer
  // once. Does not block; a handler may call it again.
  void pump_once() override;
  std::unique_ptr<Timer> create_timer(int32_t interval_ms, bool enabled,
                                      std::function<void()> tick) override;
  std::unique_ptr<SerialControl> create_serial() override;
  // Seconds since local midnight.
  float clock() const override;
  bool stopping() const override;

  // Async-signal-safe, for a SIGINT/SIGTERM handler: the program is to stop.
  // Every apartment of the process then sleeps no more and its run() and
  // run_for() return at once; the component's waits end at once.
  static void request_stop();
  static bool stop_requested();
  // Withdraws the stop request once the waits it ended are over, so that a
  // clean-up after an interrupt (the transmitter released, CAT switched off)
  // keeps the component's command spacing. Not for a signal handler.
  static void clear_stop();

  // Processes messages as they come until quit().
  void run();
  // Processes messages as they come for `duration`, or until quit().
  void run_for(std::chrono::milliseconds duration);
  // Waits until there is work or `duration` passed, then processes what is
  // there once: a caller waiting for an answer has it as soon as it came.
  void run_once(std::chrono::milliseconds duration);
  // Safe from any thread: the running run()/run_for() returns; without one,
  // the next one returns at once.
  void quit();

  // Readable while the apartment has work (a posted task, serial input or
  // output room, a due timer): a host adds it to its own poll set and calls
  // pump_once() when it is readable.
  int fd() const;

  // Watches `fd` on this apartment's loop: `ready` runs on the apartment
  // thread while messages are processed, whenever the descriptor is
  // readable, hung up, or (while asked) writable; it may destroy the watch.
  // A regular file is always ready. Throws std::system_error when the kernel
  // refuses the descriptor.
  std::unique_ptr<DescriptorWatch> watch(int fd, std::function<void(FdEvents)> ready);

  // Called with the bytes of every Output of the serial controls this
  // apartment created, on the apartment thread (hosts print the wire).
  void on_serial_write(std::function<void(std::string_view)> observer);
  // Called with the bytes as they arrive from the device, and when a device
  // is lost (unplugged, hung up) with the reason: what a host needs to show
  // the radio's answers and the health of the link.
  void on_serial_read(std::function<void(std::string_view)> observer);
  void on_serial_lost(std::function<void(const std::string&)> observer);

  // Times the loop came back from blocking: stays low while idle.
  uint64_t wakeups() const;

 protected:
  // On a loop of the platform's own making (its tests give it their clock).
  PosixApartment(std::shared_ptr<PosixLoop> loop, StopRequests on_stop);

 private:
  void run_until(int64_t end_ns);
  bool ends_on_stop() const { return on_stop_ == StopRequests::End; }

  std::shared_ptr<PosixLoop> loop_;
  StopRequests on_stop_;
  std::atomic<bool> quit_{false};
};

}  // namespace tovrak::platform
