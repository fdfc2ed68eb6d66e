// The control panel as a Win32 window: the view of the shared control panel
// model (core/forms/control_panel.hpp) on the thread of the apartment it
// belongs to. Hosts open and close it through the DLL export
// TovrakControlPanel; the component's interface has no member for it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <array>
#include <string>

namespace tovrak {
class ControlPanel;
}
namespace tovrak::platform {
class Win32Apartment;
}

namespace tovrak::com {

// What a program outside the component finds the window and its controls by.
namespace panel_ids {
constexpr wchar_t kWindowClass[] = L"TovrakControlPanel";
// The window property that holds the component's file name without
// extension, as a global atom (GlobalGetAtomName reads it).
constexpr wchar_t kFileNameProperty[] = L"Tag";
constexpr int kLabel1 = 100;
constexpr int kTxtMS = 110;   // + row 0..4
constexpr int kCmdSet = 120;  // + row 0..4
constexpr int kLabel2 = 130;  // + the label's own index 0..4 (not the row)
constexpr int kTxtInfo = 140;
constexpr int kChkOnTop = 141;
}  // namespace panel_ids

class PanelWindow {
 public:
  // Opens the control panel of the calling thread's apartment (loads it and
  // shows it on top at the upper-left corner of the screen) or closes it.
  // S_OK when it was opened or closed, S_FALSE when it already was so.
  static HRESULT Show(bool show);
  // The calling thread's open panel, or null.
  static PanelWindow* Current();
  // Called when the module that holds the window procedure is unloaded.
  static void UnregisterWindowClass();

  HWND hwnd() const { return hwnd_; }

 private:
  static constexpr int kRows = 5;

  PanelWindow(platform::Win32Apartment& apartment, ControlPanel& model);
  ~PanelWindow();
  PanelWindow(const PanelWindow&) = delete;
  PanelWindow& operator=(const PanelWindow&) = delete;

  // Creates the window and its controls and loads the model; false (with
  // the thread's last error) when the window cannot be created.
  bool Create();
  void CreateControls();
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Command(int id, int code);
  void Destroyed();

  // The model's hooks.
  void SetTopMost(bool on_top);
  void ShowInfo();

  platform::Win32Apartment& apartment_;
  ControlPanel& model_;
  int at_end_ = 0;
  HWND hwnd_ = nullptr;
  std::array<HWND, kRows> txt_ms_{};
  std::array<HWND, kRows> cmd_set_{};
  HWND txt_info_ = nullptr;
  HWND chk_on_top_ = nullptr;
  size_t info_shown_ = 0;  // bytes of the model's log in the box
  ATOM file_name_ = 0;
  // Once the window exists, it deletes this object when it goes.
  bool owned_by_window_ = false;
};

}  // namespace tovrak::com
