// The one writer of the radio's texts, by the command table: the answer the
// radio gives to a query from its state, a setting's text from its values,
// and the way back, what an answer (or a setting) puts into the state.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "radio/command_table.hpp"

namespace tovrak::radio {

// The answer (without ";") of the radio with identification `id` to a query
// read by Parse.
std::string Answer(const RadioState& s, int id, const Message& query);
// The same for a query's text; nothing when the text is no query.
std::optional<std::string> Answer(const RadioState& s, int id, std::string_view query);

// A setting's text (without ";") from the values of its fields, in the
// frequency digits of identification `id`: SettingText(c, 570, 0, {120}) for
// the AF gain row is "AG0120". A text field takes `text`.
std::string SettingText(const Command& c, int id, int receiver,
                        std::initializer_list<int64_t> values, std::string_view text = {});

// Puts what an answer tells, or what a setting sets, into the state; false
// for a query and for a row that keeps nothing there. Settings the radio
// acts on beyond storing a value (band, memory recall, clarifier steps,
// scanning, tuning, power) are left to the one who acts.
bool Store(RadioState& s, int id, const Message& m);

}  // namespace tovrak::radio
