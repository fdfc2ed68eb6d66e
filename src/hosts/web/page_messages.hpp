// What a page sends: one JSON object per WebSocket message, read into a
// PageMessage, and the radio's commands a control message turns into. Both
// are pure, so that whatever a page (or anyone posing as one) sends can be
// checked, and fuzzed, without a network or a radio.
//
//   {"t":"hello","token":"..."}          asks for control with the token
//   {"t":"ping"}                          the heartbeat, every 250 ms
//   {"t":"shown","at":A,"now":N}          the page showed the state stamped A at N
//   {"t":"tune","vfo":0,"hz":14074000}    VFO 0 (A) or 1 (B)
//   {"t":"mode","vfo":0,"mode":"USB"}
//   {"t":"band","band":5}                 0 (160 m) .. 10 (6 m)
//   {"t":"vfo","op":"A"|"B"|"swap"}
//   {"t":"split","on":true}
//   {"t":"ptt","on":true}
//   {"t":"level","name":"af"|"rf"|"sql"|"power","value":0..255}
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "radio/state.hpp"

namespace tovrak::web {

// Longest message a page may send, in bytes.
constexpr size_t kMessageLimit = 1024;
// The tuning range of the radio, in hertz.
constexpr int64_t kLowestHz = 30'000;
constexpr int64_t kHighestHz = 60'000'000;

enum class Level { kAf, kRf, kSquelch, kPower };

struct PageMessage {
  enum class Kind { kHello, kPing, kShown, kTune, kMode, kBand, kVfo, kSwap, kSplit, kPtt, kLevel };
  Kind kind = Kind::kPing;
  std::string token;         // kHello
  int vfo = 0;               // kTune, kMode, kVfo: 0 A, 1 B
  int64_t hz = 0;            // kTune
  char mode = 0;             // kMode: the radio's mode character
  int band = 0;              // kBand
  bool on = false;           // kSplit, kPtt
  Level level = Level::kAf;  // kLevel
  int value = 0;             // kLevel: 0..255
  double at_ms = 0;          // kShown: the stamp of the state shown
  double now_ms = 0;         // kShown: the page's clock when it showed it

  // True for the messages that change the radio.
  bool controls() const;
};

// A message read, or why it was refused.
struct ReadMessage {
  std::optional<PageMessage> message;
  std::string error;
};
ReadMessage read_page_message(std::string_view text);

// The radio's commands (without ";") that carry out a control message, given
// what is known of the radio (its receive VFO, its identity for the digits
// of a frequency). Queries follow a command whose effect the server cannot
// know, so that the radio's answers tell everyone.
std::vector<std::string> radio_commands(const PageMessage& m, const radio::RadioState& s, int id);

// The mode's name on the page ("USB"), "?" for a character the radio does
// not use.
const char* mode_name(char mode);

}  // namespace tovrak::web
