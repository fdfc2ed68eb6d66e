// tovrak_regdump KEY...: the trees of the KEYs under HKEY_CLASSES_ROOT as this
// process sees them (a 32-bit program sees the 32-bit view), a line per key
// and per string value (run.sh reads them); a missing KEY prints nothing.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Dump(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  const std::wstring name = L"HKCR\\" + path;
  std::printf("%ls\n", name.c_str());
  wchar_t value[256], data[1024];
  DWORD value_len = 256, data_len = sizeof data - sizeof(wchar_t), type = 0;
  for (DWORD i = 0; RegEnumValueW(key, i, value, &value_len, nullptr, &type,
                                  reinterpret_cast<BYTE*>(data), &data_len) == ERROR_SUCCESS;
       ++i, value_len = 256, data_len = sizeof data - sizeof(wchar_t)) {
    data[data_len / sizeof(wchar_t)] = 0;
    if (type == REG_SZ) std::printf("%ls\t%ls\t%ls\n", name.c_str(), value, data);
  }
  for (DWORD i = 0; RegEnumKeyW(key, i, value, 256) == ERROR_SUCCESS; ++i)
    Dump(path + L"\\" + value);
  RegCloseKey(key);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) Dump(argv[i]);
  return std::fflush(stdout), 0;
}
