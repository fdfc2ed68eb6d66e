#include "hosts/cli/script.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <ostream>

#include "tovrak/connector.hpp"
#include "tovrak/dispatch.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::hosts {

// ---------------------------------------------------------------- parsing

namespace {

class LineReader {
 public:
  LineReader(std::string_view text, int line) : t_(text), line_(line) {}

  void skip_blanks() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t')) ++i_;
  }
  bool at_end() {
    skip_blanks();
    return i_ >= t_.size();
  }
  bool take(char c) {
    skip_blanks();
    if (i_ < t_.size() && t_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  void expect(char c, const char* what) {
    if (!take(c)) fail(std::string("expected ") + what);
  }
  std::string identifier() {
    skip_blanks();
    size_t start = i_;
    while (i_ < t_.size() && (std::isalnum(static_cast<unsigned char>(t_[i_])) || t_[i_] == '_')) {
      ++i_;
    }
    if (start == i_ || std::isdigit(static_cast<unsigned char>(t_[start]))) {
      fail("expected a member name");
    }
    return std::string(t_.substr(start, i_ - start));
  }
  std::string string_literal() {
    skip_blanks();
    if (i_ >= t_.size() || t_[i_] != '"') fail("expected a string in double quotes");
    ++i_;
    std::string out;
    for (;;) {
      if (i_ >= t_.size()) fail("the string has no closing quote");
      char c = t_[i_++];
      if (c == '"') {
        if (i_ < t_.size() && t_[i_] == '"') {
          out.push_back('"');
          ++i_;
          continue;
        }
        return out;
      }
      out.push_back(c);
    }
  }
  double number_literal(bool* integral) {
    skip_blanks();
    size_t start = i_;
    if (i_ < t_.size() && (t_[i_] == '+' || t_[i_] == '-')) ++i_;
    size_t digits = 0;
    bool point = false, exponent = false;
    while (i_ < t_.size()) {
      char c = t_[i_];
      if (std::isdigit(static_cast<unsigned char>(c))) {
        ++digits;
      } else if (c == '.' && !point && !exponent) {
        point = true;
      } else if ((c == 'e' || c == 'E') && digits > 0 && !exponent) {
        exponent = true;
        if (i_ + 1 < t_.size() && (t_[i_ + 1] == '+' || t_[i_ + 1] == '-')) ++i_;
      } else {
        break;
      }
      ++i_;
    }
    if (digits == 0) fail("expected a number");
    std::string text(t_.substr(start, i_ - start));
    if (text[0] == '+') text.erase(0, 1);
    double v = 0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), v);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size()) {
      fail("cannot read the number " + text);
    }
    if (integral) *integral = !point && !exponent;
    return v;
  }
  // A value: number, string, True, False or Empty.
  Variant value() {
    skip_blanks();
    if (i_ >= t_.size()) fail("expected a value");
    char c = t_[i_];
    if (c == '"') return Variant(string_literal());
    if (std::isalpha(static_cast<unsigned char>(c))) {
      std::string word = identifier();
      std::string lower;
      for (char w : word)
        lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(w))));
      if (lower == "true") return Variant(VTrue);
      if (lower == "false") return Variant(VFalse);
      if (lower == "empty") return Variant();
      fail("expected a value (a number, a string in double quotes, True or False), not " + word);
    }
    bool integral = false;
    double v = number_literal(&integral);
    if (integral) {
      if (v >= -32768 && v <= 32767) return Variant(static_cast<int16_t>(v));
      if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()) {
        return Variant(static_cast<int32_t>(v));
      }
    }
    return Variant(v);
  }
  std::vector<Variant> value_list(char close) {
    std::vector<Variant> out;
    if (close && take(close)) return out;
    for (;;) {
      out.push_back(value());
      if (close) {
        if (take(close)) return out;
        expect(',', "\",\" or \")\"");
      } else {
        if (at_end()) return out;
        expect(',', "\",\" between arguments");
      }
    }
  }
  [[noreturn]] void fail(const std::string& what) const { throw ScriptError(line_, what); }
  int line() const { return line_; }

 private:
  std::string_view t_;
  size_t i_ = 0;
  int line_;
};

