#include "hosts/com/panel_window.hpp"

#include <mutex>
#include <utility>

#include "hosts/com/errors.hpp"
#include "hosts/com/marshal.hpp"
#include "hosts/com/server.hpp"
#include "platform/win32/win32_apartment.hpp"
#include "tovrak/control_panel.hpp"

namespace tovrak::com {

namespace {

namespace ids = panel_ids;

// SetTopMost's SetWindowPos flags: show the window, do not activate it.
constexpr UINT kTopMostFlags = SWP_SHOWWINDOW | SWP_NOACTIVATE;
static_assert(kTopMostFlags == 0x50);

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kClientWidth = 203;
constexpr int kClientHeight = 292;

// Where the controls go, in client pixels: x, y, width, height.
struct Place {
  int x, y, cx, cy;
};
constexpr Place kLabel1Place{6, 6, 191, 14};
constexpr int kRowTop = 24, kRowHeight = 30;
constexpr Place kTxtMSPlace{6, 3, 40, 21};  // y from the row's top
constexpr Place kCmdSetPlace{49, 3, 30, 21};
constexpr Place kLabel2Place{83, 0, 114, 28};
constexpr Place kTxtInfoPlace{6, 178, 191, 86};
constexpr Place kChkOnTopPlace{6, 268, 100, 18};

thread_local PanelWindow* tls_panel = nullptr;
std::once_flag g_class_once;
ATOM g_class = 0;

// The component's file name without directory and extension.
std::wstring FileNameWithoutExtension() {
  std::wstring name = ModulePath();
  size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  return name;
}

std::string TextOf(HWND control) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  int n = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
  return Narrow(text.data(), static_cast<size_t>(n > 0 ? n : 0));
}

}  // namespace

HRESULT PanelWindow::Show(bool show) {
  if (!show) {
    if (!tls_panel) return S_FALSE;
    DestroyWindow(tls_panel->hwnd_);
    return S_OK;
  }
  if (tls_panel) return S_FALSE;
  PanelWindow* panel = nullptr;
  HRESULT hr = Guard(IID_NULL, [&] {
    auto& apartment = platform::Win32Apartment::Current();
    panel = new PanelWindow(apartment, ControlPanelOf(apartment));
  });
  if (FAILED(hr)) return hr;
  if (!panel->Create()) {
    hr = HRESULT_FROM_WIN32(GetLastError());
    delete panel;
    return FAILED(hr) ? hr : E_FAIL;
  }
  return S_OK;
}

PanelWindow* PanelWindow::Current() { return tls_panel; }

void PanelWindow::UnregisterWindowClass() {
  if (g_class) UnregisterClassW(ids::kWindowClass, Module());
  g_class = 0;
}

PanelWindow::PanelWindow(platform::Win32Apartment& apartment, ControlPanel& model)
    : apartment_(apartment), model_(model) {}

PanelWindow::~PanelWindow() = default;

bool PanelWindow::Create() {
  std::call_once(g_class_once, [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &PanelWindow::WindowProc;
    wc.hInstance = Module();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = ids::kWindowClass;
    g_class = RegisterClassExW(&wc);
  });
  // A newly loaded window starts as designed, whatever an earlier one left.
  model_.txtMS = {};
  model_.cmdSetEnabled = {};
  model_.txtInfo.clear();
  model_.txtInfoCaret = 0;
  model_.chkOnTop = 1;

  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  // Created hidden at the corner where the load puts it, so that showing it
  // on top does not flash it elsewhere first.
  hwnd_ = CreateWindowExW(0, ids::kWindowClass, Wide(ControlPanel::kTitle).c_str(), kStyle, 0, 0,
                          frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                          Module(), this);
  if (!hwnd_) return false;
  owned_by_window_ = true;
  tls_panel = this;
  // The window goes before the component when the apartment ends.
  at_end_ = apartment_.at_end([hwnd = hwnd_] { DestroyWindow(hwnd); });
  CreateControls();

  model_.set_top_most = [this](bool on_top) { SetTopMost(on_top); };
  model_.info_changed = [this] { ShowInfo(); };
  model_.Load();
  SetWindowPos(hwnd_, nullptr, model_.left, model_.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  file_name_ = GlobalAddAtomW(FileNameWithoutExtension().c_str());
  SetPropW(hwnd_, ids::kFileNameProperty,
           reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(file_name_)));
  return true;
}

