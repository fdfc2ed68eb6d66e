// The component's serial control as the tapped apartment hands it out: every
// doing of the port told to the observers, and the port shared by two
// writers, the component and the station (raw queries of a front end), kept
// apart by the component's command spacing. A station write waits until the
// spacing has passed since the last write on the port; a write of the
// component's that comes sooner after a station write, or after a write held
// back, is held back itself until the spacing has passed. Held bytes count
// as waiting to go out; they go out in order, each write whole, when a timer
// of the apartment ticks, while the component sleeps, and before the port
// closes. Nothing is written while the port is closed or lost.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "hosts/station/tapped_apartment.hpp"

namespace tovrak::station {

class TappedSerial;

// What a tapped apartment shares with its serial controls (they may outlive
// the observers' owner by a little: the component closes its port last).
struct TappedApartment::Shared {
  Taps taps;
  Clock now;                     // seconds, monotonic
  TappedSerial* open = nullptr;  // the serial control whose port is open
  int64_t spacing_us = 100'000;  // the component's command spacing, as last read
};

class TappedSerial : public platform::SerialControl {
 public:
  TappedSerial(platform::Apartment& apt, std::unique_ptr<platform::SerialControl> inner,
               std::shared_ptr<TappedApartment::Shared> shared);
  ~TappedSerial() override;

  // The station's write: false, writing nothing, when the port is closed or
  // lost.
  bool send(std::string text);
  // Sleeps `ms` without processing messages, writing held bytes when due.
  void sleep(int32_t ms);

  void CommPort(int16_t port) override { in_->CommPort(port); }
  void Settings(const std::string& settings) override { in_->Settings(settings); }
  void InputMode(int16_t mode) override { in_->InputMode(mode); }
  void Handshaking(int16_t mode) override { in_->Handshaking(mode); }
  void DTREnable(bool on) override { in_->DTREnable(on); }
  void RTSEnable(bool on) override { in_->RTSEnable(on); }
  void PortOpen(bool open) override;
  bool PortOpen() const override { return in_->PortOpen(); }
  void Output(std::string_view bytes) override;
  int32_t OutBufferCount() override;
  void ClearOutBuffer() override;
  int32_t InBufferCount() override { return in_->InBufferCount(); }
  void InputTo(std::string& buffer) override;
  void OnComm(std::function<void()> handler) override;
  void Device(const std::string& locator) override { in_->Device(locator); }
  std::string Device() const override { return in_->Device(); }
  std::string DeviceLost() const override { return in_->DeviceLost(); }

 private:
  struct Held {
    std::string bytes;
    bool station;
  };

  int64_t now_us() const;
  bool writable() const;
  // The write itself, told to the observers.
  void write(std::string_view bytes);
  // When the first held write may go out.
  int64_t due() const;
  // Writes what is held and due (all of it, `force`d: a stop request ended
  // the waits), and sets the timer for the rest.
  void release(bool force = false);
  void check_lost();

  platform::Apartment& apt_;
  std::unique_ptr<platform::SerialControl> in_;
  std::shared_ptr<TappedApartment::Shared> sh_;
  bool told_lost_ = false;
  std::deque<Held> held_;
  int64_t last_write_us_ = INT64_MIN / 2;  // the last write on the port
  int64_t hold_until_us_ = INT64_MIN / 2;  // the component's writes wait until then
  std::unique_ptr<platform::Timer> timer_;
};

}  // namespace tovrak::station
