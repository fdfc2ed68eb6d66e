// What the programs that host the component under Wine share: COM
// references, BSTRs, a message loop that runs until a condition holds, and the
// radio's end of a serial port pair.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <functional>
#include <string>
#include <utility>

namespace tovrak::wintest {

// A COM reference, released when it goes.
template <class T>
class Ptr {
 public:
  Ptr() = default;
  Ptr(const Ptr&) = delete;
  Ptr& operator=(const Ptr&) = delete;
  ~Ptr() { reset(); }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// A BSTR, freed when it goes.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : b_(SysAllocString(text)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }
  BSTR* put() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  BSTR get() const { return b_; }
  std::wstring str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

 private:
  BSTR b_ = nullptr;
};

// Processes messages until done() holds or the time is up; false on timeout.
inline bool RunUntil(const std::function<bool()>& done, DWORD timeout_ms = 5000) {
  ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

// The radio's end of the line.
class FarEnd {
 public:
  explicit FarEnd(short port) {
    std::string path = "\\\\.\\COM" + std::to_string(port);
    h_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                     nullptr);
    if (h_ == INVALID_HANDLE_VALUE) return;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(h_, &t);
  }
  ~FarEnd() {
    if (ok()) CloseHandle(h_);
  }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  void send(const std::string& text) {
    DWORD n = 0;
    WriteFile(h_, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  }
  // Everything received so far.
  const std::string& heard() {
    char buf[512];
    DWORD n = 0;
    while (ReadFile(h_, buf, sizeof buf, &n, nullptr) && n > 0) heard_.append(buf, n);
    return heard_;
  }
  bool heard_text(const std::string& text) { return heard().find(text) != std::string::npos; }
  // Reads until `count` bytes came or the deadline passed, and hands them over.
  std::string receive(size_t count, DWORD timeout_ms = 5000) {
    ULONGLONG end = GetTickCount64() + timeout_ms;
    while (heard().size() < count && GetTickCount64() < end) Sleep(5);
    return std::exchange(heard_, std::string());
  }
  // Forgets everything received so far, also what was not read yet.
  void forget() {
    heard();
    heard_.clear();
  }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
  std::string heard_;
};

// The loaded component's DllCanUnloadNow, asked on the calling thread.
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
inline HRESULT AskCanUnload() {
  HMODULE dll = GetModuleHandleW(L"TOVRAK_DLL.dll");
  if (!dll) return E_FAIL;
  auto f = reinterpret_cast<CanUnloadNow>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  return f ? f() : E_FAIL;
}

}  // namespace tovrak::wintest
