#include "hosts/cli/options.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "hosts/cli/port_options.hpp"
#include "hosts/sim/sim_radio.hpp"

namespace tovrak::hosts {

namespace {

std::string number_text(double d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return buf;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

constexpr size_t kNameColumn = 25;

// The help as an 80-column terminal shows it: option texts wrapped beside
// their names, a blank line between the description and the usage.
class Help : public CLI::Formatter {
 public:
  Help() {
    column_width(kNameColumn);
    label("REQUIRED", "");
    label("Positionals", "Arguments");
  }
  std::string make_option_desc(const CLI::Option* o) const override {
    std::string out, line;
    std::istringstream words(o->get_description());
    for (std::string w; words >> w;) {
      if (!line.empty() && line.size() + 1 + w.size() > 79 - kNameColumn) {
        out += line + "\n";
        line.clear();
      }
      line += (line.empty() ? "" : " ") + w;
    }
    return out + line;
  }
  std::string make_description(const CLI::App* app) const override {
    return CLI::Formatter::make_description(app) + "\n";
  }
};

}  // namespace

int64_t read_whole(const std::string& what, const std::string& text, int64_t lo, int64_t hi) {
  const std::string range = std::to_string(lo) + " to " + std::to_string(hi);
  int64_t n = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec == std::errc::result_out_of_range) {
    throw std::invalid_argument(what + " " + text + " is out of range (" + range + ")");
  }
  if (ec != std::errc() || end != text.data() + text.size()) {
    throw std::invalid_argument(what + " takes a whole number from " + range + ", not " +
                                quoted(text));
  }
  if (n < lo || n > hi) {
    throw std::invalid_argument(what + " " + text + " is out of range (" + range + ")");
  }
  return n;
}

double read_number(const std::string& what, const std::string& text, double lo, double hi) {
  const std::string range = number_text(lo) + " to " + number_text(hi);
  double d = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (ec == std::errc::result_out_of_range) {
    throw std::invalid_argument(what + " " + text + " is out of range (" + range + ")");
  }
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(d)) {
    throw std::invalid_argument(what + " takes a number from " + range + ", not " + quoted(text));
  }
  if (d < lo || d > hi) {
    throw std::invalid_argument(what + " " + text + " is out of range (" + range + ")");
  }
  return d;
}

void check_port_locator(const std::string& locator, const std::string& option) {
  const auto sep = locator.find("://");
  if (sep == std::string::npos) return;
  const std::string scheme = locator.substr(0, sep);
  const std::string_view rest = std::string_view(locator).substr(sep + 3);
  if (scheme != "rfc2217" && scheme != "tcp") {
    throw std::invalid_argument(option + " " + quoted(locator) +
                                ": a network port is rfc2217://HOST:PORT or tcp://HOST:PORT");
  }
  const auto colon = rest.rfind(':');
  std::string_view host = rest.substr(0, colon == std::string_view::npos ? 0 : colon);
  int port = 0;
  const char* end = rest.data() + rest.size();
  bool good = colon != std::string_view::npos &&
              std::from_chars(rest.data() + colon + 1, end, port).ptr == end && port >= 1 &&
              port <= 65535;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string_view::npos) {
    good = false;
  }
  if (!good || host.empty() || host.find_first_of("/[]@ ") != std::string_view::npos) {
    throw std::invalid_argument(option + " " + quoted(locator) + ": a network port is written " +
                                scheme +
                                "://HOST:PORT, with PORT from 1 to 65535 (an IPv6 address in "
                                "brackets: [::1])");
  }
}

Options::Options(std::string command, std::string description)
    : command_(std::move(command)), app_(std::move(description), "tovrak " + command_) {
  app_.formatter(std::make_shared<Help>());
  app_.set_help_flag("-h,--help", "show this help");
  app_.allow_extras(false);
}

void Options::option(const std::string& name, const std::string& value_name,
                     const std::string& help, std::function<void(const std::string&)> take) {
  app_.add_option_function<std::string>(
          name,
          [take](const std::string& v) {
            try {
              take(v);
            } catch (const std::invalid_argument& e) {
              throw CLI::ValidationError(e.what());
            }
          },
          help)
      ->type_name(value_name)
      ->group(group_);
}

void Options::flag(const std::string& name, std::function<void()> on, const std::string& help) {
  app_.add_flag_callback(name, std::move(on), help)->group(group_);
}

void Options::flag(const std::string& name, bool& target, const std::string& help) {
  flag(
      name, [&target] { target = true; }, help);
}

void Options::whole(const std::string& name, int64_t& target, int64_t lo, int64_t hi,
                    const std::string& value_name, const std::string& help) {
  option(name, value_name, help,
         [=, &target](const std::string& v) { target = read_whole(name, v, lo, hi); });
}

void Options::whole(const std::string& name, int& target, int lo, int hi,
                    const std::string& value_name, const std::string& help) {
  option(name, value_name, help, [=, &target](const std::string& v) {
    target = static_cast<int>(read_whole(name, v, lo, hi));
  });
}

void Options::number(const std::string& name, double& target, double lo, double hi,
                     const std::string& value_name, const std::string& help) {
  option(name, value_name, help,
         [=, &target](const std::string& v) { target = read_number(name, v, lo, hi); });
}

void Options::text(const std::string& name, std::string& target, const std::string& value_name,
                   const std::string& help) {
  option(name, value_name, help, [name, &target](const std::string& v) {
    if (v.empty()) throw std::invalid_argument(name + " takes a value, not an empty text");
    target = v;
  });
}

void Options::positional(const std::string& name, std::string& target, const std::string& help,
                         bool required) {
  auto* o = app_.add_option(name, target, help);
  o->type_name("")->group("Arguments");
  if (required) o->required();
}

