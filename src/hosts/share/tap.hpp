// The component's port, watched. An apartment that passes everything to the
// apartment it wraps and hands the component serial controls whose bytes the
// sharing server sees: what the component reads from the radio (the very
// bytes its decoders take) and what it writes to the radio.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "tovrak/platform.hpp"

namespace tovrak::share {

class TappedApartment : public platform::Apartment {
 public:
  using Observer = std::function<void(std::string_view bytes)>;

  explicit TappedApartment(platform::Apartment& inner) : inner_(inner) {}
  ~TappedApartment() override;

  // Bytes the component took from the radio, as it takes them.
  void on_read(Observer f) { taps_->read = std::move(f); }
  // Bytes the component wrote to the radio.
  void on_write(Observer f) { taps_->write = std::move(f); }

  void post(std::function<void()> task) override { inner_.post(std::move(task)); }
  void sleep_ms(int32_t ms) override { inner_.sleep_ms(ms); }
  void pump_once() override { inner_.pump_once(); }
  std::unique_ptr<platform::Timer> create_timer(int32_t interval_ms, bool enabled,
                                                std::function<void()> tick) override {
    return inner_.create_timer(interval_ms, enabled, std::move(tick));
  }
  std::unique_ptr<platform::SerialControl> create_serial() override;
  float clock() const override { return inner_.clock(); }

  struct Taps {
    Observer read, write;
  };

 private:
  platform::Apartment& inner_;
  std::shared_ptr<Taps> taps_ = std::make_shared<Taps>();
};

}  // namespace tovrak::share
