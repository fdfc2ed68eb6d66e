// The radio layer's reader: settings at the ends of their fields' ranges and
// every code just past them, answers in both frequency-digit forms, and the
// reasons of refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "radio/parse.hpp"

namespace tovrak::radio {
namespace {

// A text as read: "Q", "S" or "A" (query, setting, answer), code and item,
// the receiver, the fields (characters as characters, a text in quotes);
// "?" when refused.
std::string read(std::string_view text, Direction d = Direction::kCommand, int id = 570) {
  const Parsed p = Parse(text, d, id);
  if (!p) return "?";
  const Message& m = p.message;
  std::string out = m.use == kQuery ? "Q " : m.use == kSetting ? "S " : "A ";
  out += std::string(m.command->code) + std::string(m.command->item);
  if (m.receiver >= 0) out += " r" + std::string(1, static_cast<char>('0' + m.receiver));
  const auto fields = m.use == kSetting ? m.command->setting : m.command->answer;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!m.has(i)) continue;
    const Kind k = fields[i].kind;
    if (k == Kind::kText) {
      out += " '" + std::string(m.text) + "'";
    } else if (k == Kind::kMode || k == Kind::kChar) {
      out += ' ';
      out += static_cast<char>(m[i]);
    } else {
      out += ' ';
      out += std::to_string(m[i]);
    }
  }
  return out;
}

// Settings to the radio of identification 570 at the ends of their fields'
// ranges, each "text=as read" (the queries are the formatter's test's, the
// settings within their ranges the simulated radio's).
const char* const kCommandRows =
    "FA000030000=S FA 30000, FA060000000=S FA 60000000, MC099=S MC 99, RD0000=S RD 0, "
    // Channel, frequency (either form), offset, the clarifier switches and
    // the memory digit (any digit), mode, tone mode, tone, shift.
    "MW001014250000+123456472492=S MW 1 14250000 1234 5 6 4 7 2 49 2, "
    "MW09914250000-999900B00000=S MW 99 14250000 -9999 0 0 B 0 0 0 0, "
    "AG1255=S AG r1 255, AG0000=S AG r0 0, RG1255=S RG r1 255, SQ0000=S SQ r0 0, RF0A=S RF r0 A, "
    "RF00=S RF r0 0, GT04=S GT r0 4, BC01=S BC r0 1, CT12=S CT r1 2, CN049=S CN r0 49, "
    "RL001=S RL r0 1, RL015=S RL r0 15, NL0255=S NL r0 255, BP11001=S BP1 r1 1, "
    "IS0+1200=S IS r0 1200, IS1-1200=S IS r1 -1200, CO1101=S CO1 r1 1, CO0220=S CO2 r0 20, "
    "AN01=S AN r0 1, FR3=S FR 3, PR0=S PR 0, CS1=S CS 1, KS004=S KS 4, SD3000=S SD 3000, "
    "MG255=S MG 255, ML1255=S ML1 255, MS5=S MS 5, DA15000915=S DA 15 0 9 15, KYA=S KY A, "
    "KY0=S KY 0, KM1=S KM 1 '', KM5CQ CQ TEST DE THE STATION ON THE HILLTOP=S KM 5 'CQ CQ TEST "
    "DE THE STATION ON THE HILLTOP', KM5CQ CQ TEST DE THE STATION ON THE HILLTOPS=?, PB05=S PB 5, "
    "EX0681000=S EX068 1000, EX0694000=S EX069 4000, EX086-40=S EX086 -40, EX086+20=S EX086 20, "
    "EX08711=S EX087 11, EX089-40=S EX089 -40, EX09011=S EX090 11, EX09511=S EX095 11, "
    "EX09805=S EX098 5, EX10105=S EX101 5, EX10411=S EX104 11, EX10711=S EX107 11, "
    "EX11005=S EX110 5, EX11305=S EX113 5, EX11611=S EX116 11, =?";

