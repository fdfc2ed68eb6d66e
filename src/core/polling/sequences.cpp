// The two long query sequences, one step per timer tick: the level sequence
// reads every level and switch of both receivers once; the current-VFO
// sequence re-reads what belongs to the VFO just selected. Every query is a
// control command, spaced like any other.
#include <array>
#include <string>

#include "core/component/protocol.hpp"
#include "core/forms/zel_form.hpp"

namespace tovrak::core {

namespace {

struct LevelStep {
  int entry;  // capability entry tested, -1 for none
  int above;  // the step runs when Property(entry) > above
  const char* queries[2];
};

// Steps 1..53 of the level sequence (step 0 only starts the timer). Steps
// 26, 34, 35 and 36 take their queries from the start-up tables.
constexpr std::array<LevelStep, 54> kLevelSteps = {{
    {-1, 0, {nullptr, nullptr}},  // 0
    {1, 0, {"AG0", nullptr}},    {1, 1, {"AG1", nullptr}},    {25, 0, {"RG0", nullptr}},
    {25, 1, {"RG1", nullptr}},   {26, 0, {"PC", nullptr}},    {19, 0, {"NR0", "NR1"}},
    {19, 1, {"RL0", "RL1"}},     {14, 0, {"KS", nullptr}},    {35, 0, {"VX", nullptr}},
    {8, 0, {"PR", nullptr}},     {5, 0, {"SD", nullptr}},     {3, 0, {"AN0", "AN1"}},
    {10, 0, {"FR", nullptr}},    {2, 0, {"GT0", "GT1"}},      {4, 0, {"RA0", "RA1"}},
    {23, 0, {"PA0", "PA1"}},     {44, 0, {"BC0", "BC1"}},     {18, 0, {"BP00", "BP10"}},
    {18, 1, {"BP01", "BP11"}},   {17, 0, {"NB0", "NB1"}},     {43, 0, {"IS0", "IS1"}},
    {48, 0, {"SH0", "SH1"}},     {29, 0, {"SQ0", nullptr}},   {29, 1, {"SQ1", nullptr}},
    {50, 0, {"CO00", "CO10"}},   {-1, 0, {nullptr, nullptr}},  // 26: the contour menus
    {50, 0, {"CO01", "CO11"}},   {52, 0, {"KR", nullptr}},    {56, 0, {"NA0", "NA1"}},
    {21, 0, {"KP", nullptr}},    {27, 0, {"OS0", nullptr}},   {58, 0, {"RF0", "RF1"}},
    {60, 0, {"BI", nullptr}},    {61, 0, {nullptr, nullptr}},  // 34: blanker type 1 level
    {61, 0, {nullptr, nullptr}},                               // 35: blanker type 2 level
    {60, 0, {nullptr, nullptr}},                               // 36: the full break-in menu
    {63, 0, {"ML0", nullptr}},   {63, 0, {"ML1", nullptr}},   {68, 0, {"MG", nullptr}},
    {71, 0, {"MS", nullptr}},    {-1, 0, {"OI", nullptr}},    {73, 0, {"BY", nullptr}},
    {-1, 0, {"EX095", nullptr}}, {-1, 0, {"EX098", nullptr}}, {-1, 0, {"EX101", nullptr}},
    {-1, 0, {"EX104", nullptr}}, {-1, 0, {"EX107", nullptr}}, {-1, 0, {"EX110", nullptr}},
    {-1, 0, {"EX113", nullptr}}, {-1, 0, {"EX116", nullptr}}, {30, 0, {"CT0", nullptr}},
    {30, 0, {"CN0", nullptr}},   {15, 0, {"LK", nullptr}},
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
  if (m.gLevelIndex > 53) {
    m.gLevelIndex = 0;
    m.form().tmrLevels->set_enabled(false);
    return;
  }
  int index = m.gLevelIndex;
  if (index < 0) return;
  if (index == 0) {
    m.form().tmrLevels->set_enabled(true);
    return;
  }
  const LevelStep& st = kLevelSteps[static_cast<size_t>(index)];
  if (st.entry >= 0) {
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
  std::string v = V();
  if (m.gVFOPollIndex > 28) {
    m.gVFOPollIndex = 0;
    m.form().tmrPollVFO->set_enabled(false);
    return;
  }
  int index = m.gVFOPollIndex;
  if (index < 0) return;
  if (index == 0) {
    m.form().tmrPollVFO->set_enabled(true);
    return;
  }
  const VFOStep& st = kVFOSteps[static_cast<size_t>(index)];
  SendCommand(std::string(st.before) + (st.digit ? v : std::string()) + st.after);
}

}  // namespace tovrak::core
