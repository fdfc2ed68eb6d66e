// The radio's command set as one table: every two-letter code, whether it
// is a query, a setting or both, whether a receiver digit follows it, and the
// layout of its setting and of its answer, field by field, in both
// frequency-digit forms. The parser (parse.hpp) reads texts by this table,
// the formatter (format.hpp) writes them by it; the rows themselves are in
// command_table.cpp.
//
// A text is the code, then the receiver digit ("0" main, "1" sub) where the
// row takes one, then the row's item (a menu number, a part of a setting, a
// meter), then the value fields. A query ends after the item; its answer and
// a setting carry the fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "radio/digits.hpp"
#include "radio/state.hpp"

namespace tovrak::radio {

enum class Kind : uint8_t {
  kNumber,  // `width` decimal digits, lo..hi
  kSigned,  // "+" or "-" and `width` digits, lo..hi
  kHertz,   // a frequency in hertz, lo..hi: the identification's digits in an
            // answer, eight or nine in a setting
  kMode,    // one mode character (modes.hpp)
  kChar,    // one character of `chars`
  kText,    // up to `width` characters of any kind, the rest of the text
};

// Fields that only one frequency-digit form carries.
enum class Form : uint8_t { kBoth, kEightOnly, kNineOnly };

struct Field {
  std::string_view name;
  Kind kind;
  uint8_t width = 0;
  int32_t lo = 0, hi = 0;
  std::string_view chars{};
  Form form = Form::kBoth;

  // Whether the field is in the texts of a radio with this identification.
  constexpr bool in(int id) const {
    return form == Form::kBoth || (form == Form::kNineOnly) == (id == kNineDigitId);
  }
};

// How a row is used: a query (and so an answer), a setting, or both.
enum Use : uint8_t { kQuery = 1, kSetting = 2, kAnswer = 4 };
// Whether a receiver digit follows the code: never, always, or always but in
// a query, which without it asks for the receiver in use.
enum class Rx : uint8_t { kNone, kDigit, kDigitOrInUse };

constexpr size_t kMaxFields = 10;
using Values = std::array<int64_t, kMaxFields>;

// The fields of the information answers "IF" and "OI" and of the memory
// write "MW", by place.
namespace info {
enum : size_t {
  kChannel,
  kHertz,
  kRitOffset,
  kRit,
  kXit,
  kMode,
  kMemory,
  kToneMode,
  kTone,
  kShift
};
}

struct Command;

// A text read by the table: its row, what it is, the receiver digit (-1
// without one, or in a query for the receiver in use) and the value of each
// field, at the field's place in the layout; characters are held as their
// codes, a text field as a view into the text read.
struct Message {
  const Command* command = nullptr;
  Use use = kQuery;
  int receiver = -1;
  Values values{};
  uint16_t present = 0;  // bit i: field i was in the text
  std::string_view text{};

  int64_t operator[](size_t i) const { return values[i]; }
  bool has(size_t i) const { return (present >> i) & 1u; }
};

// What the state accessors of a row are given: the row, the receiver
// (resolved: a query for the receiver in use asks for rx_vfo's) and the
// radio's identification.
struct Key {
  const Command& command;
  int receiver;
  int id;
  size_t rx() const { return static_cast<size_t>(receiver); }
  int item() const;
};

// Where a row's values live in the radio's state. `get` fills the answer's
// fields from the state; `set` puts the values of an answer, or of a setting
// laid out like its answer, into the state. Either may be missing.
struct Access {
  void (*get)(const RadioState&, const Key&, Values&) = nullptr;
  void (*set)(RadioState&, const Key&, const Message&) = nullptr;
};

struct Command {
  std::string_view code;
  std::string_view what;  // what the row is, for people
  uint8_t uses = 0;       // Use bits (kQuery, kSetting)
  Rx receiver = Rx::kNone;
  std::string_view item{};
  std::span<const Field> answer{};
  std::span<const Field> setting{};
  Access access{};
  // With automatic information on, the radio tells changes of it by itself:
  // 1 (of the main receiver's only, for a row with a receiver digit), 2 (of each).
  uint8_t told = 0;
  // The query of the code without an item asks this row.
  bool bare = false;
  // A menu item's setting as the radio comes.
  int initial = 0;

  bool is(Use u) const { return (uses & u) != 0; }
  // The item as a number (a menu number, a part, a meter); 0 without one.
  int item_number() const;
};

// Every row. The rows of one code are next to each other.
std::span<const Command> Commands();
// The rows of a code (empty for a code the radio does not know).
std::span<const Command> CommandsOf(std::string_view code);
// The row of a code and item; nullptr when there is none.
const Command* FindCommand(std::string_view code, std::string_view item = {});
// The query asking a row for a receiver: code, receiver digit (when the row
// takes one and receiver is 0 or 1) and item.
std::string QueryText(const Command& c, int receiver = -1);
// The queries whose changes the radio tells by itself with automatic
// information on, in table order ("FA", "FB", "MD0", "MD1", ...).
std::span<const std::string> ToldQueries();

}  // namespace tovrak::radio
