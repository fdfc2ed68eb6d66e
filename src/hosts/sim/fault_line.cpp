#include "hosts/sim/fault_line.hpp"

#include <algorithm>
#include <utility>

namespace tovrak::sim {

void FaultLine::send(std::string_view answer, int64_t at_us) {
  ++stats_.answers;
  if (dice_.chance(faults_.drop)) {
    ++stats_.dropped;
    return;
  }
  std::string bytes(answer);
  if (!bytes.empty() && dice_.chance(faults_.garble)) {
    auto i = static_cast<size_t>(dice_.below(static_cast<int64_t>(bytes.size())));
    char c;
    do {
      c = static_cast<char>(0x21 + dice_.below(0x5E));
    } while (c == bytes[i]);
    bytes[i] = c;
    ++stats_.garbled;
  }
  if (faults_.late_max_us > 0 && dice_.chance(faults_.late)) {
    at_us += dice_.between(1, faults_.late_max_us);
    ++stats_.late;
  }
  if (bytes.size() >= 2 && faults_.split_gap_us > 0 && dice_.chance(faults_.split)) {
    auto cut = static_cast<size_t>(dice_.between(1, static_cast<int64_t>(bytes.size()) - 1));
    arrive(at_us, bytes.substr(0, cut));
    arrive(at_us + dice_.between(1, faults_.split_gap_us), bytes.substr(cut));
    ++stats_.split;
    return;
  }
  arrive(at_us, std::move(bytes));
}

void FaultLine::arrive(int64_t at, std::string bytes) {
  tail_us_ = std::max(at, tail_us_);
  pieces_.push_back({tail_us_, std::move(bytes)});
}

void FaultLine::deliver(int64_t now_us, const std::function<void(std::string_view)>& sink) {
  while (!pieces_.empty() && pieces_.front().at <= now_us) {
    Piece p = std::move(pieces_.front());
    pieces_.pop_front();
    if (sink) sink(p.bytes);
  }
}

}  // namespace tovrak::sim
