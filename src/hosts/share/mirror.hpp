// What the sharing server knows of the radio: the radio's state as the
// component learns it from the radio's answers (the bytes its decoders read)
// and from the settings the clients write, kept in the radio's own terms so
// that the radio's answer formatter can answer the clients' queries from it.
// A query is answered only once every fact of its answer has been learned.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "hosts/sim/radio_state.hpp"

namespace tovrak::share {

class RadioMirror {
 public:
  // An answer of the radio (text before ";"); true when it taught something.
  bool learn_answer(std::string_view answer) { return learn(answer, false); }
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
  const sim::RadioState& state() const { return s_; }
  // The frequency, mode and VFO facts are no longer trusted.
  void forget_tuning();

 private:
  bool learn(std::string_view text, bool setting);
  bool learn_info(std::string_view a);
  bool learn_other(std::string_view a);
  bool learn_receiver(std::string_view a);
  std::string key_of(std::string_view query) const;

  sim::RadioState s_;
  int id_ = 0;                   // 0 until the radio told it
  std::set<std::string> known_;  // queries whose every fact is known
};

}  // namespace tovrak::share