void PanelWindow::CreateControls() {
  auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  auto add = [&](DWORD ex_style, const wchar_t* cls, const std::string& text, DWORD style,
                 const Place& at, int dy, int id) {
    HWND h = CreateWindowExW(ex_style, cls, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, at.x,
                             at.y + dy, at.cx, at.cy, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Module(), nullptr);
    SendMessageW(h, WM_SETFONT, font, FALSE);
    return h;
  };
  add(0, L"STATIC", ControlPanel::kLabel1, SS_LEFT, kLabel1Place, 0, ids::kLabel1);
  for (int row = 0; row < kRows; ++row) {
    const int top = kRowTop + row * kRowHeight;
    auto i = static_cast<size_t>(row);
    txt_ms_[i] = add(WS_EX_CLIENTEDGE, L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kTxtMSPlace, top,
                     ids::kTxtMS + row);
    cmd_set_[i] = add(0, L"BUTTON", "Set", WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, kCmdSetPlace,
                      top, ids::kCmdSet + row);
    add(0, L"STATIC", ControlPanel::RowLabel(row), SS_LEFT, kLabel2Place, top,
        ids::kLabel2 + ControlPanel::RowLabelIndex(row));
  }
  txt_info_ = add(WS_EX_CLIENTEDGE, L"EDIT", "",
                  WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                  kTxtInfoPlace, 0, ids::kTxtInfo);
  chk_on_top_ = add(0, L"BUTTON", ControlPanel::kOnTop, WS_TABSTOP | BS_AUTOCHECKBOX,
                    kChkOnTopPlace, 0, ids::kChkOnTop);
  SendMessageW(chk_on_top_, BM_SETCHECK, BST_CHECKED, 0);
}

LRESULT CALLBACK PanelWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<PanelWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<PanelWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
    if (tls_panel == self) tls_panel = nullptr;
    if (self->owned_by_window_) delete self;
    return r;
  }
  return self->Handle(msg, wp, lp);
}

LRESULT PanelWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (lp) Command(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_CLOSE:
      // The user cannot close it: it goes with the component.
      if (model_.QueryUnload()) DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      Destroyed();
      return 0;
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

void PanelWindow::Command(int id, int code) {
  if (id >= ids::kTxtMS && id < ids::kTxtMS + kRows && code == EN_CHANGE) {
    const int row = id - ids::kTxtMS;
    auto i = static_cast<size_t>(row);
    model_.txtMS_Change(row, TextOf(txt_ms_[i]));
    EnableWindow(cmd_set_[i], model_.cmdSetEnabled[i]);
  } else if (id >= ids::kCmdSet && id < ids::kCmdSet + kRows && code == BN_CLICKED) {
    const int row = id - ids::kCmdSet;
    auto i = static_cast<size_t>(row);
    model_.cmdSet_Click(row);
    // A disabled button cannot keep the focus: it goes back to the row's box.
    if (!model_.cmdSetEnabled[i] && GetFocus() == cmd_set_[i]) SetFocus(txt_ms_[i]);
    EnableWindow(cmd_set_[i], model_.cmdSetEnabled[i]);
  } else if (id == ids::kChkOnTop && code == BN_CLICKED) {
    // BST_UNCHECKED, BST_CHECKED and BST_INDETERMINATE are the check box
    // values 0, 1 and 2.
    model_.chkOnTop_Click(static_cast<int>(SendMessageW(chk_on_top_, BM_GETCHECK, 0, 0)));
  }
}

void PanelWindow::Destroyed() {
  apartment_.cancel_at_end(at_end_);
  model_.set_top_most = nullptr;
  model_.info_changed = nullptr;
  model_.Unload();
  RemovePropW(hwnd_, ids::kFileNameProperty);
  if (file_name_) GlobalDeleteAtom(file_name_);
  file_name_ = 0;
}

void PanelWindow::SetTopMost(bool on_top) {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  SetWindowPos(hwnd_, on_top ? HWND_TOPMOST : HWND_NOTOPMOST, r.left, r.top, r.right - r.left,
               r.bottom - r.top, kTopMostFlags);
}

void PanelWindow::ShowInfo() {
  const std::string& log = model_.txtInfo;
  // The log only grows while the window shows it: add what is new at the end.
  if (log.size() >= info_shown_) {
    const std::wstring added = Wide(log.substr(info_shown_));
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(txt_info_));
    SendMessageW(txt_info_, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(txt_info_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
  } else {
    SetWindowTextW(txt_info_, Wide(log).c_str());
  }
  info_shown_ = log.size();
  const auto caret = static_cast<WPARAM>(Wide(log.substr(0, model_.txtInfoCaret)).size());
  SendMessageW(txt_info_, EM_SETSEL, caret, static_cast<LPARAM>(caret));
  SendMessageW(txt_info_, EM_SCROLLCARET, 0, 0);
}

}  // namespace tovrak::com
