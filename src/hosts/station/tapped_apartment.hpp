// The component's port, watched. An apartment that passes everything to the
// apartment it wraps and hands the component serial controls whose doings
// its observers see: the bytes the component takes from the radio (the very
// bytes its decoders take) and writes to it, the port opened and closed (by
// whoever asks: a front end or a host's own SetPort), and the loss of the
// port's device. Observers are told on the apartment thread, as it happens.
// The station writes raw queries to the same port (send), spaced from the
// component's writes by the component's command spacing (tapped_serial).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "tovrak/platform.hpp"

namespace tovrak::station {

class TappedApartment : public platform::Apartment {
 public:
  // Seconds on a monotonic clock (the front end's own, or virtual time).
  using Clock = std::function<double()>;
  TappedApartment(platform::Apartment& inner, Clock now);
  ~TappedApartment() override;

  using Observer = std::function<void(std::string_view bytes)>;
  // What the serial controls tell.
  struct Taps {
    Observer read, write;
    std::function<void()> opened, closed;
    std::function<void(const std::string&)> lost;
  };

  // What the apartment shares with its serial controls (tapped_serial).
  struct Shared;

  // Bytes the component took from the radio, as it takes them.
  void on_read(Observer f);
  // Bytes written to the radio, the component's and the station's.
  void on_write(Observer f);
  // The port opened or closed.
  void on_opened(std::function<void()> f);
  void on_closed(std::function<void()> f);
  // The device of the open port went away, with the reason.
  void on_lost(std::function<void(const std::string&)> f);
  // No observer sees anything more.
  void untap();

  // Writes `text` and its ";" to the component's open port once the
  // component's command spacing has passed since the last write, without
  // the component's command path: the radio's answer comes back through the
  // component's receive path, which decodes it as any answer. Call it on the
  // apartment thread. False, writing nothing, when the port is closed or
  // lost.
  bool send(std::string text);

  platform::Apartment& inner() { return inner_; }

  void post(std::function<void()> task) override { inner_.post(std::move(task)); }
  // Held writes go out when due while the component sleeps, too.
  void sleep_ms(int32_t ms) override;
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
  std::shared_ptr<Shared> sh_;
};

}  // namespace tovrak::station
