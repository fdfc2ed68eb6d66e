// Every front end, left in every way (its end, a failing call, a stop request,
// a lost port that comes back), leaves the simulated radio unkeyed. An
// exception unwinding a front end, and the sharing server, leave it to the
// station's own way out (station_test; real signals: cli_pty_test).
#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "hosts/cli/demo_host.hpp"
#include "hosts/cli/monitor_session.hpp"
#include "hosts/cli/one_shot.hpp"
#include "hosts/cli/station_script.hpp"
#include "support/station_bench.hpp"

namespace tovrak::hosts {
namespace {

enum class Way { End, Error, Stop, Lost };

struct Outcome {
  bool keyed = false;  // the radio, afterwards
  std::string said;    // what the front end or its station said on the way out
  int status = 0;      // the script's exit status
};

// The station's way out has had the time to reach the radio: is it keyed?
Outcome finish(test::StationBench& b, Outcome o) {
  b.apt.advance_ms(500);
  o.keyed = b.keyed();
  return o;
}

Outcome script(Way way) {
  test::StationBench b;
  std::string text = "SetPort True, \"\", \"\", \"\"\nSetCAT 1\n@wait 1000\nSetPTT 1\n@wait 2000\n";
  if (way == Way::Error) text += "? AFLevel(7)\n";
  if (way == Way::Stop) b.apt.schedule_outside(2'000'000, [&] { b.apt.request_stop(); });
  if (way == Way::Lost) {
    b.apt.schedule_outside(2'000'000, [&] { b.apt.line().lose("gone"); });
    text += "SetPort False, \"\", \"\", \"\"\nSetPort True, \"\", \"\", \"\"\nSetCAT 1\n";
  }
  text += "@wait 1000\n? PTT\n";
  std::ostringstream out, err;
  Outcome o;
  o.status = run_on_station(parse_script(text), b.station, b.time, out, err,
                            {"s", {}, [&] { return b.apt.stopping(); }});
  o.said = err.str();
  return finish(b, o);
}

Outcome monitor(Way way) {
  test::StationBench b;
  MonitorSession session(b.station, b.time);
  Outcome o;
  b.station.on_note([&](const std::string& t) { o.said += t + "\n"; });
  b.open();
  session.execute("SetPTT 1", 1);
  b.apt.advance_ms(300);
  if (way == Way::Stop) b.apt.request_stop();
  if (way == Way::Lost) {  // with --reopen
    b.apt.line().lose("gone");
    b.apt.process_pending();
    o.said += session.execute("SetPTT 0", 3);
    b.apt.advance_ms(2000);
    b.station.reopen_if_lost();
    b.apt.advance_ms(300);
  }
  o.said += session.close();
  return finish(b, o);
}

Outcome demo(Way way) {
  test::StationBench b(sim::SimOptions{.id = 19});
  Outcome o;
  b.station.on_note([&](const std::string& t) { o.said += t + "\n"; });
  b.open();
  DemoRun run;
  run.seconds = 30;
  const double keyed_at = 15.7;  // between the host's SetPTT(1) and SetPTT(0)
  auto past = [&] { return b.apt.now_us() >= keyed_at * 1e6; };
  if (way == Way::Stop) run.stop = past;
  bool lost = false;
  if (way == Way::Lost) {
    // Gone for a while: the host's own release is lost too, and the first
    // reopen fails.
    run.round = [&] {
      if (!past() || std::exchange(lost, true)) return;
      b.apt.line().lose("gone");
      b.apt.line().fail_next_open("COM1: no such device");
    };
  }
  o.status = run_demo_host(b.station, b.time, run) ? 0 : 130;
  o.said += b.station.close();
  return finish(b, o);
}

Outcome one_shot(Way way) {
  test::StationBench b;
  Outcome o;
  std::ostringstream out, err;
  {
    OneShot shot(b.station, b.time);
    // Stopped or lost while the transmitter is keyed and read back.
    const int64_t soon = b.apt.now_us() + 20'000;
    if (way == Way::Stop) b.apt.schedule_outside(soon, [&] { b.apt.request_stop(); });
    if (way == Way::Lost) b.apt.schedule_outside(soon, [&] { b.apt.line().lose("gone"); });
    o.status = run_set(shot, "ptt", "on", {false, false, out, err, "ptt", "P"});
    o.said = err.str() + b.station.close();
  }
  return finish(b, o);
}

TEST(WaysOut, EveryFrontEndLeavesTheRadioSafe) {
  const char* released = "transmitter released";
  const char* came_back = "transmitter released (left keyed when the port went)";
  struct Row {
    Outcome (*front_end)(Way);  // driven to a keyed radio and left in a way
    Way way;
    bool keyed;        // the radio afterwards
    const char* says;  // part of what was said on the way out
    int status;        // the script's exit status
  } rows[] = {
      {script, Way::End, false, released, 0},
      {script, Way::Error, false, "line 6: AFLevel(7): 9 Subscript out of range", 1},
      {script, Way::Stop, false, released, 130},
      {script, Way::Lost, false, "port lost: COM1: gone", 1},
      {script, Way::Lost, false, came_back, 1},
      {monitor, Way::End, false, released, 0},
      {monitor, Way::Stop, false, released, 0},
      {monitor, Way::Lost, false, "not sent: port lost: COM1: gone", 0},
      {monitor, Way::Lost, false, came_back, 0},
      {demo, Way::End, false, "", 0},  // the host released it itself
      {demo, Way::Stop, false, released, 130},
      {demo, Way::Lost, false, came_back, 0},
      // tovrak ptt on leaves the transmitter as asked; stopped first, not.
      {one_shot, Way::End, true, "", 0},
      {one_shot, Way::Stop, false, "tovrak ptt: interrupted", 130},
      {one_shot, Way::Lost, false, "tovrak ptt: port lost: COM1: gone", 1},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(&r - rows);
    const Outcome o = r.front_end(r.way);
    EXPECT_EQ(std::pair(o.keyed, o.status), std::pair(r.keyed, r.status));
    EXPECT_NE(o.said.find(r.says), std::string::npos) << o.said;
  }
}

}  // namespace
}  // namespace tovrak::hosts
