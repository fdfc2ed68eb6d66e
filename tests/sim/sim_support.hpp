// The simulated radio on a test bench: commands in, answers out, each answer
// with the radio time it left at, and fields read the way the component's
// decoders read them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/values/numbers.hpp"
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
  // Writes commands (each given without its ";") at the bench's time.
  void send(std::initializer_list<std::string_view> cmds) {
    for (auto c : cmds) radio.receive(std::string(c) + ";", now);
  }
  // Writes one query and returns its answer without the ";".
  std::string ask(std::string_view query) {
    take();
    radio.receive(std::string(query) + ";", now);
    std::string a = take();
    if (!a.empty() && a.back() == ';') a.pop_back();
    return a;
  }
  void wait_ms(int64_t ms) {
    now += ms * 1000;
    radio.advance(now);
  }
};

// The value of the field at 1-based position s, length n.
inline double at(std::string_view answer, int s, int n) {
  return core::read_number(core::field(answer, s, n));
}
// The character at 1-based position s.
inline std::string ch(std::string_view answer, int s) {
  return std::string(core::field(answer, s, 1));
}

// Frequency field width and "FA" answer length of an identification.
inline int freq_width(int id) { return id == 570 ? 9 : 8; }
inline std::string freq_digits(int id, int64_t hz) {
  std::string t = std::to_string(hz);
  return std::string(static_cast<size_t>(freq_width(id)) - t.size(), '0') + t;
}

}  // namespace tovrak::sim::test
