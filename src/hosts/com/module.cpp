// The DLL's exports: class objects, unloading, registration of the two
// classes, their ProgIDs and the type library, and the control panel.
#include <string>

#include "hosts/com/counted.hpp"
#include "hosts/com/objects.hpp"
#include "hosts/com/panel_window.hpp"
#include "hosts/com/server.hpp"
#include "platform/win32/win32_apartment.hpp"

namespace tovrak::com {

namespace {

struct ClassEntry {
  const CLSID& clsid;
  const wchar_t* prog_id;
  HRESULT (*create)(REFIID iid, void** out);
};

const ClassEntry kClasses[] = {
    {CLSID_TOVRAK_Connector, L"TOVRAK_DLL.TOVRAK_Connector", &ConnectorObject::Create},
    {CLSID_TOVRAK_Protocol, L"TOVRAK_DLL.TOVRAK_Protocol", &CreateProtocolObject},
};

constexpr wchar_t kVersion[] = L"1.3";
constexpr WORD kLibraryMajor = 1;
constexpr WORD kLibraryMinor = 3;

// The DLL of each bitness registers in its own registry view (a 32-bit
// process on 64-bit Windows sees the 32-bit one); the other view is the
// other DLL's.
#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;  // ignored where there is no other
#endif

class ClassFactory final : public Counted<IClassFactory> {
 public:
  explicit ClassFactory(const ClassEntry& entry) : Counted(IID_IClassFactory), entry_(entry) {
    ObjectCreated();
  }
  ~ClassFactory() override { ObjectDestroyed(); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return entry_.create(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    ServerLock(lock != FALSE);
    return S_OK;
  }

 private:
  const ClassEntry& entry_;
};

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

LSTATUS SetValue(HKEY root, const std::wstring& key, const wchar_t* name,
                 const std::wstring& value) {
  HKEY h = nullptr;
  LSTATUS s = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr);
  if (s != ERROR_SUCCESS) return s;
  s = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
  return s;
}

HRESULT RegisterClassEntry(const ClassEntry& c, const std::wstring& path) {
  const std::wstring clsid = GuidText(c.clsid);
  const std::wstring key = L"CLSID\\" + clsid;
  const std::wstring prog_id = c.prog_id;
  const std::pair<std::wstring, std::pair<const wchar_t*, std::wstring>> values[] = {
      {key, {nullptr, prog_id}},
      {key + L"\\InprocServer32", {nullptr, path}},
      {key + L"\\InprocServer32", {L"ThreadingModel", L"Apartment"}},
      {key + L"\\ProgID", {nullptr, prog_id}},
      {key + L"\\VERSION", {nullptr, kVersion}},
      {key + L"\\TypeLib", {nullptr, GuidText(LIBID_TOVRAK_DLL)}},
      {key + L"\\Programmable", {nullptr, L""}},
      {prog_id, {nullptr, prog_id}},
      {prog_id + L"\\Clsid", {nullptr, clsid}},
  };
  for (const auto& [k, v] : values) {
    LSTATUS s = SetValue(HKEY_CLASSES_ROOT, k, v.first, v.second);
    if (s != ERROR_SUCCESS) return HRESULT_FROM_WIN32(s);
  }
  return S_OK;
}

// True when the DLL of the other bitness serves the class: its key in the
// other registry view. Where there is no other view, the key asked for is
// this view's, already gone.
bool OtherViewServes(const ClassEntry& c) {
  HKEY h = nullptr;
  const std::wstring key = L"CLSID\\" + GuidText(c.clsid) + L"\\InprocServer32";
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | kOtherView, &h) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(h);
  return true;
}

void DeleteTree(const std::wstring& key) {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
}

}  // namespace

}  // namespace tovrak::com

using namespace tovrak::com;

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // Unloaded by FreeLibrary (not at process exit): the apartments are gone,
  // since the DLL agreed to unload; the window class goes with the module.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    tovrak::platform::Win32Apartment::UnregisterWindowClass();
    PanelWindow::UnregisterWindowClass();
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const auto& c : kClasses) {
    if (clsid == c.clsid) {
      auto* factory = new ClassFactory(c);
      HRESULT hr = factory->QueryInterface(iid, out);
      factory->Release();
      return hr;
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  if (ObjectCount() != 0 || LockCount() != 0) return S_FALSE;
  // Once the port and timers of an apartment are loaded, they keep the
  // component running there, and the DLL stays.
  if (!tovrak::platform::Win32Apartment::EndCurrentIfIdle()) return S_FALSE;
  return tovrak::platform::Win32Apartment::Count() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::wstring path = ModulePath();
  for (const auto& c : kClasses) {
    HRESULT hr = RegisterClassEntry(c, path);
    if (FAILED(hr)) return hr;
  }
  ComPtr<ITypeLib> lib;
  HRESULT hr = TypeLibrary(lib.put());
  if (FAILED(hr)) return hr;
  return RegisterTypeLib(lib.get(), const_cast<LPOLESTR>(path.c_str()), nullptr);
}

// The class keys are in this DLL's own registry view. The ProgIDs and the
// type library's key are shared by both views, and RegisterTypeLib writes
// the interfaces' keys in both: while the other DLL still serves the
// classes, they stay, and only this platform's entry of the type library
// goes.
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  for (const auto& c : kClasses) DeleteTree(L"CLSID\\" + GuidText(c.clsid));
  bool other = false;
  for (const auto& c : kClasses) other = other || OtherViewServes(c);
  if (other) {
    DeleteTree(L"TypeLib\\" + GuidText(LIBID_TOVRAK_DLL) + L"\\" + kVersion + L"\\0\\" +
               (kSysKind == SYS_WIN64 ? L"win64" : L"win32"));
    return S_OK;
  }
  UnRegisterTypeLib(LIBID_TOVRAK_DLL, kLibraryMajor, kLibraryMinor, LOCALE_NEUTRAL, kSysKind);
  for (const auto& c : kClasses) DeleteTree(c.prog_id);
  return S_OK;
}

// Opens (show true) or closes the control panel window of the calling
// thread's apartment. S_OK when it was opened or closed, S_FALSE when it
// already was open or closed.
extern "C" HRESULT STDAPICALLTYPE TovrakControlPanel(BOOL show) {
  return PanelWindow::Show(show != FALSE);
}
