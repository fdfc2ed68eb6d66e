#include "hosts/station/link_health.hpp"

namespace tovrak::station {

void LinkHealth::opened() {
  *this = LinkHealth{};
  state_ = State::NoAnswerYet;
}

void LinkHealth::closed() { state_ = State::Closed; }

void LinkHealth::lost(std::string reason) {
  state_ = State::Lost;
  lost_reason_ = std::move(reason);
}

void LinkHealth::wrote(double t) {
  if (first_unanswered_ < 0) first_unanswered_ = t;
}

void LinkHealth::heard(double t) {
  last_heard_ = t;
  first_unanswered_ = -1;
}

double LinkHealth::silent_for(double t) const {
  if (first_unanswered_ < 0 || t - first_unanswered_ < kSilentAfter) return 0;
  return t - first_unanswered_;
}

LinkHealth::State LinkHealth::state(double t) const {
  if (state_ != State::NoAnswerYet) return state_;
  if (silent_for(t) > 0) return State::Silent;
  return last_heard_ < 0 ? State::NoAnswerYet : State::Answering;
}

std::string LinkHealth::describe(double t) const {
  switch (state(t)) {
    case State::Closed:
      return "port closed";
    case State::Lost:
      return "port lost: " + lost_reason_;
    case State::Silent:
      return "silent for " + std::to_string(static_cast<long>(silent_for(t))) + " s" +
             (last_heard_ < 0 ? " (never answered: radio off, wrong port or speed?)" : "");
    case State::NoAnswerYet:
      return "no answer yet";
    case State::Answering:
      break;
  }
  return "answering";
}

}  // namespace tovrak::station
