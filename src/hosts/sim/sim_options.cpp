#include "hosts/sim/sim_options.hpp"

#include <charconv>
#include <stdexcept>

namespace tovrak::sim {

const char* const kSimOptionsHelp =
    "The radio:\n"
    "  --id N                identification number of the \"ID\" answer (570: 9-digit\n"
    "                        frequencies; any other: 8 digits)\n"
    "  --operator            a simulated operator now and then tunes, changes the\n"
    "                        mode and moves levels on the front panel\n"
    "  --seed N              seed of the operator, the band's signals and the\n"
    "                        faults; the same seed, the same radio\n"
    "Faults of the line (probabilities per answer, 0 to 1):\n"
    "  --latency MS          delay from a command to its answer (default 0)\n"
    "  --drop P              the answer is lost\n"
    "  --garble P            one byte of the answer is changed\n"
    "  --split P             the answer arrives in two pieces, a few ms apart\n"
    "  --silent-every S      every S seconds the radio goes deaf and mute for a\n"
    "                        while (see --silent-for)\n"
    "  --silent-for S        how long it stays silent (default 5)\n"
    "  --power-cycle-every S every S seconds the radio is switched off for 2 s and\n"
    "                        on again (automatic information is then off)\n";

namespace {

int64_t whole(const std::string& option, const std::string& v) {
  int64_t n = 0;
  auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (ec != std::errc() || p != v.data() + v.size()) {
    throw std::invalid_argument(option + " takes a whole number, not \"" + v + "\"");
  }
  return n;
}

double number(const std::string& option, const std::string& v) {
  try {
    size_t used = 0;
    double d = std::stod(v, &used);
    if (used == v.size()) return d;
  } catch (const std::exception&) {
  }
  throw std::invalid_argument(option + " takes a number, not \"" + v + "\"");
}

}  // namespace

bool take_sim_option(const std::vector<std::string>& args, size_t& i, SimOptions& opt) {
  const std::string& a = args[i];
  if (a == "--operator") {
    opt.operator_on = true;
    return true;
  }
  static const char* const kValued[] = {"--id",           "--seed",       "--latency",
                                        "--drop",         "--garble",     "--split",
                                        "--silent-every", "--silent-for", "--power-cycle-every"};
  bool valued = false;
  for (const char* k : kValued) valued = valued || a == k;
  if (!valued) return false;
  if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
  const std::string& v = args[++i];
  if (a == "--id") {
    int64_t n = whole(a, v);
    if (n < 0 || n > 9999) throw std::invalid_argument("--id takes 0 to 9999");
    opt.id = static_cast<int>(n);
  } else if (a == "--seed") {
    opt.seed = static_cast<uint64_t>(whole(a, v));
  } else if (a == "--latency") {
    double d = number(a, v);
    if (d < 0) throw std::invalid_argument("--latency takes milliseconds, 0 or more");
    opt.latency_us = static_cast<int64_t>(d * 1000.0);
  } else if (a == "--drop" || a == "--garble" || a == "--split") {
    double d = number(a, v);
    if (d < 0 || d > 1) throw std::invalid_argument(a + " takes 0 to 1");
    (a == "--drop" ? opt.drop : a == "--garble" ? opt.garble : opt.split) = d;
  } else {
    double d = number(a, v);
    if (d <= 0) throw std::invalid_argument(a + " takes seconds, more than 0");
    auto us = static_cast<int64_t>(d * 1e6);
    (a == "--silent-every" ? opt.silent_every_us
     : a == "--silent-for" ? opt.silent_for_us
                           : opt.power_cycle_every_us) = us;
  }
  return true;
}

}  // namespace tovrak::sim
