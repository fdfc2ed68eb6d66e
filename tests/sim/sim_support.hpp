// The simulated radio on a test bench: commands in, answers out, each answer
// with the radio time it left at.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hosts/sim/sim_radio.hpp"

namespace tovrak::sim::test {

struct Bench {
  SimRadio radio;
  int64_t now = 0;
  std::vector<std::pair<int64_t, std::string>> out;  // (time, bytes) as sent

  explicit Bench(SimOptions o = {}) : radio(o) {
    radio.on_send([this](std::string_view b) { out.emplace_back(radio.now_us(), std::string(b)); });
  }

  // Everything sent since the last call, joined.
  std::string take() {
    std::string all;
    for (auto& [t, b] : out) all += b;
    out.clear();
    return all;
  }
  // Writes the text at the bench's time, a command a write, where "@N;" waits
  // N ms and "|" ends a write inside a command; returns all the radio sent
  // meanwhile.
  std::string exchange(std::string_view text) {
    take();
    while (!text.empty()) {
      std::string_view cmd =
          text.substr(0, std::min(text.find_first_of(";|"), text.size() - 1) + 1);
      text.remove_prefix(cmd.size());
      if (cmd.ends_with('|')) cmd.remove_suffix(1);
      if (cmd.starts_with('@')) {
        wait_ms(std::stoll(std::string(cmd.substr(1))));
      } else {
        radio.receive(cmd, now);
      }
    }
    return take();
  }
  void wait_ms(int64_t ms) {
    now += ms * 1000;
    radio.advance(now);
  }
};

}  // namespace tovrak::sim::test
