#include "hosts/cli/monitor_session.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

#include "tovrak/dispatch.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::hosts {

namespace {

// The queries of the status cycle, which the component sends after SetCAT 1.
constexpr std::string_view kStatusCycle[] = {"FA", "FB", "IF", "FT", "OI", "TX", "AC", "VS"};

}  // namespace

MonitorSession::MonitorSession(station::Station& station, ScriptPlatform& platform)
    : station_(station), platform_(platform) {}

void MonitorSession::heard(std::string_view answers) {
  if (status_read()) return;
  unfinished_.append(answers);
  for (size_t semi; (semi = unfinished_.find(';')) != std::string::npos;
       unfinished_.erase(0, semi + 1)) {
    const std::string code = unfinished_.substr(0, std::min<size_t>(semi, 2));
    if (std::find(std::begin(kStatusCycle), std::end(kStatusCycle), code) !=
            std::end(kStatusCycle) &&
        std::find(heard_.begin(), heard_.end(), code) == heard_.end()) {
      heard_.push_back(code);
    }
  }
}

bool MonitorSession::status_read() const { return heard_.size() == std::size(kStatusCycle); }

void MonitorSession::tick() {
  if (settings_asked_ || !status_read()) return;
  settings_asked_ = true;
  station_.rig().PollLevels();
}

std::string MonitorSession::execute(const std::string& line, int line_number) {
  std::istringstream words(line);
  std::string first, name, extra;
  words >> first >> name >> extra;
  if (first == "help" && extra.empty()) return member_help(name);
  TOVRAK_Protocol& rig = station_.rig();
  std::ostringstream out;
  try {
    // Blank lines in front keep the line numbers of the messages right.
    auto statements = parse_script(std::string(static_cast<size_t>(line_number - 1), '\n') + line);
    for (const auto& st : statements) {
      if (st.kind == Statement::Kind::Read && wait_for_status_) {
        wait_for_status_ = false;
        const int64_t until =
            platform_.elapsed_us() + static_cast<int64_t>(kLongestStatusWait * 1e6);
        while (!status_read() && !station_.lost() && platform_.elapsed_us() < until) {
          platform_.wait_ms(20);
        }
      }
      std::ostringstream one;
      run_statement(rig, st, platform_, one);
      out << one.str();
      if (st.kind != Statement::Kind::Call) continue;
      if (station_.lost()) {
        out << "  not sent: " << station_.link() << '\n';
        continue;
      }
      const std::string text = one.str();
      if (st.name.starts_with("Set") && text.ends_with(" -> False\n")) {
        std::string why = refusal_reason(rig, st.name, st.args);
        if (!why.empty()) out << "  refused: " << why << '\n';
      }
    }
  } catch (const ScriptError& e) {
    out << e.what() << '\n';
  }
  return out.str();
}

bool leaves(const std::string& line) {
  std::istringstream words(line);
  std::string word, more;
  words >> word >> more;
  for (auto& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return more.empty() && (word == "q" || word == "quit" || word == "exit");
}

namespace {

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
      u.resize(std::max<size_t>(u.size(), 30), ' ');
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
  const bool tunes = member == "SetFreq" || member.starts_with("SetVFOA") ||
                     member.starts_with("SetVFOB") || member == "SetTX";
  if ((tunes || member == "SetMode") && rig.get_MemMode())
    return "the radio is in memory mode (SetVFO 0 leaves it)";
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