// Commands refused, each just past a range end or malformed.
const char* const kRefusedCommands =
    "FA000029999 FA060000001 FA1420000 FA0142000000 FA01420000A IF0 MD0E MD00 MD2 MD VS2 FT4 "
    "AB0 BS12 BS1 MC000 MC100 MW00014250000+0000000200000 MW10014250000+0000000200000 "
    "MW00160000001+0000000200000 MW00114250000*0000000200000 MW00114250000+0000000E00000 "
    "MW00114250000+0000000203000 MW00114250000+0000000200500 MW00114250000+0000000200003 "
    "MW00114250000+000000020000 RT2 RU999 SC3 AG0256 AG2 AG RF0B GT05 RA04 PA03 BC02 NA12 "
    "NB03 NR02 OS03 CT03 CN050 RL000 RL016 NL0256 BP00002 BP11000 BP11401 BP12 IS0+1201 "
    "IS0-1201 IS01200 IS0+12a0 SH032 CO0003 CO1100 CO1141 CO0221 CO03 AN06 AN00 FR4 CS2 "
    "PC256 KS003 KS061 KP16 SD3001 MG256 TX2 SM SM0100 ML0002 ML1256 ML2 MS6 RM02 RM AC003 "
    "AC102 ID0570 AI2 PS2 DA16000000 DA000000160 KY KYB KM6X KM0 PB06 PB5 EX0552 EX0681001 "
    "EX0694001 EX086-41 EX086+21 EX08605 EX08700 EX08712 EX089+21 EX09012 EX09512 EX09806 "
    "EX10106 EX10412 EX10712 EX11006 EX11306 EX11612 EX999 EX05 XX ag0 F";

TEST(RadioParse, CommandsByTheTable) {
  for (std::string_view rows = kCommandRows; !rows.empty();) {
    const std::string_view row = rows.substr(0, rows.find(", "));
    rows.remove_prefix(std::min(rows.size(), row.size() + 2));
    EXPECT_EQ(read(row.substr(0, row.find('='))), row.substr(row.find('=') + 1)) << row;
  }
  std::istringstream refused(kRefusedCommands);
  for (std::string text; refused >> text;) EXPECT_EQ(read(text), "?") << text;
}

// Answers carry the digits of the radio's identification: "IF" has no
// repeater shift in the 9-digit form, "OI" no transmit clarifier (answers
// read and stored are the formatter's test's).
TEST(RadioParse, AnswersInBothForms) {
  const struct {
    int id;
    const char* text;
    const char* read;
  } rows[] = {
      {570, "FA14200000", "?"},
      {460, "FA14200000", "A FA 14200000"},
      {460, "FA014200000", "?"},
      {570, "IF013029620000-99991041208", "A IF 13 29620000 -9999 1 0 4 1 2 8"},
      {460, "IF013029620000+00000041208", "?"},
      {460, "IF00014200000+000000200000", "?"},
      {460, "IF00114200000+000000200500", "?"},
      {460, "IF00114200000+000020200000", "?"},
      {460, "IF00114200000+0000002000000", "?"},
      {460, "OI00107050000+000001500003", "?"},
      {570, "AN051", "?"},
      {570, "AN042", "?"},
      {570, "SM0255", "A SM r0 255"},
      {570, "SM0256", "?"},
      {570, "BY12", "?"},
      {570, "RM01180", "A RM01 180"},
      {570, "ID0570", "A ID 570"},
      {570, "ID570", "?"},
      {570, "FT3", "?"},
      {570, "PS1", "A PS 1"},
      {570, "AB", "?"},
      {570, "KM1", "?"},
      {570, "NA", "?"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(read(row.text, Direction::kAnswer, row.id), row.read) << row.id << " " << row.text;
  }
}

TEST(RadioParse, RefusalsSayWhy) {
  const struct {
    Direction d;
    std::string text;
    const char* why;
  } rows[] = {
      {Direction::kCommand, "F", "\"F\" has no two-letter code"},
      {Direction::kCommand, "XX1", "\"XX\" is no command of the radio"},
      {Direction::kCommand, "AG2", "\"AG\" takes the receiver digit 0 or 1"},
      {Direction::kCommand, "AG0256", "\"AG0\": the level 256 is outside 0..255"},
      {Direction::kCommand, "AG01", "\"AG0\" takes 3 characters, not 1"},
      {Direction::kCommand, "AG0+12", "\"AG0\": the level takes 3 digits"},
      {Direction::kCommand, "EX999", "\"EX\" is followed by no item of it"},
      {Direction::kCommand, "EX086*05", "\"EX086\": the dB starts with \"+\" or \"-\""},
      {Direction::kCommand, "EX086+0A", "\"EX086\": the dB takes digits after its sign"},
      {Direction::kCommand, "IF0", "\"IF\" is only a query"},
      {Direction::kCommand, "MD0Z", "\"MD0\": \"Z\" is no mode"},
      {Direction::kCommand, "RF0B", "\"RF0\": the roofing filter is one of 0123456789A"},
      {Direction::kCommand, "KM6X", "\"KM\": the message 6 is outside 1..5"},
      {Direction::kCommand, "KM1" + std::string(41, 'X'),
       "\"KM\" takes 1 to 41 characters, not 42"},
      {Direction::kAnswer, "AB", "\"AB\" has no answer"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Parse(row.text, row.d, 570).refusal, row.why) << row.text;
  }
}

}  // namespace
}  // namespace tovrak::radio
