#include "hosts/cli/monitor_session.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

#include "tovrak/dispatch.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::hosts {

void TransmitGuard::on_write(std::string_view bytes) {
  // The commands of one write, each ending in ';'.
  for (size_t at = 0; at < bytes.size();) {
    size_t end = bytes.find(';', at);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view c = bytes.substr(at, end - at);
    if (c.size() == 3 && c[0] == 'T' && c[1] == 'X' && c[2] >= '0' && c[2] <= '9') {
      keyed_ = c[2] != '0';
    }
    at = end + 1;
  }
}

std::string TransmitGuard::release(TOVRAK_Protocol& rig) {
  if (!keyed_) return "";
  if (!rig.get_PortOpen()) return "the port is closed: the transmitter may still be on!";
  int16_t off = 0;
  try {
    if (!rig.SetPTT(off)) {
      int16_t raw = 0;
      rig.SetCommand(raw, "TX0");
    }
  } catch (const ComError& e) {
    return "releasing the transmitter failed: " + e.description();
  }
  keyed_ = false;
  return "transmitter released";
}

MonitorSession::MonitorSession(TOVRAK_Protocol& rig, ScriptPlatform& platform)
    : rig_(rig), platform_(platform) {}

MonitorSession::~MonitorSession() {
  try {
    close();
  } catch (...) {  // leaving anyway
  }
}

bool MonitorSession::open(std::string& error) {
  try {
    rig_.put_Port(1);
    VBool open = VTrue;
    std::string address, code;
    if (!rig_.SetPort(open, address, code, error)) return false;
    closed_ = false;
    int16_t on = 1;
    rig_.SetCAT(on);
  } catch (const ComError& e) {
    error = e.description();
    return false;
  }
  return true;
}

std::string MonitorSession::execute(const std::string& line, int line_number) {
  std::istringstream words(line);
  std::string first, name, extra;
  words >> first >> name >> extra;
  if (first == "help" && extra.empty()) return member_help(name);
  std::ostringstream out;
  try {
    // Blank lines in front keep the line numbers of the messages right.
    auto statements = parse_script(std::string(static_cast<size_t>(line_number - 1), '\n') + line);
    for (const auto& st : statements) {
      std::ostringstream one;
      run_statement(rig_, st, platform_, one);
      out << one.str();
      const std::string text = one.str();
      if (st.kind == Statement::Kind::Call && st.name.rfind("Set", 0) == 0 && text.size() >= 10 &&
          text.compare(text.size() - 10, 10, " -> False\n") == 0) {
        std::string why = refusal_reason(rig_, st.name, st.args);
        if (!why.empty()) out << "  refused: " << why << '\n';
      }
    }
  } catch (const ScriptError& e) {
    out << e.what() << '\n';
  }
  return out.str();
}

std::string MonitorSession::close() {
  if (closed_) return "";
  closed_ = true;
  std::string done = guard_.release(rig_);
  try {
    int16_t off = 0;
    rig_.SetCAT(off);
    VBool open = VFalse;
    std::string address, code, msg;
    rig_.SetPort(open, address, code, msg);
  } catch (const ComError&) {  // the port is going anyway
  }
  return done;
}

namespace {

bool starts(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

// A help text on one line: its escaped line breaks become spaces.
std::string one_line(std::string_view help) {
  std::string out;
  for (size_t i = 0; i < help.size(); ++i) {
    if (help.compare(i, 4, "\\r\\n") == 0) {
      out += ' ';
      i += 3;
    } else {
      out += help[i];
    }
  }
  return out;
}

std::string usage(const Member& m) {
  std::string args;
  for (const auto& a : m.args) args += (args.empty() ? "" : ", ") + std::string(a.name);
  switch (m.kind) {
    case MemberKind::Method:
      return std::string(m.name) + (args.empty() ? "" : " " + args);
    case MemberKind::Get:
      return "? " + std::string(m.name) + (args.empty() ? "" : "(" + args + ")");
    default:
      return std::string(m.name) + " = value";
  }
}

}  // namespace

std::string member_help(const std::string& name) {
  std::string out;
  if (name.empty()) {
    std::vector<std::string_view> seen;
    for (const auto& m : Members()) {
      if (std::find(seen.begin(), seen.end(), m.name) != seen.end()) continue;
      seen.push_back(m.name);
      std::string u = usage(m);
      if (u.size() < 30) u.resize(30, ' ');
      out += u + " " + one_line(m.help) + "\n";
    }
    return out + "help NAME tells more of one member; quit ends.\n";
  }
  for (const auto& m : Members()) {
    if (!std::equal(m.name.begin(), m.name.end(), name.begin(), name.end(),
                    [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
      continue;
    }
    std::string types;
    for (const auto& a : m.args) {
      types += (types.empty() ? "" : ", ") + std::string(a.name) + " " +
               std::string(to_string(a.type)) + (a.by_ref ? " (by reference)" : "");
    }
    out += usage(m) + "   [" + std::string(to_string(m.kind)) + "]" +
           (types.empty() ? "" : "  " + types) +
           (m.result == ValueType::Void ? "" : "  -> " + std::string(to_string(m.result))) + "\n";
    if (!m.help.empty() && out.find(one_line(m.help)) == std::string::npos) {
      out += "  " + one_line(m.help) + "\n";
    }
  }
  return out.empty() ? "no member " + name + " (help lists them)\n" : out;
}

std::string refusal_reason(TOVRAK_Protocol& rig, const std::string& member,
                           const std::vector<Variant>& args) {
  if (!rig.get_PortOpen()) return "the port is closed";
  if (!rig.get_CAT()) return "CAT is off (SetCAT 1)";
  const bool tunes = member == "SetFreq" || starts(member, "SetVFOA") ||
                     starts(member, "SetVFOB") || member == "SetTX";
  if (tunes && rig.get_MemMode()) return "the radio is in memory mode (SetVFO 0 leaves it)";
  if (tunes && !args.empty()) {
    double f = 0;
    try {
      f = args[0].to_double();
    } catch (const ComError&) {
      return "the frequency is not a number";
    }
    if (!rig.ValidFreq(f)) {
      char range[64];
      std::snprintf(range, sizeof range, "%g to %g MHz", rig.get_RangeMin(), rig.get_RangeMax());
      return std::string("the frequency is out of the radio's range (") + range + ")";
    }
  }
  return "the member is off in the radio's capabilities, or a value is out of its range";
}

}  // namespace tovrak::hosts
