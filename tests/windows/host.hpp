// What the programs that run under Wine share: named groups of checks (a line
// per failure, the count as the exit code), COM references and BSTRs, a
// message loop until a condition holds, the radio's end of a serial port pair
// and (with the generated header) the component opened on its port.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace tovrak::wintest {

inline int failures = 0;
inline std::string current_group;

template <class T>
std::string Show(const T& v) {
  std::ostringstream o;
  o << v;
  return o.str();
}
inline std::string Show(const std::wstring& v) { return Show(std::string(v.begin(), v.end())); }

// Each check says whether it held.
inline bool Fail(const char* file, int line, const std::string& what) {
  ++failures;
  std::printf("FAIL [%s] %s:%d: %s\n", current_group.c_str(), file, line, what.c_str());
  std::fflush(stdout);
  return false;
}
template <class A, class B>
bool CheckEq(const A& a, const B& b, const char* what, const char* file, int line) {
  return a == b || Fail(file, line, std::string(what) + ": " + Show(a) + " vs " + Show(b));
}
inline bool CheckHr(HRESULT hr, const char* what, const char* file, int line) {
  return hr >= 0 || CheckEq(hr, S_OK, what, file, line);  // shown in decimal
}
#define CHECK(cond) ((cond) || ::tovrak::wintest::Fail(__FILE__, __LINE__, "CHECK(" #cond ")"))
#define CHECK_EQ(a, b) ::tovrak::wintest::CheckEq((a), (b), #a " == " #b, __FILE__, __LINE__)
#define CHECK_HR(expr) ::tovrak::wintest::CheckHr((expr), #expr, __FILE__, __LINE__)

struct Group {
  const char* name;
  std::function<void()> body;
};

// Runs the groups in order; returns the number of failed checks.
inline int RunGroups(const std::vector<Group>& groups) {
  for (const auto& g : groups) {
    current_group = g.name;
    int before = failures;
    g.body();
    std::printf("%s %s\n", failures == before ? "ok  " : "FAIL", g.name);
    std::fflush(stdout);
  }
  std::printf("%d failed checks\n", failures);
  return failures;
}
// The same in a single-threaded apartment, as a host runs; the exit code.
inline int RunInApartment(const std::vector<Group>& groups) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  const int failed = RunGroups(groups);
  CoUninitialize();
  return failed ? 1 : 0;
}

// A COM reference or a BSTR, given back (Free) when it goes.
template <class T, auto Free>
class Owned {
 public:
  Owned() = default;
  explicit Owned(const wchar_t* text) : v_(SysAllocString(text)) {}  // a BSTR
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }
  void reset() {
    if (v_) Free(v_);
    v_ = nullptr;
  }
  T* put() { return reset(), &v_; }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  T operator->() const { return v_; }
  T get() const { return v_; }
  explicit operator bool() const { return v_ != nullptr; }
  std::wstring str() const { return v_ ? std::wstring(v_, SysStringLen(v_)) : std::wstring(); }

 private:
  T v_ = nullptr;
};
template <class T>
void Release(T* p) {
  p->Release();
}
template <class T>
using Ptr = Owned<T*, Release<T>>;
using Bstr = Owned<BSTR, SysFreeString>;

// The component's port and the radio's end: one pseudo-terminal pair (run.sh).
constexpr short kPort = 1, kFarPort = 2;

// Milliseconds by the performance counter (the tick count moves in coarse steps).
inline int64_t NowMs() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return count.QuadPart * 1000 / frequency.QuadPart;
}

// A host's message loop until done() holds or the time is up (false). One
// message at a time: a handler that outlasts its timer's period keeps a tick
// waiting, and the time must still run out.
inline bool RunUntil(const std::function<bool()>& done, int64_t timeout_ms = 5000) {
  for (int64_t end = NowMs() + timeout_ms; !done();) {
    if (NowMs() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      TranslateMessage(&msg), DispatchMessageW(&msg);
  }
  return true;
}

// The radio's end of the line.
class FarEnd {
 public:
  explicit FarEnd(short port) {
    h_ = CreateFileA(("\\\\.\\COM" + std::to_string(port)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                     nullptr, OPEN_EXISTING, 0, nullptr);
    COMMTIMEOUTS t{MAXDWORD, 0, 0, 0, 0};
    if (ok()) SetCommTimeouts(h_, &t);
  }
  ~FarEnd() {
    if (ok()) CloseHandle(h_);
  }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  void send(const std::string& text) {
    DWORD n = 0;
    WriteFile(h_, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  }
  // Everything received so far; forget() drops it, also what was not read yet.
  const std::string& heard() {
    char buf[512];
    DWORD n = 0;
    while (ReadFile(h_, buf, sizeof buf, &n, nullptr) && n > 0) heard_.append(buf, n);
    return heard_;
  }
  void forget() { heard(), heard_.clear(); }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
  std::string heard_;
};

// The loaded component's DllCanUnloadNow, asked on the calling thread.
inline HRESULT AskCanUnload() {
  HMODULE dll = GetModuleHandleW(L"TOVRAK_DLL.dll");
  auto f = dll ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                     reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")))
               : nullptr;
  return f ? f() : E_FAIL;
}

#ifdef __tovrak_dll_h__  // the generated header is included
// The shared control object, through a new connector.
inline bool Rig(Ptr<_TOVRAK_Connector>& c, Ptr<_TOVRAK_Protocol>& p) {
  return CHECK_HR(CoCreateInstance(CLSID_TOVRAK_Connector, nullptr, CLSCTX_INPROC_SERVER,
                                   IID__TOVRAK_Connector, c.put_void())) &&
         CHECK_HR(c->get_TOVRAK_Protocol(p.put())) && p;
}
// The host's order: port, speed, open. True when the port is open.
inline bool OpenPort(_TOVRAK_Protocol* p, short port) {
  Bstr speed(L"9600"), address, code, msg;
  VARIANT_BOOL open = VARIANT_TRUE, ok = VARIANT_FALSE, is_open = VARIANT_FALSE;
  CHECK_HR(p->put_Port(port));
  CHECK_HR(p->put_PortSpeed(speed.get()));
  CHECK_HR(p->SetPort(&open, address.put(), code.put(), msg.put(), &ok));
  CHECK_HR(p->get_PortOpen(&is_open));
  return ok && is_open;
}
#endif

}  // namespace tovrak::wintest
