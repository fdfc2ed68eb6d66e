// A session script against a real serial port, in real time.
#pragma once

#include <chrono>
#include <stdexcept>

#include "hosts/cli/script.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {

class PosixScriptPlatform : public ScriptPlatform {
 public:
  explicit PosixScriptPlatform(platform::PosixApartment& apt)
      : apt_(apt), start_(std::chrono::steady_clock::now()) {}

  platform::Apartment& apartment() override { return apt_; }
  int64_t elapsed_us() override {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
  }
  void wait_ms(double ms) override {
    apt_.run_for(std::chrono::milliseconds(static_cast<int64_t>(ms)));
  }
  void wait_for_work_ms(double ms) override {
    apt_.run_once(std::chrono::milliseconds(static_cast<int64_t>(ms)));
  }
  void radio_sends(std::string_view) override { refuse("@radio"); }
  void set_clock(double) override { refuse("@clock"); }
  void fail_next_open(std::string) override { refuse("@failopen"); }
  void on_write(std::function<void(std::string_view)> observer) override {
    apt_.on_serial_write(std::move(observer));
  }

 private:
  [[noreturn]] static void refuse(const char* what) {
    throw std::runtime_error(std::string(what) + " plays the radio and works only with --virtual");
  }
  platform::PosixApartment& apt_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace tovrak::hosts
