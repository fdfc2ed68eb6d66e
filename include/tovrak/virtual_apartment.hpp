// The deterministic platform: a virtual clock that moves only when something
// moves it, window-style timers on that clock, and a virtual serial line that
// records every write and lets the test (or a simulated radio) answer.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tovrak/export.hpp"
#include "tovrak/platform.hpp"

namespace tovrak::platform {

class VirtualApartment;
class VirtualSerial;
class TimerQueue;

// The wire between the component's serial control and the radio.
class TOVRAK_API VirtualLine {
 public:
  struct Write {
    int64_t us;  // virtual time of the write
    std::string bytes;
  };

  explicit VirtualLine(VirtualApartment& apartment) : apt_(apartment) {}

  // Every write of the component, in order, with its virtual time.
  const std::vector<Write>& writes() const { return writes_; }
  void clear_writes() { writes_.clear(); }
  // Observer of writes (the radio's ear, or a script printing the wire).
  void on_write(std::function<void(int64_t us, std::string_view bytes)> f) {
    on_write_ = std::move(f);
  }

  // The radio sends bytes: they wait in the control's input and raise the
  // communication event when messages are next processed. Bytes sent while
  // the port is closed are lost, as on a real line.
  void radio_sends(std::string_view bytes);
  // Raises a communication event without data (a line-state change).
  void line_event();
  // The next open of the port fails with this description.
  void fail_next_open(std::string description) { fail_open_ = std::move(description); }
  // The device goes away under an open port (a cable pulled, a server that
  // closed the connection): the port stays open, writes fail, nothing more
  // arrives, and a communication event tells it. Closing the port ends the
  // loss; the next open finds the device back.
  void lose(std::string reason);
  // Bytes per second at which written bytes leave the output buffer; a
  // negative rate (the default) sends them at once, 0 never.
  void set_drain_rate(double bytes_per_second);

  // What the control was told, for tests of port configuration.
  struct Config {
    int16_t comm_port = 1;
    std::string settings = "9600,N,8,1";
    int16_t input_mode = 0;
    int16_t handshaking = 0;
    bool dtr = false;
    bool rts = false;
    bool open = false;
    std::string device;
  };
  const Config& config() const { return config_; }
  // Every configuration operation in order, as "Name=value".
  const std::vector<std::string>& operations() const { return ops_; }
  void clear_operations() { ops_.clear(); }

 private:
  friend class VirtualSerial;
  void drain();

  VirtualApartment& apt_;
  VirtualSerial* control_ = nullptr;
  std::vector<Write> writes_;
  std::function<void(int64_t, std::string_view)> on_write_;
  std::string fail_open_;
  std::string lost_;
  std::string input_;
  double drain_rate_ = -1.0;
  double out_pending_ = 0.0;
  int64_t out_since_us_ = 0;
  Config config_;
  std::vector<std::string> ops_;
};

class TOVRAK_API VirtualApartment : public Apartment {
 public:
  VirtualApartment();
  ~VirtualApartment() override;

  void post(std::function<void()> task) override;
  void sleep_ms(int32_t ms) override;
  void pump_once() override;
  std::unique_ptr<Timer> create_timer(int32_t interval_ms, bool enabled,
                                      std::function<void()> tick) override;
  std::unique_ptr<SerialControl> create_serial() override;
  float clock() const override;
  bool stopping() const override { return stopping_; }
  // The program is asked to stop: sleeps end at once, and so do the
  // component's waits.
  void request_stop() { stopping_ = true; }
  // Withdraws the stop request once the waits it ended are over, as the
  // Linux apartment's clear_stop() does.
  void clear_stop() { stopping_ = false; }

  // Virtual time since the apartment was created, in microseconds.
  int64_t now_us() const { return now_us_; }
  // Sets the time of day, in seconds after midnight, from now on.
  void set_time_of_day(double seconds);
  double time_of_day() const;
  // Lets time pass while messages are processed: posted tasks first, then
  // timer ticks in due order, until the target time.
  void advance_ms(int64_t ms) { advance_us(ms * 1000); }
  void advance_us(int64_t us);
  // Processes what is pending now, without letting time pass.
  void process_pending() { advance_us(0); }

  VirtualLine& line() { return line_; }

  // Something outside the apartment (the radio) acts at virtual time `at_us`:
  // it runs when the clock reaches that time, also inside a non-pumping sleep,
  // since the world outside does not wait for the apartment. What it does to
  // the apartment (bytes arriving) is delivered as messages.
  void schedule_outside(int64_t at_us, std::function<void()> action);

 private:
  friend class VirtualLine;

  void run_until(int64_t target_us);
  // Moves the clock to `to_us`, running the outside actions due on the way.
  void move_clock(int64_t to_us);

  int64_t now_us_ = 0;
  int64_t tod_offset_us_ = 0;
  bool stopping_ = false;
  std::deque<std::function<void()>> posted_;
  struct OutsideAction {
    int64_t at_us;
    uint64_t seq;
    std::function<void()> action;
  };
  std::vector<OutsideAction> outside_;  // a heap on (at_us, seq)
  uint64_t next_outside_seq_ = 0;
  std::unique_ptr<TimerQueue> timers_;
  VirtualLine line_;
};

}  // namespace tovrak::platform