void Options::footer(const std::string& text) { app_.footer(text); }

bool Options::given(const std::string& name) const { return app_.count(name) > 0; }

bool Options::any_given(const std::string& heading) const {
  for (const auto* o : app_.get_options()) {
    if (o->get_group() == heading && o->count() > 0) return true;
  }
  return false;
}

int Options::usage_error(const std::string& what) const {
  std::cerr << "tovrak " << command_ << ": " << what << " (tovrak " << command_ << " --help)\n";
  return 2;
}

namespace {
CommandDoc* describe_sink = nullptr;
}  // namespace

void Options::describe_into(CommandDoc* sink) { describe_sink = sink; }

CommandDoc Options::describe() const {
  CommandDoc doc{command_, app_.get_description(), app_.get_footer(), {}};
  for (const auto* o : app_.get_options()) {
    OptionDoc d;
    d.positional = o->get_positional();
    if (d.positional) {
      d.names = {o->get_name()};
    } else {
      for (const auto& n : o->get_snames()) d.names.push_back("-" + n);
      for (const auto& n : o->get_lnames()) d.names.push_back("--" + n);
      if (o->get_type_size() != 0) d.value = o->get_type_name();
    }
    d.help = o->get_description();
    d.group = o->get_group();
    doc.options.push_back(std::move(d));
  }
  return doc;
}

std::optional<int> Options::parse(const std::vector<std::string>& args) {
  if (describe_sink) {
    *describe_sink = describe();
    return 0;
  }
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app_.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::cout << app_.help();
    return 0;
  } catch (const CLI::ExtrasError&) {
    std::string extra;
    for (const auto& a : app_.remaining()) extra += (extra.empty() ? "" : " ") + a;
    return usage_error((extra.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") +
                       extra);
  } catch (const CLI::ArgumentMismatch& e) {
    std::string what = e.what();
    return usage_error(what.substr(0, what.find(':')) + " needs a value");
  } catch (const CLI::RequiredError& e) {
    std::string what = e.what();
    return usage_error("no " + what.substr(0, what.find(' ')) + " given");
  } catch (const CLI::ParseError& e) {
    return usage_error(e.what());
  }
  return std::nullopt;
}

void add_port_options(Options& options, PortOptions& port) {
  options.group(kPortGroup);
  options.option("--port", "PATH",
                 "the serial device (/dev/ttyUSB0, a pseudo-terminal...), "
                 "rfc2217://HOST:PORT for a port served over the network (RFC 2217), or "
                 "tcp://HOST:PORT for its bytes over plain TCP; without it, port number n "
                 "means /dev/ttyS<n-1>",
                 [&port](const std::string& v) {
                   if (v.empty()) throw std::invalid_argument("--port takes a path, not \"\"");
                   check_port_locator(v, "--port");
                   port.path = v;
                   port.given = true;
                 });
  options.option("--speed", "BAUD", "the speed in baud (4800, 9600, 38400, ...)",
                 [&port](const std::string& v) {
                   port.speed = std::to_string(read_whole("--speed", v, 1, 4'000'000));
                   port.given = true;
                 });
  options.flag(
      "--no-rts",
      [&port] {
        port.rts = false;
        port.given = true;
      },
      "no RTS line and no RTS/CTS handshaking");
  options.flag(
      "--dtr",
      [&port] {
        port.dtr = true;
        port.given = true;
      },
      "raise the DTR line");
  options.group("Options");
}

void add_sim_options(Options& options, sim::SimOptions& radio) {
  options.group(kSimGroup);
  options.whole("--id", radio.id, 0, 9999, "N",
                "identification number of the \"ID\" answer (570: 9-digit frequencies; any "
                "other: 8 digits)");
  options.flag("--operator", radio.operator_on,
               "a simulated operator now and then tunes, changes the mode and moves levels");
  options.option("--seed", "N",
                 "seed of the operator, the band's signals and the faults; the same seed, the "
                 "same radio",
                 [&radio](const std::string& v) {
                   radio.seed = static_cast<uint64_t>(read_whole("--seed", v, 0, INT64_MAX));
                 });
  // Times given in ms or s, kept in microseconds.
  auto time = [&options](const std::string& name, int64_t& target_us, double lo, double hi,
                         double us_per_unit, const std::string& unit, const std::string& help) {
    options.option(name, unit, help, [=, &target_us](const std::string& v) {
      target_us = static_cast<int64_t>(read_number(name, v, lo, hi) * us_per_unit);
    });
  };
  time("--latency", radio.latency_us, 0, 60'000, 1e3, "MS",
       "delay from a command to its answer (default 0)");
  options.number("--drop", radio.faults.drop, 0, 1, "P", "probability that an answer is lost");
  options.number("--garble", radio.faults.garble, 0, 1, "P",
                 "probability that one byte of an answer is changed");
  options.number("--split", radio.faults.split, 0, 1, "P",
                 "probability that an answer arrives in two pieces, a few ms apart");
  options.number("--late", radio.faults.late, 0, 1, "P",
                 "probability that an answer is held back up to 300 ms, and those behind it");
  time("--silent-every", radio.silent_every_us, 0.001, 86'400, 1e6, "S",
       "every S seconds the radio goes deaf and mute for a while (see --silent-for)");
  time("--silent-for", radio.silent_for_us, 0.001, 86'400, 1e6, "S",
       "how long it stays silent (default 5)");
  time("--power-cycle-every", radio.power_cycle_every_us, 0.001, 86'400, 1e6, "S",
       "every S seconds the radio is switched off for 2 s and on again");
  options.group("Options");
}

}  // namespace tovrak::hosts
