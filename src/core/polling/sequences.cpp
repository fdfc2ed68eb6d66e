// The two long query sequences, one step per timer tick: the level sequence
// reads every level and switch of both receivers once; the current-VFO
// sequence re-reads what belongs to the VFO just selected. Every query is a
// control command, spaced like any other.
#include <array>
#include <string>

#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/link/port_and_timers.hpp"

namespace tovrak::core {

namespace {

// A step that tests no capability entry.
constexpr int kNone = -1;

struct LevelStep {
  int entry;  // capability entry tested (a cap::Entry), or kNone
  int above;  // the step runs when Property(entry) > above
  const char* queries[2];
};

// Steps 1..53 of the level sequence (step 0 only starts the timer). Steps
// 26, 34, 35 and 36 take their queries from the start-up tables.
constexpr std::array<LevelStep, 54> kLevelSteps = {{
    {kNone, 0, {nullptr, nullptr}},  // 0
    {cap::SetAFLevel, 0, {"AG0", nullptr}},
    {cap::SetAFLevel, 1, {"AG1", nullptr}},
    {cap::SetRFLevel, 0, {"RG0", nullptr}},
    {cap::SetRFLevel, 1, {"RG1", nullptr}},
    {cap::SetRFPower, 0, {"PC", nullptr}},
    {cap::SetNR, 0, {"NR0", "NR1"}},
    {cap::SetNR, 1, {"RL0", "RL1"}},
    {cap::SetKeyerSpeed, 0, {"KS", nullptr}},
    {cap::SetVox, 0, {"VX", nullptr}},
    {cap::SetComp, 0, {"PR", nullptr}},
    {cap::SetBKIn, 0, {"SD", nullptr}},
    {cap::SetAntenna, 0, {"AN0", "AN1"}},
    {cap::SetDual, 0, {"FR", nullptr}},
    {cap::SetAGC, 0, {"GT0", "GT1"}},
    {cap::SetAtt, 0, {"RA0", "RA1"}},
    {cap::SetPreAmp, 0, {"PA0", "PA1"}},
    {cap::SetAutoNF, 0, {"BC0", "BC1"}},
    {cap::SetNF, 0, {"BP00", "BP10"}},
    {cap::SetNF, 1, {"BP01", "BP11"}},
    {cap::SetNB, 0, {"NB0", "NB1"}},
    {cap::SetIFShift, 0, {"IS0", "IS1"}},
    {cap::SetIFShiftWidth, 0, {"SH0", "SH1"}},
    {cap::SetSQLevel, 0, {"SQ0", nullptr}},
    {cap::SetSQLevel, 1, {"SQ1", nullptr}},
    {cap::SetContour, 0, {"CO00", "CO10"}},
    {kNone, 0, {nullptr, nullptr}},  // 26: the contour menus
    {cap::SetContour, 0, {"CO01", "CO11"}},
    {cap::KeyerSwitch, 0, {"KR", nullptr}},
    {cap::NarrowSwitch, 0, {"NA0", "NA1"}},
    {cap::SetPitch, 0, {"KP", nullptr}},
    {cap::SetRPT, 0, {"OS0", nullptr}},
    {cap::SetRFT, 0, {"RF0", "RF1"}},
    {cap::SetBK, 0, {"BI", nullptr}},
    {cap::SetNBType, 0, {nullptr, nullptr}},  // 34: blanker type 1 level
    {cap::SetNBType, 0, {nullptr, nullptr}},  // 35: blanker type 2 level
    {cap::SetBK, 0, {nullptr, nullptr}},      // 36: the full break-in menu
    {cap::SetMonitor, 0, {"ML0", nullptr}},
    {cap::SetMonitor, 0, {"ML1", nullptr}},
    {cap::MicGain, 0, {"MG", nullptr}},
    {cap::SetMeterSW, 0, {"MS", nullptr}},
    {kNone, 0, {"OI", nullptr}},
    {cap::Busy, 0, {"BY", nullptr}},
    {kNone, 0, {"EX095", nullptr}},
    {kNone, 0, {"EX098", nullptr}},
    {kNone, 0, {"EX101", nullptr}},
    {kNone, 0, {"EX104", nullptr}},
    {kNone, 0, {"EX107", nullptr}},
    {kNone, 0, {"EX110", nullptr}},
    {kNone, 0, {"EX113", nullptr}},
    {kNone, 0, {"EX116", nullptr}},
    {cap::SetTone, 0, {"CT0", nullptr}},
    {cap::SetTone, 0, {"CN0", nullptr}},
    {cap::SetLockDial, 0, {"LK", nullptr}},
}};

// Steps 1..28 of the current-VFO sequence: the text before and after the VFO
// digit (FT, FR, OI and LK carry none).
struct VFOStep {
  const char* before;
  const char* after;
  bool digit;
};
constexpr std::array<VFOStep, 29> kVFOSteps = {{
    {nullptr, nullptr, false},  // 0
    {"FT", "", false},         {"MD", "", true},  {"RG", "", true},  {"NR", "", true},
    {"RL", "", true},          {"AN", "", true},  {"FR", "", false}, {"GT", "", true},
    {"RA", "", true},          {"PA", "", true},  {"BC", "", true},  {"BP", "0", true},
    {"BP", "1", true},         {"NB", "", true},  {"IS", "", true},  {"SH", "", true},
    {"SQ", "", true},          {"CO", "0", true}, {"CO", "1", true}, {"NA", "", true},
    {"OS", "", true},          {"RF", "", true},  {"NL", "", true},  {"AG", "", true},
    {"OI", "", false},         {"LK", "", false}, {"CT", "", true},  {"CN", "", true},
}};

}  // namespace

void Protocol::PollLevels() {
  if (s.AIState == -1) return;
  if (m.polling.level_index > 53) {
    m.polling.level_index = 0;
    m.port_and_timers().tmrLevels->set_enabled(false);
    return;
  }
  int index = m.polling.level_index;
  if (index < 0) return;
  if (index == 0) {
    m.port_and_timers().tmrLevels->set_enabled(true);
    return;
  }
  const LevelStep& st = kLevelSteps[static_cast<size_t>(index)];
  if (st.entry != kNone) {
    int16_t p = s.Property[static_cast<size_t>(st.entry)];
    // The busy query goes out only when the entry is exactly 1.
    bool runs = index == 42 ? p == 1 : p > st.above;
    if (!runs) return;
  }
  switch (index) {
    case 26:
      SendCommand(s.ContourMenu[0]);
      SendCommand(s.ContourMenu[1]);
      return;
    case 34:
    case 35: {
      const std::string& cmd = s.NBRec[index == 34 ? 1 : 2].Cmd;
      SendCommand(cmd + "0");
      SendCommand(cmd + "1");
      return;
    }
    case 36:
      SendCommand(s.FullBKMenu);
      return;
    default:
      for (const char* q : st.queries) {
        if (q) SendCommand(q);
      }
  }
}

void Protocol::PollCurrVFO() {
  std::string v = vfo_digit();
  if (m.polling.vfo_poll_index > 28) {
    m.polling.vfo_poll_index = 0;
    m.port_and_timers().tmrPollVFO->set_enabled(false);
    return;
  }
  int index = m.polling.vfo_poll_index;
  if (index < 0) return;
  if (index == 0) {
    m.port_and_timers().tmrPollVFO->set_enabled(true);
    return;
  }
  const VFOStep& st = kVFOSteps[static_cast<size_t>(index)];
  SendCommand(std::string(st.before) + (st.digit ? v : std::string()) + st.after);
}

}  // namespace tovrak::core
