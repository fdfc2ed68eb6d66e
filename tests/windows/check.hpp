// A small check harness for the programs that run under Wine: named groups of
// checks, a line for every failure, and the count of failures as the exit
// code.
#pragma once

#include <cmath>
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

#define CHECK(cond)                                                               \
  do {                                                                            \
    if (!(cond)) ::tovrak::wintest::Fail(__FILE__, __LINE__, "CHECK(" #cond ")"); \
  } while (0)

#define CHECK_EQ(a, b)                                                                             \
  do {                                                                                             \
    const auto& check_a_ = (a);                                                                    \
    const auto& check_b_ = (b);                                                                    \
    if (!(check_a_ == check_b_)) {                                                                 \
      ::tovrak::wintest::Fail(__FILE__, __LINE__,                                                  \
                              std::string(#a " == " #b ": ") + ::tovrak::wintest::Show(check_a_) + \
                                  " vs " + ::tovrak::wintest::Show(check_b_));                     \
    }                                                                                              \
  } while (0)

#define CHECK_HR(expr)                                                                            \
  do {                                                                                            \
    HRESULT check_hr_ = (expr);                                                                   \
    if (FAILED(check_hr_)) {                                                                      \
      char check_buf_[16];                                                                        \
      std::snprintf(check_buf_, sizeof check_buf_, "%08lX",                                       \
                    static_cast<unsigned long>(check_hr_));                                       \
      ::tovrak::wintest::Fail(__FILE__, __LINE__, std::string(#expr " failed: 0x") + check_buf_); \
    }                                                                                             \
  } while (0)
