// Prints registry trees under HKEY_CLASSES_ROOT as this process sees them (a
// 32-bit program sees the 32-bit view), for run.sh to check in one go:
//
//   tovrak_regdump KEY...        KEY relative to HKEY_CLASSES_ROOT
//
// One line "HKCR\KEY" per key present, then one "HKCR\KEY<TAB>NAME<TAB>DATA"
// per string value (NAME empty for the default value); a missing KEY prints
// nothing.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Narrow(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
  return s;
}

void Dump(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  const std::string name = "HKCR\\" + Narrow(path);
  std::printf("%s\n", name.c_str());
  for (DWORD i = 0;; ++i) {
    wchar_t value[256];
    BYTE data[2048];
    DWORD value_len = 256, data_len = sizeof data - sizeof(wchar_t), type = 0;
    if (RegEnumValueW(key, i, value, &value_len, nullptr, &type, data, &data_len) !=
        ERROR_SUCCESS) {
      break;
    }
    if (type != REG_SZ) continue;
    data[data_len] = data[data_len + 1] = 0;
    std::printf("%s\t%s\t%s\n", name.c_str(), Narrow(value).c_str(),
                Narrow(reinterpret_cast<const wchar_t*>(data)).c_str());
  }
  for (DWORD i = 0;; ++i) {
    wchar_t sub[256];
    DWORD sub_len = 256;
    if (RegEnumKeyExW(key, i, sub, &sub_len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    Dump(path + L"\\" + sub);
  }
  RegCloseKey(key);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) Dump(argv[i]);
  std::fflush(stdout);
  return 0;
}
