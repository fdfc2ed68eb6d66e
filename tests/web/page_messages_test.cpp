// What a page may send and what it turns into on the radio's line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hosts/web/page_messages.hpp"

namespace tovrak::web {
namespace {

// The message's commands as one text, or "refused: <why>".
std::string outcome(const std::string& text, const radio::RadioState& s, int id) {
  ReadMessage r = read_page_message(text);
  if (!r.message) return "refused: " + r.error;
  std::string out;
  for (const auto& c : radio_commands(*r.message, s, id)) out += c + ";";
  return out;
}

TEST(PageMessages, ControlMessagesBecomeTheRadiosCommands) {
  radio::RadioState on_a;  // receiving on VFO A
  radio::RadioState on_b;
  on_b.rx_vfo = 1;
  struct Row {
    const char* text;
    const char* on_a_570;  // VFO A receives, nine-digit frequencies
    const char* on_b_19;   // VFO B receives, eight digits
  };
  const Row rows[] = {
      {R"({"t":"tune","vfo":0,"hz":14074000})", "FA014074000;", "FA14074000;"},
      {R"({"t":"tune","vfo":1,"hz":30000})", "FB000030000;", "FB00030000;"},
      {R"({"t":"mode","vfo":1,"mode":"CW-R"})", "MD17;", "MD17;"},
      {R"({"t":"mode","vfo":0,"mode":"PKT-FM"})", "MD0A;", "MD0A;"},
      {R"({"t":"band","band":7})", "BS07;FA;", "BS07;FB;"},
      {R"({"t":"band","band":0})", "BS00;FA;", "BS00;FB;"},
      {R"({"t":"vfo","op":"A"})", "VS0;", "VS0;"},
      {R"({"t":"vfo","op":"B"})", "VS1;", "VS1;"},
      {R"({"t":"vfo","op":"swap"})", "SV;FA;FB;MD0;MD1;", "SV;FA;FB;MD0;MD1;"},
      {R"({"t":"split","on":true})", "FT3;", "FT2;"},
      {R"({"t":"split","on":false})", "FT2;", "FT3;"},
      {R"({"t":"ptt","on":true})", "TX1;", "TX1;"},
      {R"({"t":"ptt","on":false})", "TX0;", "TX0;"},
      {R"({"t":"level","name":"af","value":255})", "AG0255;", "AG1255;"},
      {R"({"t":"level","name":"rf","value":0})", "RG0000;", "RG1000;"},
      {R"({"t":"level","name":"sql","value":40})", "SQ0040;", "SQ1040;"},
      {R"({"t":"level","name":"power","value":5,"extra":[1,2]})", "PC005;", "PC005;"},
      {R"({"t":"ping"})", "", ""},
      {R"({"t":"hello","token":"abc"})", "", ""},
      {R"({"t":"shown","at":1.5,"now":2})", "", ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(outcome(r.text, on_a, 570), r.on_a_570) << r.text;
    EXPECT_EQ(outcome(r.text, on_b, 19), r.on_b_19) << r.text;
  }
}

TEST(PageMessages, MalformedMessagesAreRefusedWithTheReason) {
  const radio::RadioState s;
  struct Row {
    std::string text;
    const char* why;
  };
  const Row rows[] = {
      {"[1,2]", "not a JSON object"},
      {R"({"t":"tune")", "not a JSON object"},
      {std::string(500, '[') + std::string(500, ']'), "not a JSON object"},
      {"{}", "no message type (t)"},
      {R"({"t":5})", "no message type (t)"},
      {R"({"t":"jump"})", "unknown message type jump"},
      {R"({"t":"tune","vfo":0})", "tune: no hz"},
      {R"({"t":"tune","vfo":0,"hz":29999})", "tune: hz is out of range (30000 to 60000000)"},
      {R"({"t":"tune","vfo":0,"hz":60000001})", "tune: hz is out of range (30000 to 60000000)"},
      {R"({"t":"tune","vfo":0,"hz":18446744073709551615})", "tune: hz is out of range"},
      {R"({"t":"tune","vfo":0,"hz":-7000000})", "tune: hz is out of range"},
      {R"({"t":"tune","vfo":0,"hz":7000000.5})", "tune: hz is no whole number"},
      {R"({"t":"tune","vfo":0,"hz":"7000000"})", "tune: hz is no whole number"},
      {R"({"t":"tune","vfo":2,"hz":7000000})", "tune: vfo is out of range (0 to 1)"},
      {R"({"t":"mode","vfo":0,"mode":"WFM"})", "mode: unknown value"},
      {R"({"t":"mode","vfo":0,"mode":5})", "mode: mode is no text"},
      {R"({"t":"mode","vfo":0,"mode":"USB-LONG-NAME"})", "mode: mode is too long"},
      {R"({"t":"band","band":11})", "band: band is out of range (0 to 10)"},
      {R"({"t":"vfo","op":"C"})", "vfo: unknown value"},
      {R"({"t":"split","on":"yes"})", "split: on is not true or false"},
      {R"({"t":"ptt","on":1})", "ptt: on is not true or false"},
      {R"({"t":"level","name":"volume","value":1})", "level: unknown value"},
      {R"({"t":"level","name":"af","value":256})", "level: value is out of range (0 to 255)"},
      {R"({"t":"hello","token":")" + std::string(300, 'k') + "\"}", "hello: token is too long"},
      {R"({"t":"shown","at":"x","now":1})", "shown: at is no number"},
      {R"({"t":"ping","pad":")" + std::string(1100, ' ') + "\"}", "message too long"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(outcome(r.text, s, 570).substr(0, 9 + std::strlen(r.why)),
              std::string("refused: ") + r.why)
        << r.text.substr(0, 80);
  }
}

}  // namespace
}  // namespace tovrak::web
