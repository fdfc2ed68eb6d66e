#include "hosts/com/server.hpp"

#include <atomic>
#include <mutex>

#include "hosts/com/com_ptr.hpp"

namespace tovrak::com {

namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

std::mutex g_typelib_mutex;
ITypeLib* g_typelib = nullptr;  // held for the life of the process

}  // namespace

HMODULE Module() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&Module), &module);
  return module;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(Module(), path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void ObjectCreated() { ++g_objects; }
void ObjectDestroyed() { --g_objects; }
void ServerLock(bool lock) { lock ? ++g_locks : --g_locks; }
long ObjectCount() { return g_objects.load(); }
long LockCount() { return g_locks.load(); }

HRESULT TypeLibrary(ITypeLib** out) {
  if (!out) return E_POINTER;
  std::lock_guard<std::mutex> lock(g_typelib_mutex);
  if (!g_typelib) {
    HRESULT hr = LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &g_typelib);
    if (FAILED(hr)) return hr;
  }
  g_typelib->AddRef();
  *out = g_typelib;
  return S_OK;
}

HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<ITypeLib> lib;
  HRESULT hr = TypeLibrary(lib.put());
  if (FAILED(hr)) return hr;
  return lib->GetTypeInfoOfGuid(guid, out);
}

}  // namespace tovrak::com
