// A station on the virtual platform with the simulated radio on its line:
// the radio's own state tells whether it is keyed, the line's record tells
// what reached the wire and when.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "hosts/cli/virtual_script_platform.hpp"
#include "hosts/sim/sim_link.hpp"
#include "hosts/station/station.hpp"
#include "tovrak/virtual_apartment.hpp"

namespace tovrak::test {

struct StationBench {
  platform::VirtualApartment apt;
  sim::SimRadio radio;
  sim::SimLink link;
  hosts::VirtualScriptPlatform time{apt, &link};
  std::optional<station::Station> held;
  station::Station& station =
      held.emplace(apt, [this] { return static_cast<double>(apt.now_us()) / 1e6; });

  explicit StationBench(sim::SimOptions options = {})
      : radio(options, 0), link(sim::attach(radio, apt)) {
    station.rig().put_Port(1);
  }
  // The port opened, CAT on, and a second for the component to learn the radio.
  void open() {
    std::string error;
    ASSERT_TRUE(station.open(error)) << error;
    apt.advance_ms(1000);
  }
  bool keyed() const { return radio.state().ptt; }
  // The station ends without being closed (an error unwinding a front end),
  // and the radio has the time to hear what it wrote on its way out.
  void drop() {
    held.reset();
    apt.advance_ms(500);
  }
  // Whether `text` was written at or after write number `from`.
  bool wrote(const std::string& text, size_t from = 0) {
    const auto& w = apt.line().writes();
    for (size_t i = from; i < w.size(); ++i) {
      if (w[i].bytes == text) return true;
    }
    return false;
  }
  size_t writes() { return apt.line().writes().size(); }
  void key() {
    int16_t on = 1;
    station.rig().SetPTT(on);
    apt.advance_ms(300);
    ASSERT_TRUE(keyed());
  }
};

}  // namespace tovrak::test
