// The control panel's model: its rows, the echo of control commands, and
// loading and unloading.
#include "core/forms/control_panel.hpp"

#include <gtest/gtest.h>

#include "support/rig.hpp"

namespace tovrak::test {
namespace {

using core::ControlPanel;

struct Panel : ::testing::Test {
  Rig r;
  ControlPanel& panel = core::ControlPanelOf(r.m());
  void set(int row, const std::string& text) {
    panel.txtMS_Change(row, text);
    EXPECT_TRUE(panel.cmdSetEnabled[static_cast<size_t>(row)]) << "typing enables Set";
    panel.cmdSet_Click(row);
    EXPECT_FALSE(panel.cmdSetEnabled[static_cast<size_t>(row)]) << "Set goes off again";
  }
};

TEST_F(Panel, LoadingOpensTheEchoAndPutsTheWindowAtTheCornerOnTopAsTheCheckBoxSays) {
  std::vector<bool> top_most;
  panel.set_top_most = [&](bool on) { top_most.push_back(on); };
  EXPECT_EQ(r.m().panel.open, VFalse);
  panel.Load();
  EXPECT_EQ(std::tuple(r.m().panel.open, panel.left, panel.top), std::tuple(VTrue, 0, 0));
  EXPECT_FALSE(panel.QueryUnload());  // a close request is refused
  for (bool enabled : panel.cmdSetEnabled) EXPECT_FALSE(enabled);
  panel.chkOnTop_Click(0);
  panel.chkOnTop_Click(1);
  panel.chkOnTop_Click(2);  // neither state: nothing
  EXPECT_EQ(top_most, (std::vector<bool>{true, false, true}));
  panel.Unload();
  EXPECT_EQ(r.m().panel.open, VFalse);
}

TEST_F(Panel, RowsTakeMillisecondsRoundedDownUpToAnHour) {
  // An hour is the longest delay the time-of-day clock always sees elapse.
  panel.Load();
  set(0, "12.9");
  EXPECT_FLOAT_EQ(r.m().link.polling_delay, 0.012f);
  set(0, "-5");
  set(1, "3600000");
  set(4, " 2000 ");
  for (int row : {0, 1, 3, 4}) {
    for (const char* text : {"3600001", "86400000", "1e30", "abc", "", "12abc", "0x20", "1e"})
      set(row, text);
  }
  EXPECT_EQ(std::tuple(r.m().link.polling_delay, r.m().link.command_delay, r.m().link.error_delay,
                       r.m().link.after_command_delay),
            std::tuple(-0.005f, 3600.0f, 3.0f, 2.0f));
  // A view may refuse negative delays.
  panel.negative_delays = ControlPanel::NegativeDelays::kRefused;
  set(1, "0");
  for (int row : {0, 1, 3, 4}) set(row, "-0.5");  // read as -1
  EXPECT_EQ(std::tuple(r.m().link.polling_delay, r.m().link.command_delay, r.m().link.error_delay,
                       r.m().link.after_command_delay),
            std::tuple(-0.005f, 0.0f, 3.0f, 2.0f));
}

TEST_F(Panel, TheTimerRowSetsThePollingIntervalAndTheDelayRowTheNextWrite) {
  panel.Load();
  EXPECT_FALSE(r.m().port_and_timers_loaded());
  set(2, "500");  // the port and timers are created for it
  EXPECT_EQ(r.m().port_and_timers().tmrPolling->interval(), 500);
  set(2, "70000");  // more than a timer takes: ignored
  EXPECT_EQ(r.m().port_and_timers().tmrPolling->interval(), 500);
  // The command delay takes effect at the next write.
  r.rig->put_Port(1);
  r.open();
  set(1, "250");
  r.p->SendCommand("AA");
  r.p->SendCommand("BB");
  EXPECT_EQ(r.wire(), wire_of("AA; 250 BB;"));
}

TEST_F(Panel, ControlCommandsAreEchoedWhileLoadedAndPollsAreNot) {
  r.rig->put_Port(1);
  r.open();
  r.p->SendCommand("AA");  // not loaded: no log
  panel.Load();
  r.p->SendCommand(" FA ");
  r.apt.sleep_ms(2000);
  r.p->SendPoll("SM0");
  int16_t ptt = 1;
  r.rig->SetPTT(ptt);
  EXPECT_EQ(panel.txtInfo, " FA \r\nTX1\r\n");
  EXPECT_EQ(panel.txtInfoCaret, panel.txtInfo.size());
  panel.Unload();
  r.rig->SetPTT(ptt);
  EXPECT_EQ(panel.txtInfo, " FA \r\nTX1\r\n");
}

TEST_F(Panel, ALongSessionKeepsTheLatestLogLinesAndAReloadStartsFresh) {
  panel.Load();
  int shown = 0;  // the view is told of every line
  panel.info_changed = [&] { ++shown; };
  for (int i = 0; i < 20000; ++i) panel.AppendInfo("FA" + std::to_string(i));
  EXPECT_EQ(shown, 20000);
  EXPECT_LE(panel.txtInfo.size(), ControlPanel::kInfoLimit);
  EXPECT_EQ(panel.txtInfo.substr(0, 2), "FA");  // cut at a line
  EXPECT_NE(panel.txtInfo.find("FA19999\r\n"), std::string::npos);
  panel.txtMS_Change(2, "40");
  panel.chkOnTop_Click(0);
  panel.Unload();
  panel.Load();
  EXPECT_EQ(std::tuple(panel.txtInfo, panel.txtMS[2], panel.cmdSetEnabled[2], panel.chkOnTop),
            std::tuple("", "", false, 1));
}

}  // namespace
}  // namespace tovrak::test
