// A host that opens the control panel window through the DLL's
// TovrakControlPanel and works it as a user does: types into a row and
// presses its button, watches the log of control commands going to the
// radio's end of a port pair, tries to close the window, takes it off the
// top. It writes where the window is into file READY once the window shows a
// log, and waits for file DONE while a picture is taken.
#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "TOVRAK_DLL.h"
#include "host.hpp"
#include "hosts/com/panel_window.hpp"

namespace {

using namespace tovrak::wintest;
namespace ids = tovrak::com::panel_ids;

using PanelEntry = HRESULT(STDAPICALLTYPE*)(BOOL show);

std::string g_ready, g_done;

PanelEntry g_panel = nullptr;
Ptr<_TOVRAK_Connector> g_connector;
Ptr<_TOVRAK_Protocol> g_rig;
FarEnd* g_radio = nullptr;
HWND g_window = nullptr;

BOOL CALLBACK AddPanel(HWND h, LPARAM found) {
  wchar_t name[64] = {};
  GetClassNameW(h, name, 64);
  if (lstrcmpW(name, ids::kWindowClass) == 0)
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(h);
  return TRUE;
}
std::vector<HWND> PanelsOf(DWORD thread) {
  std::vector<HWND> found;
  EnumThreadWindows(thread, &AddPanel, reinterpret_cast<LPARAM>(&found));
  return found;
}
// The one panel of this thread, or none.
HWND ThePanel() {
  auto panels = PanelsOf(GetCurrentThreadId());
  return CHECK_EQ(panels.size(), 1u) ? panels[0] : nullptr;
}

HWND Control(int id) { return GetDlgItem(g_window, id); }

std::wstring Text(HWND h) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool TopMost(HWND h) { return (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

RECT Rect(HWND h) {
  RECT r{};
  return GetWindowRect(h, &r), r;
}

void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }
bool Checked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Ptt() {
  short ptt = 0;
  VARIANT_BOOL done = VARIANT_FALSE;
  CHECK(SUCCEEDED(g_rig->SetPTT(&ptt, &done)) && done == VARIANT_TRUE);
}

// Two control commands reach the radio at least 250 ms apart (the panel's
// setting; 100 ms before it): a lower bound, however slow the machine.
void TwoCommands250MsApart() {
  g_radio->forget();
  int64_t start = NowMs();
  Ptt();
  Ptt();
  CHECK(NowMs() - start >= 200);
  CHECK(RunUntil([] { return g_radio->heard() == "TX0;TX0;"; }));
}

void PanelGoesWithItsApartment() {
  // Another thread opens a panel of its own while nothing of the component
  // lives there; asked whether the DLL may go, the component ends in that
  // apartment, and the window with it.
  HRESULT opened = E_FAIL;
  HWND window = nullptr;
  bool gone = false;
  std::thread([&] {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return;
    opened = g_panel(TRUE);
    auto mine = PanelsOf(GetCurrentThreadId());
    window = mine.size() == 1 ? mine[0] : nullptr;
    AskCanUnload();
    gone = window && !IsWindow(window);
    CoUninitialize();
  }).join();
  CHECK_EQ(opened, S_OK);
  CHECK(window != nullptr && gone);
  CHECK(PanelsOf(GetCurrentThreadId()).empty());
}

void Opening() {
  CHECK_EQ(g_panel(TRUE), S_OK);
  if (!(g_window = ThePanel())) return;
  // Shown on top at the corner, without taking the focus from the host.
  RECT r = Rect(g_window);
  CHECK(IsWindowVisible(g_window) && TopMost(g_window) && GetActiveWindow() != g_window);
  CHECK(r.left == 0 && r.top == 0);
  auto atom =
      static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(g_window, ids::kFileNameProperty)));
  wchar_t name[64] = {};
  CHECK(atom != 0 && GlobalGetAtomNameW(atom, name, 64) > 0);
  CHECK_EQ(std::wstring(name), std::wstring(L"TOVRAK_DLL"));
  CHECK(!IsWindowEnabled(Control(ids::kCmdSet + 1)) && Checked(Control(ids::kChkOnTop)));
  // Opening an open panel leaves it as it is.
  CHECK_EQ(g_panel(TRUE), S_FALSE);
  CHECK_EQ(PanelsOf(GetCurrentThreadId()).size(), 1u);
}

