// The one strict reader of the radio's texts: a command to the radio or an
// answer from it (without its ";") read by the command table into its row
// and typed fields, or refused with the reason. Strict: every character has
// to be where the table puts it, every number within its range; the
// component's own decoders stay lenient and read answers by themselves.
#pragma once

#include <string>
#include <string_view>

#include "radio/command_table.hpp"

namespace tovrak::radio {

// Which way a text goes: a command to the radio (a query or a setting), or
// an answer from it.
enum class Direction { kCommand, kAnswer };

struct Parsed {
  Message message;
  std::string refusal;  // why the text was refused; empty when it was read
  explicit operator bool() const { return refusal.empty(); }
};

// Reads `text` going `direction`. `id` is the radio's identification: it
// gives the frequency digits of answers and which fields an answer carries.
// A setting's frequency may have either form's digits.
Parsed Parse(std::string_view text, Direction direction, int id);

}  // namespace tovrak::radio
