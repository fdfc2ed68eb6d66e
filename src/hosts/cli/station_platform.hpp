// A session script's platform on a station: time and the radio directives
// come from the platform it wraps (real or virtual time), the apartment and
// the wire from the station, so that the script drives the station's
// component and the station sees its port.
#pragma once

#include "hosts/cli/script.hpp"
#include "hosts/station/station.hpp"

namespace tovrak::hosts {

class StationPlatform : public ScriptPlatform {
 public:
  StationPlatform(ScriptPlatform& time, station::Station& station)
      : time_(time), station_(station) {}

  platform::Apartment& apartment() override { return station_.apartment(); }
  int64_t elapsed_us() override { return time_.elapsed_us(); }
  void wait_ms(double ms) override { time_.wait_ms(ms); }
  void wait_for_work_ms(double ms) override { time_.wait_for_work_ms(ms); }
  void radio_sends(std::string_view bytes) override { time_.radio_sends(bytes); }
  void set_clock(double seconds) override { time_.set_clock(seconds); }
  void fail_next_open(std::string description) override {
    time_.fail_next_open(std::move(description));
  }
  void on_write(std::function<void(std::string_view)> observer) override {
    station_.on_write(std::move(observer));
  }

 private:
  ScriptPlatform& time_;
  station::Station& station_;
};

}  // namespace tovrak::hosts
