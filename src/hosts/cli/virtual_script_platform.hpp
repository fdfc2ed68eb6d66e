// A session script on the virtual platform: virtual clock, virtual serial
// line standing in for the radio.
#pragma once

#include <cmath>

#include "hosts/cli/script.hpp"
#include "hosts/sim/sim_link.hpp"
#include "tovrak/virtual_apartment.hpp"

namespace tovrak::hosts {

class VirtualScriptPlatform : public ScriptPlatform {
 public:
  // With a simulated radio on the line, the wire is observed through its link.
  explicit VirtualScriptPlatform(platform::VirtualApartment& apt, sim::SimLink* radio = nullptr)
      : apt_(apt), radio_(radio) {}

  platform::Apartment& apartment() override { return apt_; }
  int64_t elapsed_us() override { return apt_.now_us(); }
  void wait_ms(double ms) override { apt_.advance_us(std::llround(ms * 1000.0)); }
  void radio_sends(std::string_view bytes) override { apt_.line().radio_sends(bytes); }
  void set_clock(double seconds) override { apt_.set_time_of_day(seconds); }
  void fail_next_open(std::string description) override {
    apt_.line().fail_next_open(std::move(description));
  }
  void on_write(std::function<void(std::string_view)> observer) override {
    std::function<void(int64_t, std::string_view)> f;
    if (observer) f = [obs = std::move(observer)](int64_t, std::string_view b) { obs(b); };
    if (radio_) {
      radio_->on_write(std::move(f));
    } else {
      apt_.line().on_write(std::move(f));
    }
  }

 private:
  platform::VirtualApartment& apt_;
  sim::SimLink* radio_;
};

}  // namespace tovrak::hosts
