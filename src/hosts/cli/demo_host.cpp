#include "hosts/cli/demo_host.hpp"

#include <vector>

#include "tovrak/errors.hpp"

namespace tovrak::hosts {

namespace {

struct Step {
  double at;
  std::string what;
  std::function<std::string(TOVRAK_Protocol&)> run;
};

std::string vb(VBool b) { return b ? "True" : "False"; }

// The scripted host: what a station program does in half a minute.
std::vector<Step> host_steps(double seconds) {
  auto freq = [](double mhz) { return [mhz](TOVRAK_Protocol& r) { return vb(r.SetFreq(mhz)); }; };
  auto ptt = [](int16_t on) {
    return [on](TOVRAK_Protocol& r) {
      int16_t v = on;
      return vb(r.SetPTT(v));
    };
  };
  auto mode = [](int m) {
    return [m](TOVRAK_Protocol& r) {
      int16_t md = static_cast<int16_t>(m), rev = 0;
      return vb(r.SetMode(md, rev));
    };
  };
  std::vector<Step> steps = {
      {3.0, "SetFreq(7.074)", freq(7.074)},
      {4.5, "SetMode(1, 0) USB", mode(1)},
      {6.0, "SetData(5, 0, 0, presets); SetFilter(1, 1, 0)",
       [](TOVRAK_Protocol& r) {
         int16_t l1 = 5, l2 = 0, f = 1, m = 1, rev = 0;
         double d = 0;
         std::string presets = "05101520253031";
         r.SetData(l1, l2, d, presets);
         return vb(r.SetFilter(f, m, rev));
       }},
      {7.5, "PollLevels(): read every setting",
       [](TOVRAK_Protocol& r) {
         r.PollLevels();
         return std::string("started");
       }},
      {9.0, "SetAFLevel(0, 150)",
       [](TOVRAK_Protocol& r) {
         int16_t rx = 0, level = 150;
         return vb(r.SetAFLevel(rx, level));
       }},
      {11.0, "SetFreq(14.2)", freq(14.2)},
      {12.5, "SetMode(2, 0) CW; SetKeyerSpeed(128)",
       [](TOVRAK_Protocol& r) {
         int16_t md = 2, rev = 0, ks = 128;
         r.SetMode(md, rev);
         return vb(r.SetKeyerSpeed(ks));
       }},
      {14.0, "SetTX(14.205, 2): split",
       [](TOVRAK_Protocol& r) {
         double f = 14.205;
         int16_t md = 2;
         return vb(r.SetTX(f, md));
       }},
      {15.5, "SetPTT(1): a moment on the air", ptt(1)},
      {16.0, "SetPTT(0)", ptt(0)},
      {17.0, "SetSplit(0)",
       [](TOVRAK_Protocol& r) {
         int16_t s = 0;
         return vb(r.SetSplit(s));
       }},
      {18.5, "SetVFOM(12): store a memory",
       [](TOVRAK_Protocol& r) {
         int16_t ch = 12;
         std::string info;
         return vb(r.SetVFOM(ch, info));
       }},
      {20.0, "SetVFO(0): back to the VFO",
       [](TOVRAK_Protocol& r) {
         int16_t v = 0;
         return vb(r.SetVFO(v));
       }},
      {21.5, "SetFreq(21.25)", freq(21.25)},
      {23.0, "SetMode(1, 0) USB", mode(1)},
      {24.5, "SetNR(5); SetAtt(1)",
       [](TOVRAK_Protocol& r) {
         int16_t nr = 5, att = 1;
         r.SetNR(nr);
         return vb(r.SetAtt(att));
       }},
  };
  std::vector<Step> out;
  for (auto& s : steps) {
    if (s.at < seconds - 2) out.push_back(std::move(s));
  }
  return out;
}

}  // namespace

bool run_demo_host(station::Station& station, ScriptPlatform& time, const DemoRun& run) {
  auto now = [&] { return static_cast<double>(time.elapsed_us()) / 1e6; };
  auto steps = host_steps(run.seconds);
  size_t next = 0;
  while (now() < run.seconds) {
    if (run.stop && run.stop()) return false;
    time.wait_ms(40);
    station.reopen_if_lost();
    while (next < steps.size() && now() >= steps[next].at) {
      auto& st = steps[next++];
      std::string line;
      try {
        line = st.what + " -> " + st.run(station.rig());
      } catch (const ComError& e) {
        line = st.what + " !! " + std::to_string(e.number()) + " " + e.description();
      }
      if (run.log) run.log(line);
    }
    if (run.round) run.round();
  }
  return !(run.stop && run.stop());
}

}  // namespace tovrak::hosts
