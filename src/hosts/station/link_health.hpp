// The health of the link to the radio as a front end shows it, from what
// passes on the port: closed, no answer yet, answering, silent for some
// seconds, or lost (the device went away), with the reason.
#pragma once

#include <string>

namespace tovrak::station {

class LinkHealth {
 public:
  // A radio that has not answered a command for this long is silent.
  static constexpr double kSilentAfter = 2.0;

  enum class State { Closed, NoAnswerYet, Answering, Silent, Lost };

  // The port opened (again): the link starts over, whatever it was. Times
  // are seconds on any one clock.
  void opened();
  void closed();
  void lost(std::string reason);
  void wrote(double t);
  void heard(double t);

  State state(double t) const;
  // Open from opened() until closed(), lost or not.
  bool is_open() const { return state_ != State::Closed; }
  bool is_lost() const { return state_ == State::Lost; }
  const std::string& lost_reason() const { return lost_reason_; }
  // Seconds since the first command the radio has not answered, once that
  // is kSilentAfter or more; 0 otherwise.
  double silent_for(double t) const;
  // "port closed", "no answer yet", "answering", "silent for 12 s" (with a
  // hint when the radio never answered), "port lost: reason".
  std::string describe(double t) const;

 private:
  State state_ = State::Closed;  // Closed, NoAnswerYet (open) or Lost
  double last_heard_ = -1;
  double first_unanswered_ = -1;  // first write after the last answer
  std::string lost_reason_;
};

}  // namespace tovrak::station
