#include "radio/parse.hpp"

#include "radio/digits.hpp"

namespace tovrak::radio {

namespace {

Parsed refused(std::string why) { return {{}, std::move(why)}; }

std::string quoted(std::string_view text) {
  std::string t(1, '"');
  t += text;
  t += '"';
  return t;
}

// Characters a field takes with the given frequency digits; a text field
// counts none (it takes what is left).
size_t width_of(const Field& f, size_t hertz_width) {
  switch (f.kind) {
    case Kind::kNumber:
      return f.width;
    case Kind::kSigned:
      return f.width + 1u;
    case Kind::kHertz:
      return hertz_width;
    case Kind::kText:
      return 0;
    default:
      return 1;
  }
}

struct Reader {
  std::span<const Field> fields;
  int id;
  bool either_form;  // a setting: the frequency's digits are what the length leaves

  bool in(const Field& f) const { return either_form || f.in(id); }
  size_t length(size_t hertz_width) const {
    size_t n = 0;
    for (const Field& f : fields) n += in(f) ? width_of(f, hertz_width) : 0;
    return n;
  }
  size_t text_room() const {
    return !fields.empty() && fields.back().kind == Kind::kText ? fields.back().width : 0;
  }
  bool fits(size_t size, size_t hertz_width) const {
    const size_t fixed = length(hertz_width);
    return size >= fixed && size <= fixed + text_room();
  }
};

// One field's text into its value, or the reason it is refused.
std::string read_field(const Field& f, std::string_view t, int64_t& v) {
  const std::string name(f.name);
  switch (f.kind) {
    case Kind::kSigned:
      if (t[0] != '+' && t[0] != '-') return "the " + name + " starts with \"+\" or \"-\"";
      if (!IsDigits(t.substr(1))) return "the " + name + " takes digits after its sign";
      v = DigitsValue(t.substr(1)) * (t[0] == '-' ? -1 : 1);
      break;
    case Kind::kNumber:
    case Kind::kHertz:
      if (!IsDigits(t)) return "the " + name + " takes " + std::to_string(t.size()) + " digits";
      v = DigitsValue(t);
      break;
    case Kind::kMode:
      if (!FindModeChar(t[0])) return quoted(t) + " is no mode";
      v = t[0];
      return {};
    case Kind::kChar:
      if (f.chars.find(t[0]) == std::string_view::npos) {
        return "the " + name + " is one of " + std::string(f.chars);
      }
      v = t[0];
      return {};
    case Kind::kText:
      return {};
  }
  if (v < f.lo || v > f.hi) {
    return "the " + name + " " + std::to_string(v) + " is outside " + std::to_string(f.lo) + ".." +
           std::to_string(f.hi);
  }
  return {};
}

Parsed read_fields(Message m, const Reader& r, std::string_view rest, std::string_view head) {
  size_t hertz = HertzWidth(r.id);
  if (r.either_form) hertz = r.fits(rest.size(), 9) ? 9 : 8;
  if (!r.fits(rest.size(), hertz)) {
    return refused(quoted(head) + " takes " + std::to_string(r.length(hertz)) +
                   (r.text_room() ? " to " + std::to_string(r.length(hertz) + r.text_room()) : "") +
                   " characters, not " + std::to_string(rest.size()));
  }
  for (size_t i = 0; i < r.fields.size(); ++i) {
    const Field& f = r.fields[i];
    if (!r.in(f)) continue;
    const size_t w = f.kind == Kind::kText ? rest.size() : width_of(f, hertz);
    std::string why = read_field(f, rest.substr(0, w), m.values[i]);
    if (!why.empty()) return refused(quoted(head) + ": " + why);
    if (f.kind == Kind::kText) m.text = rest;
    m.present = static_cast<uint16_t>(m.present | (1u << i));
    rest.remove_prefix(w);
  }
  return {m, {}};
}

}  // namespace

Parsed Parse(std::string_view text, Direction direction, int id) {
  if (text.size() < 2) return refused(quoted(text) + " has no two-letter code");
  const std::string_view code = text.substr(0, 2);
  const std::span<const Command> rows = CommandsOf(code);
  if (rows.empty()) return refused(quoted(code) + " is no command of the radio");
  const bool command = direction == Direction::kCommand;
  std::string_view rest = text.substr(2);
  Message m;
  const Rx receiver = rows.front().receiver;
  if (receiver == Rx::kDigitOrInUse && command && rest.empty()) {
    m.command = &rows.front();  // the query for the receiver in use
    return {m, {}};
  }
  if (receiver != Rx::kNone) {
    if (rest.empty() || (rest[0] != '0' && rest[0] != '1')) {
      return refused(quoted(code) + " takes the receiver digit 0 or 1");
    }
    m.receiver = rest[0] - '0';
    rest.remove_prefix(1);
  }
  for (const Command& c : rows) {
    if (rest.starts_with(c.item)) {
      m.command = &c;
    } else if (c.bare && command && rest.empty()) {
      m.command = &c;
      return {m, {}};
    }
    if (m.command) break;
  }
  const std::string_view head = text.substr(0, text.size() - rest.size());
  if (!m.command) return refused(quoted(head) + " is followed by no item of it");
  const Command& c = *m.command;
  rest.remove_prefix(c.item.size());
  if (command && rest.empty() && c.is(kQuery)) return {m, {}};
  if (command && !c.is(kSetting)) return refused(quoted(code) + " is only a query");
  if (!command && !c.is(kQuery)) return refused(quoted(code) + " has no answer");
  m.use = command ? kSetting : kAnswer;
  return read_fields(m, {command ? c.setting : c.answer, id, command}, rest,
                     text.substr(0, 2 + (m.receiver >= 0) + c.item.size()));
}

}  // namespace tovrak::radio
