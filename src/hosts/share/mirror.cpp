#include "hosts/share/mirror.hpp"

#include "radio/format.hpp"
#include "radio/parse.hpp"

namespace tovrak::share {

namespace {

// The facts the mirror keeps: each answer tells all of its query's answer,
// and only a setting of the same code changes it.
bool kept(std::string_view code) {
  for (const char* c : {"FA", "FB", "MD", "VS", "FT", "TX", "PC", "KS", "MG", "SM", "AG", "RG",
                        "SQ", "SH", "IS", "NA"}) {
    if (code == c) return true;
  }
  return false;
}

}  // namespace

bool RadioMirror::is_query(std::string_view command) {
  const radio::Parsed p = radio::Parse(command, radio::Direction::kCommand, 0);
  return p && p.message.use == radio::kQuery;
}

std::optional<std::string> RadioMirror::answer(std::string_view query) const {
  if (id_ == 0) return std::nullopt;
  const radio::Parsed p = radio::Parse(query, radio::Direction::kCommand, id_);
  if (!p || p.message.use != radio::kQuery) return std::nullopt;
  const radio::Message& m = p.message;
  int r = m.receiver;
  // A query for the receiver in use needs the VFO in use.
  if (m.command->receiver != radio::Rx::kNone && r < 0) {
    if (!known_.count("VS")) return std::nullopt;
    r = s_.rx_vfo;
  }
  if (!known_.count(radio::QueryText(*m.command, r))) return std::nullopt;
  return radio::Answer(s_, id_, m);
}

void RadioMirror::forget_tuning() {
  for (const char* k : {"FA", "FB", "IF", "MD0", "MD1", "VS", "FT"}) known_.erase(k);
}

void RadioMirror::forget_setting(std::string_view command) {
  const radio::Parsed p = radio::Parse(command, radio::Direction::kCommand, id_);
  if (!p || p.message.use != radio::kSetting) return forget_tuning();
  const std::string_view code = p.message.command->code;
  if (code == "FA" || code == "FB" || code == "MD" || code == "VS" || code == "FT") {
    forget_tuning();
  }
  known_.erase(radio::QueryText(*p.message.command, p.message.receiver));
}

void RadioMirror::forget_all() {
  std::erase_if(known_, [](const std::string& k) { return k != "ID"; });
}

bool RadioMirror::learn_setting(std::string_view command) {
  const radio::Parsed p = radio::Parse(command, radio::Direction::kCommand, id_);
  if (p && p.message.use == radio::kSetting && learn(p.message)) return true;
  forget_tuning();
  return false;
}

bool RadioMirror::learn_answer(std::string_view answer) {
  if (answer.starts_with("ID")) {
    const radio::Parsed p = radio::Parse(answer, radio::Direction::kAnswer, 0);
    if (!p) return false;
    id_ = static_cast<int>(p.message[0]);
    known_.insert("ID");
    return true;
  }
  // Until the radio's identification is known, so are not its frequency digits.
  if (id_ == 0) return false;
  const radio::Parsed p = radio::Parse(answer, radio::Direction::kAnswer, id_);
  if (!p) return false;
  const std::string_view code = p.message.command->code;
  if (code == "IF" || code == "OI") return learn_info(p.message);
  return learn(p.message);
}

bool RadioMirror::learn(const radio::Message& m) {
  if (!kept(m.command->code)) return false;
  radio::Store(s_, id_, m);
  known_.insert(radio::QueryText(*m.command, m.receiver));
  return true;
}

// The composite information: channel, frequency and mode of what the radio
// receives, the RIT, memory or VFO, and the tone settings; "OI" the
// frequency and mode of the VFO that is not receiving (outside memory mode,
// and only once the receiving one is known).
bool RadioMirror::learn_info(const radio::Message& m) {
  const bool other = m.command->code == "OI";
  if (other && (!known_.count("VS") || s_.memory_mode)) return false;
  radio::Store(s_, id_, m);
  if (!other) known_.insert("IF");
  if (!other && s_.memory_mode) return true;
  const int r = other ? 1 - s_.rx_vfo : s_.rx_vfo;
  known_.insert(r ? "FB" : "FA");
  known_.insert("MD" + std::to_string(r));
  return true;
}

}  // namespace tovrak::share