// The statement text without its comment: "'" or "#" outside a string.
std::string_view strip_comment(std::string_view line) {
  bool in_string = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') in_string = !in_string;
    if (!in_string && (c == '\'' || c == '#')) return line.substr(0, i);
  }
  return line;
}

Statement parse_directive(LineReader& r) {
  Statement st{};
  st.line = r.line();
  std::string word = r.identifier();
  if (word == "radio") {
    st.kind = Statement::Kind::Radio;
    st.text = r.string_literal();
  } else if (word == "failopen") {
    st.kind = Statement::Kind::FailOpen;
    st.text = r.string_literal();
  } else if (word == "wait") {
    st.kind = Statement::Kind::Wait;
    st.number = r.number_literal(nullptr);
    if (!(st.number >= 0 && st.number <= kLongestWaitMs)) {
      r.fail("@wait takes milliseconds from 0 to 86400000 (a day)");
    }
  } else if (word == "clock") {
    st.kind = Statement::Kind::Clock;
    st.number = r.number_literal(nullptr);
    if (st.number < 0 || st.number >= 86400) {
      r.fail("@clock takes seconds after midnight, 0 to 86399.999");
    }
  } else {
    r.fail("unknown directive @" + word + " (known: @radio, @wait, @clock, @failopen)");
  }
  if (!r.at_end()) r.fail("unexpected text after @" + word);
  return st;
}

Statement parse_statement(std::string_view text, int line) {
  LineReader r(text, line);
  Statement st{};
  st.line = line;
  if (r.take('@')) return parse_directive(r);
  if (r.take('?')) {
    st.kind = Statement::Kind::Read;
    st.name = r.identifier();
    if (r.take('(')) {
      st.parenthesized = true;
      st.args = r.value_list(')');
    }
    if (!r.at_end()) r.fail("unexpected text after ? " + st.name);
    return st;
  }
  st.name = r.identifier();
  if (r.take('=')) {
    st.kind = Statement::Kind::Let;
    st.args.push_back(r.value());
    if (!r.at_end()) r.fail("unexpected text after the value assigned to " + st.name);
    return st;
  }
  st.kind = Statement::Kind::Call;
  if (r.take('(')) {
    st.parenthesized = true;
    st.args = r.value_list(')');
    if (!r.at_end()) r.fail("unexpected text after the arguments of " + st.name);
  } else if (!r.at_end()) {
    st.args = r.value_list(0);
  }
  return st;
}

}  // namespace

std::vector<Statement> parse_script(std::string_view text) {
  std::vector<Statement> out;
  int line = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view l = text.substr(pos, end - pos);
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    ++line;
    l = strip_comment(l);
    bool blank = true;
    for (char c : l) {
      if (c != ' ' && c != '\t') blank = false;
    }
    if (!blank) out.push_back(parse_statement(l, line));
    if (end == text.size()) break;
    pos = end + 1;
  }
  return out;
}

// ---------------------------------------------------------------- output

namespace {

// A number as the scripting host prints it: `digits` significant digits
// (15 for Double, 7 for Single), plain for ordinary magnitudes (600000,
// 14.25, 0.5), with an exponent only when the plain form would need more
// digits than that (1E+15, 1.5E-16).
std::string host_number(double v, int digits) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  if (v == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
  std::string text = buf;
  const size_t e = text.find('e');
  const int exponent = std::atoi(text.c_str() + e + 1);
  std::string sign = text[0] == '-' ? "-" : "";
  std::string mantissa = text.substr(sign.size(), e - sign.size());
  mantissa.erase(1, 1);  // the point: the significant digits remain
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  if (exponent >= digits || exponent < -digits) {
    std::string out = sign + mantissa.substr(0, 1);
    if (mantissa.size() > 1) {
      out += '.';
      out += mantissa.substr(1);
    }
    std::snprintf(buf, sizeof buf, "E%+03d", exponent);
    return out + buf;
  }
  if (exponent < 0)
    return sign + "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + mantissa;
  const auto whole = static_cast<size_t>(exponent) + 1;
  if (mantissa.size() <= whole) return sign + mantissa + std::string(whole - mantissa.size(), '0');
  return sign + mantissa.substr(0, whole) + "." + mantissa.substr(whole);
}

}  // namespace

