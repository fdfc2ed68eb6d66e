// The component's port, watched. An apartment that passes everything to the
// apartment it wraps and hands the component serial controls whose doings
// its observers see: the bytes the component takes from the radio (the very
// bytes its decoders take) and writes to it, the port opened and closed (by
// whoever asks: a front end or a host's own SetPort), and the loss of the
// port's device. Observers are told on the apartment thread, as it happens.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "tovrak/platform.hpp"

namespace tovrak::station {

class TappedApartment : public platform::Apartment {
 public:
  explicit TappedApartment(platform::Apartment& inner) : inner_(inner) {}
  ~TappedApartment() override;

  using Observer = std::function<void(std::string_view bytes)>;
  // What the serial controls tell, shared with them (they may outlive the
  // observers' owner by a little: the component closes its port last).
  struct Taps {
    Observer read, write;
    std::function<void()> opened, closed;
    std::function<void(const std::string&)> lost;
  };

  // Bytes the component took from the radio, as it takes them.
  void on_read(Observer f) { taps_->read = std::move(f); }
  // Bytes the component wrote to the radio.
  void on_write(Observer f) { taps_->write = std::move(f); }
  // The port opened or closed.
  void on_opened(std::function<void()> f) { taps_->opened = std::move(f); }
  void on_closed(std::function<void()> f) { taps_->closed = std::move(f); }
  // The device of the open port went away, with the reason.
  void on_lost(std::function<void(const std::string&)> f) { taps_->lost = std::move(f); }
  // No observer sees anything more.
  void untap() { *taps_ = Taps{}; }

  platform::Apartment& inner() { return inner_; }

  void post(std::function<void()> task) override { inner_.post(std::move(task)); }
  void sleep_ms(int32_t ms) override { inner_.sleep_ms(ms); }
  void pump_once() override { inner_.pump_once(); }
  std::unique_ptr<platform::Timer> create_timer(int32_t interval_ms, bool enabled,
                                                std::function<void()> tick) override {
    return inner_.create_timer(interval_ms, enabled, std::move(tick));
  }
  std::unique_ptr<platform::SerialControl> create_serial() override;
  float clock() const override { return inner_.clock(); }
  bool stopping() const override { return inner_.stopping(); }

 private:
  platform::Apartment& inner_;
  std::shared_ptr<Taps> taps_ = std::make_shared<Taps>();
};

}  // namespace tovrak::station
