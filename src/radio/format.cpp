#include "radio/format.hpp"

#include <algorithm>

#include "radio/digits.hpp"
#include "radio/parse.hpp"

namespace tovrak::radio {

namespace {

void write_field(std::string& t, const Field& f, int64_t v, int id, std::string_view text) {
  switch (f.kind) {
    case Kind::kNumber:
      t += ZeroPad(v, f.width);
      break;
    case Kind::kSigned:
      t += SignPad(v, f.width);
      break;
    case Kind::kHertz:
      t += ZeroPad(v, HertzWidth(id));
      break;
    case Kind::kMode:
    case Kind::kChar:
      t += static_cast<char>(v);
      break;
    case Kind::kText:
      t += text;
      break;
  }
}

std::string write(const Command& c, int id, int receiver, std::span<const Field> fields,
                  const int64_t* values, std::string_view text) {
  std::string t = QueryText(c, receiver);
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].in(id)) write_field(t, fields[i], values[i], id, text);
  }
  return t;
}

}  // namespace

std::string Answer(const RadioState& s, int id, const Message& query) {
  const Command& c = *query.command;
  const int r = c.receiver != Rx::kNone && query.receiver < 0 ? s.rx_vfo : query.receiver;
  Values v{};
  c.access.get(s, Key{c, r, id}, v);
  return write(c, id, r, c.answer, v.data(), {});
}

std::optional<std::string> Answer(const RadioState& s, int id, std::string_view query) {
  Parsed p = Parse(query, Direction::kCommand, id);
  if (!p || p.message.use != kQuery) return std::nullopt;
  return Answer(s, id, p.message);
}

std::string SettingText(const Command& c, int id, int receiver,
                        std::initializer_list<int64_t> values, std::string_view text) {
  Values v{};
  std::copy_n(values.begin(), std::min(values.size(), v.size()), v.begin());
  return write(c, id, receiver, c.setting, v.data(), text);
}

bool Store(RadioState& s, int id, const Message& m) {
  const Command& c = *m.command;
  if (!c.access.set || m.use == kQuery) return false;
  c.access.set(s, Key{c, m.receiver, id}, m);
  return true;
}

}  // namespace tovrak::radio
