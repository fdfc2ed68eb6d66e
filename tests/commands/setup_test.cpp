// Set-up commands: power with its start-up sequence, dial lock, tuning
// speed, dimmer, and the reserved entry that mutes the link, loads filter
// presets and sets the narrow filter.
#include <gtest/gtest.h>

#include <string>

#include "command_fixture.hpp"

namespace tovrak::test {
namespace {

// SetData(selector, value, text): it always returns False.
Call data(int16_t l1, int16_t l2, std::string text = "") {
  return CALL(SetData, l1, l2, 1.5, text);
}

TEST(SetupCommands, Rows) {
  std::vector<Row> rows = {
    // On: the command twice, then CAT on with polling by the component.
    row("power on", {}, CALL(SetPowerON, 1), "PS1; 1000 PS1; 1500 AI0; 1600 ID;",
        CHANGE(s.PowerON = 1; s.CAT = 1; s.AIState = -1; f.refresh = f.startup = true)),
    row("power off waits and leaves CAT off", SET(s.CAT = 1; s.AIState = 1), CALL(SetPowerON, 0),
        "PS0;", CHANGE(s.PowerON = 0; s.CAT = 0; s.AIState = -1), T, 500),
    row("power 2: no repeat, no CAT", {}, CALL(SetPowerON, 2), "PS2;",
        CHANGE(s.PowerON = 2; s.CAT = 2; s.AIState = -1), T, 500),
    WITHOUT(SetPowerON, 1),
    row("lock", {}, CALL(SetLockDial, 1), "LK1;", CHANGE(s.LockDial = 1)),
    WITHOUT(SetLockDial, 1),
    row("fast", {}, CALL(SetFast, 1), "FS1;", CHANGE(s.Fast = 1; s.TuningStep = 100)),
    row("slow", SET(s.Fast = 1), CALL(SetFast, 0), "FS0;", CHANGE(s.Fast = 0; s.TuningStep = 10)),
    row("fast: a read request", SET(s.TuningStep = 10), CALL(SetFast, 2), "FS;",
        CHANGE(s.Fast = 2)),
    WITHOUT(SetFast, 1),
    row("dimmer 16", {}, CALL(SetDimLevel, 16), "", {}, F),
    WITHOUT(SetDimLevel, 0),
    // SetData 5: filter presets read in pairs, leniently: blanks skipped,
    // stopping at what cannot go on, rounded.
    row("presets", {}, data(5, 0, "0102030405060708091011"), {},
        CHANGE(s.FilterPresets = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), F),
    row("fewer presets", SET(s.FilterPresets.fill(9)), data(5, 0, "050607"), {},
        CHANGE(s.FilterPresets = {5, 6, 7}), F),
    row("one character", {}, data(5, 0, "3"), {}, CHANGE(s.FilterPresets = {3}), F),
    row("a last single character", {}, data(5, 0, "1234567"), {},
        CHANGE(s.FilterPresets = {12, 34, 56, 7}), F),
    row("lenient", {}, data(5, 0, " 58xx33x-2.72..51.  "), {},
        CHANGE(s.FilterPresets = {5, 8, 0, 3, -2, 1, 2, 0, 1}), F),
    // SetData 6: the narrow filter, and the width again.
    row("narrow on", SET(s.Mode = 1; s.WidthCode = 20), data(6, 1), "NA01;",
        CHANGE(s.Property[cap::NarrowFlag] = 1; s.BW = 1800; s.StatusChange = VTrue), F),
    row("narrow off on VFO B",
        SET(s.Mode = 2; s.WidthCode = 20; s.VFO = 1; s.Property[cap::NarrowFlag] = 1), data(6, 0),
        "NA10;", CHANGE(s.Property[cap::NarrowFlag] = 0; s.BW = 800; s.StatusChange = VTrue), F),
    row("narrow needs no entry", SET(s.Property.fill(0); s.Mode = 3), data(6, 1), "NA01;",
        CHANGE(s.Property[cap::NarrowFlag] = 1; s.BW = 6000; s.StatusChange = VTrue), F),
    row("mute", {}, data(1, 0), {}, CHANGE(f.muted = true), F),
    row("neither on nor off", SET(m.link.send_muted = VTrue), data(1, 2), {}, {}, F),
    row("unmute", SET(m.link.send_muted = VTrue), data(1, 1), {}, CHANGE(f.muted = false), F),
  };
  for (int16_t l1 : {0, 2, 3, 4, 7, -1}) {
    refuse(rows, {data(l1, 1, "0102")}, SET(s.Property.fill(0)));
  }
  const std::pair<int16_t, const char*> dims[] = {{9, "DA04040404;"},  {15, "DA07070707;"},
                                                  {0, "DA00000000;"},  {1, "DA00000000;"},
                                                  {14, "DA07070707;"}, {-3, "DA-2-2-2-2;"}};
  for (auto [level, sent] : dims) {
    rows.push_back(row(sent, SET(s.DimLevel = 5), CALL(SetDimLevel, level), sent,
                       CHANGEV(s.DimLevel = level)));
  }
  run(rows);
}

struct SetupSequences : Commands {};

TEST_F(SetupSequences, PowerOnWaitsWithoutHandlingAnswers) {
  // An answer arriving during the waits stays unread until they are over.
  r.apt.schedule_outside(300'000, [&] { r.line().radio_sends("SM0012;"); });
  EXPECT_TRUE(p.SetPowerON(i16(1)));
  EXPECT_EQ(s.SMeter, 0);
  r.apt.process_pending();
  EXPECT_EQ(s.SMeter, 12);
}

TEST_F(SetupSequences, MutingSilencesEveryFamilyWhileStateStillFollows) {
  // One member of each family, muted and not: the same results and state.
  auto calls = [](Rig& r) {
    r.s().VFOA_Freq = r.s().Freq = 14.0;
    std::vector<int> results;
    for (const Call& c :
         {CALL(SetFreq, 14.2), CALL(SetSplit, 1), CALL(SetMode, 1, 0), CALL(SetChannel, 7),
          CALL(SetAFLevel, 0, 80), CALL(SetRFPower, 100), CALL(SetKeyerSpeed, 128),
          CALL(SetLockDial, 1), CALL(SetDimLevel, 9), CALL(SetNR, 5), data(6, 1)}) {
      results.push_back(c(*r.rig).v);
    }
    r.p->SendPoll("FA");
    return results;
  };
  Rig sent;
  open_rig(sent);
  data(1, 0)(p);
  EXPECT_EQ(calls(r), calls(sent));
  EXPECT_EQ(r.wire(), Wire{});
  EXPECT_TRUE(same_state(s, sent.s()));
}

}  // namespace
}  // namespace tovrak::test
