#include "hosts/cli/station_script.hpp"

#include <ostream>

#include "hosts/cli/station_platform.hpp"

namespace tovrak::hosts {

int run_on_station(const std::vector<Statement>& script, station::Station& station,
                   ScriptPlatform& time, std::ostream& out, std::ostream& err,
                   const StationScript& how) {
  const std::string who = "tovrak script: " + how.where + ": ";
  auto say = [&](const std::string& text) {
    out.flush();
    err << who << text << '\n';
  };
  station.on_lost([&](const std::string& reason) {
    say("port lost: " + reason + " (what follows reaches no radio)");
  });
  station.on_note(say);
  ScriptHooks hooks;
  hooks.failed = [&](int line, const std::string& failure) {
    say("line " + std::to_string(line) + ": " + failure);
  };
  hooks.stop = how.stop;
  StationPlatform platform(time, station);
  auto leave = [&] {
    const std::string done = station.close();
    if (!done.empty()) say(done);
    station.on_lost(nullptr);
    station.on_note(nullptr);
  };
  int failures = 0;
  try {
    failures = run_script(script, platform, out, how.prepare, hooks);
  } catch (...) {
    leave();
    throw;
  }
  const bool stopped = how.stop && how.stop();
  leave();
  if (stopped) return 130;
  if (station.losses() > 0) {
    say("the port was lost while the script ran");
    return 1;
  }
  return failures > 0 ? 1 : 0;
}

}  // namespace tovrak::hosts
