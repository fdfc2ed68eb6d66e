// The control panel: the window that shows the control commands as they are
// written and edits the timing of the link. This is its model, the same for
// every view: five rows of a text box, a "Set" button and a label; the command
// log txtInfo; the "On top" check box. A view (a terminal screen, a Win32
// window) shows the model and feeds it the user's actions.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "tovrak/export.hpp"

namespace tovrak {

class TOVRAK_Protocol;
namespace core {
class Module;
}
namespace platform {
class Apartment;
}

class TOVRAK_API ControlPanel {
 public:
  static constexpr int kRows = 5;
  static constexpr const char* kTitle = "Control Panel(DLL)";
  static constexpr const char* kLabel1 = "All values in milliseconds (ms)";
  static constexpr const char* kOnTop = "On top";
  // The command log keeps about this many characters, the latest.
  static constexpr size_t kInfoLimit = 64 * 1024;
  // The longest delay a row takes: one hour. The link measures time on the
  // time-of-day clock, which cannot tell spans of half a day or more, so a
  // longer delay might never elapse; it is refused and the setting keeps
  // its value.
  static constexpr double kLongestDelayMs = 3'600'000;
  // What Set does with a delay below zero, which the link treats as none.
  // The window takes it as typed; a view may have it refused instead, the
  // setting keeping its value as with an overlong one (the terminal views of
  // demo and monitor do: they show each setting beside its row).
  enum class NegativeDelays { kTakenAsTyped, kRefused };
  NegativeDelays negative_delays = NegativeDelays::kTakenAsTyped;

  explicit ControlPanel(core::Module& module);
  ~ControlPanel();
  ControlPanel(const ControlPanel&) = delete;
  ControlPanel& operator=(const ControlPanel&) = delete;

  // The label of row i (Label2 is numbered differently from the rows: row 0
  // carries Label2(0), row 1 Label2(4), row 2 Label2(1), row 3 Label2(2),
  // row 4 Label2(3)).
  static const char* RowLabel(int row);
  static int RowLabelIndex(int row);

  // The window's events.
  void Load();
  void Unload();
  // A close request from the user: always refused, the window stays.
  bool QueryUnload() { return false; }
  void txtMS_Change(int row, const std::string& text);
  void cmdSet_Click(int row);
  void chkOnTop_Click(int value);
  // SendCAT's echo of a control command while the panel is loaded.
  void AppendInfo(const std::string& command);

  // Controls.
  std::array<std::string, kRows> txtMS{};
  std::array<bool, kRows> cmdSetEnabled{};
  std::string txtInfo;
  size_t txtInfoCaret = 0;
  int chkOnTop = 1;
  bool loaded = false;
  bool topmost = false;
  int left = -1, top = -1;
  std::string caption = kTitle;

  // The view's SetTopMost: keep the window above others or not, without
  // moving, resizing or activating it. Optional.
  std::function<void(bool on_top)> set_top_most;
  // Called after txtInfo grew, so a view can scroll. Optional.
  std::function<void()> info_changed;

  // What each row edits, for a view to show next to the row (milliseconds).
  double CurrentValueMs(int row) const;

 private:
  void SetTopMost(bool on_top);

  core::Module& module_;
};
// The control panel of the apartment `rig` lives in, created on first use and
// shared by every component of that apartment. It is not loaded until a view
// loads it. Raises std::invalid_argument for an object this library did not
// create.
TOVRAK_API ControlPanel& ControlPanelOf(TOVRAK_Protocol& rig);
// The control panel of the component in `apartment`, which need not have a
// connector yet: a view of the panel opens it on any thread that has an
// apartment.
TOVRAK_API ControlPanel& ControlPanelOf(platform::Apartment& apartment);

}  // namespace tovrak