std::string format_value(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::Empty:
      return "Empty";
    case Variant::Type::Integer16:
      return std::to_string(v.i16());
    case Variant::Type::Integer32:
      return std::to_string(v.i32());
    case Variant::Type::Single:
      return host_number(v.single(), 7);
    case Variant::Type::Double:
      return host_number(v.dbl(), 15);
    case Variant::Type::Boolean:
      return v.boolean().value ? "True" : "False";
    case Variant::Type::String: {
      std::string out = "\"";
      for (char c : v.str()) {
        if (c == '"')
          out += "\"\"";
        else
          out.push_back(c);
      }
      return out + "\"";
    }
    case Variant::Type::Object:
      return "Object";
  }
  return "?";
}

std::string format_time(int64_t us) {
  int64_t ms = (us + 500) / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld.%03lld", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  return buf;
}

namespace {

std::string arg_list(const std::vector<Variant>& args) {
  std::string out = "(";
  for (size_t i = 0; i < args.size(); ++i) {
    if (i) out += ", ";
    out += format_value(args[i]);
  }
  return out + ")";
}

}  // namespace

// ---------------------------------------------------------------- running

bool run_statement(TOVRAK_Protocol& rig, const Statement& st, ScriptPlatform& platform,
                   std::ostream& out, std::string* failure) {
  std::string head;
  try {
    switch (st.kind) {
      case Statement::Kind::Radio:
        platform.radio_sends(st.text);
        break;
      case Statement::Kind::Wait:
        platform.wait_ms(st.number);
        break;
      case Statement::Kind::Clock:
        platform.set_clock(st.number);
        break;
      case Statement::Kind::FailOpen:
        platform.fail_next_open(st.text);
        break;
      case Statement::Kind::Let: {
        std::vector<Variant> args = st.args;
        head = st.name + " = " + format_value(args[0]);
        Invoke(rig, st.name, MemberKind::Let, args);
        break;
      }
      case Statement::Kind::Read:
      case Statement::Kind::Call: {
        std::vector<Variant> args = st.args;
        bool read = st.kind == Statement::Kind::Read;
        const Member* m = FindMember(st.name, read ? MemberKind::Get : MemberKind::Method);
        std::string name = m ? std::string(m->name) : st.name;
        bool as_read = read || (m && m->kind == MemberKind::Get);
        bool bare = as_read && args.empty() && !st.parenthesized;
        head = name + (bare ? "" : arg_list(args));
        Variant result = Invoke(rig, st.name, read ? MemberKind::Get : MemberKind::Method, args);
        std::string shown = name + (bare ? "" : arg_list(args));  // by-reference write-back
        if (as_read) {
          out << shown << " = " << format_value(result) << '\n';
        } else if (m && m->result == ValueType::Void) {
          out << shown << '\n';
        } else {
          out << shown << " -> " << format_value(result) << '\n';
        }
        break;
      }
    }
  } catch (const ComError& e) {
    out << head << " !! " << e.number() << ' ' << e.description() << '\n';
    if (failure) *failure = head + ": " + std::to_string(e.number()) + ' ' + e.description();
    return false;
  } catch (const std::runtime_error& e) {
    throw ScriptError(st.line, e.what());
  }
  return true;
}

int run_script(const std::vector<Statement>& script, ScriptPlatform& platform, std::ostream& out,
               const std::function<void(TOVRAK_Protocol&)>& prepare, const ScriptHooks& hooks) {
  TOVRAK_Connector connector(platform.apartment());
  auto rig = connector.get_TOVRAK_Protocol();
  if (prepare) prepare(*rig);
  platform.on_write([&](std::string_view bytes) {
    out << "TX " << format_time(platform.elapsed_us()) << ' ' << format_bytes(bytes) << '\n';
  });
  uint32_t cookie = rig->AdviseChange([&](int16_t& state) {
    out << "EV " << format_time(platform.elapsed_us()) << " Change(" << state << ")\n";
  });
  int failures = 0;
  for (const Statement& st : script) {
    if (hooks.stop && hooks.stop()) break;
    std::string failure;
    if (!run_statement(*rig, st, platform, out, &failure)) {
      ++failures;
      if (hooks.failed) hooks.failed(st.line, failure);
    }
    out.flush();
  }
  rig->UnadviseChange(cookie);
  platform.on_write(nullptr);
  return failures;
}

}  // namespace tovrak::hosts
