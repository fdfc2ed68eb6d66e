// The platform seam: everything the component needs of its operating system.
// The core talks only to these interfaces; src/platform/ implements them
// (virtual: deterministic virtual time for tests; posix: real Linux).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "tovrak/export.hpp"

namespace tovrak::platform {

// A window-style timer. Ticks are delivered only while the apartment
// processes messages, after other pending messages, never during a
// non-pumping sleep, and never inside the timer's own handler (a handler
// that processes messages sees the other timers only); periods that passed
// while no messages were processed give one tick when messages are next
// processed.
class TOVRAK_API Timer {
 public:
  virtual ~Timer() = default;
  // Changing the interval of an enabled timer starts a fresh period.
  virtual void set_interval(int32_t ms) = 0;
  virtual int32_t interval() const = 0;
  // Enabling a disabled timer starts a fresh period; setting the state it
  // already has changes nothing.
  virtual void set_enabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
};

// The serial communications control, by the names of the operations the
// component uses. Operations that fail raise tovrak::ComError with a
// description a user understands.
class TOVRAK_API SerialControl {
 public:
  virtual ~SerialControl() = default;

  // Port number; on Linux port n names /dev/ttyS<n-1> unless a device is set.
  virtual void CommPort(int16_t port) = 0;
  // "speed,parity,data,stop", e.g. "9600,N,8,1". A malformed text fails.
  virtual void Settings(const std::string& settings) = 0;
  // 1: received data is delivered as bytes.
  virtual void InputMode(int16_t mode) = 0;
  // 0 none, 2 RTS/CTS.
  virtual void Handshaking(int16_t mode) = 0;
  virtual void DTREnable(bool on) = 0;
  virtual void RTSEnable(bool on) = 0;
  // Opens or closes the port; a failure names the device and the reason.
  virtual void PortOpen(bool open) = 0;
  virtual bool PortOpen() const = 0;
  // Writes the bytes in order and returns without waiting for them to go out.
  virtual void Output(std::string_view bytes) = 0;
  // Bytes written and not yet sent.
  virtual int32_t OutBufferCount() = 0;
  // OutBufferCount = 0: discards the bytes not yet sent.
  virtual void ClearOutBuffer() = 0;
  // Received bytes waiting.
  virtual int32_t InBufferCount() = 0;
  // Removes the waiting bytes and appends them to `buffer`: a receive buffer
  // that keeps its storage takes a steady stream without allocating.
  virtual void InputTo(std::string& buffer) = 0;
  // Removes the waiting bytes and returns them.
  std::string Input() {
    std::string bytes;
    InputTo(bytes);
    return bytes;
  }
  // The communication event, raised on the apartment thread when received
  // bytes are waiting and on line-state changes and errors.
  virtual void OnComm(std::function<void()> handler) = 0;

  // Names the device the port opens, beyond what a port number can say: a
  // path such as /dev/ttyUSB0. Empty returns to naming by number. A locator
  // the platform cannot open is refused when the port is opened.
  virtual void Device(const std::string& locator) = 0;
  virtual std::string Device() const = 0;

  // Why the open port's device went away (unplugged, hung up, the server
  // closed the connection), with the port's name; empty while it works and
  // once the port is closed. A loss raises the communication event. Hosts
  // watch it to tell the user; the component itself never asks.
  virtual std::string DeviceLost() const { return {}; }
};

// What the component keeps per apartment; the apartment owns it and ends it
// before its own message loop goes away.
class TOVRAK_API ApartmentModule {
 public:
  virtual ~ApartmentModule() = default;
  virtual void shutdown() = 0;
};

// One thread's message queue. Host calls, serial events and timer ticks are
// all delivered on it, so the component takes no locks.
class TOVRAK_API Apartment {
 public:
  virtual ~Apartment() = default;
  Apartment() = default;
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

  // Queues a task to run when messages are next processed.
  virtual void post(std::function<void()> task) = 0;
  // Sleeps without processing messages.
  virtual void sleep_ms(int32_t ms) = 0;
  // Processes what is pending once: posted tasks and due timer ticks.
  virtual void pump_once() = 0;
  virtual std::unique_ptr<Timer> create_timer(int32_t interval_ms, bool enabled,
                                              std::function<void()> tick) = 0;
  virtual std::unique_ptr<SerialControl> create_serial() = 0;
  // Seconds since local midnight.
  virtual float clock() const = 0;
  // True once the program has been asked to stop (an interrupt): from then
  // on the component's waits end at once.
  virtual bool stopping() const { return false; }

  // The component's per-apartment module.
  std::shared_ptr<ApartmentModule>& module_slot() { return module_; }

 protected:
  // Every concrete apartment calls this first in its destructor, so that the
  // component ends while timers and ports can still be released.
  void release_module() {
    if (module_) {
      auto m = std::move(module_);
      m->shutdown();
    }
  }

 private:
  std::shared_ptr<ApartmentModule> module_;
};

}  // namespace tovrak::platform
