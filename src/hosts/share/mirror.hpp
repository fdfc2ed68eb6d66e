// What the sharing server knows of the radio: the radio's state as the
// component learns it from the radio's answers (the bytes its decoders read)
// and from the settings the clients write, read by the radio layer's parser
// into a RadioState, so that the radio layer's formatter answers the
// clients' queries from it. A query is answered only once every fact of its
// answer has been learned.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "radio/command_table.hpp"
#include "radio/state.hpp"

namespace tovrak::share {

class RadioMirror {
 public:
  // An answer of the radio (text before ";"); true when it taught something.
  bool learn_answer(std::string_view answer);
  // A client's setting in the radio's command text; true when understood
  // (the mirror takes the value). A setting not understood makes the
  // frequency, mode and VFO facts unsure until the radio tells them again.
  bool learn_setting(std::string_view command);

  // True when `command` is one of the radio's queries (whatever is known).
  static bool is_query(std::string_view command);
  // The radio's answer to the query from what is known; nothing when a fact
  // is missing or the command is no query answered from state.
  std::optional<std::string> answer(std::string_view query) const;

  int id() const { return id_; }
  const radio::RadioState& state() const { return s_; }
  // The frequency, mode and VFO facts are no longer trusted.
  void forget_tuning();
  // A setting learned that never reached the radio: the facts it told are
  // no longer trusted.
  void forget_setting(std::string_view command);
  // Nothing but the radio's identification is trusted.
  void forget_all();

 private:
  bool learn(const radio::Message& m);
  bool learn_info(const radio::Message& m);

  radio::RadioState s_;
  int id_ = 0;                   // 0 until the radio told it
  std::set<std::string> known_;  // queries whose every fact is known
};

}  // namespace tovrak::share
