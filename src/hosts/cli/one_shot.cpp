#include "hosts/cli/one_shot.hpp"

namespace tovrak::hosts {

OneShot::OneShot(station::Station& station, ScriptPlatform& time) : station_(station), time_(time) {
  station_.on_read([this](std::string_view bytes) {
    if (rx_.size() < 65536) rx_ += bytes;
  });
}

OneShot::~OneShot() { station_.on_read(nullptr); }

bool OneShot::connect(const std::vector<std::string>& answers, std::string& error) {
  if (!station_.open(error)) return false;
  TOVRAK_Protocol& rig = station_.rig();
  bool asked = false;
  while (!stopped()) {
    time_.wait_ms(50);
    if (now() > kLongestWait) break;
    const auto state = station_.health().state(now());
    if (state != station::LinkHealth::State::NoAnswerYet &&
        state != station::LinkHealth::State::Answering) {
      break;
    }
    if (!seen("IF") || rig.get_Freq() == 0) continue;
    // The status is known; the S-meter and the levels are asked for
    // rather than waited for.
    bool all = true;
    for (const auto& code : answers) all = all && seen(code);
    if (all) return true;
    if (!asked) {
      asked = true;
      for (const auto& code : answers) {
        if (code == "SM" && !seen("SM")) {
          int16_t meter = 3;
          rig.SetPolling(meter);
        } else if (code != "IF" && code != "TX" && code != "SH" && !seen(code)) {
          rig.PollLevels();
          break;
        }
      }
    }
  }
  if (stopped()) {
    error = "interrupted";
  } else if (now() > kLongestWait) {
    error = "the radio did not tell what was asked for";
  } else {
    error = station_.link();
  }
  return false;
}

bool OneShot::complete(bool keys, std::string& why) {
  const double until = now() + kSettle;
  while (now() < until && !stopped()) time_.wait_ms(20);
  if (station_.lost()) {
    why = station_.link();
    return false;
  }
  if (keys && !stopped()) station_.guard().hand_over();
  return true;
}

}  // namespace tovrak::hosts
