// The faults of the line between the simulated radio and the component, and
// the one random generator of the simulated radio.
//
// The radio's answers cross a FaultLine as they leave the radio: an answer
// may be lost, have one byte changed, be held back (and those behind it), or
// arrive in two pieces; bytes always arrive in the order they were sent.
// Every command that starts the simulated radio (the `--drop`, `--garble`,
// `--split` and `--late` options), the soak and the pseudo-terminal tests get
// their faulty line here. Faults can be switched on and off while the radio
// runs; the radio's own silence and power cycles are the radio's (SimRadio).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

namespace tovrak::sim {

// A small deterministic generator (splitmix64). Everything random in the
// simulated radio draws from one of these, each seeded from the radio's seed
// for its own purpose (the operator, the line's faults), so the same seed
// gives the same run, and switching faults on changes nothing else.
struct Dice {
  uint64_t x;
  uint64_t next() {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1.
  int64_t below(int64_t n) { return n <= 1 ? 0 : static_cast<int64_t>(next() % uint64_t(n)); }
  // lo .. hi, both included.
  int64_t between(int64_t lo, int64_t hi) { return lo + below(hi - lo + 1); }
  bool chance(double p) { return p > 0.0 && static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
};

// Each a probability per answer.
struct LineFaults {
  double drop = 0.0;    // the answer is lost
  double garble = 0.0;  // one byte of it is changed
  double split = 0.0;   // it arrives in two pieces, at most split_gap_us apart
  int64_t split_gap_us = 20'000;
  double late = 0.0;  // it is held back up to late_max_us, and those behind it
  int64_t late_max_us = 300'000;
};

struct LineStats {
  int64_t answers = 0;
  int64_t dropped = 0;
  int64_t garbled = 0;
  int64_t split = 0;
  int64_t late = 0;
};

class FaultLine {
 public:
  static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

  explicit FaultLine(uint64_t seed) : dice_{seed ^ 0x63616272656C696Eull} {}

  void set_faults(const LineFaults& faults) { faults_ = faults; }
  const LineFaults& faults() const { return faults_; }
  const LineStats& stats() const { return stats_; }

  // One answer leaving the radio at `at_us` (no earlier than what it sent
  // before).
  void send(std::string_view answer, int64_t at_us);
  // Hands what has arrived by `now_us` to the sink, in order.
  void deliver(int64_t now_us, const std::function<void(std::string_view)>& sink);
  // When bytes on their way next arrive; kNever when none are.
  int64_t next_arrival_us() const { return pieces_.empty() ? kNever : pieces_.front().at; }

 private:
  struct Piece {
    int64_t at;
    std::string bytes;
  };
  void arrive(int64_t at, std::string bytes);

  Dice dice_;
  LineFaults faults_;
  LineStats stats_;
  std::deque<Piece> pieces_;
  int64_t tail_us_ = std::numeric_limits<int64_t>::min();  // nothing arrives before this
};

}  // namespace tovrak::sim
