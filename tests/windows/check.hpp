// A small check harness for the programs that run under Wine: named groups of
// checks, a line for every failure, and the count of failures as the exit
// code.
#pragma once

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

inline void Fail(const char* file, int line, const std::string& what) {
  ++failures;
  std::printf("FAIL [%s] %s:%d: %s\n", current_group.c_str(), file, line, what.c_str());
  std::fflush(stdout);
}
// Each check says whether it held.
inline bool Check(bool ok, const char* what, const char* file, int line) {
  if (!ok) Fail(file, line, what);
  return ok;
}
template <class A, class B>
bool CheckEq(const A& a, const B& b, const char* what, const char* file, int line) {
  return a == b || (Fail(file, line, std::string(what) + ": " + Show(a) + " vs " + Show(b)), false);
}
inline bool CheckHr(long hr, const char* what, const char* file, int line) {
  char code[16];
  std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(hr));
  return hr >= 0 || (Fail(file, line, std::string(what) + " failed: 0x" + code), false);
}

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

}  // namespace tovrak::wintest

#define CHECK(cond) ::tovrak::wintest::Check((cond), "CHECK(" #cond ")", __FILE__, __LINE__)
#define CHECK_EQ(a, b) ::tovrak::wintest::CheckEq((a), (b), #a " == " #b, __FILE__, __LINE__)
#define CHECK_HR(expr) ::tovrak::wintest::CheckHr((expr), #expr, __FILE__, __LINE__)