void SettingRows() {
  if (!g_window || !g_rig) return;
  HWND txt1 = Control(ids::kTxtMS + 1), set1 = Control(ids::kCmdSet + 1);
  SendMessageW(txt1, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"250"));
  CHECK(IsWindowEnabled(set1));
  Click(set1);
  CHECK(!IsWindowEnabled(set1));
  TwoCommands250MsApart();
  // The log shows them, the caret after the last.
  HWND info = Control(ids::kTxtInfo);
  const std::wstring log = Text(info);
  CHECK_EQ(log, std::wstring(L"TX0\r\nTX0\r\n"));
  DWORD from = 1, to = 0;
  SendMessageW(info, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  CHECK(from == to && to == log.size());
}

void Picture() {
  if (!g_window) return;
  UpdateWindow(g_window);
  // READY names where the window is on the screen: WIDTHxHEIGHT+X+Y. It is
  // written under another name first, so that it appears whole.
  RECT r = Rect(g_window);
  const std::string part = g_ready + ".part";
  FILE* ready = std::fopen(part.c_str(), "w");
  if (!CHECK(ready != nullptr)) return;
  std::fprintf(ready, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
  std::fclose(ready);
  CHECK(std::rename(part.c_str(), g_ready.c_str()) == 0);
  CHECK(RunUntil([] { return GetFileAttributesA(g_done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                 30000));
}

void UserRequests() {
  if (!g_window) return;
  // Closing is refused: the window goes with the component.
  SendMessageW(g_window, WM_SYSCOMMAND, SC_CLOSE, 0);
  CHECK(IsWindow(g_window) && IsWindowVisible(g_window));
  // Moved away from the corner: taken off the top and back, it stays there.
  SetWindowPos(g_window, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const RECT before = Rect(g_window);
  HWND box = Control(ids::kChkOnTop);
  for (bool on : {false, true}) {
    Click(box);
    CHECK_EQ(Checked(box), on);
    CHECK_EQ(TopMost(g_window), on);
    const RECT now = Rect(g_window);
    CHECK(EqualRect(&now, &before) && IsWindowVisible(g_window));
  }
}

void ClosingAndOpeningAgain() {
  if (!g_window || !g_rig) return;
  CHECK_EQ(g_panel(FALSE), S_OK);
  CHECK(!IsWindow(g_window) && g_panel(FALSE) == S_FALSE);
  TwoCommands250MsApart();  // closed, the component goes on; the settings stay

  // Opened again, it starts as it first did and logs again.
  CHECK_EQ(g_panel(TRUE), S_OK);
  if (!(g_window = ThePanel())) return;
  CHECK(TopMost(g_window) && Checked(Control(ids::kChkOnTop)));
  CHECK(Text(Control(ids::kTxtMS + 1)).empty() && !IsWindowEnabled(Control(ids::kCmdSet + 1)) &&
        Text(Control(ids::kTxtInfo)).empty());
  Ptt();
  CHECK_EQ(Text(Control(ids::kTxtInfo)), std::wstring(L"TX0\r\n"));
  CHECK_EQ(g_panel(FALSE), S_OK);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return std::printf("usage: tovrak_panel_client READY DONE\n"), 2;
  g_ready = argv[1], g_done = argv[2];
  g_panel = reinterpret_cast<PanelEntry>(reinterpret_cast<void*>(
      GetProcAddress(LoadLibraryW(L"TOVRAK_DLL.dll"), "TovrakControlPanel")));
  if (!g_panel) return std::printf("FAIL: no TovrakControlPanel in TOVRAK_DLL.dll\n"), 2;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  FarEnd radio(kFarPort);
  g_radio = &radio;
  int failed = RunGroups({
      {"a panel per apartment, gone with it", PanelGoesWithItsApartment},
      {"the component on the port",
       [&] { CHECK(radio.ok() && Rig(g_connector, g_rig) && OpenPort(g_rig.get(), kPort)); }},
      {"opening", Opening},
      {"a row set, and the log", SettingRows},
      {"picture", Picture},
      {"close requests and on top", UserRequests},
      {"closing and opening again", ClosingAndOpeningAgain},
  });
  g_rig.reset();
  g_connector.reset();
  CoUninitialize();
  return failed ? 1 : 0;
}
